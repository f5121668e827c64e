// The air bridge over a line.  A bridge on the upper metal level (code 1)
// is a ground deck BW wide across strip and slots, die_h above the metal
// plane, on posts at the ground edges.  A bridge on the lower level (code
// 2) turns the crossing round: the grounds are joined on the metal plane
// over BW, and the strip climbs to the upper level BG before the crossing
// and comes down BG after it.  The strip (with its climb) at 1 V against
// the grounds and the bridge holds more than the same length of
// undisturbed line: the bridge's shunt capacitance.  The slot problem,
// with the bridge cutting both slots, gives the series inductance, split
// into two halves around the shunt branch.
#include "binding/messages.h"
#include "solver/junction.h"

namespace mirtex::solver {
namespace {

using params::AirInts, params::AirReals, params::AirResults, params::AirTypes;
using params::read_layout;
const Record<AirInts, AirReals, AirResults, AirTypes> kRecord{"cpw_air.cdb", "Tessaric Airbridge"};

JunctionLayout air_layout(const AirInts& in, const Frame3D& f) {
    const int X0 = in.X0, XE = in.XE, X11 = in.X11, X12 = in.X12, X13 = in.X13, X14 = in.X14;
    const int X = f.columns(), Y = f.planes();
    JunctionLayout j;
    j.mirror_x = false;
    j.stretches = true;
    j.grounds = {{X0, X11, 1, Y}, {X14, XE, 1, Y}};
    j.strips = {{X12, X13, 1, Y}};
    j.beyond = {{1, X0 - 1, 1, Y}, {XE + 1, X, 1, Y}};
    j.slots = {{{X11 + 1, X12 - 1, 1, Y}}, {{X13 + 1, X14 - 1, 1, Y}}};
    JunctionArm line;
    line.s1 = X12, line.s2 = X13, line.g1 = X11, line.g2 = X14;
    // The whole box is line: planes 2 .. Y - 1.
    line.n = Y - 2;
    line.bridge = {in.TYP, in.ZB1, in.ZB4, in.ZB2, in.ZB3};
    j.arms = {line};
    return j;
}

}  // namespace
}  // namespace mirtex::solver

using namespace mirtex::solver;

extern "C" MIRTEX_API int Calc_Air(int /*plot: no diagnostic output*/, int* ipar, double* dpar, int* ipar_out,
                                   double* dpar_out) {
    if (kRecord.read(ipar, dpar, ipar_out, dpar_out) == 0) return 0;
    mirtex::send_info("Calculating C_AIR");
    const auto in = read_layout<AirInts>(ipar);
    const auto re = read_layout<AirReals>(dpar);
    Frame3D f = frame3d(in, re);
    if (!f.ok) return frame_failure(f.problem);
    const JunctionLayout j = air_layout(in, f);
    static const char* const kName[] = {"the line"};
    if (in.TYP != 1 && in.TYP != 2) return frame_failure(mirtex::format("bridge code %d is none of 1, 2", in.TYP));
    if (const std::string p = junction_check(f, j, kName); !p.empty()) return frame_failure(p);

    ElectricResult e;
    std::vector<MagneticResult> runs;
    if (const int rc = junction_runs(f, j, re.die_er, "1/2", {{{1.0, -1.0}}, {"2/2"}}, e, runs); rc != 0) return rc;
    // The strip's charge in five stretches: before the bridge, its rising
    // end, over the crossing, its falling end, after it; less what the
    // undisturbed line holds over the same planes.
    const double Q = e.stretches[0] + e.stretches[1] + e.stretches[2] + e.stretches[3] + e.stretches[4];
    const double q = e.q[0];
    const MagneticResult& m = runs[0];

    AirResults r;
    r.Cp = 0.5 * kEps0 * f.dl * (Q - j.arms[0].n * q);
    r.G_per_omega = bridge_loss(j.arms, &re.W, &re.BW, re.die_h, re.die_er, re.die_td);
    put_arm_line(r, MIRTEX_ARM_LINE(AirResults, ), 0.5 * m.L, kEps0 * q, m.l[0]);
    r.W = re.W, r.BW = re.BW, r.BG = re.BG, r.T = re.T_LINE, r.T2 = re.T_BRIDGE;
    AirTypes types;
    types.TYP_OUT = in.TYP;
    kRecord.write(ipar, dpar, r, dpar_out, types, ipar_out);
    return 0;
}
