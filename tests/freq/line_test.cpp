// Line sections against closed forms: the plain connection, the DC limits,
// the lossless line, the resistance model across its crossover and the
// skin-effect resistance at its limits.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <complex>

#include "freq/freq.h"
#include "numeric/complex.h"

namespace {

using cd = std::complex<double>;
using Y2 = std::array<COMPLEX, 4>;

constexpr double kTwoPi = 6.283185307179586;
constexpr double kMu0 = 1.2566370614359173e-6;

cd c(COMPLEX z) { return {z.real, z.imag}; }

void expect_close(cd got, cd want, double rel, const char* what) {
    EXPECT_LE(std::abs(got - want), rel * std::abs(want)) << what << ": got " << got << ", want " << want;
}

// A realistic solved CPW: 50-ohm-ish on GaAs, 15 um strip, 1 um metal.
std::array<double, 8> cpw_result() {
    const double C = 1.7e-10, L = 4.2e-7;
    return {C, L, 2000.0, 2.0 * C, std::sqrt(L / C), 6.9, 15e-6, 1e-6};
}

TEST(CalcLeitung, ShortSectionIsAConnectionAndLeavesZ0AndGammaAlone) {
    for (double len : {0.0, 9.9e-9, -9.9e-9}) {
        for (double f : {0.0, 0.5, 1e9}) {
            Y2 y{};
            COMPLEX z0{7, 8}, g{9, 10};
            Calc_Leitung(5.0, 4e-7, 1e-3, 1.6e-10, len, f, y.data(), &z0, &g);
            EXPECT_EQ(y[0].real, 1e10);
            EXPECT_EQ(y[3].real, 1e10);
            EXPECT_EQ(y[1].real, -1e10);
            EXPECT_EQ(y[2].real, -1e10);
            for (const auto& e : y) EXPECT_EQ(e.imag, 0.0);
            EXPECT_EQ(z0.real, 7);
            EXPECT_EQ(z0.imag, 8);
            EXPECT_EQ(g.real, 9);
            EXPECT_EQ(g.imag, 10);
        }
    }
}

TEST(CalcLeitung, DirectCurrentCases) {
    const double l = 1e-3, L = 4e-7, C = 1.6e-10;
    Y2 y{};
    COMPLEX z0{}, g{};

    // Neither loss: an ideal connection, Z0 still the lossless value.
    Calc_Leitung(0.0, L, 0.0, C, l, 0.0, y.data(), &z0, &g);
    EXPECT_EQ(y[0].real, 1e10);
    EXPECT_EQ(y[1].real, -1e10);
    EXPECT_DOUBLE_EQ(z0.real, std::sqrt(L / C));
    EXPECT_EQ(g.real, 0.0);

    // Shunt loss only: the connection with half the shunt at each port.
    const double G = 2e-3;
    Calc_Leitung(0.0, L, G, C, l, 0.5, y.data(), &z0, &g);
    EXPECT_DOUBLE_EQ(y[0].real, 1e10 + G * l / 2);
    EXPECT_DOUBLE_EQ(y[3].real, 1e10 + G * l / 2);
    EXPECT_EQ(y[1].real, -1e10);
    EXPECT_EQ(z0.real, 0.0);

    // Series loss only: exactly the resistor R l.
    const double R = 40.0;
    Calc_Leitung(R, L, 0.0, C, l, 0.0, y.data(), &z0, &g);
    EXPECT_DOUBLE_EQ(y[0].real, 1.0 / (R * l));
    EXPECT_DOUBLE_EQ(y[1].real, -1.0 / (R * l));
    EXPECT_EQ(y[0].imag, 0.0);
    EXPECT_EQ(z0.real, 1e10);
    EXPECT_EQ(z0.imag, -1e10);

    // Both: a distributed RG ladder, Y11 = coth(gl)/Z0, Y12 = -1/(Z0 sinh(gl)).
    Calc_Leitung(R, L, G, C, l, 0.0, y.data(), &z0, &g);
    const double gam = std::sqrt(R * G), zz = std::sqrt(R / G);
    EXPECT_DOUBLE_EQ(g.real, gam);
    EXPECT_DOUBLE_EQ(z0.real, zz);
    EXPECT_NEAR(y[0].real, 1.0 / (zz * std::tanh(gam * l)), 1e-9 / (zz * std::tanh(gam * l)));
    EXPECT_NEAR(y[1].real, -1.0 / (zz * std::sinh(gam * l)), 1e-9 / (zz * std::sinh(gam * l)));
    // Short against 1/gamma: the series resistor with half the shunt at each port.
    EXPECT_NEAR(y[0].real + y[1].real, G * l / 2, 1e-3 * G * l);
}

TEST(CalcLeitung, LosslessLineMatchesCotangentAndSineForms) {
    const double L = 4.2e-7, C = 1.7e-10, z0 = std::sqrt(L / C);
    for (double f : {1.0, 1e6, 3e9, 45e9}) {
        for (double l : {1e-6, 250e-6, 3e-3}) {
            Y2 y{};
            COMPLEX Z0{}, g{};
            Calc_Leitung(0.0, L, 0.0, C, l, f, y.data(), &Z0, &g);
            const double beta = kTwoPi * f * std::sqrt(L * C), bl = beta * l;
            if (std::fabs(std::sin(bl)) < 1e-6) continue;  // at resonance the closed form is singular
            expect_close(c(Z0), z0, 1e-12, "Z0");
            expect_close(c(g), cd(0, beta), 1e-12, "gamma");
            expect_close(c(y[0]), cd(0, -1.0 / std::tan(bl) / z0), 1e-9, "Y11");
            expect_close(c(y[1]), cd(0, 1.0 / (z0 * std::sin(bl))), 1e-9, "Y12");
            EXPECT_TRUE(y[0] == y[3] && y[1] == y[2]);
        }
    }
}

TEST(FreqLine, ResistanceIsLinearBelowCrossoverAndContinuousAtIt) {
    const auto res = cpw_result();
    const double sigma = 4.1e7, T = res[7], W = res[6];
    const double x = 5.6e7 / sigma, fc = 3.9313e10 * x / ((T / 1e-6) * (T / 1e-6));
    const double rdc = 1.0 / (T * W * sigma);
    auto R_at = [&](double f) {
        double R = 0, G = 0;
        Y2 y{};
        COMPLEX z{}, g{};
        Freq_Line(res.data(), 0.0, 1e-4, sigma, f, &R, &G, &z, &g, y.data());
        return R;
    };
    // Continuous at f_c, from both sides.
    EXPECT_NEAR(R_at(fc * (1 - 1e-12)), R_at(fc), 1e-9 * R_at(fc));
    EXPECT_NEAR(R_at(fc), res[2] * std::sqrt(x) * std::sqrt(fc / 1e9), 1e-12 * R_at(fc));
    // Straight line from R_dc at DC.
    EXPECT_DOUBLE_EQ(R_at(0.0), rdc);
    EXPECT_NEAR(R_at(fc / 4), rdc + (R_at(fc) - rdc) / 4, 1e-9 * R_at(fc));
    EXPECT_NEAR(R_at(fc / 2), (rdc + R_at(fc)) / 2, 1e-9 * R_at(fc));
    // sqrt(f) above.
    EXPECT_NEAR(R_at(4 * fc), 2 * R_at(fc), 1e-9 * R_at(fc));
}

TEST(FreqLine, OneGigahertzValueNeverBelowDcExceptOnTheGapLine) {
    // A solved R' far below the DC resistance of the strip.
    const double sigma = 5.6e7, f = 100e9;
    std::array<double, 8> line = cpw_result();
    line[2] = 1.0;
    const double rdc = 1.0 / (line[7] * line[6] * sigma);
    double R = 0, G = 0;
    Y2 y{};
    COMPLEX z{}, g{};
    Freq_Line(line.data(), 0.0, 1e-4, sigma, f, &R, &G, &z, &g, y.data());
    EXPECT_GE(R, rdc * std::sqrt(f / 1e9) * (1 - 1e-12));

    // Same layout for the gap line: C', L', GC', R', GC', W, T.
    const std::array<double, 7> gap = {line[0], line[1], 0.0, 1.0, 0.0, line[6], line[7]};
    Freq_Tfg(gap.data(), 0.0, sigma, 1e-4, f, y.data(), &z, &g, &R, &G);
    EXPECT_LT(R, rdc);
}

TEST(FreqLine, NoConductorLossForZeroThicknessOrResistivityButTheGapLineKeepsItsR) {
    std::array<double, 8> line = cpw_result();
    line[7] = 0.0;
    double R = -1, G = 0;
    Y2 y{};
    COMPLEX z{}, g{};
    Freq_Line(line.data(), 6e-4, 1e-4, 4.5e7, 10e9, &R, &G, &z, &g, y.data());
    EXPECT_EQ(R, 0.0);

    const std::array<double, 7> cap = {line[0], line[1], line[3], 50.0, 0.0, 15e-6, 0.0};
    R = -1;
    Freq_Mimlin(cap.data(), 0.0, 6e-4, 4.5e7, 1e-4, 10e9, y.data(), &z, &g, &R, &G);
    EXPECT_EQ(R, 0.0);

    const std::array<double, 7> gap = {line[0], line[1], 1e-4, 50.0, 2.0 * line[0], 15e-6, 0.0};
    Freq_Tfg(gap.data(), 6e-4, 4.5e7, 1e-4, 10e9, y.data(), &z, &g, &R, &G);
    EXPECT_EQ(R, 50.0);

    // Zero resistivity: an infinite conductivity, no conductor loss either.
    const auto res = cpw_result();
    R = -1;
    Freq_Line(res.data(), 0.0, 1e-3, 4.5e7 / 0.0, 10e9, &R, &G, &z, &g, y.data());
    EXPECT_EQ(R, 0.0);
    for (const auto& e : y) EXPECT_TRUE(std::isfinite(e.real) && std::isfinite(e.imag));
}

TEST(FreqLine, DielectricConductanceAndFrontEndsReachTheSameLine) {
    const auto res = cpw_result();
    const double tand = 6e-4, f = 7e9, sigma = 4.5e7, l = 3e-4;
    double R = 0, G = 0;
    Y2 y{}, y2{};
    COMPLEX z{}, g{}, z2{}, g2{};
    Freq_Line(res.data(), tand, l, sigma, f, &R, &G, &z, &g, y.data());
    EXPECT_NEAR(G, kTwoPi * f * tand * res[3], 1e-14 * G);
    Calc_Leitung(R, res[1], G, res[0], l, f, y2.data(), &z2, &g2);
    for (int i = 0; i < 4; ++i) EXPECT_TRUE(y[i] == y2[i]);
    EXPECT_TRUE(z == z2 && g == g2);

    // The capacitive line orders its slots differently but is the same line.
    const std::array<double, 7> cap = {res[0], res[1], res[3], res[2], 0.0, res[6], res[7]};
    double Rm = 0, Gm = 0;
    Freq_Mimlin(cap.data(), 123.0, tand, sigma, l, f, y2.data(), &z2, &g2, &Rm, &Gm);
    EXPECT_EQ(Rm, R);
    EXPECT_EQ(Gm, G);
    for (int i = 0; i < 4; ++i) EXPECT_TRUE(y[i] == y2[i]);

    // Gap line: a constant conductance plus a loss-tangent part.
    const std::array<double, 7> gap = {res[0], res[1], 1e-3, res[2], res[3], res[6], res[7]};
    Freq_Tfg(gap.data(), tand, sigma, l, f, y2.data(), &z2, &g2, &Rm, &Gm);
    EXPECT_NEAR(Gm, 1e-3 + kTwoPi * f * tand * res[3], 1e-14);

    // Resistor line: R' as solved, at every frequency.
    const std::array<double, 4> tfr = {res[0], res[1], res[3], 5e5};
    Freq_Tfr(tfr.data(), tand, l, f, y.data(), &z, &g);
    Calc_Leitung(5e5, res[1], kTwoPi * f * tand * res[3], res[0], l, f, y2.data(), &z2, &g2);
    for (int i = 0; i < 4; ++i) expect_close(c(y[i]), c(y2[i]), 1e-12, "TFR");
}

TEST(Skin, LimitsAndBlend) {
    const double w = 10e-6, l = 50e-6, sigma = 4.1e7;
    const double dc = l / (w * sigma * 1e-6);
    auto surface = [&](double f) {
        const double delta = 1.0 / std::sqrt(f * M_PI * sigma * kMu0);
        return l / (2 * w * sigma * delta);
    };
    EXPECT_EQ(Skin(w, 0.0, l, sigma, 1.0, 1e9), 0.0);
    EXPECT_EQ(Skin(w, -1e-6, l, sigma, 1.0, 1e9), 0.0);
    EXPECT_DOUBLE_EQ(Skin(w, 1e-6, l, sigma, 1.0, 0.0), dc);
    // t / delta < 0.001: 1 um of metal at 1 Hz.
    EXPECT_DOUBLE_EQ(Skin(w, 1e-6, l, sigma, 1.0, 1.0), dc);
    // t / delta > 1000: 1 mm of metal at 1 THz.
    const double thick_dc = l / (w * sigma * 1e-3);
    EXPECT_DOUBLE_EQ(Skin(w, 1e-3, l, sigma, 1.0, 1e12), surface(1e12));
    EXPECT_GT(surface(1e12), thick_dc);
    // In between: never below DC, and near the surface value once t >> delta.
    const double mid = Skin(w, 1e-6, l, sigma, 1.0, 10e9);
    EXPECT_GT(mid, dc);
    const double thick = Skin(w, 20e-6, l, sigma, 1.0, 100e9);  // t/delta about 25
    EXPECT_NEAR(thick, surface(100e9), 1e-6 * thick);
    // Permeability enters as frequency does.
    EXPECT_DOUBLE_EQ(Skin(w, 1e-6, l, sigma, 4.0, 10e9), Skin(w, 1e-6, l, sigma, 1.0, 40e9));
}

TEST(Skin, StaysFiniteWhereHyperbolicFunctionsOverflowAndForPerfectMetal) {
    const double w = 10e-6, l = 50e-6, sigma = 4.1e7;
    // t / delta of about 800.
    const double f = 1e12, delta = 1.0 / std::sqrt(f * M_PI * sigma * kMu0), t = 800 * delta;
    const double r = Skin(w, t, l, sigma, 1.0, f);
    EXPECT_TRUE(std::isfinite(r));
    EXPECT_DOUBLE_EQ(r, l / (2 * w * sigma * delta));
    EXPECT_EQ(Skin(w, 1e-6, l, 4.5e7 / 0.0, 1.0, 1e9), 0.0);
    EXPECT_EQ(Skin(w, 1e-6, l, 4.5e7 / 0.0, 1.0, 0.0), 0.0);
}

}  // namespace
