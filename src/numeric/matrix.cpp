#include "numeric/matrix.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <utility>

#include "numeric/complex.h"
#include "numeric/memory.h"

namespace cx = mirtex::cx;

namespace {

// Complex matrices arrive as interleaved doubles; element (i, j) of leading
// dimension ld is the COMPLEX at i*ld + j.
COMPLEX* cplx(double* p) { return reinterpret_cast<COMPLEX*>(p); }

// f(i, j) over a rows x cols block; nothing for an empty block.
template <class F>
void each(int rows, int cols, F f) {
    for (int i = 0; i < rows; ++i)
        for (int j = 0; j < cols; ++j) f(i, j);
}

// Arithmetic of the elimination on both element kinds.  The pivot size is
// |p|^2 for COMPLEX and |p| for double; the complex quotients x / p are
// written out as x conj(p) with each part divided by |p|^2.
struct RealOps {
    using T = double;
    static double size(double x) { return std::fabs(x); }
    static double one() { return 1.0; }
    static double zero() { return 0.0; }
    static double neg(double x) { return -x; }
    static double muladd(double acc, double a, double b) { return acc + a * b; }
    static double mul(double a, double b) { return a * b; }
    static double div(double x, double p, double) { return x / p; }
    static double div_neg(double x, double p, double) { return x / -p; }
    static double inv(double p, double) { return 1.0 / p; }
    static void put_det(double* det, double d) { *det = d; }
};

struct ComplexOps {
    using T = COMPLEX;
    static double size(COMPLEX x) { return x.real * x.real + x.imag * x.imag; }
    static COMPLEX one() { return {1.0, 0.0}; }
    static COMPLEX zero() { return {0.0, 0.0}; }
    static COMPLEX neg(COMPLEX x) { return {-x.real, -x.imag}; }
    static COMPLEX muladd(COMPLEX acc, COMPLEX a, COMPLEX b) {
        const COMPLEX t = cx::mul(a, b);
        return {acc.real + t.real, acc.imag + t.imag};
    }
    static COMPLEX mul(COMPLEX a, COMPLEX b) { return cx::mul(a, b); }
    static COMPLEX div(COMPLEX x, COMPLEX p, double d) {
        const COMPLEX t = cx::mul(x, cx::conj(p));
        return {t.real / d, t.imag / d};
    }
    static COMPLEX div_neg(COMPLEX x, COMPLEX p, double d) {
        const COMPLEX t = cx::mul(x, cx::conj(p));
        return {-t.real / d, -t.imag / d};
    }
    static COMPLEX inv(COMPLEX p, double d) { return {p.real / d, -p.imag / d}; }
    static void put_det(double* det, COMPLEX d) {
        det[0] = d.real;
        det[1] = d.imag;
    }
};

// Gauss-Jordan inversion in place with complete pivoting.  Interchanges
// carry a sign (one side of each swap is negated), so the product of the
// pivots is the determinant without a sign correction; the final
// interchanges, last stage first, undo the permutation.
template <class Ops>
int invert(typename Ops::T* A, int lda, typename Ops::T* B, int ldb, int n, double* det) {
    using T = typename Ops::T;
    T d = Ops::one();
    if (n <= 0) {
        Ops::put_det(det, d);
        return 0;
    }
    if (B != A) {
        for (int i = 0; i < n; ++i) std::memcpy(B + i * ldb, A + i * lda, sizeof(T) * n);
    }
    const long index_bytes = static_cast<long>(sizeof(int)) * n;
    int* pivot_row = static_cast<int*>(g_malloc(index_bytes));
    int* pivot_col = static_cast<int*>(g_malloc(index_bytes));
    auto give_back = [&] {
        g_free(reinterpret_cast<char*>(pivot_row));
        g_free(reinterpret_cast<char*>(pivot_col));
    };
    if (pivot_row == nullptr || pivot_col == nullptr) {
        // Without the bookkeeping the permutation could not be undone; B
        // holds the copy of A and the caller learns that nothing was inverted.
        give_back();
        Ops::put_det(det, Ops::zero());
        return 2;
    }
    auto at = [&](int i, int j) -> T& { return B[i * ldb + j]; };

    for (int k = 0; k < n; ++k) {
        // The largest element of the remaining block; the first in row-major
        // order from the diagonal wins a tie.
        int r = k, c = k;
        double s = Ops::size(at(k, k));
        for (int i = k; i < n; ++i) {
            for (int j = k; j < n; ++j) {
                const double sj = Ops::size(at(i, j));
                if (sj > s) s = sj, r = i, c = j;
            }
        }
        pivot_row[k] = r;
        pivot_col[k] = c;
        if (s == 0.0) {
            give_back();
            Ops::put_det(det, Ops::zero());
            return 1;
        }
        if (r > k) {
            for (int j = 0; j < n; ++j) {
                const T old = at(k, j);
                at(k, j) = at(r, j);
                at(r, j) = Ops::neg(old);
            }
        }
        if (c > k) {
            for (int i = 0; i < n; ++i) {
                const T old = at(i, k);
                at(i, k) = at(i, c);
                at(i, c) = Ops::neg(old);
            }
        }
        const T p = at(k, k);
        const double p2 = Ops::size(p);  // |p|^2 for the complex quotients
        for (int i = 0; i < n; ++i)
            if (i != k) at(i, k) = Ops::div_neg(at(i, k), p, p2);
        for (int i = 0; i < n; ++i) {
            if (i == k) continue;
            const T bik = at(i, k);
            for (int j = 0; j < n; ++j)
                if (j != k) at(i, j) = Ops::muladd(at(i, j), bik, at(k, j));
        }
        for (int j = 0; j < n; ++j)
            if (j != k) at(k, j) = Ops::div(at(k, j), p, p2);
        d = Ops::mul(d, p);
        at(k, k) = Ops::inv(p, p2);
    }

    for (int k = n - 2; k >= 0; --k) {
        const int r = pivot_row[k];
        if (r > k) {
            for (int i = 0; i < n; ++i) {
                const T old = at(i, k);
                at(i, k) = Ops::neg(at(i, r));
                at(i, r) = old;
            }
        }
        const int c = pivot_col[k];
        if (c > k) {
            for (int j = 0; j < n; ++j) {
                const T old = at(k, j);
                at(k, j) = Ops::neg(at(c, j));
                at(c, j) = old;
            }
        }
    }
    Ops::put_det(det, d);
    give_back();
    return 0;
}

}  // namespace

