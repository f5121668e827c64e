// Lumped equivalent circuits and Y-matrix joins against physics: every
// network reciprocal and passive over frequency, closed forms at low
// frequency and at the limits of their element values, and the junctions
// against nodal analysis of the circuit they stand for.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <vector>

#include "freq/circuits.h"
#include "freq/freq.h"

namespace {

using cd = std::complex<double>;
using Mat = std::vector<cd>;  // row by row
constexpr double kTwoPi = 6.283185307179586;
constexpr double kSigma = 4.5e7;
const cd j{0.0, 1.0};

Mat mat(const std::vector<COMPLEX>& y) {
    Mat m;
    for (const COMPLEX& e : y) m.emplace_back(e.real, e.imag);
    return m;
}

void expect_near_mat(const Mat& got, const Mat& want, double rel, const char* what) {
    double scale = 0;
    for (const cd& w : want) scale = std::max(scale, std::abs(w));
    for (std::size_t i = 0; i < want.size(); ++i)
        EXPECT_LE(std::abs(got[i] - want[i]), rel * scale) << what << " entry " << i << ": " << got[i] << " vs " << want[i];
}

// Nodal analysis by hand: stamp branches between nodes (-1 = ground), then
// eliminate every node but the first `ports` (Kron reduction).
struct Circuit {
    int n;
    Mat M;
    explicit Circuit(int nodes) : n(nodes), M(nodes * nodes) {}
    void branch(int a, int b, cd y) {
        if (a >= 0) M[a * n + a] += y;
        if (b >= 0) M[b * n + b] += y;
        if (a >= 0 && b >= 0) M[a * n + b] -= y, M[b * n + a] -= y;
    }
    void block(int a, int b, const Mat& y2) {  // a two-port from node a to node b
        const int at[2] = {a, b};
        for (int r = 0; r < 2; ++r)
            for (int c = 0; c < 2; ++c) M[at[r] * n + at[c]] += y2[r * 2 + c];
    }
    Mat reduce(int ports) const {
        Mat m = M;
        for (int k = n - 1; k >= ports; --k)
            for (int r = 0; r < k; ++r)
                for (int c = 0; c < k; ++c) m[r * n + c] -= m[r * n + k] * m[k * n + c] / m[k * n + k];
        Mat out;
        for (int r = 0; r < ports; ++r)
            for (int c = 0; c < ports; ++c) out.push_back(m[r * n + c]);
        return out;
    }
};

// Reciprocal, and the Hermitian part positive semidefinite (no port pattern
// draws power out of the network): Cholesky with a small tolerance.
void expect_reciprocal_passive(const Mat& Y, int n, const char* what) {
    double scale = 0;
    for (const cd& e : Y) scale = std::max(scale, std::abs(e));
    Mat H(n * n);
    for (int r = 0; r < n; ++r)
        for (int c = 0; c < n; ++c) {
            EXPECT_LE(std::abs(Y[r * n + c] - Y[c * n + r]), 1e-9 * scale) << what << " not reciprocal";
            H[r * n + c] = 0.5 * (Y[r * n + c] + std::conj(Y[c * n + r]));
        }
    const double tol = 1e-9 * scale;
    for (int k = 0; k < n; ++k) {
        const double d = H[k * n + k].real();
        ASSERT_GE(d, -tol) << what << " not passive";
        if (d <= tol) continue;
        for (int r = k + 1; r < n; ++r)
            for (int c = k + 1; c < n; ++c) H[r * n + c] -= H[r * n + k] * H[k * n + c] / d;
    }
}

// Realistic solved values: femtofarads and picohenries, 3 um gold arms.
const std::vector<double> kOpen{20e-15}, kShort{30e-12}, kGap{8e-15, 12e-15, 5e-15}, kStep{15e-12, 25e-12, 10e-15};

std::vector<double> air() {
    std::vector<double> r(12, 0.0);
    r[0] = 20e-12, r[1] = 6e-15, r[2] = 1e-16, r[7] = 15e-6, r[8] = 30e-6, r[9] = 5e-6, r[10] = 3e-6;
    return r;
}
std::vector<double> bend() {
    std::vector<double> r(22, 0.0);
    r[0] = 12e-12, r[1] = 18e-12, r[2] = 9e-15, r[3] = 2e-16;
    const double geo[] = {3e-6, 3e-6, 15e-6, 10e-6, 5e-6, 30e-6, 20e-6, 12e-6, 6e-6, 25e-6};
    std::copy(geo, geo + 10, r.begin() + 12);
    return r;
}
// Arms in the order of the slots; each arm W, S, BG, BW, thickness T.
std::vector<double> junction(int arms, int first_geo, std::vector<double> lumped) {
    std::vector<double> r(first_geo + 5 * arms, 0.0);
    std::copy(lumped.begin(), lumped.end(), r.begin());
    for (int a = 0; a < arms; ++a) {
        r[first_geo + a] = 1e-6 * (1 + a);  // thickness
        const double g[] = {10e-6 + 5e-6 * a, 8e-6 + 2e-6 * a, 4e-6, 20e-6 + 3e-6 * a};
        std::copy(g, g + 4, r.begin() + first_geo + arms + 4 * a);
    }
    return r;
}
std::vector<double> tee() { return junction(3, 17, {10e-12, 20e-12, 30e-12, 15e-15, 1e-16}); }
std::vector<double> cross() { return junction(4, 23, {10e-12, 20e-12, 30e-12, 40e-12, 5e-12, 25e-15, 1e-16}); }
std::vector<double> idc(double Ls) {
    return {10e-15, 14e-15, 80e-15, 200e-12, 220e-12, 60e-12, Ls, 1.5, 1.7, 2e7, 2.2e7, 1e-6, 0, 0, 0, 0};
}
// Three winding segments: T, Cs, R' x3, R_dc x3, L x3, C x3.
const std::vector<double> kSpiral{1e-6, 4e-15, 0.8, 0.9, 0.7, 0.5, 0.6, 0.4, 300e-12, 350e-12, 100e-12, 20e-15, 25e-15, 5e-15};
const int kSegments = 3;

// Each network at f as a matrix, with its port count.
struct Eval {
    const char* what;
    int n;
    Mat (*at)(double f);
};
template <int N>
Mat run(void (*fn)(const double*, double, COMPLEX*), const std::vector<double>& r, double f) {
    std::vector<COMPLEX> y(N * N);
    fn(r.data(), f, y.data());
    return mat(y);
}
double r_[4];
const Eval kNetworks[] = {
    {"open", 1, [](double f) { return run<1>(Freq_Open, kOpen, f); }},
    {"short", 1, [](double f) { return run<1>(Freq_Short, kShort, f); }},
    {"gap", 2, [](double f) { return run<2>(Freq_Gap, kGap, f); }},
    {"step", 2, [](double f) { return run<2>(Freq_Step, kStep, f); }},
    {"air", 2, [](double f) { std::vector<COMPLEX> y(4); Freq_Air(nullptr, air().data(), kSigma, f, r_, y.data()); return mat(y); }},
    {"bend", 2, [](double f) { std::vector<COMPLEX> y(4); Freq_Bend(nullptr, bend().data(), kSigma, f, r_, r_ + 1, y.data()); return mat(y); }},
    {"tee", 3, [](double f) { std::vector<COMPLEX> y(9); Freq_Tee(nullptr, tee().data(), kSigma, f, r_, r_ + 1, r_ + 2, y.data()); return mat(y); }},
    {"cross", 4, [](double f) { std::vector<COMPLEX> y(16); Freq_Cross(nullptr, cross().data(), kSigma, f, r_, r_ + 1, r_ + 2, r_ + 3, y.data()); return mat(y); }},
    {"idc", 2, [](double f) { std::vector<COMPLEX> y(4); Freq_Cap(idc(30e-12).data(), kSigma, f, r_, r_ + 1, y.data()); return mat(y); }},
    {"spiral", 2, [](double f) { std::vector<COMPLEX> y(4); Freq_Ind2(&kSegments, kSpiral.data(), kSigma, f, r_, y.data()); return mat(y); }},
};

TEST(Networks, ReciprocalFiniteAndPassiveFromDcTo100GHz) {
    for (const Eval& e : kNetworks)
        for (double f : {0.0, 1.0, 1e6, 1e9, 2e10, 1e11}) {
            const Mat Y = e.at(f);
            for (const cd& v : Y) ASSERT_TRUE(std::isfinite(v.real()) && std::isfinite(v.imag())) << e.what << " f=" << f;
            expect_reciprocal_passive(Y, e.n, e.what);
        }
}

TEST(Discontinuities, LowFrequencyClosedFormsAndLimits) {
    const double f = 1e6, w = kTwoPi * f;
    EXPECT_NEAR(run<1>(Freq_Open, kOpen, f)[0].imag() / w, kOpen[0], 1e-24);
    EXPECT_NEAR((1.0 / run<1>(Freq_Short, kShort, f)[0]).imag() / w, kShort[0], 1e-21);
    // Gap: Y11 + Y12 is the shunt Cp1 alone, -Y12 the series Cs.
    const Mat g = run<2>(Freq_Gap, kGap, f);
    EXPECT_NEAR((g[0] + g[1]).imag() / w, kGap[0], 1e-27);
    EXPECT_NEAR((g[3] + g[2]).imag() / w, kGap[1], 1e-27);
    EXPECT_NEAR(-g[1].imag() / w, kGap[2], 1e-27);
    // Step: the T network L1 - Cp - L2 by nodal analysis, at 20 GHz; the
    // taper is the same circuit.
    const double f2 = 2e10, w2 = kTwoPi * f2;
    Circuit t(3);
    t.branch(0, 2, 1.0 / (5e-6 + j * w2 * kStep[0]));
    t.branch(1, 2, 1.0 / (5e-6 + j * w2 * kStep[1]));
    t.branch(2, -1, j * w2 * kStep[2]);
    expect_near_mat(run<2>(Freq_Step, kStep, f2), t.reduce(2), 1e-12, "step");
    EXPECT_EQ(run<2>(Freq_Taper, kStep, f2), run<2>(Freq_Step, kStep, f2));
    // Zero element values: the open end and the gap are the fixed 1e-5 S,
    // the short and the step the fixed 1e5 S connection, at 0 Hz and above
    // (the step also without its capacitance).
    const std::vector<double> zero(3, 0.0);
    for (double fz : {0.0, 1e9}) {
        EXPECT_EQ(run<1>(Freq_Open, zero, fz)[0], cd(1e-5, 0));
        EXPECT_NEAR(run<1>(Freq_Short, zero, fz)[0].real(), 1e5, 1e-6);
        expect_near_mat(run<2>(Freq_Gap, zero, fz), {1e-5, -1e-5, -1e-5, 1e-5}, 1e-15, "open gap");
        expect_near_mat(run<2>(Freq_Step, zero, fz), {1e5, -1e5, -1e5, 1e5}, 1e-12, "shorted step");
    }
}

// Conductor resistance of an arm at DC: l / (w sigma t) along its path.
double dc_arm(double l, double w, double t) { return l / (w * kSigma * t); }

TEST(Junctions, NodalAnalysisOfTheirCircuitsAndArmResistances) {
    const double f = 2e10, w = kTwoPi * f;
    double R[4];
    std::vector<COMPLEX> y(16);

    // T-junction at DC: arm 3 crosses the wider half of the through line,
    // arms 1 and 2 the branch's slot to its centre; a resistive star.
    const std::vector<double> t = tee();
    Freq_Tee(nullptr, t.data(), kSigma, 0.0, R, R + 1, R + 2, y.data());
    const double want_dc[] = {dc_arm(4e-6 + 20e-6 + std::max(15e-6 / 2 + 10e-6, 20e-6 / 2 + 12e-6), 10e-6, 1e-6),
                              dc_arm(4e-6 + 23e-6 + 8e-6 + 10e-6 / 2, 15e-6, 2e-6),
                              dc_arm(4e-6 + 26e-6 + 8e-6 + 10e-6 / 2, 20e-6, 3e-6)};
    Circuit dc(4);
    for (int a = 0; a < 3; ++a) {
        EXPECT_NEAR(R[a], want_dc[a], 1e-12 * want_dc[a]);
        dc.branch(a, 3, 1.0 / want_dc[a]);
    }
    expect_near_mat(mat({y.begin(), y.begin() + 9}), dc.reduce(3), 1e-12, "tee at DC");

    // At 20 GHz: arms R + jwL into one centre with G + jwCp to ground.
    Freq_Tee(nullptr, t.data(), kSigma, f, R, R + 1, R + 2, y.data());
    Circuit tc(4);
    for (int a = 0; a < 3; ++a) tc.branch(a, 3, 1.0 / (R[a] + j * w * t[a]));
    tc.branch(3, -1, w * t[4] + j * w * t[3]);
    expect_near_mat(mat({y.begin(), y.begin() + 9}), tc.reduce(3), 1e-12, "tee");

    // Crossing: port ends 0..3 (arms 1, 2, 4, 3) behind their resistances,
    // a quarter of the shunt at each, arms 1 and 3 to one centre, 2 and 4 to
    // the other, the centres linked by L5.
    const std::vector<double> c = cross();
    Freq_Cross(nullptr, c.data(), kSigma, f, R, R + 1, R + 2, R + 3, y.data());
    Circuit cc(10);
    const int centre[4] = {8, 9, 9, 8};
    for (int p = 0; p < 4; ++p) {
        cc.branch(p, 4 + p, 1.0 / R[p]);
        cc.branch(4 + p, -1, 0.25 * (w * c[6] + j * w * c[5]));
        cc.branch(4 + p, centre[p], 1.0 / (j * w * c[p]));
    }
    cc.branch(8, 9, 1.0 / (j * w * c[4]));
    expect_near_mat(mat(y), cc.reduce(4), 1e-9, "cross");
    // Arm 4 (third port) is 3 um thick and crosses arm 2 or arm 3.
    Freq_Cross(nullptr, c.data(), kSigma, 0.0, R, R + 1, R + 2, R + 3, y.data());
    EXPECT_NEAR(R[2], dc_arm(4e-6 + 26e-6 + std::max(15e-6 / 2 + 10e-6, 25e-6 / 2 + 14e-6), 20e-6, 3e-6), 1e-9);

    // Bend and air bridge: two arms and the corner (or bridge) capacitance.
    const std::vector<double> b = bend(), a = air();
    Freq_Bend(nullptr, b.data(), kSigma, f, R, R + 1, y.data());
    EXPECT_NEAR(R[0], Skin(15e-6, 3e-6, 5e-6 + 30e-6 + 12e-6 + 10e-6, kSigma, 1.0, f), 1e-15);
    Circuit bc(3);
    bc.branch(0, 2, 1.0 / (R[0] + j * w * b[0]));
    bc.branch(1, 2, 1.0 / (R[1] + j * w * b[1]));
    bc.branch(2, -1, w * b[3] + j * w * b[2]);
    expect_near_mat(mat({y.begin(), y.begin() + 4}), bc.reduce(2), 1e-12, "bend");
    Freq_Air(nullptr, a.data(), kSigma, 0.0, R, y.data());
    EXPECT_NEAR(R[0], dc_arm(30e-6 + 2 * 5e-6, 15e-6, 3e-6), 1e-12);
    EXPECT_NEAR(y[0].real, 1.0 / R[0], 1e-6);
    // Metal of no thickness still has the fixed resistance.
    std::vector<double> thin = a;
    thin[10] = 0.0;
    Freq_Air(nullptr, thin.data(), kSigma, 1e9, R, y.data());
    EXPECT_EQ(R[0], 1e-5);
}

Mat inv2(const Mat& m) {
    const cd d = m[0] * m[3] - m[1] * m[2];
    return {m[3] / d, -m[1] / d, -m[2] / d, m[0] / d};
}

TEST(Components, CapacitorAndSpiralClosedForms) {
    double R1, R2;
    std::vector<COMPLEX> y(4), y0(4);
    // Interdigital: at low frequency the fingers are Cs in series, the ends
    // Cp1, Cp2 to ground; Ls adds j w Ls to each port's self-impedance.
    const double f = 1e6, w = kTwoPi * f;
    Freq_Cap(idc(0.0).data(), kSigma, f, &R1, &R2, y0.data());
    const Mat c = mat(y0);
    EXPECT_NEAR(-c[1].imag() / w, 80e-15, 1e-19);
    EXPECT_NEAR((c[0] + c[1]).imag() / w, 10e-15, 1e-21);
    EXPECT_NEAR((c[3] + c[2]).imag() / w, 14e-15, 1e-21);
    const double f2 = 2e10;
    Freq_Cap(idc(0.0).data(), kSigma, f2, &R1, &R2, y0.data());
    Freq_Cap(idc(30e-12).data(), kSigma, f2, &R1, &R2, y.data());
    Mat dz = inv2(mat(y)), z0 = inv2(mat(y0));
    for (int i = 0; i < 4; ++i) dz[i] -= z0[i];
    expect_near_mat(dz, {j * kTwoPi * f2 * 30e-12, 0.0, 0.0, j * kTwoPi * f2 * 30e-12}, 1e-9, "lead inductance");
    Freq_Cap(idc(0.0).data(), kSigma, 0.0, &R1, &R2, y.data());
    EXPECT_EQ(mat(y), Mat(4, 0.0));
    std::vector<double> thin = idc(0.0);
    thin[11] = 0.0;
    Freq_Cap(thin.data(), kSigma, f2, &R1, &R2, y.data());
    EXPECT_EQ(R1, 1e-5);
    EXPECT_EQ(R2, 1e-5);

    // Spiral at DC: the segment resistances in series, the underpass at a
    // tenth of the thickness with 0.2 Ohm of contacts.
    double R;
    Freq_Ind2(&kSegments, kSpiral.data(), kSigma, 0.0, &R, y.data());
    const double x = 5.6e7 / kSigma;
    const double want = (0.5 + 0.6) * x + 0.4 * x + 0.2;
    EXPECT_NEAR(R, want, 1e-12);
    expect_near_mat(mat(y), {1 / want, -1 / want, -1 / want, 1 / want}, 1e-12, "spiral at DC");
    // At 1 MHz the series impedance is R + j w (L1 + L2 + L3).
    Freq_Ind2(&kSegments, kSpiral.data(), kSigma, f, &R, y.data());
    EXPECT_NEAR((-1.0 / mat(y)[1]).imag() / w, 750e-12, 1e-13);
    // One segment is the underpass alone; none has no network.
    const int one = 1, none = 0;
    const std::vector<double> single{1e-6, 4e-15, 0.8, 0.5, 300e-12, 20e-15};
    Freq_Ind2(&one, single.data(), kSigma, 0.0, &R, y.data());
    EXPECT_NEAR(R, 0.5 * x + 0.2, 1e-12);
    Freq_Ind2(&none, single.data(), kSigma, 1e9, &R, y.data());
    EXPECT_TRUE(std::isnan(y[0].real) && std::isnan(R));
}

// A lossy 50-ohm-ish line section.
std::vector<COMPLEX> line(double len, double f) {
    std::vector<COMPLEX> y(4);
    COMPLEX z0, g;
    Calc_Leitung(30.0, 4.2e-7, 1e-3, 1.7e-10, len, f, y.data(), &z0, &g);
    return y;
}

TEST(Compose, CascadeOfSectionsIsTheSummedSection) {
    for (double f : {1e8, 1e10, 6e10}) {
        std::vector<COMPLEX> out(4), alias = line(300e-6, f);
        Mult_Y_Matrix(out.data(), line(300e-6, f).data(), line(1.7e-3, f).data());
        expect_near_mat(mat(out), mat(line(2e-3, f)), 1e-12, "cascade");
        // The result may overwrite either operand.
        const std::vector<COMPLEX> b = line(1.7e-3, f);
        Mult_Y_Matrix(alias.data(), alias.data(), b.data());
        EXPECT_EQ(mat(alias), mat(out));
    }
}

TEST(Compose, JunctionWithLinesMatchesNodalAnalysis) {
    const double f = 2e10;
    // The T-junction's star with a line on each port in turn, each call
    // taking the previous result, against the whole circuit solved at once.
    std::vector<COMPLEX> y(9);
    double R[3];
    Freq_Tee(nullptr, tee().data(), kSigma, f, R, R + 1, R + 2, y.data());
    Circuit whole(6);  // outer ends 0..2, junction ports 3..5
    const Mat yt = mat(y);
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) whole.M[(3 + r) * 6 + 3 + c] += yt[r * 3 + c];
    const double len[3] = {100e-6, 250e-6, 400e-6};
    for (int k = 1; k <= 3; ++k) {
        const std::vector<COMPLEX> l = line(len[k - 1], f);
        ASSERT_EQ(Con_Y_Mat(y.data(), l.data(), y.data(), 2, 3, k), 0);
        whole.block(k - 1, 3 + k - 1, mat(l));
    }
    expect_near_mat(mat(y), whole.reduce(3), 1e-10, "tee with lines");

    // Through the 1e10 S connection the matrix comes back (to the rounding
    // of 1e10 against itself); ports that are not joined keep their places.
    std::vector<COMPLEX> out(9);
    Con_Y_Mat(out.data(), line(0.0, f).data(), y.data(), 2, 3, 2);
    expect_near_mat(mat(out), mat(y), 1e-5, "through connection");
    const Mat before = mat(out);
    // Shapes that do not exist are refused and leave the result alone.
    for (int k : {0, 4}) EXPECT_EQ(Con_Y_Mat(out.data(), line(1e-4, f).data(), y.data(), 2, 3, k), 1);
    EXPECT_EQ(Con_Y_Mat(out.data(), line(1e-4, f).data(), y.data(), 2, 30, 1), 1);
    EXPECT_EQ(Con_Y_Mat(out.data(), line(1e-4, f).data(), y.data(), 3, 3, 1), 1);
    EXPECT_EQ(mat(out), before);
}

}  // namespace
