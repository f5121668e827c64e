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
    using namespace mirtex::params;
    const auto in = read_layout<MimInts>(ipar);
    const auto re = read_layout<MimReals>(dpar);
    LineResults bot, top;
    int rc = line_run("Calculating C_MIM", in.bottom, re.bottom, bot);
    if (rc != 0) return rc;
    rc = line_run(nullptr, in.top, re.top, top);
    if (rc != 0) return rc;
    const double wm = std::fmin(re.bottom.W, re.top.W);
    const double cm = re.die_er * kEps0 * wm / re.die_h, c0 = kEps0 * wm / re.die_h;
    double P[4] = {(kEps0Mu0 / (1.4 * bot.L_per_m) + c0) / c0, -1.0, -1.0,
                   (kEps0Mu0 / (1.4 * top.L_per_m) + c0) / c0};
    double Linv[4], det = 0.0;
    Rmatinv(P, 2, Linv, 2, 2, &det);
    MimResults r;
    r.C00 = bot.G_per_m + cm;
    r.C01 = r.C10 = -cm;
    r.C11 = top.G_per_m + cm;
    auto inductance = [&](double linv) { return linv * kEps0Mu0 / c0; };
    r.L00 = inductance(Linv[0]), r.L01 = inductance(Linv[1]), r.L10 = inductance(Linv[2]), r.L11 = inductance(Linv[3]);
    r.R00 = bot.R_per_m;
    r.R11 = top.R_per_m;  // separate currents: no mutual resistance
    r.G00 = bot.G_per_m;
    r.G01 = r.G10 = r.GK = cm;
    r.G11 = top.G_per_m;
    r.W_BOT = re.bottom.W;
    r.W_TOP = re.top.W;
    r.T_BOT = re.bottom.T;
    r.T_TOP = re.top.T;
    write_layout(r, dpar_out);
    return 0;
}
