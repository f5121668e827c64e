// Running a cross-section solve: progress lines, the stop request, the
// sweep bound, the calculation file, and what every exit leaves behind.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "binding/messages.h"
#include "cache/calc_file.h"
#include "host.h"
#include "mirtex/mirtex.h"
#include "numeric/arrays.h"
#include "solver/kernel.h"
#include "solver/line.h"
#include "solver/line_inputs.h"
#include "solver/solver.h"
#include "support/fresh_process.h"

using mirtex::host::Host;
using mirtex::host::LogLine;
using mirtex::host::Severity;
using namespace mirtex::test;

namespace {

// A small line that solves in well under a millisecond.
LineSpec small_line() {
    LineSpec s;
    s.DL = 2e-6;
    s.W = 8e-6;
    s.S = 6e-6;
    s.L1 = 64e-6;
    s.H2 = 40e-6;
    s.H3 = 60e-6;
    s.bound = 1e-6;
    return s;
}

std::string line_file() {
    return mirtex::table_directory() + "cpw_line.cdb";
}

bool file_exists() {
    return std::filesystem::exists(line_file());
}

// A progress line of the caption C_LIN(TL1): its run and sweep count.
struct Progress {
    std::string run;
    int sweep;
};
bool parse_progress(const std::string& text, Progress& p) {
    const std::string head = "C_LIN(TL1) : ";
    if (text.rfind(head, 0) != 0) return false;
    char run[8] = {};
    int sweep = 0, used = 0;
    double e = 0.0;
    if (std::sscanf(text.c_str() + head.size(), "%7[0-9/]   n= %d    e= %lg%n", run, &sweep, &e, &used) != 3)
        return false;
    // The whole line, in exactly this spacing.
    if (head.size() + used != text.size() ||
        mirtex::format("%s   n= %d    e= %lg", run, sweep, e) != text.substr(head.size()))
        return false;
    p = {run, sweep};
    return true;
}

std::vector<Progress> progress_lines() {
    std::vector<Progress> out;
    Progress p;
    for (const LogLine& l : Host::get().log())
        if (l.severity == Severity::Info && parse_progress(l.text, p)) out.push_back(p);
    return out;
}

// Sweep counts of the progress lines of one run, in order.
std::vector<int> sweeps_shown(const std::string& run) {
    std::vector<int> out;
    for (const Progress& p : progress_lines())
        if (p.run == run) out.push_back(p.sweep);
    return out;
}

class LineRun : public ::testing::Test {
protected:
    void SetUp() override {
        Host::get().clear_log();
        std::strcpy(CPW_Misc.label, "C_LIN(TL1)");
        CPW_Misc.abort_request = 0;
        print_iteration = 0;
        bytes_before_ = initmem.current_bytes;
    }
    void TearDown() override { Host::get().set_sink({}); }

    // Nothing of the solve is left: the four grids are released.
    void expect_released() const {
        EXPECT_EQ(pot0, nullptr);
        EXPECT_EQ(pot1, nullptr);
        EXPECT_EQ(pot2, nullptr);
        EXPECT_EQ(pot4, nullptr);
        EXPECT_EQ(pot_0, nullptr);
        EXPECT_EQ(initmem.current_bytes, bytes_before_);
    }

    std::int64_t bytes_before_ = 0;
};

}  // namespace

TEST_F(LineRun, ProgressLineNamesCaptionRunSweepAndResidual) {
    std::strcpy(text_iteration, "2/2");
    CPW_Anzeige("iteration", 40, 0.000123);
    ASSERT_FALSE(Host::get().log().empty());
    EXPECT_EQ(Host::get().log().back().text, "C_LIN(TL1) : 2/2   n= 40    e= 0.000123");
    EXPECT_EQ(Host::get().log().back().severity, Severity::Info);
    // A caption filling its whole field is shown whole.
    const std::string caption = "C_FEED1(" + std::string(91, 'x') + ")";
    mirtex::copy_bounded(CPW_Misc.label, sizeof CPW_Misc.label, caption);
    CPW_Anzeige("iteration", 1, 0.5);
    EXPECT_EQ(Host::get().log().back().text, caption + " : 2/2   n= 1    e= 0.5");
}

