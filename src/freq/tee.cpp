// The T-junction: three arms meeting in one centre node with the junction
// capacitance to ground.  The ports are delivered in the order of the
// result vector: the branch (arm 3), then the through arms 1 and 2.
#include <algorithm>
#include <array>

#include "freq/circuits.h"
#include "freq/lumped.h"
#include "params/junction_layout.h"

using namespace mirtex::freq;

extern "C" {

// The branch current crosses the wider half of the through line; a
// through arm's current crosses the branch's slot to its centre.
MIRTEX_API void Freq_Tee(const int*, const double* res, double sigma, double f, double* R3, double* R1, double* R2,
                         COMPLEX* Y) {
    const double w = kTwoPi * f;
    const auto r = mirtex::params::read_layout<mirtex::params::TeeResults>(res);
    *R3 = arm_resistance(r.W3, r.T3, r.BG3 + r.BW3 + std::max(r.W1 / 2.0 + r.S1, r.W2 / 2.0 + r.S2), sigma, f);
    *R1 = arm_resistance(r.W1, r.T1, r.BG1 + r.BW1 + r.S3 + r.W3 / 2.0, sigma, f);
    *R2 = arm_resistance(r.W2, r.T2, r.BG2 + r.BW2 + r.S3 + r.W3 / 2.0, sigma, f);
    // In the record's order 3, 1, 2.
    const std::array<COMPLEX, 3> arms{Cmplx(*R3, w * r.L3), Cmplx(*R1, w * r.L1), Cmplx(*R2, w * r.L2)};
    star(arms, Cmplx(w * r.G_per_omega, w * r.Cp), Y);
}

}  // extern "C"
