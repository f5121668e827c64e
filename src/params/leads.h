// What the components with leads share (the MIM capacitor, the capacitive
// line, the thin-film resistor and the resistive gap): a length L, the
// component's own line type, the two connecting line types whose leads of
// length Lf are part of L, a technology index (dielectric or resistor
// layer), the substrate and the grid, in this parameter order:
//   0 L, 1 C_LTYPC / C_LTYPR, 2 C_LTYP1, 3 C_LTYP2, 4 DIE_IDX / RES_IDX,
//   5 C_SUB, 6 C_GRID, 7 TEMP.
#pragma once

#include "params/assembly.h"

namespace mirtex::params {

struct LeadComponent {
    LineItem own, line1, line2;
    double L = 0.0;     // the element's length, leads included
    int index = 0;      // DIE_IDX or RES_IDX
    double tand = 0.0;  // TAND2 of the substrate
};

// Length, grid, the three line types and the technology index: 0 to go on.
int lead_component_items(Assembly& a, UserInstDef* inst, LeadComponent& c);

// Metals of the three lines, the substrate and the box, sized for the
// widest of them: 0 to go on.
int lead_component_frame(Assembly& a, LeadComponent& c);

// The two leads' feed-line vectors (line 1 into feed1, line 2 into feed2).
int lead_component_feeds(Assembly& a, LeadComponent& c);

}  // namespace mirtex::params
