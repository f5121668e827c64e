// Charges and surface currents of the conductors of a cross-section,
// from the potential on the metal rows of band 0.
#pragma once

#include "solver/kernel.h"

namespace mirtex::solver {

// A conductor's fine columns on the metal rows (inclusive; empty when
// last < first).
struct ConductorSpan {
    int first = 0, last = -1;
    bool empty() const { return last < first; }
};

struct ChargeSums {
    double charge = 0.0;         // driven conductor, normalised (C / eps0 at 1 V)
    double ground_charge = 0.0;  // induced on the ground conductors, as a positive number
    double qs = 0.0, ss = 0.0;   // driven conductor: sum of surface currents and of their squares
    double qg = 0.0, sg = 0.0;   // the same over the grounds
};

// Gauss's law with the box-integration faces of the kernel: the charge of
// a conductor is the sum over its nodes of face coefficient times the
// potential step to each neighbour.  The current sums use the plain
// potential steps across the conductor faces (no permittivities).
ChargeSums charge2d(const BandStack& st, d2 p0, ConductorSpan driven, const ConductorSpan* grounds, int n_grounds,
                    const Layers& eps);

}  // namespace mirtex::solver
