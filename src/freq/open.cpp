// The open end: the fringing field beyond the end of the strip stores
// charge, a capacitance C_end to ground.
#include "freq/circuits.h"
#include "freq/lumped.h"
#include "params/end_layout.h"

using namespace mirtex::freq;

extern "C" {

// C_end in parallel with the fixed conductance.
MIRTEX_API void Freq_Open(const double* res, double f, COMPLEX* Y) {
    Y[0] = Cmplx(kFixedLoss, kTwoPi * f * MIRTEX_AT(res, mirtex::params::OpenResults, C_end));
}

}  // extern "C"
