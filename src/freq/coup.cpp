// Multiconductor line sections by modal decomposition.
//
// n coupled conductors over ground with per-unit-length matrices Z' = R +
// jwL and Y' = G + jwC obey d²V/dz² = Z'Y' V.  The eigenvectors T of Z'Y'
// are the modal voltage patterns and the square roots of its eigenvalues
// the modal propagation constants gamma_k.  With the modal amplitudes of
// the forward and backward waves as unknowns, the voltages and currents at
// both ends of a section of length l give a linear system whose solution is
// the open-circuit impedance matrix of the 2n-port (ports 1..n the near
// ends, n+1..2n the far ends, currents into the section).
#include <cmath>
#include <new>
#include <vector>

#include "freq/freq.h"
#include "freq/lumped.h"
#include "numeric/complex.h"
#include "numeric/eigen.h"
#include "numeric/matrix.h"
#include "params/coup_layout.h"

namespace mirtex::freq {
namespace {

constexpr double kLightSpeedSquared = 8.987551667451194e16;  // m²/s²

// Working storage of the modal solution, kept for the process so that an
// evaluation at every frequency allocates nothing once n has been seen.
struct ModalWork {
    int n = 0;
    std::vector<COMPLEX> P, T, Tinv, U, M, N, TI, Zp, Yp;
    std::vector<double> Lm, Cair;
    std::vector<double> ar, ai, zr, zi, wr, wi;
    std::vector<double*> rows;
    std::vector<COMPLEX> gamma, dminus, dplus;

