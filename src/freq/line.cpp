// Lossy transmission-line sections: conductor loss with skin effect and
// dielectric loss added to the static per-unit-length values, then the
// two-port admittance of the section from its propagation constant and
// characteristic impedance.
#include <cmath>

#include "freq/freq.h"
#include "freq/lumped.h"
#include "numeric/complex.h"
#include "numeric/constants.h"
#include "params/component_layout.h"

namespace {

using mirtex::kPi;
using namespace mirtex::params;
using mirtex::kTwoPi;
using mirtex::freq::kConnection;
using mirtex::freq::kShortSection;

// R' brought to the metal and the frequency, with the DC resistance of the
// centre strip of width W and thickness T.
//
// floor_at_dc: lines of ordinary metal never take a 1-GHz resistance below
// the DC one; the thin-film gap line keeps its solved value as it is.
double conductor_resistance(double r_ref, double W, double T, double sigma, double f, bool floor_at_dc) {
    return mirtex::freq::skin_scaled(r_ref, 1.0 / (T * W * sigma), T, sigma, f, floor_at_dc);
}

// Shunt conductance of a dielectric with loss tangent tand at f, formed as
// (G' tand + G' tand) pi f so that every front end rounds alike.
double dielectric_conductance(double g_coef, double tand, double f) {
    return (g_coef * tand + g_coef * tand) * kPi * f;
}

// Both ports tied together through 1e10 S, with an optional shunt at each.
void connection(COMPLEX* Y, double shunt) {
    Y[0] = Y[3] = Cmplx(kConnection + shunt, 0.0);
    Y[1] = Y[2] = Cmplx(-kConnection, 0.0);
}

// Y11 = 1 / (Z0 tanh(gamma l)), Y12 = -1 / (Z0 sinh(gamma l)).  tanh and
// sinh are formed as Ctanh and Csinh form them, from one pair of
// exponentials e^theta, e^-theta instead of two, and the arithmetic is the
// inline form of the exported routines: the same values to the bit at half
// the exponentials and none of the calls, which dominate a cached Y call.
void section(COMPLEX gamma, COMPLEX z0, double length, COMPLEX* Y) {
    namespace cx = mirtex::cx;
    const COMPLEX theta = cx::smul(gamma, length);
    const COMPLEX ep = Cexp(theta), em = Cexp(cx::neg(theta));
    const COMPLEX tanh = cx::div(cx::sub(ep, em), cx::add(ep, em));
    const COMPLEX sinh = cx::smul(cx::sub(ep, em), 0.5);
    Y[0] = Y[3] = cx::inv(cx::mul(z0, tanh));
    Y[1] = Y[2] = cx::neg(cx::inv(cx::mul(z0, sinh)));
}

}  // namespace

extern "C" {

MIRTEX_API int Calc_Leitung(double R, double L, double G, double C, double length, double f, COMPLEX* Y,
                            COMPLEX* Z0, COMPLEX* gamma) {
    if (std::fabs(length) < kShortSection) {
        connection(Y, 0.0);
        return 0;
    }
    if (f >= 1.0) {
        const double w = kTwoPi * f;
        const COMPLEX z{R, w * L};
        const COMPLEX y{G, w * C};
        *gamma = Csqrt(mirtex::cx::mul(z, y));
        *Z0 = Csqrt(mirtex::cx::div(z, y));
        section(*gamma, *Z0, length, Y);
        return 0;
    }

    // Direct current: no reactance is left, so the section is its series
    // resistance, its shunt conductance, both, or neither.
    *gamma = Cmplx(std::sqrt(R * G), 0.0);
    if (R == 0.0 && G == 0.0) {
        *Z0 = Cmplx(std::sqrt(L / C), 0.0);
        connection(Y, 0.0);
    } else if (R == 0.0) {
        *Z0 = Cmplx(std::sqrt(R / G), 0.0);
        connection(Y, G * length * 0.5);
    } else if (G == 0.0) {
        *Z0 = Cmplx(kConnection, -kConnection);
        const double g = 1.0 / (R * length);
        Y[0] = Y[3] = Cmplx(g, 0.0);
        Y[1] = Y[2] = Cmplx(-g, 0.0);
    } else {
        *Z0 = Cmplx(std::sqrt(R / G), 0.0);
        section(*gamma, *Z0, length, Y);
    }
    return 0;
}

MIRTEX_API int Freq_Line(const double* res, double tand, double length, double sigma, double f, double* R,
                         double* G, COMPLEX* ZL, COMPLEX* gamma, COMPLEX* Y) {
    const auto r = read_layout<LineResults>(res);
    *R = r.T <= 0.0 ? 0.0 : conductor_resistance(r.R_per_m, r.W, r.T, sigma, f, true);
    *G = dielectric_conductance(r.G_per_m, tand, f);
    return Calc_Leitung(*R, r.L_per_m, *G, r.C_per_m, length, f, Y, ZL, gamma);
}

MIRTEX_API int Freq_Mimlin(const double* res, double, double tand, double sigma, double length, double f,
                           COMPLEX* Y, COMPLEX* Z0, COMPLEX* gamma, double* R, double* G) {
    const auto r = read_layout<CaplinResults>(res);
    *R = r.T <= 0.0 ? 0.0 : conductor_resistance(r.R_per_m, r.W, r.T, sigma, f, true);
    *G = dielectric_conductance(r.Cm_per_m, tand, f);
    return Calc_Leitung(*R, r.L_per_m, *G, r.C_per_m, length, f, Y, Z0, gamma);
}

MIRTEX_API int Freq_Tfg(const double* res, double tand, double sigma, double length, double f, COMPLEX* Y,
                        COMPLEX* Z0, COMPLEX* gamma, double* R, double* G) {
    const auto r = read_layout<TfgResults>(res);
    *R = r.T <= 0.0 ? r.R_per_m : conductor_resistance(r.R_per_m, r.W, r.T, sigma, f, false);
    *G = r.g_film + kTwoPi * f * tand * r.G_per_m;
    return Calc_Leitung(*R, r.L_per_m, *G, r.C_per_m, length, f, Y, Z0, gamma);
}

MIRTEX_API int Freq_Tfr(const double* res, double tand, double length, double f, COMPLEX* Y, COMPLEX* Z0,
                        COMPLEX* gamma) {
    const auto r = read_layout<TfrResults>(res);
    return Calc_Leitung(r.R_per_m, r.L_per_m, dielectric_conductance(r.G_per_m, tand, f), r.C_per_m, length, f, Y,
                        Z0, gamma);
}

}  // extern "C"
