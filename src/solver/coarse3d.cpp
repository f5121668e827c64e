#include "solver/coarse3d.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <memory>
#include <new>

#include "solver/grid3d.h"

namespace mirtex::solver {

namespace {

bool g_coarse = true;
// The share of the coarse run's distance of its factor from 2 that the
// fine run starts with.
constexpr double kFactorCarry = 0.7;
// Fine nodes across the narrowest strip, slot or gap of a grid that starts
// from a coarser one.
constexpr int kNarrowest = 8;
// Plain Gauss-Seidel sweeps of a coarse-started run before its factor.
constexpr int kSmoothing = 5;
long g_coarse_from = kCoarseStartNodes;

// One row of a band grid at its height (units h of that grid).
struct Level {
    double z;
    int band, row;
};

// A band grid read by position, in units h of that grid from node (1, 1)
// of band 0 and from the metal plane.
class Reader {
public:
    Reader(const BandStack& st, const BandView* views) : v_(views) {
        for (int b = 0; b < kBandCount; ++b)
            for (int r = 1; r <= st.rows(b); ++r) rows_.push_back({st.z(b, r), b, r});
        std::sort(rows_.begin(), rows_.end(), [](const Level& a, const Level& b) { return a.z < b.z; });
    }

    // The rows k and k + 1 around height z (clamped to the grid), and the
    // weight t of row k + 1.
    void bracket(double z, std::size_t& k, double& t) const {
        const auto it =
            std::upper_bound(rows_.begin(), rows_.end(), z, [](double v, const Level& l) { return v < l.z; });
        k = static_cast<std::size_t>(
            std::clamp<std::ptrdiff_t>(it - rows_.begin() - 1, 0, static_cast<std::ptrdiff_t>(rows_.size()) - 2));
        t = std::clamp((z - rows_[k].z) / (rows_[k + 1].z - rows_[k].z), 0.0, 1.0);
    }

    // Bilinear in row k.
    double in_row(std::size_t k, double X, double Y) const {
        const Level& l = rows_[k];
        const BandView& v = v_[l.band];
        const double s = kBandStep[l.band];
        const double u = std::clamp(X / s, 0.0, v.columns - 1.0), w = std::clamp(Y / s, 0.0, v.planes - 1.0);
        const int i = std::min(static_cast<int>(u), v.columns - 2), j = std::min(static_cast<int>(w), v.planes - 2);
        const double fx = u - i, fy = w - j;
        const double* p = v.at(i + 1, l.row, j + 1);
        return (1.0 - fx) * ((1.0 - fy) * p[0] + fy * p[v.sy]) + fx * ((1.0 - fy) * p[v.sx] + fy * p[v.sx + v.sy]);
    }

    // The four nodes around (X, Y) of row k, for a line of points along
    // Y at one X: the bilinear weights of in_row, times share.
    struct Spot {
        double* p;
        std::ptrdiff_t sx, sy;
        double fx, share, per_unit;
        int last;

        // fn(j, q, fy) for the points Y = j step, j = first .. end: q the
        // node at or below the point along the line, fy the point's
        // weight of the node after it.  A finer line's points fall on
        // every node or half-way between two (the usual case, exactly),
        // or at quarters and eighths.
        template <class F>
        void walk(int first, int end, double step, F&& fn) const {
            const double r = step * per_unit;
            if (r == 0.5) {
                for (int j = first; j <= end; ++j) {
                    int c = j >> 1;
                    double fy = (j & 1) ? 0.5 : 0.0;
                    if (c > last) c = last, fy = 1.0;
                    fn(j, p + c * sy, fy);
                }
                return;
            }
            for (int j = first; j <= end; ++j) {
                const double w = j * r;
                const int c = std::min(static_cast<int>(w), last);
                fn(j, p + c * sy, std::min(w - c, 1.0));
            }
        }
        // The transpose of get: v spread over the four nodes.
        void add(double* q, double fy, double v) const {
            const double a = share * v * (1.0 - fx), b = share * v * fx;
            q[0] += a * (1.0 - fy);
            q[sy] += a * fy;
            q[sx] += b * (1.0 - fy);
            q[sx + sy] += b * fy;
        }
        double get(const double* q, double fy) const {
            return share *
                   ((1.0 - fx) * ((1.0 - fy) * q[0] + fy * q[sy]) + fx * ((1.0 - fy) * q[sx] + fy * q[sx + sy]));
        }
    };
    Spot spot(std::size_t k, double X, double share) const {
        const Level& l = rows_[k];
        const BandView& v = v_[l.band];
        const double s = kBandStep[l.band];
        const double u = std::clamp(X / s, 0.0, v.columns - 1.0);
        const int i = std::min(static_cast<int>(u), v.columns - 2);
        return {v.at(i + 1, l.row, 1), v.sx, v.sy, u - i, share, 1.0 / s, v.planes - 2};
    }

