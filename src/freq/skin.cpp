// Resistance of a rectangular strip with skin effect, for the bridges and
// junction arms that are modelled as lumped conductors.
#include <cmath>

#include "freq/freq.h"
#include "numeric/constants.h"

namespace {
using mirtex::kMu0;
using mirtex::kPi;
}  // namespace

extern "C" {

// The current flows in a layer of depth delta under both faces of a strip of
// thickness t; (sinh x + sin x) / (cosh x - cos x), x = t / delta, blends the
// DC resistance (thin strip) into the surface resistance of two faces (thick
// strip).
MIRTEX_API double Skin(double width, double thickness, double length, double sigma, double mur, double f) {
    if (thickness <= 0.0) return 0.0;
    const double dc = length / (width * sigma * thickness);
    if (f == 0.0) return dc;
    // A perfect conductor (zero resistivity) has no resistance at any
    // frequency; the formulas below would form 0 / 0 for it.
    if (std::isinf(sigma)) return 0.0;
    const double k = std::sqrt(f * kPi * sigma * mur * kMu0);
    const double delta = 1.0 / k;
    const double x = thickness / delta;
    if (x < 0.001) return dc;
    const double surface = length / (2.0 * width * sigma * delta);
    if (x > 1000.0) return surface;
    // cosh and sinh overflow from x of about 710 on, where the blend is 1 to
    // the last bit already; the quotient of two infinities would be NaN.
    const double ch = std::cosh(x);
    if (!std::isfinite(ch)) return surface;
    return surface * (std::sinh(x) + std::sin(x)) / (ch - std::cos(x));
}

}  // extern "C"
