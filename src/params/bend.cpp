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

void check_arm(GeometryCheck& g, const char* box, int hi, const Arm& arm, const char* const* names, const int* e,
               int axis) {
    const CPW_LINETYP& r = arm.line.rec;
    const CPW_LINETYP_TEXT& t = arm.line.text;
    g.chain(box, hi,
            {{names[0], e[0], t.S, r.S, 0},
             {names[1], e[1], t.S, r.S, 1},
             {names[2], e[2], t.W, r.W, 0},
             {names[3], e[3], t.S, r.S, 1}});
    g.centred({names[1], e[1], t.W, r.W, 0}, {names[2], e[2], t.W, r.W, 0}, axis);
}

int Check_Bend(Assembly& a, Arm* arms, const CPW_AIRTYP& die) {
    if (bend_ipar == nullptr || bend_dpar == nullptr) return vectors_missing(a);
    const Frame3 f = frame3(a);
    const Arm &A1 = arms[0], &A2 = arms[1];
    const BridgeItem &B1 = A1.bridge, &B2 = A2.bridge;
    const bool s1 = A1.line.rec.S != 0, s2 = A2.line.rec.S != 0;
    int* ip = bend_ipar;
    strip_edges(A1.u, A1.line.rec, f.M, f.x_max(), ip);
    strip_edges(A2.u, A2.line.rec, f.MZ, f.z_max(), ip + 4);
    const int X11 = ip[0], X12 = ip[1], X13 = ip[2], Z11 = ip[4], Z12 = ip[5], Z13 = ip[6];
    ip[8] = s1 ? X12 - twice(A1.u.Sh) - twice(B2.BWh) - twice(B1.BGh) - 1 : X12 - 1;
    ip[9] = X11 - twice(B2.BWh) + 1;
    ip[10] = s1 ? X11 + twice(B1.BGh) + 1 : X12 - 1;
    ip[11] = X12 - twice(B2.BGh) - 1;
    ip[12] = X13 + twice(B2.BGh) + 1;
    ip[13] = s2 ? Z12 - twice(A2.u.Sh) - twice(B1.BWh) - twice(B1.BGh) - 1 : Z12 - 1;
    ip[14] = Z11 - twice(B1.BWh) + 1;
    ip[15] = s2 ? Z11 + twice(B1.BGh) + 1 : Z12 - 1;
    ip[16] = Z12 - twice(B2.BGh) - 1;
    ip[17] = Z13 + twice(B2.BGh) + 1;
    put_stack(f, ip + 18);
    ip[24] = A1.code;
    ip[25] = A2.code;

    const bool bridged = any_bridge(arms, 2);
    const Arm* order[] = {&A1, &A2};
    put_junction_reals(a, bend_dpar, order, 2, die);
    if (fit_arms(a, f, order, 2) != 0) return 1;

    GeometryCheck g(a);
    static const char* const kX[] = {"X11", "X12", "X13", "X14"};
    static const char* const kZ[] = {"Z11", "Z12", "Z13", "Z14"};
    check_arm(g, "L1", f.x_max(), A1, kX, ip, f.M);
    check_arm(g, "L2", f.z_max(), A2, kZ, ip + 4, f.MZ);
    if (bridged) {
        static const char* const kXB[] = {"XB1", "XB2", "XB3", "XB4", "XB5"};
        static const char* const kZB[] = {"ZB1", "ZB2", "ZB3", "ZB4", "ZB5"};
        for (int s = 0; s < 5; ++s) {
            g.chain("L1", f.x_max(), {{kXB[s], ip[8 + s], B2.text.BW, B2.rec.BW, 0}});
            g.chain("L2", f.z_max(), {{kZB[s], ip[13 + s], B1.text.BW, B1.rec.BW, 0}});
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
