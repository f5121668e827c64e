// The line-based component solvers: each runs the cross-section solver on
// the component's line vectors and adds closed-form terms.
#pragma once

#include "params/component_layout.h"
#include "solver/solver.h"

namespace mirtex::solver {

// Calc_Line on one line of a component's layouts, after the info line (none
// when info is null); its status.
int line_run(const char* info, const params::LineInts& in, const params::LineReals& re, params::LineResults& line);

// The line's R', substrate share G' and strip W, T, as a component's result
// carries them on.
template <class Results>
void carry_line(const params::LineResults& line, Results& r) {
    r.R_per_m = line.R_per_m, r.G_per_m = line.G_per_m, r.W = line.W, r.T = line.T;
}

}  // namespace mirtex::solver
