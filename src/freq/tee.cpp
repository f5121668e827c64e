// The T-junction: three arms meeting in one centre node with the junction
// capacitance to ground.  The ports are delivered in the order of the
// result vector: the branch (arm 3), then the through arms 1 and 2.
#include <algorithm>
#include <array>

#include "freq/circuits.h"
#include "freq/lumped.h"

using namespace mirtex::freq;

extern "C" {

// Slots: 0 L3, 1 L1, 2 L2, 3 Cp, 4 G/omega; 17 T3, 18 T1, 19 T2; W, S, BG,
// BW of arm 3 from 20, of arm 1 from 24, of arm 2 from 28.  The branch
// current crosses the wider half of the through line; a through arm's
// current crosses the branch's slot to its centre.
MIRTEX_API void Freq_Tee(const int*, const double* res, double sigma, double f, double* R3, double* R1,
                         double* R2, COMPLEX* Y) {
    const double w = kTwoPi * f;
    const double T3 = res[17], T1 = res[18], T2 = res[19];
    const double W3 = res[20], S3 = res[21], BG3 = res[22], BW3 = res[23];
    const double W1 = res[24], S1 = res[25], BG1 = res[26], BW1 = res[27];
    const double W2 = res[28], S2 = res[29], BG2 = res[30], BW2 = res[31];
    *R3 = arm_resistance(W3, T3, BG3 + BW3 + std::max(W1 / 2.0 + S1, W2 / 2.0 + S2), sigma, f);
    *R1 = arm_resistance(W1, T1, BG1 + BW1 + S3 + W3 / 2.0, sigma, f);
    *R2 = arm_resistance(W2, T2, BG2 + BW2 + S3 + W3 / 2.0, sigma, f);
    const std::array<COMPLEX, 3> arms{Cmplx(*R3, w * res[0]), Cmplx(*R1, w * res[1]), Cmplx(*R2, w * res[2])};
    star(arms, Cmplx(w * res[4], w * res[3]), Y);
}

}  // extern "C"
