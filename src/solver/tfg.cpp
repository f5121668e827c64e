// Resistive gap: a line whose slots are bridged by the resistive film, a
// conductance g = 2 / (S res_rs) per length (the two slots in parallel,
// each a film of width S), over a film height H that adds its parallel-plate
// capacitance and shortens the magnetic path.
#include "solver/components.h"

extern "C" MIRTEX_API int Calc_Tfg(int* ipar, double* dpar, double* dpar_out) {
    using namespace mirtex::solver;
    double line[8];
    const int rc = line_run("Calculating C_TFG", ipar, dpar, line);
    if (rc != 0) return rc;
    const double rs = dpar[10], H = dpar[11], S = dpar[12];
    const double g = 2.0 / (S * rs);
    dpar_out[0] = line[0] + dpar[1] * kEps0 * g * H * rs;
    dpar_out[1] = kEps0Mu0 / (kEps0 * g * H * rs + kEps0Mu0 / line[1]);
    dpar_out[2] = g;
    dpar_out[3] = line[2];
    dpar_out[4] = line[3];
    dpar_out[5] = line[6];
    dpar_out[6] = line[7];
    return 0;
}
