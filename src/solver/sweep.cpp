#include "solver/sweep.h"

#include <algorithm>
#include <cfloat>
#include <chrono>
#include <cmath>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include "solver/pool.h"

namespace mirtex::solver {

namespace {
bool g_pairing = true;
int g_threads = 2;
// Below this many free nodes a sweep is too short for two threads to meet
// twice per sweep and still gain.
constexpr long kThreadedNodes = 200000;
long g_threaded_nodes = kThreadedNodes;
bool g_tuning = true;
bool g_paced = true;
thread_local bool t_one_thread = false;
}  // namespace

SweepOnOneThread::SweepOnOneThread() : before_(t_one_thread) {
    t_one_thread = true;
}

SweepOnOneThread::~SweepOnOneThread() {
    t_one_thread = before_;
}

void set_factor_tuning(bool on) {
    g_tuning = on;
}

double FactorTuner::next(double residual, double w) {
    if (first_ == 0.0) {
        first_ = w;
        raised_at_ = residual;
    }
    if (locked_) return w;
    if (!(residual > 0.0) || !std::isfinite(residual)) {
        since_ = 0;
        return w;
    }
    if (++since_ % kStretch != 0) return w;
    // The first stretch after a change is the new factor's transient.
    const int stretch = since_ / kStretch;
    // The stencils of the graded grid are not quite symmetric, and too high
    // a factor can stall a run or make it diverge; that a raise has done
    // so shows when the residual has grown well past its value at the raise,
    // or has not halved in 16 stretches.  The run then goes back to the
    // factor it was given, for good.
    if (w != first_ && stretch >= 3 &&
        (residual > kGrowth * raised_at_ || (stretch >= kPatience && residual > 0.5 * raised_at_))) {
        locked_ = true;
        return first_;
    }
    if (stretch >= 3) {
        const double early = std::log(mark_[1] / mark_[0]), late = std::log(residual / mark_[1]);
        // A steady rate below 1: the slowest mode rules.
        if (late < 0.0 && std::fabs(early - late) <= 0.1 * -late) {
            const double lambda = std::exp(late / kStretch);
            const double mu2 = (lambda + w - 1.0) * (lambda + w - 1.0) / (lambda * w * w);
            if (mu2 < 1.0) {
                const double best = std::min(2.0 / (1.0 + std::sqrt(1.0 - mu2)), kHighest);
                if (2.0 - best < (1.0 - kLeast) * (2.0 - w)) {
                    since_ = 0;
                    raised_at_ = residual;
                    return best;
                }
            }
        }
    }
    if (stretch >= 2) mark_[0] = mark_[1];
    mark_[1] = residual;
    return w;
}

void Pace::record(double seconds) {
    const bool now_two = two();
    time_[now_two] = seconds;
    ++count_;
    if (probing_) {
        // Two threads must win clearly: on a loaded machine the times of
        // single sweeps scatter.
        probing_ = false;
        if (seconds < (now_two ? 0.9 : 1.0) * time_[!now_two]) {
            best_two_ = now_two;
            interval_ = kFirstProbe;
        } else {
            // A partner far behind is no passing hitch: ask far less often.
            interval_ = std::min((seconds > 1.5 * time_[!now_two] ? 4 : 2) * interval_, kLastProbe);
        }
        next_ = count_ + interval_;
    } else if (now_two && time_[0] > 0.0 && seconds > 1.5 * time_[0]) {
        // The partner has stalled.  A slow sweep on one thread is the
        // machine's load, which a second thread would not relieve.
        best_two_ = false;
        interval_ = kFirstProbe;
        next_ = count_ + interval_;
    }
    probing_ = count_ >= next_;
}

BandView view2(d2 a, int columns, int rows) {
    BandView v;
    v.base = &a[1][1];
    v.sx = rows;
    v.sr = 1;
    v.sy = 0;
    v.columns = columns;
    v.rows = rows;
    v.planes = 1;
    return v;
}

BandView view3(d3 a, int columns, int rows, int planes) {
    return view3(&a[1][1][1], columns, rows, planes);
}

BandView view3(double* base, int columns, int rows, int planes) {
    BandView v;
    v.base = base;
    v.sx = static_cast<std::ptrdiff_t>(rows) * planes;
    v.sr = planes;
    v.sy = 1;
    v.columns = columns;
    v.rows = rows;
    v.planes = planes;
    return v;
}

BandView view3_plane(d3 a, int columns, int rows, int planes, int y) {
    BandView v = view3(a, columns, rows, planes);
    v.base += y - 1;
    v.sy = 0;
    v.planes = 1;
    return v;
}

namespace {

template <Read R>
inline double vread(const double* b, const double* b2, std::ptrdiff_t s, int j) {
    if constexpr (R == Read::Same) {
        return b[j * s];
    } else if constexpr (R == Read::Finer) {
        return b[2 * j * s];
    } else if constexpr (R == Read::Coarser) {
        // Even (0-based) fine indexes coincide with a coarse node; both reads
        // then hit it and the mean is that node exactly.
        return 0.5 * (b[(j >> 1) * s] + b[((j + 1) >> 1) * s]);
    } else {
        return 0.5 *
               (0.5 * (b[(j >> 1) * s] + b[((j + 1) >> 1) * s]) + 0.5 * (b2[(j >> 1) * s] + b2[((j + 1) >> 1) * s]));
    }
}

// Over-relaxed Gauss-Seidel along one run of free nodes.  With t the
// weighted mean of the neighbours and r = p - t, the new value p - alpha r
// is formed as (1 - alpha) p + alpha t with the weights scaled by alpha
// beforehand, so that the only dependency from node to node is the one
// product with the neighbour just updated.  The change of a node is
// alpha r; the caller turns the largest change back into a residual.
template <Read U, Read D>
double sweep_run(const Line& l, Run run, double largest_change, int& hits) {
    // A maximum passes over a NaN; the sum of the changes keeps it.
    double spoilt = 0.0;
    int hit = 0;
    double* const p = l.p;
    const std::ptrdiff_t s = l.s;
    const Scaled w = l.w;
    const bool driven = l.driven;
    auto node = [&](int j, double prev, double next) {
        double& v = p[j * s];
        const double rest = w.keep * v + w.side * next + w.up * vread<U>(l.up, l.up2, l.su, j) +
                            w.down * vread<D>(l.dn, l.dn2, l.sd, j);
        const double nv = rest + w.side * prev;
        const double change = std::fabs(v - nv);
        largest_change = change > largest_change ? change : largest_change;
        spoilt += change;  // NaN or infinite once any node is
        hit |= (nv == 0.0) | (driven & (std::fabs(nv) == 1.0));
        v = nv;
        return nv;
    };
    int j = run.first;
    // A free node at either end of the line mirrors its inner neighbour.
    double prev = j == 0 ? node(0, p[s], p[s]) : p[(j - 1) * s];
    if (j == 0) ++j;
    const bool at_end = run.last == l.last;
    const int stop = at_end ? run.last - 1 : run.last;
    for (; j <= stop; ++j) prev = node(j, prev, p[(j + 1) * s]);
    if (at_end && j == l.last) node(l.last, prev, prev);
    hits |= hit;
    return std::isfinite(spoilt) ? largest_change : HUGE_VAL;
}

// The seven-point sweep along a line of y (contiguous in memory).  Within
// one sweep everything a node reads except its neighbour just before it on
// the line and its neighbour line x - 1 is a value this line's sweep does
// not change, so a first pass forms that part for the whole run (a loop the
// compiler turns into vector code) and keeps the old values, the second
// pass is the recurrence alone,
//     new = (part + side x left line) + side x previous node,
// and a third pass measures the changes.  Two neighbouring lines of a row
// run their recurrences interleaved, the second one node behind the first:
// each node still reads the first line's new value and its own old next
// value, so the field is the one the plain order gives, bit for bit, while
// the two chains overlap in the processor.
// The values of a vertical neighbour row along the run j0..j1: the row
// itself when it is of the same band, else gathered (finer row) or
// interpolated (coarser row) into buf, exactly as the node-by-node reads
// give them.
inline const double* vertical_values(Read read, const double* a, const double* a2, int j0, int j1, double* buf) {
    switch (read) {
        case Read::Same:
            return a + j0;
        case Read::Finer:
            for (int j = j0; j <= j1; ++j) buf[j - j0] = vread<Read::Finer>(a, a2, 1, j);
            return buf;
        case Read::Coarser:
            for (int j = j0; j <= j1; ++j) buf[j - j0] = vread<Read::Coarser>(a, a2, 1, j);
            return buf;
        default:
            for (int j = j0; j <= j1; ++j) buf[j - j0] = vread<Read::Coarser2>(a, a2, 1, j);
            return buf;
    }
}

// One node's vertical neighbour value, as vertical_values gives it.
inline double vertical_at(Read read, const double* a, const double* a2, int j) {
    switch (read) {
        case Read::Same:
            return a[j];
        case Read::Finer:
            return vread<Read::Finer>(a, a2, 1, j);
        case Read::Coarser:
            return vread<Read::Coarser>(a, a2, 1, j);
        default:
            return vread<Read::Coarser2>(a, a2, 1, j);
    }
}

// Scratch of one line: parts, old values and the two vertical neighbour
// rows of the run.
struct Scratch {
    double *r, *o, *u, *d;
    Scratch(double* base, std::size_t quarter) : r(base), o(base + quarter), u(o + quarter), d(u + quarter) {}
};

inline void spatial_part(const Line& l, int j0, int j1, const Scratch& s) {
    if (j1 < j0) return;
    const double* __restrict up = vertical_values(l.ur, l.up, l.up2, j0, j1, s.u);
    const double* __restrict dn = vertical_values(l.dr, l.dn, l.dn2, j0, j1, s.d);
    const double* __restrict p = l.p + j0;
    const double* __restrict xb = l.xb + j0;
    double* __restrict r = s.r;
    double* __restrict o = s.o;
    const Scaled w = l.w;
    const int n = j1 - j0 + 1;
    int k = 0;
#ifdef __SSE2__
    // Two nodes at a time; the same products and sums in the same order as
    // the scalar loop, so the parts are the same bit for bit.
    const __m128d keep = _mm_set1_pd(w.keep), side = _mm_set1_pd(w.side), wu = _mm_set1_pd(w.up),
                  wd = _mm_set1_pd(w.down);
    for (; k + 2 <= n; k += 2) {
        const __m128d v = _mm_loadu_pd(p + k);
        _mm_storeu_pd(o + k, v);
        __m128d t = _mm_add_pd(_mm_mul_pd(keep, v), _mm_mul_pd(side, _mm_loadu_pd(p + k + 1)));
        t = _mm_add_pd(t, _mm_mul_pd(wu, _mm_loadu_pd(up + k)));
        t = _mm_add_pd(t, _mm_mul_pd(wd, _mm_loadu_pd(dn + k)));
        t = _mm_add_pd(t, _mm_mul_pd(side, _mm_loadu_pd(xb + k)));
        _mm_storeu_pd(r + k, t);
    }
#endif
    for (; k < n; ++k) {
        o[k] = p[k];
        r[k] = w.keep * p[k] + w.side * p[k + 1] + w.up * up[k] + w.down * dn[k] + w.side * xb[k];
    }
    if (l.g != nullptr) {
        const double* __restrict g = l.g + j0;
        const double a = 1.0 - w.keep;
        for (k = 0; k < n; ++k) r[k] += a * g[k];
    }
}

// What a sweep learns from its changes: the largest, whether any was not
// finite (the field overflowed), and the smallest |new| and ||new| - 1| (a
// node that reached a fixed value exactly).
struct Track {
    double largest = 0.0, min_abs = HUGE_VAL, min_one = HUGE_VAL;
    bool bad = false;

