// The interdigital capacitor: two combs in an opening of the ground plane,
// comb 1 fed by line 1 from plane 1, comb 2 by line 2 to the last plane
// (both ends mirror planes).  Each comb is its line, its bar and its
// fingers.
//
//   1/5  both combs at 1 V with the layers: each comb's charge beyond its
//        line's gives Cp1, Cp2, as for the series gap;
//   2/5  a cross-section through the fingers, alone and in air: the
//        fingers' air charges with both combs at 1 V;
//   3/5  comb 2 at -1 V: the odd charges, and Cs from them as for the gap;
//   4/5  the same cross-section in air in the odd state;
//   5/5  the slot problem with the capacitor's body as one wide strip: the
//        series inductance of the body and the line ends, Ls at each port.
//
// L1, L2 and M: the air charges per plane of the two combs in the even and
// odd states give the fingers' air capacitance matrix, C11 = (e1 + o1)/2
// and C12 = (e1 - o1)/2 (units eps0 per plane); its inverse times mu0
// eps0 is the inductance matrix of the finger pair per length, times the
// finger length LF.
//
// Rf1, Rf2: the comb's N fingers carry its current in parallel, on their
// top and bottom faces at 1 GHz, and the current falls linearly to the
// finger's tip (its charge leaves it evenly along its length), so each
// finger counts a third of its length: Rf = Rs LF / (3 x 2 WF N), Rs the
// reference metal's surface resistance at 1 GHz.  At DC the whole section
// WF T carries it: Rg = LF / (3 WF T N), R_dc = Rg / sigma.
#include <algorithm>
#include <cmath>
#include <vector>

#include "binding/messages.h"
#include "cache/calc_file.h"
#include "params/idc_layout.h"
#include "solver/junction.h"

