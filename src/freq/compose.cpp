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
    // The working matrix has a fixed room; a shape that does not fit, or a
    // port that does not exist, is refused rather than written past it.
    if (na != 2 || nb < 1 || na + nb > kMaxJoined || k < 1 || k > nb) return 1;
    const int n = na + nb;

    // Direct sum M of B and A, A's two ports inserted at positions k-1, k
    // (from 0) in front of B's port k: position i holds port port[i] of A
    // (in_a[i]) or of B.
    std::array<COMPLEX, kMaxJoined * kMaxJoined> M;
    std::array<int, kMaxJoined> port{};
    std::array<bool, kMaxJoined> in_a{};
    for (int i = 0; i < n; ++i) {
        in_a[i] = i == k - 1 || i == k;
        port[i] = i < k - 1 ? i : (in_a[i] ? i - (k - 1) : i - 2);
    }
    for (int r = 0; r < n; ++r)
        for (int c = 0; c < n; ++c) {
            COMPLEX v = kZero;
            if (in_a[r] && in_a[c])
                v = A[port[r] * na + port[c]];
            else if (!in_a[r] && !in_a[c])
                v = B[port[r] * nb + port[c]];
            M[r * n + c] = v;
        }

    // Join A's port 2 (p) with B's port k (q): the node's row and column are
    // the sums of theirs; eliminate it.
    const int p = k, q = k + 1;
    const COMPLEX d = cx::add(cx::add(M[p * n + p], M[q * n + q]), cx::add(M[p * n + q], M[q * n + p]));
    std::array<COMPLEX, kMaxJoined> row, col;
    for (int i = 0; i < n; ++i) {
        row[i] = cx::add(M[i * n + p], M[i * n + q]);
        col[i] = cx::add(M[p * n + i], M[q * n + i]);
    }
    std::array<COMPLEX, kMaxJoined * kMaxJoined> W;
    int w = 0;
    for (int i = 0; i < n; ++i) {
        if (i == p || i == q) continue;
        for (int j = 0; j < n; ++j) {
            if (j == p || j == q) continue;
            W[w++] = cx::sub(M[i * n + j], cx::zdiv(cx::mul(row[i], col[j]), d));
        }
    }
    // Written only now, so out may be B.
    for (int i = 0; i < nb * nb; ++i) out[i] = W[i];
    return 0;
}

}  // extern "C"
