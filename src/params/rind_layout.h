// The vectors of the spiral inductor.  The integer vector runs on past its
// named head with NN track rectangles (first column, last column, first
// row, last row, from the outer end inwards) and then the bridge's first
// and last row and the first row of line 2's strip; the result vector runs
// on past its head with four columns of a value per segment.  The drawing
// in params/rind.cpp shows the slots.
#pragma once

#include "params/stack_layout.h"

// Columns (half steps): X11..X14 line 1's slot edge, strip, strip, slot
// edge; X21, X24 the last ground column beside the opening; planes Z1, Z2,
// Z3 the opening's first row, the reference plane, the opening's last row;
// the stack; XA1, XA2 the winding's outer columns; TURN rings; SIDE 1 when
// wound towards low X; ART the bridge code; N half turns; NN track
// rectangles; X11B..X14B line 2; X1A, X1B the bridge's columns; X2A, X2B
// the inner opening's columns.
#define MIRTEX_RIND_INTS(X)                                                                                 \
    X(X11, "X11") X(X12, "X12") X(X13, "X13") X(X14, "X14") X(X21, "X21") X(X24, "X24") X(Z1, "Z1")        \
        X(Z2, "Z2") X(Z3, "Z3") MIRTEX_STACK_SLOTS(X) X(XA1, "\n  XA1") X(XA2, "XA2") X(TURN, "TURN")      \
            X(SIDE, "SIDE") X(ART, "ART") X(N, "N") X(NN, "NN") X(X11B, "X11B") X(X12B, "\n  X12B")          \
                X(X13B, "X13B") X(X14B, "X14B") X(X1A, "X1A") X(X1B, "X1B") X(X2A, "X2A") X(X2B, "X2B")

// Materials; the winding's metal T [m] and rows MET; the track spacing LG
// and width WF and the bridge width BW in grid steps; the relaxation, the
// record version; the dielectric under the bridge: height [m],
// permittivity, loss tangent.
#define MIRTEX_RIND_REALS(X)                                                                                \
    MIRTEX_MATERIAL_SLOTS(X) X(T, "\n  T[m]") X(MET, "MET") X(LG, "LG/DL") X(WF, "WF/DL")                  \
        MIRTEX_RELAXATION_SLOTS(X) X(BW, "BW/DL") X(VER, "VER.") X(die_h, "\n  die_h[m]") X(die_er, "die_er") \
            X(die_td, "die_td")

// The winding's metal T [m] and the bridge's capacitance across the turns
// Cs [F]; then per segment R' at 1 GHz for the reference metal, R at DC,
// L and C, each a column of NFP values.
#define MIRTEX_RIND_RESULTS(X) X(T, "T[m]") X(Cs, "Cs")
// The segment count NFP; the vector's further slot is not solved.
#define MIRTEX_RIND_INT_RESULTS(X) X(NFP, "NFP")

namespace mirtex::params {

MIRTEX_LAYOUT(RindInts, int, MIRTEX_RIND_INTS);
MIRTEX_LAYOUT(RindReals, double, MIRTEX_RIND_REALS);
MIRTEX_LAYOUT(RindResults, double, MIRTEX_RIND_RESULTS);
MIRTEX_LAYOUT(RindIntResults, int, MIRTEX_RIND_INT_RESULTS);

// The winding's segments for NN track rectangles: line 1's stretch to the
// outer end, the tracks, the way out over the bridge.
inline int rind_segments(int NN) { return NN + 2; }
// The per-segment columns of the result vector, in their order, and the
// first slot of one of them.
enum RindColumn { kRindR1GHz, kRindRdc, kRindL, kRindC, kRindColumns };
inline int rind_column(RindColumn c, int segments) { return RindResults::kSlots + c * segments; }
inline int rind_result_slots(int segments) { return rind_column(kRindColumns, segments); }

}  // namespace mirtex::params