namespace mirtex::solver {
namespace {

using params::IdcInts, params::IdcReals, params::IdcResults;

struct Idc {
    std::vector<Rect> grounds, comb[2];
    std::vector<int> id;  // comb of each node of the metal plane, -1 none
    JunctionLayout slots;
    int fingers[2] = {};
};

Idc idc_layout(const int* ipar, const Frame3D& f) {
    const auto in = params::read_layout<IdcInts>(ipar);
    const int X0 = in.X0, XE = in.XE, X11 = in.X11, X12 = in.X12, X13 = in.X13, X14 = in.X14;
    const int X21 = in.X21, X22 = in.X22, X23 = in.X23, X24 = in.X24, XG1 = in.XG1, XG2 = in.XG2;
    const int Z1 = in.Z1, Z2 = in.Z2, Z3 = in.Z3, Z4 = in.Z4;
    const int X = f.columns(), Y = f.planes();
    // The opening reaches beyond each bar by the clearance S that also
    // parts the outer fingers from the side grounds (c planes): a bar never
    // lies edge to edge with the ground.  Inside those bands only the
    // lines' strips run on to their bars; the ground beside a band stops
    // at the opening's side or the line's slot, whichever lies further out.
    const int c = X0 - 1 - XG1;
    const int B1 = Z1 - c, B4 = Z4 + c;  // first and last plane of the opening
    const int GL1 = std::min(XG1, X11), GR1 = std::max(XG2, X14), GL2 = std::min(XG1, X21), GR2 = std::max(XG2, X24);
    Idc d;
    d.grounds = {{1, X11, 1, B1 - 1},  {X14, X, 1, B1 - 1},  {1, X21, B4 + 1, Y},   {X24, X, B4 + 1, Y},
                 {1, GL1, B1, Z1 - 1}, {GR1, X, B1, Z1 - 1}, {1, GL2, Z4 + 1, B4}, {GR2, X, Z4 + 1, B4},
                 {1, XG1, Z1, Z4},     {XG2, X, Z1, Z4}};
    d.comb[0] = {{X12, X13, 1, Z1 - 1}, {X0, XE, Z1, Z2}};
    d.comb[1] = {{X22, X23, Z4 + 1, Y}, {X0, XE, Z3, Z4}};
    const int* finger = ipar + IdcInts::kSlots;  // first and last column of each
    for (int n = 0; n < in.NF; ++n) {
        const int k = n % 2;
        d.comb[k].push_back(k == 0 ? Rect{finger[2 * n], finger[2 * n + 1], in.Z11, in.Z12}
                                   : Rect{finger[2 * n], finger[2 * n + 1], in.Z13, in.Z14});
        ++d.fingers[k];
    }
    d.id.assign(static_cast<std::size_t>(X) * Y, -1);
    for (int k = 0; k < 2; ++k)
        for (const Rect& r : d.comb[k])
            for (int y = std::max(r.y1, 1); y <= std::min(r.y2, Y); ++y)
                for (int x = std::max(r.x1, 1); x <= std::min(r.x2, X); ++x)
                    d.id[static_cast<std::size_t>(y - 1) * X + (x - 1)] = k;

    // The slot problem: the slots of both lines and the gaps beside the
    // opening, the left ones at +1 and the right ones at -1; the
    // capacitor's body between them is free, one wide strip.
    JunctionLayout& j = d.slots;
    j.mirror_x = false;
    j.grounds = d.grounds;
    j.strips = {{X12, X13, 1, Z1 - 1}, {X22, X23, Z4 + 1, Y}, {X0, XE, Z1, Z4}};
    j.slots = {{{X11 + 1, X12 - 1, 1, B1 - 1},
                {GL1 + 1, X12 - 1, B1, Z1 - 1},
                {XG1 + 1, X0 - 1, Z1, Z4},
                {GL2 + 1, X22 - 1, Z4 + 1, B4},
                {X21 + 1, X22 - 1, B4 + 1, Y}},
               {{X13 + 1, X14 - 1, 1, B1 - 1},
                {X13 + 1, GR1 - 1, B1, Z1 - 1},
                {XE + 1, XG2 - 1, Z1, Z4},
                {X23 + 1, GR2 - 1, Z4 + 1, B4},
                {X23 + 1, X24 - 1, B4 + 1, Y}}};
    JunctionArm a1, a2;
    a1.s1 = X12, a1.s2 = X13, a1.g1 = X11, a1.g2 = X14;
    a1.n = Z1 - 2;  // planes 2 .. Z1 - 1
    a2.s1 = X22, a2.s2 = X23, a2.g1 = X21, a2.g2 = X24;
    a2.port = Y - 1;
    a2.n = Y - 1 - Z4;  // planes Z4 + 1 .. Y - 1
    j.arms = {a1, a2};
    return d;
}

void paint_combs(BandGrid3& g, const Idc& d, double v2) {
    for (const Rect& r : d.grounds) g.paint(r.x1, r.x2, r.y1, r.y2, 0.0);
    for (int k = 0; k < 2; ++k)
        for (const Rect& r : d.comb[k]) g.paint(r.x1, r.x2, r.y1, r.y2, k == 0 ? 1.0 : v2);
}

// The air charges per plane of both combs on the cross-section plane
// 8 plane4 - 7, relaxed alone.
int finger_section(const Frame3D& f, const Idc& d, int plane4, double v2, const char* caption, double* x) {
    mirtex::copy_bounded(text_iteration, sizeof text_iteration, caption);
    const BandStack& s = f.st;
    if (const int rc =
            iteration3z(1.0, 1.0, 1.0, s.nx, s.m4, s.m2, s.k1, s.rows0, s.n4, plane4, s.h1, s.h2, s.met, 1e-5, f.alpha);
        rc != 0)
        return rc;
    const int y = 8 * plane4 - 7;
    const Rect r{2, f.columns() - 1, y, y};
    x[0] = marked_flux(f, f.air(), 1.0, d.id, 0, r, true);
    x[1] = marked_flux(f, f.air(), v2, d.id, 1, r, true);
    return 0;
}

}  // namespace
}  // namespace mirtex::solver

using namespace mirtex::solver;