    // The node nearest to (X, z, Y).
    double nearest(double X, double z, double Y) const {
        std::size_t k;
        double t;
        bracket(z, k, t);
        const Level& l = rows_[t > 0.5 ? k + 1 : k];
        const BandView& v = v_[l.band];
        const double s = kBandStep[l.band];
        const int i = std::clamp(static_cast<int>(std::lround(X / s)), 0, v.columns - 1);
        const int j = std::clamp(static_cast<int>(std::lround(Y / s)), 0, v.planes - 1);
        return *v.at(i + 1, l.row, j + 1);
    }

private:
    const BandView* v_;
    std::vector<Level> rows_;
};

// A band grid of its own, laid out as the solvers' arrays are (planes
// contiguous).
struct OwnGrid {
    BandStack st;
    int ny;
    std::vector<double> data[kBandCount];
    BandView views[kBandCount];

    OwnGrid(const BandStack& s, int n) : st(s), ny(n) {
        for (int b = 0; b < kBandCount; ++b) {
            const int X = st.columns(b), R = st.rows(b), Y = band_planes(b, ny);
            data[b].assign(static_cast<std::size_t>(X) * R * Y, 0.0);
            views[b] = view3(data[b].data(), X, R, Y);
        }
    }
    Field field() {
        Field f;
        for (int b = 0; b < kBandCount; ++b) f.base[b] = data[b].data();
        return f;
    }
    void clear() {
        for (std::vector<double>& d : data) std::fill(d.begin(), d.end(), 0.0);
    }
};

bool held(double v, int band) {
    return v == 0.0 || (band == kBand0 && (v == 1.0 || v == -1.0));
}

long nodes_of(const BandStack& st, int ny) {
    long n = 0;
    for (int b = 0; b < kBandCount; ++b) n += static_cast<long>(st.columns(b)) * st.rows(b) * band_planes(b, ny);
    return n;
}

// The shortest stretch of like nodes (held at one value, or free) along x
// or y in any row of band 0, in nodes, the walls' stretches left out: the
// narrowest strip, slot or gap the grid resolves.
int narrowest(const BandView& v) {
    int least = v.columns + v.planes;
    auto kind = [](double p) { return held(p, kBand0) ? p : 2.0; };
    auto scan = [&](const double* p, std::ptrdiff_t step, int n) {
        int start = 0;
        for (int i = 1; i <= n; ++i)
            if (i == n || kind(p[i * step]) != kind(p[(i - 1) * step])) {
                if (start > 0 && i < n) least = std::min(least, i - start);
                start = i;
            }
    };
    for (int r = 1; r <= v.rows; ++r) {
        for (int y = 1; y <= v.planes; ++y) scan(v.at(1, r, y), v.sx, v.columns);
        for (int x = 1; x <= v.columns; ++x) scan(v.at(x, r, 1), v.sy, v.planes);
    }
    return least;
}

// Every node of the coarse grid takes the value of the fine node nearest
// to it: walls, conductors and slots where the fine grid has them, and
// the fine grid's present field elsewhere.
void inject(const BandStack& st, const BandView* fine, OwnGrid& c) {
    const Reader from(st, fine);
    for (int b = 0; b < kBandCount; ++b) {
        const BandView& v = c.views[b];
        const double s = 2.0 * kBandStep[b];
        for (int r = 1; r <= v.rows; ++r) {
            const double z = 2.0 * c.st.z(b, r);
            for (int x = 1; x <= v.columns; ++x)
                for (int y = 1; y <= v.planes; ++y) *v.at(x, r, y) = from.nearest((x - 1) * s, z, (y - 1) * s);
        }
    }
}

// Every free node of the rows the fine sweep visits takes the coarse
// field, interpolated.  A value that happens to be a fixed one would hold
// the node: it is moved off by far less than any bound.
void prolong(const OwnGrid& c, const BandStack& st, const BandView* fine) {
    const Reader from(c.st, c.views);
    for (const StackRow& sr : st.sweep_rows()) {
        const int b = sr.self.band;
        const BandView& v = fine[b];
        const double s = 0.5 * kBandStep[b];
        std::size_t k;
        double t;
        from.bracket(0.5 * sr.z, k, t);
        for (int x = 1; x <= v.columns; ++x) {
            double* p = v.at(x, sr.self.row, 1);
            const double X = (x - 1) * s;
            for (int y = 0; y < v.planes; ++y) {
                double& node = p[y * v.sy];
                if (held(node, b)) continue;
                double nv = (1.0 - t) * from.in_row(k, X, y * s) + t * from.in_row(k + 1, X, y * s);
                if (nv == 0.0) nv = 1e-12;
                if (held(nv, b)) nv = std::nextafter(nv, 0.0);
                node = nv;
            }
        }
    }
}

std::vector<DielectricBlock> coarse_blocks(const std::vector<DielectricBlock>& blocks) {
    std::vector<DielectricBlock> out = blocks;
    // Columns and planes 2c - 1 of the fine grid are c of the coarse one;
    // a block edge between two coarse nodes widens the block to them.
    for (DielectricBlock& d : out) {
        d.c1 = (d.c1 - 1) / 2 + 1;
        d.c2 = d.c2 / 2 + 1;
        d.y1 = (d.y1 - 1) / 2 + 1;
        d.y2 = d.y2 / 2 + 1;
        d.z1 *= 0.5;
        d.z2 *= 0.5;
    }
    return out;
}

// The field of the coarser grid as the start of the fine run (started),
// and its factor raised from the coarse run's.  kStopped on a stop
// request; a coarse run that fails leaves the start as it was.
int coarse_start(const BandStack& st, int ny, const Layers& eps, double bound, double& alpha,
                 const std::vector<DielectricBlock>& blocks, const BandView* views, bool& started) {
    BandStack cs;
    int cny = 0;
    if (!coarser_grid(st, ny, cs, cny)) return 0;
    // Each strip, slot and gap keeps four coarse nodes across: a coarser
    // grid would change the problem rather than approximate it (a 10 um
    // gap at DL 5 um spans four fine nodes, two coarse ones, and its start
    // moved the gap's values by 5e-4).
    if (narrowest(views[kBand0]) < kNarrowest) return 0;
    if (grid_size(st, ny).bytes + grid_size(cs, cny).bytes > grid_limit_bytes()) return 0;
    try {
        OwnGrid c(cs, cny);
        inject(st, views, c);
        const Layers ceps{eps.e3, eps.e2, eps.e1, 0.5 * eps.z21};
        double coarse_alpha = alpha;
        const int rc = relax_space(nullptr, cs, cny, ceps, bound, alpha, coarse_blocks(blocks), c.views, Start::Coarse,
                                   &coarse_alpha);
        if (rc == kStopped) return rc;
        if (rc != 0) return 0;
        prolong(c, st, views);
        // What is left to relax is smooth on the fine grid's scale and
        // wants a higher factor than the coarse run's: the best factor's
        // distance from 2 goes with the step (1 - mu^2 with its square).
        // The coarse run's tuned factor lies at or below its best, so the
        // fine run takes 0.7 of its distance.  Left at its given factor the
        // run stops on a small residual while a smooth error remains (an
        // open end at DL 2.5 um: C_end 2.6e-3 low); at the coarse run's
        // factor it stops 33 BOUND from the converged field, against 10
        // BOUND from the painted start.
        alpha = std::max(alpha, std::min(2.0 - kFactorCarry * (2.0 - coarse_alpha), FactorTuner::kHighest));
        started = true;
    } catch (const std::bad_alloc&) {
        // No room for the coarse grid: the run starts from its own field.
    }
    return 0;
}

// Multigrid cycles for the slot runs.  Over-relaxation removes the smooth
// part of the error slowest, and a coarse start does not remove it: the
// coarse field differs from the fine one by the discretisation error,
// which is smooth and of the order of the step.  So the coarse grids here
// solve for the fine grid's error instead.  A V-cycle: a few sweeps on the
// fine grid leave an error that is smooth on its scale; its
// residual, as a flux imbalance per node, is gathered onto the grid of
// twice the step (the transpose of the interpolation, so the total flux is
// kept); there the error equation, with that imbalance as its source, is
// treated the same way down to the coarsest grid that nests, which is
// relaxed at its tuned factor; each grid's correction is interpolated onto
// the free nodes of the grid above and smoothed there again.  The held
// nodes (walls, metal, slots) are held on every grid: the correction is
// zero there.  A cycle cuts the error by a factor that does not depend on
// the step, and the fine grid's residual decides when to stop, as before.
constexpr int kPreSmooth = 2, kPostSmooth = 2;
// The smoothing sweeps' factor: over-relaxed a little, the sweeps damp the
// short waves about as well and the smooth ones better, which the coarse
// grids then need to correct less (a slot run at DL 1.25 um: 6 cycles
// against 8 of plain Gauss-Seidel; 1.6 damps the short waves too little).
constexpr double kSmoothingFactor = 1.3;
// The coarsest grid's error equation is relaxed until its residual is this
// share of its first sweep's (or for this many sweeps at most).
constexpr double kBottomShare = 0.1;
constexpr int kBottomSweeps = 400;
// A run whose cycles cut the residual by less than this, this many times
// running, relaxes without them.
constexpr double kStalledShare = 0.7;
constexpr int kStalledCycles = 3;
double g_stalled_share = kStalledShare;

// One coarser grid of the cycle: its correction, the source the finer
// grid's residual gives it, and its plan.
struct Grade {
    OwnGrid e, g;
    std::unique_ptr<Plan> plan;
    Grade(const BandStack& s, int n) : e(s, n), g(s, n) {}
};

void count_sweep(long nodes, bool coarse) {
    RelaxCounters& c = relax_counters();
    std::atomic_ref<long long>(c.sweeps).fetch_add(1, std::memory_order_relaxed);
    std::atomic_ref<long long>(c.node_updates).fetch_add(nodes, std::memory_order_relaxed);
    if (!coarse) return;
    std::atomic_ref<long long>(c.coarse_sweeps).fetch_add(1, std::memory_order_relaxed);
    std::atomic_ref<long long>(c.coarse_updates).fetch_add(nodes, std::memory_order_relaxed);
}

class Multigrid {
public:
    // The coarser grids under a fine grid (none when none nests).
    Multigrid(const BandStack& st, int ny, const Layers& eps, double alpha, const std::vector<DielectricBlock>& blocks,
              const BandView* views) {
        for (int b = 0; b < kBandCount; ++b) fine_field_.base[b] = views[b].base;
        stacks_.push_back(st);
        BandStack cs;
        int cny = 0;
        const BandView* from = views;
        for (int n = ny; coarser_grid(stacks_.back(), n, cs, cny); n = cny) {
            grades_.push_back(std::make_unique<Grade>(cs, cny));
            inject(stacks_.back(), from, grades_.back()->e);
            from = grades_.back()->e.views;
            stacks_.push_back(cs);
        }
        // Each grid's held nodes are those its injected field holds; then
        // its correction starts from zero.
        Layers ceps = eps;
        std::vector<DielectricBlock> cb = blocks;
        for (std::size_t i = 0; i < grades_.size(); ++i) {
            ceps.z21 *= 0.5;
            cb = coarse_blocks(cb);
            const bool bottom = i + 1 == grades_.size();
            SweepOnOneThread one;
            grades_[i]->plan = std::make_unique<Plan>(Stencil::Spatial, stacks_[i + 1], ceps, grades_[i]->e.views,
                                                      bottom ? alpha : kSmoothingFactor, cb);
            if (!bottom) grades_[i]->plan->hold_factor();
            grades_[i]->e.clear();
        }
    }

