// The line vector pair shared by the line, the via and every feed line.
#pragma once

#include "params/params.h"

namespace mirtex::params {

// Half-step widths of the line, as the vectors hold them.
struct LineUnits {
    double Wh = 0, Sh = 0, Gh = 0;
};

// Fills a 9-int, 10-double line vector pair; 1 (with a message) when the
// vectors do not exist.
int fill_line_vectors(const char* label, const CPW_GRID& grid, const CPW_DIELEKT& sub, const CPW_LINETYP& line,
                      int* ipar, double* dpar, LineUnits& u);

}  // namespace mirtex::params