    void size_for(int k) {
        if (k == n) return;
        const std::size_t nn = static_cast<std::size_t>(k) * k, mm = 4 * nn;
        for (auto* v : {&P, &T, &Tinv, &U, &TI, &Zp, &Yp}) v->assign(nn, COMPLEX{0.0, 0.0});
        Lm.assign(nn, 0.0);
        Cair.assign(nn, 0.0);
        M.assign(mm, COMPLEX{0.0, 0.0});
        N.assign(mm, COMPLEX{0.0, 0.0});
        for (auto* v : {&ar, &ai, &zr, &zi}) v->assign(nn, 0.0);
        wr.assign(k + 1, 0.0);
        wi.assign(k + 1, 0.0);
        gamma.assign(k, COMPLEX{0.0, 0.0});
        dminus.assign(k, COMPLEX{0.0, 0.0});
        dplus.assign(k, COMPLEX{0.0, 0.0});
        // 1-based row pointers into ar, ai, zr, zi for the eigen-solver.
        rows.assign(4 * static_cast<std::size_t>(k + 1), nullptr);
        double* base[4] = {ar.data(), ai.data(), zr.data(), zi.data()};
        for (int m = 0; m < 4; ++m)
            for (int i = 1; i <= k; ++i) rows[m * (k + 1) + i] = base[m] + (i - 1) * k - 1;
        n = k;
    }
    double** row(int m) { return rows.data() + m * (n + 1); }
};

ModalWork& work() {
    static ModalWork w;
    return w;
}

double* d(COMPLEX* p) { return reinterpret_cast<double*>(p); }
double* d(const COMPLEX* p) { return reinterpret_cast<double*>(const_cast<COMPLEX*>(p)); }

// The eigen-decomposition of Z'Y': voltage patterns T (one per column),
// T^-1, and the modal propagation constants, with attenuation and phase
// taken non-negative so that the wave travelling in +z decays.  A failed
// iteration is not fatal here: its values pass on and the driver's guard
// sees them.
void decompose(ModalWork& w, int n, const COMPLEX* Zp, const COMPLEX* Yp) {
    double det[2];
    Cmatmul(d(Zp), n, d(Yp), n, d(w.P.data()), n, n, n, n);
    for (std::size_t k = 0; k < w.P.size(); ++k) {
        w.ar[k] = w.P[k].real;
        w.ai[k] = w.P[k].imag;
    }
    complex_eigen(n, w.row(0), w.row(1), w.wr.data(), w.wi.data(), true, w.row(2), w.row(3));
    for (std::size_t k = 0; k < w.T.size(); ++k) w.T[k] = COMPLEX{w.zr[k], w.zi[k]};
    Cmatinv(d(w.T.data()), n, d(w.Tinv.data()), n, n, det);
    for (int k = 0; k < n; ++k) w.gamma[k] = Csqrt(COMPLEX{w.wr[k + 1], std::fabs(w.wi[k + 1])});
}

// The modal solution of a section: Z (2n x 2n, leading dimension 2n) from
// Z' and Y' (n x n).  Leaves T, the propagation constants and the
// products in the work storage for the caller.
void modal_section(ModalWork& w, int n, const COMPLEX* Zp, const COMPLEX* Yp, double l, COMPLEX* Z) {
    const int n2 = 2 * n;
    double det[2];
    decompose(w, n, Zp, Yp);

    for (int k = 0; k < n; ++k) {
        const COMPLEX g = w.gamma[k];
        const COMPLEX ep = Cexp(g * l), em = Cexp(g * (-l));
        w.dminus[k] = em - ep;
        w.dplus[k] = em + ep;
    }
    // U = Gamma^-1 T^-1 Z'
    Cmatmul(d(w.Tinv.data()), n, d(Zp), n, d(w.U.data()), n, n, n, n);
    for (int k = 0; k < n; ++k) {
        const COMPLEX inv = Cdiv(COMPLEX{1.0, 0.0}, w.gamma[k]);
        for (int j = 0; j < n; ++j) w.U[k * n + j] = inv * w.U[k * n + j];
    }
    // M = [[-D+ T^-1, 2 T^-1], [D- T^-1, 0]],  N = [[D- U, 0], [-D+ U, -2 U]]
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) {
            const COMPLEX t = w.Tinv[i * n + j], u = w.U[i * n + j];
            w.M[i * n2 + j] = -(w.dplus[i] * t);
            w.M[i * n2 + n + j] = t * 2.0;
            w.M[(n + i) * n2 + j] = w.dminus[i] * t;
            w.M[(n + i) * n2 + n + j] = COMPLEX{0.0, 0.0};
            w.N[i * n2 + j] = w.dminus[i] * u;
            w.N[i * n2 + n + j] = COMPLEX{0.0, 0.0};
            w.N[(n + i) * n2 + j] = -(w.dplus[i] * u);
            w.N[(n + i) * n2 + n + j] = u * (-2.0);
        }
    Cmatinv(d(w.M.data()), n2, d(w.M.data()), n2, n2, det);
    Cmatmul(d(w.M.data()), n2, d(w.N.data()), n2, d(Z), n2, n2, n2, n2);
}

// The short-circuit admittance matrix of the same section directly, for
// the evaluation at every frequency.  Inverting Z = M^-1 N gives Y = N^-1 M,
// and N is block triangular with blocks built of U alone, so that
//   Y11 = Y22 = Yc coth(gamma l) T^-1,   Y12 = Y21 = -Yc csch(gamma l) T^-1,
// with the modal characteristic admittance matrix Yc = U^-1 = Z'^-1 T Gamma:
// two n x n inversions in place of two of order 2n.  coth and csch are
// formed from exp(-gamma l), which stays bounded for the decaying waves, so
// an electrically long lossy section does not overflow.
void modal_admittance(ModalWork& w, int n, const COMPLEX* Zp, const COMPLEX* Yp, double l, COMPLEX* Y) {
    const int n2 = 2 * n;
    double det[2];
    decompose(w, n, Zp, Yp);
    for (int k = 0; k < n; ++k) {
        const COMPLEX e1 = Cexp(w.gamma[k] * (-l)), e2 = e1 * e1, den = COMPLEX{1.0, 0.0} - e2;
        w.dplus[k] = Cdiv(COMPLEX{1.0, 0.0} + e2, den);  // coth(gamma l)
        w.dminus[k] = Cdiv(e1 * 2.0, den);               // csch(gamma l)
    }
    // Yc = Z'^-1 (T Gamma), in U; T Gamma in P.
    for (int i = 0; i < n; ++i)
        for (int k = 0; k < n; ++k) w.P[i * n + k] = w.T[i * n + k] * w.gamma[k];
    Cmatinv(d(Zp), n, d(w.N.data()), n, n, det);
    Cmatmul(d(w.N.data()), n, d(w.P.data()), n, d(w.U.data()), n, n, n, n);
    for (int part = 0; part < 2; ++part) {
        const std::vector<COMPLEX>& diag = part == 0 ? w.dplus : w.dminus;
        for (int i = 0; i < n; ++i)
            for (int k = 0; k < n; ++k) w.P[i * n + k] = w.U[i * n + k] * diag[k];
        Cmatmul(d(w.P.data()), n, d(w.Tinv.data()), n, d(w.M.data()), n, n, n, n);
        for (int i = 0; i < n; ++i)
            for (int j = 0; j < n; ++j) {
                const COMPLEX v = part == 0 ? w.M[i * n + j] : -w.M[i * n + j];
                const int r = part == 0 ? 0 : n;
                Y[i * n2 + r + j] = v;
                Y[(n + i) * n2 + (n - r) + j] = v;
            }
    }
}

}  // namespace
}  // namespace mirtex::freq

using mirtex::access;
using mirtex::freq::ModalWork;
using mirtex::freq::work;

