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
//
// Integer vector: X11..X14 (line 1: slot edge, strip, strip, slot edge),
// X21, X24 (last ground column beside the opening), Z1, Z2, Z3 (first row
// of the opening, reference plane, last row), H3/DL, H2/DL, H1/DL, L1/DL,
// L2/DL, N5, XA1, XA2 (outer columns of the winding), TURN (rings), SIDE
// (1: wound towards low X), ART (bridge code), N (half turns), NN
// (segments), X11B..X14B (line 2), X1A, X1B (bridge columns), X2A, X2B
// (columns of the inner opening); then NN rectangles of track, first
// column, last column, first row, last row, from the outer end inwards;
// then the bridge's first and last row and the first row of line 2's strip.
// Real vector: ER3, ER2, ER1, DL, T, MET, LG/DL (track spacing), WF/DL
// (track width), ALPHA, BOUND, BW/DL (bridge width), VER., die_h, die_er,
// die_td (the dielectric under the bridge).
#include <algorithm>
#include <cmath>
#include <vector>

#include "binding/messages.h"
#include "params/compound.h"
#include "params/item.h"

namespace mirtex::params {
namespace {

using mirtex::format;

constexpr int kRindHead = 30;
constexpr int kRindDpar = 15;
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
    const int want = kRindHead + 4 * NN + 3;
    if (!size_int_vector(rindE_ipar, rindE_n_ipar, want) ||
        !size_double_vector(rindE_dpar, rindE_n_dpar, kRindDpar)) return vectors_missing(a);
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

    int* ip = rindE_ipar;
    strip_edges(units(l1.rec, DL), l1.rec, f.M, f.x_max(), ip);
    strip_edges(units(l2.rec, DL), l2.rec, f.M, f.x_max(), ip + 22);
    ip[4] = Lc0(0) - 1 - twice(sh);
    ip[5] = Rc1(0) + 1 + twice(sh);
    ip[6] = Bz0(0) - twice(sh);
    ip[7] = f.MZ;
    ip[8] = Tz0(0) + wt - 1 + twice(sh);
    put_stack(f, ip + 9);
    ip[15] = Lc0(0);
    ip[16] = Rc1(0);
    ip[17] = R;
    ip[18] = mirrored ? 1 : 0;
    ip[19] = code;
    ip[20] = to_count(2 * std::fabs(s.N));
    ip[21] = NN;
    const double bwh = b.BWh;
    ip[26] = f.M - itrunc(bwh);
    ip[27] = ip[26] + twice(bwh) - 1;
    ip[28] = ox0;
    ip[29] = ox1;
    int* seg = ip + kRindHead;
    auto put = [&](int x0, int x1, int z0, int z1) {
        const int a0 = mx(x0), a1 = mx(x1);
        seg[0] = std::min(a0, a1);
        seg[1] = std::max(a0, a1);
        seg[2] = z0;
        seg[3] = z1;
        seg += 4;
    };
    for (int r = 0; r < R; ++r) {
        put(r == 0 ? ip[1] : Lc0(r - 1), Rc1(r), Bz0(r), Bz0(r) + wt - 1);  // bottom
        put(Rc1(r) - wt + 1, Rc1(r), Bz0(r), Tz0(r) + wt - 1);              // right
        if (r < R - 1) {
            put(Lc0(r), Rc1(r), Tz0(r), Tz0(r) + wt - 1);           // top
            put(Lc0(r), Lc0(r) + wt - 1, Bz0(r + 1), Tz0(r) + wt - 1);  // left, down to the next ring
        } else {
            put(ip[26], Rc1(r), Tz0(r), Tz0(r) + wt - 1);  // top, ending under the bridge
        }
    }
    // The bridge from the inner end over the outer turns onto line 2's
    // strip, which starts one track spacing beyond the outer turn.
    const int line2_start = Tz0(0) + wt + twice(sth);
    seg[0] = Tz0(R - 1);
    seg[1] = line2_start + wt - 1;
    seg[2] = line2_start;
    if (mirrored)
        for (int pair : {4, 15, 26, 28}) {
            const int lo = mx(ip[pair + 1]), hi = mx(ip[pair]);
            ip[pair] = lo;
            ip[pair + 1] = hi;
        }

