// The vectors of the coupled lines: N conductors (the left ground strip,
// the n lines, the right ground strip) across one cross-section.  The real
// input vector and the result vector run on past their named heads with
// tables of N entries per conductor.
#pragma once

#include "params/stack_layout.h"

// N conductors, of which the first NSYM are excited (all N, or the left
// half with the middle one when the pattern is mirror-symmetric); the
// graded grid's bands: N1 rows of band 4 below (m4), N2 of band 2 (m2), N3
// of band 1 (k1), N4 rows of band 0 (8 with a metal thickness, else 5), N5
// rows of band 4 in all (n4); the box L1/DL and the layers H3/DL, H2/DL,
// H1/DL.
#define MIRTEX_COUP_INTS(X)                                                                                \
    X(N, "N") X(NSYM, "NSYM") X(N1, "N1") X(N2, "N2") X(N3, "N3") X(N4, "N4") X(N5, "N5") X(L1, "\n  L1")    \
        X(H3, "H3") X(H2, "H2") X(H1, "H1")

// Materials, the lines' metal T [m] and rows MET, the width WGES [m] the
// substrate was sized for, the relaxation, the record version.  The tail:
// each conductor's first and last fine column (2N values), then each
// conductor's width [m] (N values).
#define MIRTEX_COUP_REALS(X)                                                                               \
    MIRTEX_MATERIAL_SLOTS(X) X(T, "T[m]") X(MET, "MET") X(WGES, "WGES") MIRTEX_RELAXATION_SLOTS(X) X(VER, "VER.")

// The result's head, the lines' metal T [m]; the tail holds the N x N
// matrices of the capacitance with the layers [F/m], of the capacitance in
// air [F/m] and of the 1-GHz loss for the reference conductivity [ohm/m],
// row by row, then the N conductor widths [m].
#define MIRTEX_COUP_RESULTS(X) X(T, "T[m]")
// The integer result: the conductor count N the tables are sized by.
#define MIRTEX_COUP_INT_RESULTS(X) X(N, "N")

namespace mirtex::params {

MIRTEX_LAYOUT(CoupInts, int, MIRTEX_COUP_INTS);
MIRTEX_LAYOUT(CoupReals, double, MIRTEX_COUP_REALS);
MIRTEX_LAYOUT(CoupResults, double, MIRTEX_COUP_RESULTS);
MIRTEX_LAYOUT(CoupIntResults, int, MIRTEX_COUP_INT_RESULTS);

}  // namespace mirtex::params
