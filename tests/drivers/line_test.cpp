// The line elements end to end on the stand-in host: analyses of CxLIN,
// CxFEED and CxMETVIA instances on a small GaAs design, checked against the
// line evaluation of their solved cross-sections, the cache, the messages
// and the debug file.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <complex>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "cache/cache.h"
#include "drivers/drivers.h"
#include "freq/freq.h"
#include "host.h"
#include "numeric/memory.h"
#include "params/params.h"
#include "support/design.h"
#include "support/tmpdir.h"
#include "support/fresh_process.h"

namespace mirtex::test {
namespace {

using host::Host;
using host::Severity;
using cd = std::complex<double>;

constexpr double kC0 = 299792458.0;
const std::string kAbort = "Simulation aborted due to ERROR! ";

int chain_length(const CACHE* c) {
    int n = 0;
    for (; c != nullptr; c = c->next) ++n;
    return n;
}

void set_real(UserInstDef* inst, const char* key, double v) {
    for (int i = 0; i < inst->def->numPars; ++i)
        if (std::strcmp(inst->def->params[i].keyword, key) == 0) {
            inst->params[i].value.r = v;
            return;
        }
    FAIL() << "no parameter " << key;
}

std::vector<std::string> lines(Severity s) {
    std::vector<std::string> out;
    for (const host::LogLine& l : Host::get().log())
        if (l.severity == s) out.push_back(l.text);
    return out;
}

std::size_t count_containing(Severity s, const std::string& part) {
    std::size_t n = 0;
    for (const std::string& l : lines(s)) n += l.find(part) != std::string::npos;
    return n;
}

// What the line evaluation gives for the instance's solved cross-section,
// with the builder's own rho, tand and length and the given conductivity
// (0: the one of the builder's rho).
struct Expected {
    std::vector<double> result;
    double rho = 0, tand = 0, L = 0;
};

Expected solved(UserInstDef* inst, bool via = false) {
    Expected e;
    WARN* w = nullptr;
    const int rc = via ? cpw_metvia_get(inst, &w, &e.rho, &e.tand, &e.L) : cpw_line_get(inst, &w, &e.rho, &e.tand, &e.L);
    Delete_Warning(&w);
    EXPECT_NE(rc, 1);
    int found = 0, n_iout = 0, n_dout = 0;
    int* iout = nullptr;
    double* dout = nullptr;
    root_line = cache(root_line, &found, "r", line_ipar, line_n_ipar, line_dpar, line_n_dpar, &iout, &n_iout, &dout,
                      &n_dout);
    EXPECT_EQ(found, 1) << "cross-section of " << inst->name << " not cached";
    if (found) e.result.assign(dout, dout + n_dout);
    if (dout != nullptr) g_free(reinterpret_cast<char*>(dout));
    if (iout != nullptr) g_free(reinterpret_cast<char*>(iout));
    return e;
}

std::vector<COMPLEX> freq_line(const Expected& e, double f, double sigma) {
    std::vector<COMPLEX> y(4);
    double R, G;
    COMPLEX z{}, g{};
    Freq_Line(e.result.data(), e.tand, e.L, sigma, f, &R, &G, &z, &g, y.data());
    return y;
}

void expect_same(const std::vector<COMPLEX>& got, const std::vector<COMPLEX>& want, const std::string& what) {
    ASSERT_EQ(got.size(), want.size()) << what;
    for (std::size_t i = 0; i < got.size(); ++i) {
        EXPECT_EQ(got[i].real, want[i].real) << what << " entry " << i;
        EXPECT_EQ(got[i].imag, want[i].imag) << what << " entry " << i;
    }
}

class LineDriver : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(Host::get().boot_all());
        Host::get().clear_log();
        design.build();
    }
    host::AnalysisResult run(const std::vector<UserInstDef*>& insts, const std::vector<double>& f) {
        return Host::get().analyse(insts, f);
    }
    Design design;
};