    void fold(const double* o, const double* n, int count) {
        int k = 0;
#ifdef __SSE2__
        const __m128d sign = _mm_set1_pd(-0.0), one = _mm_set1_pd(1.0), big = _mm_set1_pd(DBL_MAX);
        __m128d vmax = _mm_setzero_pd(), vabs = _mm_set1_pd(HUGE_VAL), vone = vabs, vbad = _mm_setzero_pd();
        for (; k + 2 <= count; k += 2) {
            const __m128d nv = _mm_loadu_pd(n + k);
            const __m128d c = _mm_andnot_pd(sign, _mm_sub_pd(_mm_loadu_pd(o + k), nv));
            vmax = _mm_max_pd(c, vmax);
            vbad = _mm_or_pd(vbad, _mm_cmpnle_pd(c, big));  // NaN or infinite
            const __m128d a = _mm_andnot_pd(sign, nv);
            vabs = _mm_min_pd(a, vabs);
            vone = _mm_min_pd(_mm_andnot_pd(sign, _mm_sub_pd(a, one)), vone);
        }
        double m[2], z[2], u[2], b[2];
        _mm_storeu_pd(m, vmax);
        _mm_storeu_pd(z, vabs);
        _mm_storeu_pd(u, vone);
        _mm_storeu_pd(b, vbad);
        largest = std::max({largest, m[0], m[1]});
        min_abs = std::min({min_abs, z[0], z[1]});
        min_one = std::min({min_one, u[0], u[1]});
        bad = bad || b[0] != 0.0 || b[1] != 0.0;
#endif
        for (; k < count; ++k) see(o[k], n[k]);
    }
    void see(double old, double nv) {
        const double c = std::fabs(old - nv);
        largest = c > largest ? c : largest;
        bad = bad || !(c <= DBL_MAX);
        const double a = std::fabs(nv);
        min_abs = std::min(min_abs, a);
        min_one = std::min(min_one, std::fabs(a - 1.0));
    }
    int hit(bool driven) const {
        return min_abs == 0.0 || (driven && min_one == 0.0);
    }
};

// The node at the far end of a line whose last plane is free: a mirror
// plane, its missing neighbour is the node before it, already new.
inline double spatial_end(const Line& l, double prev, Track& t) {
    const Scaled w = l.w;
    const int j = l.last;
    double& v = l.p[j];
    const double u = vertical_at(l.ur, l.up, l.up2, j), d = vertical_at(l.dr, l.dn, l.dn2, j);
    double part = w.keep * v + w.side * prev + w.up * u + w.down * d + w.side * l.xb[j];
    if (l.g != nullptr) part += (1.0 - w.keep) * l.g[j];
    const double nv = (part + w.side * l.xa[j]) + w.side * prev;
    t.see(v, nv);
    v = nv;
    return nv;
}

// Chain-able nodes of a run: first .. stop; the free far end comes after.
struct Span {
    int first, stop;
    bool end;
    int count() const { return stop - first + 1; }
};
inline Span span_of(const Line& l, Run run) {
    const bool end = run.last == l.last;
    return {run.first, end ? run.last - 1 : run.last, end};
}

inline double finish(Track& t, bool driven, double largest, int& hits) {
    hits |= t.hit(driven);
    if (t.bad) return HUGE_VAL;
    return std::max(largest, t.largest);
}

// A run of nodes with weights of their own, node by node.
double spatial_special(const Line& l, Run run, double largest, int& hits, const NodeWeights* nw) {
    double* const p = l.p;
    Track t;
    for (int j = run.first; j <= run.last; ++j) {
        const NodeWeights& w = nw[run.special + (j - run.first)];
        // Missing neighbours beyond the end planes are mirror images.
        const double prev = j == 0 ? p[1] : p[j - 1];
        const double next = j == l.last ? prev : p[j + 1];
        const double u = vertical_at(l.ur, l.up, l.up2, j), d = vertical_at(l.dr, l.dn, l.dn2, j);
        double nv =
            w.keep * p[j] + w.next * next + w.up * u + w.down * d + w.xb * l.xb[j] + w.xa * l.xa[j] + w.prev * prev;
        if (l.g != nullptr) nv += (1.0 - w.keep) * l.g[j];
        t.see(p[j], nv);
        p[j] = nv;
    }
    return finish(t, l.driven, largest, hits);
}

double spatial_single(const Line& l, Run run, double largest, int& hits, double* scratch, std::size_t half,
                      const NodeWeights* nw) {
    if (run.special >= 0) return spatial_special(l, run, largest, hits, nw);
    const Span sp = span_of(l, run);
    const Scratch a(scratch, half / 4);
    spatial_part(l, sp.first, sp.stop, a);
    double* const p = l.p;
    const double* const xa = l.xa;
    const double side = l.w.side;
    Track t;
    // Plane 1 is a mirror plane: its missing neighbour is plane 2, old.
    double prev = sp.first == 0 ? p[1] : p[sp.first - 1];
    for (int j = sp.first; j <= sp.stop; ++j) {
        const double nv = (a.r[j - sp.first] + side * xa[j]) + side * prev;
        p[j] = nv;
        prev = nv;
    }
    if (sp.count() > 0) t.fold(a.o, p + sp.first, sp.count());
    if (sp.end) spatial_end(l, prev, t);
    return finish(t, l.driven, largest, hits);
}

// Lines a (column x) and b (x + 1) with the same run.
double spatial_pair(const Line& la, const Line& lb, Run run, double largest, int& hits, double* scratch,
                    std::size_t half) {
    const Span sp = span_of(la, run);
    const Scratch a(scratch, half / 4), b(scratch + half, half / 4);
    spatial_part(la, sp.first, sp.stop, a);
    spatial_part(lb, sp.first, sp.stop, b);
    double* const pa = la.p;
    double* const pb = lb.p;
    const double* const xa = la.xa;
    const double sa = la.w.side, sb = lb.w.side;
    double prev_a = sp.first == 0 ? pa[1] : pa[sp.first - 1];
    double prev_b = sp.first == 0 ? pb[1] : pb[sp.first - 1];
    if (sp.count() > 0) {
        const int f = sp.first;
        prev_a = pa[f] = (a.r[0] + sa * xa[f]) + sa * prev_a;
        // Node j - 1 of b reads node j - 1 of a, new, still in a register.
        for (int j = f + 1; j <= sp.stop; ++j) {
            prev_b = pb[j - 1] = (b.r[j - 1 - f] + sb * prev_a) + sb * prev_b;
            prev_a = pa[j] = (a.r[j - f] + sa * xa[j]) + sa * prev_a;
        }
        prev_b = pb[sp.stop] = (b.r[sp.stop - f] + sb * prev_a) + sb * prev_b;
    }
    Track ta, tb;
    if (sp.count() > 0) {
        ta.fold(a.o, pa + sp.first, sp.count());
        tb.fold(b.o, pb + sp.first, sp.count());
    }
    if (sp.end) {
        spatial_end(la, prev_a, ta);
        spatial_end(lb, prev_b, tb);
    }
    largest = finish(ta, la.driven, largest, hits);
    return finish(tb, lb.driven, largest, hits);
}

using RunFn = double (*)(const Line&, Run, double, int&);

template <Read U>
RunFn pick(Read d) {
    switch (d) {
        case Read::Same:
            return &sweep_run<U, Read::Same>;
        case Read::Finer:
            return &sweep_run<U, Read::Finer>;
        case Read::Coarser:
            return &sweep_run<U, Read::Coarser>;
        default:
            return &sweep_run<U, Read::Coarser2>;
    }
}

RunFn pick(Read u, Read d) {
    switch (u) {
        case Read::Same:
            return pick<Read::Same>(d);
        case Read::Finer:
            return pick<Read::Finer>(d);
        case Read::Coarser:
            return pick<Read::Coarser>(d);
        default:
            return pick<Read::Coarser2>(d);
    }
}

Read read_of(Link k) {
    switch (k) {
        case Link::Finer:
            return Read::Finer;
        case Link::Coarser:
            return Read::Coarser;
        default:
            return Read::Same;
    }
}

}  // namespace

Plan::Plan(Stencil stencil, const BandStack& st, const Layers& eps, const BandView views[kBandCount], double alpha,
           const std::vector<DielectricBlock>& blocks)
    : alpha_(alpha),
      tune_(g_tuning && stencil == Stencil::Spatial),
      layers_(eps),
      blocks_(stencil == Stencil::Spatial ? blocks : std::vector<DielectricBlock>{}) {
    const bool spatial = stencil == Stencil::Spatial;
    for (int b = 0; b < kBandCount; ++b) origin_[b] = views[b].base;
    for (const StackRow& sr : st.sweep_rows()) {
        const int b = sr.self.band;
        const BandView& me = views[b];
        const Faces f = face_coefficients(eps, sr.z, sr.du, sr.dl, kBandStep[b]);
        const Weights w = stencil_weights(f, spatial ? 4 : 2);
        // An absent neighbour reads the opposite one (mirror).
        const bool up_absent = sr.up_link == Link::Absent, dn_absent = sr.down_link == Link::Absent;
        const RowRef up = up_absent ? sr.down : sr.up;
        const RowRef dn = dn_absent ? sr.up : sr.down;
        const Link ul = up_absent ? sr.down_link : sr.up_link;
        const Link dl = dn_absent ? sr.up_link : sr.down_link;

        // Where line x (spatial) or the single line (planar) reads a
        // vertical neighbour row.
        auto vertical = [&](RowRef ref, Link link, int x, const double*& a, const double*& a2, std::ptrdiff_t& step,
                            Read& read) {
            const BandView& o = views[ref.band];
            read = read_of(link);
            if (!spatial) {
                a = a2 = o.at(1, ref.row, 1);
                step = o.sx;
                return;
            }
            step = o.sy;
            switch (link) {
                case Link::Finer:
                    a = a2 = o.at(2 * x - 1, ref.row, 1);
                    break;
                case Link::Coarser:
                    if (x % 2 == 1) {
                        a = a2 = o.at((x + 1) / 2, ref.row, 1);
                    } else {
                        a = o.at(x / 2, ref.row, 1);
                        a2 = o.at(x / 2 + 1, ref.row, 1);
                        read = Read::Coarser2;
                    }
                    break;
                default:
                    a = a2 = o.at(x, ref.row, 1);
                    break;
            }
        };

        Line ln;
        ln.w = {1.0 - alpha, alpha * w.side, alpha * w.up, alpha * w.down};
        ln.driven = b == kBand0;
        ln.step = kBandStep[b];
        ln.band = b;
        // The faces of a cross-section node, times the step: those of a
        // cell of the three-dimensional grid.
        ln.faces = (spatial ? kBandStep[b] : 1) * ((spatial ? 4 : 2) * f.side + f.up + f.down);
        ln.z = sr.z;
        ln.du = sr.du;
        ln.dl = sr.dl;
        if (!spatial) {
            ln.p = me.at(1, sr.self.row, 1);
            ln.s = me.sx;
            ln.last = me.columns - 1;
            vertical(up, ul, 1, ln.up, ln.up2, ln.su, ln.ur);
            vertical(dn, dl, 1, ln.dn, ln.dn2, ln.sd, ln.dr);
            add_line(ln);
            continue;
        }
        // Spatial lines run along y, which the three-dimensional arrays keep
        // contiguous (sy = 1); the spatial sweep relies on that.
        rows_.push_back({static_cast<int>(lines_.size()), static_cast<int>(lines_.size()) + me.columns, kBandStep[b]});
        for (int x = 1; x <= me.columns; ++x) {
            ln.x = x;
            ln.p = me.at(x, sr.self.row, 1);
            ln.s = me.sy;
            ln.last = me.planes - 1;
            // A missing column beyond a wall is the mirror image of the one
            // inside it.
            const int xl = x > 1 ? x - 1 : x + 1, xr = x < me.columns ? x + 1 : x - 1;
            ln.xa = me.at(xl, sr.self.row, 1);
            ln.xb = me.at(xr, sr.self.row, 1);
            vertical(up, ul, x, ln.up, ln.up2, ln.su, ln.ur);
            vertical(dn, dl, x, ln.dn, ln.dn2, ln.sd, ln.dr);
            add_line(ln);
        }
    }
    pair_lines();
    // Not beside other runs of a pool (side_by_side), nor on a thread told
    // to keep to itself, nor when no second core is free (another program
    // keeps it busy, or MIRTEX_THREADS=1): the partner would only take a
    // core that is not there.
    if (spatial && g_threads == 2 && !t_one_thread && free_ >= g_threaded_nodes && rows_.size() >= 2 &&
        !side_by_side() && std::thread::hardware_concurrency() >= 2 && pool_threads() >= 2)
        start_worker();
}

Plan::~Plan() {
    if (!worker_.joinable()) return;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        quit_ = true;
    }
    wake_.notify_all();
    worker_.join();
}

