// The spiral inductor CxRIND: a rectangular spiral of |N| turns (N = 1.5,
// 2.5, ...) in an opening of the ground plane between line 1 (from the
// low-Z wall) and line 2 (to the high-Z wall).  Line 1's strip runs into
// the outer end on the bottom side; the winding goes round (towards high X
// first, or towards low X when N < 0), one track pitch inwards per turn,
// and ends on the top side of the innermost ring at the axis, where the
// bridge C_BTR carries it over the outer turns onto line 2's strip.
//
//     XA1                          XA2
//  X21 |  +-----------------------+  | X24     Z3 (last opening row)
//      |  | +-------------------+ |  |         bridge X1A..X1B from the
//      |  | |  X2A  ......  X2B | |  |         inner end up onto line 2
//      |  | |       opening     | |  |
//      |  | +---------          | |  |
//      |  +-----------+---------+ |  |
//      |              |line 1     |  |         Z1 (first opening row)
#include <algorithm>
#include <cmath>
#include <vector>

#include "binding/messages.h"
#include "params/compound.h"
#include "params/extrapolation.h"
#include "params/item.h"
#include "params/rind_layout.h"

namespace mirtex::params {
namespace {

using mirtex::format;

// Far beyond any spiral a process makes; bounds the instance-sized vector.
constexpr double kMaxTurns = 100.5;

struct Spiral {
    double N, WT, ST, D1, D2, S;
    int level;
};


int rings(const Spiral& s) { return static_cast<int>(std::fabs(s.N) + 0.5); }
double outer(const Spiral& s, double inner) { return inner + 2 * (rings(s) * s.WT + (rings(s) - 1) * s.ST); }

int Check_Ind(Assembly& a, const LineItem& l1, const LineItem& l2, const Spiral& s, const BridgeItem& b, int code,
              double T) {
    const int R = rings(s);
    const int NN = 4 * R - 1;
    const int want = RindInts::kSlots + 4 * NN + 3;
    if (!size_int_vector(rindE_ipar, rindE_n_ipar, want) ||
        !size_double_vector(rindE_dpar, rindE_n_dpar, RindReals::kSlots)) return vectors_missing(a);
    const double DL = a.DL();
    const Frame3 f = frame3(a);
    const double wth = half_units(s.WT, DL), sth = half_units(s.ST, DL), sh = half_units(s.S, DL);
    const double d1 = half_units(s.D1, DL), d2 = half_units(s.D2, DL);
    const int wt = twice(wth), p = wt + twice(sth);
    const int ox0 = f.M - itrunc(d1), ox1 = ox0 + twice(d1) - 1;
    const int oz0 = f.MZ - itrunc(d2), oz1 = oz0 + twice(d2) - 1;
    // Track columns and rows of ring r (0: outermost).
    auto Lc0 = [&](int r) { return ox0 - (R - 1 - r) * p - wt; };
    auto Rc1 = [&](int r) { return ox1 + (R - 1 - r) * p + wt; };
    auto Bz0 = [&](int r) { return oz0 - (R - 1 - r) * p - wt; };
    auto Tz0 = [&](int r) { return oz1 + (R - 1 - r) * p + 1; };
    // Lateral mirror about the axis for a spiral wound the other way.
    const bool mirrored = s.N < 0;
    auto mx = [&](int x) { return mirrored ? 2 * f.M - 1 - x : x; };

    RindInts in;
    const StripEdges e1 = strip_edges(units(l1.rec, DL), l1.rec, f.M, f.x_max());
    const StripEdges e2 = strip_edges(units(l2.rec, DL), l2.rec, f.M, f.x_max());
    in.X11 = e1.ground_left, in.X12 = e1.strip_left, in.X13 = e1.strip_right, in.X14 = e1.ground_right;
    in.X11B = e2.ground_left, in.X12B = e2.strip_left, in.X13B = e2.strip_right, in.X14B = e2.ground_right;
    in.X21 = Lc0(0) - 1 - twice(sh);
    in.X24 = Rc1(0) + 1 + twice(sh);
    in.Z1 = Bz0(0) - twice(sh);
    in.Z2 = f.MZ;
    in.Z3 = Tz0(0) + wt - 1 + twice(sh);
    put_stack(f, in);
    in.XA1 = Lc0(0);
    in.XA2 = Rc1(0);
    in.TURN = R;
    in.SIDE = mirrored ? 1 : 0;
    in.ART = code;
    in.N = to_count(2 * std::fabs(s.N));
    in.NN = NN;
    const double bwh = b.BWh;
    in.X1A = f.M - itrunc(bwh);
    in.X1B = in.X1A + twice(bwh) - 1;
    in.X2A = ox0;
    in.X2B = ox1;
    int* seg = rindE_ipar + RindInts::kSlots;  // the track rectangles, then the bridge's rows
    auto put = [&](int x0, int x1, int z0, int z1) {
        const int a0 = mx(x0), a1 = mx(x1);
        seg[0] = std::min(a0, a1);
        seg[1] = std::max(a0, a1);
        seg[2] = z0;
        seg[3] = z1;
        seg += 4;
    };
    for (int r = 0; r < R; ++r) {
        put(r == 0 ? in.X12 : Lc0(r - 1), Rc1(r), Bz0(r), Bz0(r) + wt - 1);  // bottom
        put(Rc1(r) - wt + 1, Rc1(r), Bz0(r), Tz0(r) + wt - 1);              // right
        if (r < R - 1) {
            put(Lc0(r), Rc1(r), Tz0(r), Tz0(r) + wt - 1);           // top
            put(Lc0(r), Lc0(r) + wt - 1, Bz0(r + 1), Tz0(r) + wt - 1);  // left, down to the next ring
        } else {
            put(in.X1A, Rc1(r), Tz0(r), Tz0(r) + wt - 1);  // top, ending under the bridge
        }
    }
    // The bridge from the inner end over the outer turns onto line 2's
    // strip, which starts one track spacing beyond the outer turn.
    const int line2_start = Tz0(0) + wt + twice(sth);
    seg[0] = Tz0(R - 1);
    seg[1] = line2_start + wt - 1;
    seg[2] = line2_start;
    if (mirrored)
        for (auto [first, last] :
             {std::pair{&RindInts::X21, &RindInts::X24}, std::pair{&RindInts::XA1, &RindInts::XA2},
              std::pair{&RindInts::X1A, &RindInts::X1B}, std::pair{&RindInts::X2A, &RindInts::X2B}}) {
            const int lo = mx(in.*last), hi = mx(in.*first);
            in.*first = lo;
            in.*last = hi;
        }
    write_layout(in, rindE_ipar);

    RindReals re;
    put_stack_materials(a, re);
    re.T = T;
    re.MET = met_of(T, DL);
    re.LG = sth;
    re.WF = wth;
    re.ALPHA = a.grid_.ALPHA;
    re.BOUND = a.grid_.BOUND;
    re.BW = bwh;
    re.VER = version_stamp(1011.0);  // 1011: the lead-out over the bridge from the track's middle
    re.die_h = b.rec.die_h;
    re.die_er = b.rec.die_er;
    re.die_td = b.rec.die_td;
    write_layout(re, rindE_dpar);

    std::vector<FitDim> dims;
    head_dims(a, f, dims);
    line_dims(l1, l2, DL, dims);
    dims.push_back({"WT", s.WT, wth});
    dims.push_back({"ST", s.ST, sth});
    dims.push_back({"I_DIA1", s.D1, d1});
    dims.push_back({"I_DIA2", s.D2, d2});
    dims.push_back({"S", s.S, sh});
    dims.push_back({b.text.BW, b.rec.BW, bwh});
    if (fit(a, dims) != 0) return 1;

    GeometryCheck g(a);
    const double od1 = outer(s, s.D1), od2 = outer(s, s.D2);
    g.chain("L1", f.x_max(),
            {{"X21", in.X21, "S", s.S, 0},
             {"XA1", in.XA1, "S", s.S, 1},
             {"XA2", in.XA2, "OUTER DIAMETER 1", od1, 0},
             {"X24", in.X24, "S", s.S, 1}});
    g.chain("L2", f.z_max(),
            {{"Z1", in.Z1, "OUTER DIAMETER 2", od2, 0},
             {"Z2", in.Z2, "OUTER DIAMETER 2", od2, 0},
             {"Z3", in.Z3, "OUTER DIAMETER 2", od2, 0}});
    g.chain("L2", f.z_max(), {{"bridge end", line2_start + wt - 1, "OUTER DIAMETER 2", od2, 0}});
    line_chain(g, f, l1, e1, {"X11", "X12", "X13", "X14"});
    line_chain(g, f, l2, e2, {"X11B", "X12B", "X13B", "X14B"});
    g.chain("L1", f.x_max(), {{"X1A", in.X1A, "BW", b.rec.BW, 0}, {"X1B", in.X1B, "BW", b.rec.BW, 0}});
    g.chain("L1", f.x_max(), {{"X2A", in.X2A, "I_DIA1", s.D1, 0}, {"X2B", in.X2B, "I_DIA1", s.D1, 0}});
    if (g.status() != 0) return 1;
    warn_above(a.warnings(), "TURNS->t", s.level, a.grid_text_.DL, T / DL, 5.0);
    warn_bridge_dielectric(a, b.rec);
    return 0;
}

}  // namespace
}  // namespace mirtex::params

