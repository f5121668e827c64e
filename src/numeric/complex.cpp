#include "numeric/complex.h"
#include "numeric/constants.h"

#include <cmath>

namespace cx = mirtex::cx;

namespace {
using mirtex::kTwoPi;

// sqrt|z| (cos(theta/2), sin(theta/2)) with theta = atan2(im, re): the
// principal root, cut along the negative real axis, whose side the sign of
// a zero imaginary part picks.
COMPLEX principal_root(COMPLEX z, double modulus) {
    const double r = std::sqrt(modulus);
    const double half = std::atan2(z.imag, z.real) / 2.0;
    return {r * std::cos(half), r * std::sin(half)};
}
}  // namespace

extern "C" {

MIRTEX_API COMPLEX c_add(COMPLEX a, COMPLEX b) { return cx::add(a, b); }
MIRTEX_API COMPLEX c_sub(COMPLEX a, COMPLEX b) { return cx::sub(a, b); }
// The one product formula of both sets, so that c_mul and Cmul agree.
MIRTEX_API COMPLEX c_mul(COMPLEX a, COMPLEX b) { return cx::mul(a, b); }
MIRTEX_API COMPLEX c_mul_k(COMPLEX a, double k) { return cx::smul(a, k); }
MIRTEX_API COMPLEX c_conjg(COMPLEX a) { return cx::conj(a); }

// Both parts of a * conj(b) divided by |b|^2.
MIRTEX_API COMPLEX zokaC_div(COMPLEX a, COMPLEX b) { return cx::zdiv(a, b); }

MIRTEX_API COMPLEX c_exp(COMPLEX z) {
    return cx::mul({std::exp(z.real), 0.0}, {std::cos(z.imag), std::sin(z.imag)});
}

MIRTEX_API COMPLEX c_abs(COMPLEX z) { return {std::sqrt(z.real * z.real + z.imag * z.imag), 0.0}; }

MIRTEX_API COMPLEX c_sqrt(COMPLEX z) { return principal_root(z, c_abs(z).real); }

MIRTEX_API COMPLEX Cmplx(double re, double im) { return {re, im}; }
MIRTEX_API COMPLEX Cadd(COMPLEX a, COMPLEX b) { return cx::add(a, b); }
MIRTEX_API COMPLEX Csub(COMPLEX a, COMPLEX b) { return cx::sub(a, b); }
MIRTEX_API COMPLEX Cmul(COMPLEX a, COMPLEX b) { return cx::mul(a, b); }
MIRTEX_API COMPLEX Csmul(COMPLEX a, double k) { return cx::smul(a, k); }
MIRTEX_API COMPLEX Conj(COMPLEX a) { return cx::conj(a); }
MIRTEX_API COMPLEX Cneg(COMPLEX a) { return cx::neg(a); }

MIRTEX_API COMPLEX Cinv(COMPLEX a) { return cx::inv(a); }

MIRTEX_API COMPLEX Csqr(COMPLEX a) { return cx::mul(a, a); }

MIRTEX_API COMPLEX Cdiv(COMPLEX a, COMPLEX b) { return cx::div(a, b); }

MIRTEX_API double Cabs(COMPLEX a) { return std::sqrt(a.real * a.real + a.imag * a.imag); }

MIRTEX_API COMPLEX Csqrt(COMPLEX z) {
    if (z.real == 0.0 && z.imag == 0.0) return {0.0, 0.0};
    return principal_root(z, Cabs(z));
}

MIRTEX_API COMPLEX Cexp(COMPLEX z) {
    const double e = std::exp(z.real);
    return {e * std::cos(z.imag), e * std::sin(z.imag)};
}

// The hyperbolic functions straight from e^z and e^-z: no care for large
// real parts, where e^z overflows (above about 709).
MIRTEX_API COMPLEX Csinh(COMPLEX z) { return Csmul(Csub(Cexp(z), Cexp(Cneg(z))), 0.5); }
MIRTEX_API COMPLEX Ccosh(COMPLEX z) { return Csmul(Cadd(Cexp(z), Cexp(Cneg(z))), 0.5); }

MIRTEX_API COMPLEX Ctanh(COMPLEX z) {
    const COMPLEX ep = Cexp(z), em = Cexp(Cneg(z));
    return Cdiv(Csub(ep, em), Cadd(ep, em));
}

MIRTEX_API COMPLEX Ccoth(COMPLEX z) {
    const COMPLEX ep = Cexp(z), em = Cexp(Cneg(z));
    return Cdiv(Cadd(ep, em), Csub(ep, em));
}

MIRTEX_API COMPLEX Clog(COMPLEX z) { return {std::log(Cabs(z)), std::atan2(z.imag, z.real)}; }

MIRTEX_API MAG_ANG C_to_M(COMPLEX z) {
    const double mag = std::sqrt(z.real * z.real + z.imag * z.imag);
    if (z.real == 0.0 && z.imag == 0.0) return {mag, 0.0};
    return {mag, std::atan2(z.imag, z.real)};
}

MIRTEX_API COMPLEX M_to_C(MAG_ANG m) { return {m.mag * std::cos(m.ang), m.mag * std::sin(m.ang)}; }

MIRTEX_API MAG_ANG Mag_Dif(MAG_ANG a, MAG_ANG b) {
    double p1 = a.ang, p2 = b.ang;
    if (p1 > kTwoPi || p2 > kTwoPi) {
        p1 = std::fmod(p1, kTwoPi);
        p2 = std::fmod(p2, kTwoPi);
    }
    // Angles of opposite sign, or below -2 pi, can lie more than a turn
    // apart; fold the difference into one turn so that the distance is the
    // true one in [0, pi] (fmod leaves a difference below 2 pi unchanged).
    const double delta = std::fmod(std::fabs(p1 - p2), kTwoPi);
    const double other = kTwoPi - delta;
    return {std::fabs(a.mag - b.mag), delta < other ? delta : other};
}
}
