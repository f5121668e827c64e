// The two-line discontinuities: the gap, the step and the taper join two
// line types across a short length (the gap width, the step or taper
// length).  They read the same items in the same order
//   0 L1, 1 L2, 2 GAP / SL / TL, 3 C_LTYP1, 4 C_LTYP2, 5 C_SUB, 6 C_GRID,
// and share one vector layout: the narrower line a and the wider line b,
// both on the box axis, and the two planes bounding the element's length.
#pragma once

#include "params/params.h"

namespace mirtex::params {

enum class TwoLineKind { Gap, Step, Taper };

// Outputs, in order: centre-metal resistivity, ground-metal resistivity,
// TAND2, the feed lengths L1 and L2.
int two_line_get(TwoLineKind kind, UserInstDef* inst, WARN** warnings, double* rho, double* rho_gnd, double* tand,
                 double* L1, double* L2);

}  // namespace mirtex::params
