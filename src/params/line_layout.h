// The vectors of one line's cross-section: the line, the feed line and the
// via, and the film or plate line of the components built on a line.
#pragma once

#include "params/layout.h"

// head starts the report's first label (a component with two plates names
// each).
//
// W the strip's half width in fine columns (half steps), truncated; W2, S2,
// GW2 the strip, each slot and each ground in half steps (GW2 0: the
// grounds reach the walls, S2 0: no slot).  The stack in grid steps DL:
// layer heights from the top down and the box width L1 (a multiple of 4);
// N5 the metal rows' extra band.
#define MIRTEX_LINE_INTS(X, head)                                                                       \
    X(W, head "W/DL") X(W2, "2*W/DL") X(S2, "2*S/DL") X(GW2, "2*GW/DL") X(H3, "\n  H3/DL") \
        X(H2, "H2/DL") X(H1, "H1/DL") X(L1, "L1/DL") X(N5, "N5")

// The relative permittivities above the substrate (ER3), of it (ER2) and
// below it (ER1), the grid step DL [m], the strip as fitted, W [m], its
// metal T [m] and metal rows MET (2T/3DL for a metal at least DL/5 thick,
// else 0: a sheet), the relaxation (alpha_head starts its line) and the
// record version.  A component's report tags W and T with what the strip
// is ("(C)" a plate, "(R)" a film).
#define MIRTEX_LINE_REALS(X, head, alpha_head, tag)                                                        \
    X(ER3, head "ER3") X(ER2, "ER2") X(ER1, "ER1") X(DL, "\n  DL[m]") X(W, "W" tag "[m]")                 \
        X(T, "T" tag "[m]") X(MET, "MET") X(ALPHA, alpha_head "ALPHA") X(BOUND, "BOUND") X(VER, "VER.")

#define MIRTEX_LINE_INT_SLOTS(X) MIRTEX_LINE_INTS(X, "")
#define MIRTEX_LINE_REAL_SLOTS(X) MIRTEX_LINE_REALS(X, "", "\n  ", "")

// The solved line: C' [F/m], L' [H/m], R' [ohm/m] at 1 GHz for the
// reference conductivity, G' [F/m] (the substrate's share of C', times
// omega tan(delta) the shunt conductance), ZL [ohm], the effective
// permittivity, and the strip's W and T [m] that R' belongs to.
#define MIRTEX_LINE_RESULTS(X)                                                                                \
    X(C_per_m, "C'[F/m]") X(L_per_m, "L'[H/m]") X(R_per_m, "R'[Ohm/m]") X(G_per_m, "G'[S/m]")                 \
        X(ZL, "\n  ZL[ohm]") X(ER_eff, "ER_eff") X(W, "W[m]") X(T, "T[m]")

namespace mirtex::params {

MIRTEX_LAYOUT(LineInts, int, MIRTEX_LINE_INT_SLOTS);
MIRTEX_LAYOUT(LineReals, double, MIRTEX_LINE_REAL_SLOTS);
MIRTEX_LAYOUT(LineResults, double, MIRTEX_LINE_RESULTS);

}  // namespace mirtex::params
