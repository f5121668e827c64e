// The metal via: two line types of equal width on different metal levels,
// joined through their whole length and solved as one line whose metal is
// as thick as both.
#include <algorithm>
#include <cmath>

#include "binding/messages.h"
#include "params/assembly.h"
#include "params/item.h"

using namespace mirtex::params;

extern "C" {

MIRTEX_API int cpw_metvia_get(UserInstDef* inst, WARN** warnings, double* rho, double* tand, double* L) {
    Assembly a(inst, warnings, "C_METVIA");
    if (a.begin() != 0) return 1;
    const char* name = a.name();
    const double length = real_param(inst, 0);
    if (L != nullptr) *L = length;
    if (length < 0) return a.reject(mirtex::format("C_METVIA(%s) : L < 0 invalid value! ", name));
    if (a.section_length(length) != 0) return 1;

    if (a.grid(4, false) != 0) return 1;
    LineItem l1, l2;
    if (a.line_type(1, l1) != 0 || a.line_type(2, l2) != 0) return 1;
    if (l1.rec.W != l2.rec.W)
        return a.reject(mirtex::format("C_METVIA(%s) : different W in applied line types !", name));
    if (l1.rec.S != l2.rec.S)
        return a.reject(mirtex::format("C_METVIA(%s) : different S in applied line types !", name));
    if (l1.rec.CEN_MET == l2.rec.CEN_MET)
        return a.reject(mirtex::format("C_METVIA(%s) : same CEN_MET in applied line types !", name));

    if (a.metals(l1) != 0 || a.metals(l2) != 0) return 1;
    CPW_LINETYP via = l1.rec;
    via.T = l1.rec.T + l2.rec.T;
    // Grounds of one thickness lie on one level; otherwise they are stacked.
    via.T2 = l1.rec.T2 == l2.rec.T2 ? l1.rec.T2 : l1.rec.T2 + l2.rec.T2;
    // The levels travel coded 10 level1 + level2, so that the thickness
    // warning names both (t12).
    via.CEN_MET = 10 * l1.rec.CEN_MET + l2.rec.CEN_MET;
    via.GND_MET = 10 * l1.rec.GND_MET + l2.rec.GND_MET;

    const double DL = a.DL();
    const double wges = region_width(l1.rec, DL);
    if (a.substrate(3, wges, tand) != 0) return 1;
    if (a.box(wges, outer_width(l1.rec, std::max(l1.rec.GW, l2.rec.GW), DL), 0.0) != 0) return 1;
    if (rho != nullptr) *rho = std::min(l1.rho, l2.rho);
    return Check_Line(a.check_label(), &a.grid_text_, &a.grid_, &a.sub_text_, &a.sub_, &l1.text, &via, line_ipar,
                      line_dpar, warnings);
}

}  // extern "C"
