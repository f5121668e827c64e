// The short-circuited end: the strip runs at plane Z1 into a ground strip
// that joins both grounds.  Its inductance comes from the complementary
// problem in a uniform medium: the two slots held at +1 and -1, the metal
// left free; the flux out of a slot per plane is the line's inductance per
// length (duality), and what the slots carry beyond the undisturbed line is
// the end's.
#include "binding/messages.h"
#include "params/end_layout.h"
#include "solver/frame3d.h"

namespace mirtex::solver {
namespace {

using params::ShortInts, params::ShortReals, params::ShortResults;
using params::read_layout;
const Record<ShortInts, ShortReals, ShortResults> kRecord{"cpw_short.cdb", "Tessaric Short"};

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
    if (kRecord.read(ipar, dpar, nullptr, dpar_out) == 0) return 0;
    mirtex::send_info("Calculating C_SHORT");
    const auto in = read_layout<ShortInts>(ipar);
    const auto re = read_layout<ShortReals>(dpar);
    Frame3D f = frame3d(stack_of(in).data(), 0.0, true);
    if (!f.ok) return frame_failure(f.problem);
    f.dl = re.DL, f.alpha = re.ALPHA, f.bound = re.BOUND;
    const int X0 = in.X0, XE = in.XE, X1 = in.X1, X2 = in.X2, X3 = in.X3, X4 = in.X4;
    const int Z1 = in.Z1, Z2 = in.Z2, X = f.columns(), Y = f.planes();

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
    ShortResults r;
    r.L_end = 0.5 * ((S.plus - (Z1 - 1) * s.plus) + (S.minus - (Z1 - 1) * s.minus)) * kMu0 * f.dl * 0.125;
    r.L_per_m = (s.plus + s.minus) * (0.5 * kMu0) * 0.25;
    kRecord.write(ipar, dpar, r, dpar_out);
    return 0;
}
