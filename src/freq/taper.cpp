// The taper: the same T network as the step in width, with the excess
// values of the gradual transition.
#include "freq/circuits.h"
#include "freq/lumped.h"

extern "C" {

MIRTEX_API void Freq_Taper(const double* res, double f, COMPLEX* Y) {
    mirtex::freq::t_network(res, f, Y);
}

}  // extern "C"
