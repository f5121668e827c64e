// The vectors of the gap, the step and the taper.  The builder puts the
// narrower line first as line 1 (columns X1k) and the wider as line 2
// (X2k); DREH records that the user's line 1 was the wider, so that the
// results go back to the user's ports.
#pragma once

#include "params/stack_layout.h"

// Columns across the box (grid half-steps from the left wall): X0 and XE
// the outer edges of the grounds, Xk1 the last column of line k's left
// ground, Xk2..Xk3 its strip, Xk4 the first column of its right ground.
// Planes along the box: line 1 ends at Z1, line 2 begins at Z2.
#define MIRTEX_TWO_LINE_INTS(X)                                                                             \
    X(X0, "X0") X(XE, "XE") X(X11, "X11") X(X12, "X12") X(X13, "X13") X(X14, "X14") X(X21, "X21")          \
        X(X22, "X22") X(X23, "X23") X(X24, "X24") X(Z1, "\n  Z1") X(Z2, "Z2") MIRTEX_STACK_SLOTS(X)        \
            X(DREH, "DREH")

// Materials, the strips' metal rows MET (2T/3DL for a metal at least DL/5
// thick, else 0), the relaxation, the record version.
#define MIRTEX_TWO_LINE_REALS(X) \
    MIRTEX_MATERIAL_SLOTS(X) X(MET, "MET") MIRTEX_RELAXATION_SLOTS(X) X(VER, "VER.")

// One port's undisturbed line: C' [F/m], L' [H/m], ZL [ohm], effective
// permittivity.
#define MIRTEX_PORT_LINE_SLOTS(X, n)                                                                        \
    X(C##n##_per_m, "\n  C" #n "'[F/m]") X(L##n##_per_m, "L" #n "'[H/m]") X(ZL##n, "ZL" #n "[Ohm]")                  \
        X(ER##n##_eff, "ER" #n "_eff")

// The gap: each strip's end capacitance to ground and the coupling across.
#define MIRTEX_GAP_RESULTS(X) \
    X(Cp1, "Cp1[F]") X(Cp2, "Cp2[F]") X(Cs, "Cs[F]") MIRTEX_PORT_LINE_SLOTS(X, 1) MIRTEX_PORT_LINE_SLOTS(X, 2)

// The step and the taper: the series inductances on each side and the
// shunt capacitance between them.
#define MIRTEX_STEP_RESULTS(X) \
    X(L1, "L1[H]") X(L2, "L2[H]") X(Cp, "Cp[F]") MIRTEX_PORT_LINE_SLOTS(X, 1) MIRTEX_PORT_LINE_SLOTS(X, 2)

namespace mirtex::params {

MIRTEX_LAYOUT(TwoLineInts, int, MIRTEX_TWO_LINE_INTS);
MIRTEX_LAYOUT(TwoLineReals, double, MIRTEX_TWO_LINE_REALS);
MIRTEX_LAYOUT(GapResults, double, MIRTEX_GAP_RESULTS);
MIRTEX_LAYOUT(StepResults, double, MIRTEX_STEP_RESULTS);

}  // namespace mirtex::params