void Plan::start_worker() {
    done_ = std::make_unique<std::atomic<int>[]>(rows_.size());
    scratch2_.resize(scratch_.size());
    try {
        worker_ = std::thread([this] { worker_loop(); });
    } catch (...) {
        // No thread to be had: the sweep runs on the caller's alone.
        done_.reset();
    }
}

void Plan::worker_loop() {
    long seen = 0;
    for (;;) {
        {
            std::unique_lock<std::mutex> lock(mutex_);
            wake_.wait(lock, [&] { return quit_ || generation_ != seen; });
            if (quit_) return;
            seen = generation_;
        }
        Result r;
        sweep_rows(1, scratch2_, r);
        {
            std::lock_guard<std::mutex> lock(mutex_);
            worker_result_ = r;
            finished_ = seen;
        }
        wake_.notify_all();
    }
}

// Row k reads the row before it (new values) and is read by it (old
// values) within one coarse step of a node either way, 8 h at most; so row
// k may update the line at position P once the row before has finished
// every line up to P + 8 h.  Rows are swept bottom to top, so the row
// before is always the lower neighbour.
void Plan::wait_for(std::size_t row, int position) const {
    const RowLines& below = rows_[row - 1];
    const int lines = below.end - below.first;
    const int need = std::min(lines, (position + 8) / below.step + 1);
    const std::atomic<int>& d = done_[row - 1];
    // The row below is usually a few lines ahead: spin briefly, then give
    // the processor away, so that a partner thread that has lost its core
    // (another process, the host's own threads) gets it back at once.
    for (int spins = 0; d.load(std::memory_order_acquire) < need; ++spins) {
        if (spins < 1024) {
#if defined(__SSE2__)
            _mm_pause();
#endif
        } else {
            std::this_thread::yield();
        }
    }
}