TEST_F(LineRun, ProgressEveryIntervalInBothRunsAndNoneWhenOff) {
    LineVectors v = line_vectors(small_line());
    print_iteration = 20;
    ASSERT_EQ(Calc_Line(0, v.ipar, v.dpar, v.out), 0);
    for (const char* run : {"1/2", "2/2"}) {
        const auto n = sweeps_shown(run);
        ASSERT_FALSE(n.empty()) << run;
        for (std::size_t i = 0; i < n.size(); ++i) EXPECT_EQ(n[i], 20 * static_cast<int>(i + 1)) << run;
    }
    // Air run first, and all after the announcement.
    const auto& log = Host::get().log();
    std::size_t calculating = log.size(), first_air = log.size(), last_air = 0, first_die = log.size();
    for (std::size_t i = 0; i < log.size(); ++i) {
        if (log[i].text == "Calculating C_LINE") calculating = std::min(calculating, i);
        if (log[i].text.find(" : 1/2 ") != std::string::npos) {
            first_air = std::min(first_air, i);
            last_air = i;
        }
        if (log[i].text.find(" : 2/2 ") != std::string::npos) first_die = std::min(first_die, i);
    }
    EXPECT_LT(calculating, first_air);
    EXPECT_LT(last_air, first_die);

    Host::get().clear_log();
    v.ipar[7] += 4;  // a new cross-section, solved again
    print_iteration = 0;
    ASSERT_EQ(Calc_Line(0, v.ipar, v.dpar, v.out), 0);
    EXPECT_TRUE(progress_lines().empty());
}

