// The crossing CxCROSS: two lines crossing in one junction.  Lines 1 and 3
// form one straight line along the box's second dimension (their strip
// edges are lateral slots X around the axis), lines 2 and 4 the other,
// along the first dimension (edges Z around the reference plane).  Of each
// pair the wider is laid first: A (wider of 1, 3) on the low-Z side with D
// opposite, B (wider of 2, 4) on the low-X side with C opposite; DR_AD and
// DR_BC record a swap.  The narrower of a pair is centred on the wider one's
// axis to the nearest half step.
//
// The metal pattern the slots describe:
//   strips   A: columns X12..X13 from the low-Z wall up to ZFIN,
//            D: columns X22..X23 from ZFAN up to the high-Z wall,
//            B: rows Z12..Z13 from the low-X wall across to XFIN,
//            C: rows Z22..Z23 from XFAN across to the high-X wall;
//   grounds  the four corners outside the slots: (X <= X11, Z <= Z11),
//            (X >= X14, Z <= Z21), (X <= X21, Z >= Z14), (X >= X24,
//            Z >= Z24), each reaching the walls;
//   bridges  over B at columns XB1..XB4 (foot, span XB2..XB3, foot) ending
//            at the corner column XB9 = min(X11, X21), over C at XB5..XB8
//            from XB10 = max(X14, X24); over A at rows ZB1..ZB4 ending at
//            ZB9 = min(Z11, Z21), over D at ZB5..ZB8 from ZB10 = max(Z14,
//            Z24); each spans its arm's slots and strip across (the arm's
//            slot edges).
#include <algorithm>
#include <array>

#include "binding/messages.h"
#include "params/extrapolation.h"
#include "params/item.h"
#include "params/junction.h"

namespace mirtex::params {
namespace {

// Bridge over an arm whose junction side ends at corner: feet of BG, a span
// of BW, placed towards lower indexes (low side) or higher ones.
std::array<int, 4> bridge_slots(const BridgeItem& b, int corner, bool low_side) {
    const int g = twice(b.BGh), w = twice(b.BWh);
    std::array<int, 4> s;
    if (low_side) {
        s[3] = corner;
        s[2] = corner - g;
        s[1] = s[2] - w + 1;
        s[0] = s[1] - g;
    } else {
        s[0] = corner;
        s[1] = corner + g;
        s[2] = s[1] + w - 1;
        s[3] = s[2] + g;
    }
    return s;
}

void check_bridge_slots(GeometryCheck& g, const char* box, int hi, const Arm& arm, const char* const* n,
                        const std::array<int, 4>& s) {
    if (arm.code == 0) return;
    const BridgeItem& b = arm.bridge;
    g.chain(box, hi,
            {{n[0], s[0], b.text.BG, b.rec.BG, 0},
             {n[1], s[1], b.text.BG, b.rec.BG, 0},
             {n[2], s[2], b.text.BW, b.rec.BW, 0},
             {n[3], s[3], b.text.BG, b.rec.BG, 0}});
}

int Check_Cross(Assembly& a, const Arm* arms, bool swap_ad, bool swap_bc, const CPW_AIRTYP& die) {
    if (cross_ipar == nullptr || cross_dpar == nullptr) return vectors_missing(a);
    const double DL = a.DL();
    const Frame3 f = frame3(a);
    const Arm& A = swap_ad ? arms[2] : arms[0];
    const Arm& D = swap_ad ? arms[0] : arms[2];
    const Arm& B = swap_bc ? arms[3] : arms[1];
    const Arm& C = swap_bc ? arms[1] : arms[3];
    CrossInts in;
    const PairEdges ad = pair_edges(A, D, f.M, f.x_max(), DL), bc = pair_edges(B, C, f.MZ, f.z_max(), DL);
    put_edges(ad.wide, in.X11, in.X12, in.X13, in.X14);
    put_edges(ad.narrow, in.X21, in.X22, in.X23, in.X24);
    put_edges(bc.wide, in.Z11, in.Z12, in.Z13, in.Z14);
    put_edges(bc.narrow, in.Z21, in.Z22, in.Z23, in.Z24);
    in.XB9 = std::min(in.X11, in.X21);
    in.XB10 = std::max(in.X14, in.X24);
    in.XFAN = std::min(in.X12, in.X22);
    in.XFIN = std::max(in.X13, in.X23);
    const std::array<int, 4> xb = bridge_slots(B.bridge, in.XB9, true), xc = bridge_slots(C.bridge, in.XB10, false);
    in.XB1 = xb[0], in.XB2 = xb[1], in.XB3 = xb[2], in.XB4 = xb[3];
    in.XB5 = xc[0], in.XB6 = xc[1], in.XB7 = xc[2], in.XB8 = xc[3];
    in.ZB9 = std::min(in.Z11, in.Z21);
    in.ZB10 = std::max(in.Z14, in.Z24);
    in.ZFAN = std::min(in.Z12, in.Z22);
    in.ZFIN = std::max(in.Z13, in.Z23);
    const std::array<int, 4> za = bridge_slots(A.bridge, in.ZB9, true), zd = bridge_slots(D.bridge, in.ZB10, false);
    in.ZB1 = za[0], in.ZB2 = za[1], in.ZB3 = za[2], in.ZB4 = za[3];
    in.ZB5 = zd[0], in.ZB6 = zd[1], in.ZB7 = zd[2], in.ZB8 = zd[3];
    put_stack(f, in);
    in.TYP1 = arms[0].code, in.TYP2 = arms[1].code, in.TYP3 = arms[2].code, in.TYP4 = arms[3].code;
    in.DR_BC = swap_bc ? 1 : 0;
    in.DR_AD = swap_ad ? 1 : 0;
    write_layout(in, cross_ipar);

    // Real values by line, in the order of the result vector: 1, 2, 4, 3.
    const Arm* order[] = {&arms[0], &arms[1], &arms[3], &arms[2]};
    const ArmSlots<CrossReals> slots[] = {MIRTEX_ARM(CrossReals, 1), MIRTEX_ARM(CrossReals, 2),
                                          MIRTEX_ARM(CrossReals, 4), MIRTEX_ARM(CrossReals, 3)};
    write_layout(junction_reals(a, order, slots, die, 1011.0), cross_dpar);
    if (fit_arms(a, f, order, 4) != 0) return 1;

    GeometryCheck g(a);
    static const char* const kX[] = {"X11", "X12", "X13", "X14", "X21", "X22", "X23", "X24"};
    static const char* const kZ[] = {"Z11", "Z12", "Z13", "Z14", "Z21", "Z22", "Z23", "Z24"};
    static const char* const kXB[] = {"XB1", "XB2", "XB3", "XB4", "XB5", "XB6", "XB7", "XB8"};
    static const char* const kZB[] = {"ZB1", "ZB2", "ZB3", "ZB4", "ZB5", "ZB6", "ZB7", "ZB8"};
    check_arm(g, "L1", f.x_max(), A, kX, ad.wide, f.M);
    check_arm(g, "L1", f.x_max(), D, kX + 4, ad.narrow, f.M);
    check_arm(g, "L2", f.z_max(), B, kZ, bc.wide, f.MZ);
    check_arm(g, "L2", f.z_max(), C, kZ + 4, bc.narrow, f.MZ);
    check_bridge_slots(g, "L1", f.x_max(), B, kXB, xb);
    check_bridge_slots(g, "L1", f.x_max(), C, kXB + 4, xc);
    check_bridge_slots(g, "L2", f.z_max(), A, kZB, za);
    check_bridge_slots(g, "L2", f.z_max(), D, kZB + 4, zd);
    if (g.status() != 0) return 1;
    junction_warnings(a, order, 4, die);
    return 0;
}

}  // namespace
}  // namespace mirtex::params

