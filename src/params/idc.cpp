// The interdigital capacitor CxIDC: two combs in the opening of the ground
// plane between line 1 (from the low-Z wall) and line 2 (to the high-Z
// wall).  Each comb is a bar WL long across the whole finger width, from
// which its fingers (LF long, WF wide, SF apart) reach towards the other
// comb and stop G short of its bar.  Fingers alternate: odd fingers (1, 3,
// ...) belong to comb 1 on line 1's side, even ones to comb 2.  The opening
// leaves S between the outer fingers and the ground on either side.
//
//          X0                         XE
//   ----+            |  line 2 |           +----
//   XG1 |            |         |           | XG2   (S clear)
//       |  [=========== bar 2 ==========]  |         Z4 -+
//       |  |    |    |    |    |    |   |  |         Z3 -+
//       |  | .  |    | .  |    | .  |   |  |   Z14..Z13: comb-2 fingers
//       |  |    | .  |    | .  |    | . |  |   Z12..Z11: comb-1 fingers
//       |  [=========== bar 1 ==========]  |         Z2 -+
//       |            |         |           |         Z1 -+
//   ----+            |  line 1 |           +----  (S clear)
//
// The opening leaves S before bar 1 and after bar 2 as well (rows Z1 - S .. Z1 - 1 and Z4 + 1 .. Z4 + S, where only the
// lines' strips run on to their bars): ground fills the rows before and
// after it outside the lines' slots, and the columns up to XG1 and from
// XG2 beside it.
#include <algorithm>
#include <vector>

#include "binding/messages.h"
#include "params/compound.h"
#include "params/extrapolation.h"
#include "params/idc_layout.h"
#include "params/item.h"

