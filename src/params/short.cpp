// The short end CxSHORT: the line's centre strip runs into a ground strip
// WG wide that joins both grounds at the reference plane (WG = 0: the metal
// reaches the far wall).
#include <vector>

#include "binding/messages.h"
#include "params/ends.h"
#include "params/extrapolation.h"
#include "params/item.h"

namespace mirtex::params {
namespace {

int Check_Short(Assembly& a, const LineItem& line, double wg) {
    if (short_ipar == nullptr || short_dpar == nullptr) return vectors_missing(a);
    const double DL = a.DL();
    const Frame3 f = frame3(a);
    const CPW_LINETYP& r = line.rec;
    const LineUnits u = units(r, DL);
    const double wgh = half_units(wg, DL);
    int* ip = short_ipar;
    end_lateral(u, r, f, ip);
    ip[6] = f.MZ;
    ip[7] = wg > 0 ? f.L2i + twice(wgh) : f.z_max();
    put_stack(f, ip + 8);
    ip[14] = itrunc(wgh);

    double* dp = short_dpar;
    dp[0] = DL;
    dp[1] = a.grid_.ALPHA;
    dp[2] = a.grid_.BOUND;
    // 1011: the end's excess counted from the plane after the mirror plane;
    // records of the earlier count (1010) are never read for it.
    dp[3] = version_stamp(1011.0);

    std::vector<FitDim> dims;
    head_dims(a, f, dims);
    dims.push_back({line.text.W, r.W, u.Wh});
    dims.push_back({line.text.S, r.S, u.Sh});
    dims.push_back({line.text.GW, r.GW, u.Gh});
    dims.push_back({"WG", wg, wgh});
    if (fit(a, dims) != 0) return 1;
    GeometryCheck g(a);
    check_end_lateral(g, line, f, ip);
    g.chain("L2", f.z_max(), {{"Z1", ip[6], "WG", wg, 0}, {"Z2", ip[7], "WG", wg, 0}});
    return g.status();
}

}  // namespace
}  // namespace mirtex::params

using namespace mirtex::params;

extern "C" {

// Parameters: 0 L, 1 WG, 2 C_LTYP, 3 C_SUB, 4 C_GRID, 5 TEMP.  Outputs:
// centre-metal resistivity, TAND2 and the feed length L.
MIRTEX_API int cpw_short_get(UserInstDef* inst, WARN** warnings, double* rho, double* tand, double* L) {
    Assembly a(inst, warnings, "C_SHORT");
    LineItem line;
    if (end_items(a, inst, 4, 2, line, L) != 0) return 1;
    const double wg = real_param(inst, 1);
    if (!(wg >= 0)) return a.reject(mirtex::format("C_SHORT(%s) :  %s < 0 invalid value !", a.name(), "WG"));
    if (wg != 0 && a.DL() / 2 > wg)
        return a.reject(mirtex::format("C_SHORT(%s) :  %s < %s/2 invalid value !", a.name(), "WG", "DL"));
    if (a.bounded("WG", wg) != 0) return 1;
    if (end_frame(a, line, 3, 2 * wg + 8 * a.DL(), tand, rho) != 0) return 1;
    if (Check_Short(a, line, wg) != 0) return 1;
    return a.feed(line, feed1_ipar, feed1_dpar);
}

}  // extern "C"
