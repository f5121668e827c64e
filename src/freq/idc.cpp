// The interdigital capacitor: two interleaved finger sets, each a series arm
// of finger resistance, inductance and half the coupling capacitance Cs,
// coupled by the mutual inductance M; the end capacitances Cp1, Cp2 to
// ground and, where the solver finds it, a series lead inductance Ls at
// each port.
#include <cmath>

#include "freq/circuits.h"
#include "freq/lumped.h"
#include "numeric/matrix.h"

using namespace mirtex::freq;

extern "C" {

// Slots: 0 Cp1, 1 Cp2, 2 Cs, 3 L1, 4 L2, 5 M, 6 Ls, 7 Rf1, 8 Rf2, 9 Rg1,
// 10 Rg2, 11 T.  Rf is a finger resistance at 1 GHz for the reference
// metal, Rg / sigma the DC value.
MIRTEX_API void Freq_Cap(const double* res, double sigma, double f, double* R1, double* R2, COMPLEX* Y) {
    const double T = res[11];
    double r1 = 0.0, r2 = 0.0;
    if (!(T <= 0.0)) {
        r1 = skin_scaled(res[7], res[9] / sigma, T, sigma, f, false);
        r2 = skin_scaled(res[8], res[10] / sigma, T, sigma, f, false);
    }
    *R1 = r1 = std::fmax(r1, kFixedLoss);
    *R2 = r2 = std::fmax(r2, kFixedLoss);
    // Series capacitance in every path between the ports: open at 0 Hz.
    if (f == 0.0) {
        for (int i = 0; i < 4; ++i) Y[i] = Cmplx(0.0, 0.0);
        return;
    }
    const double w = kTwoPi * f;
    const double xs = 1.0 / (-0.5 * w * res[2]);
    const COMPLEX z1 = Cmplx(r1, w * res[3] + xs);
    const COMPLEX z2 = Cmplx(r2, w * res[4] + xs);
    const COMPLEX zm = Cmplx(0.0, w * res[5]);
    // Series admittance of the coupled pair of arms in parallel:
    // (z1 + z2 - 2 zm) / (z1 z2 - zm^2).  Without coupling capacitance the
    // arms are open (their reactance would be infinite, the quotient NaN).
    const COMPLEX ys = res[2] == 0.0 ? Cmplx(0.0, 0.0) : Cdiv(Csmul(zm, 2.0) - (z1 + z2), Csqr(zm) - z1 * z2);
    Y[0] = ys + Cmplx(0.0, w * res[0]);
    Y[1] = Y[2] = Cneg(ys);
    Y[3] = ys + Cmplx(0.0, w * res[1]);
    const double Ls = res[6];
    if (Ls != 0.0) {
        double det[2];
        Cmatinv(&Y[0].real, 2, &Y[0].real, 2, 2, det);
        Y[0].imag += w * Ls;
        Y[3].imag += w * Ls;
        Cmatinv(&Y[0].real, 2, &Y[0].real, 2, 2, det);
    }
}

}  // extern "C"
