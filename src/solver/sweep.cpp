#include "solver/sweep.h"

#include <cmath>

namespace mirtex::solver {

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
    BandView v;
    v.base = &a[1][1][1];
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
        return 0.5 * (0.5 * (b[(j >> 1) * s] + b[((j + 1) >> 1) * s]) +
                      0.5 * (b2[(j >> 1) * s] + b2[((j + 1) >> 1) * s]));
    }
}

// Over-relaxed Gauss-Seidel along one run of free nodes.  With t the
// weighted mean of the neighbours and r = p - t, the new value p - alpha r
// is formed as (1 - alpha) p + alpha t with the weights scaled by alpha
// beforehand, so that the only dependency from node to node is the one
// product with the neighbour just updated.  The change of a node is
// alpha r; the caller turns the largest change back into a residual.
template <Read U, Read D, bool Cross>
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
        double rest = w.keep * v + w.side * next + w.up * vread<U>(l.up, l.up2, l.su, j) +
                      w.down * vread<D>(l.dn, l.dn2, l.sd, j);
        if constexpr (Cross) rest += w.side * (l.xa[j * s] + l.xb[j * s]);
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

using RunFn = double (*)(const Line&, Run, double, int&);

template <Read U, bool Cross>
RunFn pick(Read d) {
    switch (d) {
        case Read::Same:
            return &sweep_run<U, Read::Same, Cross>;
        case Read::Finer:
            return &sweep_run<U, Read::Finer, Cross>;
        case Read::Coarser:
            return &sweep_run<U, Read::Coarser, Cross>;
        default:
            return &sweep_run<U, Read::Coarser2, Cross>;
    }
}

template <bool Cross>
RunFn pick(Read u, Read d) {
    switch (u) {
        case Read::Same:
            return pick<Read::Same, Cross>(d);
        case Read::Finer:
            return pick<Read::Finer, Cross>(d);
        case Read::Coarser:
            return pick<Read::Coarser, Cross>(d);
        default:
            return pick<Read::Coarser2, Cross>(d);
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

Plan::Plan(Stencil stencil, const BandStack& st, const Layers& eps, const BandView views[kBandCount], double alpha)
    : alpha_(alpha) {
    const bool spatial = stencil == Stencil::Spatial;
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
        if (!spatial) {
            ln.p = me.at(1, sr.self.row, 1);
            ln.s = me.sx;
            ln.last = me.columns - 1;
            vertical(up, ul, 1, ln.up, ln.up2, ln.su, ln.ur);
            vertical(dn, dl, 1, ln.dn, ln.dn2, ln.sd, ln.dr);
            add_line(ln);
            continue;
        }
        for (int x = 1; x <= me.columns; ++x) {
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
}

void Plan::add_line(Line ln) {
    fns_.push_back(ln.xa != nullptr ? pick<true>(ln.ur, ln.dr) : pick<false>(ln.ur, ln.dr));
    classify(ln);
    lines_.push_back(ln);
}

void Plan::classify(Line& ln) {
    ln.run_first = static_cast<int>(runs_.size());
    int start = -1;
    for (int j = 0; j <= ln.last + 1; ++j) {
        bool free = false;
        if (j <= ln.last) {
            const double v = ln.p[j * ln.s];
            free = !(v == 0.0 || (ln.driven && (v == 1.0 || v == -1.0)));
        }
        if (free && start < 0) start = j;
        if (!free && start >= 0) {
            runs_.push_back({start, j - 1});
            free_ += j - start;
            start = -1;
        }
    }
    ln.run_end = static_cast<int>(runs_.size());
}

void Plan::reclassify() {
    runs_.clear();
    free_ = 0;
    for (Line& ln : lines_) classify(ln);
}

double Plan::sweep() {
    double largest = 0.0;
    int hits = 0;
    const std::size_t n = lines_.size();
    for (std::size_t i = 0; i < n; ++i) {
        const Line& l = lines_[i];
        const RunFn fn = fns_[i];
        for (int k = l.run_first; k < l.run_end; ++k) largest = fn(l, runs_[k], largest, hits);
    }
    if (hits != 0) reclassify();
    return largest / alpha_;
}

}  // namespace mirtex::solver
