// What the open and the short end share: one line type on the box axis
// whose centre strip ends at the reference plane, and the lateral edges of
// its strip, slots and grounds.
#pragma once

#include <initializer_list>

#include "params/compound.h"

namespace mirtex::params {

// Laterally X0, XE, X1, X2, X3, X4 of the ends: the strip covers
// 2 trunc(Wh) half steps, so that it lies symmetric about the axis.
struct EndEdges {
    int X0, XE, X1, X2, X3, X4;
};
EndEdges end_edges(const LineUnits& u, const CPW_LINETYP& r, const Frame3& f);
template <class Ints>
void end_lateral(const LineUnits& u, const CPW_LINETYP& r, const Frame3& f, Ints& in) {
    const EndEdges e = end_edges(u, r, f);
    in.X0 = e.X0, in.XE = e.XE, in.X1 = e.X1, in.X2 = e.X2, in.X3 = e.X3, in.X4 = e.X4;
}

// The end's checks once its vectors are written: the frame's dimensions and
// then dims fitted to the grid, the lateral chain of its line and the chain
// along the box from the strip's end (along); 0 to go on.
int check_end(Assembly& a, const LineItem& line, const Frame3& f, const EndEdges& x, std::initializer_list<FitDim> dims,
              std::initializer_list<Edge> along);
template <class Ints>
int check_end(Assembly& a, const LineItem& line, const Frame3& f, const Ints& in, std::initializer_list<FitDim> dims,
              std::initializer_list<Edge> along) {
    return check_end(a, line, f, EndEdges{in.X0, in.XE, in.X1, in.X2, in.X3, in.X4}, dims, along);
}

// Items read by both ends: feed length (returned even on failure), grid,
// line type; 0 to go on.
int end_items(Assembly& a, UserInstDef* inst, int grid_index, int line_index, LineItem& line, double* L);

// Metals, substrate and box (length b2): 0 to go on.
int end_frame(Assembly& a, LineItem& line, int sub_index, double b2, double* tand, double* rho);

}  // namespace mirtex::params
