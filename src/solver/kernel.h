// The graded band grid of the static field solvers and its relaxation.
//
// A cross-section is covered by four bands of square cells whose step
// doubles away from the metal plane: band 0 (step h = DL/2) holds the metal
// rows, bands 1, 2 and 4 (steps 2h, 4h, 8h) are stacked below and above it.
// Each coarse band is split in two: its lower rows lie under the finer band,
// its upper rows over it.  Column x of a band coincides with column 2x - 1 of
// the next finer band.  Inside the metal thickness band 0 has the vertical
// step MET x h.
//
// Everything that depends only on this geometry lives here, so that the
// cross-section kernel and the three-dimensional kernels agree on it: the
// row heights, the band traversal order, which row a row's vertical
// neighbours are in, and the box-integration face coefficients of
// div(eps grad phi) = 0 for a layered permittivity.
#pragma once

#include <atomic>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "solver/solver.h"

namespace mirtex::solver {

// The bands, indexed by their step in units of h.
enum Band : int { kBand0 = 0, kBand1 = 1, kBand2 = 2, kBand4 = 3 };
inline constexpr int kBandCount = 4;
inline constexpr int kBandStep[kBandCount] = {1, 2, 4, 8};

// How a row reaches one of its vertical neighbours.
enum class Link : std::uint8_t {
    Same,     // next row of the same band, same column
    Finer,    // a row of the finer band: column x reads fine column 2x - 1
    Coarser,  // a row of the coarser band: odd fine columns coincide with a
              // coarse column, even ones take the mean of the two around them
    Absent,   // no neighbour (the bottom or top of the stack)
};

struct RowRef {
    int band = kBand0;
    int row = 0;  // 1-based, as the arrays are indexed
};

// One swept row with its neighbours and its spacings (units of h).
struct StackRow {
    RowRef self;
    RowRef up, down;
    Link up_link = Link::Absent, down_link = Link::Absent;
    double z = 0.0;   // height above the metal plane (bottom of the metal)
    double du = 0.0;  // distance to the upper neighbour (0 when absent)
    double dl = 0.0;  // distance to the lower neighbour (0 when absent)
};

// The vertical layout, from the kernel arguments: nx = L1/DL, band depths
// m4, m2, k1 below the metal, rows0 rows in band 0 (5, or 8 with a metal
// thickness), n4 = m4 + N5 rows in band 4, H1/DL, H2/DL and MET.
struct BandStack {
    int nx = 0, m4 = 0, m2 = 0, k1 = 0, rows0 = 5, n4 = 0, h1 = 0, h2 = 0;
    double met = 0.0;

    int n5() const { return n4 - m4; }
    bool thick() const { return rows0 == 8; }
    // Metal rows of band 0: 3, or 3 to 6 with a thickness.
    int metal_top_row() const { return thick() ? 6 : 3; }

    int columns(int band) const;  // nx*2 + 1, nx + 1, nx/2 + 1, nx/4 + 1
    int rows(int band) const;     // rows0, k1 + 2, m2 + 2, n4
    double z(int band, int row) const;

    // Every row of the stack in sweep order: band 4 lower rows 2..m4, band 2
    // lower rows 1..m2, band 1 lower rows 1..k1, band 0 rows 1..rows0, band 1
    // upper rows, band 2 upper rows, band 4 upper rows m4+1..n4-1.
    std::vector<StackRow> sweep_rows() const;

    // Whether the kernel can work on this stack at all: positive sizes, a
    // box width divisible by 4 so that the columns of all bands coincide.
    bool valid() const;
};

// Band depths below the metal from q = H1/DL + H2/DL - 1: k1 rows of band
// 1, m2 of band 2 and m4 of band 4, so that q = k1 + 2 m2 + 4 m4 and the
// bottom ground row lies (q + 1) DL below the metal plane.
struct BandDepths {
    int k1 = 0, m2 = 0, m4 = 0;
};
BandDepths band_depths(int q);

// The stack of a grid from its slots: H1/DL, H2/DL, L1/DL, N5 and the
// metal step ratio (thick: eight rows in band 0 with the ratio met, else
// five).  Empty, or what makes the slots unusable: a substrate thinner than
// the grid's three steps, a MET that is no number.  Whether the box fits
// (BandStack::valid) is the caller's to check and report.
std::string stack_from_slots(int h1, int h2, int nx, int n5, double met, bool thick, BandStack& st);

// Layered permittivity: e3 above the metal plane (z > 0, also between the
// conductors of a thick metal), e2 down to the depth H2, e1 below.
struct Layers {
    double e3 = 1.0, e2 = 1.0, e1 = 1.0;
    double z21 = 0.0;  // height of the e2/e1 interface (negative), units h