void Plan::sweep_rows(std::size_t first, std::vector<double>& scratch_vec, Result& out) {
    double* const scratch = scratch_vec.data();
    const std::size_t half = scratch_vec.size() / 2;
    for (std::size_t k = first; k < rows_.size(); k += 2) {
        const RowLines& row = rows_[k];
        std::atomic<int>& done = done_[k];
        for (int i = row.first; i < row.end; ++i) {
            const Line& l = lines_[i];
            const bool pair = paired_[i] != 0;
            const int last = pair ? i + 1 : i;
            if (k > 0) wait_for(k, (last - row.first) * row.step);
            if (pair) {
                out.largest = fns_[i].pair(l, lines_[i + 1], runs_[l.run_first], out.largest, out.hits, scratch, half);
                ++i;
            } else {
                for (int r = l.run_first; r < l.run_end; ++r)
                    out.largest = fns_[i].single(l, runs_[r], out.largest, out.hits, scratch, half, special_.data());
            }
            done.store(last - row.first + 1, std::memory_order_release);
        }
    }
}

void Plan::add_line(Line ln) {
    Fns f;
    if (ln.xa != nullptr) {
        f.single = &spatial_single;
        f.pair = &spatial_pair;
        // Four arrays of a run (parts, old values, two neighbour rows) for
        // each of two lines.
        scratch_.resize(std::max<std::size_t>(scratch_.size(), 8 * (static_cast<std::size_t>(ln.last) + 1)));
    } else {
        f.planar = pick(ln.ur, ln.dr);
    }
    fns_.push_back(f);
    classify(ln);
    lines_.push_back(ln);
}

