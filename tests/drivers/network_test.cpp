// The feed-line machinery of the element drivers, end to end on the stand-in
// host: real feed lines (the design's line type, solved by the cross-section
// solver) around test elements whose "solver" hands back fixed lumped
// values.  A through element between two feed lines must be one line of the
// summed length, as the CxLIN driver gives it.
#include <gtest/gtest.h>

#include <complex>
#include <utility>
#include <vector>

#include "cache/cache.h"
#include "drivers/network.h"
#include "freq/circuits.h"
#include "freq/freq.h"
#include "host.h"
#include "params/assembly.h"
#include "support/design.h"
#include "support/fresh_process.h"

namespace mirtex::test {
namespace {

using namespace mirtex::drivers;
using cd = std::complex<double>;
using Mat = std::vector<cd>;

double g_len[4];               // feed lengths the builder reports
std::vector<double> g_lumped;  // what the element's solver returns (and its key)
int g_solves = 0;

struct TestInputs {
    FeedPlan feeds;
};

// Reads a CxLIN instance (L, line type, substrate, grid): its line is every
// feed line.
int get_test(UserInstDef* inst, WARN** w, TestInputs& in) {
    params::Assembly a(inst, w, "C_TEST");
    params::LineItem line;
    if (a.begin() || a.grid(3, false) || a.line_type(1, line) || a.metals(line)) return 1;
    const double wges = params::region_width(line.rec, a.DL());
    if (a.substrate(2, wges, &in.feeds.tand) || a.box(wges, params::outer_width(line.rec, line.rec.GW, a.DL()), 0.0))
        return 1;
    int* ipar[] = {feed1_ipar, feed2_ipar, feed3_ipar, feed4_ipar};
    double* dpar[] = {feed1_dpar, feed2_dpar, feed3_dpar, feed4_dpar};
    for (int k = 0; k < 4; ++k) {
        if (a.feed(line, ipar[k], dpar[k])) return 1;
        in.feeds.length[k] = g_len[k];
        in.feeds.sigma[k] = 4.5e7 / line.rho;
    }
    // The element's key: its lumped values (all its integers 0).
    std::fill_n(gap_dpar, gap_n_dpar, 0.0), std::fill_n(tee_dpar, tee_n_dpar, 0.0);
    std::copy_n(g_lumped.begin(), std::min<std::size_t>(gap_n_dpar, g_lumped.size()), gap_dpar);
    std::copy_n(g_lumped.begin(), std::min<std::size_t>(tee_n_dpar, g_lumped.size()), tee_dpar);
    return 0;
}

int solve_fixed(const ResultVectors& v) {
    std::fill_n(*v.dpar_out, *v.n_dpar_out, 0.0);
    return std::copy(g_lumped.begin(), g_lumped.end(), *v.dpar_out), ++g_solves, 0;
}

void open_net(UserInstDef*, const TestInputs&, double f, COMPLEX* Y) { Freq_Open(gap_dpar_out, f, Y); }
void gap_net(UserInstDef*, const TestInputs&, double f, COMPLEX* Y) { Freq_Gap(gap_dpar_out, f, Y); }
void tee_net(UserInstDef*, const TestInputs&, double f, COMPLEX* Y) {
    double R[3];
    Freq_Tee(tee_ipar_out, tee_dpar_out, 4.5e7, f, R, R + 1, R + 2, Y);
}

template <const auto& D>
int pre(UserInstDef* i) {
    static WarningList w;
    return pre_step(element_of<D>(), w, i);
}
const SolvedResult kGapOwn{MIRTEX_RESULT_VECTORS(gap, gap, gap), "C_TEST(%s)", "oom %s", 1, solve_fixed, "C_TEST"};
const SolvedResult kTeeOwn{MIRTEX_RESULT_VECTORS(tee, tee, tee), "C_TEST(%s)", "oom %s", 1, solve_fixed, "C_TEST"};
const SolvedResult kOne[] = {kGapOwn, lone_feed_line("ERROR: C_FEED(%s): out of memory")};
const auto kTwo = with_feed_lines<2>(kGapOwn);
const auto kThree = with_feed_lines<3>(kTeeOwn);
const int kTeeOrder[] = {3, 1, 2};  // the user's line at each delivered port
extern const NetworkElement<TestInputs> kEnd, kCascade, kMirrored, kJunction;
const NetworkElement<TestInputs> kEnd{"C_TEND", get_test, pre<kEnd>, kOne, Joint::End, 1, {}, open_net};
const NetworkElement<TestInputs> kCascade{"C_TGAP", get_test, pre<kCascade>, kTwo, Joint::Cascade, 2, {}, gap_net};
const NetworkElement<TestInputs> kMirrored{"C_TAIR", get_test, pre<kMirrored>, kOne, Joint::Mirrored, 2, {}, gap_net};
const NetworkElement<TestInputs> kJunction{"C_TTEE", get_test,  pre<kJunction>, kThree, Joint::Junction,
                                           3,        kTeeOrder, tee_net,         true};

// The Y call of D; each is the first of an analysis (keep: a later one,
// which may use what the first kept).
template <const auto& D>
Mat y_of(UserInstDef* inst, double f, int n, int* rc = nullptr, bool keep = false) {
    static WarningList w;
    if (!keep) forget_all_evaluations();
    // The host matrix has the instance's node count (the test elements
    // borrow a CxLIN instance), of which the element writes n x n.
    const int nodes = std::max(n, inst->def->numExtNodes);
    std::vector<COMPLEX> y(nodes * nodes, COMPLEX{-7, -7});
    const int r = y_step(element_of<D>(), w, inst, 6.283185307179586 * f, y.data());
    if (rc) *rc = r;
    Mat out;
    for (int k = 0; k < n * n; ++k) out.emplace_back(y[k].real, y[k].imag);
    return out;
}

void expect_near(const Mat& got, const Mat& want, double rel, const char* what) {
    for (std::size_t i = 0; i < want.size(); ++i)
        EXPECT_LE(std::abs(got[i] - want[i]), rel * std::abs(want[0])) << what << " entry " << i;
}

class FeedLines : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(host::Host::get().boot_all());
        design.build();
        inst = design.line("E1", 1.0);
    }
    // The CxLIN of that length, through its own driver.
    Mat line(double len, double f) {
        const auto res = host::Host::get().analyse({design.line("TL" + std::to_string(++lines), len)}, {f});
        Mat out;
        for (const COMPLEX& e : res.points.at(0).y.at(0)) out.emplace_back(e.real, e.imag);
        return out;
    }
    Design design;
    UserInstDef* inst = nullptr;
    int lines = 0;
};

