// The resistive-film components (thin-film resistor, resistive gap): the
// resistor layer they use and the line vectors of the film line.
#pragma once

#include "params/leads.h"
#include "params/line_layout.h"

namespace mirtex::params {

struct ResistorLayer {
    double length = 0.0;  // res_l: each lead's length
    double sheet = 0.0;   // res_rs [Ohm/square]
};

// Items, rules (RES_IDX, L > 2 res_l), frame, the film line's layouts and
// the two leads' feed vectors.  0 to go on.
int resistor_line(Assembly& a, UserInstDef* inst, const char* label, LeadComponent& c, ResistorLayer& r, LineInts& in,
                  LineReals& re);

}  // namespace mirtex::params
