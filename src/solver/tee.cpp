// The T-junction: the branch A (line 3) comes in along y from plane 1 and
// meets the through line, B (the wider of lines 1 and 2) from column 1 up
// to the branch's far strip edge, C beyond it to the last column.  Three
// slot regions meet at the junction: the corner between A and B, the one
// between A and C, and the slot along the far side of the through line.
//
// The current on an arm is the difference of the slot potentials on its
// two sides: A carries psi_AB - psi_AC, B psi_top - psi_AB, C psi_AC -
// psi_top.  Each slot run drives one path and leaves the third arm without
// current (its two slots equal):
//   2/4  AB +1, AC and top -1:  A and B,  R2 = LA + LB
//   3/4  AB and top +1, AC -1:  A and C,  R3 = LA + LC
//   4/4  AB and AC +1, top -1:  B and C,  R4 = LB + LC
// and the star's arms follow: LA = (R2 + R3 - R4)/2, LB = (R2 + R4 - R3)/2,
// LC = (R3 + R4 - R2)/2.  A circuit's tee has one ground node: the grounds
// of each arm are tied across it where the junction begins, and outside
// its tie the arm without current holds both slots at 0, so its grounds
// carry nothing either (a common potential would drive them against each
// other, a ground mode whose field reaches the far walls and whose share
// grows with the box).
#include <algorithm>

#include "binding/messages.h"
#include "solver/junction.h"

namespace mirtex::solver {
namespace {

using params::ArmLine, params::ArmSlots;
using params::TeeInts, params::TeeReals, params::TeeResults, params::TeeTypes;
using params::read_layout;
const Record<TeeInts, TeeReals, TeeResults, TeeTypes> kRecord{"cpw_tee.cdb", "Tessaric T-Junction"};

JunctionLayout tee_layout(const TeeInts& in, const Frame3D& f) {
    const int X11 = in.X11, X12 = in.X12, X13 = in.X13, X14 = in.X14;
    const int Z11 = in.Z11, Z12 = in.Z12, Z13 = in.Z13, Z14 = in.Z14;
    const int Z21 = in.Z21, Z22 = in.Z22, Z23 = in.Z23, Z24 = in.Z24;
    const int X = f.columns(), Y = f.planes();
    JunctionLayout j;
    j.grounds = {{1, X11, 1, Z11}, {X14, X, 1, Z21}, {1, X13, Z14, Y}, {X13 + 1, X, Z24, Y}};
    j.strips = {{X12, X13, 1, Z13}, {1, X13, Z12, Z13}, {X13 + 1, X, Z22, Z23}};
    j.slots = {
        {{1, X12 - 1, 1, Z12 - 1}}, {{X13 + 1, X, 1, Z22 - 1}}, {{1, X13, Z13 + 1, Y}, {X13 + 1, X, Z23 + 1, Y}}};
    const double xc = 0.5 * (X12 + X13);
    JunctionArm A, B, C;
    A.s1 = X12, A.s2 = X13, A.g1 = X11, A.g2 = X14;
    A.n = 0.5 * (Z12 + Z13) - 1.5;
    A.bridge = {in.TYP1, in.ZB1, in.ZB3, in.ZB2, in.ZFIN};
    B.along_x = true;
    B.s1 = Z12, B.s2 = Z13, B.g1 = Z11, B.g2 = Z14;
    B.n = xc - 1.5;
    B.bridge = {in.TYP2, in.XB1, in.XB3, in.XB2, X11};
    C.along_x = true;
    C.port = X - 1;
    C.s1 = Z22, C.s2 = Z23, C.g1 = Z21, C.g2 = Z24;
    C.n = X - 0.5 - xc;
    C.bridge = {in.TYP3, in.XB6, in.XB8, X14, in.XB7};
    // The ground ties where the junction begins: along the branch at the
    // through line's nearer ground edge, along the through line at the
    // branch's ground edges.
    A.tie_at(std::min(Z11, Z21)), B.tie_at(X11), C.tie_at(X14);
    j.arms = {A, B, C};
    return j;
}

// The result slots of the user's line n (1 to 3).
const ArmLine<TeeResults> kLine[] = {{}, MIRTEX_ARM_LINE(TeeResults, 1), MIRTEX_ARM_LINE(TeeResults, 2),
                                     MIRTEX_ARM_LINE(TeeResults, 3)};
const ArmSlots<TeeResults> kArm[] = {{}, MIRTEX_ARM(TeeResults, 1), MIRTEX_ARM(TeeResults, 2), MIRTEX_ARM(TeeResults, 3)};
int TeeTypes::*const kType[] = {nullptr, &TeeTypes::TYP1_OUT, &TeeTypes::TYP2_OUT, &TeeTypes::TYP3_OUT};

}  // namespace
}  // namespace mirtex::solver