extern "C" {

MIRTEX_API void Cmattra(double* A, int lda, double* B, int ldb, int rows, int cols) {
    COMPLEX *a = cplx(A), *b = cplx(B);
    each(rows, cols, [&](int i, int j) { b[j * ldb + i] = a[i * lda + j]; });
}

MIRTEX_API void Cmatcon(double* A, int lda, double* B, int ldb, int rows, int cols) {
    COMPLEX *a = cplx(A), *b = cplx(B);
    each(rows, cols, [&](int i, int j) { b[i * ldb + j] = cx::conj(a[i * lda + j]); });
}

MIRTEX_API void Cmatadd(double* A, int lda, double* B, int ldb, double* C, int ldc, int rows, int cols) {
    COMPLEX *a = cplx(A), *b = cplx(B), *c = cplx(C);
    each(rows, cols, [&](int i, int j) { c[i * ldc + j] = cx::add(a[i * lda + j], b[i * ldb + j]); });
}

MIRTEX_API void Cmatsub(double* A, int lda, double* B, int ldb, double* C, int ldc, int rows, int cols) {
    COMPLEX *a = cplx(A), *b = cplx(B), *c = cplx(C);
    each(rows, cols, [&](int i, int j) { c[i * ldc + j] = cx::sub(a[i * lda + j], b[i * ldb + j]); });
}

MIRTEX_API void Cmatmulk(double* A, int lda, double* B, int ldb, double k, int rows, int cols) {
    COMPLEX *a = cplx(A), *b = cplx(B);
    each(rows, cols, [&](int i, int j) { b[i * ldb + j] = cx::smul(a[i * lda + j], k); });
}

MIRTEX_API void Cmatmul(double* A, int lda, double* B, int ldb, double* C, int ldc, int n, int m, int p) {
    COMPLEX *a = cplx(A), *b = cplx(B), *c = cplx(C);
    each(n, p, [&](int i, int j) {
        COMPLEX s = {0.0, 0.0};
        for (int k = 0; k < m; ++k) s = ComplexOps::muladd(s, a[i * lda + k], b[k * ldb + j]);
        c[i * ldc + j] = s;
    });
}

MIRTEX_API void Cmatsqr(double* A, int lda, double* D, int ldd, int rows, int cols) {
    COMPLEX* a = cplx(A);
    each(rows, cols, [&](int i, int j) { D[i * ldd + j] = ComplexOps::size(a[i * lda + j]); });
}

MIRTEX_API void Cmatmov(COMPLEX* src, COMPLEX* dst, int rows, int cols) {
    const long n = static_cast<long>(rows) * cols;
    if (rows > 0 && cols > 0) std::memmove(dst, src, sizeof(COMPLEX) * static_cast<size_t>(n));
}

MIRTEX_API void Cmatfil(COMPLEX* A, int rows, int cols, double re, double im) {
    const long n = rows > 0 && cols > 0 ? static_cast<long>(rows) * cols : 0;
    for (long i = 0; i < n; ++i) A[i] = {re, im};
}

MIRTEX_API int Cmatinv(double* A, int lda, double* B, int ldb, int n, double* det) {
    return invert<ComplexOps>(cplx(A), lda, cplx(B), ldb, n, det);
}

// All four inputs are read before the first output is written, so C may be
// A or B.
MIRTEX_API void Cmatmul_2(COMPLEX* A, COMPLEX* B, COMPLEX* C) {
    const COMPLEX a00 = A[0], a01 = A[1], a10 = A[2], a11 = A[3];
    const COMPLEX b00 = B[0], b01 = B[1], b10 = B[2], b11 = B[3];
    C[0] = cx::add(cx::mul(a00, b00), cx::mul(a01, b10));
    C[1] = cx::add(cx::mul(a00, b01), cx::mul(a01, b11));
    C[2] = cx::add(cx::mul(a10, b00), cx::mul(a11, b10));
    C[3] = cx::add(cx::mul(a10, b01), cx::mul(a11, b11));
}

MIRTEX_API COMPLEX Cmatinv_2(COMPLEX* A, COMPLEX* B) {
    const COMPLEX a00 = A[0], a01 = A[1], a10 = A[2], a11 = A[3];
    const COMPLEX det = cx::sub(cx::mul(a00, a11), cx::mul(a01, a10));
    B[0] = cx::div(a11, det);
    B[1] = cx::div(cx::neg(a01), det);
    B[2] = cx::div(cx::neg(a10), det);
    B[3] = cx::div(a00, det);
    return det;
}

MIRTEX_API double Rmatdif(double* A, int lda, double* B, int ldb, int rows, int cols) {
    double s = 0.0;
    each(rows, cols, [&](int i, int j) { s += std::fabs(A[i * lda + j] - B[i * ldb + j]); });
    return s;
}

MIRTEX_API void Rmattra(double* A, int lda, double* B, int ldb, int rows, int cols) {
    each(rows, cols, [&](int i, int j) { B[j * ldb + i] = A[i * lda + j]; });
}

MIRTEX_API void Rmatadd(double* A, int lda, double* B, int ldb, double* C, int ldc, int rows, int cols) {
    each(rows, cols, [&](int i, int j) { C[i * ldc + j] = A[i * lda + j] + B[i * ldb + j]; });
}

MIRTEX_API void Rmatsub(double* A, int lda, double* B, int ldb, double* C, int ldc, int rows, int cols) {
    each(rows, cols, [&](int i, int j) { C[i * ldc + j] = A[i * lda + j] - B[i * ldb + j]; });
}

MIRTEX_API void Rmatmulk(double* A, int lda, double* B, int ldb, double k, int rows, int cols) {
    each(rows, cols, [&](int i, int j) { B[i * ldb + j] = k * A[i * lda + j]; });
}

MIRTEX_API void Rmatmul(double* A, int lda, double* B, int ldb, double* C, int ldc, int n, int m, int p) {
    each(n, p, [&](int i, int j) {
        double s = 0.0;
        for (int k = 0; k < m; ++k) s += A[i * lda + k] * B[k * ldb + j];
        C[i * ldc + j] = s;
    });
}

MIRTEX_API int Rmatinv(double* A, int lda, double* B, int ldb, int n, double* det) {
    return invert<RealOps>(A, lda, B, ldb, n, det);
}

MIRTEX_API void Rmatmul_2(double* A, double* B, double* C) {
    const double a00 = A[0], a01 = A[1], a10 = A[2], a11 = A[3];
    const double b00 = B[0], b01 = B[1], b10 = B[2], b11 = B[3];
    C[0] = a00 * b00 + a01 * b10;
    C[1] = a00 * b01 + a01 * b11;
    C[2] = a10 * b00 + a11 * b10;
    C[3] = a10 * b01 + a11 * b11;
}

MIRTEX_API double Rmatinv_2(double* A, double* B) {
    const double a00 = A[0], a01 = A[1], a10 = A[2], a11 = A[3];
    const double det = a00 * a11 - a01 * a10;
    B[0] = a11 / det;
    B[1] = -a01 / det;
    B[2] = -a10 / det;
    B[3] = a00 / det;
    return det;
}

// Indices print in a field of two; they are passed as int, which reads the
// same as a short for every index a short holds and stays right beyond.
MIRTEX_API void Rmatprn(char* name, double* A, int lda, int rows, int cols) {
    const char* label = name ? name : "";
    each(rows, cols, [&](int i, int j) { std::printf("%s[%2d][%2d]=%17.10e\n", label, i, j, A[i * lda + j]); });
}
}
