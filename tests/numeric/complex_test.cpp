// Scalar complex arithmetic: branch cuts and special values, the two
// divisions each keeping its own rounding, and the transcendental routines
// against the standard library's complex functions.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <random>

#include "numeric/complex.h"

namespace {

constexpr double kTwoPi = 6.283185307179586;

std::complex<double> std_of(COMPLEX z) { return {z.real, z.imag}; }

void expect_near(COMPLEX got, std::complex<double> want, double rel) {
    const double tol = rel * std::max(1.0, std::abs(want));
    EXPECT_NEAR(got.real, want.real(), tol);
    EXPECT_NEAR(got.imag, want.imag(), tol);
}

TEST(ComplexRoots, PrincipalBranchWithTheCutOnTheNegativeAxis) {
    for (auto root : {Csqrt, c_sqrt}) {
        const COMPLEX up = root({-4.0, 0.0});
        const COMPLEX down = root({-4.0, -0.0});
        // cos(pi/2) is not exactly 0 in doubles: the real part is 2 cos(pi/2).
        EXPECT_NEAR(up.real, 0.0, 1e-15);
        EXPECT_GE(up.real, 0.0);
        EXPECT_EQ(up.imag, 2.0);
        EXPECT_NEAR(down.real, 0.0, 1e-15);
        EXPECT_EQ(down.imag, -2.0);
        const COMPLEX zero = root({0.0, 0.0});
        EXPECT_EQ(zero.real, 0.0);
        EXPECT_EQ(zero.imag, 0.0);
        EXPECT_EQ(root({9.0, 0.0}).real, 3.0);
    }
    const COMPLEX z = Csqrt({-0.0, -0.0});
    EXPECT_FALSE(std::signbit(z.real) || std::signbit(z.imag)) << "exact zero, before any other step";

    std::mt19937 rng(7);
    std::uniform_real_distribution<double> u(-10.0, 10.0);
    for (int i = 0; i < 200; ++i) {
        const COMPLEX a = {u(rng), u(rng)};
        const COMPLEX r = Csqrt(a);
        EXPECT_GE(r.real, 0.0);
        expect_near(Cmul(r, r), std_of(a), 1e-14);
        expect_near(c_sqrt(a), std::sqrt(std_of(a)), 1e-14);
    }
}

TEST(ComplexDivision, EachDivisionKeepsItsOwnRounding) {
    // zokaC_div divides both parts by |b|^2; Cdiv multiplies by 1/|b|^2.  Find
    // operands where the two differ and check each against its own recipe.
    std::mt19937 rng(3);
    std::uniform_real_distribution<double> u(-3.0, 3.0);
    int differing = 0;
    for (int i = 0; i < 2000; ++i) {
        const COMPLEX a = {u(rng), u(rng)}, b = {u(rng), u(rng)};
        const double d = b.real * b.real + b.imag * b.imag;
        const double tr = a.real * b.real - a.imag * -b.imag;
        const double ti = a.real * -b.imag + a.imag * b.real;
        const COMPLEX z = zokaC_div(a, b), c = Cdiv(a, b);
        ASSERT_EQ(z.real, tr / d);
        ASSERT_EQ(z.imag, ti / d);
        const double r = 1.0 / d;
        ASSERT_EQ(c.real, r * tr);
        ASSERT_EQ(c.imag, r * ti);
        differing += (z.real != c.real || z.imag != c.imag);
        expect_near(c, std_of(a) / std_of(b), 1e-14);
    }
    EXPECT_GT(differing, 0);
}

TEST(ComplexDivision, ByZeroGivesNonFiniteParts) {
    for (auto div : {Cdiv, zokaC_div}) {
        const COMPLEX q = div({1.0, 2.0}, {0.0, 0.0});
        EXPECT_FALSE(std::isfinite(q.real));
        EXPECT_FALSE(std::isfinite(q.imag));
    }
    const COMPLEX inv = Cinv({0.0, 0.0});
    EXPECT_FALSE(std::isfinite(inv.real));
}

TEST(ComplexSigns, ConjugateAndNegationFlipSignBits) {
    EXPECT_TRUE(std::signbit(Conj({1.0, 0.0}).imag));
    EXPECT_TRUE(std::signbit(c_conjg({1.0, 0.0}).imag));
    const COMPLEX n = Cneg({0.0, 0.0});
    EXPECT_TRUE(std::signbit(n.real) && std::signbit(n.imag));
    EXPECT_TRUE(c_abs({-3.0, 4.0}) == Cmplx(5.0, 0.0));
    EXPECT_TRUE(Csqr({1.0, 2.0}) == Cmplx(-3.0, 4.0)) << "the square, not the root";
}

TEST(ComplexFunctions, AgreeWithTheStandardLibrary) {
    std::mt19937 rng(11);
    std::uniform_real_distribution<double> u(-4.0, 4.0);
    for (int i = 0; i < 200; ++i) {
        const COMPLEX z = {u(rng), u(rng)};
        const auto s = std_of(z);
        expect_near(Cexp(z), std::exp(s), 1e-14);
        expect_near(c_exp(z), std::exp(s), 1e-14);
        expect_near(Csinh(z), std::sinh(s), 1e-13);
        expect_near(Ccosh(z), std::cosh(s), 1e-13);
        expect_near(Ctanh(z), std::tanh(s), 1e-13);
        expect_near(Ccoth(z), 1.0 / std::tanh(s), 1e-12);
        expect_near(Clog(z), std::log(s), 1e-14);
        expect_near(Cinv(z), 1.0 / s, 1e-14);
        expect_near(M_to_C(C_to_M(z)), s, 1e-14);
        expect_near(c_mul_k(z, 2.5), 2.5 * s, 0);
    }
}

TEST(MagnitudeAngle, ZeroHasAngleZero) {
    for (COMPLEX z : {COMPLEX{0.0, 0.0}, COMPLEX{-0.0, -0.0}, COMPLEX{-0.0, 0.0}}) {
        const MAG_ANG m = C_to_M(z);
        EXPECT_EQ(m.mag, 0.0);
        EXPECT_EQ(m.ang, 0.0);
    }
    EXPECT_DOUBLE_EQ(C_to_M({-1.0, -0.0}).ang, -M_PI);
    EXPECT_DOUBLE_EQ(C_to_M({0.0, 2.0}).ang, M_PI / 2);
}

// The angular distance of two angles, by the shortest way round.
double true_distance(double a, double b) { return std::fabs(std::remainder(a - b, kTwoPi)); }

TEST(MagnitudeAngle, DifferenceTakesTheShortWayRound) {
    MAG_ANG d = Mag_Dif({1.0, 0.1}, {1.0, kTwoPi - 0.1});
    EXPECT_EQ(d.mag, 0.0);
    EXPECT_NEAR(d.ang, 0.2, 1e-15);
    d = Mag_Dif({3.0, kTwoPi + 0.3}, {1.0, 0.1});  // above one turn: reduced first
    EXPECT_EQ(d.mag, 2.0);
    EXPECT_NEAR(d.ang, 0.2, 1e-14);
    // Angles on both sides of zero more than a turn apart still give a
    // distance in [0, pi].
    for (double a = -6.2; a <= 6.2; a += 0.7) {
        for (double b = -6.2; b <= 6.2; b += 0.9) {
            const double ang = Mag_Dif({0.0, a}, {0.0, b}).ang;
            EXPECT_GE(ang, 0.0) << a << " " << b;
            EXPECT_NEAR(ang, true_distance(a, b), 1e-12) << a << " " << b;
        }
    }
    EXPECT_TRUE(std::isnan(Mag_Dif({1.0, NAN}, {1.0, 0.0}).ang));
}

TEST(ComplexOperators, AreTheCapitalisedRoutines) {
    const COMPLEX a = {1.25, -0.5}, b = {0.3, 0.7};
    const COMPLEX q = a / b, p = a * b + b, r = Cadd(Cmul(a, b), b), c = Cdiv(a, b);
    EXPECT_EQ(q.real, c.real);
    EXPECT_EQ(q.imag, c.imag);
    EXPECT_TRUE(p == r);
    EXPECT_TRUE(2.0 * a == Csmul(a, 2.0));
}

}  // namespace
