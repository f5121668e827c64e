// Real and complex matrices: the inversion's exact cases and its accuracy on
// random matrices, in-place use, blocks of larger arrays, the element-wise
// and product routines, and the printed format.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <random>
#include <string>
#include <vector>

#include "numeric/numeric.h"

namespace {

using Cvec = std::vector<COMPLEX>;

double* dbl(Cvec& v) { return reinterpret_cast<double*>(v.data()); }

Cvec random_complex(int n, int ld, std::mt19937& rng) {
    std::uniform_real_distribution<double> u(-1.0, 1.0);
    Cvec a(static_cast<std::size_t>(n) * ld, COMPLEX{99.0, 99.0});
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) a[i * ld + j] = {u(rng), u(rng)};
    return a;
}

TEST(Inversion, OffDiagonalPermutationIsExactWithItsSign) {
    Cvec a = {{0, 0}, {1, 0}, {1, 0}, {0, 0}};
    Cvec b(4);
    double det[2] = {7, 7};
    EXPECT_EQ(Cmatinv(dbl(a), 2, dbl(b), 2, 2, det), 0);
    EXPECT_EQ(det[0], -1.0);
    EXPECT_EQ(det[1], 0.0);
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(b[k].real, a[k].real) << k;
        EXPECT_EQ(b[k].imag, 0.0) << k;
    }
    // A cyclic permutation with complex entries needs both kinds of exchange.
    Cvec p = {{0, 0}, {0, 2}, {0, 0}, {0, 0}, {0, 0}, {4, 0}, {-1, 0}, {0, 0}, {0, 0}};
    Cvec q(9);
    EXPECT_EQ(Cmatinv(dbl(p), 3, dbl(q), 3, 3, det), 0);
    const Cvec want = {{0, 0}, {0, 0}, {-1, 0}, {0, -0.5}, {0, 0}, {0, 0}, {0, 0}, {0.25, 0}, {0, 0}};
    for (int k = 0; k < 9; ++k) {
        EXPECT_EQ(q[k].real, want[k].real) << k;
        EXPECT_EQ(q[k].imag, want[k].imag) << k;
    }
    EXPECT_EQ(det[0], 0.0);
    EXPECT_EQ(det[1], -8.0);  // an even permutation: 2i * 4 * (-1)

    double r[4] = {0, 1, 1, 0}, ri[4];
    double rdet = 0;
    EXPECT_EQ(Rmatinv(r, 2, ri, 2, 2, &rdet), 0);
    EXPECT_EQ(rdet, -1.0);
    EXPECT_EQ(ri[1], 1.0);
    EXPECT_EQ(ri[0], 0.0);
}

TEST(Inversion, SingularMatricesReturnOneWithDeterminantZero) {
    Cvec z(9, COMPLEX{0, 0}), out(9);
    double det[2] = {5, 5};
    EXPECT_EQ(Cmatinv(dbl(z), 3, dbl(out), 3, 3, det), 1);
    EXPECT_EQ(det[0], 0.0);
    EXPECT_EQ(det[1], 0.0);
    // Rank 1: the second stage finds nothing left.
    double r[4] = {1, 2, 2, 4}, ri[4];
    double rdet = 5;
    EXPECT_EQ(Rmatinv(r, 2, ri, 2, 2, &rdet), 1);
    EXPECT_EQ(rdet, 0.0);
}

TEST(Inversion, DiagonalTiesNeedNoExchange) {
    Cvec id = {{1, 0}, {0, 0}, {0, 0}, {0, 0}, {1, 0}, {0, 0}, {0, 0}, {0, 0}, {1, 0}};
    Cvec out(9);
    double det[2];
    EXPECT_EQ(Cmatinv(dbl(id), 3, dbl(out), 3, 3, det), 0);
    for (int k = 0; k < 9; ++k) {
        EXPECT_EQ(out[k].real, id[k].real) << k;
        EXPECT_EQ(out[k].imag, 0.0) << k;
    }
    EXPECT_EQ(det[0], 1.0);
    EXPECT_EQ(det[1], 0.0);
    // Equal sizes off the diagonal keep the diagonal pivot: [[2, -2], [2, 2]].
    double r[4] = {2, -2, 2, 2}, ri[4], rdet;
    EXPECT_EQ(Rmatinv(r, 2, ri, 2, 2, &rdet), 0);
    EXPECT_EQ(rdet, 8.0);
    EXPECT_EQ(ri[0], 0.25);
    EXPECT_EQ(ri[1], 0.25);
    EXPECT_EQ(ri[2], -0.25);
    EXPECT_EQ(ri[3], 0.25);
}

