// The MIM-dielectric components (MIM capacitor, capacitive line): the
// capacitor dielectric they use.
#pragma once

#include "params/leads.h"

namespace mirtex::params {

struct CapacitorLayer {
    double offset = 0.0;  // cap_os: how far the bottom plate reaches beyond the top one at each edge
    double length = 0.0;  // cap_l: each lead's length
    double h = 0.0, er = 0.0, td = 0.0;  // the dielectric: thickness, permittivity, loss tangent
};

// Items, the DIE_IDX and L > 2 cap_l rules and the dielectric's values.
// 0 to go on.
int capacitor_items(Assembly& a, UserInstDef* inst, const char* label, LeadComponent& c, CapacitorLayer& d);

}  // namespace mirtex::params
