// The vectors of the air bridge, the bend, the tee and the cross.  Lateral
// slots X are half-step columns across the box, longitudinal slots Z
// half-step planes along it; XBk and ZBk are the edges of the bridges'
// feet and spans.  The results of an arm stand in the order of the record
// (bend 1, 2; tee 3, 1, 2; cross 1, 2, 4, 3), which is also the port order
// of the exported frequency functions' matrices.
#pragma once

#include "params/two_line_layout.h"

// One arm's snapped geometry [m]: centre strip W, slot S, the bridge's
// foot BG and span BW.
#define MIRTEX_ARM_GEOMETRY_SLOTS(X, n) \
    X(W##n, "\n  W" #n "[m]") X(S##n, "S" #n "[m]") X(BG##n, "BG" #n "[m]") X(BW##n, "BW" #n "[m]")

// The bridges' common dielectric: height [m], permittivity, loss tangent.
#define MIRTEX_BRIDGE_DIELECTRIC_SLOTS(X) X(die_h, "\n  die_h[m]") X(die_er, "die_er") X(die_td, "die_td")

// The junction's shunt branch: capacitance [F] and conductance over
// angular frequency [s/Ohm].
#define MIRTEX_SHUNT_SLOTS(X) X(Cp, "Cp[F]") X(G_per_omega, "G/omega[s/Ohm]")

// The air bridge.  Line: X0..XE as the gap's line b; bridge across
// XB1..XB4 (feet XB1..XB2 and XB3..XB4 beside the strip XB2..XB3), along
// ZB1..ZB4 (feet ZB1..ZB2 and ZB3..ZB4, span ZB2..ZB3); TYP the bridge code.
#define MIRTEX_AIR_INTS(X)                                                                                     \
    X(X0, "X0") X(XE, "XE") X(X11, "X11") X(X12, "X12") X(X13, "X13") X(X14, "X14")                            \
    X(XB1, "XB1") X(XB2, "XB2") X(XB3, "XB3") X(XB4, "XB4") X(ZB1, "\n  ZB1") X(ZB2, "ZB2") X(ZB3, "ZB3")      \
    X(ZB4, "ZB4") MIRTEX_STACK_SLOTS(X) X(TYP, "TYP")
// Line thickness, metal rows, the snapped W, BW, BG, the dielectric, the
// bridge thickness [m].
#define MIRTEX_AIR_REALS(X)                                                                                    \
    MIRTEX_MATERIAL_SLOTS(X) X(T_LINE, "T_LINE[m]") X(MET, "MET") MIRTEX_RELAXATION_SLOTS(X)                   \
    X(W, "W[m]") X(BW, "BW[m]") X(BG, "BG[m]") X(die_h, "die_h[m]") X(die_er, "\n  die_er") X(die_td, "die_td") \
    X(T_BRIDGE, "T_BRIDGE[m]") X(VER, "VER.")
// Each half's inductance [H], the shunt branch, the line, then copies of
// W, BW, BG, the line's (T) and the bridge's thickness (T2) [m].
#define MIRTEX_AIR_RESULTS(X)                                                                                  \
    X(L, "L[H]") MIRTEX_SHUNT_SLOTS(X) MIRTEX_PORT_LINE_SLOTS(X, )                                             \
    X(W, "\n  W[m]") X(BW, "BW[m]") X(BG, "BG[m]") X(T, "T[m]") X(T2, "T2[m]")
#define MIRTEX_AIR_TYPES(X) X(TYP_OUT, "TYP_OUT")

// The bend.  Arm 1's edges across (X11..X14), arm 2's along (Z11..Z14),
// the bridges' edges XB1..XB5 and ZB1..ZB5, the arms' bridge codes.
#define MIRTEX_BEND_INTS(X)                                                                                    \
    X(X11, "X11") X(X12, "X12") X(X13, "X13") X(X14, "X14") X(Z11, "Z11") X(Z12, "Z12") X(Z13, "Z13")          \
    X(Z14, "Z14") X(XB1, "\n  XB1") X(XB2, "XB2") X(XB3, "XB3") X(XB4, "XB4") X(XB5, "XB5") X(ZB1, "ZB1")      \
    X(ZB2, "ZB2") X(ZB3, "ZB3") X(ZB4, "ZB4") X(ZB5, "ZB5") MIRTEX_STACK_SLOTS(X) X(TYP1, "TYP1") X(TYP2, "TYP2")
#define MIRTEX_BEND_REALS(X)                                                                                   \
    MIRTEX_MATERIAL_SLOTS(X) X(MET, "MET") MIRTEX_RELAXATION_SLOTS(X) X(T1, "T1[m]") X(T2, "T2[m]")            \
    MIRTEX_ARM_GEOMETRY_SLOTS(X, 1) MIRTEX_ARM_GEOMETRY_SLOTS(X, 2) MIRTEX_BRIDGE_DIELECTRIC_SLOTS(X) X(VER, "VER.")
#define MIRTEX_BEND_RESULTS(X)                                                                                 \
    X(L1, "L1[H]") X(L2, "L2[H]") MIRTEX_SHUNT_SLOTS(X) MIRTEX_PORT_LINE_SLOTS(X, 1) MIRTEX_PORT_LINE_SLOTS(X, 2) \
    X(T1, "\n  T1[m]") X(T2, "T2[m]") MIRTEX_ARM_GEOMETRY_SLOTS(X, 1) MIRTEX_ARM_GEOMETRY_SLOTS(X, 2)
#define MIRTEX_BEND_TYPES(X) X(TYP1_OUT, "TYP1_OUT") X(TYP2_OUT, "TYP2_OUT")

// The tee.  The branch A (line 3) across (X11..X14), the wider through
// line B along (Z11..Z14), the narrower C (Z21..Z24), the bridges' edges,
// ZFIN the through line's low slot edge nearest the branch; TYP1..TYP3 the
// codes of A, B, C, DREH set when B is the user's line 2.
#define MIRTEX_TEE_INTS(X)                                                                                     \
    X(X11, "X11") X(X12, "X12") X(X13, "X13") X(X14, "X14") X(Z11, "Z11") X(Z12, "Z12") X(Z13, "Z13")          \
    X(Z14, "\n  Z14") X(Z21, "Z21") X(Z22, "Z22") X(Z23, "Z23") X(Z24, "Z24") X(XB1, "XB1") X(XB2, "XB2")      \
    X(XB3, "\n  XB3") X(XB4, "XB4") X(XB5, "XB5") X(XB6, "XB6") X(XB7, "XB7") X(XB8, "XB8") X(ZB1, "ZB1")      \
    X(ZB2, "\n  ZB2") X(ZB3, "ZB3") X(ZB4, "ZB4") X(ZB5, "ZB5") X(ZB6, "ZB6") X(ZB7, "ZB7") X(ZFIN, "ZFIN")    \
    MIRTEX_STACK_SLOTS(X) X(TYP1, "TYP1") X(TYP2, "TYP2") X(TYP3, "TYP3") X(DREH, "DREH")
// The arms' slots are named 3, 1, 2 and hold A, B, C: T1 and W1.. are the
// wider through line's.
#define MIRTEX_TEE_REALS(X)                                                                                    \
    MIRTEX_MATERIAL_SLOTS(X) X(MET, "MET") MIRTEX_RELAXATION_SLOTS(X) X(T3, "T3[m]") X(T1, "T1[m]") X(T2, "T2[m]") \
    MIRTEX_ARM_GEOMETRY_SLOTS(X, 3) MIRTEX_ARM_GEOMETRY_SLOTS(X, 1) MIRTEX_ARM_GEOMETRY_SLOTS(X, 2)             \
    MIRTEX_BRIDGE_DIELECTRIC_SLOTS(X) X(VER, "VER.")
// By the user's lines, in the record's order 3, 1, 2.
#define MIRTEX_TEE_RESULTS(X)                                                                                  \
    X(L3, "L3[H]") X(L1, "L1[H]") X(L2, "L2[H]") MIRTEX_SHUNT_SLOTS(X)                                         \
    MIRTEX_PORT_LINE_SLOTS(X, 3) MIRTEX_PORT_LINE_SLOTS(X, 1) MIRTEX_PORT_LINE_SLOTS(X, 2)                     \
    X(T3, "\n  T3[m]") X(T1, "T1[m]") X(T2, "T2[m]")                                                           \
    MIRTEX_ARM_GEOMETRY_SLOTS(X, 3) MIRTEX_ARM_GEOMETRY_SLOTS(X, 1) MIRTEX_ARM_GEOMETRY_SLOTS(X, 2)
#define MIRTEX_TEE_TYPES(X) X(TYP3_OUT, "TYP3_OUT") X(TYP1_OUT, "TYP1_OUT") X(TYP2_OUT, "TYP2_OUT")

// The cross.  A (wider of lines 1, 3) across at X11..X14, D opposite at
// X21..X24, B (wider of 2, 4) along at Z11..Z14, C opposite at Z21..Z24;
// bridges over B (XB1..XB4), C (XB5..XB8), A (ZB1..ZB4), D (ZB5..ZB8);
// XB9, XB10, ZB9, ZB10 the corners' ground edges and XFAN..XFIN,
// ZFAN..ZFIN the centre square; the codes by line, DR_BC and DR_AD set
// when line 4 (3) is the wider of its pair.
#define MIRTEX_CROSS_INTS(X)                                                                                   \
    X(X11, "X11") X(X12, "X12") X(X13, "X13") X(X14, "X14") X(X21, "X21") X(X22, "X22") X(X23, "X23")          \
    X(X24, "\n  X24") X(Z11, "Z11") X(Z12, "Z12") X(Z13, "Z13") X(Z14, "Z14") X(Z21, "Z21") X(Z22, "Z22")      \
    X(Z23, "\n  Z23") X(Z24, "Z24") X(XB1, "XB1") X(XB2, "XB2") X(XB3, "XB3") X(XB4, "XB4") X(XB5, "XB5")      \
    X(XB6, "\n  XB6") X(XB7, "XB7") X(XB8, "XB8") X(XB9, "XB9") X(XB10, "XB10") X(XFAN, "XFAN") X(XFIN, "XFIN") \
    X(ZB1, "\n  ZB1") X(ZB2, "ZB2") X(ZB3, "ZB3") X(ZB4, "ZB4") X(ZB5, "ZB5") X(ZB6, "ZB6") X(ZB7, "ZB7")      \
    X(ZB8, "\n  ZB8") X(ZB9, "ZB9") X(ZB10, "ZB10") X(ZFAN, "ZFAN") X(ZFIN, "ZFIN") MIRTEX_STACK_SLOTS(X)      \
    X(TYP1, "TYP1") X(TYP2, "TYP2") X(TYP3, "TYP3") X(TYP4, "TYP4") X(DR_BC, "\n  DR_BC") X(DR_AD, "DR_AD")
#define MIRTEX_CROSS_REALS(X)                                                                                  \
    MIRTEX_MATERIAL_SLOTS(X) X(MET, "MET") MIRTEX_RELAXATION_SLOTS(X)                                          \
    X(T1, "\n  T1[m]") X(T2, "T2[m]") X(T4, "T4[m]") X(T3, "T3[m]") MIRTEX_ARM_GEOMETRY_SLOTS(X, 1)            \
    MIRTEX_ARM_GEOMETRY_SLOTS(X, 2) MIRTEX_ARM_GEOMETRY_SLOTS(X, 4) MIRTEX_ARM_GEOMETRY_SLOTS(X, 3)             \
    MIRTEX_BRIDGE_DIELECTRIC_SLOTS(X) X(VER, "VER.")
// L5 links the centre of lines 1 and 3 with that of lines 2 and 4.
#define MIRTEX_CROSS_RESULTS(X)                                                                                \
    X(L1, "L1[H]") X(L2, "L2[H]") X(L4, "L4[H]") X(L3, "L3[H]") X(L5, "L5[H]") MIRTEX_SHUNT_SLOTS(X)           \
    MIRTEX_PORT_LINE_SLOTS(X, 1) MIRTEX_PORT_LINE_SLOTS(X, 2) MIRTEX_PORT_LINE_SLOTS(X, 4)                     \
    MIRTEX_PORT_LINE_SLOTS(X, 3) X(T1, "\n  T1[m]") X(T2, "T2[m]") X(T4, "T4[m]") X(T3, "T3[m]")               \
    MIRTEX_ARM_GEOMETRY_SLOTS(X, 1) MIRTEX_ARM_GEOMETRY_SLOTS(X, 2) MIRTEX_ARM_GEOMETRY_SLOTS(X, 4)             \
    MIRTEX_ARM_GEOMETRY_SLOTS(X, 3)
#define MIRTEX_CROSS_TYPES(X) \
    X(TYP1_OUT, "TYP1_OUT") X(TYP2_OUT, "TYP2_OUT") X(TYP3_OUT, "TYP3_OUT") X(TYP4_OUT, "TYP_4_OUT")

namespace mirtex::params {

MIRTEX_LAYOUT(AirInts, int, MIRTEX_AIR_INTS);
MIRTEX_LAYOUT(AirReals, double, MIRTEX_AIR_REALS);
MIRTEX_LAYOUT(AirResults, double, MIRTEX_AIR_RESULTS);
MIRTEX_LAYOUT(AirTypes, int, MIRTEX_AIR_TYPES);
MIRTEX_LAYOUT(BendInts, int, MIRTEX_BEND_INTS);
MIRTEX_LAYOUT(BendReals, double, MIRTEX_BEND_REALS);
MIRTEX_LAYOUT(BendResults, double, MIRTEX_BEND_RESULTS);
MIRTEX_LAYOUT(BendTypes, int, MIRTEX_BEND_TYPES);
MIRTEX_LAYOUT(TeeInts, int, MIRTEX_TEE_INTS);
MIRTEX_LAYOUT(TeeReals, double, MIRTEX_TEE_REALS);
MIRTEX_LAYOUT(TeeResults, double, MIRTEX_TEE_RESULTS);
MIRTEX_LAYOUT(TeeTypes, int, MIRTEX_TEE_TYPES);
MIRTEX_LAYOUT(CrossInts, int, MIRTEX_CROSS_INTS);
MIRTEX_LAYOUT(CrossReals, double, MIRTEX_CROSS_REALS);
MIRTEX_LAYOUT(CrossResults, double, MIRTEX_CROSS_RESULTS);
MIRTEX_LAYOUT(CrossTypes, int, MIRTEX_CROSS_TYPES);

// One arm's slots among a junction's real inputs or its results, and its
// result slots beyond those: its inductance and its undisturbed line.
template <class Layout>
struct ArmSlots {
    double Layout::*T, Layout::*W, Layout::*S, Layout::*BG, Layout::*BW;
};
template <class Results>
struct ArmLine {
    double Results::*L, Results::*C_per_m, Results::*L_per_m, Results::*ZL, Results::*ER_eff;
};
// Arm n's slots of a layout.
#define MIRTEX_ARM(Layout, n) \
    ::mirtex::params::ArmSlots<Layout>{&Layout::T##n, &Layout::W##n, &Layout::S##n, &Layout::BG##n, &Layout::BW##n}
#define MIRTEX_ARM_LINE(R, n) \
    ::mirtex::params::ArmLine<R>{&R::L##n, &R::C##n##_per_m, &R::L##n##_per_m, &R::ZL##n, &R::ER##n##_eff}

// The user's line at each port of the record and of Freq_Tee's and
// Freq_Cross's matrices.
inline constexpr int kTeeRecordLines[] = {3, 1, 2};
inline constexpr int kCrossRecordLines[] = {1, 2, 4, 3};

}  // namespace mirtex::params
