// Capacitive line: the strip's line plus a plate on the capacitor
// dielectric along it.  The plate capacitance Cm = die_er eps0 W / die_h
// replaces the upper half-space share of the strip's capacitance, and the
// plate's parallel-plate gap eps0 W / die_h (in vacuum terms) adds to the
// inverse inductance.
#include "solver/components.h"

extern "C" MIRTEX_API int Calc_Mimlin(int* ipar, double* dpar, double* dpar_out) {
    using namespace mirtex::solver;
    using namespace mirtex::params;
    const auto re = read_layout<CaplinReals>(dpar);
    LineResults line;
    const int rc = line_run("Calculating C_CAPLIN", read_layout<LineInts>(ipar), re.line, line);
    if (rc != 0) return rc;
    const double W = re.line.W, er = re.die_er, h = re.die_h;
    const double cm = er * kEps0 * W / h;
    CaplinResults r;
    r.C_per_m = line.C_per_m - line.G_per_m + cm;
    r.L_per_m = kEps0Mu0 / (kEps0 * W / h + kEps0Mu0 / line.L_per_m);
    r.Cm_per_m = cm;
    carry_line(line, r);
    write_layout(r, dpar_out);
    return 0;
}
