// The solved values of an instance, for a host that summarises an analysis
// for the designer: the cross-section's impedance, effective permittivity
// and loss, or a component's lumped values, with the grid step they were
// solved at.  Reached through sim_query_info: "describeInstance" gives a
// line of text, "describeValues" the same values in SI units for scripts.
// Nothing is solved here, so an instance whose result is not cached is not
// described.
#include <cmath>
#include <complex>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "binding/messages.h"
#include "debug/slot_names.h"
#include "drivers/driver.h"
#include "drivers/extrapolate.h"
#include "drivers/solved3d.h"
#include "freq/circuits.h"
#include "freq/freq.h"
#include "params/assembly.h"
#include "params/component_layout.h"
#include "params/coup_layout.h"
#include "params/rind_layout.h"
#include "params/params.h"

namespace mirtex::drivers {
namespace {

constexpr double kDbPerNeper = 8.685889638065037;

// One solved value in SI units; at_hz names the frequency of a value that
// depends on it.
struct Value {
    std::string name;
    double si;
    const char* unit;  // "F", "H", "ohm", "S", "Hz", "F/m", "dB/m" or "" (a pure number)
    double at_hz = 0;
};

struct Description {
    std::vector<Value> values;
    double dl = 0;  // the grid step they were solved at [m]
    // Extrapolated to the fine-grid limit from DL and 2 DL: all values, or
    // where only some are, those named in `limit`.
    bool extrapolated = false;
    std::vector<std::string> limit;
};

// ZL, eps_eff and the loss at f of a line result.
void line_values(const double* res, double tand, double sigma, double f, Description& d) {
    double R = 0, G = 0;
    COMPLEX z{}, g{};
    COMPLEX y[4];
    Freq_Line(res, tand, 1e-3, sigma, f, &R, &G, &z, &g, y);
    const auto r = params::read_layout<params::LineResults>(res);
    const double w = kTwoPi * f;
    const std::complex<double> gamma =
        std::sqrt(std::complex<double>(R, w * r.L_per_m) * std::complex<double>(G, w * r.C_per_m));
    d.values = {{"ZL", r.ZL, "ohm"}, {"eps_eff", r.ER_eff, ""}, {"loss", kDbPerNeper * gamma.real(), "dB/m", f}};
}

bool cached(const ResultVectors& v) { return v.lookup(); }

// Z into port 1 of the spiral's equivalent circuit with port 2 grounded.
std::complex<double> spiral_input(const int* iout, const double* v, double sigma, double f) {
    double R = 0;
    COMPLEX Y[4];
    Freq_Ind2(iout, v, sigma, f, &R, Y);
    return 1.0 / std::complex<double>(Y[0].real, Y[0].imag);
}

// The spiral's results are per segment (R at 1 GHz for the reference
// conductivity, R at DC, LS, CP, each a column of N values after T and
// Cs): their sums, and from
// its equivalent circuit with port 2 grounded the first self-resonance
// (the inductive reactance passes through zero) and the peak of
// Q = Im Z / Re Z below it, with the frequency of that peak.  A log scan
// from 10 MHz finds both; bisection and a parabola through the scan's
// largest Q refine them.
void spiral_values(const int* iout, const double* v, int n, double sigma, Description& d) {
    using params::RindResults;
    const int segments = params::read_layout<params::RindIntResults>(iout).NFP;
    if (segments < 1 || n < params::rind_result_slots(segments)) return;
    double sum[params::kRindColumns] = {};
    for (int c = 0; c < params::kRindColumns; ++c)
        for (int i = 0; i < segments; ++i)
            sum[c] += v[params::rind_column(static_cast<params::RindColumn>(c), segments) + i];
    d.values = {{"L", sum[params::kRindL], "H"},
                {"R", sum[params::kRindR1GHz], "ohm", 1e9},
                {"C", sum[params::kRindC], "F"},
                {"Cs", params::read_layout<RindResults>(v).Cs, "F"}};
    constexpr int kSteps = 1200;          // 200 per decade
    constexpr double kLow = 1e7, kRatio = 1.0115794542598986;  // 10^(1/200)
    auto q_at = [&](double f) {
        const std::complex<double> z = spiral_input(iout, v, sigma, f);
        return z.imag() / z.real();
    };
    double f = kLow, best_f = 0, best_q = 0, srf = 0;
    for (int k = 0; k < kSteps && srf == 0; ++k, f *= kRatio) {
        if (spiral_input(iout, v, sigma, f * kRatio).imag() < 0) {
            double lo = f, hi = f * kRatio;
            for (int i = 0; i < 40; ++i) {
                const double mid = std::sqrt(lo * hi);
                (spiral_input(iout, v, sigma, mid).imag() < 0 ? hi : lo) = mid;
            }
            srf = std::sqrt(lo * hi);
        }
        const double q = q_at(f);
        if (q > best_q) {
            best_q = q;
            best_f = f;
        }
    }
    if (best_f > kLow && best_f * kRatio < (srf > 0 ? srf : kLow * std::pow(kRatio, kSteps))) {
        // The vertex of the parabola through the peak and its neighbours, in log f.
        const double a = q_at(best_f / kRatio), c = q_at(best_f * kRatio), den = a - 2 * best_q + c;
        if (den < 0) {
            const double t = 0.5 * (a - c) / den;
            best_f *= std::pow(kRatio, t);
            best_q = q_at(best_f);
        }
    }
    if (best_q > 0) {
        d.values.push_back({"Q_peak", best_q, ""});
        d.values.push_back({"f_Q", best_f, "Hz"});
    }
    if (srf > 0) d.values.push_back({"f_res", srf, "Hz"});
}

// The unit a value is shown in and the factor to it: farads as pF or fF,
// henries as nH or pH, frequencies in GHz, per-metre values per mm.
struct Display {
    double factor;
    const char* unit;
};
Display display(const Value& x) {
    const std::string_view u = x.unit;
    const double a = std::fabs(x.si);
    if (u == "F") return a >= 1e-12 ? Display{1e12, "pF"} : Display{1e15, "fF"};
    if (u == "H") return a >= 1e-9 ? Display{1e9, "nH"} : Display{1e12, "pH"};
    if (u == "Hz") return {1e-9, "GHz"};
    if (u == "F/m") return {1e9, "pF/mm"};
    if (u == "dB/m") return {1e-3, "dB/mm"};
    if (u == "S") return {1e3, "mS"};
    if (u == "m") return {1e6, "um"};
    return {1, x.unit};
}

// "Cs = 1.478 fF", "loss = 0.12 dB/mm at 10 GHz".
std::string shown(const Value& x) {
    const Display s = display(x);
    std::string text = format("%s = %.4g%s%s", x.name.c_str(), x.si * s.factor, *s.unit ? " " : "", s.unit);
    if (x.at_hz > 0) text += format(" at %.4g GHz", x.at_hz * 1e-9);
    return text;
}

std::string text_of(const Description& d) {
    std::string text;
    for (const Value& x : d.values) text += (text.empty() ? "" : ", ") + shown(x);
    if (d.dl > 0 && d.extrapolated) {
        std::string some;
        for (const std::string& name : d.limit) some += (some.empty() ? "" : ", ") + name;
        text += format(" (%s%sextrapolated from DL %.4g and %.4g um", some.c_str(), some.empty() ? "" : " ", d.dl * 1e6,
                       2 * d.dl * 1e6);
        text += some.empty() ? ")" : format("; the others at DL %.4g um)", d.dl * 1e6);
    } else if (d.dl > 0) {
        text += format(" (DL %.4g um)", d.dl * 1e6);
    }
    return text;
}

// Per value "name\tvalue\tunit\tfactor\tshown unit\n": SI at full
// precision, and the factor and unit the summary shows it in; a value tied
// to a frequency is followed by "name@f" in Hz, the grid step comes last as
// "DL".
std::string list_of(const Description& d) {
    std::string text;
    auto add = [&](const Value& x) {
        const Display s = display(x);
        text += format("%s\t%.17g\t%s\t%.17g\t%s\n", x.name.c_str(), x.si, x.unit, s.factor, s.unit);
    };
    for (const Value& x : d.values) {
        add(x);
        if (x.at_hz > 0) add({x.name + "@f", x.at_hz, "Hz"});
    }
    if (d.dl > 0) add({"DL", d.dl, "m"});
    // 1: the values are extrapolated to the fine-grid limit from DL and 2 DL
    // (where only some are, "extrapolated <name>" 1 for each of them).
    if (d.extrapolated) add({"extrapolated", 1, ""});
    for (const std::string& name : d.limit) add({"extrapolated " + name, 1, ""});
    return text;
}

// The description of an instance; false when it has none or its result is
// not cached.
bool describe(UserInstDef* inst, double f, Description& d) {
    const char* def = inst->def->name;
    WarningList w;
    double a = 0, b = 0, c = 0, e = 0, g = 0, h = 0;
    int flag = 0, n = 0;
    if (!std::strcmp(def, "CxLIN") || !std::strcmp(def, "CxFEED") || !std::strcmp(def, "CxMETVIA")) {
        const int rc = std::strcmp(def, "CxMETVIA") ? cpw_line_get(inst, w.list(), &a, &b, &c)
                                                     : cpw_metvia_get(inst, w.list(), &a, &b, &c);
        if (rc == 1 || !cached(MIRTEX_RESULT_VECTORS(line, line, line))) return false;
        line_values(line_dpar_out, b, conductivity(a), f, d);
        d.dl = debug::solved_step("C_LIN", line_dpar, line_n_dpar);
    } else if (!std::strcmp(def, "CxTFR")) {
        if (cpw_tfr_get(inst, w.list(), &a, &b, &c, &e, &g) == 1 || !cached(MIRTEX_RESULT_VECTORS(tfr, tfr, tfr)))
            return false;
        d.values = {{"R", params::read_layout<params::TfrResults>(tfr_dpar_out).R_per_m * (g - 2 * e), "ohm"}};
        d.dl = debug::solved_step("C_TFR", tfr_dpar, tfr_n_dpar);
    } else if (!std::strcmp(def, "CxTFG")) {
        if (cpw_tfg_get(inst, w.list(), &a, &b, &c, &e, &g, &h) == 1 || !cached(MIRTEX_RESULT_VECTORS(tfg, tfg, tfg)))
            return false;
        // The section between the leads: its capacitance and its constant
        // conductance through the resistive layer.
        const double len = h - 2 * g;
        const auto r = params::read_layout<params::TfgResults>(tfg_dpar_out);
        d.values = {{"C", r.C_per_m * len, "F"}, {"G", r.g_film * len, "S"}};
        d.dl = debug::solved_step("C_TFG", tfg_dpar, tfg_n_dpar);
    } else if (!std::strcmp(def, "CxMIM")) {
        if (cpw_mim_get(inst, w.list(), &a, &b, &c, &e, &g, &h, &flag) == 1 ||
            !cached(MIRTEX_RESULT_VECTORS(mim, mim, mim)))
            return false;
        d.values = {{"C", -params::read_layout<params::MimResults>(mim_dpar_out).C01 * (h - 2 * c), "F"}};
        d.dl = debug::solved_step("C_MIM", mim_dpar, mim_n_dpar);
    } else if (!std::strcmp(def, "CxCAPLIN")) {
        if (cpw_mimlin_get(inst, w.list(), &a, &b, &c, &e, &g) == 1 ||
            !cached(MIRTEX_RESULT_VECTORS(mimlin, mimlin, mimlin)))
            return false;
        const auto r = params::read_layout<params::CaplinResults>(mimlin_dpar_out);
        d.values = {{"plate C'", r.Cm_per_m, "F/m"}, {"C'", r.C_per_m, "F/m"}};
        d.dl = debug::solved_step("C_CAPLIN", mimlin_dpar, mimlin_n_dpar);
    } else if (std::sscanf(def, "C_%dCOUP", &n) == 1) {
        if (cpw_coup_get(inst, w.list(), &a, &b, n) == 1 || !cached(MIRTEX_RESULT_VECTORS(coup, coup, coup)))
            return false;
        const int N = params::read_layout<params::CoupIntResults>(coup_ipar_out).N;
        // Each line with all other conductors grounded: its impedance
        // sqrt(eps0 mu0 / (C_kk C_air,kk)) and eps_eff C_kk / C_air,kk.
        const double* die = coup_dpar_out + params::CoupResults::kSlots;
        const double* air = die + N * N;
        for (int k = 1; k + 1 < N; ++k) {
            const double cd = die[k * N + k], ca = air[k * N + k];
            d.values.push_back({format("ZL%d", k), std::sqrt(kEps0Mu0 / (cd * ca)), "ohm"});
            d.values.push_back({format("eps_eff%d", k), cd / ca, ""});
        }
        d.dl = debug::solved_step("C_COUP", coup_dpar, coup_n_dpar);
    } else {
        const Solved3D* k = solved_3d(def);
        if (k == nullptr) return false;
        // The spiral's equivalent circuit needs its metal's conductivity.
        const bool spiral = !std::strcmp(def, "CxRIND");
        double rho_gnd = 0, L1 = 0, L2 = 0;
        const int rc = spiral ? cpw_rindE_get(inst, w.list(), &a, &rho_gnd, &b, &L1, &L2) : run_builder(inst, w.list());
        if (rc != 0 || !cached(k->v)) return false;
        const ResultVectors& v = k->v;
        if (spiral)
            spiral_values(*v.ipar_out, *v.dpar_out, *v.n_dpar_out, conductivity(a), d);
        else
            for (const auto& x : debug::lumped_values(k->label, *v.dpar_out, *v.n_dpar_out))
                d.values.push_back({x.word, x.value, x.unit});
        d.dl = debug::solved_step(k->label, *v.dpar, *v.n_dpar);
        d.extrapolated = holds_extrapolated(v);
        // Of the spiral only the segment capacitances come from the field:
        // C and what the resonance makes of it.
        if (spiral && d.extrapolated)
            for (const Value& x : d.values)
                if (x.name == "C" || x.name == "Q_peak" || x.name == "f_Q" || x.name == "f_res")
                    d.limit.push_back(x.name);
    }
    return !d.values.empty();
}

// Writes text into buf (size bytes, always terminated).
int describe_into(UserInstDef* inst, double f, char* buf, int size, std::string (*as)(const Description&)) {
    if (inst == nullptr || inst->def == nullptr || buf == nullptr || size < 1) return 1;
    const mirtex::params::OutsideAnalysis outside;
    buf[0] = '\0';
    try {
        Description d;
        if (!describe(inst, f, d)) return 1;
        std::snprintf(buf, static_cast<std::size_t>(size), "%s", as(d).c_str());
        return 0;
    } catch (...) {
        return 1;
    }
}

}  // namespace
}  // namespace mirtex::drivers

// The description at f as one line of text ("Cs = 1.478 fF, ... (DL 2.5
// um)") or as the value list; 0 when there is one, 1 when the element has
// none or its result is not cached.
extern "C" int mirtex_describe_instance(UserInstDef* inst, double f, char* buf, int size) {
    return mirtex::drivers::describe_into(inst, f, buf, size, mirtex::drivers::text_of);
}

extern "C" int mirtex_describe_values(UserInstDef* inst, double f, char* buf, int size) {
    return mirtex::drivers::describe_into(inst, f, buf, size, mirtex::drivers::list_of);
}
