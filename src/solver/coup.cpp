// The coupled-line cross-section: N conductors (the n lines and the two
// ground strips) on the graded grid of the line solver, excited one at a
// time at 1 V with all others at 0 V, once in air and once with the
// dielectric stack.  The charge on conductor i with conductor k driven is
// the Maxwell capacitance coefficient c_ki: positive on the driven
// conductor, negative (induced) on the others.  The air matrix gives the
// inductance (L = eps0 mu0 C_air^-1), the dielectric one the capacitance,
// and the surface-current sums the conductor losses.
#include <cmath>
#include <cstring>
#include <vector>

#include "binding/messages.h"
#include "numeric/memory.h"
#include "cache/calc_file.h"
#include "params/coup_layout.h"
#include "solver/line.h"

namespace mirtex::solver {
namespace {

using params::CoupInts, params::CoupReals, params::CoupResults, params::CoupIntResults;
constexpr int kMaxConductors = 12;
constexpr char kFile[] = "cpw_coup.cdb";
constexpr char kIdent[] = "Tessaric Coupled Lines";

// A stored coupled section is physical only with positive self
// capacitances, non-positive couplings and non-negative losses on the
// diagonal.
bool coup_result_is_physical(const int* iout, int n_iout, const double* out, int n) {
    if (n_iout < CoupIntResults::kSlots) return true;
    const int N = params::read_layout<CoupIntResults>(iout).N;
    if (N < 1 || n != CoupResults::kSlots + N + 3 * N * N) return true;
    const double* r = out + CoupResults::kSlots;  // the matrices
    for (int m = 0; m < 2; ++m)
        for (int i = 0; i < N; ++i)
            for (int j = 0; j < N; ++j) {
                const double c = r[m * N * N + i * N + j];
                if (i == j ? !(c > 0) : !(c <= 0)) return false;
            }
    for (int i = 0; i < N; ++i)
        if (!(r[2 * N * N + i * N + i] >= 0)) return false;
    return true;
}
[[maybe_unused]] const bool kCoupCheck = register_result_check(kFile, coup_result_is_physical);

struct CoupLayout {
    bool ok = false;
    std::string problem;
    BandStack stack;
    int N = 0, nsym = 0;
    ConductorSpan spans[kMaxConductors];
};

CoupLayout coup_layout(const CoupInts& in, const double* dpar, int n_dpar) {
    CoupLayout l;
    l.N = in.N;
    l.nsym = in.NSYM;
    const double met = params::read_layout<CoupReals>(dpar).MET;
    l.stack = BandStack{in.L1, in.N1, in.N2, in.N3, in.N4, in.N5, in.H1, in.H2, met};
    if (l.N < 3 || l.N > kMaxConductors || n_dpar != CoupReals::kSlots + 3 * l.N) {
        l.problem = format("%d conductors in a vector of %d values", l.N, n_dpar);
        return l;
    }
    if (l.nsym < 1 || l.nsym > l.N || !l.stack.valid() || l.stack.rows0 != (met != 0.0 ? 8 : 5)) {
        l.problem = format("box of L1/DL=%d with bands %d, %d, %d, %d, %d does not fit the grid", in.L1, in.N1,
                           in.N2, in.N3, in.N4, in.N5);
        return l;
    }
    const int last = l.stack.columns(kBand0);
    const double* columns = dpar + CoupReals::kSlots;  // first and last of each conductor
    int prev = 1;
    for (int c = 0; c < l.N; ++c) {
        const double a = columns[2 * c], b = columns[2 * c + 1];
        l.spans[c] = {static_cast<int>(a), static_cast<int>(b)};
        // In order, at least one free column between neighbours and to the
        // grounded walls.
        if (!(a == std::floor(a) && b == std::floor(b) && a > prev && b >= a && b < last)) {
            l.problem = format("conductor %d at columns %lg..%lg does not fit columns 2..%d after %d", c + 1, a, b,
                               last - 1, prev);
            return l;
        }
        prev = static_cast<int>(b) + 1;
    }
    l.ok = true;
    return l;
}

}  // namespace
}  // namespace mirtex::solver

