// Solving a three-dimensional element on two grids, DL and 2 DL, to take
// its lumped values to the fine-grid limit (they converge in first order in
// DL).  The builders take part in two ways: they stamp the real vector of
// an element solved this way with a layout version of its own, so that its
// records never meet plain ones, and they snap to a scaled grid while a
// GridScale is held.
#pragma once

namespace mirtex::params {

// MIRTEX_EXTRAPOLATE=1 asks for extrapolated values (read at each build).
bool extrapolating();

// What an extrapolated record adds to the plain layout version: 1010 plain,
// 2010 extrapolated.
inline constexpr double kExtrapolatedStamp = 1000.0;

// The version a three-dimensional element's builder writes: plain, or
// plain + kExtrapolatedStamp when extrapolating.
double version_stamp(double plain);
// Whether a version slot holds an extrapolated record's stamp (the plain
// layouts are numbered from 1010 on, well below 2000).
inline bool extrapolated_stamp(double version) {
    return version >= 2.0 * kExtrapolatedStamp;
}

// While one is held, the builders on this thread fit the geometry to a grid
// of scale times the grid item's DL.
class GridScale {
public:
    explicit GridScale(double scale);
    ~GridScale();
    GridScale(const GridScale&) = delete;
    GridScale& operator=(const GridScale&) = delete;

private:
    double previous_;
};
double grid_scale();

}  // namespace mirtex::params