TEST_F(LineRun, AtLeastThreeSweepsEvenWhenTheFirstMeetsTheBound) {
    LineSpec s = small_line();
    s.bound = 1.0;  // every sweep is within it
    LineVectors v = line_vectors(s);
    print_iteration = 1;
    ASSERT_EQ(Calc_Line(0, v.ipar, v.dpar, v.out), 0);
    EXPECT_EQ(sweeps_shown("1/2"), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(sweeps_shown("2/2"), (std::vector<int>{1, 2, 3}));
}

TEST_F(LineRun, SecondSolveOfTheSameVectorsReadsTheFile) {
    MIRTEX_FRESH_PROCESS();
    LineVectors v = line_vectors(small_line());
    ASSERT_EQ(Calc_Line(0, v.ipar, v.dpar, v.out), 0);
    EXPECT_TRUE(Host::get().contains(Severity::Info, "Calculating C_LINE"));
    // Header (4 + 14 bytes) and one record of 9 ints, 10 and 8 doubles.
    EXPECT_EQ(std::filesystem::file_size(line_file()), 214u);
    double first[8];
    std::memcpy(first, v.out, sizeof first);

    Host::get().clear_log();
    std::memset(v.out, 0, sizeof v.out);
    const long long sweeps = mirtex::solver::relax_counters().sweeps;
    ASSERT_EQ(Calc_Line(0, v.ipar, v.dpar, v.out), 0);
    EXPECT_EQ(Host::get().count(Severity::Info, "Mirtex: Reading from Cache"), 1u);
    EXPECT_FALSE(Host::get().contains(Severity::Info, "Calculating C_LINE"));
    EXPECT_EQ(mirtex::solver::relax_counters().sweeps, sweeps);
    EXPECT_EQ(std::memcmp(first, v.out, sizeof first), 0);
    EXPECT_EQ(std::filesystem::file_size(line_file()), 214u);
    expect_released();
}

TEST_F(LineRun, StopRequestEndsTheSolveCleanlyAndTheNextAnalysisSolvesAgain) {
    MIRTEX_FRESH_PROCESS();
    LineVectors v = line_vectors(small_line());
    std::memset(v.out, 0, sizeof v.out);
    // The user stops while the dielectric run is under way.
    print_iteration = 1;
    int seen = 0;
    Host::get().set_sink([&](const LogLine& l) {
        if (l.text.find(" : 2/2 ") != std::string::npos && ++seen == 2) stop_cpw(0);
    });
    EXPECT_EQ(Calc_Line(0, v.ipar, v.dpar, v.out), mirtex::solver::kStopped);
    EXPECT_EQ(sweeps_shown("2/2"), (std::vector<int>{1, 2}));  // no sweep after the request
    EXPECT_FALSE(file_exists());
    expect_released();
    for (double x : v.out) EXPECT_EQ(x, 0.0);

    // A request standing when a solve starts stops it after one sweep.
    Host::get().set_sink({});
    Host::get().clear_log();
    EXPECT_EQ(Calc_Line(0, v.ipar, v.dpar, v.out), mirtex::solver::kStopped);
    EXPECT_TRUE(sweeps_shown("1/2").empty());
    expect_released();

    // The analysis ends; the next one solves.
    cpw_all_post(nullptr);
    EXPECT_EQ(CPW_Abbruch(), 0);
    EXPECT_EQ(Calc_Line(0, v.ipar, v.dpar, v.out), 0);
    EXPECT_TRUE(file_exists());
    EXPECT_GT(v.out[0], 0.0);
    expect_released();
}

TEST_F(LineRun, UnreachableBoundEndsAtTheSweepCapWithAClearError) {
    MIRTEX_FRESH_PROCESS();
    const LineSpec base = small_line();
    struct Case {
        double bound, alpha;
    };
    // A bound below anything a residual can be: the cap ends it.  A factor
    // that diverges: the field overflows and the run ends there.
    for (const Case c : {Case{-1.0, 1.8}, Case{1e-6, 2.5}}) {
        LineSpec s = base;
        s.bound = c.bound;
        s.alpha = c.alpha;
        LineVectors v = line_vectors(s);
        std::memset(v.out, 0, sizeof v.out);
        Host::get().clear_log();
        const long long before = mirtex::solver::relax_counters().sweeps;
        EXPECT_EQ(Calc_Line(0, v.ipar, v.dpar, v.out), mirtex::solver::kFailed);
        const long long made = mirtex::solver::relax_counters().sweeps - before;

        const mirtex::solver::LineLayout l = mirtex::solver::line_layout(v.ipar, v.dpar);
        long nodes = 0;
        for (int b = 0; b < 4; ++b) nodes += static_cast<long>(l.stack.columns(b)) * l.stack.rows(b);
        // The air run gave up; there was no dielectric run.
        if (c.alpha < 2.0) {
            EXPECT_EQ(made, mirtex::solver::sweep_cap(nodes));
        } else {
            EXPECT_LT(made, mirtex::solver::sweep_cap(nodes));
        }
        std::string error;
        for (const LogLine& line : Host::get().log())
            if (line.severity == Severity::Error) error = line.text;
        EXPECT_NE(error.find("C_LIN(TL1)"), std::string::npos) << error;
        EXPECT_NE(error.find("run 1/2"), std::string::npos) << error;
        EXPECT_NE(error.find(std::to_string(made) + " sweeps"), std::string::npos) << error;
        EXPECT_NE(error.find(mirtex::format("BOUND=%lg", c.bound)), std::string::npos) << error;
        EXPECT_NE(error.find("residual"), std::string::npos) << error;
        EXPECT_FALSE(file_exists());
        expect_released();
        for (double x : v.out) EXPECT_EQ(x, 0.0);
    }
}

TEST_F(LineRun, CrossSectionOutsideTheGridIsAnErrorNotAWriteOutOfBounds) {
    MIRTEX_FRESH_PROCESS();
    const LineVectors good = line_vectors(small_line());
    // Slots beyond the walls, a box width the bands cannot share, a substrate
    // thinner than the grid, no centre strip.
    for (auto spoil : {+[](LineVectors& v) { v.ipar[2] = 200; }, +[](LineVectors& v) { v.ipar[7] = 30; },
                       +[](LineVectors& v) { v.ipar[5] = 2; }, +[](LineVectors& v) { v.ipar[1] = 0; }}) {
        LineVectors v = good;
        spoil(v);
        Host::get().clear_log();
        EXPECT_EQ(Calc_Line(0, v.ipar, v.dpar, v.out), mirtex::solver::kFailed);
        bool named = false;
        for (const LogLine& l : Host::get().log())
            named |= l.severity == Severity::Error && l.text.rfind("ERROR: C_LIN(TL1): ", 0) == 0;
        EXPECT_TRUE(named);
        EXPECT_FALSE(file_exists());
        expect_released();
    }
}
