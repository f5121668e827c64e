// Joining Y matrices: two-ports in cascade, and a two-port hung on one port
// of a multi-port.  Each join ties two ports into one internal node that no
// external current enters, and eliminates that node (a Schur complement of
// one row and column), so the result keeps only the outer ports.
//
// Both use the lower-case complex set, which the ends also use to join their
// feed lines.
#include <array>

#include "freq/circuits.h"
#include "numeric/complex.h"

namespace {

namespace cx = mirtex::cx;

constexpr COMPLEX kZero{0.0, 0.0};
// Largest combined port count joined at once (the working matrix is N x N).
constexpr int kMaxJoined = 31;

}  // namespace

extern "C" {

// With d = B11 + A22 the admittance of the joined node to everything else:
//   out11 = A11 - A21 A12 / d        out12 = -A12 B12 / d
//   out21 = -A21 B21 / d             out22 = B22 - B21 B12 / d
MIRTEX_API void Mult_Y_Matrix(COMPLEX* out, const COMPLEX* A, const COMPLEX* B) {
    // Both inputs are read whole before out is written, so out may be
    // either of them.
    const std::array<COMPLEX, 4> a{A[0], A[1], A[2], A[3]};
    const std::array<COMPLEX, 4> b{B[0], B[1], B[2], B[3]};
    const COMPLEX d = cx::add(b[0], a[3]);
    out[0] = cx::sub(a[0], cx::zdiv(cx::mul(a[2], a[1]), d));
    out[1] = cx::sub(kZero, cx::zdiv(cx::mul(a[1], b[1]), d));
    out[2] = cx::sub(kZero, cx::zdiv(cx::mul(a[2], b[2]), d));
    out[3] = cx::sub(b[3], cx::zdiv(cx::mul(b[2], b[1]), d));
}

MIRTEX_API int Con_Y_Mat(COMPLEX* out, const COMPLEX* A, const COMPLEX* B, int na, int nb, int k) {
    // A shape beyond the joined matrix's room, or a port that does not
    // exist, is refused rather than read or written past it.
    if (na != 2 || nb < 1 || na + nb > kMaxJoined || k < 1 || k > nb) return 1;
    // Put side by side, B and A form one matrix M of nb + 2 ports, A's two
    // in front of B's port k, with zeros between A's ports and B's.  A's
    // port 2 (p) joins B's port k (q) in a node whose row and column are
    // the sums of theirs, and eliminating it leaves
    //   out[i][j] = M[i][j] - row[i] col[j] / d,  d = M[p][p] + M[q][q] + M[p][q] + M[q][p].
    // Only B's row and column k and A enter row and col, so the entries are
    // formed here directly, each with the very operations (zeros included)
    // of the elimination on the whole of M, without building it.
    const int q = k - 1;  // B's port k, from 0
    const COMPLEX d = cx::add(cx::add(A[3], B[q * nb + q]), cx::add(kZero, kZero));
    // row and col of M: A's port 1 (a) and every other port i of B.
    const COMPLEX row_a = cx::add(A[1], kZero), col_a = cx::add(A[2], kZero);
    std::array<COMPLEX, kMaxJoined> row, col;
    for (int i = 0; i < nb; ++i) {
        row[i] = cx::add(kZero, B[i * nb + q]);
        col[i] = cx::add(kZero, B[q * nb + i]);
    }
    // B's entries off row and column k first (out may be B: row and col
    // hold what is overwritten), then A's port in their place.
    for (int i = 0; i < nb; ++i) {
        if (i == q) continue;
        for (int j = 0; j < nb; ++j)
            if (j != q) out[i * nb + j] = cx::sub(B[i * nb + j], cx::zdiv(cx::mul(row[i], col[j]), d));
    }
    for (int i = 0; i < nb; ++i) {
        if (i == q) continue;
        out[i * nb + q] = cx::sub(kZero, cx::zdiv(cx::mul(row[i], col_a), d));
        out[q * nb + i] = cx::sub(kZero, cx::zdiv(cx::mul(row_a, col[i]), d));
    }
    out[q * nb + q] = cx::sub(A[0], cx::zdiv(cx::mul(row_a, col_a), d));
    return 0;
}

}  // extern "C"
