// What the static field solvers export: the cross-section solver, its
// relaxation kernel, the band grids it works on, the progress display and
// the stop poll.
//
// Solver status: 0 success (also a calculation-file hit), 1 an array could
// not be created, kStopped (-2) the user asked to stop, kFailed (-3) the
// solve failed for another reason that the solver has already reported in
// the error window (a relaxation that reached its sweep bound, or a
// cross-section that does not fit the grid).  Callers report the element
// as failed on any non-zero status; no result is valid and no calculation
// file record has been written.
#pragma once

#include "mirtex/mirtex.h"
#include "numeric/arrays.h"
#include "numeric/constants.h"

namespace mirtex::solver {

// The shared physical constants, as the solvers name them.
using mirtex::kEps0;
using mirtex::kEps0Mu0;
using mirtex::kMu0;
using mirtex::kPi;
using mirtex::kRefSigma;
inline constexpr int kOutOfMemory = 1;
inline constexpr int kStopped = -2;
inline constexpr int kFailed = -3;
}  // namespace mirtex::solver

extern "C" {

/* Per-unit-length values of one CPW cross-section: ipar (9 ints) and dpar
 * (10 doubles) as the line input builder lays them out; dpar_out receives
 * C' [F/m], L' [H/m], R' [Ohm/m], G' [S/m], ZL [Ohm], ER_eff, W [m], T [m].
 * plot is accepted and ignored. */
MIRTEX_API int Calc_Line(int plot, int* ipar, double* dpar, double* dpar_out);

/* Per-unit-length matrices of a cross-section of N = ipar[0] conductors
 * (the coupled-line vectors: 11 ints, n_dpar reals).  *dpar_out is reused
 * when it holds N + 3N² + 1 values, else replaced; it receives T, the
 * capacitance matrix with the dielectric, the one in air, the conductor-loss
 * matrix (N x N each, row by row) and the N conductor widths; ipar_out[0] =
 * N.  Status as for Calc_Line. */
MIRTEX_API int Calc_Coup(int* ipar, double* dpar, int n_dpar, int* ipar_out, double** dpar_out, int* n_dpar_out);

/* The line-based components on the cross-section solver, with the line
 * vectors of their builders: the thin-film resistor (C', L', G', R' =
 * res_rs / W), the resistive gap (C', L', g, R', G', W, T), the capacitive
 * line (C', L', Cm, R', G', W, T) and the MIM capacitor (2 x 2 C, L, R, G
 * row by row, GK, W_BOT, W_TOP, T_BOT, T_TOP).  Status as for Calc_Line. */
MIRTEX_API int Calc_Tfr(int* ipar, double* dpar, double* dpar_out);
MIRTEX_API int Calc_Tfg(int* ipar, double* dpar, double* dpar_out);
MIRTEX_API int Calc_Mimlin(int* ipar, double* dpar, double* dpar_out);
MIRTEX_API int Calc_Mim(int* ipar, double* dpar, double* dpar_out);

/* The ends and discontinuities on the three-dimensional grid, with the
 * vectors of their builders; status as for Calc_Line.  dpar_out receives
 * the open end's C_end [F] and its line's C', L', ZL, ER_eff; the short
 * end's L_end [H] and L' [H/m]; the gap's Cp1, Cp2, Cs [F] and the step's
 * and taper's L1, L2 [H], Cp [F], each followed by C', L', ZL, ER_eff of the
 * line at port 1 and at port 2. */
MIRTEX_API int Calc_Open(int plot, int* ipar, double* dpar, double* dpar_out);
MIRTEX_API int Calc_Short(int plot, int* ipar, double* dpar, double* dpar_out);
MIRTEX_API int Calc_Gap(int plot, int* ipar, double* dpar, double* dpar_out);
MIRTEX_API int Calc_Step(int plot, int* ipar, double* dpar, double* dpar_out);
MIRTEX_API int Calc_Taper(int plot, int* ipar, double* dpar, double* dpar_out);

/* The junctions on the three-dimensional grid: the air bridge, the bend,
 * the tee and the cross.  dpar_out receives the arm inductances [H], Cp
 * [F], G/omega [s/Ohm], each arm's C', L', ZL, ER_eff and its geometry;
 * ipar_out the bridge codes.  Status as for Calc_Line. */
MIRTEX_API int Calc_Air(int plot, int* ipar, double* dpar, int* ipar_out, double* dpar_out);
MIRTEX_API int Calc_Bend(int plot, int* ipar, double* dpar, int* ipar_out, double* dpar_out);
MIRTEX_API int Calc_Tee(int plot, int* ipar, double* dpar, int* ipar_out, double* dpar_out);
MIRTEX_API int Calc_Cross(int plot, int* ipar, double* dpar, int* ipar_out, double* dpar_out);

/* The interdigital capacitor on the three-dimensional grid, with its
 * instance-sized integer vector (n_ipar slots): dpar_out receives Cp1, Cp2,
 * Cs [F], L1, L2, M, Ls [H], Rf1, Rf2 [Ohm at 1 GHz], Rg1, Rg2 [1/m: R_dc =
 * Rg / sigma], T [m], C', L', ZL, Ereff of the lines.  Status as for
 * Calc_Line. */
MIRTEX_API int Calc_Cap(int plot, int* ipar, int n_ipar, double* dpar, double* dpar_out);

/* The spiral inductor, with its instance-sized vectors: the result vector
 * (4 N + 2 doubles, allocated here like Calc_Coup's) holds T, Cs, then
 * per winding segment its resistance at 1 GHz, its DC resistance (both
 * for the reference conductivity), L and C; ipar_out[0] = N.  Status as
 * for Calc_Line. */
MIRTEX_API int Calc_Ind2(int plot, int* ipar, int n_ipar, double* dpar, int n_dpar, int* ipar_out, double** dpar_out,
                         int* n_dpar_out);

/* Successive over-relaxation of the two-dimensional potential held in
 * pot_0, pot_1, pot_2, pot_4 until the largest residual of a sweep is within
 * bound (at least 3 sweeps).  Nodes at exactly 0.0, and in pot_0 at exactly
 * 1.0 or -1.0, when the call begins are held fixed for the whole call.
 * 0 converged, kStopped on a stop request, kFailed (reported) when the
 * arrays do not match the layout, the sweep bound is reached or the field
 * overflows. */
MIRTEX_API int iteration(double e3, double e2, double e1, int nx, int m4, int m2, int k1, int rows0, int n4, int h1,
                         int h2, double met, double bound, double alpha);

/* The band grids of the two-dimensional solvers: handles and access
 * pointers, indexed [column][row] from 1.  Each thread has its own, so
 * that solver runs side by side each relax a grid of their own. */
MIRTEX_API extern thread_local d2* pot0;
MIRTEX_API extern thread_local d2* pot1;
MIRTEX_API extern thread_local d2* pot2;
MIRTEX_API extern thread_local d2* pot4;
MIRTEX_API extern thread_local d2 pot_0;
MIRTEX_API extern thread_local d2 pot_1;
MIRTEX_API extern thread_local d2 pot_2;
MIRTEX_API extern thread_local d2 pot_4;

/* The three-dimensional band grids, [column][row][plane] from 1: plane y of
 * a band coincides with plane 2y - 1 of the next finer band. */
MIRTEX_API extern thread_local d3* pit0;
MIRTEX_API extern thread_local d3* pit1;
MIRTEX_API extern thread_local d3* pit2;
MIRTEX_API extern thread_local d3* pit4;
MIRTEX_API extern thread_local d3 pit_0;
MIRTEX_API extern thread_local d3 pit_1;
MIRTEX_API extern thread_local d3 pit_2;
MIRTEX_API extern thread_local d3 pit_4;

/* Over-relaxation of the whole three-dimensional field in pit_0 .. pit_4
 * (box of nx = L1/DL by ny = L2/DL steps, ny a multiple of 4) with the
 * layered permittivities; status as for iteration. */
MIRTEX_API int iteration3(double e3, double e2, double e1, int nx, int m4, int m2, int k1, int rows0, int n4, int ny,
                          int h1, int h2, double met, double bound, double alpha);
/* The cross-section plane ny of pit_4 (8ny - 7 of pit_0) alone, with the
 * cross-section stencil. */
MIRTEX_API int iteration3z(double e3, double e2, double e1, int nx, int m4, int m2, int k1, int rows0, int n4, int ny,
                           int h1, int h2, double met, double bound, double alpha);
/* The whole field in a uniform medium (the slot problem of an inductance);
 * the cover rows are those of the arrays. */
MIRTEX_API int iteration3l(int nx, int m4, int m2, int k1, int ny, double bound, double alpha);

/* Flux leaving the conductor nodes (0.0, +-1.0) of pit_0 columns x1..x2 and
 * planes y1..y2 into *sum: 0, or 1 (sum untouched) when the rectangle does
 * not lie inside the walls.  faces for a thick metal: 0 all, 1 bottom row,
 * 2 top row. */
MIRTEX_API int charge(double ea, double eb, int x1, int x2, int y1, int y2, int ny, int nx, double met, int rows0,
                      int faces, double* sum);
/* Adds Q/S^2 and 1/S of each cross-section of a conductor run (dir 1: the
 * current along y, 2: along x) on metal row layer (0 thin, 1 bottom, 2 top
 * of a thick metal). */
MIRTEX_API void current(int x1, int x2, int y1, int y2, int ny, int nx, double met, int rows0, int layer, int dir,
                        double* inverse_sum, double* ratio_sum);

/* Progress of the running relaxation, each thread's own: the run caption
 * ("1/2", "2/2", ...) and the interval in sweeps between progress lines
 * (0: none). */
MIRTEX_API extern thread_local char text_iteration[20];
MIRTEX_API extern thread_local int print_iteration;

/* One progress line in the status window:
 * "<CPW_Misc.label> : <text_iteration>   n= <sweep>    e= <residual>". */
MIRTEX_API void CPW_Anzeige(const char* kernel_name, int sweep, double residual);

/* Non-zero when the user has asked the running solve to stop (stop_cpw). */
MIRTEX_API int CPW_Abbruch(void);

}  // extern "C"
