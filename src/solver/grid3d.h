// The three-dimensional band grid of the end, discontinuity, junction and
// component solvers, and the memory limit every solver grid obeys.
//
// The four bands of the cross-section grid are graded alike in y: plane y
// of a band coincides with plane 2y - 1 of the next finer band, so band 0
// has 2 L2/DL + 1 planes of step h.  The arrays are [x][row][y] from 1 in
// the process-wide handles pit0 .. pit4 (access pointers pit_0 .. pit_4).
#pragma once

#include <cstdint>
#include <vector>

#include "solver/kernel.h"
#include "solver/sweep.h"

namespace mirtex::solver {

// Planes of a band for a box of ny = L2/DL steps.
inline int band_planes(int band, int ny) {
    return 2 * ny / kBandStep[band] + 1;
}

// What a grid of this stack needs: its nodes and its bytes (the arrays with
// their pointer tables, and the sweep plan).  ny = 0 for a cross-section.
struct GridSize {
    std::int64_t nodes = 0;
    std::int64_t bytes = 0;
};
GridSize grid_size(const BandStack& st, int ny);

// The memory one solver grid may take, in bytes: MIRTEX_GRID_LIMIT_MB
// megabytes when that is set to a positive number, else 4096 MB.
std::int64_t grid_limit_bytes();

// True when the grid fits the limit; otherwise the element's error names
// the grid and the limit and nothing has been allocated.
bool grid_allowed(const BandStack& st, int ny);

// The sweep bound of a three-dimensional run: 1000 + 50 n, with n the
// largest extent of the finest band (columns, planes) or of the stack (rows
// of all bands).  The node count is no measure here: a million-node box
// needs a few hundred sweeps, and the sweeps grow more slowly than n (an
// open end at BOUND 1e-8: 218, 362 and 532 sweeps for n = 161, 401 and
// 801), so the bound leaves a factor of 40 or more and ends a hopeless run
// of a million nodes in about a minute.
long sweep_cap3(const BandStack& st, int ny);

// The dielectric blocks the layered kernel puts into the grid of the
// running solve (empty: layers only).
const std::vector<DielectricBlock>& dielectric_blocks();

// Owns pit0 .. pit4 for one solve.  Creation refuses a grid above the
// memory limit (status kFailed, reported) and releases everything on a
// failed allocation (status kOutOfMemory).  The painting works on the metal
// rows of band 0 (row 3, or rows 3 to 6 with a metal thickness).
class BandGrid3 {
public:
    BandGrid3(const BandStack& st, int ny);
    ~BandGrid3();
    BandGrid3(const BandGrid3&) = delete;
    BandGrid3& operator=(const BandGrid3&) = delete;
    explicit operator bool() const { return status_ == 0; }
    int status() const { return status_; }
    const BandStack& stack() const { return st_; }
    int ny() const { return ny_; }

    // Zero the box: side walls and bottom and cover rows of every band over
    // all planes; with end_wall also the last plane of every band (the wall
    // beyond an end).  Plane 1 stays free: the symmetry plane.
    void ground(bool end_wall);
    // Set the metal rows of band 0 over columns x1..x2 and planes y1..y2
    // (inclusive, clipped to the band) to v: 0.0 ground, +-1.0 a driven
    // conductor or slot.  An empty range paints nothing.  plane_only: the
    // metal plane (row 3) alone, as the slot problems have it.
    void paint(int x1, int x2, int y1, int y2, double v, bool plane_only = false);
    // The same over band 0 rows r1..r2 alone (a bridge's deck or posts).
    void paint_rows(int x1, int x2, int y1, int y2, int r1, int r2, double v);
    // Turn the side walls (column 1, the last column, or both) of every
    // band, or of band 0 alone, into mirror planes: each wall node takes its
    // inner neighbour's value, so it is free wherever that one is, and a
    // line that reaches the wall continues beyond it.
    void mirror_side_walls(bool low, bool high, bool band0_only = false);
    // Every node of band 0 back to the start value 0.05 with its walls
    // grounded again: a fresh fine field for another problem on the grid.
    void refill_band0(bool end_wall);
    // A block of permittivity eps over fine columns c1..c2 and planes
    // y1..y2 (the cells between them), from height z1 to z2 in units h
    // above the metal plane: what iteration3 then relaxes with.
    void add_dielectric(int c1, int c2, int y1, int y2, double z1, double z2, double eps);

private:
    void release();
    BandStack st_;
    int ny_ = 0;
    int status_ = kOutOfMemory;
    bool owned_[kBandCount] = {};
};

}  // namespace mirtex::solver