extern "C" {

MIRTEX_API void Calc_Multiline(int n, d2* R, d2* L, d2* G, d2* C, double omega, double l, C2* Z) {
    if (n < 1 || Z == nullptr) return;
    try {
        ModalWork& w = work();
        w.size_for(n);
        std::vector<COMPLEX>& Zp = w.Zp;
        std::vector<COMPLEX>& Yp = w.Yp;
        const d2 r = access(R), ll = access(L), g = access(G), c = access(C);
        for (int i = 1; i <= n; ++i)
            for (int j = 1; j <= n; ++j) {
                Zp[(i - 1) * n + j - 1] = COMPLEX{r[i][j], omega * ll[i][j]};
                Yp[(i - 1) * n + j - 1] = COMPLEX{g[i][j], omega * c[i][j]};
            }
        mirtex::freq::modal_section(w, n, Zp.data(), Yp.data(), l, &access(Z)[1][1]);
    } catch (const std::bad_alloc&) {
        // No work space: Z keeps what the caller put there.
    }
}

MIRTEX_API int Freq_Coup(int* ires, double* res, double f, double l, double sigma, C2* Y, C2* ZL, C2* Gamma) {
    using mirtex::freq::kLightSpeedSquared;
    using mirtex::freq::kTwoPi;
    using namespace mirtex::params;
    const int n = read_layout<CoupIntResults>(ires).N;
    const int n2 = 2 * n;
    const std::size_t nn = static_cast<std::size_t>(n) * n;
    COMPLEX* y = &access(Y)[1][1];
    const double T = read_layout<CoupResults>(res).T;
    const double* Cd = res + CoupResults::kSlots;
    const double* Ca = Cd + nn;
    const double* K = Ca + nn;
    const double* W = K + nn;

    if (std::fabs(l) < mirtex::freq::kShortSection) {
        // No length: each conductor joins its two ends, uncoupled, as a
        // single line of no length does.
        for (int i = 0; i < n; ++i) {
            y[i * n2 + i] = y[(n + i) * n2 + n + i] = COMPLEX{mirtex::freq::kConnection, 0.0};
            y[i * n2 + n + i] = y[(n + i) * n2 + i] = COMPLEX{-mirtex::freq::kConnection, 0.0};
        }
        return 0;
    }
    if (f == 0.0) {
        // Direct current: each conductor a plain resistor between its two
        // ends, uncoupled; the rest of the matrix keeps the caller's zeros.
        for (int i = 0; i < n; ++i) {
            const double Ri = std::fmax(1.0 / (sigma * T * W[i]), 1e-5);
            const double g = 1.0 / (Ri * l);
            y[i * n2 + i] = y[(n + i) * n2 + n + i] = COMPLEX{g, 0.0};
            y[i * n2 + n + i] = y[(n + i) * n2 + i] = COMPLEX{-g, 0.0};
        }
        return 0;
    }

    try {
        ModalWork& w = work();
        w.size_for(n);
        std::vector<double>& Lm = w.Lm;
        std::vector<double>& Cair = w.Cair;
        std::vector<COMPLEX>& Zp = w.Zp;
        std::vector<COMPLEX>& Yp = w.Yp;
        Cair.assign(Ca, Ca + nn);
        double det[2];
        // L = C_air^-1 / c²: the inductance of the conductors is that of the
        // same arrangement in vacuum.
        Rmatinv(Cair.data(), n, Lm.data(), n, n, det);
        const double omega = kTwoPi * f;
        for (int i = 0; i < n; ++i)
            for (int j = 0; j < n; ++j) {
                const std::size_t k = static_cast<std::size_t>(i) * n + j;
                const double rdc = i != j ? 0.0 : T == 0.0 ? 1e-10 : 1.0 / (sigma * T * W[i]);
                // The 1-GHz loss matrix K, for the reference metal, at f.
                Zp[k] = COMPLEX{mirtex::freq::skin_scaled(K[k], rdc, T, sigma, f, true), omega * Lm[k] / kLightSpeedSquared};
                Yp[k] = COMPLEX{0.0, omega * Cd[k]};
            }
        mirtex::freq::modal_admittance(w, n, Zp.data(), Yp.data(), l, y);

        // Modal characteristic impedances: voltage over current of conductor
        // i in mode k, with the current patterns T_I = Y' T Gamma^-1.
        COMPLEX* gm = &access(Gamma)[1][1];
        COMPLEX* zl = &access(ZL)[1][1];
        Cmatmul(reinterpret_cast<double*>(Yp.data()), n, reinterpret_cast<double*>(w.T.data()), n,
                reinterpret_cast<double*>(w.TI.data()), n, n, n, n);
        for (int k = 0; k < n; ++k) {
            gm[k * n + k] = w.gamma[k];
            const COMPLEX inv = Cdiv(COMPLEX{1.0, 0.0}, w.gamma[k]);
            for (int i = 0; i < n; ++i) zl[i * n + k] = Cdiv(w.T[i * n + k], w.TI[i * n + k] * inv);
        }
        return 0;
    } catch (const std::bad_alloc&) {
        return 1;
    }
}

}  // extern "C"
