// The series gap CxGAP: two lines whose centre strips end facing each other
// across GAP, in one ground plane.
#include "params/two_line.h"

using namespace mirtex::params;

extern "C" {

MIRTEX_API int cpw_gap_get(UserInstDef* inst, WARN** warnings, double* rho, double* rho_gnd, double* tand, double* L1,
                           double* L2) {
    return two_line_get(TwoLineKind::Gap, inst, warnings, rho, rho_gnd, tand, L1, L2);
}

}  // extern "C"
