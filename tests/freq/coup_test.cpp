// Coupled-line sections against closed forms: one conductor is the
// ordinary line, uncoupled conductors are independent lines, a symmetric
// lossless pair propagates its even and odd modes, and the lossy section is
// reciprocal and passive.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <complex>
#include <vector>

#include "freq/freq.h"
#include "numeric/numeric.h"

namespace {

using cd = std::complex<double>;
constexpr double kTwoPi = 6.283185307179586;
constexpr double kC2 = 8.987551667451194e16;

cd c(COMPLEX z) { return {z.real, z.imag}; }

// A 1-based n x n or 2n x 2n matrix handle of the array family, freed at
// the end of the scope.
template <class H>
struct Handle {
    H* h = nullptr;
    ~Handle();
};
template <>
Handle<d2>::~Handle() { ofree_d2(&h); }
template <>
Handle<C2>::~Handle() { ofree_C2(&h); }

// Z of Calc_Multiline for R, L, G, C given row by row.
std::vector<cd> multiline(int n, const std::vector<double>& R, const std::vector<double>& L,
                          const std::vector<double>& G, const std::vector<double>& C, double omega, double l) {
    Handle<d2> r, ll, g, cc;
    Handle<C2> z;
    const std::vector<double>* src[4] = {&R, &L, &G, &C};
    Handle<d2>* dst[4] = {&r, &ll, &g, &cc};
    for (int m = 0; m < 4; ++m) {
        initmem_d2(&dst[m]->h, 1, n, 1, n, 0.0);
        for (int i = 0; i < n; ++i)
            for (int j = 0; j < n; ++j) mirtex::access(dst[m]->h)[i + 1][j + 1] = (*src[m])[i * n + j];
    }
    initmem_C2(&z.h, 1, 2 * n, 1, 2 * n, COMPLEX{0, 0});
    Calc_Multiline(n, r.h, ll.h, g.h, cc.h, omega, l, z.h);
    std::vector<cd> out;
    for (int i = 1; i <= 2 * n; ++i)
        for (int j = 1; j <= 2 * n; ++j) out.push_back(c(mirtex::access(z.h)[i][j]));
    return out;
}

struct CoupOut {
    std::vector<cd> Y, ZL, gamma;
};

// Freq_Coup of a result vector for n conductors.
CoupOut coup(int n, const std::vector<double>& res, double f, double l, double sigma) {
    Handle<C2> y, zl, gm;
    initmem_C2(&y.h, 1, 2 * n, 1, 2 * n, COMPLEX{0, 0});
    initmem_C2(&zl.h, 1, n, 1, n, COMPLEX{0, 0});
    initmem_C2(&gm.h, 1, n, 1, n, COMPLEX{0, 0});
    int ires[1] = {n};
    EXPECT_EQ(Freq_Coup(ires, const_cast<double*>(res.data()), f, l, sigma, y.h, zl.h, gm.h), 0);
    CoupOut o;
    for (int i = 1; i <= 2 * n; ++i)
        for (int j = 1; j <= 2 * n; ++j) o.Y.push_back(c(mirtex::access(y.h)[i][j]));
    for (int i = 1; i <= n; ++i) {
        o.gamma.push_back(c(mirtex::access(gm.h)[i][i]));
        for (int j = 1; j <= n; ++j) o.ZL.push_back(c(mirtex::access(zl.h)[i][j]));
    }
    return o;
}

TEST(Multiline, OneConductorIsTheOrdinaryLine) {
    // Lossless: Z11 = -j Z0 cot(beta l), Z12 = -j Z0 / sin(beta l).
    const double L = 4.2e-7, C = 1.7e-10, l = 1.3e-3, w = kTwoPi * 10e9;
    const double z0 = std::sqrt(L / C), bl = w * std::sqrt(L * C) * l;
    const auto z = multiline(1, {0}, {L}, {0}, {C}, w, l);
    EXPECT_NEAR(std::abs(z[0] - cd(0, -z0 / std::tan(bl))), 0, 1e-9 * z0);
    EXPECT_NEAR(std::abs(z[1] - cd(0, -z0 / std::sin(bl))), 0, 1e-9 * z0);
    EXPECT_NEAR(std::abs(z[3] - z[0]), 0, 1e-9 * z0);
    EXPECT_NEAR(std::abs(z[2] - z[1]), 0, 1e-9 * z0);

    // Lossy: the inverse is the two-port of the same line section.
    const double R = 2000, G = 0.01;
    const auto zl = multiline(1, {R}, {L}, {G}, {C}, w, l);
    COMPLEX y[4], Z0, gamma;
    Calc_Leitung(R, L, G, C, l, w / kTwoPi, y, &Z0, &gamma);
    const cd det = zl[0] * zl[3] - zl[1] * zl[2];
    EXPECT_NEAR(std::abs(zl[3] / det - c(y[0])), 0, 1e-9 * std::abs(c(y[0])));
    EXPECT_NEAR(std::abs(-zl[1] / det - c(y[1])), 0, 1e-9 * std::abs(c(y[1])));
}

TEST(Multiline, UncoupledConductorsAreIndependentLines) {
    const double w = kTwoPi * 3e9, l = 2e-3;
    const std::vector<double> R{1000, 0, 0, 3000}, L{4e-7, 0, 0, 6e-7}, G{0, 0, 0, 0}, C{1.6e-10, 0, 0, 1.1e-10};
    const auto z = multiline(2, R, L, G, C, w, l);
    const auto z1 = multiline(1, {R[0]}, {L[0]}, {0}, {C[0]}, w, l);
    const auto z2 = multiline(1, {R[3]}, {L[3]}, {0}, {C[3]}, w, l);
    // Ports 1, 3 belong to conductor 1 and ports 2, 4 to conductor 2.
    const int p1[2] = {0, 2}, p2[2] = {1, 3};
    for (int a = 0; a < 2; ++a)
        for (int b = 0; b < 2; ++b) {
            EXPECT_NEAR(std::abs(z[p1[a] * 4 + p1[b]] - z1[a * 2 + b]), 0, 1e-9 * std::abs(z1[0]));
            EXPECT_NEAR(std::abs(z[p2[a] * 4 + p2[b]] - z2[a * 2 + b]), 0, 1e-9 * std::abs(z2[0]));
            EXPECT_NEAR(std::abs(z[p1[a] * 4 + p2[b]]), 0, 1e-9 * std::abs(z1[0]));
        }
}

// A symmetric pair: C and C_air with mutual terms, widths, thickness.
std::vector<double> pair_result(double k_loss) {
    const double c11 = 1.8e-10, c12 = -0.35e-10, a11 = 0.3e-10, a12 = -0.06e-10;
    std::vector<double> r{2e-6, c11, c12, c12, c11, a11, a12, a12, a11};
    for (double k : {k_loss, 0.1 * k_loss, 0.1 * k_loss, k_loss}) r.push_back(k);
    r.push_back(15e-6);
    r.push_back(15e-6);
    return r;
}

TEST(Multiline, SymmetricLosslessPairPropagatesEvenAndOddModes) {
    const auto res = pair_result(0.0);
    const double f = 5e9, w = kTwoPi * f;
    // L = C_air^-1 / c²; even mode L11 + L12 with C11 + C12, odd mode the
    // differences.
    const double a11 = res[5], a12 = res[6], det = a11 * a11 - a12 * a12;
    const double l11 = a11 / det / kC2, l12 = -a12 / det / kC2;
    const double be = w * std::sqrt((l11 + l12) * (res[1] + res[2]));
    const double bo = w * std::sqrt((l11 - l12) * (res[1] - res[2]));
    // A near-perfect conductor leaves only the direct-current floor.
    const CoupOut o = coup(2, res, f, 1e-3, 1e30);
    std::vector<double> got{o.gamma[0].imag(), o.gamma[1].imag()};
    std::sort(got.begin(), got.end());
    EXPECT_NEAR(got[0], std::min(be, bo), 1e-9 * be);
    EXPECT_NEAR(got[1], std::max(be, bo), 1e-9 * be);
    for (cd g : o.gamma) EXPECT_GE(g.real(), 0.0);

    // The admittance matrix is the inverse of the section's open-circuit
    // impedance matrix for the same L and C: both ends, every block.
    const double l = 1e-3;
    const auto z = multiline(2, {0, 0, 0, 0}, {l11, l12, l12, l11}, {0, 0, 0, 0}, {res[1], res[2], res[3], res[4]},
                             w, l);
    const CoupOut y = coup(2, res, f, l, 1e30);
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) {
            cd s = 0;
            for (int k = 0; k < 4; ++k) s += y.Y[i * 4 + k] * z[k * 4 + j];
            EXPECT_NEAR(std::abs(s - cd(i == j ? 1.0 : 0.0)), 0, 1e-8) << i << j;
        }
}

