// The short end CxSHORT: the line's centre strip runs into a ground strip
// WG wide that joins both grounds at the reference plane (WG = 0: the metal
// reaches the far wall).
#include "binding/messages.h"
#include "params/end_layout.h"
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
    ShortInts in;
    end_lateral(u, r, f, in);
    // The slots end at Z1 and the open beyond the strip starts at Z2, both
    // held; the strip is the free planes between them, its edges half a
    // step beyond each: WG/h planes, Z2 = Z1 + WG/h + 1 (the open end's gap
    // is counted the same way).
    in.Z1 = f.MZ;
    in.Z2 = wg > 0 ? in.Z1 + twice(wgh) + 1 : f.z_max();
    put_stack(f, in);
    in.WG_DL = itrunc(wgh);
    write_layout(in, short_ipar);

    ShortReals re;
    re.DL = DL, re.ALPHA = a.grid_.ALPHA, re.BOUND = a.grid_.BOUND;
    // 1011: the end's excess counted from the plane after the mirror plane;
    // records of the earlier count (1010) are never read for it.
    re.VER = version_stamp(1011.0);
    write_layout(re, short_dpar);

    const CPW_LINETYP_TEXT& t = line.text;
    return check_end(a, line, f, in, {{t.W, r.W, u.Wh}, {t.S, r.S, u.Sh}, {t.GW, r.GW, u.Gh}, {"WG", wg, wgh}},
                     {{"Z1", in.Z1, "WG", wg, 0}, {"Z2", in.Z2, "WG", wg, 0}});
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