TEST_F(LineDriver, SectionMatrixIsTheLineEvaluationOfItsSolvedCrossSection) {
    MIRTEX_FRESH_PROCESS();
    UserInstDef* tl = design.line("TL1", 300e-6);
    const std::vector<double> freqs = {0.0, 1e9, 10e9, 40e9};
    const auto res = run({tl}, freqs);
    ASSERT_TRUE(res.ok) << res.error;
    EXPECT_EQ(cpw_pre_flg, 0);
    EXPECT_TRUE(lines(Severity::Error).empty());

    const Expected e = solved(tl);
    ASSERT_EQ(e.result.size(), 8u);
    EXPECT_EQ(e.rho, 1.0);
    EXPECT_EQ(e.tand, 6e-4);
    for (std::size_t k = 0; k < freqs.size(); ++k)
        expect_same(res.points[k].y[0], freq_line(e, freqs[k], 4.5e7 / e.rho), "f=" + std::to_string(freqs[k]));
}

TEST_F(LineDriver, EachCrossSectionIsSolvedOnceAndTheCounterEmpties) {
    MIRTEX_FRESH_PROCESS();
    UserInstDef* a = design.line("TL1", 100e-6);
    UserInstDef* b = design.line("TL2", 250e-6);
    UserInstDef* c = design.line("TL3", 50e-6);
    UserInstDef* feed = design.line("TF1", 80e-6, "CxFEED");
    const auto res = run({a, b, c, feed}, {1e9, 2e9, 3e9});
    ASSERT_TRUE(res.ok) << res.error;
    EXPECT_EQ(cpw_pre_flg, 0);
    EXPECT_EQ(Host::get().count(Severity::Info, "Calculating C_LINE"), 1u);
    EXPECT_EQ(chain_length(root_line), 1);
    // Different lengths, one cross-section: the matrices differ.
    EXPECT_NE(res.points[0].y[0][1].imag, res.points[0].y[1][1].imag);

    // A later analysis of the same design finds everything in the cache.
    Host::get().clear_log();
    ASSERT_TRUE(run({a, b}, {5e9}).ok);
    EXPECT_EQ(Host::get().count(Severity::Info, "Calculating C_LINE"), 0u);
    EXPECT_EQ(cpw_pre_flg, 0);
}

TEST_F(LineDriver, ChangedParameterBetweenAnalysesSolvesAnew) {
    MIRTEX_FRESH_PROCESS();
    UserInstDef* tl = design.line("TL1", 200e-6);
    const auto first = run({tl}, {10e9});
    ASSERT_TRUE(first.ok);
    set_real(Host::get().find(design.lintyp.c_str()), "W", 20e-6);
    const auto second = run({tl}, {10e9});
    ASSERT_TRUE(second.ok) << second.error;
    EXPECT_EQ(Host::get().count(Severity::Info, "Calculating C_LINE"), 2u);
    EXPECT_EQ(chain_length(root_line), 2);
    EXPECT_NE(first.points[0].y[0][0].imag, second.points[0].y[0][0].imag);
    expect_same(second.points[0].y[0], freq_line(solved(tl), 10e9, 4.5e7), "after the change");
}

TEST_F(LineDriver, WarningsOncePerAnalysisAndAgainOnACacheMiss) {
    MIRTEX_FRESH_PROCESS();
    // A strip of 15.2 um moves to 15 um on the 1-um grid (within tolerance).
    design.line_type("LTW", {{"W", host::Value::Real(15.2e-6)}});
    design.lintyp = "LTW";
    UserInstDef* tl = design.line("TLW");
    ASSERT_TRUE(run({tl}, {1e9, 2e9, 3e9, 4e9}).ok);
    const std::vector<std::string> info = lines(Severity::Info);
    ASSERT_EQ(count_containing(Severity::Info, "WARNING C_LIN(TLW) : "), 1u);
    EXPECT_EQ(count_containing(Severity::Info, "is changed"), 1u);

    ASSERT_TRUE(run({tl}, {1e9, 2e9}).ok);
    EXPECT_EQ(count_containing(Severity::Info, "WARNING C_LIN(TLW) : "), 2u);

    // Outside an analysis's first calls (counter 0), a geometry the cache
    // does not hold runs the pre step: solved and warned once more.
    set_real(Host::get().find("LTW"), "S", 12.2e-6);
    std::vector<COMPLEX> y(4);
    ASSERT_EQ(cpw_pre_flg, 0);
    EXPECT_EQ(cpw_line_y(tl, 6.283185307179586e9, y.data()), 1);
    EXPECT_EQ(Host::get().count(Severity::Info, "Calculating C_LINE"), 2u);
    EXPECT_EQ(count_containing(Severity::Info, "WARNING C_LIN(TLW) : "), 4u);  // W and S changed
    EXPECT_EQ(cpw_pre_flg, 0);

    // With the counter at 0 and the geometry cached: no message at all.
    Host::get().clear_log();
    EXPECT_EQ(cpw_line_y(tl, 6.283185307179586e9, y.data()), 1);
    EXPECT_TRUE(Host::get().log().empty());
}