using namespace mirtex::solver;

extern "C" MIRTEX_API int Calc_Tee(int /*plot: no diagnostic output*/, int* ipar, double* dpar, int* ipar_out,
                                   double* dpar_out) {
    if (kRecord.read(ipar, dpar, ipar_out, dpar_out) == 0) return 0;
    mirtex::send_info("Calculating C_TEE");
    const auto in = read_layout<TeeInts>(ipar);
    const auto re = read_layout<TeeReals>(dpar);
    Frame3D f = frame3d(in, re);
    if (!f.ok) return frame_failure(f.problem);
    const JunctionLayout j = tee_layout(in, f);
    static const char* const kNames[] = {"line 3", "the wider through line", "the narrower through line"};
    if (const std::string p = junction_check(f, j, kNames); !p.empty()) return frame_failure(p);

    ElectricResult e;
    // Slot regions AB, AC, top.
    std::vector<MagneticResult> runs;
    // The last caption is the ties' offset run.
    const SlotRuns slots{{{1.0, -1.0, -1.0}, {1.0, -1.0, 1.0}, {1.0, 1.0, -1.0}}, {"2/4", "3/4", "4/4", "4/4"}};
    if (const int rc = junction_runs(f, j, re.die_er, "1/4", slots, e, runs); rc != 0) return rc;
    const MagneticResult &ab = runs[0], &ac = runs[1], &bc = runs[2];

    // Arms A, B, C: their inductances, their lines' L', their input slots
    // (named 3, 1, 2) and bridge codes.
    const double L[3] = {0.5 * (ab.L + ac.L - bc.L), 0.5 * (ab.L + bc.L - ac.L), 0.5 * (ac.L + bc.L - ab.L)};
    const double lp[3] = {ab.l[0], ab.l[1], ac.l[2]};
    const ArmSlots<TeeReals> inputs[3] = {MIRTEX_ARM(TeeReals, 3), MIRTEX_ARM(TeeReals, 1), MIRTEX_ARM(TeeReals, 2)};
    const int code[3] = {in.TYP1, in.TYP2, in.TYP3};
    // The mirror image: B is the wider through line, the user's line 2
    // when DREH is set; the results go to the user's lines here.
    const int line[3] = {3, in.DREH != 0 ? 2 : 1, in.DREH != 0 ? 1 : 2};
    TeeResults r;
    TeeTypes types;
    for (int a = 0; a < 3; ++a) {
        const int n = line[a];
        put_arm_line(r, kLine[n], L[a], kEps0 * e.q[a], lp[a]);
        copy_arm(re, inputs[a], r, kArm[n]);
        types.*kType[n] = code[a];
    }
    const double W[3] = {re.W3, re.W1, re.W2}, BW[3] = {re.BW3, re.BW1, re.BW2};
    r.Cp = e.cp(f, j.arms);
    r.G_per_omega = bridge_loss(j.arms, W, BW, re.die_h, re.die_er, re.die_td);
    kRecord.write(ipar, dpar, r, dpar_out, types, ipar_out);
    return 0;
}
