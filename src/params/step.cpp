// The step CxSTEP: one line type changing into another; SL is the length
// of the transition (0 for an abrupt step).
#include "params/two_line.h"

using namespace mirtex::params;

extern "C" {

MIRTEX_API int cpw_step_get(UserInstDef* inst, WARN** warnings, double* rho, double* rho_gnd, double* tand, double* L1,
                           double* L2) {
    return two_line_get(TwoLineKind::Step, inst, warnings, rho, rho_gnd, tand, L1, L2);
}

}  // extern "C"
