// MIM capacitor as two coupled plates over the CPW ground.  Conductor 1 is
// the bottom plate, conductor 2 the top plate.
//
// Capacitance: each plate reaches the ground through its substrate-side
// share of a line's capacitance, eps0 (Cd - Ca/2), the G' slot of the line
// result (the other half space of each plate faces the other plate); the
// plates couple through Cm = die_er eps0 Wm / die_h over the overlap Wm,
// the narrower plate's width.  So C = [[G'bot + Cm, -Cm], [-Cm, G'top + Cm]],
// a Maxwell matrix whose branches are the two plate-to-ground shares and Cm.
// The dielectric-loss coefficients follow the same branches: G00, G11 the
// shares (scaled by the substrate's loss tangent), G01 = G10 = Cm (scaled by
// the capacitor dielectric's).
//
// Inductance: each plate's line inductance (times 1.4 for the current
// crowding of a plate next to another) in parallel with the flux gap of
// the dielectric, eps0 Wm / die_h in vacuum terms, coupled through it:
// L = P^-1 eps0 mu0 / c0, P = [[(eps0 mu0/(1.4 L'b) + c0)/c0, -1], [-1, ...]].
//
// Resistance: each plate its own line's R'; the plates carry separate
// currents, so the mutual terms R01, R10 are 0.
#include <cmath>

#include "numeric/matrix.h"
#include "solver/components.h"

extern "C" MIRTEX_API int Calc_Mim(int* ipar, double* dpar, double* dpar_out) {
    using namespace mirtex::solver;
    double bot[8], top[8];
    int rc = line_run("Calculating C_MIM", ipar, dpar, bot);
    if (rc != 0) return rc;
    rc = Calc_Line(0, ipar + 9, dpar + 10, top);
    if (rc != 0) return rc;
    const double er = dpar[20], h = dpar[21];
    const double wm = std::fmin(dpar[4], dpar[14]);
    const double cm = er * kEps0 * wm / h, c0 = kEps0 * wm / h;
    double P[4] = {(kEps0Mu0 / (1.4 * bot[1]) + c0) / c0, -1.0, -1.0, (kEps0Mu0 / (1.4 * top[1]) + c0) / c0};
    double Linv[4], det = 0.0;
    Rmatinv(P, 2, Linv, 2, 2, &det);
    double* o = dpar_out;
    o[0] = bot[3] + cm;  // C00
    o[1] = o[2] = -cm;   // C01, C10
    o[3] = top[3] + cm;  // C11
    for (int k = 0; k < 4; ++k) o[4 + k] = Linv[k] * kEps0Mu0 / c0;
    o[8] = bot[2];  // R00
    o[9] = o[10] = 0.0;
    o[11] = top[2];  // R11
    o[12] = bot[3];  // G00
    o[13] = o[14] = cm;
    o[15] = top[3];  // G11
    o[16] = cm;      // GK
    o[17] = dpar[4];
    o[18] = dpar[14];
    o[19] = dpar[5];
    o[20] = dpar[15];
    return 0;
}
