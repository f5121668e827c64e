// The vectors of the open and the short end.  The line lies on the box
// axis and its strip ends at the reference plane Z1; what closes the end
// lies beyond it.
#pragma once

#include "params/two_line_layout.h"

// Columns across the box (half-step indexes): X0 and XE the outer edges of
// the grounds, X1 the last column of the left ground, X2..X3 the strip, X4
// the first column of the right ground.
#define MIRTEX_END_LATERAL_SLOTS(X) X(X0, "X0") X(XE, "XE") X(X1, "X1") X(X2, "X2") X(X3, "X3") X(X4, "X4")

// The open end: the strip ends at Z1, the grounds run on to Z2 across the
// gap and a ground strip closes the slot region up to Z3 (Z2 = Z3 = the far
// wall when there is none); the gap and that strip in whole grid steps.
#define MIRTEX_OPEN_INTS(X)                                                                   \
    MIRTEX_END_LATERAL_SLOTS(X) X(Z1, "Z1") X(Z2, "Z2") X(Z3, "Z3") MIRTEX_STACK_SLOTS(X)   \
    X(GAP_DL, "\n  GAP/DL") X(WG_DL, "WG/DL")

// The short end: the strip runs at Z1 into a ground strip that ends at Z2
// (the far wall without one), WG/DL whole steps wide.
#define MIRTEX_SHORT_INTS(X) \
    MIRTEX_END_LATERAL_SLOTS(X) X(Z1, "Z1") X(Z2, "Z2") MIRTEX_STACK_SLOTS(X) X(WG_DL, "\n  WG/DL")

// The short's slot problem lives in a uniform medium: only the grid step
// [m], the relaxation and the record version.
#define MIRTEX_SHORT_REALS(X) X(DL, "DL[m]") X(ALPHA, "ALPHA") X(BOUND, "BOUND") X(VER, "VER.")

// The open end's capacitance [F] and its line's C', L', ZL, ER_eff.
#define MIRTEX_OPEN_RESULTS(X) X(C_end, "C_end[F]") MIRTEX_PORT_LINE_SLOTS(X, )

// The short end's inductance [H] and its line's L' [H/m].
#define MIRTEX_SHORT_RESULTS(X) X(L_end, "L_end[H]") X(L_per_m, "\n  L'[H/m]")

namespace mirtex::params {

MIRTEX_LAYOUT(OpenInts, int, MIRTEX_OPEN_INTS);
// The open end's reals are the gap's: materials, MET, relaxation, version.
MIRTEX_LAYOUT(OpenReals, double, MIRTEX_TWO_LINE_REALS);
MIRTEX_LAYOUT(OpenResults, double, MIRTEX_OPEN_RESULTS);
MIRTEX_LAYOUT(ShortInts, int, MIRTEX_SHORT_INTS);
MIRTEX_LAYOUT(ShortReals, double, MIRTEX_SHORT_REALS);
MIRTEX_LAYOUT(ShortResults, double, MIRTEX_SHORT_RESULTS);

}  // namespace mirtex::params
