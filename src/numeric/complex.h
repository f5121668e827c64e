// Scalar complex arithmetic on the host's COMPLEX, by value.
//
// Two sets with the same kind of job, each with its own callers:
//  - the lower-case set (c_add ... c_sqrt), used where Y matrices are joined
//    and where ends are attached to their feed lines;
//  - the capitalised set (Cmplx ... Mag_Dif), used by the equivalent circuits
//    and the line evaluation.
// The two divisions differ in the last bit (zokaC_div divides both parts by
// |b|^2, Cdiv multiplies by 1/|b|^2); a caller keeps to the routine its
// results were made with.  No routine guards a zero divisor or scales large
// operands: IEEE infinities and NaNs propagate.
#pragma once

#include "mirtex/mirtex.h"

#ifdef __cplusplus
extern "C" {
#endif

// Magnitude and angle in radians.
typedef struct MAG_ANG {
    double mag;
    double ang;
} MAG_ANG;

MIRTEX_API COMPLEX c_add(COMPLEX a, COMPLEX b);
MIRTEX_API COMPLEX c_sub(COMPLEX a, COMPLEX b);
MIRTEX_API COMPLEX c_mul(COMPLEX a, COMPLEX b);
MIRTEX_API COMPLEX c_mul_k(COMPLEX a, double k);
MIRTEX_API COMPLEX c_conjg(COMPLEX a);
MIRTEX_API COMPLEX zokaC_div(COMPLEX a, COMPLEX b);
MIRTEX_API COMPLEX c_exp(COMPLEX z);
MIRTEX_API COMPLEX c_abs(COMPLEX z);  // (|z|, 0)
MIRTEX_API COMPLEX c_sqrt(COMPLEX z);

MIRTEX_API COMPLEX Cmplx(double re, double im);
MIRTEX_API COMPLEX Cadd(COMPLEX a, COMPLEX b);
MIRTEX_API COMPLEX Csub(COMPLEX a, COMPLEX b);
MIRTEX_API COMPLEX Cmul(COMPLEX a, COMPLEX b);
MIRTEX_API COMPLEX Csmul(COMPLEX a, double k);
MIRTEX_API COMPLEX Conj(COMPLEX a);
MIRTEX_API COMPLEX Cneg(COMPLEX a);
MIRTEX_API COMPLEX Cinv(COMPLEX a);
MIRTEX_API COMPLEX Csqr(COMPLEX a);  // a*a
MIRTEX_API COMPLEX Cdiv(COMPLEX a, COMPLEX b);
MIRTEX_API double Cabs(COMPLEX a);
MIRTEX_API COMPLEX Csqrt(COMPLEX z);
MIRTEX_API COMPLEX Cexp(COMPLEX z);
MIRTEX_API COMPLEX Ctanh(COMPLEX z);
MIRTEX_API COMPLEX Ccoth(COMPLEX z);
MIRTEX_API COMPLEX Csinh(COMPLEX z);
MIRTEX_API COMPLEX Ccosh(COMPLEX z);
MIRTEX_API COMPLEX Clog(COMPLEX z);
MIRTEX_API MAG_ANG C_to_M(COMPLEX z);
MIRTEX_API COMPLEX M_to_C(MAG_ANG m);
// |a.mag - b.mag| and the angular distance of the two angles, in [0, pi].
MIRTEX_API MAG_ANG Mag_Dif(MAG_ANG a, MAG_ANG b);

#ifdef __cplusplus
}  // extern "C"

namespace mirtex::cx {
// The arithmetic of both sets, inline for the kernels and the joins of Y
// matrices (the exported routines are these same functions, so either
// spelling gives the same bits).
inline COMPLEX add(COMPLEX a, COMPLEX b) { return {a.real + b.real, a.imag + b.imag}; }
inline COMPLEX sub(COMPLEX a, COMPLEX b) { return {a.real - b.real, a.imag - b.imag}; }
inline COMPLEX mul(COMPLEX a, COMPLEX b) {
    return {a.real * b.real - a.imag * b.imag, a.real * b.imag + a.imag * b.real};
}
inline COMPLEX smul(COMPLEX a, double k) { return {k * a.real, k * a.imag}; }
inline COMPLEX conj(COMPLEX a) { return {a.real, -a.imag}; }
inline COMPLEX neg(COMPLEX a) { return {-a.real, -a.imag}; }
// The lower-case set's division: both parts of a conj(b) divided by |b|^2.
inline COMPLEX zdiv(COMPLEX a, COMPLEX b) {
    const double d = b.real * b.real + b.imag * b.imag;
    const COMPLEX t = mul(a, conj(b));
    return {t.real / d, t.imag / d};
}
// a conj(b) scaled by 1/|b|^2: one division, two multiplications.
inline COMPLEX div(COMPLEX a, COMPLEX b) {
    const double d = b.real * b.real + b.imag * b.imag;
    const COMPLEX t = mul(a, conj(b));
    const double r = 1.0 / d;
    return smul(t, r);
}
// 1/a as (re, -im) / |a|^2.
inline COMPLEX inv(COMPLEX a) {
    const double d = a.real * a.real + a.imag * a.imag;
    return {a.real / d, -a.imag / d};
}
}  // namespace mirtex::cx

// Operators for the capitalised set, for formulas that read like formulas:
// each one is exactly its routine (a / b is Cdiv, not zokaC_div), so
// `Cadd(Cmul(a, b), c)` and `a * b + c` give the same bits.  Code that must
// keep to the lower-case set calls it by name.
inline COMPLEX operator+(COMPLEX a, COMPLEX b) { return mirtex::cx::add(a, b); }
inline COMPLEX operator-(COMPLEX a, COMPLEX b) { return mirtex::cx::sub(a, b); }
inline COMPLEX operator*(COMPLEX a, COMPLEX b) { return mirtex::cx::mul(a, b); }
inline COMPLEX operator/(COMPLEX a, COMPLEX b) { return mirtex::cx::div(a, b); }
inline COMPLEX operator*(COMPLEX a, double k) { return mirtex::cx::smul(a, k); }
inline COMPLEX operator*(double k, COMPLEX a) { return mirtex::cx::smul(a, k); }
inline COMPLEX operator-(COMPLEX a) { return mirtex::cx::neg(a); }
inline COMPLEX& operator+=(COMPLEX& a, COMPLEX b) { return a = a + b; }
inline COMPLEX& operator-=(COMPLEX& a, COMPLEX b) { return a = a - b; }
inline COMPLEX& operator*=(COMPLEX& a, COMPLEX b) { return a = a * b; }
inline bool operator==(COMPLEX a, COMPLEX b) { return a.real == b.real && a.imag == b.imag; }
#endif
