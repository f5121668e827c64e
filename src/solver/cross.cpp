// The crossing: A (the wider of lines 1 and 3) comes in along y from plane
// 1, D leaves at the last plane, B (the wider of lines 2 and 4) comes in
// along x from column 1, C leaves at the last column; all four meet on the
// centre square.  Four corner slots surround it: AB, AC, BD, CD.
//
// The network has the straight pairs A-D and B-C each meeting in a node,
// the two nodes linked by L5.  An arm carries the difference of the slot
// potentials on its sides (A: AB - AC, C: AC - CD, D: CD - BD, B: BD - AB),
// so five slot problems drive five paths, each leaving the other arms
// without current.  The fifth is a combination of the first four (BD = AD
// - BC + AC) and the problem is linear, so four runs give all five:
//   2/6  AB, BD +1; AC, CD -1:  A to D,  S_AD = LA + LD
//   3/6  AB, AC +1; BD, CD -1:  B to C,  S_BC = LB + LC
//   4/6  AB +1, the rest -1:    A to B,  P_AB = LA + L5 + LB
//   5/6  AC +1, the rest -1:    A to C,  P_AC = LA + L5 + LC
//        BD +1, the rest -1:    B to D,  P_BD = LB + L5 + LD
// whence LB = (S_BC + P_AB - P_AC)/2, LC = S_BC - LB, LA = (S_AD + P_AB -
// P_BD)/2, LD = S_AD - LA and L5 = P_AB - LA - LB.  As in the tee, each
// arm's grounds are tied where the centre square's begin, and outside
// its tie an arm without current holds 0 in both slots.
#include <algorithm>
#include <array>
#include <cstdio>

#include "binding/messages.h"
#include "solver/junction.h"

namespace mirtex::solver {
namespace {

using params::ArmLine, params::ArmSlots;
using params::CrossInts, params::CrossReals, params::CrossResults, params::CrossTypes;
using params::read_layout;
const Record<CrossInts, CrossReals, CrossResults, CrossTypes> kRecord{"cpw_cross.cdb", "Tessaric Cross"};

enum Arm { kA, kB, kC, kD };

// Line numbers (1..4) of arms A, B, C, D: the mirror images that put the
// wider line of each pair first.
void arm_lines(const CrossInts& in, int* line) {
    const bool bc = in.DR_BC != 0, ad = in.DR_AD != 0;
    line[kA] = ad ? 3 : 1;
    line[kD] = ad ? 1 : 3;
    line[kB] = bc ? 4 : 2;
    line[kC] = bc ? 2 : 4;
}

JunctionLayout cross_layout(const CrossInts& in, const Frame3D& f) {
    const int XA[] = {in.X11, in.X12, in.X13, in.X14}, XD[] = {in.X21, in.X22, in.X23, in.X24};
    const int ZB[] = {in.Z11, in.Z12, in.Z13, in.Z14}, ZC[] = {in.Z21, in.Z22, in.Z23, in.Z24};
    const int X = f.columns(), Y = f.planes();
    const int code[5] = {0, in.TYP1, in.TYP2, in.TYP3, in.TYP4};
    int line[4];
    arm_lines(in, line);
    JunctionLayout j;
    j.grounds = {{1, XA[0], 1, ZB[0]}, {XA[3], X, 1, ZC[0]}, {1, XD[0], ZB[3], Y}, {XD[3], X, ZC[3], Y}};
    j.strips = {{XA[1], XA[2], 1, in.ZFIN},
                {XD[1], XD[2], in.ZFAN, Y},
                {1, in.XFIN, ZB[1], ZB[2]},
                {in.XFAN, X, ZC[1], ZC[2]},
                {in.XFAN, in.XFIN, in.ZFAN, in.ZFIN}};
    j.slots = {{{1, XA[1] - 1, 1, ZB[1] - 1}},
               {{XA[2] + 1, X, 1, ZC[1] - 1}},
               {{1, XD[1] - 1, ZB[2] + 1, Y}},
               {{XD[2] + 1, X, ZC[2] + 1, Y}}};
    const double xc = 0.5 * (XA[1] + XA[2]), zc = 0.5 * (ZB[1] + ZB[2]);
    // b: the bridge's feet and span, b[0]..b[3].
    auto arm = [&](bool along_x, int port, const int* e, double n, int l, std::array<int, 4> b) {
        JunctionArm a;
        a.along_x = along_x;
        a.port = port;
        a.s1 = e[1], a.s2 = e[2], a.g1 = e[0], a.g2 = e[3];
        a.n = n;
        // Lifted over b[0]..b[3], the crossing over b[1]..b[2].
        a.bridge = {code[l], b[0], b[3], b[1], b[2]};
        return a;
    };
    j.arms = {arm(false, 2, XA, zc - 1.5, line[kA], {in.ZB1, in.ZB2, in.ZB3, in.ZB4}),
              arm(true, 2, ZB, xc - 1.5, line[kB], {in.XB1, in.XB2, in.XB3, in.XB4}),
              arm(true, X - 1, ZC, X - 0.5 - xc, line[kC], {in.XB5, in.XB6, in.XB7, in.XB8}),
              arm(false, Y - 1, XD, Y - 0.5 - zc, line[kD], {in.ZB5, in.ZB6, in.ZB7, in.ZB8})};
    // The ground ties where the centre square's grounds begin: each arm's
    // at the nearer ground edge of the pair it crosses.
    j.arms[kA].tie_at(std::min(ZB[0], ZC[0])), j.arms[kD].tie_at(std::max(ZB[3], ZC[3]));
    j.arms[kB].tie_at(std::min(XA[0], XD[0])), j.arms[kC].tie_at(std::max(XA[3], XD[3]));
    return j;
}

// The input and result slots of line n (1 to 4).
#define MIRTEX_LINES(M, T) {}, M(T, 1), M(T, 2), M(T, 3), M(T, 4)
const ArmSlots<CrossReals> kInput[] = {MIRTEX_LINES(MIRTEX_ARM, CrossReals)};
const ArmLine<CrossResults> kLine[] = {MIRTEX_LINES(MIRTEX_ARM_LINE, CrossResults)};
const ArmSlots<CrossResults> kArm[] = {MIRTEX_LINES(MIRTEX_ARM, CrossResults)};
#undef MIRTEX_LINES

}  // namespace
}  // namespace mirtex::solver

