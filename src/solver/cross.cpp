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
// P_BD)/2, LD = S_AD - LA and L5 = P_AB - LA - LB.
#include <cstring>

#include "binding/messages.h"
#include "cache/calc_file.h"
#include "solver/junction.h"

namespace mirtex::solver {
namespace {

// Slots: X11..X14 (A), X21..X24 (D), Z11..Z14 (B), Z21..Z24 (C),
// XB1..XB4, XB5..XB8, XB9, XB10, XFAN, XFIN, ZB1..ZB4, ZB5..ZB8, ZB9, ZB10,
// ZFAN, ZFIN, H3/DL, H2/DL, H1/DL, L1/DL, L2/DL, N5, TYP1..TYP4 (by line),
// DR_BC, DR_AD; ER3, ER2, ER1, DL, MET, ALPHA, BOUND, T1, T2, T4, T3, W,
// S, BG, BW of lines 1, 2, 4, 3, die_h, die_er, die_td, VER.
constexpr int kIpar = 52, kDpar = 31, kIout = 4, kOut = 43;

enum Arm { kA, kB, kC, kD };

// Line numbers (1..4) of arms A, B, C, D.
void arm_lines(const int* ip, int* line) {
    const bool bc = ip[50] != 0, ad = ip[51] != 0;
    line[kA] = ad ? 3 : 1;
    line[kD] = ad ? 1 : 3;
    line[kB] = bc ? 4 : 2;
    line[kC] = bc ? 2 : 4;
}

JunctionLayout cross_layout(const int* ip, const Frame3D& f) {
    const int *XA = ip, *XD = ip + 4, *ZB = ip + 8, *ZC = ip + 12;  // [0..3] = k1..k4
    const int XFAN = ip[26], XFIN = ip[27], ZFAN = ip[38], ZFIN = ip[39];
    const int X = f.columns(), Y = f.planes();
    int line[4];
    arm_lines(ip, line);
    JunctionLayout j;
    j.grounds = {{1, XA[0], 1, ZB[0]}, {XA[3], X, 1, ZC[0]}, {1, XD[0], ZB[3], Y}, {XD[3], X, ZC[3], Y}};
    j.strips = {{XA[1], XA[2], 1, ZFIN},
                {XD[1], XD[2], ZFAN, Y},
                {1, XFIN, ZB[1], ZB[2]},
                {XFAN, X, ZC[1], ZC[2]},
                {XFAN, XFIN, ZFAN, ZFIN}};
    j.slots = {{{1, XA[1] - 1, 1, ZB[1] - 1}},
               {{XA[2] + 1, X, 1, ZC[1] - 1}},
               {{1, XD[1] - 1, ZB[2] + 1, Y}},
               {{XD[2] + 1, X, ZC[2] + 1, Y}}};
    const double xc = 0.5 * (XA[1] + XA[2]), zc = 0.5 * (ZB[1] + ZB[2]);
    auto arm = [&](bool along_x, int port, const int* e, double n, int l, const int* b) {
        JunctionArm a;
        a.along_x = along_x;
        a.port = port;
        a.s1 = e[1], a.s2 = e[2], a.g1 = e[0], a.g2 = e[3];
        a.n = n;
        // Lifted over b[0]..b[3], the crossing over b[1]..b[2].
        a.bridge = {ip[45 + l], b[0], b[3], b[1], b[2]};
        return a;
    };
    j.arms = {arm(false, 2, XA, zc - 1.5, line[kA], ip + 28), arm(true, 2, ZB, xc - 1.5, line[kB], ip + 16),
              arm(true, X - 1, ZC, X - 0.5 - xc, line[kC], ip + 20),
              arm(false, Y - 1, XD, Y - 0.5 - zc, line[kD], ip + 32)};
    return j;
}

}  // namespace
}  // namespace mirtex::solver

using namespace mirtex::solver;

extern "C" MIRTEX_API int Calc_Cross(int /*plot: no diagnostic output*/, int* ipar, double* dpar, int* ipar_out,
                                     double* dpar_out) {
    static const char kFile[] = "cpw_cross.cdb";
    static const char kIdent[] = "Tessaric Cross";
    if (ReadCalc(kFile, kIdent, ipar, kIpar, dpar, kDpar, ipar_out, kIout, dpar_out, kOut) == 0) return 0;
    mirtex::send_info("Calculating C_CROSS");
    Frame3D f = frame3d(ipar + 40, dpar, 4, 5);
    if (!f.ok) return frame_failure(f.problem);
    const JunctionLayout j = cross_layout(ipar, f);
    int line[4];
    arm_lines(ipar, line);
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
        {"2/6", "3/6", "4/6", "5/6"},
        {{1.0, -1.0, 0.0, 1.0}}};
    if (const int rc = junction_runs(f, j, dpar[28], "1/6", slots, e, runs); rc != 0) return rc;
    const MagneticResult &ad = runs[0], &bc = runs[1], &ab = runs[2], &ac = runs[3], &bd = runs[4];

    double L[4];
    L[kB] = 0.5 * (bc.L + ab.L - ac.L);
    L[kC] = bc.L - L[kB];
    L[kA] = 0.5 * (ad.L + ab.L - bd.L);
    L[kD] = ad.L - L[kA];
    const double L5 = ab.L - L[kA] - L[kB];
    const double lp[4] = {ad.l[kA], bc.l[kB], bc.l[kC], ad.l[kD]};

    // Result order of the lines: 1, 2, 4, 3; position of line n in it.
    static const int kPos[5] = {0, 0, 1, 3, 2};
    double out[kOut];
    double W[4], BW[4];
    for (int a = 0; a < 4; ++a) {
        const int p = kPos[line[a]];
        out[p] = L[a];
        line_values(kEps0 * e.q[a], lp[a], out + 7 + 4 * p);
        W[a] = dpar[11 + 4 * p];
        BW[a] = dpar[14 + 4 * p];
    }
    out[4] = L5;
    out[5] = e.cp(f, j.arms);
    out[6] = bridge_loss(j.arms, W, BW, dpar[27], dpar[28], dpar[29]);
    std::memcpy(out + 23, dpar + 7, 20 * sizeof(double));
    std::memcpy(dpar_out, out, sizeof out);
    std::memcpy(ipar_out, ipar + 46, 4 * sizeof(int));
    WriteCalc(kFile, kIdent, ipar, kIpar, dpar, kDpar, ipar_out, kIout, dpar_out, kOut);
    return 0;
}
