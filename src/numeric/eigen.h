// Eigenvalues and eigenvectors of a complex general matrix, along the
// classical path for such matrices: balancing, unitary reduction to upper
// Hessenberg form, shifted QR iteration with the transformations
// accumulated, and back-transformation of the eigenvectors.
#pragma once

#include "numeric/arrays.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Eigenvalues wr + j wi and (matz != 0) eigenvectors zr + j zi, vector k in
 * column k, of the n x n matrix ar + j ai.  All arrays are dimensioned
 * arrays with indexes 1..n.  ar and ai are overwritten.  ierr is 0, or the
 * index of the eigenvalue at which the iteration limit of 30 n QR steps was
 * reached (the eigenvalues above it are then valid, the vectors are not). */
MIRTEX_API void CG(int n, d2* ar, d2* ai, d1* wr, d1* wi, int matz, d2* zr, d2* zi, int* ierr);

#ifdef __cplusplus
}  // extern "C"

namespace mirtex {

// The same on 1-based row-pointer arrays (a[i][j], i, j = 1..n; w[1..n]),
// for callers that keep their matrices in plain storage.  Returns ierr.
int complex_eigen(int n, double** ar, double** ai, double* wr, double* wi, bool vectors, double** zr, double** zi);

}  // namespace mirtex
#endif