TEST(Inversion, RandomComplexMatricesUpTo31) {
    std::mt19937 rng(2024);
    for (int n = 1; n <= 31; ++n) {
        SCOPED_TRACE(n);
        const int ld = n + 3;  // a block of a larger array
        Cvec a = random_complex(n, ld, rng);
        Cvec b(static_cast<std::size_t>(n) * ld, COMPLEX{-5.0, -5.0});
        double det[2];
        ASSERT_EQ(Cmatinv(dbl(a), ld, dbl(b), ld, n, det), 0);
        for (int i = 0; i < n; ++i)
            for (int j = n; j < ld; ++j) ASSERT_EQ(b[i * ld + j].real, -5.0) << "outside the block";
        Cvec prod(static_cast<std::size_t>(n) * n);
        Cmatmul(dbl(a), ld, dbl(b), ld, dbl(prod), n, n, n, n);
        double worst = 0;
        for (int i = 0; i < n; ++i)
            for (int j = 0; j < n; ++j)
                worst = std::max(worst, std::hypot(prod[i * n + j].real - (i == j), prod[i * n + j].imag));
        EXPECT_LT(worst, 1e-12);
        // In place: the same operations on the same numbers, so the same
        // bits.  Inverting the inverse gives det(A^-1) = 1 / det(A).
        Cvec in = a;
        double det2[2];
        ASSERT_EQ(Cmatinv(dbl(in), ld, dbl(in), ld, n, det2), 0);
        for (int i = 0; i < n * ld; ++i) ASSERT_TRUE(i % ld >= n || in[i] == b[i]) << i;
        EXPECT_TRUE(det2[0] == det[0] && det2[1] == det[1]);
        ASSERT_EQ(Cmatinv(dbl(in), ld, dbl(in), ld, n, det2), 0);
        const auto one = std::complex<double>(det[0], det[1]) * std::complex<double>(det2[0], det2[1]);
        EXPECT_LT(std::abs(one - 1.0), 1e-11);
    }
}

TEST(Inversion, RandomRealMatricesInPlace) {
    std::mt19937 rng(99);
    std::uniform_real_distribution<double> u(-1.0, 1.0);
    for (int n = 1; n <= 20; ++n) {
        std::vector<double> a(static_cast<std::size_t>(n) * n), inv, prod(a.size());
        for (double& x : a) x = u(rng);
        inv = a;
        double det = 0;
        ASSERT_EQ(Rmatinv(inv.data(), n, inv.data(), n, n, &det), 0);
        Rmatmul(a.data(), n, inv.data(), n, prod.data(), n, n, n, n);
        std::vector<double> id(a.size(), 0.0);
        for (int i = 0; i < n; ++i) id[i * n + i] = 1.0;
        EXPECT_LT(Rmatdif(prod.data(), n, id.data(), n, n, n), 1e-12 * n * n) << n;
        double det2 = 0;
        Rmatinv(inv.data(), n, inv.data(), n, n, &det2);
        EXPECT_NEAR(det * det2, 1.0, 1e-11) << n;
    }
}

TEST(Inversion, FailedBookkeepingAllocationIsReported) {
    Cvec a = {{2, 0}, {0, 0}, {0, 0}, {2, 0}}, b(4, COMPLEX{0, 0});
    double det[2] = {1, 1};
    mirtex::fail_g_malloc_after(1);  // the first index array, not the second
    EXPECT_EQ(Cmatinv(dbl(a), 2, dbl(b), 2, 2, det), 2);
    mirtex::fail_g_malloc_after(-1);
    EXPECT_EQ(det[0], 0.0);
    double r[1] = {4}, ri[1], rdet;
    EXPECT_EQ(Rmatinv(r, 1, ri, 1, 0, &rdet), 0) << "an empty matrix is its own inverse";
    EXPECT_EQ(rdet, 1.0);
}

