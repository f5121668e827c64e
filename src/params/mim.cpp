// The MIM capacitor CxMIM: two plates of the capacitor line type's
// geometry on the metal levels of the two connecting lines, one above the
// other on the dielectric DIE_IDX.  The bottom plate (the lower level)
// reaches cap_os beyond the top plate at each edge; line 1 connects to the
// near end of its plate, line 2 to the far end of the other.
#include <algorithm>

#include "binding/messages.h"
#include "params/capacitor.h"
#include "params/component_layout.h"
#include "params/compound.h"

using namespace mirtex::params;

extern "C" {

MIRTEX_API int cpw_mim_get(UserInstDef* inst, WARN** warnings, double* tand, double* x, double* Lf, double* rho1,
                           double* rho2, double* L, int* flip) {
    Assembly a(inst, warnings, "C_MIM");
    LeadComponent c;
    CapacitorLayer d;
    if (capacitor_items(a, inst, "C_MIM", c, d) != 0) return 1;
    const int m1 = c.line1.rec.CEN_MET, m2 = c.line2.rec.CEN_MET;
    if (m1 == m2)
        return a.reject(mirtex::format("C_MIM(%s) : same CEN_MET of applied line types %s and %s !", a.name(),
                                       c.line1.item, c.line2.item));
    if (!(d.offset + a.DL() <= c.own.rec.S))
        return a.reject(mirtex::format("C_MIM(%s): C_LINTYP(%s) : S < cap_os%i+%s too small !", a.name(), c.own.item,
                                       c.index, "DL"));
    if (lead_component_frame(a, c) != 0) return 1;

    // Plates: the capacitor line type's geometry on the two lines' levels,
    // the bottom one widened by cap_os into each slot.
    const bool top_first = m1 > m2;
    const LineItem& lower = top_first ? c.line2 : c.line1;
    const LineItem& upper = top_first ? c.line1 : c.line2;
    LineItem bottom = c.own, top = c.own;
    bottom.rec.W += 2 * d.offset;
    bottom.rec.S -= 2 * d.offset;
    bottom.rec.T = lower.rec.T;
    bottom.rec.CEN_MET = lower.rec.CEN_MET;
    bottom.text = {"W_BOT(WC+2*cap_os)", "S_BOT(SC-2*cap_os)", "GW_BOT", "LINE_BOT->t", "LINE_BOT->t", nullptr, nullptr};
    top.rec.T = upper.rec.T;
    top.rec.CEN_MET = upper.rec.CEN_MET;
    top.text = {"W", "S", "GW_TOP", "LINE_TOP->t", "LINE_TOP->t", nullptr, nullptr};
    MimInts in;
    MimReals re;
    if (check_line(a, bottom.text, bottom.rec, in.bottom, re.bottom) != 0 ||
        check_line(a, top.text, top.rec, in.top, re.top) != 0)
        return 1;
    re.die_er = d.er;
    re.die_h = d.h;
    if (put_vectors(a, in, re, mim_ipar, mim_dpar) != 0 || lead_component_feeds(a, c) != 0) return 1;
    *tand = c.tand;
    *x = d.td;
    *Lf = d.length;
    *rho1 = c.line1.rho;
    *rho2 = c.line2.rho;
    *L = c.L;
    *flip = top_first ? 1 : 0;
    return 0;
}

}  // extern "C"