    // The permittivity at height z (off the interfaces).
    double at(double z) const { return z > 0.0 ? e3 : z > z21 ? e2 : e1; }
    // Integrals over [za, zb] (za <= zb) of eps and of 1/eps.
    double eps_integral(double za, double zb) const;
    double inv_eps_integral(double za, double zb) const;
};

// Face coefficients of a node's box: the flux to a neighbour is coefficient
// times the potential difference.  Horizontal faces carry eps integrated
// over the box height (parallel layers), vertical links 1/eps integrated
// along the link (layers in series).  Zero for an absent neighbour.  The
// same numbers serve a three-dimensional node with four in-plane
// neighbours on square cells.
struct Faces {
    double side = 0.0, up = 0.0, down = 0.0;
};
Faces face_coefficients(const Layers& eps, double z, double du, double dl, double hx);

// Normalised stencil weights of a node with `lateral` in-plane neighbours
// (2 in a cross-section, 4 in space): target value t = side x (sum of the
// in-plane neighbours) + up x upper + down x lower.  An absent vertical
// neighbour is mirrored: its weight goes to the opposite neighbour.
struct Weights {
    double side = 0.0, up = 0.0, down = 0.0;
};
Weights stencil_weights(const Faces& f, int lateral = 2);

// The sweep bound: a relaxation that has not met its stop bound after this
// many sweeps is given up.  With the fixed factor 1.8, over-relaxation
// lowers the residual of an n x n grid by about 9 pi^2 / n^2 per sweep, so
// five decades take some 0.12 n^2 sweeps; the graded line grids measured
// need 0.025 to 0.04 sweeps per node for both runs together.  The bound,
// 1000 + 2 per node, leaves a factor of 15 over the square-grid estimate
// and of 50 over what was measured, and still ends a hopeless run of a
// 60 000-node grid in about 10 s.
long sweep_cap(long nodes);

// The loop every kernel shares: sweep, poll the stop request, count, show
// progress every print_iteration sweeps, stop after at least 3 sweeps once
// the largest residual is within bound.  Returns 0, kStopped, or
// kFailed after reporting a run that reached the sweep cap or whose field
// overflowed (a sweep reporting an infinite residual).  A null kernel name
// is a coarse run that only prepares a start: it shows no progress and
// reports nothing.
template <class Sweep>
int relax(const char* kernel_name, double bound, long cap, long nodes_per_sweep, Sweep&& sweep);

void report_no_convergence(long sweeps, double bound, double residual);

// Work done by the kernels of this process, for measurements.
struct RelaxCounters {
    long long sweeps = 0;
    long long node_updates = 0;
    long long threaded_sweeps = 0;  // of them on two threads
    long long coarse_sweeps = 0;    // of them on coarser grids (a start)
    long long coarse_updates = 0;
};
RelaxCounters& relax_counters();
// Sweeps over the grids asked for, from a count taken before: the sweeps
// there plus the work on coarser grids in the same units.
double sweep_equivalents(const RelaxCounters& before);

template <class Sweep>
int relax(const char* kernel_name, double bound, long cap, long nodes_per_sweep, Sweep&& sweep) {
    long count = 0;
    RelaxCounters& counters = relax_counters();
    for (;;) {
        const double largest = sweep();
        // Runs side by side count into the same totals.
        std::atomic_ref<long long>(counters.sweeps).fetch_add(1, std::memory_order_relaxed);
        std::atomic_ref<long long>(counters.node_updates).fetch_add(nodes_per_sweep, std::memory_order_relaxed);
        if (kernel_name == nullptr) {
            std::atomic_ref<long long>(counters.coarse_sweeps).fetch_add(1, std::memory_order_relaxed);
            std::atomic_ref<long long>(counters.coarse_updates).fetch_add(nodes_per_sweep, std::memory_order_relaxed);
        }
        if (CPW_Abbruch() != 0) return kStopped;
        ++count;
        if (kernel_name != nullptr && print_iteration != 0 && count % print_iteration == 0)
            CPW_Anzeige(kernel_name, static_cast<int>(count), largest);
        if (count >= 3 && largest <= bound) return 0;
        // A field that has overflowed never recovers: give up at once.
        if (count >= cap || !std::isfinite(largest)) {
            if (kernel_name != nullptr) report_no_convergence(count, bound, largest);
            return kFailed;
        }
    }
}

}  // namespace mirtex::solver