TEST(Multiline, LossySectionIsReciprocalAndPassive) {
    const auto res = pair_result(3000.0);
    for (double f : {1e6, 1e9, 3e10}) {
        const CoupOut o = coup(2, res, f, 2e-3, 4.1e7);
        for (int i = 0; i < 4; ++i)
            for (int j = 0; j < 4; ++j)
                EXPECT_NEAR(std::abs(o.Y[i * 4 + j] - o.Y[j * 4 + i]), 0, 1e-9 * std::abs(o.Y[0])) << f;
        // Passive: the Hermitian part Re(x* Y x) >= 0 for every x; the
        // real part of a reciprocal Y is its Hermitian part, so its
        // diagonal and its 2 x 2 principal minors are non-negative.
        for (int i = 0; i < 4; ++i) {
            EXPECT_GE(o.Y[i * 5].real(), 0.0) << f;
            for (int j = i + 1; j < 4; ++j)
                EXPECT_GE(o.Y[i * 5].real() * o.Y[j * 5].real() - std::norm(o.Y[i * 4 + j].real()),
                          -1e-9 * std::norm(o.Y[0])) << f;
        }
        for (cd g : o.gamma) EXPECT_GT(g.real(), 0.0) << f;
    }
    // Direct current: each conductor its own resistor, end to end.
    const CoupOut dc = coup(2, res, 0.0, 2e-3, 4.1e7);
    const double g = 1.0 / (2e-3 / (4.1e7 * 2e-6 * 15e-6));
    EXPECT_NEAR(dc.Y[0].real(), g, 1e-9 * g);
    EXPECT_NEAR(dc.Y[2].real(), -g, 1e-9 * g);
    EXPECT_EQ(dc.Y[1], cd(0.0));
}

}  // namespace