// Neighbouring lines of a row pair up when they have one and the same run
// and read alike, and the second does not lean on the first as its mirror
// image beyond a wall (it would read the first's old values too early).
void set_line_pairing(bool on) {
    g_pairing = on;
}

void set_sweep_threads(int n, long from_nodes, bool paced) {
    g_threads = n >= 2 ? 2 : 1;
    g_threaded_nodes = from_nodes;
    g_paced = paced;
}

void Plan::pair_lines() {
    paired_.assign(lines_.size(), 0);
    if (!g_pairing) return;
    for (std::size_t i = 0; i + 1 < lines_.size(); ++i) {
        const Line &a = lines_[i], &b = lines_[i + 1];
        if (a.xa == nullptr || b.xa != a.p || b.xb == a.p || a.run_end - a.run_first != 1 ||
            b.run_end - b.run_first != 1)
            continue;
        const Run ra = runs_[a.run_first], rb = runs_[b.run_first];
        if (ra.special >= 0 || rb.special >= 0) continue;
        if (ra.first != rb.first || ra.last != rb.last || a.last != b.last) continue;
        paired_[i] = 1;
        ++i;
    }
}

void Plan::classify(Line& ln) {
    ln.run_first = static_cast<int>(runs_.size());
    int start = -1;
    bool start_special = false;
    NodeWeights nw{};
    for (int j = 0; j <= ln.last + 1; ++j) {
        bool free = false, special = false;
        if (j <= ln.last) {
            const double v = ln.p[j * ln.s];
            free = !(v == 0.0 || (ln.driven && (v == 1.0 || v == -1.0)));
            special = free && !blocks_.empty() && node_weights(ln, j, nw);
        }
        // A run ends at a fixed node and where layered and block nodes meet.
        if (start >= 0 && (!free || special != start_special)) {
            Run r{start, j - 1, -1};
            if (start_special) {
                r.special = static_cast<int>(special_.size());
                for (int k = start; k < j; ++k) {
                    node_weights(ln, k, nw);
                    special_.push_back(nw);
                }
            }
            runs_.push_back(r);
            free_ += j - start;
            start = -1;
        }
        if (free && start < 0) {
            start = j;
            start_special = special;
        }
    }
    ln.run_end = static_cast<int>(runs_.size());
}

