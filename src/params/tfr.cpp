// The thin-film resistor CxTFR: a CPW whose centre strip is a resistive
// film of sheet resistance res_rs (layer RES_IDX), with metal leads of
// length res_l at both ends that belong to the element's length.
#include <algorithm>

#include "binding/messages.h"
#include "params/component_layout.h"
#include "params/compound.h"
#include "params/grid.h"
#include "params/leads.h"
#include "params/resistor.h"

namespace mirtex::params {

int resistor_line(Assembly& a, UserInstDef* inst, const char* label, LeadComponent& c, ResistorLayer& r,
                  LineInts& in, LineReals& re) {
    if (lead_component_items(a, inst, c) != 0) return 1;
    const int layers = foundries.entry_count != nullptr ? std::min(foundries.entry_count[8], foundries.entry_count[9]) : 0;
    if (c.index < 1 || c.index > layers)
        return a.reject(format("%s(%s): RES_IDX=%i invalid value !", label, a.name(), c.index));
    r.length = foundries.entries[8][c.index - 1];
    r.sheet = foundries.entries[9][c.index - 1];
    if (!(2 * r.length < c.L))
        return a.reject(format("%s(%s): L <= 2*res_l%i too small !", label, a.name(), c.index));
    if (!(r.sheet > 0) || !(r.length >= 0))
        return a.reject(format("%s(%s): res_rs%i=%lg, res_l%i=%lg invalid values of %s !", label, a.name(), c.index,
                               r.sheet, c.index, r.length, tech_item_name()));
    if (!(r.sheet >= kMinSheetResistance && r.sheet <= kMaxSheetResistance))
        return a.reject(format("%s(%s): res_rs%i=%lg invalid value ! (%lg <= res_rs <= %lg)", label, a.name(), c.index,
                               r.sheet, kMinSheetResistance, kMaxSheetResistance));
    if (lead_component_frame(a, c) != 0) return 1;
    // The film has no thickness of its own ("tr" = 0): it is solved as a
    // sheet, its resistance is the sheet resistance over the width.
    LineItem film = c.own;
    film.rec.T = 0.0;
    film.text.T = "tr";
    if (check_line(a, film.text, film.rec, in, re) != 0) return 1;
    return lead_component_feeds(a, c);
}

}  // namespace mirtex::params

using namespace mirtex::params;

extern "C" {

MIRTEX_API int cpw_tfr_get(UserInstDef* inst, WARN** warnings, double* tand, double* rho1, double* rho2, double* Lf,
                           double* L) {
    Assembly a(inst, warnings, "C_TFR");
    LeadComponent c;
    ResistorLayer r;
    LineInts in;
    TfrReals re;
    if (resistor_line(a, inst, "C_TFR", c, r, in, re.line) != 0) return 1;
    re.res_rs = r.sheet;
    if (put_vectors(a, in, re, tfr_ipar, tfr_dpar) != 0) return 1;
    *tand = c.tand;
    *rho1 = c.line1.rho;
    *rho2 = c.line2.rho;
    *Lf = r.length;
    *L = c.L;
    return 0;
}

}  // extern "C"
