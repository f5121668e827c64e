// The cross-section solver's grid for one CPW line: band layout from the
// line vectors, creation and release of the band arrays, grounding and
// painting of the conductors, and the two relaxation runs.
#pragma once

#include <string>

#include "params/line_layout.h"
#include "solver/charge2d.h"

namespace mirtex::solver {

// Where the line vectors put things.  ok is false, with the reason in
// problem, when the vectors describe nothing the grid can hold.
struct LineLayout {
    bool ok = false;
    std::string problem;
    BandStack stack;
    ConductorSpan centre;      // the driven conductor
    ConductorSpan grounds[2];  // left and right ground
};

LineLayout line_layout(const params::LineInts& in, const params::LineReals& re);
inline LineLayout line_layout(const int* ipar, const double* dpar) {
    return line_layout(params::read_layout<params::LineInts>(ipar), params::read_layout<params::LineReals>(dpar));
}

// Owns the four band arrays for one solve: creates them (band 4 first, every
// value 0.05) into the process-wide handles, and releases them (band 0
// first) when it goes.  False when the grid is above the memory limit
// (status kFailed, reported, nothing allocated) or an array could not be
// created (status kOutOfMemory; those already made are released at once).
class LineGrid {
public:
    explicit LineGrid(const BandStack& st);
    ~LineGrid();
    LineGrid(const LineGrid&) = delete;
    LineGrid& operator=(const LineGrid&) = delete;
    explicit operator bool() const { return ok_; }
    int status() const { return ok_ ? 0 : refused_ ? kFailed : kOutOfMemory; }

    // Zero the box: side walls of every band, the bottom row and the cover.
    void ground();
    // Driven conductor at 1.0, grounds at 0.0, on every metal row.
    void paint(const LineLayout& layout);
    // Every node back to the start value 0.05 (then ground() and paint
    // again): a fresh field for another excitation of the same grid.
    void fill_start();
    // Conductor `driven` of spans at 1.0, the others at 0.0, on every metal
    // row.
    void paint(const ConductorSpan* spans, int n, int driven);

private:
    void release();
    BandStack st_;
    bool ok_ = false;
    bool refused_ = false;
    bool owned_[kBandCount] = {};
};

// Both runs on a grounded and painted grid, with their charge sums: first in
// air (all permittivities 1, run "1/2"), then with the layers (run "2/2")
// from the air potential.  0, or the kernel's status.
struct LineSums {
    ChargeSums air, dielectric;
};
int solve_line(const LineLayout& layout, const params::LineReals& re, LineSums& sums);
inline int solve_line(const LineLayout& layout, const double* dpar, LineSums& sums) {
    return solve_line(layout, params::read_layout<params::LineReals>(dpar), sums);
}

}  // namespace mirtex::solver