    bool ready() const { return !grades_.empty(); }

    // The factor for plain relaxation of the fine grid, from the one the
    // coarsest grid's relaxation was tuned to: the best factor's distance
    // from 2 goes with the step, and a tuned factor lies at or below the
    // best, so each grid up takes kFactorCarry of the distance (as a coarse
    // start does).  Never below the run's given factor alpha.
    double carried_factor(double alpha) const {
        double distance = 2.0 - grades_.back()->plan->alpha();
        for (std::size_t i = 0; i < grades_.size(); ++i) distance *= kFactorCarry;
        return std::max(alpha, std::min(2.0 - distance, FactorTuner::kHighest));
    }

    // One V-cycle on the fine grid of plan fine (over the views given);
    // the largest residual of its last sweep.
    double cycle(Plan& fine) {
        fine_ = &fine;
        first_sweep_ = true;
        return descend(0);
    }

private:
    Plan& plan(std::size_t i) { return i == 0 ? *fine_ : *grades_[i - 1]->plan; }
    Field values(std::size_t i) { return i == 0 ? fine_field_ : grades_[i - 1]->e.field(); }

    double smooth(std::size_t i) {
        if (i == 0) {
            // relax() counts one fine sweep of each cycle.
            if (!first_sweep_) count_sweep(fine_->free_nodes(), false);
            first_sweep_ = false;
            return fine_->sweep();
        }
        count_sweep(plan(i).free_nodes(), true);
        return plan(i).sweep_source(grades_[i - 1]->g.field());
    }