TEST(TwoByTwo, AgreeWithTheGeneralRoutines) {
    Cvec a = {{1, 2}, {0.5, -1}, {-3, 0.25}, {2, 2}}, inv(4), general(4);
    const COMPLEX det = Cmatinv_2(a.data(), inv.data());
    double gdet[2];
    Cmatinv(dbl(a), 2, dbl(general), 2, 2, gdet);
    EXPECT_NEAR(det.real, gdet[0], 1e-14);
    EXPECT_NEAR(det.imag, gdet[1], 1e-14);
    for (int k = 0; k < 4; ++k) {
        EXPECT_NEAR(inv[k].real, general[k].real, 1e-14);
        EXPECT_NEAR(inv[k].imag, general[k].imag, 1e-14);
    }
    // In place: every input is read before an output is written.
    Cvec same = a;
    Cmatinv_2(same.data(), same.data());
    EXPECT_EQ(same[3].real, inv[3].real);
    Cmatmul_2(same.data(), a.data(), same.data());
    EXPECT_NEAR(same[0].real, 1.0, 1e-14);
    EXPECT_NEAR(same[2].imag, 0.0, 1e-14);

    double r[4] = {4, 7, 2, 6}, ri[4], rp[4];
    EXPECT_EQ(Rmatinv_2(r, ri), 10.0);
    Rmatmul_2(r, ri, rp);
    EXPECT_NEAR(rp[0], 1.0, 1e-15);
    EXPECT_NEAR(rp[2], 0.0, 1e-15);
    const COMPLEX zero_det = Cmatinv_2(Cvec(4, COMPLEX{1, 0}).data(), inv.data());
    EXPECT_EQ(zero_det.real, 0.0);
    EXPECT_FALSE(std::isfinite(inv[0].real)) << "the determinant is not tested";
}

TEST(ElementWise, BlocksOfLargerArraysAndInPlaceResults) {
    // 2 x 3 blocks of arrays with leading dimension 4.
    Cvec a(8), b(8), c(8, COMPLEX{-9, -9});
    for (int k = 0; k < 8; ++k) a[k] = {double(k), double(-k)}, b[k] = {1.0, double(k)};
    Cmatadd(dbl(a), 4, dbl(b), 4, dbl(c), 4, 2, 3);
    EXPECT_TRUE(c[5] == Cmplx(6.0, 0.0));
    EXPECT_EQ(c[3].real, -9.0) << "column 3 is outside the block";
    Cmatsub(dbl(a), 4, dbl(b), 4, dbl(a), 4, 2, 3);  // into a source
    EXPECT_TRUE(a[6] == Cmplx(5.0, -12.0));
    Cmatmulk(dbl(b), 4, dbl(b), 4, 2.0, 2, 3);
    Cmatcon(dbl(b), 4, dbl(c), 4, 2, 3);
    EXPECT_TRUE(c[2] == Cmplx(2.0, -4.0));
    Cvec t(6);
    Cmattra(dbl(b), 4, dbl(t), 2, 2, 3);  // 3 x 2 result
    EXPECT_TRUE(t[2 * 2 + 1] == b[1 * 4 + 2]);
    double sq[8] = {};
    Cmatsqr(dbl(b), 4, sq, 4, 2, 3);
    EXPECT_EQ(sq[5], 4.0 + 100.0);
    Cmatadd(dbl(a), 4, dbl(b), 4, dbl(c), 4, 0, 3);  // no rows: nothing
    EXPECT_EQ(c[0].real, 2.0);
    Cmatfil(t.data(), 2, 3, 1.5, -2.0);
    Cmatmov(t.data(), c.data(), 3, 2);
    EXPECT_TRUE(c[5] == Cmplx(1.5, -2.0));

    double ra[6] = {1, 2, 3, 4, 5, 6}, rb[6] = {6, 5, 4, 3, 2, 1}, rc[6], rt[6];
    Rmatsub(ra, 3, rb, 3, ra, 3, 2, 3);
    EXPECT_EQ(ra[0], -5.0);
    Rmatadd(ra, 3, rb, 3, rc, 3, 2, 3);
    EXPECT_EQ(rc[4], 5.0);
    Rmatmulk(rb, 3, rc, 3, -1.0, 2, 3);
    Rmattra(rb, 3, rt, 2, 2, 3);
    EXPECT_EQ(rt[1], 3.0);
    EXPECT_EQ(Rmatdif(rb, 3, rc, 3, 2, 3), 42.0);
    EXPECT_EQ(Rmatdif(rb, 3, rc, 3, 0, 0), 0.0);
}

TEST(Printing, OneLinePerElementWithFixedFields) {
    double a[4] = {1.0, 99.0, -0.00025, 99.0};
    char name[] = "Y";
    testing::internal::CaptureStdout();
    Rmatprn(name, a, 2, 2, 1);
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(out, "Y[ 0][ 0]= 1.0000000000e+00\nY[ 1][ 0]=-2.5000000000e-04\n");
    double big[12 * 12] = {};
    big[11 * 12 + 10] = 3.0;
    testing::internal::CaptureStdout();
    Rmatprn(name, big + 11 * 12 + 10, 12, 1, 1);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Y[ 0][ 0]= 3.0000000000e+00\n");
}

}  // namespace
