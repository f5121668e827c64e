// What the open and the short end share: one line type on the box axis
// whose centre strip ends at the reference plane, and the lateral edges of
// its strip, slots and grounds.
#pragma once

#include "params/compound.h"

namespace mirtex::params {

// Laterally X0, XE, X1, X2, X3, X4 of the ends: the strip covers
// 2 trunc(Wh) half steps, so that it lies symmetric about the axis.
void end_lateral(const LineUnits& u, const CPW_LINETYP& r, const Frame3& f, int* x);

// The lateral chain of the end's line through the geometry check.
void check_end_lateral(GeometryCheck& g, const LineItem& line, const Frame3& f, const int* x);

// Items read by both ends: feed length (returned even on failure), grid,
// line type; 0 to go on.
int end_items(Assembly& a, UserInstDef* inst, int grid_index, int line_index, LineItem& line, double* L);

// Metals, substrate and box (length b2): 0 to go on.
int end_frame(Assembly& a, LineItem& line, int sub_index, double b2, double* tand, double* rho);

}  // namespace mirtex::params
