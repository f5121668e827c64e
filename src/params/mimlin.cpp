// The capacitive line CxCAPLIN: a CPW whose centre strip carries a second
// plate on the capacitor dielectric DIE_IDX along its length, with leads of
// length cap_l at both ends.
#include "binding/messages.h"
#include "params/capacitor.h"
#include "params/component_layout.h"
#include "params/compound.h"
#include "params/grid.h"

namespace mirtex::params {

int capacitor_items(Assembly& a, UserInstDef* inst, const char* label, LeadComponent& c, CapacitorLayer& d) {
    if (lead_component_items(a, inst, c) != 0) return 1;
    if (c.index < 1 || !a.dielectric(c.index, d.h, d.er, d.td))
        return a.reject(format("%s(%s): DIE_IDX=%i invalid value !", label, a.name(), c.index));
    d.offset = foundries.entries[3][c.index - 1];
    d.length = foundries.entries[4][c.index - 1];
    // A plate that reaches back inside the top one, or a lead of negative
    // length, has no layout.
    if (!(d.offset >= 0) || !(d.length >= 0))
        return a.reject(format("%s(%s): cap_os%i=%lg, cap_l%i=%lg invalid values of %s !", label, a.name(), c.index,
                               d.offset, c.index, d.length, tech_item_name()));
    if (!(2 * d.length < c.L))
        return a.reject(format("%s(%s) : L <= 2*cap_l%i too small !", label, a.name(), c.index));
    return a.tech_test(1e-6, 1.0, 1, d.h, d.er, d.td, c.index);
}

}  // namespace mirtex::params

using namespace mirtex::params;

extern "C" {

MIRTEX_API int cpw_mimlin_get(UserInstDef* inst, WARN** warnings, double* tand, double* x, double* Lf, double* rho,
                              double* L) {
    Assembly a(inst, warnings, "C_CAPLIN");
    LeadComponent c;
    CapacitorLayer d;
    if (capacitor_items(a, inst, "C_CAPLIN", c, d) != 0) return 1;
    if (c.own.rec.CEN_MET != c.line1.rec.CEN_MET)
        return a.reject(mirtex::format("C_CAPLIN(%s) : different CEN_MET in applied linetypes not allowed!", a.name()));
    if (lead_component_frame(a, c) != 0) return 1;
    LineInts in;
    CaplinReals re;
    if (check_line(a, c.own.text, c.own.rec, in, re.line) != 0) return 1;
    re.die_er = d.er;
    re.die_h = d.h;
    if (put_vectors(a, in, re, mimlin_ipar, mimlin_dpar) != 0 || lead_component_feeds(a, c) != 0) return 1;
    // The evaluation takes one real it does not read, then the substrate's
    // loss tangent: the dielectric's own loss tangent goes to the first.
    *x = d.td;
    *tand = c.tand;
    *Lf = d.length;
    *rho = c.own.rho;
    *L = c.L;
    return 0;
}

}  // extern "C"
