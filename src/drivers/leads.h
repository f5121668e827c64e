// The components with leads (MIM capacitor, capacitive line, thin-film
// resistor, resistive gap): the element's own two-port between its two
// leads, feed lines of length Lf that are part of its length L.
#pragma once

#include "debug/reports.h"
#include "drivers/drivers.h"
#include "drivers/network.h"
#include "freq/freq.h"
#include "solver/solver.h"

namespace mirtex::drivers {

struct LeadInputs {
    FeedPlan feeds;
    double L = 0.0, Lf = 0.0;
    double tand = 0.0, x = 0.0;      // substrate loss tangent, a second one
    double sigma = 0.0;              // the component's own metal
    double sigma_b = 0.0, sigma_t = 0.0;  // MIM plates: bottom, top
    bool flip = false;               // MIM: line 1 meets the top plate
    double inner() const { return L - 2.0 * Lf; }
};

// Both leads of length Lf, with the substrate's loss tangent and their own
// metals.
inline void set_leads(LeadInputs& in, double rho1, double rho2) {
    in.feeds.tand = in.tand;
    in.feeds.length[0] = in.feeds.length[1] = in.Lf;
    in.feeds.sigma[0] = conductivity(rho1);
    in.feeds.sigma[1] = conductivity(rho2);
}

}  // namespace mirtex::drivers