    double descend(std::size_t i) {
        double last = 0.0;
        if (i == grades_.size()) {
            // The coarsest grid: relaxed at its factor, tuned afresh.
            Plan& p = plan(i);
            p.restart_factor(p.alpha());
            double first = 0.0;
            for (int n = 0; n < kBottomSweeps; ++n) {
                last = smooth(i);
                if (n == 0)
                    first = last;
                else if (last <= kBottomShare * first)
                    break;
            }
            return last;
        }
        for (int n = 0; n < kPreSmooth; ++n) last = smooth(i);
        Grade& c = *grades_[i];
        c.g.clear();
        c.e.clear();
        gather(i, c);
        count_sweep(plan(i).free_nodes(), i > 0);
        c.plan->to_source(c.g.field(), 2.0);
        descend(i + 1);
        correct(i, c);
        count_sweep(plan(i).free_nodes(), i > 0);
        for (int n = 0; n < kPostSmooth; ++n) last = smooth(i);
        return last;
    }

    // The nodes of the grid below around a line of grid i, in the two rows
    // around the line's height, with their shares.
    struct Around {
        const Reader& below;
        double z = NAN, t = 0.0;
        std::size_t k = 0;

        std::pair<Reader::Spot, Reader::Spot> of(const Line& l) {
            if (l.z != z) {
                z = l.z;
                below.bracket(0.5 * z, k, t);
            }
            const double X = 0.5 * (l.x - 1) * l.step;
            return {below.spot(k, X, 1.0 - t), below.spot(k + 1, X, t)};
        }
    };

