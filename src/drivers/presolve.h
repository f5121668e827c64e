// Distinct geometries of one analysis solved side by side.  The host's
// pre-analysis calls only count the instances; the first counted Y call
// then solves every three-dimensional geometry still unsolved on the
// solver thread pool, each into its calculation file.  The pre steps that
// follow, one instance after the other as before, read those records: the
// result chains fill in the same order, with the same values, as without
// the pool.
#pragma once

#include "mirtex/host.h"

namespace mirtex::drivers {

// Remembers an instance of the analysis being prepared.
void queue_presolve(UserInstDef* inst);
// Solves the remembered instances' geometries side by side (when the pool
// has more than one thread and there are two or more) and forgets them.
void presolve_pending();
// Forgets them unsolved (the analysis ended).
void drop_presolve();

}  // namespace mirtex::drivers
