// Small dense real and complex matrices, row by row, owned by the caller.
//
// Element (i, j) of a matrix with leading dimension ld is at i*ld + j, from 0;
// a routine may work on the top-left block of a larger array.  Complex
// matrices taken as double* are COMPLEX arrays seen as interleaved doubles,
// their leading dimensions counting COMPLEX elements.  The 2 x 2 routines
// take the four elements (0,0), (0,1), (1,0), (1,1) in a row.
//
// An element-wise routine may write into one of its sources when both have
// the same leading dimension; Cmatinv and Rmatinv may invert in place (B = A,
// same leading dimension); Cmatmul, Rmatmul and the transposes must not
// write into a source.  A block with no rows or no columns is left alone.
#pragma once

#include "mirtex/mirtex.h"

#ifdef __cplusplus
extern "C" {
#endif

MIRTEX_API void Cmattra(double* A, int lda, double* B, int ldb, int rows, int cols);  // B = A^T
MIRTEX_API void Cmatcon(double* A, int lda, double* B, int ldb, int rows, int cols);  // B = conj A
MIRTEX_API void Cmatadd(double* A, int lda, double* B, int ldb, double* C, int ldc, int rows, int cols);
MIRTEX_API void Cmatsub(double* A, int lda, double* B, int ldb, double* C, int ldc, int rows, int cols);
MIRTEX_API void Cmatmulk(double* A, int lda, double* B, int ldb, double k, int rows, int cols);  // B = kA
// C (n x p) = A (n x m) B (m x p)
MIRTEX_API void Cmatmul(double* A, int lda, double* B, int ldb, double* C, int ldc, int n, int m, int p);
// D[i][j] = |A[i][j]|^2 into the real matrix D (ldd in doubles)
MIRTEX_API void Cmatsqr(double* A, int lda, double* D, int ldd, int rows, int cols);
MIRTEX_API void Cmatmov(COMPLEX* src, COMPLEX* dst, int rows, int cols);  // rows*cols in a row
MIRTEX_API void Cmatfil(COMPLEX* A, int rows, int cols, double re, double im);
// B = A^-1 by Gauss-Jordan elimination with complete pivoting; det receives
// the determinant (re, im).  0 on success, 1 when singular (det 0, B then
// unusable), 2 when the pivot bookkeeping could not be allocated.
MIRTEX_API int Cmatinv(double* A, int lda, double* B, int ldb, int n, double* det);
MIRTEX_API void Cmatmul_2(COMPLEX* A, COMPLEX* B, COMPLEX* C);
// B = A^-1 for 2 x 2 by the adjugate; returns the determinant (not tested).
MIRTEX_API COMPLEX Cmatinv_2(COMPLEX* A, COMPLEX* B);

// Sum of |A[i][j] - B[i][j]| over the block.
MIRTEX_API double Rmatdif(double* A, int lda, double* B, int ldb, int rows, int cols);
MIRTEX_API void Rmattra(double* A, int lda, double* B, int ldb, int rows, int cols);
MIRTEX_API void Rmatadd(double* A, int lda, double* B, int ldb, double* C, int ldc, int rows, int cols);
MIRTEX_API void Rmatsub(double* A, int lda, double* B, int ldb, double* C, int ldc, int rows, int cols);
MIRTEX_API void Rmatmulk(double* A, int lda, double* B, int ldb, double k, int rows, int cols);
MIRTEX_API void Rmatmul(double* A, int lda, double* B, int ldb, double* C, int ldc, int n, int m, int p);
// As Cmatinv, on doubles.
MIRTEX_API int Rmatinv(double* A, int lda, double* B, int ldb, int n, double* det);
MIRTEX_API void Rmatmul_2(double* A, double* B, double* C);
MIRTEX_API double Rmatinv_2(double* A, double* B);
// One line per element on standard output: name[row][col]=value.
MIRTEX_API void Rmatprn(char* name, double* A, int lda, int rows, int cols);

#ifdef __cplusplus
}  // extern "C"
#endif
