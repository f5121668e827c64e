// Resistive gap: a line whose slots are bridged by the resistive film, a
// conductance g = 2 / (S res_rs) per length (the two slots in parallel,
// each a film of width S), over a film height H that adds its parallel-plate
// capacitance and shortens the magnetic path.
#include "solver/components.h"

extern "C" MIRTEX_API int Calc_Tfg(int* ipar, double* dpar, double* dpar_out) {
    using namespace mirtex::solver;
    using namespace mirtex::params;
    const auto re = read_layout<TfgReals>(dpar);
    LineResults line;
    const int rc = line_run("Calculating C_TFG", read_layout<LineInts>(ipar), re.line, line);
    if (rc != 0) return rc;
    const double rs = re.res_rs, H = re.H, S = re.S;
    const double g = 2.0 / (S * rs);
    TfgResults r;
    r.C_per_m = line.C_per_m + re.line.ER2 * kEps0 * g * H * rs;
    r.L_per_m = kEps0Mu0 / (kEps0 * g * H * rs + kEps0Mu0 / line.L_per_m);
    r.g_film = g;
    carry_line(line, r);
    write_layout(r, dpar_out);
    return 0;
}
