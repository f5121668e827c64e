// What the lumped equivalent circuits share: the constants, the scaling of
// a conductor resistance with metal and frequency, and the star network.
#pragma once

#include <cmath>
#include <span>

#include "freq/freq.h"
#include "mirtex/mirtex.h"
#include "numeric/complex.h"
#include "numeric/constants.h"

namespace mirtex::freq {

// The shared constants, as the frequency functions name them.
using mirtex::kPi;
using mirtex::kRefSigma;
using mirtex::kTwoPi;

// Smallest resistance or conductance a lumped branch takes, so that every
// matrix stays finite, also at 0 Hz.
inline constexpr double kFixedLoss = 1e-5;
// A line section shorter than this [m] is a plain connection of its ends
// through kConnection [S]: its admittances 1/(gamma l Z) would overflow or
// leave only rounding.
inline constexpr double kShortSection = 1e-8;
inline constexpr double kConnection = 1e10;

// A resistance r_ref solved at 1 GHz for the reference metal, brought to
// conductivity sigma and frequency f.  Below the crossover f_c (where the
// skin depth is about half the thickness T) the current fills the strip
// and the value runs linearly from the DC value rdc to the skin-effect value
// at f_c; above it, it grows with sqrt(f).  floor_at_dc: the 1-GHz value of
// the actual metal is never taken below its DC value.
inline double skin_scaled(double r_ref, double rdc, double T, double sigma, double f, bool floor_at_dc) {
    const double x = kRefSigma / sigma;
    const double t_um = T / 1e-6;
    const double fc = 3.9313e10 * x / (t_um * t_um);
    double r1 = r_ref * std::sqrt(x);
    if (floor_at_dc) r1 = std::fmax(rdc, r1);
    // Without a thickness there is no crossover: the surface current of a
    // sheet follows the square-root law at every frequency (taken at fc =
    // infinity the joined form would give inf/inf).
    if (!std::isfinite(fc)) return r1 * std::sqrt(f / 1e9);
    if (fc > f) return (r1 * std::sqrt(fc / 1e9) - rdc) * f / fc + rdc;
    return r1 * std::sqrt(f / 1e9);
}

// Arms of impedance z[i] meeting in one centre node that has the shunt
// admittance y to ground; Y (n x n) of the arm ends with the centre node
// eliminated: Y_ij = a_i delta_ij - a_i a_j / (y + sum a), a_i = 1 / z_i.
// Unlike inverting the open-circuit impedance matrix, this stays finite
// when the shunt branch is absent (y = 0, as at 0 Hz or with Cp = 0).
inline void star(std::span<const COMPLEX> z, COMPLEX y, COMPLEX* Y) {
    const std::size_t n = z.size();
    COMPLEX a[4];
    COMPLEX sum = y;
    for (std::size_t i = 0; i < n; ++i) {
        a[i] = cx::inv(z[i]);
        sum = sum + a[i];
    }
    for (std::size_t i = 0; i < n; ++i)
        for (std::size_t j = 0; j < n; ++j) {
            const COMPLEX share = a[i] * a[j] / sum;
            Y[i * n + j] = i == j ? a[i] - share : -share;
        }
}

// Conductor resistance of a junction arm: a strip of width w and thickness
// t along the current path of length l, at least the fixed loss (also for
// metal of no thickness, which Skin gives as 0).
inline double arm_resistance(double w, double t, double l, double sigma, double f) {
    return std::fmax(Skin(w, t, l, sigma, 1.0, f), kFixedLoss);
}

// The T network of the step and the taper (step.cpp): slots 0 L1, 1 L2, 2 Cp.
void t_network(const double* res, double f, COMPLEX* Y);

}  // namespace mirtex::freq
