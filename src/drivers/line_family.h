// What the line, the feed line and the via share: the builder's outputs and
// the evaluation of the solved cross-section in line_dpar_out as a lossy
// line section.
#pragma once

#include "debug/reports.h"
#include "drivers/driver.h"
#include "freq/freq.h"

namespace mirtex::drivers {

struct LineInputs {
    double rho = 0.0;   // centre metal, relative to gold
    double tand = 0.0;  // loss tangent of the substrate layer that carries the metal
    double L = 0.0;     // section length
};

template <const char* DebugLabel>
bool evaluate_line(UserInstDef* inst, const LineInputs& in, double f, COMPLEX* Y) {
    double R = 0.0, G = 0.0;
    // A section too short to be a line leaves ZL and gamma unwritten; the
    // debug row then shows zeros rather than whatever the stack held.
    COMPLEX ZL{0.0, 0.0}, gamma{0.0, 0.0};
    Freq_Line(line_dpar_out, in.tand, in.L, conductivity(in.rho), f, &R, &G, &ZL, &gamma, Y);
    debug_line(DebugLabel, inst->name, f, R, G, ZL, gamma);
    return true;
}

}  // namespace mirtex::drivers