namespace mirtex::params {
namespace {

using mirtex::format;

// No interdigital capacitor has more fingers; the bound keeps the
// instance-sized vector small.
constexpr int kMaxFingers = 1000;

struct Comb {
    double WF, SF, LF, S, G, WL;
    int NF, level;
};


double total_width(const Comb& c) { return c.NF * c.WF + (c.NF - 1) * c.SF; }

int Check_Cap(Assembly& a, const LineItem& l1, const LineItem& l2, const Comb& c, double T) {
    const int want = IdcInts::kSlots + 2 * c.NF;
    if (!size_int_vector(idc_ipar, idc_n_ipar, want) || idc_dpar == nullptr) return vectors_missing(a);
    const double DL = a.DL();
    const Frame3 f = frame3(a);
    const double wf = half_units(c.WF, DL), sf = half_units(c.SF, DL), lf = half_units(c.LF, DL);
    const double sh = half_units(c.S, DL), gh = half_units(c.G, DL), wl = half_units(c.WL, DL);
    const int pitch = twice(wf) + twice(sf);
    const int span = c.NF * twice(wf) + (c.NF - 1) * twice(sf);  // indexes the fingers cover
    IdcInts in;
    in.X0 = f.M - itrunc(span / 2.0);
    in.XE = in.X0 + span - 1;
    const StripEdges e1 = strip_edges(units(l1.rec, DL), l1.rec, f.M, f.x_max());
    const StripEdges e2 = strip_edges(units(l2.rec, DL), l2.rec, f.M, f.x_max());
    in.X11 = e1.ground_left, in.X12 = e1.strip_left, in.X13 = e1.strip_right, in.X14 = e1.ground_right;
    in.X21 = e2.ground_left, in.X22 = e2.strip_left, in.X23 = e2.strip_right, in.X24 = e2.ground_right;
    in.XG1 = in.X0 - 1 - twice(sh);
    in.XG2 = in.XE + 1 + twice(sh);
    const int length = 2 * twice(wl) + twice(lf) + twice(gh);
    in.Z1 = f.MZ - length / 2;
    in.Z2 = in.Z1 + twice(wl) - 1;
    in.Z3 = in.Z2 + twice(lf) + twice(gh) + 1;
    in.Z4 = in.Z3 + twice(wl) - 1;
    in.Z11 = in.Z2 + 1;
    in.Z12 = in.Z2 + twice(lf);
    in.Z13 = in.Z3 - twice(lf);
    in.Z14 = in.Z3 - 1;
    in.H2 = f.H2i;
    in.H1 = f.H1i;
    in.L1 = f.L1i;
    in.L2 = f.L2i;
    in.N5 = f.k;
    in.ART = c.level == l1.rec.CEN_MET ? 1 : 2;
    in.NF = c.NF;
    write_layout(in, idc_ipar);
    int* finger = idc_ipar + IdcInts::kSlots;  // first and last column of each
    for (int n = 0; n < c.NF; ++n) {
        finger[2 * n] = in.X0 + n * pitch;
        finger[2 * n + 1] = in.X0 + n * pitch + twice(wf) - 1;
    }

    IdcReals re;
    put_stack_materials(a, re);
    re.WFF = wf * DL;
    re.LF = lf * DL;
    re.LF_DL = lf;
    re.T = T;
    re.MET = met_of(T, DL);
    re.ALPHA = a.grid_.ALPHA;
    re.BOUND = a.grid_.BOUND;
    // 1011: solved with the opening clear of the bars; records of the
    // layout whose bars touched the ground (1010) are never read for it.
    re.VER = version_stamp(1011.0);
    write_layout(re, idc_dpar);

    std::vector<FitDim> dims;
    head_dims(a, f, dims);
    line_dims(l1, l2, DL, dims);
    dims.push_back({"WF", c.WF, wf});
    dims.push_back({"SF", c.SF, sf});
    dims.push_back({"LF", c.LF, lf});
    dims.push_back({"S", c.S, sh});
    dims.push_back({"G", c.G, gh});
    dims.push_back({"WL", c.WL, wl});
    dims.push_back({"W_total", total_width(c), span / 2.0});
    if (fit(a, dims) != 0) return 1;

    GeometryCheck g(a);
    const double wt = total_width(c);
    g.chain("L1", f.x_max(),
            {{"XG1", in.XG1, "S", c.S, 0},
             {"X0", in.X0, "S", c.S, 1},
             {"XE", in.XE, "W_total", wt, 0},
             {"XG2", in.XG2, "S", c.S, 1}});
    g.centred({"X0", in.X0, "W_total", wt, 0}, {"XE", in.XE, "W_total", wt, 0}, f.M);
    line_chain(g, f, l1, e1, {"X11", "X12", "X13", "X14"});
    line_chain(g, f, l2, e2, {"X21", "X22", "X23", "X24"});
    g.chain("L2", f.z_max(),
            {{"Z1-S", in.Z1 - twice(sh), "S", c.S, 0},
             {"Z1", in.Z1, "WL", c.WL, 0},
             {"Z2", in.Z2, "WL", c.WL, 0},
             {"Z11", in.Z11, "LF", c.LF, 1},
             {"Z12", in.Z12, "LF", c.LF, 0},
             {"Z3", in.Z3, "G", c.G, 1},
             {"Z4", in.Z4, "WL", c.WL, 0},
             {"Z4+S", in.Z4 + twice(sh), "S", c.S, 0}});
    g.chain("L2", f.z_max(),
            {{"Z11", in.Z11, "G", c.G, 0},
             {"Z13", in.Z13, "G", c.G, 0},
             {"Z14", in.Z14, "LF", c.LF, 0},
             {"Z3", in.Z3, "LF", c.LF, 1}});
    if (g.status() != 0) return 1;
    warn_above(a.warnings(), "FINGERS->t", c.level, a.grid_text_.DL, T / DL, 5.0);
    return 0;
}

}  // namespace
}  // namespace mirtex::params

using namespace mirtex::params;
using mirtex::format;

