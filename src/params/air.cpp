// The air bridge CxAIR: a bridge of metal level |TYPE| over the line,
// joining the two grounds across the strip and both slots.  It spans BW
// along the line, BS across each slot (BS = -1: the whole slot), and stands
// on feet BG long on either side; beneath it lies the dielectric DIE_IDX.
#include <vector>

#include "binding/messages.h"
#include "params/compound.h"
#include "params/extrapolation.h"
#include "params/item.h"
#include "params/junction_layout.h"

namespace mirtex::params {
namespace {

int Check_Air(Assembly& a, const LineItem& line, const BridgeItem& b, int code, double t_bridge) {
    if (bruecke_ipar == nullptr || bruecke_dpar == nullptr) return vectors_missing(a);
    const double DL = a.DL();
    const Frame3 f = frame3(a);
    const CPW_LINETYP& r = line.rec;
    const CPW_LINETYP_TEXT& t = line.text;
    const LineUnits u = units(r, DL);
    AirInts in;
    const StripEdges e = strip_edges(u, r, f.M, f.x_max());
    put_edges(e, in.X11, in.X12, in.X13, in.X14);
    const bool ground = r.S != 0 && r.GW != 0;
    in.X0 = ground ? in.X11 + 1 - twice(u.Gh) : 1;
    in.XE = ground ? in.X14 + twice(u.Gh) - 1 : f.x_max();
    in.XB2 = f.M - itrunc(u.Wh);
    in.XB3 = in.XB2 + twice(u.Wh) - 1;
    in.XB1 = in.XB2 - 1 - twice(b.BSh);
    in.XB4 = in.XB3 + 1 + twice(b.BSh);
    in.ZB2 = f.MZ - itrunc(b.BWh);
    in.ZB3 = in.ZB2 + twice(b.BWh) - 1;
    in.ZB1 = in.ZB2 - 1 - twice(b.BGh);
    in.ZB4 = in.ZB3 + 1 + twice(b.BGh);
    put_stack(f, in);
    in.TYP = code;
    write_layout(in, bruecke_ipar);

    AirReals re;
    put_stack_materials(a, re);
    re.T_LINE = r.T;
    re.MET = 2 * b.rec.die_h / (3 * DL);
    re.ALPHA = a.grid_.ALPHA, re.BOUND = a.grid_.BOUND;
    re.W = u.Wh * DL, re.BW = b.BWh * DL, re.BG = b.BGh * DL;
    re.die_h = b.rec.die_h, re.die_er = b.rec.die_er, re.die_td = b.rec.die_td;
    re.T_BRIDGE = t_bridge;
    re.VER = version_stamp(1010.0);
    write_layout(re, bruecke_dpar);

    std::vector<FitDim> dims;
    head_dims(a, f, dims);
    dims.push_back({t.W, r.W, u.Wh});
    dims.push_back({t.S, r.S, u.Sh});
    dims.push_back({t.GW, r.GW, u.Gh});
    dims.push_back({b.text.BW, b.rec.BW, b.BWh});
    dims.push_back({b.text.BG, b.rec.BG, b.BGh});
    dims.push_back({b.text.BS, b.rec.BS, b.BSh});
    if (fit(a, dims) != 0) return 1;
    GeometryCheck g(a);
    const int xm = f.x_max();
    static const char* const kNames[] = {"X0", "X11", "X12", "X13", "X14", "XE"};
    check_line_across(g, line, xm, f.M, kNames, in.X0, e, in.XE);
    g.chain("L1", xm,
            {{"XB1", in.XB1, "BS", b.rec.BS, 0},
             {"XB2", in.XB2, "BS", b.rec.BS, 1},
             {"XB3", in.XB3, t.W, r.W, 0},
             {"XB4", in.XB4, "BS", b.rec.BS, 1}});
    g.chain("L2", f.z_max(),
            {{"ZB1", in.ZB1, "BG", b.rec.BG, 0},
             {"ZB2", in.ZB2, "BG", b.rec.BG, 1},
             {"ZB3", in.ZB3, "BW", b.rec.BW, 0},
             {"ZB4", in.ZB4, "BG", b.rec.BG, 1}});
    if (g.status() != 0) return 1;
    warn_bridge_dielectric(a, b.rec);
    return 0;
}

}  // namespace
}  // namespace mirtex::params

using namespace mirtex::params;

extern "C" {

// Parameters: 0 C_LTYP, 1 C_BTYP, 2 C_SUB, 3 C_GRID, 4 TEMP.  Outputs:
// centre- and ground-metal resistivity, TAND2 and the bridge item's L (the
// feed line on either side).
MIRTEX_API int cpw_air_get(UserInstDef* inst, WARN** warnings, double* rho, double* rho_gnd, double* tand,
                           double* L) {
    Assembly a(inst, warnings, "C_AIR");
    if (a.begin() != 0) return 1;
    if (a.grid(3, true) != 0) return 1;
    LineItem line;
    if (a.line_type(0, line) != 0) return 1;
    BridgeItem b;
    if (read_bridge(a, 1, b) != 0) return 1;
    if (L != nullptr) *L = b.L;
    if (b.TYPE != 1 && b.TYPE != 2)
        return a.reject(
            mirtex::format("C_AIR(%s): C_AIRTYP(%s): TYPE=%i invalid airtype !", a.name(), b.item, b.TYPE));
    if (a.section_length(b.L) != 0) return 1;
    default_bridge_span(b, line.rec);
    if (check_bridge(a, b, line.rec) != 0) return 1;
    if (a.metals(line) != 0) return 1;
    if (bridge_dielectric(a, b, b.TYPE) != 0) return 1;
    int code = 0;
    SetAirTypeB(b.TYPE, &code);
    const double DL = a.DL();
    const double wges = region_width(line.rec, DL);
    if (a.substrate(2, wges, tand) != 0) return 1;
    if (a.box(wges, outer_width(line.rec, line.rec.GW, DL), b.rec.BW + 2 * b.rec.BG + 8 * DL) != 0) return 1;
    if (rho != nullptr) *rho = line.rho;
    if (rho_gnd != nullptr) *rho_gnd = line.rho_gnd;
    bridge_units(b, DL);
    if (Check_Air(a, line, b, code, foundries.entries[10][b.TYPE - 1]) != 0) return 1;
    return a.feed(line, feed1_ipar, feed1_dpar);
}

}  // extern "C"