extern "C" MIRTEX_API int Calc_Cap(int /*plot: no diagnostic output*/, int* ipar, int n_ipar, double* dpar,
                                   double* dpar_out) {
    namespace params = mirtex::params;
    static const char kFile[] = "cpw_cap.cdb";
    static const char kIdent[] = "Tessaric Capacitence";
    if (ReadCalc(kFile, kIdent, ipar, n_ipar, dpar, IdcReals::kSlots, nullptr, 0, dpar_out, IdcResults::kSlots) == 0)
        return 0;
    mirtex::send_info("Calculating C_IDC");
    const int NF = n_ipar < IdcInts::kSlots ? 0 : params::read_layout<IdcInts>(ipar).NF;
    if (NF < 2 || n_ipar != IdcInts::kSlots + 2 * NF)
        return frame_failure(mirtex::format("an interdigital capacitor of %d slots", n_ipar));
    const auto ints = params::read_layout<IdcInts>(ipar);
    const auto re = params::read_layout<IdcReals>(dpar);
    Frame3D f = frame3d(ints, re);
    if (!f.ok) return frame_failure(f.problem);
    const Idc d = idc_layout(ipar, f);
    static const char* const kNames[] = {"line 1", "line 2"};
    if (const std::string p = junction_check(f, d.slots, kNames); !p.empty()) return frame_failure(p);
    // The cross-section through the fingers: a plane of the coarsest band
    // inside the rows both combs' fingers share, else the nearest one.
    const int lo = ints.Z13, hi = ints.Z12;
    int plane4 = (lo + 7 + 7) / 8;
    if (8 * plane4 - 7 > hi) plane4 = std::max(1, ((lo + hi) / 2 + 7 + 4) / 8);
    if (plane4 < 2 || plane4 > f.ny / 4)
        return frame_failure(mirtex::format("the fingers (planes %d..%d) lie outside the box", lo, hi));

    const JunctionArm &a1 = d.slots.arms[0], &a2 = d.slots.arms[1];
    const double h = 0.5 * f.dl;
    double cp[2], odd[2], even_x[2], odd_x[2], q[2];
    {
        BandGrid3 g(f.st, f.ny);
        if (!g) return g.status();
        g.ground(false);
        paint_combs(g, d, 1.0);
        if (const int rc = run3(f, "1/5", f.layers()); rc != 0) return rc;
        const Rect in = interior(f);
        q[0] = node_flux(f, f.layers(), true, 1.0, a1.port_rect());
        q[1] = node_flux(f, f.layers(), true, 1.0, a2.port_rect());
        for (int k = 0; k < 2; ++k)
            cp[k] = kEps0 * h * (marked_flux(f, f.layers(), 1.0, d.id, k, in) - (k == 0 ? a1.n : a2.n) * q[k]);
        if (const int rc = finger_section(f, d, plane4, 1.0, "2/5", even_x); rc != 0) return rc;

        paint_combs(g, d, -1.0);
        if (const int rc = run3(f, "3/5", f.layers()); rc != 0) return rc;
        const double o1 = node_flux(f, f.layers(), true, 1.0, a1.port_rect());
        const double o2 = node_flux(f, f.layers(), true, -1.0, a2.port_rect());
        odd[0] = kEps0 * h * (marked_flux(f, f.layers(), 1.0, d.id, 0, in) - a1.n * o1);
        odd[1] = kEps0 * h * (marked_flux(f, f.layers(), -1.0, d.id, 1, in) - a2.n * o2);
        if (const int rc = finger_section(f, d, plane4, -1.0, "4/5", odd_x); rc != 0) return rc;
    }
    std::vector<MagneticResult> runs;
    if (const int rc = magnetic_runs(f, d.slots, {{1.0, -1.0}}, {"5/5"}, runs); rc != 0) return rc;

    // The fingers' air capacitance matrix (units eps0 per plane) and its
    // inverse times mu0 LF.
    const double c11 = 0.5 * (even_x[0] + odd_x[0]), c22 = 0.5 * (even_x[1] + odd_x[1]);
    const double c12 = 0.25 * (even_x[0] - odd_x[0] + even_x[1] - odd_x[1]);
    const double det = c11 * c22 - c12 * c12, LF = re.LF, WF = re.WFF, T = re.T;
    IdcResults r;
    r.Cp1 = cp[0];
    r.Cp2 = cp[1];
    r.Cs = 0.5 * (0.5 * (odd[0] - cp[0]) + 0.5 * (odd[1] - cp[1]));
    r.L1 = kMu0 * LF * c22 / det;
    r.L2 = kMu0 * LF * c11 / det;
    r.M = -kMu0 * LF * c12 / det;
    r.Ls = 0.5 * runs[0].L;
    // Each comb's fingers in parallel: at 1 GHz for the reference metal,
    // and the DC value times the conductivity.
    auto finger_r = [&](int k) { return surface_resistance_1ghz() * LF / (6.0 * WF * std::max(1, d.fingers[k])); };
    auto finger_g = [&](int k) { return T > 0.0 ? LF / (3.0 * WF * T * std::max(1, d.fingers[k])) : 0.0; };
    r.Rf1 = finger_r(0), r.Rf2 = finger_r(1), r.Rg1 = finger_g(0), r.Rg2 = finger_g(1);
    r.T = T;
    line_values(0.5 * kEps0 * (q[0] + q[1]), 0.5 * (runs[0].l[0] + runs[0].l[1]), r);
    params::write_layout(r, dpar_out);
    WriteCalc(kFile, kIdent, ipar, n_ipar, dpar, IdcReals::kSlots, nullptr, 0, dpar_out, IdcResults::kSlots);
    return 0;
}
