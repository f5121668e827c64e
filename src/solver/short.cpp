// The short-circuited end: the strip runs at plane Z1 into a ground strip
// that joins both grounds.  Its inductance comes from the complementary
// problem in a uniform medium: the two slots held at +1 and -1, the metal
// left free; the flux out of a slot per plane is the line's inductance per
// length (duality), and what the slots carry beyond the undisturbed line is
// the end's.
#include <cstring>

#include "binding/messages.h"
#include "cache/calc_file.h"
#include "solver/frame3d.h"

namespace mirtex::solver {
namespace {

// Slots: X0, XE, X1, X2, X3, X4, Z1, Z2, H3/DL, H2/DL, H1/DL, L1/DL,
// L2/DL, N5, WG/DL; DL, ALPHA, BOUND, VER.
constexpr int kIpar = 15, kDpar = 4, kOut = 2;

// The one-sided flux of the +1 and the -1 slot nodes of plane y.
struct SlotFlux {
    double plus = 0.0, minus = 0.0;
};
SlotFlux slots_of(int columns, int planes, int y) {
    return {slot_flux(1.0, y, columns, planes), slot_flux(-1.0, y, columns, planes)};
}

}  // namespace
}  // namespace mirtex::solver

using namespace mirtex::solver;

extern "C" MIRTEX_API int Calc_Short(int /*plot: no diagnostic output*/, int* ipar, double* dpar, double* dpar_out) {
    static const char kFile[] = "cpw_short.cdb";
    static const char kIdent[] = "Tessaric Short";
    if (ReadCalc(kFile, kIdent, ipar, kIpar, dpar, kDpar, nullptr, 0, dpar_out, kOut) == 0) return 0;
    mirtex::send_info("Calculating C_SHORT");
    Frame3D f = frame3d(ipar + 8, 0.0, true);
    if (!f.ok) return frame_failure(f.problem);
    f.dl = dpar[0], f.alpha = dpar[1], f.bound = dpar[2];
    const int X0 = ipar[0], XE = ipar[1], X1 = ipar[2], X2 = ipar[3], X3 = ipar[4], X4 = ipar[5];
    const int Z1 = ipar[6], Z2 = ipar[7], X = f.columns(), Y = f.planes();

    BandGrid3 g(f.st, f.ny);
    if (!g) return g.status();
    g.ground(true);
    // Beyond the grounds' outer edges the slot problem is held at 0 over
    // the line and the shorting strip; the slots carry +1 and -1 along the
    // line; beyond the strip everything is 0.
    g.paint(1, X0 - 1, 1, Z2 - 1, 0.0);
    g.paint(XE + 1, X, 1, Z2 - 1, 0.0);
    g.paint(X1 + 1, X2 - 1, 1, Z1, 1.0);
    g.paint(X3 + 1, X4 - 1, 1, Z1, -1.0);
    g.paint(1, X, Z2, Y, 0.0);

    if (const int rc = run3l(f, "1/1"); rc != 0) return rc;
    // Each slot's flux counts all faces of its nodes: the vertical faces
    // alone miss the lateral flux at the slot's edges, where the field is
    // strongest, and give an L' some 14 % low against the strip's mu0 /
    // C_air in a wide box.
    // Plane 1 is the mirror plane: its nodes hold half a cell of line, and
    // the line's excess is counted from plane 2 on, as the open end and the
    // step count theirs.  Counting plane 1 in full added L'.DL/2 of plain
    // line to the end (+15 % at DL 2.5 um on a 50-ohm line).
    const SlotFlux s = slots_of(X, Y, 1);
    SlotFlux S;
    for (int y = 2; y <= Y; ++y) {
        const SlotFlux p = slots_of(X, Y, y);
        S.plus += p.plus;
        S.minus += p.minus;
    }
    double out[kOut];
    out[0] = 0.5 * ((S.plus - (Z1 - 1) * s.plus) + (S.minus - (Z1 - 1) * s.minus)) * kMu0 * f.dl * 0.125;
    out[1] = (s.plus + s.minus) * (0.5 * kMu0) * 0.25;
    std::memcpy(dpar_out, out, sizeof out);
    WriteCalc(kFile, kIdent, ipar, kIpar, dpar, kDpar, nullptr, 0, dpar_out, kOut);
    return 0;
}
