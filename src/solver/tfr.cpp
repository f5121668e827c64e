// Thin-film resistor: the film line's C', L' and G' from the field solve;
// its series resistance is the sheet resistance over the film's width.
#include "binding/messages.h"
#include "solver/components.h"

namespace mirtex::solver {

int line_run(const char* info, int* ipar, double* dpar, double* line) {
    send_info("%s", info);
    return Calc_Line(0, ipar, dpar, line);
}

}  // namespace mirtex::solver

extern "C" MIRTEX_API int Calc_Tfr(int* ipar, double* dpar, double* dpar_out) {
    double line[8];
    const int rc = mirtex::solver::line_run("Calculating C_TFR", ipar, dpar, line);
    if (rc != 0) return rc;
    dpar_out[0] = line[0];
    dpar_out[1] = line[1];
    dpar_out[2] = line[3];
    dpar_out[3] = dpar[10] / dpar[4];  // res_rs / W
    return 0;
}