using namespace mirtex::params;
using mirtex::format;

extern "C" {

// Parameters: 0 L1, 1 L2, 2 N, 3 WT, 4 ST, 5 I_DIA1, 6 I_DIA2, 7 S,
// 8 INDLEVEL, 9 C_LTYP1, 10 C_LTYP2, 11 C_BTR, 12 C_SUB, 13 C_GRID, 14 TEMP.
// Outputs: resistivities of the winding's metal and of the ground metal,
// TAND2, the feed lengths L1 and L2.
MIRTEX_API int cpw_rindE_get(UserInstDef* inst, WARN** warnings, double* rho, double* rho_gnd, double* tand,
                             double* L1, double* L2) {
    Assembly a(inst, warnings, "C_RIND");
    LineItem l1, l2;
    if (two_port_items(a, inst, 13, 9, l1, l2, L1, L2) != 0) return 1;
    Spiral s{real_param(inst, 2), real_param(inst, 3), real_param(inst, 4), real_param(inst, 5),
             real_param(inst, 6), real_param(inst, 7), int_param(inst, 8)};
    const double h = a.DL() / 2;
    const char* name = a.name();
    const double turns = std::fabs(s.N);
    // The number of turns is a real; it is shown as given.
    if (!(std::floor(turns - 0.5) == turns - 0.5))
        return a.reject(format("C_RIND(%s): N=%g invalid value ! (N=1.5, 2.5, ...)", name, s.N));
    if (turns < 1.5) return a.reject(format("C_RIND(%s): N=%g invalid value ! (N_min=1.5)", name, s.N));
    if (turns > kMaxTurns) return a.reject(format("C_RIND(%s): N=%g invalid value ! (N_max=%g)", name, s.N, kMaxTurns));
    if (!(s.WT >= h)) return a.reject(format("C_RIND(%s): WT=%lg invalid value ! (WT_min=%lg)", name, s.WT, h));
    if (!(s.ST >= h)) return a.reject(format("C_RIND(%s): ST=%lg invalid value ! (ST_min=%lg)", name, s.ST, h));
    if (!(s.S >= h)) return a.reject(format("C_RIND(%s): S=%lg invalid value ! (S_min=%lg)", name, s.S, h));
    if (!(s.D1 >= h))
        return a.reject(format("C_RIND(%s): I_DIA1=%lg invalid value ! (I_DIA1_min=%lg)", name, s.D1, h));
    if (!(s.D2 >= h))
        return a.reject(format("C_RIND(%s): I_DIA2=%lg invalid value ! (I_DIA2_min=%lg)", name, s.D2, h));
    if (s.level < 1 || s.level > a.metal_count())
        return a.reject(format("C_RIND(%s) :  %s = %i invalid metal value !", name, "INDLEVEL", s.level));
    BridgeItem b;
    if (read_bridge(a, 11, b) != 0) return 1;
    int code = 0;
    if (SetAirType(b.TYPE, &code) != 0)
        return a.reject(format("C_RIND(%s) : C_AIRTYP(%s) : TYPE=%i invalid airtype !", name, b.item, b.TYPE));
    // Without a bridge the inner end of the winding would reach neither
    // port: the element would be an open circuit, not an inductor.
    if (b.TYPE == 0)
        return a.reject(format("C_RIND(%s) : C_AIRTYP(%s) : TYPE=0 invalid airtype ! (the inner end needs a bridge)",
                               name, b.item));
    for (const auto& [what, v] : {std::pair{"WT", s.WT}, std::pair{"ST", s.ST}, std::pair{"S", s.S},
                                  std::pair{"I_DIA1", s.D1}, std::pair{"I_DIA2", s.D2}})
        if (a.bounded(what, v) != 0) return 1;
    CPW_LINETYP track = l1.rec;  // the bridge crosses tracks and spacings of the winding
    track.S = s.ST;
    track.CEN_MET = s.level;
    default_bridge_span(b, track);
    if (check_bridge(a, b, track) != 0) return 1;
    if (a.metals(l1) != 0 || a.metals(l2) != 0) return 1;
    const double T = foundries.entries[10][s.level - 1], rho_w = foundries.entries[11][s.level - 1];
    if (a.tech_test(T, rho_w, s.level) != 0) return 1;
    if (bridge_dielectric(a, b, std::abs(b.TYPE)) != 0) return 1;

    const double length = outer(s, s.D2) + 2 * s.S + 2 * (s.WT + s.ST) + 8 * a.DL();
    if (opening_frame(a, l1, l2, outer(s, s.D1) + 2 * s.S, length, tand) != 0) return 1;
    if (rho != nullptr) *rho = rho_w;
    if (rho_gnd != nullptr) *rho_gnd = l1.rho_gnd;
    bridge_units(b, a.DL());
    if (Check_Ind(a, l1, l2, s, b, code, T) != 0) return 1;
    if (a.feed(l1, feed1_ipar, feed1_dpar) != 0) return 1;
    return a.feed(l2, feed2_ipar, feed2_dpar);
}

}  // extern "C"
