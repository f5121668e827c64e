// Slots every three-dimensional element carries: the layered box in grid
// steps and its materials.
#pragma once

#include "params/layout.h"

// The box across (L1) and along (L2) the element and the layer heights from
// the top down, each in grid steps DL; N5 is the metal rows' extra band.
// The report starts them on a line of their own.
#define MIRTEX_STACK_SLOTS(X)                                                                          \
    X(H3, "\n  H3/DL") X(H2, "H2/DL") X(H1, "H1/DL") X(L1, "L1/DL") X(L2, "L2/DL") X(N5, "N5")

// The relative permittivities above the substrate (ER3), of the substrate
// (ER2) and below it (ER1), and the grid step in metres.
#define MIRTEX_MATERIAL_SLOTS(X) X(ER3, "ER3") X(ER2, "ER2") X(ER1, "ER1") X(DL, "DL[m]")

// The relaxation's over-relaxation factor and stop bound.
#define MIRTEX_RELAXATION_SLOTS(X) X(ALPHA, "\n  ALPHA") X(BOUND, "BOUND")
