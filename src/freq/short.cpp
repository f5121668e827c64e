// The short-circuited end: the current turning from the strip into the
// grounds stores magnetic energy, an inductance L_end to ground.
#include "freq/circuits.h"
#include "freq/lumped.h"
#include "params/end_layout.h"

using namespace mirtex::freq;

extern "C" {

// L_end in series with the fixed resistance: 1e5 S at 0 Hz.
MIRTEX_API void Freq_Short(const double* res, double f, COMPLEX* Y) {
    Y[0] = Cinv(Cmplx(kFixedLoss, kTwoPi * f * MIRTEX_AT(res, mirtex::params::ShortResults, L_end)));
}

}  // extern "C"
