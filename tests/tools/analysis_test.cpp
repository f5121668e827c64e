// The circuit analysis against closed forms: circuits of ideal elements
// (tests/tools/model) whose S-parameters follow from chain matrices or from
// their open-circuit impedance matrices, for equal and unequal port
// references, with internal nodes.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <csignal>

#include <fmt/format.h>

#include "sim/analysis.h"
#include "sim_support.h"

namespace {

using cd = std::complex<double>;
using mirtex::sim::ParamKind;
using mirtex::sim::RunResult;
using mirtex::test::run_text;
constexpr double kPi = 3.14159265358979323846;
constexpr double kC0 = 299792458.0;
constexpr cd kJ(0.0, 1.0);

struct Abcd {
    cd a, b, c, d;
    Abcd operator*(const Abcd& o) const {
        return {a * o.a + b * o.c, a * o.b + b * o.d, c * o.a + d * o.c, c * o.b + d * o.d};
    }
};

Abcd series(cd z) { return {1.0, z, 0.0, 1.0}; }
Abcd shunt(cd y) { return {1.0, 0.0, y, 1.0}; }
Abcd line(double z0, double er, double len, double f) {
    const double t = 2 * kPi * f * std::sqrt(er) / kC0 * len;
    return {std::cos(t), kJ * z0 * std::sin(t), kJ * std::sin(t) / z0, std::cos(t)};
}

// S of a two-port from its chain matrix, ports referred to real z1, z2.
Eigen::Matrix2cd s_of(const Abcd& m, double z1, double z2) {
    const cd den = m.a * z2 + m.b + m.c * z1 * z2 + m.d * z1;
    const double root = std::sqrt(z1 * z2);
    Eigen::Matrix2cd s;
    s << (m.a * z2 + m.b - m.c * z1 * z2 - m.d * z1) / den, 2.0 * (m.a * m.d - m.b * m.c) * root / den,
        2.0 * root / den, (-m.a * z2 + m.b - m.c * z1 * z2 + m.d * z1) / den;
    return s;
}

// S from an open-circuit impedance matrix and real references.
Eigen::MatrixXcd s_of_z(const Eigen::MatrixXcd& z, const std::vector<double>& r) {
    const auto n = z.rows();
    Eigen::MatrixXcd zr = Eigen::MatrixXcd::Zero(n, n), root = zr, inv_root = zr;
    for (Eigen::Index k = 0; k < n; ++k) {
        zr(k, k) = r[static_cast<std::size_t>(k)];
        root(k, k) = std::sqrt(r[static_cast<std::size_t>(k)]);
        inv_root(k, k) = 1.0 / root(k, k);
    }
    return inv_root * (z - zr) * (z + zr).inverse() * root;
}

double max_diff(const Eigen::MatrixXcd& a, const Eigen::MatrixXcd& b) { return (a - b).cwiseAbs().maxCoeff(); }

const char* kFreqs = "S_Param:SP List=\"0.5GHz 1GHz 2.5GHz 4GHz 7GHz 10GHz\"\n";
const double kFreqList[] = {0.5e9, 1e9, 2.5e9, 4e9, 7e9, 10e9};

class Analysis : public ::testing::Test {
protected:
    void SetUp() override { mirtex::test::load_model(mirtex::test::kIdealModel); }
    void TearDown() override { mirtex::host::Host::get().clear_instances(); }
};

std::string ports(double z1, double z2) {
    return fmt::format("Term:P1 1 0 Num=1 Z={}\nTerm:P2 2 0 Num=2 Z={}\n", z1, z2);
}

TEST_F(Analysis, TwoPortCascadesMatchTheirChainMatrices) {
    const std::string lines = "TLTYPE:T70 Z0=70 ER=6.5\nTLTYPE:T35 Z0=35 ER=9\n";
    // A lone series resistor, and a chain line - resistor - shunt C - line
    // whose two inner nodes the analysis must eliminate.
    const std::string lone = "TSER:R1 1 2 R=30\n";
    const std::string chain = "TLINE:L1 1 a L=2mm C_LTYP=T70\nTSER:R1 a b R=12\nTSHC:C1 b C=0.4pF\n"
                              "TLINE:L2 b 2 L=1.3mm C_LTYP=T35\n";
    for (auto [z1, z2] : {std::pair{50.0, 50.0}, {25.0, 100.0}, {75.0, 50.0}, {10.0, 300.0}}) {
        for (const std::string* body : {&lone, &chain}) {
            mirtex::host::Host::get().clear_instances();
            const RunResult r = run_text(lines + *body + ports(z1, z2) + kFreqs);
            ASSERT_EQ(r.status, RunResult::Status::Ok) << r.why;
            ASSERT_EQ(r.data.s.size(), 6u);
            for (std::size_t k = 0; k < 6; ++k) {
                const double f = kFreqList[k];
                const Abcd m = body == &lone ? series(30.0)
                                             : line(70, 6.5, 2e-3, f) * series(12.0) *
                                                   shunt(kJ * 2.0 * kPi * f * 0.4e-12) * line(35, 9, 1.3e-3, f);
                EXPECT_LT(max_diff(r.data.s[k], s_of(m, z1, z2)), 1e-12)
                    << "Z=" << z1 << "," << z2 << " f=" << f << (body == &lone ? " lone" : " chain");
            }
        }
    }
}

TEST_F(Analysis, OnePortReflectionsMatchTheirLoads) {
    for (double z0 : {25.0, 50.0, 93.0}) {
        mirtex::host::Host::get().clear_instances();
        // A capacitor at the port, and a resistor in series with a capacitor
        // through an inner node.
        const RunResult a = run_text(fmt::format("TSHC:C1 1 C=1pF\nTerm:P1 1 0 Num=1 Z={}\n{}", z0, kFreqs));
        mirtex::host::Host::get().clear_instances();
        const RunResult b =
            run_text(fmt::format("TSER:R1 1 n R=20\nTSHC:C1 n C=1pF\nTerm:P1 1 gnd Num=1 Z={}\n{}", z0, kFreqs));
        ASSERT_EQ(a.status, RunResult::Status::Ok) << a.why;
        ASSERT_EQ(b.status, RunResult::Status::Ok) << b.why;
        for (std::size_t k = 0; k < 6; ++k) {
            const cd zc = 1.0 / (kJ * 2.0 * kPi * kFreqList[k] * 1e-12);
            EXPECT_LT(std::abs(a.data.s[k](0, 0) - (zc - z0) / (zc + z0)), 1e-12);
            EXPECT_LT(std::abs(b.data.s[k](0, 0) - (20.0 + zc - z0) / (20.0 + zc + z0)), 1e-12);
        }
    }
}

// Star networks: port k reaches a common inner node through R_k, the inner
// node reaches ground through R0, so Z_ij = R0 + delta_ij R_i.
TEST_F(Analysis, StarsOfThreeAndFourPortsMatchTheirImpedanceMatrices) {
    const double arms[] = {10.0, 47.0, 150.0, 5.0};
    const double r0 = 33.0;
    for (int n : {3, 4}) {
        for (const std::vector<double>& refs : {std::vector<double>(4, 50.0), std::vector<double>{25, 50, 100, 75}}) {
            mirtex::host::Host::get().clear_instances();
            std::string text = fmt::format("TSER:R0 c 0 R={}\n", r0);
            for (int k = 1; k <= n; ++k)
                text += fmt::format("TSER:R{0} p{0} c R={1}\nTerm:P{0} p{0} 0 Num={0} Z={2}\n", k, arms[k - 1],
                                    refs[static_cast<std::size_t>(k - 1)]);
            const RunResult r = run_text(text + "S_Param:SP Start=1GHz Stop=2GHz Points=2\n");
            ASSERT_EQ(r.status, RunResult::Status::Ok) << r.why;
            Eigen::MatrixXcd z = Eigen::MatrixXcd::Constant(n, n, r0);
            for (int k = 0; k < n; ++k) z(k, k) += arms[k];
            const std::vector<double> used(refs.begin(), refs.begin() + n);
            EXPECT_LT(max_diff(r.data.s[0], s_of_z(z, used)), 1e-12) << n << " ports";
            // Back to Z and Y from the S matrix.
            const auto zs = mirtex::sim::convert(r.data.s[0], used, ParamKind::Z);
            const auto ys = mirtex::sim::convert(r.data.s[0], used, ParamKind::Y);
            EXPECT_LT(max_diff(zs, z) / z.cwiseAbs().maxCoeff(), 1e-12);
            EXPECT_LT(max_diff(ys * z, Eigen::MatrixXcd::Identity(n, n)), 1e-12);
        }
    }
}

TEST_F(Analysis, LineAdmittanceIsRecoveredWhateverThePortReferences) {
    const RunResult r =
        run_text("TLTYPE:T Z0=60 ER=4\nTLINE:L1 1 2 L=3mm C_LTYP=T\n" + ports(30.0, 120.0) + kFreqs);
    ASSERT_EQ(r.status, RunResult::Status::Ok) << r.why;
    for (std::size_t k = 0; k < 6; ++k) {
        const double t = 2 * kPi * kFreqList[k] * 2.0 / kC0 * 3e-3;
        Eigen::Matrix2cd y;
        y << -kJ / (60.0 * std::tan(t)), kJ / (60.0 * std::sin(t)), kJ / (60.0 * std::sin(t)),
            -kJ / (60.0 * std::tan(t));
        const auto got = mirtex::sim::convert(r.data.s[k], r.data.z_ref, ParamKind::Y);
        EXPECT_LT(max_diff(got, y), 1e-12 * y.cwiseAbs().maxCoeff()) << kFreqList[k];
    }
}

TEST_F(Analysis, FailuresAreReportedNotWritten) {
    auto& h = mirtex::host::Host::get();
    const std::string tail = "Term:P1 1 0 Num=1\nS_Param:SP Start=1GHz Stop=2GHz Points=3\n";
    // A resistor between two nodes that touch nothing else floats.
    RunResult r = run_text("TSHC:C1 1 C=1pF\nTSER:R9 x y R=5\n" + tail);
    EXPECT_EQ(r.status, RunResult::Status::SolveFailed);
    EXPECT_NE(r.why.find("singular at 1e+09 Hz"), std::string::npos) << r.why;
    EXPECT_TRUE(r.data.s.empty());

    h.clear_instances();
    r = run_text("TSER:R1 1 0 R=0\n" + tail);  // an infinite conductance
    EXPECT_EQ(r.status, RunResult::Status::SolveFailed);
    EXPECT_NE(r.why.find("TSER:R1 is not finite"), std::string::npos) << r.why;

    h.clear_instances();
    r = run_text("TSHC:C1 1 C=1pF\nTFAIL:F1 1 0 R=1 TEMP=20\n" + tail);
    EXPECT_EQ(r.status, RunResult::Status::ElementFailed);
    EXPECT_NE(r.why.find("TFAIL:F1"), std::string::npos) << r.why;
    EXPECT_TRUE(h.contains(mirtex::host::Severity::Error, "TFAIL(F1): cannot evaluate"));
}

TEST_F(Analysis, PortsSharingANodeHaveNoAdmittanceMatrix) {
    const RunResult r = run_text("TSHC:C1 n C=1pF\nTerm:P1 n 0 Num=1\nTerm:P2 n 0 Num=2\n"
                                 "S_Param:SP Start=1GHz Stop=1GHz Points=1\n");
    ASSERT_EQ(r.status, RunResult::Status::Ok) << r.why;
    EXPECT_THROW(mirtex::sim::convert(r.data.s[0], r.data.z_ref, ParamKind::Y), std::domain_error);
    EXPECT_NO_THROW(mirtex::sim::convert(r.data.s[0], r.data.z_ref, ParamKind::Z));
}

TEST_F(Analysis, StopRequestEndsTheSweepAsInterrupted) {
    auto& h = mirtex::host::Host::get();
    mirtex::sim::Netlist nl = mirtex::sim::parse_netlist(
        "TSHC:C1 1 C=1pF\nTerm:P1 1 0 Num=1\nS_Param:SP Start=1GHz Stop=2GHz Points=100\n", "t.net", h);
    mirtex::sim::Circuit c(nl, mirtex::sim::create_instances(nl, h));
    volatile std::sig_atomic_t stop = 0;
    mirtex::sim::RunOptions opt;
    opt.stop = &stop;
    opt.progress = [&](std::size_t k, std::size_t) {
        if (k == 9) stop = 1;
    };
    const RunResult r = mirtex::sim::run_sweep(c, nl, h, opt);
    EXPECT_EQ(r.status, RunResult::Status::Interrupted);
    EXPECT_EQ(r.data.s.size(), 10u);
}

}  // namespace
