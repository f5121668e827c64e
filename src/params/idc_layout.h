// The vectors of the interdigital capacitor.  The integer vector runs on
// past its named head with each finger's first and last column (2 NF
// values); the drawing in params/idc.cpp shows the slots.
#pragma once

#include "params/stack_layout.h"

// Columns across the box (half steps): X0, XE the first and last finger
// column; Xk1..Xk4 line k's slot edge, strip, strip, slot edge; XG1, XG2
// the last ground column beside the opening.  Planes along the box: Z1, Z2
// bar 1, Z3, Z4 bar 2, Z11, Z12 the comb-1 fingers, Z13, Z14 the comb-2
// fingers.  The stack in grid steps (no H3: the frame does not need it);
// ART 1 when the combs lie on the lines' metal level, else 2; NF fingers.
#define MIRTEX_IDC_INTS(X)                                                                                  \
    X(X0, "X0") X(XE, "XE") X(X11, "X11") X(X12, "X12") X(X13, "X13") X(X14, "X14") X(X21, "X21")          \
        X(X22, "X22") X(X23, "X23") X(X24, "X24") X(XG1, "XG1") X(XG2, "XG2") X(Z1, "\n  Z1") X(Z2, "Z2")   \
            X(Z3, "Z3") X(Z4, "Z4") X(Z11, "Z11") X(Z12, "Z12") X(Z13, "Z13") X(Z14, "Z14")                  \
                X(H2, "\n  H2/DL") X(H1, "H1/DL") X(L1, "L1/DL") X(L2, "L2/DL") X(N5, "N5") X(ART, "ART")    \
                    X(NF, "NF")

// Materials; the finger width WFF [m] and length LF [m] as fitted, LF in
// grid steps, the combs' metal T [m] and rows MET, the relaxation, the
// record version.
#define MIRTEX_IDC_REALS(X)                                                                                 \
    MIRTEX_MATERIAL_SLOTS(X) X(WFF, "\n  WFF[m]") X(LF, "LF[m]") X(LF_DL, "LF/DL") X(T, "T[m]") X(MET, "MET") \
        MIRTEX_RELAXATION_SLOTS(X) X(VER, "VER.")

// Each comb's capacitance to ground Cp1, Cp2 [F] and the coupling Cs [F];
// the combs' inductances L1, L2 [H] and their mutual inductance M [H]; the
// lead inductance Ls [H]; the finger resistances Rf1, Rf2 at 1 GHz for the
// reference metal [ohm] and Rg1, Rg2 (over the conductivity, the DC
// values); the metal T [m]; the port lines' C' [F/m], L' [H/m], ZL [ohm]
// and effective permittivity.
#define MIRTEX_IDC_RESULTS(X)                                                                               \
    X(Cp1, "Cp1[F]") X(Cp2, "Cp2[F]") X(Cs, "Cs[F]") X(L1, "\n  L1[H]") X(L2, "L2[H]") X(M, "M[H]")         \
        X(Ls, "Ls[H]") X(Rf1, "\n  Rf1[Ohm]") X(Rf2, "Rf2[Ohm]") X(Rg1, "Rg1[Ohm]") X(Rg2, "Rg2[Ohm]")     \
            X(T, "\n  T[m]") X(C_per_m, "\n  C'[F/m]") X(L_per_m, "L'[H/m]") X(ZL, "ZL[Ohm]") X(ER_eff, "Ereff")

namespace mirtex::params {

MIRTEX_LAYOUT(IdcInts, int, MIRTEX_IDC_INTS);
MIRTEX_LAYOUT(IdcReals, double, MIRTEX_IDC_REALS);
MIRTEX_LAYOUT(IdcResults, double, MIRTEX_IDC_RESULTS);

}  // namespace mirtex::params
