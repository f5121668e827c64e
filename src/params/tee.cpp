// The T-junction CxTEE: the through line (lines 1 and 2) runs along the
// box's first dimension, its strip edges longitudinal slots Z around the
// reference plane; the branch (line 3) meets it from the low side of the
// second dimension, its edges lateral slots X around the axis.  The wider
// through line is always laid first (B), the narrower (C) centred on it, so
// that a tee and its mirror image share one solution; DREH records the swap.
#include <algorithm>
#include <cmath>
#include <vector>

#include "binding/messages.h"
#include "params/extrapolation.h"
#include "params/item.h"
#include "params/junction.h"

namespace mirtex::params {
namespace {

int Check_Tee(Assembly& a, const Arm& A, const Arm& B, const Arm& C, bool swapped, const CPW_AIRTYP& die) {
    if (tee_ipar == nullptr || tee_dpar == nullptr) return vectors_missing(a);
    const double DL = a.DL();
    const Frame3 f = frame3(a);
    const bool sa = A.line.rec.S != 0, sb = B.line.rec.S != 0, sc = C.line.rec.S != 0;
    const BridgeItem &bA = A.bridge, &bB = B.bridge, &bC = C.bridge;
    int* ip = tee_ipar;
    // Branch A across the first dimension.
    strip_edges(A.u, A.line.rec, f.M, f.x_max(), ip);
    // Through lines B and C along it; C is centred on B's axis to the
    // nearest half step.
    strip_edges(B.u, B.line.rec, f.MZ, f.z_max(), ip + 4);
    const int d = grid_round(std::fabs(B.line.rec.W - C.line.rec.W) / DL);
    ip[9] = ip[6] + 1 - d - twice(C.u.Wh);
    ip[10] = ip[6] - d;
    ip[8] = sc ? ip[9] - 1 - twice(C.u.Sh) : 1;
    ip[11] = sc ? ip[10] + 1 + twice(C.u.Sh) : f.z_max();
    const int X11 = ip[0], X12 = ip[1], X13 = ip[2], X14 = ip[3];
    const int Z11 = ip[4], Z12 = ip[5], Z13 = ip[6], Z21 = ip[8], Z22 = ip[9], Z23 = ip[10];
    const int zmin = std::min(Z11, Z21);
    // Bridges: over B and C beside the branch, over A before the through line.
    ip[12] = sa ? X11 - twice(bB.BWh) - twice(bA.BGh) : X12 - 1;
    ip[13] = X11 - twice(bB.BWh) + 1;
    ip[14] = sa ? X11 + twice(bA.BGh) + 1 : X12 - 1;
    ip[15] = X12 - 1 - twice(bB.BGh);
    ip[16] = X13 + twice(bB.BGh) + 1;
    ip[17] = sa ? X14 - twice(bA.BGh) - 1 : X13;
    ip[18] = X14 + twice(bC.BWh) - 1;
    ip[19] = sa ? X14 + twice(bC.BWh) + twice(bA.BGh) : X13;
    ip[21] = zmin - twice(bA.BWh) + 1;
    int zb1 = ip[21] - twice(bA.BGh) - 1, zb3 = zmin + twice(bA.BGh) + 1;
    if (sb && !sc)
        zb1 = zb3 = Z22 > Z11 ? Z11 : Z22 - 1;
    else if (!sb && sc)
        zb1 = zb3 = Z12;
    else if (!sb && !sc)
        zb1 = zb3 = Z12 >= Z22 ? Z22 - 1 : Z12 - 1;
    ip[20] = zb1;
    ip[22] = zb3;
    ip[23] = Z12 - twice(bB.BGh) - 1;
    ip[24] = Z13 + twice(bB.BGh) + 1;
    ip[25] = Z22 - twice(bB.BGh) - 1;
    ip[26] = Z23 + twice(bB.BGh) + 1;
    ip[27] = zmin;
    put_stack(f, ip + 28);
    ip[34] = A.code;
    ip[35] = B.code;
    ip[36] = C.code;
    ip[37] = swapped ? 1 : 0;

    const Arm* arms[] = {&A, &B, &C};
    const bool bridged = A.code != 0 || B.code != 0 || C.code != 0;
    put_junction_reals(a, tee_dpar, arms, 3, die);
    // Fitted in the order B, C, A.
    const Arm* order[] = {&B, &C, &A};
    if (fit_arms(a, f, order, 3) != 0) return 1;

    GeometryCheck g(a);
    const CPW_LINETYP_TEXT &tA = A.line.text, &tB = B.line.text, &tC = C.line.text;
    const CPW_LINETYP &rA = A.line.rec, &rB = B.line.rec, &rC = C.line.rec;
    g.chain("L1", f.x_max(),
            {{"X11", ip[0], tA.S, rA.S, 0}, {"X12", ip[1], tA.S, rA.S, 1}, {"X13", ip[2], tA.W, rA.W, 0},
             {"X14", ip[3], tA.S, rA.S, 1}});
    g.centred({"X12", ip[1], tA.W, rA.W, 0}, {"X13", ip[2], tA.W, rA.W, 0}, f.M);
    g.chain("L2", f.z_max(),
            {{"Z11", ip[4], tB.S, rB.S, 0}, {"Z12", ip[5], tB.S, rB.S, 1}, {"Z13", ip[6], tB.W, rB.W, 0},
             {"Z14", ip[7], tB.S, rB.S, 1}});
    g.centred({"Z12", ip[5], tB.W, rB.W, 0}, {"Z13", ip[6], tB.W, rB.W, 0}, f.MZ);
    g.chain("L2", f.z_max(),
            {{"Z21", ip[8], tC.S, rC.S, 0}, {"Z22", ip[9], tC.S, rC.S, 1}, {"Z23", ip[10], tC.W, rC.W, 0},
             {"Z24", ip[11], tC.S, rC.S, 1}});
    g.centred({"Z22", ip[9], tC.W, rC.W, 0}, {"Z23", ip[10], tC.W, rC.W, 0}, f.MZ);
    if (bridged) {
        static const char* const kXB[] = {"XB1", "XB2", "XB3", "XB4", "XB5", "XB6", "XB7", "XB8"};
        static const char* const kZB[] = {"ZB1", "ZB2", "ZB3", "ZB4", "ZB5", "ZB6", "ZB7"};
        for (int s = 0; s < 8; ++s) g.chain("L1", f.x_max(), {{kXB[s], ip[12 + s], "BW", bB.rec.BW, 0}});
        for (int s = 0; s < 7; ++s) g.chain("L2", f.z_max(), {{kZB[s], ip[20 + s], "BW", bA.rec.BW, 0}});
    }
    if (g.status() != 0) return 1;
    junction_warnings(a, order, 3, die);
    return 0;
}

}  // namespace
}  // namespace mirtex::params