TEST_F(LineDriver, InvalidLineReportsItsErrorsAndAborts) {
    MIRTEX_FRESH_PROCESS();
    // An error the builder lists: sent as "ERROR <text>", then the abort line.
    auto res = run({design.line("TLN", std::nan(""))}, {1e9, 2e9});
    EXPECT_FALSE(res.ok);
    std::vector<std::string> err = lines(Severity::Error);
    ASSERT_GE(err.size(), 2u);
    EXPECT_EQ(err[0], "ERROR CxLIN(TLN) : L=nan invalid value ! (finite value required)");
    EXPECT_EQ(err[1], kAbort);

    // An error the lookup reports itself: its message, then the abort line.
    Host::get().clear_log();
    design.lintyp = "NO_SUCH_TYPE";
    res = run({design.line("TLX")}, {1e9, 2e9});
    EXPECT_FALSE(res.ok);
    err = lines(Severity::Error);
    ASSERT_GE(err.size(), 3u);
    EXPECT_EQ(err[err.size() - 2], kAbort);  // the host's own line follows
    EXPECT_EQ(count_containing(Severity::Error, kAbort), 1u);
    EXPECT_EQ(Host::get().count(Severity::Info, "Calculating C_LINE"), 0u);
    EXPECT_EQ(root_line, nullptr);
}

TEST_F(LineDriver, FeedLineFailsSilentlyInItsYCallback) {
    UserInstDef* feed = design.line("TFX", std::nan(""), "CxFEED");
    // Its pre step is the host's pre-analysis callback: it reports.
    EXPECT_EQ(cpw_line_pre(feed), 0);
    EXPECT_GE(count_containing(Severity::Error, "ERROR "), 1u);
    Host::get().clear_log();
    std::vector<COMPLEX> y(4, COMPLEX{7, 7});
    for (double f : {1e9, 2e9}) EXPECT_EQ(cpw_feed_y(feed, 6.283185307179586 * f, y.data()), 0);
    EXPECT_TRUE(Host::get().log().empty());
    EXPECT_EQ(y[0].real, 7);  // matrix left alone
}

TEST_F(LineDriver, ViaUsesTheBetterConductingMetal) {
    MIRTEX_FRESH_PROCESS();
    // Level 1: rho 1.0; level 2: rho 0.9.
    design.line_type("LT2", {{"CEN_MET", host::Value::Int(2)}, {"GND_MET", host::Value::Int(2)}});
    UserInstDef* via = design.via("V1", design.lintyp, "LT2", 20e-6);
    const auto res = run({via}, {5e9, 30e9});
    ASSERT_TRUE(res.ok) << res.error;
    EXPECT_EQ(cpw_pre_flg, 0);
    const Expected e = solved(via, true);
    EXPECT_EQ(e.rho, 0.9);
    EXPECT_EQ(e.result[7], 4e-6);  // the thickness of both metals
    expect_same(res.points[0].y[0], freq_line(e, 5e9, 4.5e7 / 0.9), "via at 5 GHz");
    expect_same(res.points[1].y[0], freq_line(e, 30e9, 4.5e7 / 0.9), "via at 30 GHz");
    const auto gold = freq_line(e, 30e9, 4.5e7 / 1.0);
    EXPECT_NE(gold[0].real, res.points[1].y[0][0].real);
}

TEST_F(LineDriver, ZeroResistivityIsRejectedByTheTechnologyCheck) {
    MIRTEX_FRESH_PROCESS();
    design.tech_params = with(design.tech_params, "rho1", host::Value::Real(0.0));
    Host::get().clear_instances();
    design.build();
    UserInstDef* tl = design.line("TL0", 100e-6);
    const auto res = run({tl}, {1e9});
    EXPECT_FALSE(res.ok);
    EXPECT_GE(count_containing(Severity::Error, "rho"), 1u);
    EXPECT_EQ(count_containing(Severity::Error, kAbort), 1u);
}