using namespace mirtex::params;

extern "C" {

// Parameters: 0..3 C_LTYP1..C_LTYP4, 4..7 C_BTYP1..C_BTYP4, 8 C_SUB,
// 9 C_GRID, 10 TEMP.  Outputs: resistivities of line 1's centre and ground
// metals, TAND2, the feed lengths of ports 1 to 4.
MIRTEX_API int cpw_cross_get(UserInstDef* inst, WARN** warnings, double* rho, double* rho_gnd, double* tand,
                             double* L1, double* L2, double* L3, double* L4) {
    Assembly a(inst, warnings, "C_CROSS");
    if (a.begin() != 0) return 1;
    if (a.grid(9, true) != 0) return 1;
    Arm arms[4];
    static const int kLines[] = {0, 1, 2, 3}, kBridges[] = {4, 5, 6, 7};
    if (junction_items(a, arms, 4, kLines, kBridges) != 0) return 1;
    double* lengths[] = {L1, L2, L3, L4};
    for (int k = 0; k < 4; ++k)
        if (lengths[k] != nullptr) *lengths[k] = arms[k].bridge.L;
    CPW_AIRTYP die{};
    if (junction_frame(a, arms, 4, 8, tand, die) != 0) return 1;
    if (rho != nullptr) *rho = arms[0].line.rho;
    if (rho_gnd != nullptr) *rho_gnd = arms[0].line.rho_gnd;
    const bool swap_ad = arms[2].line.rec.W > arms[0].line.rec.W;
    const bool swap_bc = arms[3].line.rec.W > arms[1].line.rec.W;
    if (Check_Cross(a, arms, swap_ad, swap_bc, die) != 0) return 1;
    int* ipar[] = {feed1_ipar, feed2_ipar, feed3_ipar, feed4_ipar};
    double* dpar[] = {feed1_dpar, feed2_dpar, feed3_dpar, feed4_dpar};
    for (int k = 0; k < 4; ++k)
        if (a.feed(arms[k].line, ipar[k], dpar[k]) != 0) return 1;
    return 0;
}

}  // extern "C"
