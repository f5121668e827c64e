// The line vector pair shared by the line, the via, every feed line and the
// components built on a line.
#pragma once

#include "params/line_layout.h"
#include "params/params.h"

namespace mirtex::params {

// Half-step widths of the line, as the vectors hold them.
struct LineUnits {
    double Wh = 0, Sh = 0, Gh = 0;
};

// A line's cross-section in grid units, and the check of Check_Line: the
// grid fit of the box, the heights and the line's widths, and the
// thickness warning.  0, or 1 after the error.
int check_line(const char* label, CPW_GRID_TEXT* gt, CPW_GRID* grid, CPW_DIELEKT_TEXT* st, CPW_DIELEKT* sub,
               CPW_LINETYP_TEXT* lt, CPW_LINETYP* line, LineInts& in, LineReals& re, WARN** warnings);

}  // namespace mirtex::params
