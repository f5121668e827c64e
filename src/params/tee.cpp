// The T-junction CxTEE: the through line (lines 1 and 2) runs along the
// box's first dimension, its strip edges longitudinal slots Z around the
// reference plane; the branch (line 3) meets it from the low side of the
// second dimension, its edges lateral slots X around the axis.  The wider
// through line is always laid first (B), the narrower (C) centred on it, so
// that a tee and its mirror image share one solution; DREH records the swap.
#include <algorithm>

#include "binding/messages.h"
#include "params/extrapolation.h"
#include "params/item.h"
#include "params/junction.h"

namespace mirtex::params {
namespace {

int Check_Tee(Assembly& a, const Arm& A, const Arm& B, const Arm& C, bool swapped, const CPW_AIRTYP& die) {
    if (tee_ipar == nullptr || tee_dpar == nullptr) return vectors_missing(a);
    const Frame3 f = frame3(a);
    const bool sa = A.line.rec.S != 0, sb = B.line.rec.S != 0, sc = C.line.rec.S != 0;
    const BridgeItem &bA = A.bridge, &bB = B.bridge, &bC = C.bridge;
    TeeInts in;
    // Branch A across the first dimension; through lines B and C along it.
    const StripEdges ea = strip_edges(A.u, A.line.rec, f.M, f.x_max());
    const PairEdges through = pair_edges(B, C, f.MZ, f.z_max(), a.DL());
    const StripEdges &eb = through.wide, &ec = through.narrow;
    put_edges(ea, in.X11, in.X12, in.X13, in.X14);
    put_edges(eb, in.Z11, in.Z12, in.Z13, in.Z14);
    put_edges(ec, in.Z21, in.Z22, in.Z23, in.Z24);
    const int X11 = in.X11, X12 = in.X12, X13 = in.X13, X14 = in.X14;
    const int Z11 = in.Z11, Z12 = in.Z12, Z13 = in.Z13, Z21 = in.Z21, Z22 = in.Z22, Z23 = in.Z23;
    const int zmin = std::min(Z11, Z21);
    // Bridges: over B and C beside the branch, over A before the through line.
    in.XB1 = sa ? X11 - twice(bB.BWh) - twice(bA.BGh) : X12 - 1;
    in.XB2 = X11 - twice(bB.BWh) + 1;
    in.XB3 = sa ? X11 + twice(bA.BGh) + 1 : X12 - 1;
    in.XB4 = X12 - 1 - twice(bB.BGh);
    in.XB5 = X13 + twice(bB.BGh) + 1;
    in.XB6 = sa ? X14 - twice(bA.BGh) - 1 : X13;
    in.XB7 = X14 + twice(bC.BWh) - 1;
    in.XB8 = sa ? X14 + twice(bC.BWh) + twice(bA.BGh) : X13;
    in.ZB2 = zmin - twice(bA.BWh) + 1;
    int zb1 = in.ZB2 - twice(bA.BGh) - 1, zb3 = zmin + twice(bA.BGh) + 1;
    if (sb && !sc)
        zb1 = zb3 = Z22 > Z11 ? Z11 : Z22 - 1;
    else if (!sb && sc)
        zb1 = zb3 = Z12;
    else if (!sb && !sc)
        zb1 = zb3 = Z12 >= Z22 ? Z22 - 1 : Z12 - 1;
    in.ZB1 = zb1, in.ZB3 = zb3;
    in.ZB4 = Z12 - twice(bB.BGh) - 1;
    in.ZB5 = Z13 + twice(bB.BGh) + 1;
    in.ZB6 = Z22 - twice(bB.BGh) - 1;
    in.ZB7 = Z23 + twice(bB.BGh) + 1;
    in.ZFIN = zmin;
    put_stack(f, in);
    in.TYP1 = A.code, in.TYP2 = B.code, in.TYP3 = C.code;
    in.DREH = swapped ? 1 : 0;
    write_layout(in, tee_ipar);

    const Arm* arms[] = {&A, &B, &C};
    // A, B, C into the slots named 3, 1, 2.
    write_layout(junction_reals(a, arms, {MIRTEX_ARM(TeeReals, 3), MIRTEX_ARM(TeeReals, 1), MIRTEX_ARM(TeeReals, 2)},
                                die, 1011.0),
                 tee_dpar);
    // Fitted in the order B, C, A.
    const Arm* order[] = {&B, &C, &A};
    if (fit_arms(a, f, order, 3) != 0) return 1;

    GeometryCheck g(a);
    static const char* const kX[] = {"X11", "X12", "X13", "X14"};
    static const char* const kZ1[] = {"Z11", "Z12", "Z13", "Z14"};
    static const char* const kZ2[] = {"Z21", "Z22", "Z23", "Z24"};
    check_arm(g, "L1", f.x_max(), A, kX, ea, f.M);
    check_arm(g, "L2", f.z_max(), B, kZ1, eb, f.MZ);
    check_arm(g, "L2", f.z_max(), C, kZ2, ec, f.MZ);
    if (junction_bridged(arms, 3)) {
        static const char* const kXB[] = {"XB1", "XB2", "XB3", "XB4", "XB5", "XB6", "XB7", "XB8"};
        static const char* const kZB[] = {"ZB1", "ZB2", "ZB3", "ZB4", "ZB5", "ZB6", "ZB7"};
        const int xb[] = {in.XB1, in.XB2, in.XB3, in.XB4, in.XB5, in.XB6, in.XB7, in.XB8};
        const int zb[] = {in.ZB1, in.ZB2, in.ZB3, in.ZB4, in.ZB5, in.ZB6, in.ZB7};
        for (int s = 0; s < 8; ++s) g.chain("L1", f.x_max(), {{kXB[s], xb[s], "BW", bB.rec.BW, 0}});
        for (int s = 0; s < 7; ++s) g.chain("L2", f.z_max(), {{kZB[s], zb[s], "BW", bA.rec.BW, 0}});
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