bool block_faces(const Layers& layers, const std::vector<DielectricBlock>& blocks, double X, double Y, double z,
                 double s, double du, double dl, CellFaces& f) {
    // The eight cells around the node, each of one permittivity: a block's
    // where the cell's centre lies inside one (the last one given wins),
    // else the layer's.
    double eps[2][2][2];
    bool reached = false;
    for (int a = 0; a < 2; ++a)
        for (int b = 0; b < 2; ++b)
            for (int c = 0; c < 2; ++c) {
                const double cx = X + (a ? 0.5 : -0.5) * s, cy = Y + (b ? 0.5 : -0.5) * s;
                const double cz = c ? z + 0.5 * du : z - 0.5 * dl;
                double e = layers.at(cz);
                for (const DielectricBlock& d : blocks)
                    if (cx > d.c1 - 1 && cx < d.c2 - 1 && cy > d.y1 - 1 && cy < d.y2 - 1 && cz > d.z1 && cz < d.z2) {
                        e = d.eps;
                        reached = true;
                    }
                eps[a][b][c] = e;
            }
    // Box integration with the cells' permittivities: an in-plane face is
    // cut into four quarters of (s/2) x (dz/2), each in one cell, over the
    // distance s; a vertical link has four quarters of (s/2)^2 over dz.
    const double dz[2] = {dl, du};
    f = CellFaces{};
    for (int a = 0; a < 2; ++a)
        for (int b = 0; b < 2; ++b)
            for (int c = 0; c < 2; ++c) {
                const double e = eps[a][b][c];
                (a ? f.xp : f.xm) += e * dz[c] / 4.0;
                (b ? f.yp : f.ym) += e * dz[c] / 4.0;
                (c ? f.up : f.down) += e * s * s / (4.0 * dz[c]);
            }
    return reached;
}

