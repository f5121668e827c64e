// Capacitive line: the strip's line plus a plate on the capacitor
// dielectric along it.  The plate capacitance Cm = die_er eps0 W / die_h
// replaces the upper half-space share of the strip's capacitance, and the
// plate's parallel-plate gap eps0 W / die_h (in vacuum terms) adds to the
// inverse inductance.
#include "solver/components.h"

extern "C" MIRTEX_API int Calc_Mimlin(int* ipar, double* dpar, double* dpar_out) {
    using namespace mirtex::solver;
    double line[8];
    const int rc = line_run("Calculating C_CAPLIN", ipar, dpar, line);
    if (rc != 0) return rc;
    const double W = dpar[4], er = dpar[10], h = dpar[11];
    const double cm = er * kEps0 * W / h;
    dpar_out[0] = line[0] - line[3] + cm;
    dpar_out[1] = kEps0Mu0 / (kEps0 * W / h + kEps0Mu0 / line[1]);
    dpar_out[2] = cm;
    dpar_out[3] = line[2];
    dpar_out[4] = line[3];
    dpar_out[5] = line[6];
    dpar_out[6] = line[7];
    return 0;
}
