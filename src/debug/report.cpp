// Writing the debug file: the static report of each solved element and the
// per-frequency rows.  Each report is one short append, so a crash of the
// host loses at most the report in hand.
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <string>
#include <string_view>

#include "debug/reports.h"
#include "debug/slot_names.h"
#include "numeric/constants.h"

namespace mirtex::debug {
namespace {


// One append to the debug file: opened, written, flushed and closed again.
// The stream sits in the record while it is open, so that the analysis end
// can close it should a report never finish.
class Append {
public:
    explicit Append(bool per_frequency) {
        if (!c_debug.enabled || (per_frequency && !c_debug.flag_dynamic)) return;
        f_ = std::fopen(c_debug.file_name, "a");
        c_debug.stream = f_;
    }
    ~Append() {
        if (f_ == nullptr) return;
        std::fflush(f_);
        std::fclose(f_);
        c_debug.stream = nullptr;
    }
    Append(const Append&) = delete;
    Append& operator=(const Append&) = delete;

    explicit operator bool() const { return f_ != nullptr; }

    void put(const char* fmt, ...) __attribute__((format(printf, 2, 3))) {
        va_list ap;
        va_start(ap, fmt);
        std::vfprintf(f_, fmt, ap);
        va_end(ap);
    }

private:
    std::FILE* f_ = nullptr;
};

const char* text(const char* s) { return s != nullptr ? s : ""; }

// Angle of z in degrees, with the axes given exactly.
double angle_deg(COMPLEX z) {
    if (z.imag == 0.0) return 0.0;
    if (z.real == 0.0) return z.imag > 0.0 ? 90.0 : -90.0;
    return std::atan2(z.imag, z.real) * 180.0 / kPi;
}

// The name of slot k of a list, or the end marker past its last name.
std::string_view name_at(const std::vector<std::string_view>& names, std::size_t k) {
    return k < names.size() ? names[k] : kEnd;
}

// How one list of values prints: a named value is the name, "=" and
// `value`; after the "+" marker the marker's own value is `more` and the
// rest are `unnamed` (given the value and the vector length); a vector
// longer than its names ends the report with `too_long`.
struct ListFormat {
    const char* value;
    const char* more;
    const char* unnamed;
    const char* too_long;
};

constexpr ListFormat kIntInputs = {"%d  ", "\n  more IPar: %d  ", "%d (%d)  ", "IPar: not enough parameters! (%d)\n"};
constexpr ListFormat kRealInputs = {"%-13.5lg  ", "\n  more DPar: %-13.5lg  ", "%-13.5lg  ",
                                    "DPar: not enough parameters! (%d)\n"};
constexpr ListFormat kIntResults = {"%d  ", "%d  ", "%d  ", "IOut: not enough parameters! (%d)\n"};
constexpr ListFormat kRealResults = {"%-13.5lg  ", "%-13.5lg  ", "%-13.5lg  ",
                                     "eleOut: not enough parameters! (%d)\n"};

// The values of one vector by their slot names; false when the vector
// outran its names (the report ends there).  The "#" marker ends the list
// quietly.
template <class T>
bool named_values(Append& out, const std::vector<std::string_view>& names, const T* v, int n, const ListFormat& fmt) {
    bool unnamed = false;
    for (int i = 0; i < n; ++i) {
        if (unnamed) {
            out.put(fmt.unnamed, v[i], n);  // a format without the count ignores it
            continue;
        }
        const std::string_view name = name_at(names, static_cast<std::size_t>(i));
        if (name == kEnd) {
            out.put(fmt.too_long, n);
            return false;
        }
        if (name == kStopInts) break;
        if (name == kUnnamed) {
            out.put(fmt.more, v[i]);
            unnamed = true;
            continue;
        }
        out.put("%.*s=", static_cast<int>(name.size()), name.data());
        out.put(fmt.value, v[i]);
    }
    return true;
}

// The spiral: two leading values, then per turn the columns R, RG, LS and
// CP, each a block of n values (n = number of turns, the first integer
// result), with the column sums.
void spiral_table(Append& out, const std::vector<std::string_view>& names, const int* iout, int n_iout,
                  const double* v, int n) {
    const int turns = n_iout > 0 ? iout[0] : 0;
    // A turn count that the result vector cannot hold would make the table
    // read past the vector.
    if (turns < 0 || n < 2 || (n - 2) / 4 < turns) {
        out.put("eleOut: %d values cannot hold %d turns!\n", n, turns);
        return;
    }
    const std::string a(name_at(names, 0)), b(name_at(names, 1));
    out.put("%14s %14s:\n", a.c_str(), b.c_str());
    out.put("%- 13.5lg%- 13.5lg\n", v[0], v[1]);
    out.put("  R[Ohm]       RG[Ohm]      LS[H]        CP[F]\n");
    double sum[4] = {0, 0, 0, 0};
    for (int i = 0; i < turns; ++i) {
        double row[4];
        for (int c = 0; c < 4; ++c) {
            row[c] = v[2 + c * turns + i];
            sum[c] += row[c];
        }
        out.put("  %- 13.5lg%- 13.5lg%- 13.5lg%- 13.5lg\n", row[0], row[1], row[2], row[3]);
    }
    out.put("  Sum-R        Sum-RG       Sum-LS       Sum-CP\n");
    out.put("  %- 13.5lg%- 13.5lg%- 13.5lg%- 13.5lg\n", sum[0], sum[1], sum[2], sum[3]);
    out.put("\n\n");
}

// The coupled section: one leading value, then the N x N matrices C', C0'
// and R', row by row.
void coupling_matrices(Append& out, int N, const double* v, int n) {
    const int lines = N > 0 ? N : 0;
    if (lines > 0 && (n - 1) / 3 / lines < lines) {
        out.put("eleOut: %d values cannot hold three %d x %d matrices!\n", n, lines, lines);
        return;
    }
    const char* heading[3] = {"Capacitance in Units per Length: C' [pF/m]\n  ",
                              "Capacitance in Units per Length: C0' [pF/m]\n  ",
                              "Resistance in Units per Length: R' [Ohm/m]\n  "};
    const double scale[3] = {1e12, 1e12, 1.0};
    for (int m = 0; m < 3; ++m) {
        if (m > 0) out.put("\n  ");
        out.put("%s", heading[m]);
        const double* block = v + 1 + static_cast<std::size_t>(m) * lines * lines;
        for (int i = 0; i < lines; ++i) {
            for (int j = 0; j < lines; ++j) out.put("%- 13.5lg\t", block[i * lines + j] * scale[m]);
            out.put("\n  ");
        }
    }
    out.put("\n\n");
    out.put("\n\n");
}

// The header of the per-frequency writers; false when nothing is to be
// written for this element.
bool element_heading(Append& out, const char* label, const char* name, const char* heading) {
    if (!out || *text(name) == '\0') return false;
    if (first_frequency()) {
        out.put("%s(%s):\n", text(label), name);
        out.put("%s", heading);
    }
    return true;
}

void resistance_row(const char* label, const char* name, double f, const char* heading, const double* r, int n) {
    Append out(true);
    if (!element_heading(out, label, name, heading)) return;
    out.put("%-9s%- 8.4lg", name, f * 1e-9);
    for (int i = 0; i < n; ++i) out.put("%- 13.5lg", r[i]);
    out.put("\n");
}

void matrix(Append& out, const char* fmt, C2 m, int N) {
    for (int i = 1; i <= N; ++i) {
        for (int j = 1; j <= N; ++j) out.put(fmt, m[i][j].real, m[i][j].imag);
        out.put("\n  ");
    }
}

}  // namespace
}  // namespace mirtex::debug