TEST_F(LineDriver, SolverInterruptAndMemoryFailuresEndTheEvaluation) {
    MIRTEX_FRESH_PROCESS();
    UserInstDef* tl = design.line("TL1", 100e-6);
    CPW_Misc.abort_request = 1;
    auto res = run({tl}, {1e9});
    EXPECT_FALSE(res.ok);
    EXPECT_EQ(lines(Severity::Error).at(0), "User Interrupt !");
    EXPECT_EQ(count_containing(Severity::Error, kAbort), 1u);
    EXPECT_EQ(root_line, nullptr);  // nothing cached from a stopped run

    Host::get().clear_log();
    fail_g_malloc_after(0);
    res = run({tl}, {1e9});
    fail_g_malloc_after(-1);
    EXPECT_FALSE(res.ok);
    EXPECT_EQ(count_containing(Severity::Error, "ERROR: C_LIN(TL1): Memory Overflow! Failed to Calculate Element!"),
              1u);
    EXPECT_EQ(root_line, nullptr);

    // Both were transient: the next analysis solves.
    Host::get().clear_log();
    ASSERT_TRUE(run({tl}, {1e9}).ok);
    EXPECT_EQ(chain_length(root_line), 1);
}

// S21 of a two-port from its Y matrix at a 50-ohm reference.
cd s21(const std::vector<COMPLEX>& Y) {
    const double z0 = 50.0;
    const cd y11 = cd(Y[0].real, Y[0].imag) * z0, y12 = cd(Y[1].real, Y[1].imag) * z0;
    const cd y21 = cd(Y[2].real, Y[2].imag) * z0, y22 = cd(Y[3].real, Y[3].imag) * z0;
    return -2.0 * y21 / ((1.0 + y11) * (1.0 + y22) - y12 * y21);
}

TEST_F(LineDriver, LowLossLineTransmitsWithTheSolvedImpedanceAndPermittivity) {
    const double l = 1e-3;
    UserInstDef* tl = design.line("TL1", l);
    const std::vector<double> freqs = {1e9, 5e9, 20e9};
    const auto res = run({tl}, freqs);
    ASSERT_TRUE(res.ok) << res.error;
    const Expected e = solved(tl);
    const double zl = e.result[4], er_eff = e.result[5];
    // A GaAs CPW of 15/10 um: near 50 ohm, er_eff near (12.9 + 1) / 2.
    EXPECT_GT(zl, 35.0);
    EXPECT_LT(zl, 65.0);
    EXPECT_NEAR(er_eff, 6.95, 0.7);
    for (std::size_t k = 0; k < freqs.size(); ++k) {
        const double theta = 6.283185307179586 * freqs[k] * l * std::sqrt(er_eff) / kC0;
        // The lossless line of impedance zl between 50-ohm ports.
        const double m = zl / 50.0 + 50.0 / zl;
        const cd lossless = 2.0 / cd(2.0 * std::cos(theta), m * std::sin(theta));
        const cd got = s21(res.points[k].y[0]);
        EXPECT_NEAR(std::arg(got), std::arg(lossless), 0.01) << freqs[k];
        // Loss: alpha = R / (2 ZL) + G ZL / 2 for a low-loss line.
        double R = 0, G = 0;
        std::vector<COMPLEX> y(4);
        COMPLEX z{}, g{};
        Freq_Line(e.result.data(), e.tand, l, 4.5e7, freqs[k], &R, &G, &z, &g, y.data());
        const double alpha = R / (2 * zl) + G * zl / 2;
        EXPECT_NEAR(std::abs(got), std::abs(lossless) * std::exp(-alpha * l), 5e-3) << freqs[k];
        EXPECT_LT(std::abs(got), std::abs(lossless));
    }
}

// ------------------------------------------------------------ debug file

