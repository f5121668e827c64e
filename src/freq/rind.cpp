// The spiral inductor: its winding as a chain of N segments, each a pi
// section of series resistance and inductance with its capacitance to
// ground shared between its ends, and the capacitance Cs between the turns
// bridging the two ports.  The chain is multiplied in transmission (ABCD)
// form; Cs joins in admittance form before the last segment, the
// underpass that leads out of the winding.
#include <cmath>
#include <limits>

#include "freq/circuits.h"
#include "freq/lumped.h"
#include "params/rind_layout.h"

using namespace mirtex::freq;

namespace {

namespace cx = mirtex::cx;

// Transmission matrix [[A, B], [C, D]] of a pi section: series z, shunt y
// at each end.
struct Abcd {
    COMPLEX A, B, C, D;
};

// The chain of sections runs at every frequency: the arithmetic is the
// inline form of the exported routines (the same bits, without the calls).
Abcd pi_section(COMPLEX z, COMPLEX y) {
    const COMPLEX a = COMPLEX{1.0, 0.0} + z * y;
    return {a, z, cx::smul(y, 2.0) + cx::mul(y, y) * z, a};
}

Abcd operator*(const Abcd& k, const Abcd& s) {
    return {k.A * s.A + k.B * s.C, k.A * s.B + k.B * s.D, k.C * s.A + k.D * s.C, k.C * s.B + k.D * s.D};
}

void to_admittance(const Abcd& k, COMPLEX* Y) {
    Y[0] = cx::div(k.D, k.B);
    Y[1] = cx::neg(cx::div(k.A * k.D - k.B * k.C, k.B));
    Y[2] = cx::neg(cx::inv(k.B));
    Y[3] = cx::div(k.A, k.B);
}

Abcd to_transmission(const COMPLEX* Y) {
    const COMPLEX det = Y[0] * Y[3] - Y[1] * Y[2];
    return {cx::neg(cx::div(Y[3], Y[2])), cx::neg(cx::inv(Y[2])), cx::neg(cx::div(det, Y[2])), cx::neg(cx::div(Y[0], Y[2]))};
}

}  // namespace

extern "C" {

MIRTEX_API double Seg_Resistance(const double* r_ref, const double* r_dc, int s, double T, double f, double sigma) {
    if (T <= 0.0) return kFixedLoss;
    const double rdc = r_dc[s] * (kRefSigma / sigma);
    return std::fmax(skin_scaled(r_ref[s], rdc, T, sigma, f, true), kFixedLoss);
}

MIRTEX_API void Freq_Ind2(const int* ires, const double* res, double sigma, double f, double* R, COMPLEX* Y) {
    using namespace mirtex::params;
    const int N = read_layout<RindIntResults>(ires).NFP;
    // A winding without segments has no network: the matrix is marked
    // undefined rather than made up.
    if (N < 1) {
        const double nan = std::numeric_limits<double>::quiet_NaN();
        *R = nan;
        for (int i = 0; i < 4; ++i) Y[i] = COMPLEX{nan, nan};
        return;
    }
    const double w = kTwoPi * f;
    const auto head = read_layout<RindResults>(res);
    const double T = head.T;
    // The columns of the segments s = 1..N.
    const double* r_ref = res + RindResults::kSlots - 1;
    const double* r_dc = r_ref + N;
    auto L = [&](int s) { return r_dc[N + s]; };
    auto C = [&](int s) { return r_dc[2 * N + s]; };

    Abcd K{COMPLEX{1.0, 0.0}, COMPLEX{0.0, 0.0}, COMPLEX{0.0, 0.0}, COMPLEX{1.0, 0.0}};
    double total = 0.0;
    for (int s = 1; s < N; ++s) {
        const double rs = Seg_Resistance(r_ref, r_dc, s, T, f, sigma);
        total += rs;
        K = K * pi_section(COMPLEX{rs, w * L(s)}, COMPLEX{0.0, w * C(s) / 2.0});
    }
    // Cs bridges the turns before the underpass.  With a single segment
    // there are no turns: the chain so far is a plain connection, across
    // which Cs carries nothing.
    if (N > 1) {
        to_admittance(K, Y);
        Y[0].imag += w * head.Cs;
        Y[3].imag += w * head.Cs;
        Y[1].imag -= w * head.Cs;
        Y[2].imag -= w * head.Cs;
        K = to_transmission(Y);
    }
    // The underpass: a tenth of the thickness and a fixed 0.2 Ohm of
    // contacts, with its whole capacitance at each end.
    const double rn = Seg_Resistance(r_ref, r_dc, N, T / 10.0, f, sigma) + 0.2;
    total += rn;
    K = K * pi_section(COMPLEX{rn, w * L(N)}, COMPLEX{0.0, w * C(N)});
    to_admittance(K, Y);
    *R = total;
}

}  // extern "C"
