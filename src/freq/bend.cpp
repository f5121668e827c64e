// The bend: two arms, each with its own inductance and resistance, meeting
// in the corner, where the corner capacitance goes to ground.
#include <array>

#include "freq/circuits.h"
#include "freq/lumped.h"
#include "params/junction_layout.h"

using namespace mirtex::freq;

extern "C" {

// An arm's current crosses its bridge and the other arm's slot to the
// centre of the other strip.
MIRTEX_API void Freq_Bend(const int*, const double* res, double sigma, double f, double* R1, double* R2, COMPLEX* Y) {
    const double w = kTwoPi * f;
    const auto r = mirtex::params::read_layout<mirtex::params::BendResults>(res);
    *R1 = arm_resistance(r.W1, r.T1, r.BG1 + r.BW1 + r.S2 + r.W2 / 2.0, sigma, f);
    *R2 = arm_resistance(r.W2, r.T2, r.BG2 + r.BW2 + r.S1 + r.W1 / 2.0, sigma, f);
    const std::array<COMPLEX, 2> arms{Cmplx(*R1, w * r.L1), Cmplx(*R2, w * r.L2)};
    star(arms, Cmplx(w * r.G_per_omega, w * r.Cp), Y);
}

}  // extern "C"