std::string read(const std::string& path) {
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

class LineDebugFile : public LineDriver {
protected:
    void SetUp() override {
        ASSERT_EQ(chdir(dir.path().c_str()), 0);
        LineDriver::SetUp();
    }
    void debug_item(const std::string& name, int flag_static, int flag_dynamic, int flag_inputs) {
        design.item("C_DEBUG", name,
                    {{"Flag1", host::Value::Int(flag_static)}, {"Flag2", host::Value::Int(flag_dynamic)},
                     {"Flag3", host::Value::Int(flag_inputs)}, {"Flag4", host::Value::Int(0)},
                     {"FILE", host::Value::Strg("debug.txt")}});
    }
    TempDir dir{"mirtex-line-debug"};
};

TEST_F(LineDebugFile, StaticReportsAndPerFrequencyRows) {
    MIRTEX_FRESH_PROCESS();
    debug_item("C_DEBUG_DEFAULT", 1, 1, 1);
    UserInstDef* tl = design.line("TL1", 100e-6);
    UserInstDef* tf = design.line("TF1", 50e-6, "CxFEED");
    UserInstDef* t0 = design.line("TL0", 0.0);
    ASSERT_TRUE(run({tl, tf, t0}, {1e9, 2e9}).ok);
    const std::string t = read(dir.file("debug.txt"));
    EXPECT_EQ(t.rfind("ZOKA Debug File\n\n", 0), 0u) << t;
    // The feed line's pre step ran first, as the host's pre-analysis call.
    const std::size_t feed = t.find("C_LIN (TF1): ____"), line = t.find("C_LIN (TL1): ____");
    ASSERT_NE(feed, std::string::npos) << t;
    ASSERT_NE(line, std::string::npos) << t;
    EXPECT_LT(feed, line);
    EXPECT_NE(t.find(" >Input Parameters (int):\n  W/DL=15  2*W/DL=30  2*S/DL=20  2*GW/DL=100  "), std::string::npos);
    EXPECT_NE(t.find("ER2=12.9"), std::string::npos);
    EXPECT_NE(t.find(" >Static Output Parameters (double):\n  C'[F/m]="), std::string::npos);
    EXPECT_NE(t.find("\n  ZL[ohm]="), std::string::npos);
    EXPECT_EQ(t.find("not enough parameters"), std::string::npos) << t;
    // Rows: heading at the first frequency, one row per point, the feed
    // line under its own label.
    EXPECT_NE(t.find("C_LIN(TL1):\nElement  f[GHz]  R[Ohm]       G[S]"), std::string::npos) << t;
    EXPECT_NE(t.find("C_FEED(TF1):\nElement  f[GHz]"), std::string::npos) << t;
    EXPECT_NE(t.find("\nTL1       1       "), std::string::npos) << t;
    EXPECT_NE(t.find("\nTL1       2       "), std::string::npos) << t;
    EXPECT_EQ(t.find("C_LIN(TL1):", t.find("C_LIN(TL1):") + 1), std::string::npos);
    // A zero-length section has no impedance or propagation constant: zeros.
    const std::size_t row = t.find("\nTL0       1       ");
    ASSERT_NE(row, std::string::npos) << t;
    const std::string zl_to_beta = t.substr(row + 1 + 9 + 8 + 2 * 13, 4 * 13);
    EXPECT_EQ(zl_to_beta, " 0            0            0            0           ") << t;
}

TEST_F(LineDebugFile, RowsOnlyWithFlag2AndNoFileWithoutTheNamedItems) {
    MIRTEX_FRESH_PROCESS();
    debug_item("C_DEBUG1", 0, 0, 0);
    UserInstDef* tl = design.line("TL1", 100e-6);
    ASSERT_TRUE(run({tl}, {1e9, 2e9}).ok);
    EXPECT_EQ(read(dir.file("debug.txt")),
              "ZOKA Debug File\n\nC_LIN (TL1): " + std::string(68, '_') + "\n\n\n\n");
}

TEST_F(LineDebugFile, OtherDebugItemsCreateNoFile) {
    debug_item("C_DEBUG2", 1, 1, 1);
    UserInstDef* tl = design.line("TL1", 100e-6);
    ASSERT_TRUE(run({tl}, {1e9}).ok);
    EXPECT_FALSE(std::filesystem::exists(dir.file("debug.txt")));
}

}  // namespace
}  // namespace mirtex::test
