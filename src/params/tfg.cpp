// The resistive gap CxTFG: the thin-film resistor's film line, with the
// resistive ground of its slots (height H = 0, spacing S, the film line's
// snapped slot) added to its real vector.
#include "params/component_layout.h"
#include "params/compound.h"
#include "params/resistor.h"

using namespace mirtex::params;

extern "C" {

MIRTEX_API int cpw_tfg_get(UserInstDef* inst, WARN** warnings, double* tand, double* rho_e, double* rho1,
                           double* rho2, double* Lf, double* L) {
    Assembly a(inst, warnings, "C_TFG");
    LeadComponent c;
    ResistorLayer r;
    LineInts in;
    TfgReals re;
    if (resistor_line(a, inst, "C_TFG", c, r, in, re.line) != 0) return 1;
    re.res_rs = r.sheet;
    re.H = 0.0;
    re.S = in.S2 * a.DL() / 2;  // the slot, as snapped
    if (put_vectors(a, in, re, tfg_ipar, tfg_dpar) != 0) return 1;
    *tand = c.tand;
    *rho_e = c.own.rho;
    *rho1 = c.line1.rho;
    *rho2 = c.line2.rho;
    *Lf = r.length;
    *L = c.L;
    return 0;
}

}  // extern "C"
