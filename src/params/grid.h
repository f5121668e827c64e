// Grid arithmetic shared by the checks, the check functions and the input
// builders: counting lengths in grid steps, the snapping rule, the grid-fit
// procedure and the thickness warnings.
#pragma once

#include <cstddef>
#include <initializer_list>

#include "params/params.h"

namespace mirtex::params {

// No dimension may span more grid steps than this.  Far beyond any grid a
// solver can hold, it keeps every grid count, and every sum of a few of
// them, well inside an int.
constexpr double kMaxGridSteps = 1.0e6;
// No grid step is finer than the thinnest metal film: below it every size
// would be refused as too many steps, under its own name instead of DL's.
constexpr double kMinGridStep = 1.0e-9;

// Material bounds.  No dielectric of a planar process comes near a relative
// permittivity of 1e4 (ferroelectric films stay below it), and beyond it the
// solver's charge sums lose their digits.  A loss tangent above 1 describes
// a conductor rather than a dielectric.
constexpr double kMaxPermittivity = 1.0e4;
constexpr double kMaxLossTangent = 1.0;
// Metal resistivity relative to the technology's reference (rho = 1 gives
// 4.5e7 S/m): 1e6 is a conductivity of 45 S/m, far below any metal film;
// 1e-3 is a thousand times gold's conductivity, beyond any metal, and
// below it the loss terms of the discontinuities vanish and their
// admittances overflow.
constexpr double kMaxRelativeResistivity = 1.0e6;
constexpr double kMinRelativeResistivity = 1.0e-3;
// Sheet resistances of resistor films [ohm/square]: metal films lie near
// 0.02, resistive ones at 10 to 1000.  Outside these bounds the film
// line's propagation term under- or overflows.
constexpr double kMinSheetResistance = 1.0e-3;
constexpr double kMaxSheetResistance = 1.0e6;
// No deposited film, metal or dielectric, is thinner than a nanometre.
constexpr double kMinMetalThickness = 1.0e-9;
// Nor is a metal film of a planar process thicker than a millimetre
// (plated gold reaches tens of micrometres).  Far beyond, a forgotten unit
// (t1=3 for 3 m) leaves the spiral's segment network so ill-conditioned
// that its matrix is no longer reciprocal.
constexpr double kMaxMetalThickness = 1.0e-3;

// The name of the technology item the process resolved to (C_TECH_<foundry>),
// for the messages of its values; empty before the first resolution.
const char* tech_item_name();

// trunc() of a quotient of lengths.  A length built from whole grid steps,
// divided by the step again, comes back a few ulps short of the whole number
// (123 * 1e-6 / 1e-6 = 122.99999999999999); such a quotient counts as the
// whole number it stands for.  Stays a double, so NaN and infinities pass
// through without an undefined conversion.
double count_trunc(double x);

// A double grid count as an int, saturating at the int range (NaN gives 0).
// Checked inputs never come near the limits; this only keeps a stray value
// from an undefined conversion.
int to_count(double x);

// round(x) = trunc(x + 0.50001): to the nearest integer, halves upwards.
inline int grid_round(double x) { return to_count(x + 0.50001); }

// Grid units of a lateral width: round(2x/DL)/2, a multiple of one half.
inline double half_units(double x, double DL) { return grid_round(2.0 * x / DL) / 2.0; }
// Grid units of H2: round(H2/DL).
inline int whole_units(double x, double DL) { return grid_round(x / DL); }
// Grid units of H1, L1, L2: 4 round(x/(4 DL)).
inline int quad_units(double x, double DL) { return 4 * grid_round(x / (4.0 * DL)); }
// The H3 layer is 4k + 7 steps high, k = round((H3/DL - 7)/4).
inline int h3_k(double H3, double DL) { return grid_round((H3 / DL - 7.0) / 4.0); }

// Relative grid-fit tolerance from the grid item's ACC (per cent).
inline double fit_tolerance(int ACC) { return ACC >= 1 ? ACC * 0.01 : 1e-5; }

// One dimension for the grid fit: its label, real value and chosen units.
struct FitDim {
    const char* name;
    double value;
    double units;
};

// Runs par_chck on each dimension in order; 0 when all are accepted, 1 at
// the first rejection (later dimensions are not looked at).  Every element
// check function fits its dimensions through this, in its own order.
int fit_to_grid(const char* label, double tol, double DL, WARN** list, std::initializer_list<FitDim> dims);
int fit_to_grid(const char* label, double tol, double DL, WARN** list, const FitDim* dims, std::size_t count);

// Thickness warnings "%s%d/%s = %lg > %lg !" and "... < %lg !": appended
// when ratio = thickness/DL lies above (below) the limit.
void warn_above(WARN** list, const char* label, int index, const char* dl_label, double ratio, double limit);
void warn_below(WARN** list, const char* label, int index, const char* dl_label, double ratio, double limit);

}  // namespace mirtex::params
