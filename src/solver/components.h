// The line-based component solvers: each runs the cross-section solver on
// the component's line vectors and adds closed-form terms.
#pragma once

#include "solver/solver.h"

namespace mirtex::solver {


// Calc_Line into line (C', L', R', G', ZL, ER_eff, W, T) after the info
// line; its status.
int line_run(const char* info, int* ipar, double* dpar, double* line);

}  // namespace mirtex::solver
