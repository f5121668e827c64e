// The complex eigen-solver against properties: A V = V diag(w) on random
// matrices of every order up to 20, spectra known by construction, and a
// matrix the iteration cannot finish reported through ierr.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <random>
#include <vector>

#include "numeric/eigen.h"
#include "numeric/numeric.h"

namespace {

using cd = std::complex<double>;
using Mat = std::vector<cd>;  // row by row

struct Eigen {
    std::vector<cd> w;
    Mat v;  // vector k in column k
    int ierr = 0;
};

// Through the exported CG and dimensioned arrays, as the line code calls it.
Eigen solve(const Mat& a, int n) {
    d2 *ar = nullptr, *ai = nullptr, *zr = nullptr, *zi = nullptr;
    d1 *wr = nullptr, *wi = nullptr;
    for (d2** h : {&ar, &ai, &zr, &zi}) initmem_d2(h, 1, n, 1, n, 0.0);
    for (d1** h : {&wr, &wi}) initmem_d1(h, 1, n, 0.0);
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) {
            mirtex::access(ar)[i + 1][j + 1] = a[i * n + j].real();
            mirtex::access(ai)[i + 1][j + 1] = a[i * n + j].imag();
        }
    Eigen e;
    CG(n, ar, ai, wr, wi, 1, zr, zi, &e.ierr);
    for (int k = 1; k <= n; ++k) e.w.emplace_back(mirtex::access(wr)[k], mirtex::access(wi)[k]);
    for (int i = 1; i <= n; ++i)
        for (int j = 1; j <= n; ++j) e.v.emplace_back(mirtex::access(zr)[i][j], mirtex::access(zi)[i][j]);
    for (d2** h : {&ar, &ai, &zr, &zi}) ofree_d2(h);
    for (d1** h : {&wr, &wi}) ofree_d1(h);
    return e;
}

double norm(const Mat& a) {
    double s = 0;
    for (cd x : a) s += std::norm(x);
    return std::sqrt(s);
}

// max |A v_k - w_k v_k| relative to |A| |v_k|, over every column k.
double residual(const Mat& a, const Eigen& e, int n) {
    double worst = 0;
    for (int k = 0; k < n; ++k) {
        double r = 0, vn = 0;
        for (int i = 0; i < n; ++i) {
            cd s = 0;
            for (int j = 0; j < n; ++j) s += a[i * n + j] * e.v[j * n + k];
            r += std::norm(s - e.w[k] * e.v[i * n + k]);
            vn += std::norm(e.v[i * n + k]);
        }
        worst = std::max(worst, std::sqrt(r / vn) / norm(a));
    }
    return worst;
}

// The computed spectrum equals the expected one up to order.
void expect_spectrum(std::vector<cd> got, std::vector<cd> want, double tol) {
    auto less = [](cd x, cd y) { return x.real() != y.real() ? x.real() < y.real() : x.imag() < y.imag(); };
    std::sort(got.begin(), got.end(), less);
    std::sort(want.begin(), want.end(), less);
    for (std::size_t k = 0; k < want.size(); ++k) EXPECT_NEAR(std::abs(got[k] - want[k]), 0.0, tol) << k;
}

TEST(ComplexEigen, RandomMatricesOfEveryOrderSatisfyTheEigenEquation) {
    std::mt19937 rng(17);
    std::uniform_real_distribution<double> u(-1, 1);
    for (int n = 1; n <= 20; ++n)
        for (int rep = 0; rep < 5; ++rep) {
            Mat a(n * n);
            // Entries over six decades exercise the balancing.
            for (cd& x : a) x = cd(u(rng), u(rng)) * std::pow(10.0, 3 * u(rng));
            const Eigen e = solve(a, n);
            ASSERT_EQ(e.ierr, 0) << n;
            EXPECT_LT(residual(a, e, n), 1e-12) << "order " << n;
        }
}

TEST(ComplexEigen, SpectraKnownByConstruction) {
    std::mt19937 rng(3);
    std::uniform_real_distribution<double> u(-2, 2);
    const int n = 7;
    std::vector<cd> roots;
    for (int k = 0; k < n; ++k) roots.emplace_back(u(rng), u(rng));

    // Diagonal (every row isolated by the balancing) and upper triangular.
    Mat diag(n * n), tri(n * n);
    for (int i = 0; i < n; ++i) {
        diag[i * n + i] = tri[i * n + i] = roots[i];
        for (int j = i + 1; j < n; ++j) tri[i * n + j] = cd(u(rng), u(rng));
    }
    expect_spectrum(solve(diag, n).w, roots, 1e-14);
    const Eigen t = solve(tri, n);
    expect_spectrum(t.w, roots, 1e-12);
    EXPECT_LT(residual(tri, t, n), 1e-12);

    // Companion matrix of prod (x - r_k): its eigenvalues are the roots.
    std::vector<cd> poly{1.0};  // coefficients, highest first
    for (cd r : roots) {
        std::vector<cd> next(poly.size() + 1, 0.0);
        for (std::size_t k = 0; k < poly.size(); ++k) {
            next[k] += poly[k];
            next[k + 1] -= r * poly[k];
        }
        poly = next;
    }
    Mat comp(n * n);
    for (int j = 0; j < n; ++j) comp[j] = -poly[j + 1];
    for (int i = 1; i < n; ++i) comp[i * n + i - 1] = 1.0;
    expect_spectrum(solve(comp, n).w, roots, 1e-9);

    // Hermitian: real eigenvalues, independent eigenvectors.
    Mat h(n * n);
    for (int i = 0; i < n; ++i) {
        h[i * n + i] = u(rng);
        for (int j = i + 1; j < n; ++j) {
            h[i * n + j] = cd(u(rng), u(rng));
            h[j * n + i] = std::conj(h[i * n + j]);
        }
    }
    const Eigen he = solve(h, n);
    EXPECT_LT(residual(h, he, n), 1e-12);
    for (cd w : he.w) EXPECT_NEAR(w.imag(), 0.0, 1e-12 * norm(h));
}

TEST(ComplexEigen, AnIterationThatCannotFinishIsReported) {
    // No subdiagonal element of a NaN matrix ever counts as negligible, so
    // the iteration runs to its limit: ierr names the eigenvalue.
    Mat a(9, cd(1.0, 0.5));
    a[4] = cd(std::nan(""), 0.0);
    EXPECT_GT(solve(a, 3).ierr, 0);
    // An overflowed entry beside finite ones: the balancing ends (it used
    // to rescale the row for ever) and the failure is reported.
    Mat b(4, cd(1.0, 0.0));
    b[1] = cd(HUGE_VAL, 0.0);
    EXPECT_GT(solve(b, 2).ierr, 0);
}

}  // namespace
