// The right-angle bend CxBEND: arm 1 runs along the box's second dimension
// (its strip edges are lateral slots X around the axis), arm 2 along the
// first (its edges are longitudinal slots Z around the reference plane);
// they meet in the corner.  Each arm may carry a bridge near the corner.
#include <vector>

#include "binding/messages.h"
#include "params/extrapolation.h"
#include "params/item.h"
#include "params/junction.h"

namespace mirtex::params {
namespace {

int Check_Bend(Assembly& a, Arm* arms, const CPW_AIRTYP& die) {
    if (bend_ipar == nullptr || bend_dpar == nullptr) return vectors_missing(a);
    const Frame3 f = frame3(a);
    const Arm &A1 = arms[0], &A2 = arms[1];
    const BridgeItem &B1 = A1.bridge, &B2 = A2.bridge;
    const bool s1 = A1.line.rec.S != 0, s2 = A2.line.rec.S != 0;
    BendInts in;
    const StripEdges e1 = strip_edges(A1.u, A1.line.rec, f.M, f.x_max());
    const StripEdges e2 = strip_edges(A2.u, A2.line.rec, f.MZ, f.z_max());
    put_edges(e1, in.X11, in.X12, in.X13, in.X14);
    put_edges(e2, in.Z11, in.Z12, in.Z13, in.Z14);
    in.XB1 = s1 ? in.X12 - twice(A1.u.Sh) - twice(B2.BWh) - twice(B1.BGh) - 1 : in.X12 - 1;
    in.XB2 = in.X11 - twice(B2.BWh) + 1;
    in.XB3 = s1 ? in.X11 + twice(B1.BGh) + 1 : in.X12 - 1;
    in.XB4 = in.X12 - twice(B2.BGh) - 1;
    in.XB5 = in.X13 + twice(B2.BGh) + 1;
    in.ZB1 = s2 ? in.Z12 - twice(A2.u.Sh) - twice(B1.BWh) - twice(B1.BGh) - 1 : in.Z12 - 1;
    in.ZB2 = in.Z11 - twice(B1.BWh) + 1;
    in.ZB3 = s2 ? in.Z11 + twice(B1.BGh) + 1 : in.Z12 - 1;
    in.ZB4 = in.Z12 - twice(B2.BGh) - 1;
    in.ZB5 = in.Z13 + twice(B2.BGh) + 1;
    put_stack(f, in);
    in.TYP1 = A1.code, in.TYP2 = A2.code;
    write_layout(in, bend_ipar);

    const Arm* order[] = {&A1, &A2};
    write_layout(junction_reals(a, order, {MIRTEX_ARM(BendReals, 1), MIRTEX_ARM(BendReals, 2)}, die), bend_dpar);
    if (fit_arms(a, f, order, 2) != 0) return 1;

    GeometryCheck g(a);
    static const char* const kX[] = {"X11", "X12", "X13", "X14"};
    static const char* const kZ[] = {"Z11", "Z12", "Z13", "Z14"};
    check_arm(g, "L1", f.x_max(), A1, kX, e1, f.M);
    check_arm(g, "L2", f.z_max(), A2, kZ, e2, f.MZ);
    if (junction_bridged(order, 2)) {
        static const char* const kXB[] = {"XB1", "XB2", "XB3", "XB4", "XB5"};
        static const char* const kZB[] = {"ZB1", "ZB2", "ZB3", "ZB4", "ZB5"};
        const int xb[] = {in.XB1, in.XB2, in.XB3, in.XB4, in.XB5}, zb[] = {in.ZB1, in.ZB2, in.ZB3, in.ZB4, in.ZB5};
        for (int s = 0; s < 5; ++s) {
            g.chain("L1", f.x_max(), {{kXB[s], xb[s], B2.text.BW, B2.rec.BW, 0}});
            g.chain("L2", f.z_max(), {{kZB[s], zb[s], B1.text.BW, B1.rec.BW, 0}});
        }
    }
    if (g.status() != 0) return 1;
    junction_warnings(a, order, 2, die);
    return 0;
}

}  // namespace
}  // namespace mirtex::params

using namespace mirtex::params;

extern "C" {

// Parameters: 0 C_LTYP1, 1 C_LTYP2, 2 C_BTYP1, 3 C_BTYP2, 4 C_SUB, 5 C_GRID,
// 6 TEMP.  Outputs: resistivities of line 1's centre and ground metals,
// TAND2, the feed lengths of ports 1 and 2.
MIRTEX_API int cpw_bend_get(UserInstDef* inst, WARN** warnings, double* rho, double* rho_gnd, double* tand, double* L1,
                            double* L2) {
    Assembly a(inst, warnings, "C_BEND");
    if (a.begin() != 0) return 1;
    if (a.grid(5, true) != 0) return 1;
    Arm arms[2];
    static const int kLines[] = {0, 1}, kBridges[] = {2, 3};
    if (junction_items(a, arms, 2, kLines, kBridges) != 0) return 1;
    if (L1 != nullptr) *L1 = arms[0].bridge.L;
    if (L2 != nullptr) *L2 = arms[1].bridge.L;
    CPW_AIRTYP die{};
    if (junction_frame(a, arms, 2, 4, tand, die) != 0) return 1;
    if (rho != nullptr) *rho = arms[0].line.rho;
    if (rho_gnd != nullptr) *rho_gnd = arms[0].line.rho_gnd;
    if (Check_Bend(a, arms, die) != 0) return 1;
    if (a.feed(arms[0].line, feed1_ipar, feed1_dpar) != 0) return 1;
    return a.feed(arms[1].line, feed2_ipar, feed2_dpar);
}

}  // extern "C"
