// The right-angle bend: arm 1 comes in along y from plane 1, arm 2 along x
// from column 1 (both ports mirror planes), and they turn into each other
// around the inner ground's corner; the outer ground wraps the turn.  Each
// arm's section reaches to the other arm's axis.  One layered run gives
// Cp; the slot problem with the inner slot at +1 and the outer at -1 drives
// the current round the turn, and its excess flux is the bend's series
// inductance, shared by the arms in the step's rule.
#include <cstring>

#include "binding/messages.h"
#include "cache/calc_file.h"
#include "solver/junction.h"

namespace mirtex::solver {
namespace {

// Slots: X11..X14, Z11..Z14, XB1..XB5, ZB1..ZB5, H3/DL, H2/DL, H1/DL,
// L1/DL, L2/DL, N5, TYP1, TYP2; ER3, ER2, ER1, DL, MET, ALPHA, BOUND, T1,
// T2, W1, S1, BG1, BW1, W2, S2, BG2, BW2, die_h, die_er, die_td, VER.
constexpr int kIpar = 26, kDpar = 21, kIout = 2, kOut = 22;

JunctionLayout bend_layout(const int* ip, const Frame3D& f) {
    const int X11 = ip[0], X12 = ip[1], X13 = ip[2], X14 = ip[3];
    const int Z11 = ip[4], Z12 = ip[5], Z13 = ip[6], Z14 = ip[7];
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
    a1.bridge = {ip[24], ip[13], ip[15], ip[14], Z11};
    a2.along_x = true;
    a2.s1 = Z12, a2.s2 = Z13, a2.g1 = Z11, a2.g2 = Z14;
    a2.n = 0.5 * (X12 + X13) - 1.5;
    a2.bridge = {ip[25], ip[8], ip[10], ip[9], X11};
    j.arms = {a1, a2};
    return j;
}

}  // namespace
}  // namespace mirtex::solver

using namespace mirtex::solver;

extern "C" MIRTEX_API int Calc_Bend(int /*plot: no diagnostic output*/, int* ipar, double* dpar, int* ipar_out,
                                    double* dpar_out) {
    static const char kFile[] = "cpw_bend.cdb";
    static const char kIdent[] = "Tessaric Bend";
    if (ReadCalc(kFile, kIdent, ipar, kIpar, dpar, kDpar, ipar_out, kIout, dpar_out, kOut) == 0) return 0;
    mirtex::send_info("Calculating C_BEND");
    Frame3D f = frame3d(ipar + 18, dpar, 4, 5);
    if (!f.ok) return frame_failure(f.problem);
    const JunctionLayout j = bend_layout(ipar, f);
    static const char* const kNames[] = {"arm 1", "arm 2"};
    if (const std::string p = junction_check(f, j, kNames); !p.empty()) return frame_failure(p);

    ElectricResult e;
    std::vector<MagneticResult> runs;
    if (const int rc = junction_runs(f, j, dpar[18], "1/2", {{{1.0, -1.0}}, {"2/2"}}, e, runs); rc != 0) return rc;
    const MagneticResult& m = runs[0];

    const double W[2] = {dpar[9], dpar[13]}, BW[2] = {dpar[12], dpar[16]};
    const double l1 = m.l[0], l2 = m.l[1];
    double out[kOut] = {m.L * l2 / (l1 + l2), m.L * l1 / (l1 + l2), e.cp(f, j.arms),
                        bridge_loss(j.arms, W, BW, dpar[17], dpar[18], dpar[19])};
    line_values(kEps0 * e.q[0], l1, out + 4);
    line_values(kEps0 * e.q[1], l2, out + 8);
    std::memcpy(out + 12, dpar + 7, 10 * sizeof(double));
    std::memcpy(dpar_out, out, sizeof out);
    ipar_out[0] = ipar[24];
    ipar_out[1] = ipar[25];
    WriteCalc(kFile, kIdent, ipar, kIpar, dpar, kDpar, ipar_out, kIout, dpar_out, kOut);
    return 0;
}
