// Lumped values at the fine-grid limit.  The values of the ends,
// discontinuities and junctions converge in first order in DL, so two grids
// give the limit: V = 2 V(DL) - V(2 DL).  That holds only where both grids
// already see the same trend; otherwise the DL values stand and a warning
// says why.  Such records carry a layout version of their own (the builders
// stamp it), in the result chains and in the calculation files alike.
#pragma once

#include "drivers/driver.h"

namespace mirtex::drivers {

// True when r is a three-dimensional result whose input vectors carry the
// extrapolated stamp: the pre step solves it with ensure_extrapolated.
bool extrapolated_key(const ResultVectors& v);

// The slot of the layout version in v's real vector, or -1 for a result
// that is never extrapolated.
int version_slot(const ResultVectors& v);

// Makes sure the extrapolated result of the instance's element is cached:
// from the chain, from its calculation file, or from a solve at DL and one
// at 2 DL (each kept as a plain record).  The builder is run again at 2 DL
// and then at DL, so the work vectors end as they were.  false after the
// failure has been reported.
bool ensure_extrapolated(const SolvedResult& r, UserInstDef* inst, const char* name);

// Whether the result now in v's vectors holds extrapolated values (false
// for a plain record and for one where the grids disagreed).
bool holds_extrapolated(const ResultVectors& v);

// Whether two grids' values agree in sign and trend: both of one sign and
// their difference at most a quarter of the fine value; both zero agree.
bool grids_agree(double fine, double coarse);

}  // namespace mirtex::drivers