extern "C" MIRTEX_API int Calc_Coup(int* ipar, double* dpar, int n_dpar, int* ipar_out, double** dpar_out,
                                    int* n_dpar_out) {
    using namespace mirtex::solver;
    const auto in = mirtex::params::read_layout<CoupInts>(ipar);
    const int N = in.N;
    if (N < 1 || N > kMaxConductors) return kFailed;
    const int n_out = CoupResults::kSlots + 3 * N * N + N;
    if (*dpar_out == nullptr || *n_dpar_out != n_out) {
        if (*dpar_out != nullptr) g_free(reinterpret_cast<char*>(*dpar_out));
        *dpar_out = static_cast<double*>(g_malloc(static_cast<long>(n_out) * static_cast<long>(sizeof(double))));
        *n_dpar_out = *dpar_out != nullptr ? n_out : 0;
        if (*dpar_out == nullptr) return kOutOfMemory;
    }
    double* out = *dpar_out;
    if (ReadCalc(kFile, kIdent, ipar, CoupInts::kSlots, dpar, n_dpar, ipar_out, CoupIntResults::kSlots, out, n_out) ==
        0)
        return 0;
    mirtex::send_info("Calculating C_COUP");

    const CoupLayout layout = coup_layout(in, dpar, n_dpar);
    if (!layout.ok) {
        mirtex::send_error("ERROR: %.*s: %s! Failed to Calculate Element!",
                           mirtex::run_label_length(), mirtex::run_label(),
                           layout.problem.c_str());
        return kFailed;
    }
    const BandStack& st = layout.stack;
    LineGrid grid(st);
    if (!grid) return grid.status();

    const std::size_t nn = static_cast<std::size_t>(N) * N;
    std::vector<double> air(nn, 0.0), die(nn, 0.0), loss(nn, 0.0);
    const auto re = mirtex::params::read_layout<CoupReals>(dpar);
    const double dl = re.DL, alpha = re.ALPHA, bound = re.BOUND;
    for (int k = 0; k < layout.nsym; ++k) {
        // Excitation k in air, then with the layers.
        for (int pass = 0; pass < 2; ++pass) {
            const double e3 = pass == 0 ? 1.0 : re.ER3, e2 = pass == 0 ? 1.0 : re.ER2, e1 = pass == 0 ? 1.0 : re.ER1;
            if (pass == 0) {
                // A fresh field: the last excitation's potentials would
                // otherwise hold nodes at exactly 0 or 1 that the kernel
                // takes for fixed.
                grid.fill_start();
                grid.ground();
                grid.paint(layout.spans, N, k);
            }
            const std::string caption = mirtex::format("%d/%d", 2 * k + 1 + pass, 2 * layout.nsym);
            mirtex::copy_bounded(text_iteration, sizeof text_iteration, caption);
            const int rc = iteration(e3, e2, e1, st.nx, st.m4, st.m2, st.k1, st.rows0, st.n4, st.h1, st.h2, st.met,
                                     bound, alpha);
            if (rc != 0) return rc;
            const Layers eps{e3, e2, e1, -2.0 * st.h2};
            ChargeSums s[kMaxConductors];
            for (int i = 0; i < N; ++i) s[i] = charge2d(st, pot_0, layout.spans[i], nullptr, 0, eps);
            for (int i = 0; i < N; ++i) {
                (pass == 0 ? air : die)[k * N + i] = s[i].charge;
                // The loss of conductor i with k driven: the squared surface
                // currents of i over the square of the driven conductor's
                // total current, as for the single line's R'.
                if (pass == 1) loss[k * N + i] = s[k].qs > 0.0 ? 0.01646 * s[i].ss / (dl * s[k].qs * s[k].qs) : 0.0;
            }
        }
    }

    // Maxwell matrices: eps0 |q| on the diagonal, -eps0 |q| off it.
    for (std::vector<double>* m : {&air, &die})
        for (int k = 0; k < layout.nsym; ++k)
            for (int i = 0; i < N; ++i) {
                const double q = kEps0 * std::fabs((*m)[k * N + i]);
                (*m)[k * N + i] = i == k ? q : -q;
            }
    // The rows of the mirrored excitations.
    for (std::vector<double>* m : {&air, &die, &loss})
        for (int k = layout.nsym; k < N; ++k)
            for (int i = 0; i < N; ++i) (*m)[k * N + i] = (*m)[(N - 1 - k) * N + (N - 1 - i)];
    for (std::vector<double>* m : {&air, &die, &loss})
        for (int i = 0; i < N; ++i)
            for (int j = i + 1; j < N; ++j) (*m)[i * N + j] = (*m)[j * N + i] = 0.5 * ((*m)[i * N + j] + (*m)[j * N + i]);

    CoupResults r;
    r.T = re.T;
    mirtex::params::write_layout(r, out);
    double* tables = out + CoupResults::kSlots;
    std::memcpy(tables, die.data(), nn * sizeof(double));
    std::memcpy(tables + nn, air.data(), nn * sizeof(double));
    std::memcpy(tables + 2 * nn, loss.data(), nn * sizeof(double));
    const double* widths = dpar + CoupReals::kSlots + 2 * N;
    std::memcpy(tables + 3 * nn, widths, static_cast<std::size_t>(N) * sizeof(double));
    CoupIntResults counts;
    counts.N = N;
    mirtex::params::write_layout(counts, ipar_out);
    WriteCalc(kFile, kIdent, ipar, CoupInts::kSlots, dpar, n_dpar, ipar_out, CoupIntResults::kSlots, out, n_out);
    return 0;
}
