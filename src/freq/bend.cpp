// The bend: two arms, each with its own inductance and resistance, meeting
// in the corner, where the corner capacitance goes to ground.
#include <array>

#include "freq/circuits.h"
#include "freq/lumped.h"

using namespace mirtex::freq;

extern "C" {

// Slots: 0 L1, 1 L2, 2 Cp, 3 G/omega; 12 T1, 13 T2, 14 W1, 15 S1, 16 BG1,
// 17 BW1, 18 W2, 19 S2, 20 BG2, 21 BW2.  An arm's current crosses its
// bridge and the other arm's slot to the centre of the other strip.
MIRTEX_API void Freq_Bend(const int*, const double* res, double sigma, double f, double* R1, double* R2, COMPLEX* Y) {
    const double w = kTwoPi * f;
    const double T1 = res[12], T2 = res[13], W1 = res[14], S1 = res[15], BG1 = res[16], BW1 = res[17];
    const double W2 = res[18], S2 = res[19], BG2 = res[20], BW2 = res[21];
    *R1 = arm_resistance(W1, T1, BG1 + BW1 + S2 + W2 / 2.0, sigma, f);
    *R2 = arm_resistance(W2, T2, BG2 + BW2 + S1 + W1 / 2.0, sigma, f);
    const std::array<COMPLEX, 2> arms{Cmplx(*R1, w * res[0]), Cmplx(*R2, w * res[1])};
    star(arms, Cmplx(w * res[3], w * res[2]), Y);
}

}  // extern "C"
