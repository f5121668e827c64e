// The open end CxOPEN: the line's centre strip ends at the reference plane;
// ahead of it the slot continues across GAP, and a ground strip WG wide
// closes it (TYPE 1), or the strip simply ends in the open slot region
// (TYPE 2).
#include <algorithm>

#include "binding/messages.h"
#include "params/end_layout.h"
#include "params/ends.h"
#include "params/extrapolation.h"
#include "params/item.h"

namespace mirtex::params {
namespace {

// Fills open_ipar and open_dpar; the line's own widths are fitted with its
// feed line.
int Check_Open(Assembly& a, const LineItem& line, double gap, double wg) {
    if (open_ipar == nullptr || open_dpar == nullptr) return vectors_missing(a);
    const double DL = a.DL();
    const Frame3 f = frame3(a);
    const CPW_LINETYP& r = line.rec;
    const double gh = half_units(gap, DL), wgh = half_units(wg, DL);
    OpenInts in;
    end_lateral(units(r, DL), r, f, in);
    in.Z1 = f.MZ;
    in.Z2 = gap > 0 ? f.L2i + twice(gh) + 2 : f.z_max();
    in.Z3 = wg > 0 ? in.Z2 + twice(wgh) - 1 : f.z_max();
    put_stack(f, in);
    in.N5 = std::max(f.k, 0);
    in.GAP_DL = itrunc(gh);
    in.WG_DL = itrunc(wgh);
    write_layout(in, open_ipar);

    write_layout(layered_reals<OpenReals>(a, r.T), open_dpar);

    if (check_end(a, line, f, in, {{"GAP", gap, gh}, {"WG", wg, wgh}},
                  {{"Z1", in.Z1, "GAP", gap, 0}, {"Z2", in.Z2, "GAP", gap, 1}, {"Z3", in.Z3, "WG", wg, 0}}) != 0)
        return 1;
    warn_above(a.warnings(), line.text.T, r.CEN_MET, a.grid_text_.DL, r.T / DL, 5.0);
    return 0;
}

}  // namespace
}  // namespace mirtex::params

using namespace mirtex::params;

extern "C" {

// Parameters: 0 L, 1 GAP, 2 WG, 3 TYPE, 4 C_LTYP, 5 C_SUB, 6 C_GRID, 7 TEMP.
// Outputs: centre-metal resistivity, TAND2 and the feed length L.
MIRTEX_API int cpw_open_get(UserInstDef* inst, WARN** warnings, double* rho, double* tand, double* L) {
    Assembly a(inst, warnings, "C_OPEN");
    LineItem line;
    if (end_items(a, inst, 6, 4, line, L) != 0) return 1;
    double gap = real_param(inst, 1), wg = real_param(inst, 2);
    const int type = int_param(inst, 3);
    const double h = a.DL() / 2;
    if (type == 1) {
        if (!(gap >= h)) return a.reject(mirtex::format("C_OPEN(%s) :  %s < %s/2 invalid value !", a.name(), "GAP", "DL"));
        if (!(wg >= h)) return a.reject(mirtex::format("C_OPEN(%s) :  %s < %s/2 invalid value !", a.name(), "WG", "DL"));
    } else if (type == 2) {
        gap = 0.0;
        wg = 0.0;
    } else {
        // Only these two kinds of end exist; any other TYPE would be solved
        // as something the user did not describe.
        return a.reject(mirtex::format("C_OPEN(%s) : TYPE=%i invalid value ! (1 or 2)", a.name(), type));
    }
    if (a.bounded("GAP", gap) != 0 || a.bounded("WG", wg) != 0) return 1;
    // The slot and the closing ground lie behind the reference plane, in
    // the half of the box beyond it.
    if (end_frame(a, line, 5, 2 * (gap + wg) + 8 * a.DL(), tand, rho) != 0) return 1;
    if (Check_Open(a, line, gap, wg) != 0) return 1;
    return a.feed(line, feed1_ipar, feed1_dpar);
}

}  // extern "C"