bool Plan::node_weights(const Line& ln, int j, NodeWeights& w) const {
    if (ln.du <= 0.0 || ln.dl <= 0.0) return false;  // a wall row: layered
    CellFaces f;
    if (!block_faces(layers_, blocks_, (ln.x - 1) * ln.step, j * ln.step, ln.z, ln.step, ln.du, ln.dl, f)) return false;
    const double k = alpha_ / (f.xm + f.xp + f.ym + f.yp + f.up + f.down);
    w = {1.0 - alpha_, k * f.ym, k * f.yp, k * f.xm, k * f.xp, k * f.up, k * f.down};
    return true;
}

void Plan::reclassify() {
    runs_.clear();
    special_.clear();
    free_ = 0;
    for (Line& ln : lines_) classify(ln);
    pair_lines();
}

void Plan::set_alpha(double alpha) {
    const double k = alpha / alpha_;
    for (Line& l : lines_) l.w = {1.0 - alpha, l.w.side * k, l.w.up * k, l.w.down * k};
    for (NodeWeights& w : special_) w = {1.0 - alpha, w.prev * k, w.next * k, w.xa * k, w.xb * k, w.up * k, w.down * k};
    alpha_ = alpha;
}

void Plan::hold_factor(bool on) {
    tune_ = !on && g_tuning;
}

void Plan::restart_factor(double alpha) {
    set_alpha(alpha);
    tuner_ = FactorTuner{};
}

