// The air bridge: the strip lifted over the slots and the grounds, two
// halves of the bridge inductance in series with the capacitance of the
// bridge to the grounds at its middle.
#include <array>

#include "freq/circuits.h"
#include "freq/lumped.h"
#include "params/junction_layout.h"

using namespace mirtex::freq;

extern "C" {

// The current runs up the bridge, across it and down again: BW + 2 BG.
MIRTEX_API void Freq_Air(const int*, const double* res, double sigma, double f, double* R, COMPLEX* Y) {
    const double w = kTwoPi * f;
    const auto r = mirtex::params::read_layout<mirtex::params::AirResults>(res);
    *R = arm_resistance(r.W, r.T, r.BW + 2.0 * r.BG, sigma, f);
    const COMPLEX half = Cmplx(*R / 2.0, w * r.L);
    const std::array<COMPLEX, 2> arms{half, half};
    star(arms, Cmplx(w * r.G_per_omega, w * r.Cp), Y);
}

}  // extern "C"
