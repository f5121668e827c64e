#include "solver/junction.h"

#include <algorithm>
#include <cmath>
#include <functional>

#include "binding/messages.h"
#include "solver/pool.h"

namespace mirtex::solver {
namespace {

// Height and vertical spacings (units h) of the band 0 metal rows.
struct RowGeometry {
    double z = 0.0, du = 1.0, dl = 1.0;
};

RowGeometry row_geometry(const BandStack& st, int row) {
    for (const StackRow& sr : st.sweep_rows())
        if (sr.self.band == kBand0 && sr.self.row == row) return {sr.z, sr.du, sr.dl};
    return {};
}

}  // namespace

std::string check_bridges(const std::vector<JunctionArm>& arms, const char* const* names, int last_x, int last_y) {
    for (std::size_t k = 0; k < arms.size(); ++k) {
        const JunctionArm& a = arms[k];
        const Bridge& b = a.bridge;
        if (b.code == 0) continue;
        const int last = a.along_x ? last_x : last_y, across = a.along_x ? last_y : last_x;
        if (b.l1 < 2 || b.l1 >= b.c1 || b.c1 > b.c2 || b.c2 >= b.l2 || b.l2 >= last || a.g1 < 1 || a.g2 > across)
            return format("the bridge on %s (strip lifted over %d..%d, crossing %d..%d) does not fit the box 1..%d",
                          names[k], b.l1, b.l2, b.c1, b.c2, last);
    }
    return {};
}

void paint_bridges(BandGrid3& g, const std::vector<JunctionArm>& arms, double eps) {
    const int top = g.stack().metal_top_row();
    for (const JunctionArm& a : arms) {
        const Bridge& b = a.bridge;
        if (b.code == 0) continue;
        auto paint = [&](Rect r, int r1, int r2, double v) { g.paint_rows(r.x1, r.x2, r.y1, r.y2, r1, r2, v); };
        if (b.code == 2) {
            paint(a.rect(b.l1, b.l2, a.s1, a.s2), 3, top - 1, kFree);
            paint(a.rect(b.l1, b.l2, a.s1, a.s2), top, top, 1.0);
            paint(a.rect(b.l1, b.l1, a.s1, a.s2), 3, top, 1.0);
            paint(a.rect(b.l2, b.l2, a.s1, a.s2), 3, top, 1.0);
            paint(a.rect(b.c1, b.c2, a.g1, a.g2), 3, 3, 0.0);
        } else {
            paint(a.rect(b.c1, b.c2, a.g1, a.g2), top, top, 0.0);
            paint(a.rect(b.c1, b.c2, a.g1, a.g1), 3, top, 0.0);
            paint(a.rect(b.c1, b.c2, a.g2, a.g2), 3, top, 0.0);
        }
        // The dielectric that carries the upper level fills the space under
        // it between the grounds: under the deck, or along the lifted strip.
        if (eps != 1.0) {
            const Rect r = b.code == 2 ? a.rect(b.l1, b.l2, a.g1, a.g2) : a.rect(b.c1, b.c2, a.g1, a.g2);
            g.add_dielectric(r.x1, r.x2, r.y1, r.y2, 0.0, 3.0 * g.stack().met, eps);
        }
    }
}

void open_bridge_slots(BandGrid3& g, const std::vector<JunctionArm>& arms) {
    for (const JunctionArm& a : arms) {
        const Bridge& b = a.bridge;
        if (b.code == 0) continue;
        const Rect r = a.rect(b.c1, b.c2, a.g1, a.g2);
        g.paint(r.x1, r.x2, r.y1, r.y2, kFree, true);
    }
}

namespace {

// The flux out of node (x, row, y) of band 0: its faces' coefficients
// times the steps to its neighbours, mirror images beyond the box's faces.
double face_sum(const Frame3D& f, const Layers& eps, const std::vector<DielectricBlock>& blocks, const RowGeometry& rg,
                int x, int row, int y, bool planar = false) {
    const d3 p = pit_0;
    const int X = f.columns(), Y = f.planes();
    const int xl = x > 1 ? x - 1 : x + 1, xr = x < X ? x + 1 : x - 1;
    const int yb = y > 1 ? y - 1 : y + 1, yf = y < Y ? y + 1 : y - 1;
    const double v = p[x][row][y];
    CellFaces c;
    block_faces(eps, blocks, x - 1, y - 1, rg.z, 1.0, rg.du, rg.dl, c);
    if (planar) c.ym = c.yp = 0.0;
    return c.xm * (v - p[xl][row][y]) + c.xp * (v - p[xr][row][y]) + c.ym * (v - p[x][row][yb]) +
           c.yp * (v - p[x][row][yf]) + c.up * (v - p[x][row + 1][y]) + c.down * (v - p[x][row - 1][y]);
}

// The flux of the nodes held at v in r that keep(x, y) admits.
template <class Keep>
double flux_where(const Frame3D& f, const Layers& eps, const std::vector<DielectricBlock>& blocks, double v,
                  const Rect& r, bool planar, Keep keep) {
    const d3 p = pit_0;
    const int X = f.columns(), Y = f.planes(), top = f.st.metal_top_row();
    double s = 0.0;
    for (int row = 3; row <= top; ++row) {
        const RowGeometry rg = row_geometry(f.st, row);
        for (int x = std::max(r.x1, 1); x <= std::min(r.x2, X); ++x)
            for (int y = std::max(r.y1, 1); y <= std::min(r.y2, Y); ++y)
                if (p[x][row][y] == v && keep(x, y)) s += std::fabs(face_sum(f, eps, blocks, rg, x, row, y, planar));
    }
    return s;
}

}  // namespace

double node_flux(const Frame3D& f, const Layers& eps, bool with_blocks, double v, const Rect& r) {
    static const std::vector<DielectricBlock> kNone;
    return flux_where(f, eps, with_blocks ? dielectric_blocks() : kNone, v, r, false, [](int, int) { return true; });
}

double marked_flux(const Frame3D& f, const Layers& eps, double v, const std::vector<int>& id, int which, const Rect& r,
                   bool planar) {
    const int X = f.columns();
    return flux_where(f, eps, dielectric_blocks(), v, r, planar,
                      [&](int x, int y) { return id[static_cast<std::size_t>(y - 1) * X + (x - 1)] == which; });
}

Rect interior(const Frame3D& f) {
    return {2, f.columns() - 1, 2, f.planes() - 1};
}

double ElectricResult::cp(const Frame3D& f, const std::vector<JunctionArm>& arms) const {
    double line = 0.0;
    for (std::size_t k = 0; k < arms.size(); ++k) line += arms[k].n * q[k];
    return kEps0 * 0.5 * f.dl * (Q - line);
}

ElectricResult electric_charges(const Frame3D& f, const JunctionLayout& j) {
    ElectricResult e;
    const Layers l = f.layers();
    e.Q = node_flux(f, l, true, 1.0, interior(f));
    for (const JunctionArm& a : j.arms) e.q.push_back(node_flux(f, l, true, 1.0, a.port_rect()));
    if (j.stretches && !j.arms.empty()) {
        const JunctionArm& a = j.arms[0];
        const Bridge& b = a.bridge;
        const Rect in = interior(f);
        const int last = a.along_x ? in.x2 : in.y2;
        const int edges[6] = {2, b.l1, b.c1, b.c2 + 1, b.l2 + 1, last + 1};
        for (int k = 0; k < 5; ++k) {
            const Rect r = a.rect(edges[k], edges[k + 1] - 1, a.along_x ? in.y1 : in.x1, a.along_x ? in.y2 : in.x2);
            e.stretches[k] = node_flux(f, l, true, 1.0, r);
        }
    }
    return e;
}

bool JunctionLayout::bridged() const {
    for (const JunctionArm& a : arms)
        if (a.bridge.code != 0) return true;
    return false;
}

std::string junction_check(const Frame3D& f, const JunctionLayout& j, const char* const* names) {
    const int X = f.columns(), Y = f.planes();
    for (std::size_t k = 0; k < j.arms.size(); ++k) {
        const JunctionArm& a = j.arms[k];
        if (a.bridge.code < 0 || a.bridge.code > 3)
            return format("the bridge on %s has code %d, none of 0..3", names[k], a.bridge.code);
        const int across = a.along_x ? Y : X;
        if (a.s1 < 2 || a.s2 > across - 1 || a.s1 > a.s2 || a.n < 1.0)
            return format("the strip of %s (%d..%d) leaves no undisturbed line in the box", names[k], a.s1, a.s2);
    }
    if (j.bridged() && !f.st.thick()) return "a bridge needs a dielectric height die_h above 0";
    return check_bridges(j.arms, names, X, Y);
}

int electric_run(const Frame3D& f, const JunctionLayout& j, double eps, const char* caption, ElectricResult& out) {
    BandGrid3 g(f.st, f.ny);
    if (!g) return g.status();
    g.ground(false);
    if (j.mirror_x) g.mirror_side_walls(true, true);
    // With a bridge the metal rows carry the bridge level, not a metal
    // thickness: the lines lie on the metal plane alone.
    const bool plane = j.bridged();
    for (const Rect& r : j.grounds) g.paint(r.x1, r.x2, r.y1, r.y2, 0.0, plane);
    for (const Rect& r : j.strips) g.paint(r.x1, r.x2, r.y1, r.y2, 1.0, plane);
    paint_bridges(g, j.arms, eps);
    if (const int rc = run3(f, caption, f.layers()); rc != 0) return rc;
    out = electric_charges(f, j);
    return 0;
}

namespace {

// Which slot region each node of the metal plane belongs to (-1: none),
// set in the order the slot runs paint.
struct RegionMap {
    int X = 0, Y = 0;
    std::vector<int> id;
    int at(int x, int y) const { return id[static_cast<std::size_t>(y - 1) * X + (x - 1)]; }
    void set(const Rect& r, int v) {
        for (int y = std::max(r.y1, 1); y <= std::min(r.y2, Y); ++y)
            for (int x = std::max(r.x1, 1); x <= std::min(r.x2, X); ++x)
                id[static_cast<std::size_t>(y - 1) * X + (x - 1)] = v;
    }
};

bool inside(const Rect& r, int x, int y) {
    return x >= r.x1 && x <= r.x2 && y >= r.y1 && y <= r.y2;
}

// The slot pieces: region k inside the junction is piece k, its part
// outside arm a's tie piece k + R (a + 1); the ties' nodes belong to none.
RegionMap region_map(const Frame3D& f, const JunctionLayout& j) {
    RegionMap m{f.columns(), f.planes(), std::vector<int>(static_cast<std::size_t>(f.columns()) * f.planes(), -1)};
    for (std::size_t k = 0; k < j.slots.size(); ++k)
        for (const Rect& r : j.slots[k]) m.set(r, static_cast<int>(k));
    for (const Rect& r : j.grounds) m.set(r, -1);
    for (const Rect& r : j.strips) m.set(r, -1);
    for (const JunctionArm& a : j.arms)
        if (a.bridge.code != 0) m.set(a.rect(a.bridge.c1, a.bridge.c2, a.g1, a.g2), -1);
    const int R = static_cast<int>(j.slots.size());
    auto last = [&](const JunctionArm& a) { return a.along_x ? m.X : m.Y; };
    for (std::size_t a = 0; a < j.arms.size(); ++a) {
        const JunctionArm& arm = j.arms[a];
        if (arm.cut == 0) continue;
        const Rect out = arm.outside(last(arm));
        for (int y = out.y1; y <= out.y2; ++y)
            for (int x = out.x1; x <= out.x2; ++x)
                if (int& id = m.id[static_cast<std::size_t>(y - 1) * m.X + (x - 1)]; id >= 0 && id < R)
                    id += R * static_cast<int>(a + 1);
        m.set(arm.tie(), -1);
    }
    return m;
}

// The signed flux of each slot region's nodes, over the box without its
// mirror planes and over each arm's port cross-section: linear in the
// field, so a combination of runs has the same combination of fluxes.
struct RegionFlux {
    std::vector<double> box;
    std::vector<std::vector<double>> port;  // [arm][region]
    RegionFlux(std::size_t regions, std::size_t arms)
        : box(regions, 0.0), port(arms, std::vector<double>(regions, 0.0)) {}
    // This plus c times q.
    void add(const RegionFlux& q, double c) {
        for (std::size_t k = 0; k < box.size(); ++k) box[k] += c * q.box[k];
        for (std::size_t a = 0; a < port.size(); ++a)
            for (std::size_t k = 0; k < box.size(); ++k) port[a][k] += c * q.port[a][k];
    }
};

RegionFlux region_flux(const Frame3D& f, const JunctionLayout& j, const RegionMap& map, std::size_t pieces) {
    static const std::vector<DielectricBlock> kNone;
    RegionFlux out(pieces, j.arms.size());
    const Rect in = interior(f);
    const RowGeometry rg = row_geometry(f.st, 3);
    const Layers air = f.air();
    for (int y = 1; y <= f.planes(); ++y)
        for (int x = 1; x <= f.columns(); ++x) {
            const int k = map.at(x, y);
            if (k < 0) continue;
            const double s = face_sum(f, air, kNone, rg, x, 3, y);
            if (inside(in, x, y)) out.box[k] += s;
            for (std::size_t a = 0; a < j.arms.size(); ++a) {
                const JunctionArm& arm = j.arms[a];
                if (inside(arm.rect(arm.port, arm.port, arm.g1, arm.g2), x, y)) out.port[a][k] += s;
            }
        }
    return out;
}

// A run's inductances from its piece fluxes.  The sum of each fixed
// piece's value v times its signed flux is twice the field's energy (at
// +1 and -1 it is the flux's magnitude, each slot node an extreme of the
// field); a quarter of it is the slot flux, whose value per cross-section
// times mu0/4 is the line's L'.
MagneticResult inductances(const Frame3D& f, const JunctionLayout& j, const RegionFlux& r,
                           const std::vector<double>& v) {
    auto flux = [&](const std::vector<double>& per_region) {
        double s = 0.0;
        for (std::size_t k = 0; k < v.size(); ++k) s += v[k] * per_region[k];
        return 0.25 * s;
    };
    MagneticResult m;
    double excess = flux(r.box);
    for (std::size_t a = 0; a < j.arms.size(); ++a) {
        const double phi = flux(r.port[a]);
        excess -= j.arms[a].n * phi;
        m.l.push_back(kMu0 * 0.25 * phi);
    }
    m.L = kMu0 * f.dl * 0.125 * excess;
    return m;
}

bool has_ties(const JunctionLayout& j) {
    return std::any_of(j.arms.begin(), j.arms.end(), [](const JunctionArm& a) { return a.cut != 0; });
}

// One slot run: the values of the slot regions, and the arms whose
// pieces outside their ties hold 0.
struct SlotRun {
    std::vector<double> v;
    std::vector<bool> idle;
    // Each piece's value (pieces as region_map numbers them).
    std::vector<double> pieces() const {
        std::vector<double> p(v.size() * (idle.size() + 1));
        for (std::size_t a = 0; a <= idle.size(); ++a)
            for (std::size_t k = 0; k < v.size(); ++k) p[a * v.size() + k] = a > 0 && idle[a - 1] ? 0.0 : v[k];
        return p;
    }
};

// The run of slot values v: an arm with a tie idles where every slot
// region reaching past its tie has one value.
SlotRun slot_run(const JunctionLayout& j, const RegionMap& map, const std::vector<double>& v) {
    const std::size_t R = v.size();
    SlotRun run{v, std::vector<bool>(j.arms.size(), false)};
    std::vector<std::vector<bool>> reaches(j.arms.size(), std::vector<bool>(R, false));
    for (int id : map.id)
        if (id >= static_cast<int>(R)) reaches[id / R - 1][id % R] = true;
    for (std::size_t a = 0; a < j.arms.size(); ++a) {
        std::vector<double> seen;
        for (std::size_t k = 0; k < R; ++k)
            if (reaches[a][k]) seen.push_back(v[k]);
        run.idle[a] =
            j.arms[a].cut != 0 && std::adjacent_find(seen.begin(), seen.end(), std::not_equal_to<>()) == seen.end();
    }
    return run;
}

}  // namespace

int magnetic_runs(const Frame3D& f, const JunctionLayout& j, const std::vector<std::vector<double>>& values,
                  const std::vector<const char*>& captions, std::vector<MagneticResult>& out,
                  const std::vector<std::vector<double>>& derived) {
    Frame3D m = f;
    // The slot problem holds nothing but the slots in the metal plane: its
    // slowest mode spans the box between cover and bottom, and relaxes far
    // better over-relaxed.  The cross at DL 2.5 um (201 x 201 fine nodes)
    // takes 750 sweeps per run at 1.8, 250 at 1.94 (and 310 at 1.92 and
    // 1.95, 490 at 1.97), with the same values.
    m.alpha = std::max(f.alpha, 1.94);
    const int stack[6] = {0, f.st.h2, f.st.h1, f.st.nx, f.ny, f.st.n5()};
    const Frame3D thin = frame3d(stack, 0.0, true);
    if (!thin.ok) return frame_failure(thin.problem);
    m.st = thin.st;
    BandGrid3 g(m.st, m.ny);
    if (!g) return g.status();
    g.ground(false);
    if (j.mirror_x) g.mirror_side_walls(true, true);
    const RegionMap map = region_map(m, j);
    const std::size_t R = j.slots.size(), pieces = R * (j.arms.size() + 1);
    std::vector<SlotRun> todo;
    for (const std::vector<double>& v : values) todo.push_back(slot_run(j, map, v));
    const bool ties = has_ties(j) && std::any_of(map.id.begin(), map.id.end(),
                                                 [&](int id) { return id >= 0 && id < static_cast<int>(R); });
    // The offset run: the inner pieces at 1, every arm outside its tie at 0.
    if (ties) todo.push_back({std::vector<double>(R, 1.0), std::vector<bool>(j.arms.size(), true)});
    std::vector<RegionFlux> flux;
    out.clear();
    for (std::size_t r = 0; r < todo.size(); ++r) {
        // Each run starts from a fresh fine band; the coarse bands keep
        // what the run before left.
        g.refill_band0(false);
        if (j.mirror_x) g.mirror_side_walls(true, true, true);
        for (const Rect& q : j.beyond) g.paint(q.x1, q.x2, q.y1, q.y2, 0.0, true);
        for (std::size_t k = 0; k < R; ++k)
            for (const Rect& q : j.slots[k]) g.paint(q.x1, q.x2, q.y1, q.y2, todo[r].v[k], true);
        for (std::size_t a = 0; a < j.arms.size(); ++a) {
            const JunctionArm& arm = j.arms[a];
            if (arm.cut == 0) continue;
            const Rect q = arm.outside(arm.along_x ? m.columns() : m.planes()), t = arm.tie();
            if (todo[r].idle[a]) g.paint(q.x1, q.x2, q.y1, q.y2, 0.0, true);
            g.paint(t.x1, t.x2, t.y1, t.y2, kFree, true);
        }
        for (const Rect& q : j.grounds) g.paint(q.x1, q.x2, q.y1, q.y2, kFree, true);
        for (const Rect& q : j.strips) g.paint(q.x1, q.x2, q.y1, q.y2, kFree, true);
        open_bridge_slots(g, j.arms);
        if (const int rc = run3l(m, captions[r]); rc != 0) return rc;
        flux.push_back(region_flux(m, j, map, pieces));
    }
    std::vector<std::vector<double>> v;
    for (const SlotRun& run : todo) v.push_back(run.pieces());
    if (ties) {
        // Each run plus the offset that leaves the inner pieces no net flux.
        const RegionFlux& off = flux.back();
        auto inner = [&](const RegionFlux& q) {
            double s = 0.0;
            for (std::size_t k = 0; k < R; ++k) s += q.box[k];
            return s;
        };
        for (std::size_t r = 0; r + 1 < todo.size(); ++r) {
            const double d = -inner(flux[r]) / inner(off);
            flux[r].add(off, d);
            for (std::size_t p = 0; p < pieces; ++p) v[r][p] += d * v.back()[p];
        }
    }
    for (std::size_t r = 0; r < values.size(); ++r) out.push_back(inductances(m, j, flux[r], v[r]));
    for (const std::vector<double>& c : derived) {
        RegionFlux sum(pieces, j.arms.size());
        std::vector<double> s(pieces, 0.0);
        for (std::size_t r = 0; r < c.size(); ++r) {
            sum.add(flux[r], c[r]);
            for (std::size_t p = 0; p < pieces; ++p) s[p] += c[r] * v[r][p];
        }
        out.push_back(inductances(m, j, sum, s));
    }
    return 0;
}

int junction_runs(const Frame3D& f, const JunctionLayout& j, double eps, const char* caption, const SlotRuns& slots,
                  ElectricResult& e, std::vector<MagneticResult>& runs) {
    const std::function<int()> tasks[] = {
        [&] { return electric_run(f, j, eps, caption, e); },
        [&] { return magnetic_runs(f, j, slots.values, slots.captions, runs, slots.derived); }};
    return run_side_by_side(tasks);
}

void line_values(double c, double l, double* out4) {
    out4[0] = c;
    out4[1] = l;
    out4[2] = std::sqrt(l / c);
    out4[3] = c * l / (kEps0 * kMu0);
}

double bridge_loss(const std::vector<JunctionArm>& arms, const double* w, const double* bw, double die_h, double die_er,
                   double die_td) {
    if (!(die_h > 0.0)) return 0.0;
    double area = 0.0;
    for (std::size_t k = 0; k < arms.size(); ++k)
        if (arms[k].bridge.code != 0) area += w[k] * bw[k];
    return die_td * kEps0 * die_er * area / die_h;
}

}  // namespace mirtex::solver
