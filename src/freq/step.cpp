// The step in width (and the taper, which the solver describes by the same
// three values): a T network of the excess inductances L1, L2 of the two
// sides and the excess capacitance Cp at the junction plane.
#include <array>

#include "freq/circuits.h"
#include "freq/lumped.h"
#include "params/two_line_layout.h"

namespace mirtex::freq {

// Each series arm carries half of the fixed resistance.  At 0 Hz the
// network is that resistance alone, a plain connection.  A Cp of 0 leaves
// the two arms in series (the star form needs no reactance of Cp).
void t_network(const double* res, double f, COMPLEX* Y) {
    if (f == 0.0) {
        const double g = 1.0 / kFixedLoss;
        Y[0] = Y[3] = Cmplx(g, 0.0);
        Y[1] = Y[2] = Cmplx(-g, 0.0);
        return;
    }
    using params::StepResults;
    const double w = kTwoPi * f;
    const double r = 0.5 * kFixedLoss;
    const std::array<COMPLEX, 2> arms{Cmplx(r, w * MIRTEX_AT(res, StepResults, L1)),
                                      Cmplx(r, w * MIRTEX_AT(res, StepResults, L2))};
    star(arms, Cmplx(0.0, w * MIRTEX_AT(res, StepResults, Cp)), Y);
}

}  // namespace mirtex::freq

extern "C" {

MIRTEX_API void Freq_Step(const double* res, double f, COMPLEX* Y) {
    mirtex::freq::t_network(res, f, Y);
}

}  // extern "C"
