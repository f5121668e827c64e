// The physical constants of the library, in SI units, defined once.  Every
// stored value was computed with exactly these doubles, so they must not be
// refined: eps0 to eight digits, mu0 = 4 pi 1e-7.
#pragma once

namespace mirtex {

inline constexpr double kPi = 3.141592653589793;
inline constexpr double kTwoPi = 6.283185307179586;
inline constexpr double kEps0 = 8.8541843e-12;          // F/m
inline constexpr double kMu0 = 1.2566370614359173e-6;   // H/m
inline constexpr double kEps0Mu0 = kEps0 * kMu0;        // s^2/m^2, 1/c^2
// The technology data give a metal's resistivity relative to gold: rho = 1
// is this conductivity [S/m].
inline constexpr double kGoldSigma = 4.5e7;
// The solvers' stored resistances hold for this metal [S/m] at 1 GHz; the
// frequency functions scale them by kRefSigma / sigma.
inline constexpr double kRefSigma = 5.6e7;

}  // namespace mirtex
