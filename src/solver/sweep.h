// The relaxation core shared by every kernel, two- and three-dimensional.
//
// A band is seen through a view: node (x, row, y), all 1-based, lies at
// base + (x-1) sx + (row-1) sr + (y-1) sy.  A cross-section array [x][row]
// is a view with one plane; a three-dimensional array [x][row][y] (planes
// contiguous) has many, and one plane of it is again a cross-section.
//
// The sweep visits the rows in the band-stack order, and in each row the
// lines of nodes of the row: a planar sweep (the cross-section stencil)
// runs along x, a spatial sweep (the seven-point stencil) runs along y, one
// line per column x in ascending order.  Within a row both orders, plane
// by plane along x or column by column along y, update every node after
// the neighbours that precede it in the row and before those that follow,
// so they give bit-identical fields; along y the lines are contiguous in
// memory.
//
// Geometry is read once: the plan classifies every node as fixed or free
// when it is built and keeps, per line, the runs of free nodes, the
// neighbour lines and the scaled weights.  A sweep then reads arrays only.
// A node that reaches exactly a fixed value (0.0, or +-1.0 in band 0)
// during a sweep is held from the next sweep on: the plan is classified
// again when a sweep reports such a hit, which in practice never happens.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "solver/kernel.h"

namespace mirtex::solver {

struct BandView {
    double* base = nullptr;  // node (1, 1, 1)
    std::ptrdiff_t sx = 0, sr = 0, sy = 0;
    int columns = 0, rows = 0, planes = 1;

    double* at(int x, int row, int y) const { return base + (x - 1) * sx + (row - 1) * sr + (y - 1) * sy; }
};

// A cross-section array d2 [x][row] through its access pointer.
BandView view2(d2 a, int columns, int rows);
// A three-dimensional array d3 [x][row][y], whole or just plane y (then a
// view with one plane).
BandView view3(d3 a, int columns, int rows, int planes);
// The same over a contiguous block of columns x rows x planes values.
BandView view3(double* base, int columns, int rows, int planes);
BandView view3_plane(d3 a, int columns, int rows, int planes, int y);

enum class Stencil { Planar, Spatial };

// How a line reads its vertical neighbour in the adjacent row: Same and
// Finer as for a row; a coarser row is interpolated along the line (mean of
// the two coarse nodes around an even fine index) and, in a spatial sweep
// at an even column, also across x (two coarse lines, mean of the two).
enum class Read : unsigned char { Same, Finer, Coarser, Coarser2 };

struct Run {
    int first, last;   // 0-based along the line, inclusive
    int special = -1;  // nodes with weights of their own: index of the first
};

// A block of another permittivity inside the layers (a bridge's or a
// capacitor's dielectric): the cells between fine columns c1..c2 and fine
// planes y1..y2, from height z1 to z2 (units h, the metal plane at 0).
struct DielectricBlock {
    int c1 = 0, c2 = 0, y1 = 0, y2 = 0;
    double z1 = 0.0, z2 = 0.0, eps = 1.0;
};

// Face coefficients of a node at (X, Y, z) (units h; X and Y from column
// and plane 1) with in-plane step s and vertical spacings du, dl, from the
// permittivities of its eight surrounding cells: the flux to each
// neighbour per potential step.  Neighbouring nodes share their face, so
// A's coefficient towards B is B's towards A.  True when a block reaches
// one of the cells.
struct CellFaces {
    double xm = 0.0, xp = 0.0, ym = 0.0, yp = 0.0, up = 0.0, down = 0.0;
};
bool block_faces(const Layers& layers, const std::vector<DielectricBlock>& blocks, double X, double Y, double z,
                 double s, double du, double dl, CellFaces& f);

// The scaled weights of a node whose neighbourhood is not layered: each of
// its six neighbours has its own face.
struct NodeWeights {
    double keep, prev, next, xa, xb, up, down;
};

// Stencil weights times the relaxation factor, and 1 - alpha for the node.
struct Scaled {
    double keep, side, up, down;
};

struct Line {
    double* p = nullptr;         // first node of the line
    std::ptrdiff_t s = 0;        // step along the line
    int last = 0;                // last index along the line
    const double* xa = nullptr;  // spatial: the lines of columns x - 1 and x + 1
    const double* xb = nullptr;  // (the same inner line at a wall), step s
    const double* up = nullptr;
    const double* up2 = nullptr;
    std::ptrdiff_t su = 0;
    const double* dn = nullptr;
    const double* dn2 = nullptr;
    std::ptrdiff_t sd = 0;
    Read ur = Read::Same, dr = Read::Same;
    bool driven = false;  // band 0: +-1.0 is fixed as well
    Scaled w{};
    int x = 1, step = 1;                 // column and in-plane step (units h)
    int band = kBand0;                   // the band the line lies in
    double faces = 0.0;                  // sum of the node's face coefficients
    const double* g = nullptr;           // a source along the line, or none
    double z = 0.0, du = 0.0, dl = 0.0;  // height and vertical spacings
    int run_first = 0, run_end = 0;
};

// Whether neighbouring lines of a spatial sweep run interleaved (the
// default); off gives the plain line-by-line order, for comparison.
void set_line_pairing(bool on);
// Threads of a spatial sweep: 2 (the default, when the machine has two
// cores, from 200 000 free nodes on) or 1; for comparison and measurement.
// paced: two threads only while they are the faster (Pace); false keeps
// them on every sweep.
void set_sweep_threads(int n, long from_nodes = 200000, bool paced = true);
// Whether a spatial run raises its over-relaxation factor from its own
// rate of convergence (the default); off keeps the factor it was given,
// for comparison.  Cross-section runs keep theirs: a few thousand nodes
// converge in a few hundred sweeps at the given factor.
void set_factor_tuning(bool on);

// While one lives, plans made on this thread sweep on it alone: a thread
// of a pool that already keeps every core busy wants no partner thread.
class SweepOnOneThread {
public:
    SweepOnOneThread();
    ~SweepOnOneThread();
    SweepOnOneThread(const SweepOnOneThread&) = delete;
    SweepOnOneThread& operator=(const SweepOnOneThread&) = delete;

private:
    bool before_;
};

// The over-relaxation factor of a run, chosen from the run itself.  Once
// one mode dominates the error, the largest residual falls by a steady
// ratio lambda per sweep: the spectral radius of the sweep at factor w.
// For the consistently ordered stencils of these grids lambda and the
// spectral radius mu of the plain Jacobi sweep obey
//     (lambda + w - 1)^2 = lambda w^2 mu^2,
// and the best factor is 2 / (1 + sqrt(1 - mu^2)).  Above the best factor
// the ratio is w - 1 whatever mu is, and a ratio measured before the
// slowest mode dominates is too small: both leave the factor where it is
// or give one below the best, so the tuner only ever raises the factor
// (and takes a raise back when the run does not thrive on it).
class FactorTuner {
public:
    // The factor from the next sweep on, given the largest residual of the
    // sweep just made at factor w (w itself when it stays).
    double next(double residual, double w);