extern "C" {

// Parameters: 0 L1, 1 L2, 2 WF, 3 SF, 4 LF, 5 NF, 6 S, 7 G, 8 WL,
// 9 IDCLEVEL, 10 C_LTYP1, 11 C_LTYP2, 12 C_SUB, 13 C_GRID, 14 TEMP.
// Outputs: resistivities of the combs' metal and the ground metal, TAND2,
// the feed lengths L1 and L2.
MIRTEX_API int cpw_idc_get(UserInstDef* inst, WARN** warnings, double* rho, double* rho_gnd, double* tand, double* L1,
                           double* L2) {
    Assembly a(inst, warnings, "C_IDC");
    LineItem l1, l2;
    if (two_port_items(a, inst, 13, 10, l1, l2, L1, L2) != 0) return 1;
    Comb c{real_param(inst, 2), real_param(inst, 3), real_param(inst, 4), real_param(inst, 6),
           real_param(inst, 7), real_param(inst, 8), int_param(inst, 5), int_param(inst, 9)};
    const double h = a.DL() / 2;
    const char* name = a.name();
    if (!(c.WF >= h)) return a.reject(format("C_IDC(%s): WF=%lg invalid value ! (WF_min=%lg)", name, c.WF, h));
    if (!(c.SF >= h)) return a.reject(format("C_IDC(%s): SF=%lg invalid value ! (SF_min=%lg)", name, c.SF, h));
    if (!(c.LF >= c.SF + h))
        return a.reject(format("C_IDC(%s): LF=%lg invalid value ! (LF_min=%lg)", name, c.LF, c.SF + h));
    if (c.NF < 2) return a.reject(format("C_IDC(%s): NF=%d invalid value ! (NF_min=2)", name, c.NF));
    if (c.NF > kMaxFingers)
        return a.reject(format("C_IDC(%s): NF=%d invalid value ! (NF_max=%d)", name, c.NF, kMaxFingers));
    if (!(c.S >= h)) return a.reject(format("C_IDC(%s): S=%lg invalid value ! (S_min=%lg)", name, c.S, h));
    if (!(c.G >= h)) return a.reject(format("C_IDC(%s): G=%lg invalid value ! (G_min=%lg)", name, c.G, h));
    if (!(c.WL >= h)) return a.reject(format("C_IDC(%s): WL=%lg invalid value ! (WL_min=%lg)", name, c.WL, h));
    if (c.level < 1 || c.level > a.metal_count())
        return a.reject(format("C_IDC(%s): %s=%i invalid metal value !", name, "IDCLEVEL", c.level));
    if (l1.rec.CEN_MET != l2.rec.CEN_MET)
        return a.reject(format("C_IDC(%s): different CEN_MET in applied linetypes not allowed!", name));
    for (const auto& [what, v] : {std::pair{"WF", c.WF}, std::pair{"SF", c.SF}, std::pair{"LF", c.LF},
                                  std::pair{"S", c.S}, std::pair{"G", c.G}, std::pair{"WL", c.WL}})
        if (a.bounded(what, v) != 0) return 1;
    if (a.metals(l1) != 0 || a.metals(l2) != 0) return 1;
    const double T = foundries.entries[10][c.level - 1], rho_c = foundries.entries[11][c.level - 1];
    if (a.tech_test(T, rho_c, c.level) != 0) return 1;

    if (opening_frame(a, l1, l2, total_width(c) + 2 * c.S, 2 * c.WL + c.LF + c.G + 8 * a.DL(), tand) != 0) return 1;
    if (rho != nullptr) *rho = rho_c;
    if (rho_gnd != nullptr) *rho_gnd = l1.rho_gnd;
    if (Check_Cap(a, l1, l2, c, T) != 0) return 1;
    if (a.feed(l1, feed1_ipar, feed1_dpar) != 0) return 1;
    return a.feed(l2, feed2_ipar, feed2_dpar);
}

}  // extern "C"
