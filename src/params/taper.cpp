// The taper CxTAPER: two line types joined by strips and slots whose widths
// change linearly over the length TL.
#include "params/two_line.h"

using namespace mirtex::params;

extern "C" {

MIRTEX_API int cpw_taper_get(UserInstDef* inst, WARN** warnings, double* rho, double* rho_gnd, double* tand, double* L1,
                           double* L2) {
    return two_line_get(TwoLineKind::Taper, inst, warnings, rho, rho_gnd, tand, L1, L2);
}

}  // extern "C"