    double* dp = rindE_dpar;
    put_stack_materials(a, dp);
    dp[4] = T;
    dp[5] = met_of(T, DL);
    dp[6] = sth;
    dp[7] = wth;
    dp[8] = a.grid_.ALPHA;
    dp[9] = a.grid_.BOUND;
    dp[10] = bwh;
    dp[11] = 1010.0;
    dp[12] = b.rec.die_h;
    dp[13] = b.rec.die_er;
    dp[14] = b.rec.die_td;

    std::vector<FitDim> dims;
    head_dims(a, f, dims);
    for (const LineItem* l : {&l1, &l2}) {
        const LineUnits u = units(l->rec, DL);
        dims.push_back({l->text.W, l->rec.W, u.Wh});
        dims.push_back({l->text.S, l->rec.S, u.Sh});
    }
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
            {{"X21", ip[4], "S", s.S, 0},
             {"XA1", ip[15], "S", s.S, 1},
             {"XA2", ip[16], "OUTER DIAMETER 1", od1, 0},
             {"X24", ip[5], "S", s.S, 1}});
    g.chain("L2", f.z_max(),
            {{"Z1", ip[6], "OUTER DIAMETER 2", od2, 0},
             {"Z2", ip[7], "OUTER DIAMETER 2", od2, 0},
             {"Z3", ip[8], "OUTER DIAMETER 2", od2, 0}});
    g.chain("L2", f.z_max(), {{"bridge end", line2_start + wt - 1, "OUTER DIAMETER 2", od2, 0}});
    static const char* const kL1[] = {"X11", "X12", "X13", "X14"};
    static const char* const kL2[] = {"X11B", "X12B", "X13B", "X14B"};
    const LineItem* lines[] = {&l1, &l2};
    const char* const* names[] = {kL1, kL2};
    for (int k = 0; k < 2; ++k) {
        const int* e = ip + (k == 0 ? 0 : 22);
        const CPW_LINETYP& r = lines[k]->rec;
        const CPW_LINETYP_TEXT& t = lines[k]->text;
        g.chain("L1", f.x_max(),
                {{names[k][0], e[0], t.S, r.S, 0}, {names[k][1], e[1], t.S, r.S, 1},
                 {names[k][2], e[2], t.W, r.W, 0}, {names[k][3], e[3], t.S, r.S, 1}});
    }
    g.chain("L1", f.x_max(), {{"X1A", ip[26], "BW", b.rec.BW, 0}, {"X1B", ip[27], "BW", b.rec.BW, 0}});
    g.chain("L1", f.x_max(), {{"X2A", ip[28], "I_DIA1", s.D1, 0}, {"X2B", ip[29], "I_DIA1", s.D1, 0}});
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

    const double DL = a.DL();
    const double od1 = outer(s, s.D1), od2 = outer(s, s.D2);
    const double wges = std::max({region_width(l1.rec, DL), region_width(l2.rec, DL), od1 + 2 * s.S});
    if (a.substrate(12, wges, tand) != 0) return 1;
    const double gw = std::max(l1.rec.GW, l2.rec.GW);
    const double across = std::max({outer_width(l1.rec, l1.rec.GW, DL), outer_width(l2.rec, l2.rec.GW, DL),
                                    od1 + 2 * s.S + 2 * gw});
    if (a.box(wges, across, od2 + 2 * s.S + 2 * (s.WT + s.ST) + 8 * DL) != 0) return 1;
    if (rho != nullptr) *rho = rho_w;
    if (rho_gnd != nullptr) *rho_gnd = l1.rho_gnd;
    bridge_units(b, DL);
    if (Check_Ind(a, l1, l2, s, b, code, T) != 0) return 1;
    if (a.feed(l1, feed1_ipar, feed1_dpar) != 0) return 1;
    return a.feed(l2, feed2_ipar, feed2_dpar);
}

}  // extern "C"