// A gap coupled by 0.1 mF: a through connection at these frequencies (far
// below the line impedance, far above its admittance).
const std::vector<double> kThroughGap{0.0, 0.0, 1e-4};

TEST_F(FeedLines, TwoPortsBetweenTheirLinesAreTheSummedLine) {
    MIRTEX_FRESH_PROCESS();
    g_lumped = kThroughGap;
    for (double f : {1e9, 3e10}) {
        g_len[0] = 100e-6, g_len[1] = 250e-6;
        expect_near(y_of<kCascade>(inst, f, 2), line(350e-6, f), 1e-5, "line 1, gap, line 2");
        expect_near(y_of<kMirrored>(inst, f, 2), line(200e-6, f), 1e-5, "line 1, bridge, line 1 again");
        g_len[0] = 0.0;
        expect_near(y_of<kCascade>(inst, f, 2), line(250e-6, f), 1e-5, "gap, line 2");
    }
    // One solve of the element; the pre step solved its lines although one
    // had length 0, into the entry the CxLIN instances share.
    EXPECT_EQ(g_solves, 1);
    EXPECT_EQ(root_line->next, nullptr);
}

TEST_F(FeedLines, LaterCallsOfAnAnalysisEvaluateWhatItsFirstBuilt) {
    g_lumped = kThroughGap;
    g_len[0] = 100e-6, g_len[1] = 250e-6;
    const Mat first = y_of<kCascade>(inst, 1e9, 2);
    // Within the analysis the inputs cannot change: a later call evaluates
    // the kept ones, and its own frequency.
    g_len[0] = 0.0;
    EXPECT_EQ(y_of<kCascade>(inst, 1e9, 2, nullptr, true), first);
    EXPECT_NE(y_of<kCascade>(inst, 2e9, 2, nullptr, true), first);
    // The next analysis sees the change, as does the instance's own pre
    // step and pre-analysis callback within one.
    EXPECT_NE(y_of<kCascade>(inst, 1e9, 2), first);
    g_len[0] = 100e-6;
    EXPECT_EQ(y_of<kCascade>(inst, 1e9, 2), first);
    g_len[0] = 0.0;
    pre<kCascade>(inst);
    EXPECT_NE(y_of<kCascade>(inst, 1e9, 2, nullptr, true), first);
    g_len[0] = 100e-6;
    cpw_all_pre(inst);
    --cpw_pre_flg;
    EXPECT_EQ(y_of<kCascade>(inst, 1e9, 2, nullptr, true), first);
}