using namespace mirtex::debug;

extern "C" {

MIRTEX_API void debug_static(const char* label, const char* name, const int* ipar, int n_ipar, const double* dpar,
                             int n_dpar, const int* ipar_out, int n_ipar_out, const double* dpar_out,
                             int n_dpar_out) {
    Append out(false);
    if (!out) return;
    const std::string_view lab = text(label);
    // The whole instance name, however long: a cut name could be another's.
    const char* who = *text(name) != '\0' ? name : "Call from unknown element (no dyn. output)!";
    out.put("%s (%s): ", text(label), who);
    // Feed lines follow their element's report without a separator.
    out.put(lab == "C_FEED" ? "\n\n" : "____________________________________________________________________\n\n");

    const SlotNames* names = slot_names(lab);
    if (names == nullptr) {
        out.put("No Debug Information!\n");
        return;
    }
    if (c_debug.flag_inputs) {
        out.put(" >Input Parameters (int):\n  ");
        if (!named_values(out, names->ipar, ipar, n_ipar, kIntInputs)) return;
        out.put("\n >Input Parameters (double):\n  ");
        if (!named_values(out, names->dpar, dpar, n_dpar, kRealInputs)) return;
    }
    if (!c_debug.flag_static) {
        out.put("\n\n");
        return;
    }
    if (n_ipar_out > 0) {
        out.put("\n >Static Output Parameters (int):\n  ");
        if (name_at(names->ipar_out, 0) != kEnd &&
            !named_values(out, names->ipar_out, ipar_out, n_ipar_out, kIntResults))
            return;
    }
    out.put("\n >Static Output Parameters (double):\n  ");
    if (lab == "C_RIND") {
        spiral_table(out, names->dpar_out, ipar_out, n_ipar_out, dpar_out, n_dpar_out);
        return;
    }
    if (lab == "C_COUP") {
        coupling_matrices(out, n_ipar > 0 ? ipar[0] : 0, dpar_out, n_dpar_out);
        return;
    }
    if (!named_values(out, names->dpar_out, dpar_out, n_dpar_out, kRealResults)) return;
    // The capacitance per area of the element's dielectric, from its
    // permittivity and height, the last two real inputs.
    if ((lab == "C_MIM" || lab == "C_CAPLIN") && n_dpar >= 2)
        out.put("\n  C_square [pF/mm^2] = %-13.5lg", mirtex::kEps0 * dpar[n_dpar - 2] / dpar[n_dpar - 1] * 1e6);
    out.put("\n\n");
}

MIRTEX_API void debug_line(const char* label, const char* name, double f, double R, double G, COMPLEX ZL,
                           COMPLEX gamma) {
    Append out(true);
    const bool resistor = std::string_view(text(label)) == "C_TFR";
    if (!element_heading(out, label, name,
                         resistor ? "Element  f[GHz]  |ZL|[Ohm]    Ang(ZL)  alpha[dB/m]  beta[1/m]\n"
                                  : "Element  f[GHz]  R[Ohm]       G[S]         |ZL|[Ohm]    Ang(ZL)  "
                                    "alpha[dB/m]  beta[1/m]\n"))
        return;
    const double mag = std::hypot(ZL.real, ZL.imag), ang = angle_deg(ZL);
    const double alpha_db = 8.686 * gamma.real, beta = gamma.imag;
    if (resistor)
        out.put("%-9s%- 8.4lg%- 13.5lg%- 13.5lg%- 13.5lg%- 13.5lg\n", name, f * 1e-9, mag, ang, alpha_db, beta);
    else
        out.put("%-9s%- 8.4lg%- 13.5lg%- 13.5lg%- 13.5lg%- 13.5lg%- 13.5lg%- 13.5lg\n", name, f * 1e-9, R, G, mag,
                ang, alpha_db, beta);
}

MIRTEX_API void debug_R1(const char* label, const char* name, double f, double r1) {
    const double r[] = {r1};
    resistance_row(label, name, f, "Element  f[GHz]  R1[Ohm]\n", r, 1);
}

MIRTEX_API void debug_R2(const char* label, const char* name, double f, double r1, double r2) {
    const double r[] = {r1, r2};
    resistance_row(label, name, f, "Element  f[GHz]  R1[Ohm]      R2[Ohm]\n", r, 2);
}

MIRTEX_API void debug_R3(const char* label, const char* name, double f, double r1, double r2, double r3) {
    const double r[] = {r1, r2, r3};
    resistance_row(label, name, f, "Element  f[GHz]  R3[Ohm]      R1[Ohm]      R2[Ohm]\n", r, 3);
}

MIRTEX_API void debug_R4(const char* label, const char* name, double f, double r1, double r2, double r3,
                         double r4) {
    const double r[] = {r1, r2, r3, r4};
    resistance_row(label, name, f, "Element  f[GHz]  R1[Ohm]      R2[Ohm]      R3[Ohm]]      R4[Ohm]\n", r, 4);
}

MIRTEX_API void debug_dyn_empty(const char* label, const char* name) {
    Append out(true);
    if (out && first_frequency()) out.put("%s(%s): no dynamic debug infos\n", text(label), text(name));
}

MIRTEX_API void debug_Coup(const char* label, const char* name, int N, double f, double L, double sigma, C2 Y,
                           C2 ZL, C2 Gamma) {
    Append out(true);
    if (!out || *text(name) == '\0') return;
    if (first_frequency()) {
        out.put("%s(%s):\n", text(label), name);
        out.put("Lines = %d, Length = %8.4lg m, Kappa = %8.4lg\n", N, L, sigma);
    }
    const double ghz = f * 1e-9;
    out.put("\nZl - Matrix of %s at    %8.4lg GHz\n  ", name, ghz);
    matrix(out, "%8.4lg+j(%8.4lg)\t", ZL, N);
    out.put("\n");
    out.put("\nGamma - Matrix of %s at %8.4lg GHz\n  ", name, ghz);
    matrix(out, "%8.4lg+j(%8.4lg)\t", Gamma, N);
    out.put("\n");
    out.put("\nY - Matrix of %s at     %8.4lg GHz\n  ", name, ghz);
    for (int i = 1; i <= N; ++i)
        for (int j = 1; j <= N; ++j) out.put("%8.4le+j(%8.4le)\t", Y[i][j].real, Y[i][j].imag);
    out.put("\n");
}

}  // extern "C"
