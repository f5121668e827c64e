// The air bridge: the strip lifted over the slots and the grounds, two
// halves of the bridge inductance in series with the capacitance of the
// bridge to the grounds at its middle.
#include <array>

#include "freq/circuits.h"
#include "freq/lumped.h"

using namespace mirtex::freq;

extern "C" {

// Slots: 0 L (each half), 1 Cp, 2 G/omega; 7 W, 8 BW, 9 BG, 10 T.  The
// current runs up the bridge, across it and down again: BW + 2 BG.
MIRTEX_API void Freq_Air(const int*, const double* res, double sigma, double f, double* R, COMPLEX* Y) {
    const double w = kTwoPi * f;
    *R = arm_resistance(res[7], res[10], res[8] + 2.0 * res[9], sigma, f);
    const COMPLEX half = Cmplx(*R / 2.0, w * res[0]);
    const std::array<COMPLEX, 2> arms{half, half};
    star(arms, Cmplx(w * res[2], w * res[1]), Y);
}

}  // extern "C"
