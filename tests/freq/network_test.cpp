// Lumped equivalent circuits and Y-matrix joins against physics: every
// network reciprocal and passive over frequency, closed forms at low
// frequency and at the limits of their values, and the junctions and joins
// against nodal analysis of the circuits they stand for.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <vector>

#include "freq/circuits.h"
#include "freq/freq.h"

namespace {

using cd = std::complex<double>;
using Mat = std::vector<cd>;  // row by row
using V = std::vector<double>;
constexpr double kTwoPi = 6.283185307179586, kSigma = 4.5e7, kW = kTwoPi * 2e10;  // at 20 GHz
const cd j{0.0, 1.0};

Mat mat(const std::vector<COMPLEX>& y) {
    Mat m;
    for (const COMPLEX& e : y) m.emplace_back(e.real, e.imag);
    return m;
}

void expect_near(const Mat& got, const Mat& want, double rel, const char* what) {
    double scale = 0;
    for (const cd& w : want) scale = std::max(scale, std::abs(w));
    for (std::size_t i = 0; i < want.size(); ++i)
        EXPECT_LE(std::abs(got[i] - want[i]), rel * scale) << what << " entry " << i << ": " << got[i];
}

// Nodal analysis by hand: branches between nodes (-1 = ground), then every
// node but the first `ports` eliminated.
struct Circuit {
    int n;
    Mat M;
    explicit Circuit(int nodes) : n(nodes), M(nodes * nodes) {}
    void branch(int a, int b, cd y) {
        M[a * n + a] += y;
        if (b >= 0) M[b * n + b] += y, M[a * n + b] -= y, M[b * n + a] -= y;
    }
    Mat reduce(int ports) const {
        Mat m = M, out;
        for (int k = n - 1; k >= ports; --k)
            for (int r = 0; r < k; ++r)
                for (int c = 0; c < k; ++c) m[r * n + c] -= m[r * n + k] * m[k * n + c] / m[k * n + k];
        for (int r = 0; r < ports; ++r) out.insert(out.end(), m.begin() + r * n, m.begin() + r * n + ports);
        return out;
    }
};

// Reciprocal, and passive: every principal 2 x 2 block of the Hermitian
// part positive semidefinite, so no pair of ports draws power out.
void expect_reciprocal_passive(const Mat& Y, int n, const char* what) {
    double scale = 0;
    for (const cd& e : Y) scale = std::max(scale, std::abs(e));
    const double tol = 1e-12 * scale;
    auto H = [&](int r, int c) { return 0.5 * (Y[r * n + c] + std::conj(Y[c * n + r])); };
    for (int r = 0; r < n; ++r)
        for (int c = 0; c < n; ++c) {
            EXPECT_LE(std::abs(Y[r * n + c] - Y[c * n + r]), tol) << what;
            EXPECT_GE(H(r, r).real() * H(c, c).real() - (r == c ? 0.0 : std::norm(H(r, c))), -tol * scale) << what;
            EXPECT_GE(H(r, r).real(), -tol) << what;
        }
}

// Realistic solved values: femtofarads, picohenries, 1-3 um gold arms.
const V kOpen{20e-15}, kShort{30e-12}, kGap{8e-15, 12e-15, 5e-15}, kStep{15e-12, 25e-12, 10e-15};
V with(V r, std::size_t at, V geo) { return std::copy(geo.begin(), geo.end(), r.begin() + at), r; }
const V kAir = with({20e-12, 6e-15, 1e-16, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 7, {15e-6, 30e-6, 5e-6, 3e-6});
const V kBend = with({12e-12, 18e-12, 9e-15, 2e-16, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 12,
                     {3e-6, 3e-6, 15e-6, 10e-6, 5e-6, 30e-6, 20e-6, 12e-6, 6e-6, 25e-6});
// Arms in slot order: thickness (1, 2, 3 .. um), then W, S, BG, BW each.
V junction(int arms, int geo, V lumped) {
    lumped.resize(geo + 5 * arms, 0.0);
    for (int a = 0; a < arms; ++a)
        lumped = with(lumped, geo + arms + 4 * a, {10e-6 + 5e-6 * a, 8e-6 + 2e-6 * a, 4e-6, 20e-6 + 3e-6 * a}),
        lumped[geo + a] = 1e-6 * (1 + a);
    return lumped;
}
const V kTee = junction(3, 17, {10e-12, 20e-12, 30e-12, 15e-15, 1e-16});
const V kCross = junction(4, 23, {10e-12, 20e-12, 30e-12, 40e-12, 5e-12, 25e-15, 1e-16});
V idc(double Ls, double T = 1e-6) {
    return {10e-15, 14e-15, 80e-15, 200e-12, 220e-12, 60e-12, Ls, 1.5, 1.7, 2e7, 2.2e7, T, 0, 0, 0, 0};
}
// Three winding segments: T, Cs, then R', R_dc, L, C of each.
const V kSpiral{1e-6, 4e-15, 0.8, 0.9, 0.7, 0.5, 0.6, 0.4, 300e-12, 350e-12, 100e-12, 20e-15, 25e-15, 5e-15};
const int kSegments = 3;

double R[4];  // arm or finger resistances of the last evaluation
template <int N>
Mat lumped(void (*fn)(const double*, double, COMPLEX*), const V& r, double f) {
    std::vector<COMPLEX> y(N * N);
    return fn(r.data(), f, y.data()), mat(y);
}
template <int N, class Fn>
Mat eval(Fn fn) {
    std::vector<COMPLEX> y(N * N);
    return fn(y.data()), mat(y);
}
Mat air(double f) { return eval<2>([&](COMPLEX* y) { Freq_Air(nullptr, kAir.data(), kSigma, f, R, y); }); }
Mat bend(double f) { return eval<2>([&](COMPLEX* y) { Freq_Bend(nullptr, kBend.data(), kSigma, f, R, R + 1, y); }); }
Mat tee(double f) {
    return eval<3>([&](COMPLEX* y) { Freq_Tee(nullptr, kTee.data(), kSigma, f, R, R + 1, R + 2, y); });
}
Mat cross(double f) {
    return eval<4>([&](COMPLEX* y) { Freq_Cross(nullptr, kCross.data(), kSigma, f, R, R + 1, R + 2, R + 3, y); });
}
Mat cap(double f, const V& r) { return eval<2>([&](COMPLEX* y) { Freq_Cap(r.data(), kSigma, f, R, R + 1, y); }); }
Mat spiral(double f, const int* n = &kSegments, const V& r = kSpiral) {
    return eval<2>([&](COMPLEX* y) { Freq_Ind2(n, r.data(), kSigma, f, R, y); });
}

TEST(Networks, ReciprocalFiniteAndPassiveFromDcTo100GHz) {
    for (double f : {0.0, 1.0, 1e6, 1e9, 2e10, 1e11}) {
        const std::pair<const char*, Mat> all[] = {
            {"open", lumped<1>(Freq_Open, kOpen, f)}, {"short", lumped<1>(Freq_Short, kShort, f)},
            {"gap", lumped<2>(Freq_Gap, kGap, f)},    {"step", lumped<2>(Freq_Step, kStep, f)},
            {"air", air(f)}, {"bend", bend(f)}, {"tee", tee(f)}, {"cross", cross(f)},
            {"idc", cap(f, idc(30e-12))}, {"spiral", spiral(f)}};
        for (const auto& [what, Y] : all) {
            for (const cd& v : Y) ASSERT_TRUE(std::isfinite(std::abs(v))) << what << " f=" << f;
            expect_reciprocal_passive(Y, static_cast<int>(std::sqrt(Y.size())), what);
        }
    }
}

TEST(Discontinuities, LowFrequencyClosedFormsAndLimits) {
    const double w = kTwoPi * 1e6;
    // Gap: Y22 + Y21 is the shunt Cp2 alone, -Y12 the series Cs.
    const Mat g = lumped<2>(Freq_Gap, kGap, 1e6);
    EXPECT_NEAR((g[3] + g[2]).imag() / w, kGap[1], 1e-27);
    EXPECT_NEAR(-g[1].imag() / w, kGap[2], 1e-27);
    // Step (and taper, the same circuit): L1 - Cp - L2.
    Circuit t(3);
    t.branch(0, 2, 1.0 / (5e-6 + j * kW * kStep[0]));
    t.branch(1, 2, 1.0 / (5e-6 + j * kW * kStep[1]));
    t.branch(2, -1, j * kW * kStep[2]);
    expect_near(lumped<2>(Freq_Step, kStep, 2e10), t.reduce(2), 1e-12, "step");
    EXPECT_EQ(lumped<2>(Freq_Taper, kStep, 2e10), lumped<2>(Freq_Step, kStep, 2e10));
    // No values: the open end and the gap are the fixed 1e-5 S, the short
    // and the step (also without Cp) the fixed 1e5 S connection.
    for (double f : {0.0, 1e9}) {
        EXPECT_EQ(lumped<1>(Freq_Open, V(3), f)[0], cd(1e-5, 0));
        EXPECT_NEAR(lumped<1>(Freq_Short, V(3), f)[0].real(), 1e5, 1e-6);
        expect_near(lumped<2>(Freq_Gap, V(3), f), {1e-5, -1e-5, -1e-5, 1e-5}, 1e-15, "open gap");
        expect_near(lumped<2>(Freq_Step, V(3), f), {1e5, -1e5, -1e5, 1e5}, 1e-12, "shorted step");
    }
}

// DC resistance l / (w sigma t) of an arm along its current path.
double dc_arm(double l, double w, double t) { return l / (w * kSigma * t); }

TEST(Junctions, NodalAnalysisOfTheirCircuitsAndArmPaths) {
    // Tee arm paths: the branch (arm 3) crosses the wider half of the
    // through line, arm 1 the branch's slot to its centre.
    tee(0.0);
    EXPECT_NEAR(R[0], dc_arm(4e-6 + 20e-6 + 20e-6 / 2 + 12e-6, 10e-6, 1e-6), 1e-12);
    EXPECT_NEAR(R[1], dc_arm(4e-6 + 23e-6 + 8e-6 + 10e-6 / 2, 15e-6, 2e-6), 1e-12);
    // Tee: arms R + jwL into one centre with G + jwCp to ground.
    Mat y = tee(2e10);
    Circuit tc(4);
    for (int a = 0; a < 3; ++a) tc.branch(a, 3, 1.0 / (R[a] + j * kW * kTee[a]));
    tc.branch(3, -1, kW * kTee[4] + j * kW * kTee[3]);
    expect_near(y, tc.reduce(3), 1e-12, "tee");
    // Crossing: ports (arms 1, 2, 4, 3) behind their resistances, a quarter
    // of the shunt at each, arms 1, 3 to one centre, 2, 4 to the other, the
    // centres linked by L5.
    y = cross(2e10);
    Circuit cc(10);
    const int centre[4] = {8, 9, 9, 8};
    for (int p = 0; p < 4; ++p) {
        cc.branch(p, 4 + p, 1.0 / R[p]);
        cc.branch(4 + p, -1, 0.25 * (kW * kCross[6] + j * kW * kCross[5]));
        cc.branch(4 + p, centre[p], 1.0 / (j * kW * kCross[p]));
    }
    cc.branch(8, 9, 1.0 / (j * kW * kCross[4]));
    expect_near(y, cc.reduce(4), 1e-9, "cross");
    cross(0.0);  // arm 4 (third port, 3 um) crosses the line of arms 1 and 3
    EXPECT_NEAR(R[2], dc_arm(4e-6 + 26e-6 + std::max(15e-6 / 2 + 10e-6, 25e-6 / 2 + 14e-6), 20e-6, 3e-6), 1e-9);
    // Bend: two arms and the corner.
    y = bend(2e10);
    Circuit bc(3);
    for (int a = 0; a < 2; ++a) bc.branch(a, 2, 1.0 / (R[a] + j * kW * kBend[a]));
    bc.branch(2, -1, kW * kBend[3] + j * kW * kBend[2]);
    expect_near(y, bc.reduce(2), 1e-12, "bend");
    // Without a shunt branch no current reaches ground: the rows sum to 0.
    V open = kTee;
    open[3] = open[4] = 0.0;
    y = eval<3>([&](COMPLEX* o) { Freq_Tee(nullptr, open.data(), kSigma, 2e10, R, R + 1, R + 2, o); });
    for (int r = 0; r < 3; ++r) EXPECT_LE(std::abs(y[3 * r] + y[3 * r + 1] + y[3 * r + 2]), 1e-12 * std::abs(y[0]));
    // Air bridge at DC: the bridge's resistance over BW + 2 BG.
    EXPECT_NEAR(air(0.0)[0].real(), 1.0 / dc_arm(30e-6 + 2 * 5e-6, 15e-6, 3e-6), 1e-6);
}

TEST(Components, CapacitorAndSpiralClosedForms) {
    // Interdigital at low frequency: Cs in series, Cp1 and Cp2 to ground.
    const double w = kTwoPi * 1e6;
    const Mat c = cap(1e6, idc(0.0));
    expect_near(c, {j * w * 90e-15, -j * w * 80e-15, -j * w * 80e-15, j * w * 94e-15}, 1e-5, "idc");
    // Open at DC, and without coupling capacitance; thin metal keeps the
    // fixed finger resistance.
    EXPECT_EQ(cap(0.0, idc(0.0)), Mat(4, 0.0));
    EXPECT_EQ(cap(2e10, with(idc(0.0), 2, {0.0}))[1], 0.0);
    cap(2e10, idc(0.0, 0.0));
    EXPECT_EQ(R[0], 1e-5);
    EXPECT_EQ(R[1], 1e-5);

    // Spiral at DC: the segments' DC resistances in series, the underpass
    // at a tenth of the thickness with 0.2 Ohm of contacts.
    const double x = 5.6e7 / kSigma, want = (0.5 + 0.6 + 0.4) * x + 0.2;
    expect_near(spiral(0.0), {1 / want, -1 / want, -1 / want, 1 / want}, 1e-12, "spiral at DC");
    EXPECT_NEAR(R[0], want, 1e-12);
    // At 1 MHz the series reactance is that of L1 + L2 + L3.
    EXPECT_NEAR((-1.0 / spiral(1e6)[1]).imag() / w, 750e-12, 1e-13);
    // One segment is the underpass alone; none has no network.
    const int one = 1, none = 0;
    spiral(0.0, &one, {1e-6, 4e-15, 0.8, 0.5, 300e-12, 20e-15});
    EXPECT_NEAR(R[0], 0.5 * x + 0.2, 1e-12);
    EXPECT_TRUE(std::isnan(spiral(1e9, &none)[0].real()) && std::isnan(R[0]));
}

// A lossy 50-ohm-ish line section.
std::vector<COMPLEX> line(double len, double f) {
    std::vector<COMPLEX> y(4);
    COMPLEX z0, g;
    return Calc_Leitung(30.0, 4.2e-7, 1e-3, 1.7e-10, len, f, y.data(), &z0, &g), y;
}

TEST(Compose, CascadeOfSectionsIsTheSummedSection) {
    for (double f : {1e8, 1e10, 6e10}) {
        std::vector<COMPLEX> out(4), a = line(300e-6, f), b = line(1.7e-3, f);
        Mult_Y_Matrix(out.data(), a.data(), b.data());
        expect_near(mat(out), mat(line(2e-3, f)), 1e-12, "cascade");
        Mult_Y_Matrix(b.data(), a.data(), b.data());  // the result may overwrite an operand
        EXPECT_EQ(mat(b), mat(out));
    }
}

TEST(Compose, JunctionWithLinesMatchesNodalAnalysis) {
    // The tee with a line on each port in turn against the whole circuit:
    // line ends 0..2, junction ports 3..5.
    std::vector<COMPLEX> y(9);
    Freq_Tee(nullptr, kTee.data(), kSigma, 2e10, R, R + 1, R + 2, y.data());
    Circuit whole(6);
    for (int r = 0; r < 9; ++r) whole.M[(3 + r / 3) * 6 + 3 + r % 3] += cd(y[r].real, y[r].imag);
    for (int k = 1; k <= 3; ++k) {
        const Mat l = mat(line(150e-6 * k, 2e10));
        for (int r = 0; r < 4; ++r) whole.M[(r / 2 ? k + 2 : k - 1) * 6 + (r % 2 ? k + 2 : k - 1)] += l[r];
        ASSERT_EQ(Con_Y_Mat(y.data(), line(150e-6 * k, 2e10).data(), y.data(), 2, 3, k), 0);
    }
    expect_near(mat(y), whole.reduce(3), 1e-10, "tee with lines");
    // Shapes that do not exist are refused and leave the result alone.
    const Mat before = mat(y);
    for (auto [na, nb, k] : {std::tuple{2, 3, 0}, {2, 3, 4}, {2, 30, 1}, {3, 3, 1}})
        EXPECT_EQ(Con_Y_Mat(y.data(), line(1e-4, 1e9).data(), y.data(), na, nb, k), 1);
    EXPECT_EQ(mat(y), before);
}

}  // namespace