using namespace mirtex::params;

extern "C" {

// Parameters: 0 C_LTYP1, 1 C_LTYP2, 2 C_LTYP3, 3 C_BTYP1, 4 C_BTYP2,
// 5 C_BTYP3, 6 C_SUB, 7 C_GRID, 8 TEMP.  Outputs: resistivities of line 1's
// centre and ground metals, TAND2, the feed lengths of ports 1, 2 and 3.
MIRTEX_API int cpw_tee_get(UserInstDef* inst, WARN** warnings, double* rho, double* rho_gnd, double* tand, double* L1,
                           double* L2, double* L3) {
    Assembly a(inst, warnings, "C_TEE");
    if (a.begin() != 0) return 1;
    if (a.grid(7, true) != 0) return 1;
    Arm arms[3];
    static const int kLines[] = {0, 1, 2}, kBridges[] = {3, 4, 5};
    if (junction_items(a, arms, 3, kLines, kBridges) != 0) return 1;
    if (L1 != nullptr) *L1 = arms[0].bridge.L;
    if (L2 != nullptr) *L2 = arms[1].bridge.L;
    if (L3 != nullptr) *L3 = arms[2].bridge.L;
    CPW_AIRTYP die{};
    if (junction_frame(a, arms, 3, 6, tand, die) != 0) return 1;
    if (rho != nullptr) *rho = arms[0].line.rho;
    if (rho_gnd != nullptr) *rho_gnd = arms[0].line.rho_gnd;
    const bool swapped = arms[1].line.rec.W > arms[0].line.rec.W;
    const Arm& B = swapped ? arms[1] : arms[0];
    const Arm& C = swapped ? arms[0] : arms[1];
    if (Check_Tee(a, arms[2], B, C, swapped, die) != 0) return 1;
    if (a.feed(arms[2].line, feed3_ipar, feed3_dpar) != 0) return 1;
    if (a.feed(arms[0].line, feed1_ipar, feed1_dpar) != 0) return 1;
    return a.feed(arms[1].line, feed2_ipar, feed2_dpar);
}

}  // extern "C"