namespace {

// The MIM capacitor's plates as coupled lines: at low frequency the series
// path is the plate capacitance Cm l; it resonates with the inductance of
// the current that runs down one plate and up the other, linearly shared
// between them: L = l (L00 + L01 + L11) / 3 (the magnetic energy of
// I_b = I (1 - z/l), I_t = I z/l).
TEST(Mim, SeriesCapacitanceAndSelfResonanceOfThePlates) {
    const double cm = 2.5e-9, cg = 0.1e-9, l = 100e-6;  // F/m, m
    const double L00 = 4e-7, L01 = 3e-7, L11 = 4.2e-7;   // H/m
    double res[21] = {cg + cm, -cm, -cm, cg + cm, L00, L01, L01, L11, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                      40e-6,   38e-6, 0, 0};
    COMPLEX y[4];
    auto series_z = [&](double f) {
        Freq_Mim(res, 0, 0, 4.1e7, 4.1e7, l, f, 0, y);
        return -1.0 / cd(y[1].real, y[1].imag);
    };
    const double c_low = -1.0 / (kTwoPi * 1e7 * series_z(1e7).imag());
    EXPECT_NEAR(c_low, cm * l, 0.01 * cm * l);
    const double f0 = 1 / (kTwoPi * std::sqrt(l * (L00 + L01 + L11) / 3 * cm * l));
    double lo = 0.2 * f0, hi = 3 * f0;  // Im Z: negative below resonance, positive above
    for (int i = 0; i < 60; ++i) ((series_z(0.5 * (lo + hi)).imag() < 0) ? lo : hi) = 0.5 * (lo + hi);
    EXPECT_NEAR(lo / f0, 1.0, 0.05) << lo << " vs " << f0;
}

}  // namespace