    // Sweeps between two readings of the residual; the rate counts when
    // two successive stretches agree on it.
    static constexpr int kStretch = 8;
    // A raise below this share of the way to 2 is not worth a new start of
    // the measurement.
    static constexpr double kLeast = 0.05;
    static constexpr double kHighest = 1.995;
    // A raise that lets the residual grow by this factor, or not halve in
    // this many stretches, is taken back.
    static constexpr double kGrowth = 4.0;
    static constexpr int kPatience = 16;

private:
    int since_ = 0;  // sweeps since the factor last changed
    double mark_[2] = {0.0, 0.0};
    double first_ = 0.0;      // the factor the run was given
    double raised_at_ = 0.0;  // the residual when the factor last rose
    bool locked_ = false;
};

// How a pipelined sweep runs: the two-thread pipeline gains only while the
// partner keeps pace; one that has lost its core (another process on a
// busy machine) makes every row wait for it, and the sweep takes several
// times as long as on one thread.  Sweeps are timed: a run starts on one
// thread and tries two at its second sweep; the faster way runs, the other
// is tried again now and then, less often each time it loses, and two
// threads that fall well behind one thread's last time are left at once.
// Both ways give the same field, bit for bit.
class Pace {
public:
    bool two() const { return probing_ != best_two_; }
    void record(double seconds);

    static constexpr int kFirstProbe = 16, kLastProbe = 1024;

private:
    bool best_two_ = false, probing_ = false;
    double time_[2] = {0.0, 0.0};  // last sweep on one, on two threads
    long count_ = 0, next_ = 1;
    int interval_ = kFirstProbe;
};

// A field of a plan's shape in arrays of its own: node (1, 1, 1) of band
// b at base[b], with the strides of the plan's views.
struct Field {
    double* base[kBandCount] = {};
};

class Plan {
public:
    // views[b] the band arrays; blocks (spatial sweeps only) put other
    // permittivities into the layers, node by node where they reach.
    Plan(Stencil stencil, const BandStack& st, const Layers& eps, const BandView views[kBandCount], double alpha,
         const std::vector<DielectricBlock>& blocks = {});
    ~Plan();
    Plan(const Plan&) = delete;
    Plan& operator=(const Plan&) = delete;

