// The three-dimensional relaxation with a coarse-grid start.
//
// Over-relaxation removes the smooth part of the error slowest: its sweeps
// grow with the grid's extent, roughly doubling with each halving of DL.
// The smooth part is what a grid of twice the step resolves just as well,
// at an eighth of the nodes.  So a run first relaxes the same problem on
// that grid (and that one on a grid of twice its step again, as long as
// the grids nest and are worth it), interpolates the result onto its own
// free nodes and then relaxes with its usual stop rule.  What is left for
// the fine sweeps is the difference between the two discretisations, most
// of it close to the conductor edges, which relaxes in a few dozen sweeps.
// The stop rule is unchanged, so the result is within the bound of the
// converged field as before; only where it starts differs.
//
// The grid of twice the step has the same box: L1/DL and L2/DL halve (both
// must stay multiples of 4), its bottom and cover lie at or beyond the
// fine ones (the rows outside the fine box take the wall's value), and its
// fixed nodes are those of the fine grid at the same places.  Band 0 rows
// and metal rows of both grids lie at the same heights; a conductor edge
// at an even fine column moves by half a fine step on the coarse grid.
#pragma once

#include <vector>

#include "solver/kernel.h"
#include "solver/sweep.h"

namespace mirtex::solver {

// Grids below this many nodes relax from the field they hold: their runs
// take a few seconds at most, and a coarser grid would lose the slots.
inline constexpr long kCoarseStartNodes = 150000;

// Whether spatial runs start from the coarser grid (the default), and from
// how many nodes on; for comparison and tests.
void set_coarse_start(bool on, long from_nodes = kCoarseStartNodes);
// Every cycle taken as stalled, so that a run falls back to plain
// relaxation after its first few cycles; for tests.
void set_cycles_stall(bool always);

// The stack and box length of the grid of twice the step over the same
// box; false when none nests (L1/DL or L2/DL not a multiple of 8, or a
// substrate of fewer than six steps DL).
bool coarser_grid(const BandStack& st, int ny, BandStack& coarse, int& coarse_ny);

// Relaxes the spatial problem held in views (a band grid of ny steps DL
// along y, layers eps and dielectric blocks in fine units) until the stop
// rule of relax() holds, with coarse from the coarser grid where one is
// worth it.  kernel names the run in progress lines and errors; null
// relaxes quietly (a coarse run: no progress, no error at the cap).
//
// Electric and slot runs alike run multigrid cycles where a coarser grid
// nests: a coarse start leaves a smooth error that over-relaxation damps
// by a few per cent a sweep at most (a cross's slot runs at DL 1.25 um
// took 90 s of CPU instead of 49; an open end's electric run 3.8 s
// instead of 1.4), while a cycle cuts it by a factor of five or more at
// any step.  Without room for the cycles' grids an electric run still
// starts from the coarser grid's field; a slot run, which a coarse start
// does not help, from its own.
//
// How a run starts: from its own field, from the coarser grid's field
// (above), in multigrid cycles over the coarser grids (coarse3d.cpp), or
// in cycles where they fit and else from the coarser grid's field.
enum class Start { Painted, Coarse, Cycles, CyclesElseCoarse };

int relax_space(const char* kernel, const BandStack& st, int ny, const Layers& eps, double bound, double alpha,
                const std::vector<DielectricBlock>& blocks, const BandView views[kBandCount],
                Start start = Start::Coarse, double* end_alpha = nullptr);

}  // namespace mirtex::solver
