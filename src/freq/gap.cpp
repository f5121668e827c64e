// The series gap: a pi network of the two end capacitances Cp1, Cp2 to
// ground and the coupling capacitance Cs across the gap.
#include "freq/circuits.h"
#include "freq/lumped.h"
#include "params/two_line_layout.h"

using namespace mirtex::freq;

extern "C" {

// The fixed conductance sits across the gap, so that the network stays a
// (weak) connection at 0 Hz.
MIRTEX_API void Freq_Gap(const double* res, double f, COMPLEX* Y) {
    const double w = kTwoPi * f;
    using mirtex::params::GapResults;
    const double Cp1 = MIRTEX_AT(res, GapResults, Cp1), Cp2 = MIRTEX_AT(res, GapResults, Cp2),
                 Cs = MIRTEX_AT(res, GapResults, Cs);
    Y[0] = Cmplx(kFixedLoss, w * (Cp1 + Cs));
    Y[1] = Y[2] = Cmplx(-kFixedLoss, -(w * Cs));
    Y[3] = Cmplx(kFixedLoss, w * (Cp2 + Cs));
}

}  // extern "C"
