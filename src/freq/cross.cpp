// The crossing: four arms meeting in two centre nodes, arms 1 and 3 at one,
// arms 2 and 4 at the other, linked by the inductance L5 of the crossing
// strip.  The shunt branch is shared out as a quarter at each arm's end.
// The ports are delivered in the order of the result vector: arms 1, 2, 4, 3.
#include <algorithm>
#include <array>

#include "freq/circuits.h"
#include "freq/lumped.h"
#include "params/junction_layout.h"

using namespace mirtex::freq;

namespace {

// The crossing's ports in delivered order and the centre each arm meets:
// arms 1 and 3 at centre 0, arms 2 and 4 at centre 1.
constexpr int kPorts = 4;
constexpr int kCentre[kPorts] = {0, 1, 1, 0};

}  // namespace

extern "C" {

// Each arm's current crosses the wider half of the line across.
MIRTEX_API void Freq_Cross(const int*, const double* res, double sigma, double f, double* R1, double* R2, double* R4,
                           double* R3, COMPLEX* Y) {
    using mirtex::params::CrossResults;
    const auto r = mirtex::params::read_layout<CrossResults>(res);
    // The arms' slots in delivered order.
    const mirtex::params::ArmSlots<CrossResults> arm[kPorts] = {
        MIRTEX_ARM(CrossResults, 1), MIRTEX_ARM(CrossResults, 2), MIRTEX_ARM(CrossResults, 4),
        MIRTEX_ARM(CrossResults, 3)};
    const double L[kPorts] = {r.L1, r.L2, r.L4, r.L3};
    auto W = [&](int p) { return r.*arm[p].W; };
    auto S = [&](int p) { return r.*arm[p].S; };
    auto across = [&](int a, int b) { return std::max(W(a) / 2.0 + S(a), W(b) / 2.0 + S(b)); };
    auto path = [&](int p, double crossing) { return r.*arm[p].BG + r.*arm[p].BW + crossing; };
    auto T = [&](int p) { return r.*arm[p].T; };
    // Arms 1 and 3 form one line, arms 2 and 4 the other (the two centre
    // nodes below): each arm's current crosses the wider half of the line
    // across it.  Pairing arm 1 with arm 4 here would make the resistances
    // of a crossing and of its mirror image differ.
    const std::array<double, kPorts> R{
        arm_resistance(W(0), T(0), path(0, across(1, 2)), sigma, f),
        arm_resistance(W(1), T(1), path(1, across(0, 3)), sigma, f),
        arm_resistance(W(2), T(2), path(2, across(0, 3)), sigma, f),
        arm_resistance(W(3), T(3), path(3, across(1, 2)), sigma, f),
    };
    *R1 = R[0];
    *R2 = R[1];
    *R4 = R[2];
    *R3 = R[3];

    // Direct current: the inductances are shorts (both centres one node) and
    // the shunt branch is gone, a star of the four resistances.
    if (f == 0.0) {
        const std::array<COMPLEX, kPorts> arms{Cmplx(R[0], 0.0), Cmplx(R[1], 0.0), Cmplx(R[2], 0.0), Cmplx(R[3], 0.0)};
        star(arms, Cmplx(0.0, 0.0), Y);
        return;
    }

    // The network solved by nodal analysis throughout.  Going through the
    // open-circuit impedances instead would work with entries of the order
    // of 1 / (omega Cp), common to all ports, and take the arms' milliohms
    // as their small differences: at low frequencies half the digits go,
    // and the matrix is no longer reciprocal to the rounding.
    //
    // Each arm runs port -- R -- inner node (a quarter of the shunt branch)
    // -- L -- centre.  Its inner node, which only the arm reaches, goes
    // first: with g = 1/R, yL = 1/(j omega L) and d = g + quarter + yL the
    // arm leaves g (quarter + yL)/d at its port, yL (g + quarter)/d at its
    // centre and -g yL/d between them (the products, not g - g^2/d, so
    // that no digits cancel where one admittance swamps the others).  The
    // two centres, linked by L5, go next: their 2 x 2 block is inverted in
    // closed form, and each port pair takes t_p t_q times its entry off.
    const double w = kTwoPi * f;
    const COMPLEX quarter = Cmplx((w * r.G_per_omega) * 0.25, (w * r.Cp) * 0.25);
    const COMPLEX y5{0.0, -1.0 / (w * r.L5)};
    COMPLEX own[kPorts], t[kPorts];
    COMPLEX centre[2] = {y5, y5};
    for (int p = 0; p < kPorts; ++p) {
        const double g = 1.0 / R[p];
        const COMPLEX yL{0.0, -1.0 / (w * L[p])};
        const COMPLEX inv_d = mirtex::cx::inv(Cmplx(g, 0.0) + quarter + yL);
        own[p] = g * ((quarter + yL) * inv_d);
        t[p] = g * (yL * inv_d);
        centre[kCentre[p]] += yL * ((Cmplx(g, 0.0) + quarter) * inv_d);
    }
    // The centres' block [[c0, -y5], [-y5, c1]] and its inverse.
    const COMPLEX inv_det = mirtex::cx::inv(centre[0] * centre[1] - y5 * y5);
    const COMPLEX Ci[2][2] = {{centre[1] * inv_det, y5 * inv_det}, {y5 * inv_det, centre[0] * inv_det}};
    for (int p = 0; p < kPorts; ++p)
        for (int q = 0; q < kPorts; ++q) {
            const COMPLEX off = t[p] * t[q] * Ci[kCentre[p]][kCentre[q]];
            Y[p * kPorts + q] = p == q ? own[p] - off : -off;
        }
}

}  // extern "C"