    // The residual flux of grid i onto grid i + 1.
    void gather(std::size_t i, Grade& c) {
        const Reader to(stacks_[i + 1], c.g.views);
        Around around{to};
        Field g;
        if (i > 0) g = grades_[i - 1]->g.field();
        plan(i).residual(i == 0 ? nullptr : &g, [&](const Line& l, std::ptrdiff_t, Run run, const double* v) {
            // Not a structured binding: not every compiler we build with
            // lets the lambdas below capture one.
            const auto spots = around.of(l);
            const Reader::Spot &a = spots.first, &b = spots.second;
            const double step = 0.5 * l.step;
            a.walk(run.first, run.last, step, [&](int j, double* q, double fy) { a.add(q, fy, v[j]); });
            b.walk(run.first, run.last, step, [&](int j, double* q, double fy) { b.add(q, fy, v[j]); });
        });
    }

    // Grid i + 1's correction, interpolated, onto grid i's free nodes.
    void correct(std::size_t i, const Grade& c) {
        const Field f = values(i);
        const Reader from(stacks_[i + 1], c.e.views);
        Around around{from};
        plan(i).each_run([&](const Line& l, std::ptrdiff_t o, Run run) {
            // Not a structured binding: not every compiler we build with
            // lets the lambdas below capture one.
            const auto spots = around.of(l);
            const Reader::Spot &a = spots.first, &b = spots.second;
            double* p = f.base[l.band] + o;
            const double step = 0.5 * l.step;
            a.walk(run.first, run.last, step, [&](int j, const double* q, double fy) { p[j] += a.get(q, fy); });
            b.walk(run.first, run.last, step, [&](int j, const double* q, double fy) {
                double nv = p[j] + b.get(q, fy);
                // A free node must not land on a held value.
                if (i == 0 && held(nv, l.band)) nv = nv == 0.0 ? 1e-12 : std::nextafter(nv, 0.0);
                p[j] = nv;
            });
        });
    }