    long free_nodes() const { return free_; }
    // Bytes the plan holds: what a size estimate must allow per line.
    static constexpr std::size_t kBytesPerLine = sizeof(Line) + 2 * sizeof(Run) + 3 * sizeof(void*) + 1;

    // One sweep; the largest residual of its nodes (infinite once the field
    // has overflowed).  With tuning on, the factor may rise afterwards.
    double sweep();
    double alpha() const { return alpha_; }
    // Goes on at factor alpha, tuned afresh from there.
    void restart_factor(double alpha);
    // Sweeps of the run made on two threads.
    long threaded_sweeps() const { return threaded_; }
    // Whether the plan keeps the factor it was given (on) or tunes it.
    void hold_factor(bool on = true);

    // The error equation of a coarser grid has a source: g (at the free
    // nodes) is what a node exceeds the mean of its neighbours by once
    // converged.  One sweep p <- p + alpha (t + g - p), on this thread; the
    // largest residual |t + g - p|.
    double sweep_source(const Field& g);
    // The flux imbalance D (t + g - p) of every free node, D the sum of its
    // face coefficients, run by run: to(line, offset, run, r) with r[j]
    // that of node j of the line.  Null g: no source.
    using RunValues = std::function<void(const Line&, std::ptrdiff_t, Run, const double*)>;
    void residual(const Field* g, const RunValues& to);
    // A flux imbalance in g as a source: g /= scale D at the free nodes
    // (scale: the ratio of the length units of the flux and of the plan).
    void to_source(const Field& g, double scale) const;
    // fn(line, offset, run) for every run of free nodes, offset the line's
    // place in a Field of the plan's shape.
    template <class F>
    void each_run(F&& fn) const {
        for (const Line& l : lines_) {
            const std::ptrdiff_t o = l.p - origin_[l.band];
            for (int r = l.run_first; r < l.run_end; ++r) fn(l, o, runs_[r]);
        }
    }

private:
    void set_alpha(double alpha);
    double sweep_one();
    double sweep_two();
    void add_line(Line ln);
    void classify(Line& ln);
    void reclassify();
    void pair_lines();
    // Weights of node j of a spatial line whose cells a block reaches;
    // false for a layered node.
    bool node_weights(const Line& ln, int j, NodeWeights& w) const;

    // The rows of a spatial sweep: their lines, in-plane step (units h) and
    // how many of their lines are done in the running sweep.
    struct RowLines {
        int first = 0, end = 0, step = 1;
    };
    struct Result {
        double largest = 0.0;
        int hits = 0;
    };
    // Rows first, first + 2, ... of the sweep; a row waits, line by line,
    // for the row before it (on the other thread) to be far enough ahead.
    void sweep_rows(std::size_t first, std::vector<double>& scratch, Result& out);
    void wait_for(std::size_t row, int position) const;
    void start_worker();
    void worker_loop();

    // The sweep functions of a line: planar, or spatial alone and paired
    // with the next line of its row.
    struct Fns {
        double (*planar)(const Line&, Run, double, int&) = nullptr;
        double (*single)(const Line&, Run, double, int&, double*, std::size_t, const NodeWeights*) = nullptr;
        double (*pair)(const Line&, const Line&, Run, double, int&, double*, std::size_t) = nullptr;
    };

    std::vector<Line> lines_;
    std::vector<Run> runs_;
    const double* origin_[kBandCount] = {};
    std::vector<Fns> fns_;
    std::vector<unsigned char> paired_;  // line i runs with line i + 1
    std::vector<double> scratch_;        // the parts of two lines' runs
    long free_ = 0;
    double alpha_;
    bool tune_ = true;
    bool classify_hits_ = true;
    FactorTuner tuner_;
    Layers layers_;
    std::vector<DielectricBlock> blocks_;
    std::vector<NodeWeights> special_;

    // Two-thread pipeline of a spatial sweep: the caller takes the even
    // rows, a worker the odd ones.
    std::vector<RowLines> rows_;
    std::unique_ptr<std::atomic<int>[]> done_;
    std::vector<double> scratch2_;
    std::thread worker_;
    std::mutex mutex_;
    std::condition_variable wake_;
    long generation_ = 0;  // sweeps handed to the worker
    long finished_ = 0;    // sweeps the worker has finished
    bool quit_ = false;
    Result worker_result_;
    Pace pace_;
    long threaded_ = 0;
};

}  // namespace mirtex::solver
