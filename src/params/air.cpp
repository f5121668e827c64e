// The air bridge CxAIR: a bridge of metal level |TYPE| over the line,
// joining the two grounds across the strip and both slots.  It spans BW
// along the line, BS across each slot (BS = -1: the whole slot), and stands
// on feet BG long on either side; beneath it lies the dielectric DIE_IDX.
#include <vector>

#include "binding/messages.h"
#include "params/compound.h"
#include "params/extrapolation.h"
#include "params/item.h"

namespace mirtex::params {
namespace {

int Check_Air(Assembly& a, const LineItem& line, const BridgeItem& b, int code, double t_bridge) {
    if (bruecke_ipar == nullptr || bruecke_dpar == nullptr) return vectors_missing(a);
    const double DL = a.DL();
    const Frame3 f = frame3(a);
    const CPW_LINETYP& r = line.rec;
    const CPW_LINETYP_TEXT& t = line.text;
    const LineUnits u = units(r, DL);
    int* ip = bruecke_ipar;
    strip_edges(u, r, f.M, f.x_max(), ip + 2);
    const bool ground = r.S != 0 && r.GW != 0;
    ip[0] = ground ? ip[2] + 1 - twice(u.Gh) : 1;
    ip[1] = ground ? ip[5] + twice(u.Gh) - 1 : f.x_max();
    ip[7] = f.M - itrunc(u.Wh);
    ip[8] = ip[7] + twice(u.Wh) - 1;
    ip[6] = ip[7] - 1 - twice(b.BSh);
    ip[9] = ip[8] + 1 + twice(b.BSh);
    ip[11] = f.MZ - itrunc(b.BWh);
    ip[12] = ip[11] + twice(b.BWh) - 1;
    ip[10] = ip[11] - 1 - twice(b.BGh);
    ip[13] = ip[12] + 1 + twice(b.BGh);
    put_stack(f, ip + 14);
    ip[20] = code;

    double* dp = bruecke_dpar;
    put_stack_materials(a, dp);
    dp[4] = r.T;
    dp[5] = 2 * b.rec.die_h / (3 * DL);
    dp[6] = a.grid_.ALPHA;
    dp[7] = a.grid_.BOUND;
    dp[8] = u.Wh * DL;
    dp[9] = b.BWh * DL;
    dp[10] = b.BGh * DL;
    dp[11] = b.rec.die_h;
    dp[12] = b.rec.die_er;
    dp[13] = b.rec.die_td;
    dp[14] = t_bridge;
    dp[15] = version_stamp(1010.0);

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
    g.chain("L1", xm,
            {{"X0", ip[0], t.GW, r.GW, 0},
             {"X11", ip[2], t.S, r.S, 0},
             {"X12", ip[3], t.S, r.S, 1},
             {"X13", ip[4], t.W, r.W, 0},
             {"X14", ip[5], t.S, r.S, 1},
             {"XE", ip[1], t.GW, r.GW, 0}});
    g.centred({"X12", ip[3], t.W, r.W, 0}, {"X13", ip[4], t.W, r.W, 0}, f.M);
    g.chain("L1", xm,
            {{"XB1", ip[6], "BS", b.rec.BS, 0},
             {"XB2", ip[7], "BS", b.rec.BS, 1},
             {"XB3", ip[8], t.W, r.W, 0},
             {"XB4", ip[9], "BS", b.rec.BS, 1}});
    g.chain("L2", f.z_max(),
            {{"ZB1", ip[10], "BG", b.rec.BG, 0},
             {"ZB2", ip[11], "BG", b.rec.BG, 1},
             {"ZB3", ip[12], "BW", b.rec.BW, 0},
             {"ZB4", ip[13], "BG", b.rec.BG, 1}});
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
