// The interdigital capacitor: two interleaved finger sets, each a series arm
// of finger resistance, inductance and half the coupling capacitance Cs,
// coupled by the mutual inductance M; the end capacitances Cp1, Cp2 to
// ground and, where the solver finds it, a series lead inductance Ls at
// each port.
#include <cmath>

#include "freq/circuits.h"
#include "freq/lumped.h"
#include "numeric/matrix.h"
#include "params/idc_layout.h"

using namespace mirtex::freq;

extern "C" {

// Rf is a finger resistance at 1 GHz for the reference metal, Rg / sigma
// the DC value.
MIRTEX_API void Freq_Cap(const double* res, double sigma, double f, double* R1, double* R2, COMPLEX* Y) {
    const auto r = mirtex::params::read_layout<mirtex::params::IdcResults>(res);
    const double T = r.T;
    double r1 = 0.0, r2 = 0.0;
    if (!(T <= 0.0)) {
        r1 = skin_scaled(r.Rf1, r.Rg1 / sigma, T, sigma, f, false);
        r2 = skin_scaled(r.Rf2, r.Rg2 / sigma, T, sigma, f, false);
    }
    *R1 = r1 = std::fmax(r1, kFixedLoss);
    *R2 = r2 = std::fmax(r2, kFixedLoss);
    // Series capacitance in every path between the ports: open at 0 Hz.
    if (f == 0.0) {
        for (int i = 0; i < 4; ++i) Y[i] = Cmplx(0.0, 0.0);
        return;
    }
    const double w = kTwoPi * f;
    const double xs = 1.0 / (-0.5 * w * r.Cs);
    const COMPLEX z1 = Cmplx(r1, w * r.L1 + xs);
    const COMPLEX z2 = Cmplx(r2, w * r.L2 + xs);
    const COMPLEX zm = Cmplx(0.0, w * r.M);
    // Series admittance of the coupled pair of arms in parallel:
    // (z1 + z2 - 2 zm) / (z1 z2 - zm^2).  Without coupling capacitance the
    // arms are open (their reactance would be infinite, the quotient NaN).
    const COMPLEX ys = r.Cs == 0.0 ? Cmplx(0.0, 0.0) : Cdiv(Csmul(zm, 2.0) - (z1 + z2), Csqr(zm) - z1 * z2);
    Y[0] = ys + Cmplx(0.0, w * r.Cp1);
    Y[1] = Y[2] = Cneg(ys);
    Y[3] = ys + Cmplx(0.0, w * r.Cp2);
    const double Ls = r.Ls;
    if (Ls != 0.0) {
        double det[2];
        Cmatinv(&Y[0].real, 2, &Y[0].real, 2, 2, det);
        Y[0].imag += w * Ls;
        Y[3].imag += w * Ls;
        Cmatinv(&Y[0].real, 2, &Y[0].real, 2, 2, det);
    }
}

}  // extern "C"