    std::vector<BandStack> stacks_;
    std::vector<std::unique_ptr<Grade>> grades_;
    Field fine_field_;
    Plan* fine_ = nullptr;
    bool first_sweep_ = false;
};

// Multigrid cycles, when a coarser grid nests and there is room for the
// grids; otherwise (rc -1) the run relaxes as before.
int relax_cycles(const char* kernel, const BandStack& st, int ny, const Layers& eps, double bound, double alpha,
                 const std::vector<DielectricBlock>& blocks, const BandView* views) {
    BandStack cs;
    int cny = 0;
    if (!coarser_grid(st, ny, cs, cny) || grid_size(st, ny).bytes + 3 * grid_size(cs, cny).bytes > grid_limit_bytes())
        return -1;
    try {
        Multigrid mg(st, ny, eps, alpha, blocks, views);
        Plan plan(Stencil::Spatial, st, eps, views, kSmoothingFactor, blocks);
        plan.hold_factor();
        // Cycles that stop cutting the residual (held nodes the coarser
        // grids cannot see, say) give way to plain relaxation of the field
        // they reached, tuned from the factor the coarse grids suggest: at
        // the run's given factor it would stop on a small residual while
        // the smooth error the cycles left remains (a short end's slot run:
        // 128 BOUND from the converged field, against 42 from the painted
        // start and 64 from the carried factor).
        double before = HUGE_VAL;
        int stalled = 0;
        const int rc = relax(kernel, bound, sweep_cap3(st, ny), plan.free_nodes(), [&] {
            if (stalled >= kStalledCycles) return plan.sweep();
            const double r = mg.cycle(plan);
            stalled = r > g_stalled_share * before ? stalled + 1 : 0;
            before = r;
            if (stalled >= kStalledCycles) {
                plan.restart_factor(mg.carried_factor(alpha));
                plan.hold_factor(false);
            }
            return r;
        });
        std::atomic_ref<long long>(relax_counters().threaded_sweeps)
            .fetch_add(plan.threaded_sweeps(), std::memory_order_relaxed);
        return rc;
    } catch (const std::bad_alloc&) {
        return -1;
    }
}

}  // namespace

void set_coarse_start(bool on, long from_nodes) {
    g_coarse = on;
    g_coarse_from = from_nodes;
}

void set_cycles_stall(bool always) {
    g_stalled_share = always ? 0.0 : kStalledShare;
}

bool coarser_grid(const BandStack& st, int ny, BandStack& c, int& cny) {
    if (st.nx % 8 != 0 || ny % 8 != 0) return false;
    // The bottom ground lies 2 (q + 1) h below the metal plane; the coarse
    // one at or below it.
    const int q = st.k1 + 2 * st.m2 + 4 * st.m4, cq = (q + 2) / 2 - 1;
    if (cq < 2) return false;
    const BandDepths d = band_depths(cq);
    const int h2 = std::min((st.h2 + 1) / 2, cq + 1);
    c = BandStack{st.nx / 2, d.m4, d.m2, d.k1, st.rows0, d.m4, cq + 1 - h2, h2, 0.5 * st.met};
    // The cover lies 12 + 8 N5 steps above the top row of band 0: the
    // coarse one at or above the fine one.
    const double top = st.z(kBand0, st.rows0) + 12.0 + 8.0 * st.n5();
    const double ctop = 2.0 * (c.z(kBand0, c.rows0) + 12.0);
    c.n4 += std::max(0, static_cast<int>(std::ceil((top - ctop) / 16.0)));
    cny = ny / 2;
    return c.valid();
}

int relax_space(const char* kernel, const BandStack& st, int ny, const Layers& eps, double bound, double alpha,
                const std::vector<DielectricBlock>& blocks, const BandView views[kBandCount], Start start,
                double* end_alpha) {
    bool started = false;
    const bool large = g_coarse && nodes_of(st, ny) >= g_coarse_from;
    if ((start == Start::Cycles || start == Start::CyclesElseCoarse) && large) {
        const int rc = relax_cycles(kernel, st, ny, eps, bound, alpha, blocks, views);
        if (rc != -1) return rc;
    }
    if ((start == Start::Coarse || start == Start::CyclesElseCoarse) && large)
        if (coarse_start(st, ny, eps, bound, alpha, blocks, views, started) == kStopped) return kStopped;
    // The interpolation leaves errors from one fine node to the next, near
    // the conductor edges above all.  A factor near 2 damps every mode by
    // only w - 1 per sweep; plain Gauss-Seidel sweeps halve such short
    // waves at each sweep.  So a started run smooths first and then goes on
    // at its factor.
    Plan plan(Stencil::Spatial, st, eps, views, started ? 1.0 : alpha, blocks);
    int made = 0;
    const int rc = relax(kernel, bound, sweep_cap3(st, ny), plan.free_nodes(), [&] {
        if (started && made++ == kSmoothing) plan.restart_factor(alpha);
        return plan.sweep();
    });
    std::atomic_ref<long long>(relax_counters().threaded_sweeps)
        .fetch_add(plan.threaded_sweeps(), std::memory_order_relaxed);
    if (end_alpha) *end_alpha = plan.alpha();
    return rc;
}

}  // namespace mirtex::solver
