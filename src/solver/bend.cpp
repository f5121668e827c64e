// The right-angle bend: arm 1 comes in along y from plane 1, arm 2 along x
// from column 1 (both ports mirror planes), and they turn into each other
// around the inner ground's corner; the outer ground wraps the turn.  Each
// arm's section reaches to the other arm's axis.  One layered run gives
// Cp; the slot problem with the inner slot at +1 and the outer at -1 drives
// the current round the turn, and its excess flux is the bend's series
// inductance, shared by the arms in the step's rule.
#include "binding/messages.h"
#include "solver/junction.h"

namespace mirtex::solver {
namespace {

using params::BendInts, params::BendReals, params::BendResults, params::BendTypes;
using params::read_layout;
const Record<BendInts, BendReals, BendResults, BendTypes> kRecord{"cpw_bend.cdb", "Tessaric Bend"};

JunctionLayout bend_layout(const BendInts& in, const Frame3D& f) {
    const int X11 = in.X11, X12 = in.X12, X13 = in.X13, X14 = in.X14;
    const int Z11 = in.Z11, Z12 = in.Z12, Z13 = in.Z13, Z14 = in.Z14;
    const int X = f.columns(), Y = f.planes();
    JunctionLayout j;
    j.grounds = {{1, X11, 1, Z11}, {X14, X, 1, Y}, {1, X, Z14, Y}};
    j.strips = {{X12, X13, 1, Z13}, {1, X13, Z12, Z13}};
    j.slots = {{{1, X12 - 1, 1, Z12 - 1}}, {{X13 + 1, X, 1, Y}, {1, X, Z13 + 1, Y}}};
    JunctionArm a1, a2;
    a1.s1 = X12, a1.s2 = X13, a1.g1 = X11, a1.g2 = X14;
    a1.n = 0.5 * (Z12 + Z13) - 1.5;
    // Each bridge: the strip lifted from l1 to l2 over the crossing that
    // ends at the inner corner's ground edge.
    a1.bridge = {in.TYP1, in.ZB1, in.ZB3, in.ZB2, Z11};
    a2.along_x = true;
    a2.s1 = Z12, a2.s2 = Z13, a2.g1 = Z11, a2.g2 = Z14;
    a2.n = 0.5 * (X12 + X13) - 1.5;
    a2.bridge = {in.TYP2, in.XB1, in.XB3, in.XB2, X11};
    j.arms = {a1, a2};
    return j;
}

}  // namespace
}  // namespace mirtex::solver

using namespace mirtex::solver;

extern "C" MIRTEX_API int Calc_Bend(int /*plot: no diagnostic output*/, int* ipar, double* dpar, int* ipar_out,
                                    double* dpar_out) {
    if (kRecord.read(ipar, dpar, ipar_out, dpar_out) == 0) return 0;
    mirtex::send_info("Calculating C_BEND");
    const auto in = read_layout<BendInts>(ipar);
    const auto re = read_layout<BendReals>(dpar);
    Frame3D f = frame3d(in, re);
    if (!f.ok) return frame_failure(f.problem);
    const JunctionLayout j = bend_layout(in, f);
    static const char* const kNames[] = {"arm 1", "arm 2"};
    if (const std::string p = junction_check(f, j, kNames); !p.empty()) return frame_failure(p);

    ElectricResult e;
    std::vector<MagneticResult> runs;
    if (const int rc = junction_runs(f, j, re.die_er, "1/2", {{{1.0, -1.0}}, {"2/2"}}, e, runs); rc != 0) return rc;
    const MagneticResult& m = runs[0];

    const double W[2] = {re.W1, re.W2}, BW[2] = {re.BW1, re.BW2};
    const double l1 = m.l[0], l2 = m.l[1];
    BendResults r;
    put_arm_line(r, MIRTEX_ARM_LINE(BendResults, 1), m.L * l2 / (l1 + l2), kEps0 * e.q[0], l1);
    put_arm_line(r, MIRTEX_ARM_LINE(BendResults, 2), m.L * l1 / (l1 + l2), kEps0 * e.q[1], l2);
    r.Cp = e.cp(f, j.arms);
    r.G_per_omega = bridge_loss(j.arms, W, BW, re.die_h, re.die_er, re.die_td);
    copy_arm(re, MIRTEX_ARM(BendReals, 1), r, MIRTEX_ARM(BendResults, 1));
    copy_arm(re, MIRTEX_ARM(BendReals, 2), r, MIRTEX_ARM(BendResults, 2));
    BendTypes types;
    types.TYP1_OUT = in.TYP1, types.TYP2_OUT = in.TYP2;
    kRecord.write(ipar, dpar, r, dpar_out, types, ipar_out);
    return 0;
}