// The residual of each free node: the weighted mean of its neighbours
// (the line's own ends mirrored, as the sweep does) plus g, less the node;
// formed as the sweep forms its update, but from the old values alone.
void Plan::residual(const Field* g, const RunValues& to) {
    const Scratch a(scratch_.data(), scratch_.size() / 8);
    // The second half of the scratch holds a line's residuals.
    double* const rl = scratch_.data() + scratch_.size() / 2;
    for (Line& l : lines_) {
        const std::ptrdiff_t o = l.p - origin_[l.band];
        l.g = g != nullptr ? g->base[l.band] + o : nullptr;
        const double* const p = l.p;
        const double side = l.w.side, k = l.faces / alpha_;
        for (int r = l.run_first; r < l.run_end; ++r) {
            const Run run = runs_[r];
            auto one = [&](int j) {
                const double prev = j == 0 ? p[1] : p[j - 1], next = j == l.last ? p[j - 1] : p[j + 1];
                const double up = vertical_at(l.ur, l.up, l.up2, j), dn = vertical_at(l.dr, l.dn, l.dn2, j);
                double nv;
                if (run.special >= 0) {
                    const NodeWeights& w = special_[run.special + (j - run.first)];
                    nv = w.keep * p[j] + w.next * next + w.up * up + w.down * dn + w.xb * l.xb[j] + w.xa * l.xa[j] +
                         w.prev * prev;
                } else {
                    nv = l.w.keep * p[j] + side * (prev + next + l.xa[j] + l.xb[j]) + l.w.up * up + l.w.down * dn;
                }
                if (l.g != nullptr) nv += alpha_ * l.g[j];
                rl[j] = k * (nv - p[j]);
            };
            if (run.special >= 0) {
                for (int j = run.first; j <= run.last; ++j) one(j);
            } else {
                const Span sp = span_of(l, run);
                if (sp.count() > 0) {
                    spatial_part(l, sp.first, sp.stop, a);
                    int j = sp.first;
                    if (j == 0) one(j++);
                    for (; j <= sp.stop; ++j)
                        rl[j] = k * ((a.r[j - sp.first] + side * l.xa[j] + side * p[j - 1]) - p[j]);
                }
                if (sp.end) one(l.last);
            }
            to(l, o, run, rl);
        }
    }
}

double Plan::sweep_source(const Field& g) {
    // A correction may reach 0.0 anywhere: its plan keeps the held nodes
    // it was made with.
    classify_hits_ = false;
    for (Line& l : lines_) l.g = g.base[l.band] + (l.p - origin_[l.band]);
    const double residual = sweep_one();
    if (tune_) {
        const double a = tuner_.next(residual, alpha_);
        if (a != alpha_) set_alpha(a);
    }
    return residual;
}

void Plan::to_source(const Field& g, double scale) const {
    each_run([&](const Line& l, std::ptrdiff_t o, Run run) {
        const double k = 1.0 / (scale * l.faces);
        for (int j = run.first; j <= run.last; ++j) g.base[l.band][o + j * l.s] *= k;
    });
}

double Plan::sweep() {
    double residual;
    if (done_ != nullptr) {
        const bool two = !g_paced || pace_.two();
        const auto start = std::chrono::steady_clock::now();
        residual = two ? sweep_two() : sweep_one();
        if (g_paced) pace_.record(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        threaded_ += two;
    } else {
        residual = sweep_one();
    }
    if (tune_) {
        const double a = tuner_.next(residual, alpha_);
        if (a != alpha_) set_alpha(a);
    }
    return residual;
}

double Plan::sweep_two() {
    for (std::size_t k = 0; k < rows_.size(); ++k) done_[k].store(0, std::memory_order_relaxed);
    long gen;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        gen = ++generation_;
    }
    wake_.notify_all();
    Result mine;
    sweep_rows(0, scratch_, mine);
    {
        std::unique_lock<std::mutex> lock(mutex_);
        wake_.wait(lock, [&] { return finished_ == gen; });
    }
    // Maxima are exact: the largest of the two threads' is the sweep's.
    const Result& theirs = worker_result_;
    const double largest = std::isfinite(mine.largest) && std::isfinite(theirs.largest)
                               ? std::max(mine.largest, theirs.largest)
                               : HUGE_VAL;
    if ((mine.hits | theirs.hits) != 0 && classify_hits_) reclassify();
    return largest / alpha_;
}

double Plan::sweep_one() {
    double largest = 0.0;
    int hits = 0;
    const std::size_t n = lines_.size();
    double* const scratch = scratch_.data();
    const std::size_t half = scratch_.size() / 2;
    for (std::size_t i = 0; i < n; ++i) {
        const Line& l = lines_[i];
        const Fns& f = fns_[i];
        if (f.planar != nullptr) {
            for (int k = l.run_first; k < l.run_end; ++k) largest = f.planar(l, runs_[k], largest, hits);
        } else if (paired_[i] != 0) {
            largest = f.pair(l, lines_[i + 1], runs_[l.run_first], largest, hits, scratch, half);
            ++i;
        } else {
            for (int k = l.run_first; k < l.run_end; ++k)
                largest = f.single(l, runs_[k], largest, hits, scratch, half, special_.data());
        }
    }
    if (hits != 0 && classify_hits_) reclassify();
    return largest / alpha_;
}

}  // namespace mirtex::solver
