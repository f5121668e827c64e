#include "solver/coarse3d.h"

#include <algorithm>
#include <atomic>
#include <cmath>
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
        const auto it = std::upper_bound(rows_.begin(), rows_.end(), z, [](double v, const Level& l) { return v < l.z; });
        k = static_cast<std::size_t>(std::clamp<std::ptrdiff_t>(it - rows_.begin() - 1, 0,
                                                                static_cast<std::ptrdiff_t>(rows_.size()) - 2));
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
        const int rc = relax_space(nullptr, cs, cny, ceps, bound, alpha, coarse_blocks(blocks), c.views, true,
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

}  // namespace

void set_coarse_start(bool on, long from_nodes) {
    g_coarse = on;
    g_coarse_from = from_nodes;
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
                const std::vector<DielectricBlock>& blocks, const BandView views[kBandCount], bool coarse,
                double* end_alpha) {
    bool started = false;
    if (coarse && g_coarse && nodes_of(st, ny) >= g_coarse_from)
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