TEST_F(FeedLines, EndsAreTheLineLoadedByTheirAdmittance) {
    // An open and a shorted (1 kF) line: Z_open Z_short = Z0^2, to the 1e-5 S
    // the open end keeps.
    g_len[0] = 4e-3;
    g_lumped = {0.0};
    const cd y_open = y_of<kEnd>(inst, 5e9, 1)[0];
    g_lumped = {1e3};
    const cd y_short = y_of<kEnd>(inst, 5e9, 1)[0];
    double R, G;
    COMPLEX z0, g, y[4];
    Freq_Line(feed1_dpar_out, 6e-4, g_len[0], 4.5e7, 5e9, &R, &G, &z0, &g, y);
    EXPECT_LE(std::abs(1.0 / (y_open * y_short) / (cd(z0.real, z0.imag) * cd(z0.real, z0.imag)) - 1.0), 2e-3);
    g_len[0] = 0.0;
    EXPECT_EQ(y_of<kEnd>(inst, 5e9, 1)[0], cd(1e-5, 6.283185307179586 * 5e9 * 1e3));
}

TEST_F(FeedLines, JunctionsArePermutedIntoNodeOrderAndNothingElse) {
    // The delivered matrix (arm 3, arm 1, arm 2) without lines.
    g_lumped.assign(32, 0.0);
    g_lumped[0] = 10e-12, g_lumped[1] = 20e-12, g_lumped[2] = 30e-12, g_lumped[3] = 15e-15;
    g_len[0] = g_len[1] = g_len[2] = 0.0;
    const Mat y = y_of<kJunction>(inst, 2e10, 3);
    std::vector<COMPLEX> d(9);
    double R[3];
    Freq_Tee(nullptr, g_lumped.data(), 4.5e7, 2e10, R, R + 1, R + 2, d.data());
    const int P[3] = {1, 2, 0};
    for (int i = 0; i < 9; ++i) EXPECT_EQ(y[i], cd(d[P[i / 3] * 3 + P[i % 3]].real, d[P[i / 3] * 3 + P[i % 3]].imag));
}

TEST_F(FeedLines, AFeedLineMissingFromTheCacheFailsOrIsSolved) {
    MIRTEX_FRESH_PROCESS();
    g_lumped = kThroughGap;
    g_len[0] = g_len[1] = g_len[2] = 100e-6;
    int rc = 0;
    y_of<kCascade>(inst, 1e9, 2, &rc);
    ASSERT_EQ(rc, 1);
    CACHE* hidden = std::exchange(root_line, nullptr);  // the element stays cached, its lines are gone
    host::Host::get().clear_log();
    EXPECT_EQ(y_of<kCascade>(inst, 1e9, 2, &rc)[0], cd(-7, -7)) << "host matrix written on failure";
    EXPECT_EQ(rc, 0);
    const std::string missing = "ERROR: C_TGAP(E1): C_FEED1: Missing Feed Line Data in Cache!";
    EXPECT_TRUE(host::Host::get().contains(host::Severity::Error, missing));
    EXPECT_TRUE(host::Host::get().contains(host::Severity::Error, "Simulation aborted due to ERROR! "));
    // A junction that solves missing lines goes on.
    root_line = hidden;
    g_lumped.assign(32, 0.0);
    y_of<kJunction>(inst, 1e9, 3, &rc);
    hidden = std::exchange(root_line, nullptr);
    y_of<kJunction>(inst, 1e9, 3, &rc);
    EXPECT_EQ(rc, 1);
    ASSERT_NE(root_line, nullptr);
    root_line->next = hidden;  // one line was solved; the chain is whole again
}

}  // namespace
}  // namespace mirtex::test
