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

// Nodes of the nodal matrix: the four ports in delivered order, the inner
// end of each arm (behind its resistance, where its quarter of the shunt
// branch sits), then the centre of arms 1 and 3 and that of arms 2 and 4.
constexpr int kPorts = 4;
constexpr int kInner = 4;
constexpr int kCentre13 = 8, kCentre24 = 9;
constexpr int kNodes = 10;

// Eliminates the nodes from `ports` on, which no external current enters,
// one at a time (Kron reduction); the top-left ports x ports block of M is
// then the admittance matrix of the ports.
void eliminate_inner_nodes(std::array<COMPLEX, kNodes * kNodes>& M, int ports) {
    namespace cx = mirtex::cx;
    constexpr COMPLEX kZero{0.0, 0.0};
    for (int k = kNodes - 1; k >= ports; --k) {
        // Each share is M[r][k] / pivot; Cdiv's conj(pivot) / |pivot|^2 is
        // formed once per node, the same bits as dividing row by row.
        const COMPLEX pivot = M[k * kNodes + k];
        const COMPLEX pc = cx::conj(pivot);
        const double scale = 1.0 / (pivot.real * pivot.real + pivot.imag * pivot.imag);
        for (int r = 0; r < k; ++r) {
            // Most nodes touch three others: a row without a branch to k
            // keeps its entries (it would take 0 times row k from them), and
            // so does an entry whose column row k does not reach.
            if (M[r * kNodes + k] == kZero) continue;
            const COMPLEX share = cx::smul(cx::mul(M[r * kNodes + k], pc), scale);
            for (int c = 0; c < k; ++c)
                if (!(M[k * kNodes + c] == kZero)) M[r * kNodes + c] -= share * M[k * kNodes + c];
        }
    }
}

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
    const double w = kTwoPi * f;
    const COMPLEX quarter = Cmplx((w * r.G_per_omega) * 0.25, (w * r.Cp) * 0.25);
    std::array<COMPLEX, kNodes * kNodes> M{};
    auto branch = [&](int a, int b, COMPLEX y) {
        M[a * kNodes + a] += y;
        if (b < 0) return;
        M[b * kNodes + b] += y;
        M[a * kNodes + b] -= y;
        M[b * kNodes + a] -= y;
    };
    const int centre[kPorts] = {kCentre13, kCentre24, kCentre24, kCentre13};
    for (int p = 0; p < kPorts; ++p) {
        branch(p, kInner + p, Cmplx(1.0 / R[p], 0.0));
        branch(kInner + p, -1, quarter);
        branch(kInner + p, centre[p], Cmplx(0.0, -1.0 / (w * L[p])));
    }
    branch(kCentre13, kCentre24, Cmplx(0.0, -1.0 / (w * r.L5)));
    eliminate_inner_nodes(M, kPorts);
    for (int r = 0; r < kPorts; ++r)
        for (int c = 0; c < kPorts; ++c) Y[r * kPorts + c] = M[r * kNodes + c];
}

}  // extern "C"