using namespace mirtex::solver;

extern "C" MIRTEX_API int Calc_Cross(int /*plot: no diagnostic output*/, int* ipar, double* dpar, int* ipar_out,
                                     double* dpar_out) {
    if (kRecord.read(ipar, dpar, ipar_out, dpar_out) == 0) return 0;
    mirtex::send_info("Calculating C_CROSS");
    const auto in = read_layout<CrossInts>(ipar);
    const auto re = read_layout<CrossReals>(dpar);
    Frame3D f = frame3d(in, re);
    if (!f.ok) return frame_failure(f.problem);
    const JunctionLayout j = cross_layout(in, f);
    int line[4];
    arm_lines(in, line);
    char names[4][8];
    const char* np[4];
    for (int k = 0; k < 4; ++k) {
        std::snprintf(names[k], sizeof names[k], "line %d", line[k]);
        np[k] = names[k];
    }
    if (const std::string p = junction_check(f, j, np); !p.empty()) return frame_failure(p);

    ElectricResult e;
    // Slot regions AB, AC, BD, CD.
    std::vector<MagneticResult> runs;
    // The fifth path is a combination of the other four: BD = AD - BC + AC.
    const SlotRuns slots{
        {{1.0, -1.0, 1.0, -1.0}, {1.0, 1.0, -1.0, -1.0}, {1.0, -1.0, -1.0, -1.0}, {-1.0, 1.0, -1.0, -1.0}},
        {"2/6", "3/6", "4/6", "5/6", "6/6"},
        {{1.0, -1.0, 0.0, 1.0}}};
    if (const int rc = junction_runs(f, j, re.die_er, "1/6", slots, e, runs); rc != 0) return rc;
    const MagneticResult &ad = runs[0], &bc = runs[1], &ab = runs[2], &ac = runs[3], &bd = runs[4];

    double L[4];
    L[kB] = 0.5 * (bc.L + ab.L - ac.L);
    L[kC] = bc.L - L[kB];
    L[kA] = 0.5 * (ad.L + ab.L - bd.L);
    L[kD] = ad.L - L[kA];
    const double L5 = ab.L - L[kA] - L[kB];
    const double lp[4] = {ad.l[kA], bc.l[kB], bc.l[kC], ad.l[kD]};

    // Each arm's values go to its user's line.
    CrossResults r;
    double W[4], BW[4];
    for (int a = 0; a < 4; ++a) {
        const int n = line[a];
        put_arm_line(r, kLine[n], L[a], kEps0 * e.q[a], lp[a]);
        W[a] = re.*kInput[n].W;
        BW[a] = re.*kInput[n].BW;
    }
    r.L5 = L5;
    r.Cp = e.cp(f, j.arms);
    r.G_per_omega = bridge_loss(j.arms, W, BW, re.die_h, re.die_er, re.die_td);
    for (int n = 1; n <= 4; ++n) copy_arm(re, kInput[n], r, kArm[n]);
    CrossTypes types;
    types.TYP1_OUT = in.TYP1, types.TYP2_OUT = in.TYP2, types.TYP3_OUT = in.TYP3, types.TYP4_OUT = in.TYP4;
    kRecord.write(ipar, dpar, r, dpar_out, types, ipar_out);
    return 0;
}
