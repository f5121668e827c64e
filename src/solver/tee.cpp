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
// LC = (R3 + R4 - R2)/2.  The arm without current keeps the flux of its
// common slot potential; its own undisturbed section is subtracted with
// the rest, so it adds only what the junction changes.
#include <cstring>
#include <utility>

#include "binding/messages.h"
#include "cache/calc_file.h"
#include "solver/junction.h"

namespace mirtex::solver {
namespace {

// Slots: X11..X14, Z11..Z14 (B), Z21..Z24 (C), XB1..XB8, ZB1..ZB7, ZFIN,
// H3/DL, H2/DL, H1/DL, L1/DL, L2/DL, N5, TYP1 (A), TYP2 (B), TYP3 (C),
// DREH; ER3, ER2, ER1, DL, MET, ALPHA, BOUND, T of A, B, C, then W, S, BG,
// BW of A, B and C, die_h, die_er, die_td, VER.
constexpr int kIpar = 38, kDpar = 26, kIout = 3, kOut = 32;

JunctionLayout tee_layout(const int* ip, const Frame3D& f) {
    const int X11 = ip[0], X12 = ip[1], X13 = ip[2], X14 = ip[3];
    const int Z11 = ip[4], Z12 = ip[5], Z13 = ip[6], Z14 = ip[7];
    const int Z21 = ip[8], Z22 = ip[9], Z23 = ip[10], Z24 = ip[11];
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
    A.bridge = {ip[34], ip[20], ip[22], ip[21], ip[27]};
    B.along_x = true;
    B.s1 = Z12, B.s2 = Z13, B.g1 = Z11, B.g2 = Z14;
    B.n = xc - 1.5;
    B.bridge = {ip[35], ip[12], ip[14], ip[13], X11};
    C.along_x = true;
    C.port = X - 1;
    C.s1 = Z22, C.s2 = Z23, C.g1 = Z21, C.g2 = Z24;
    C.n = X - 0.5 - xc;
    C.bridge = {ip[36], ip[17], ip[19], X14, ip[18]};
    j.arms = {A, B, C};
    return j;
}

}  // namespace
}  // namespace mirtex::solver

using namespace mirtex::solver;

extern "C" MIRTEX_API int Calc_Tee(int /*plot: no diagnostic output*/, int* ipar, double* dpar, int* ipar_out,
                                   double* dpar_out) {
    static const char kFile[] = "cpw_tee.cdb";
    static const char kIdent[] = "Tessaric T-Junction";
    if (ReadCalc(kFile, kIdent, ipar, kIpar, dpar, kDpar, ipar_out, kIout, dpar_out, kOut) == 0) return 0;
    mirtex::send_info("Calculating C_TEE");
    Frame3D f = frame3d(ipar + 28, dpar, 4, 5);
    if (!f.ok) return frame_failure(f.problem);
    const JunctionLayout j = tee_layout(ipar, f);
    static const char* const kNames[] = {"line 3", "the wider through line", "the narrower through line"};
    if (const std::string p = junction_check(f, j, kNames); !p.empty()) return frame_failure(p);

    ElectricResult e;
    // Slot regions AB, AC, top.
    std::vector<MagneticResult> runs;
    const SlotRuns slots{{{1.0, -1.0, -1.0}, {1.0, -1.0, 1.0}, {1.0, 1.0, -1.0}}, {"2/4", "3/4", "4/4"}};
    if (const int rc = junction_runs(f, j, dpar[23], "1/4", slots, e, runs); rc != 0) return rc;
    const MagneticResult &ab = runs[0], &ac = runs[1], &bc = runs[2];

    // Arms A, B, C; the user's line 1 is C when the lines were swapped.
    double L[3] = {0.5 * (ab.L + ac.L - bc.L), 0.5 * (ab.L + bc.L - ac.L), 0.5 * (ac.L + bc.L - ab.L)};
    const double lp[3] = {ab.l[0], ab.l[1], ac.l[2]};
    const double W[3] = {dpar[10], dpar[14], dpar[18]}, BW[3] = {dpar[13], dpar[17], dpar[21]};
    int order[3] = {0, 1, 2};  // result arm k (3, 1, 2) is arm order[k] of A, B, C
    const bool swapped = ipar[37] != 0;
    if (swapped) std::swap(order[1], order[2]);
    double out[kOut];
    for (int k = 0; k < 3; ++k) {
        const int a = order[k];
        out[k] = L[a];
        line_values(kEps0 * e.q[a], lp[a], out + 5 + 4 * k);
        out[17 + k] = dpar[7 + a];
        std::memcpy(out + 20 + 4 * k, dpar + 10 + 4 * a, 4 * sizeof(double));
        ipar_out[k] = ipar[34 + a];
    }
    out[3] = e.cp(f, j.arms);
    out[4] = bridge_loss(j.arms, W, BW, dpar[22], dpar[23], dpar[24]);
    std::memcpy(dpar_out, out, sizeof out);
    WriteCalc(kFile, kIdent, ipar, kIpar, dpar, kDpar, ipar_out, kIout, dpar_out, kOut);
    return 0;
}
