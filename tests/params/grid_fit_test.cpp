// Moving dimensions onto the grid: the snapping rule, par_chck around its
// tolerance, the fit procedure's order and the warning list.
#include <cmath>
#include <limits>

#include "fixture.h"
#include "params/grid.h"

namespace mirtex::test {
namespace {

using namespace mirtex::params;

class GridFitTest : public ParamsTest {};

TEST(SnappingRule, HalvesGoUpAndWidthsCountHalfSteps) {
    EXPECT_EQ(grid_round(2.5), 3);
    EXPECT_EQ(grid_round(2.49999), 3);  // within 1e-5 below a half counts as the half
    EXPECT_EQ(grid_round(2.49998), 2);
    EXPECT_EQ(grid_round(0.0), 0);
    EXPECT_EQ(grid_round(-0.0), 0);
    const double DL = 1e-6;
    EXPECT_EQ(half_units(7.25e-6, DL), 7.5);
    EXPECT_EQ(half_units(7.24e-6, DL), 7.0);
    EXPECT_EQ(half_units(10.26e-6, DL), 10.5);
    EXPECT_EQ(whole_units(100.4e-6, DL), 100);
    EXPECT_EQ(quad_units(145e-6, DL), 144);
    EXPECT_EQ(quad_units(146e-6, DL), 148);
    EXPECT_EQ(h3_k(20e-6, DL), 3);  // round(3.25)
    EXPECT_EQ(h3_k(147e-6, DL), 35);
    EXPECT_EQ(fit_tolerance(0), 1e-5);
    EXPECT_EQ(fit_tolerance(1), 0.01);
    EXPECT_EQ(fit_tolerance(100), 1.0);
}

TEST(SnappingRule, CountsNeverOverflow) {
    EXPECT_EQ(grid_round(1e300), 2147483647);
    EXPECT_EQ(grid_round(-1e300), -2147483647 - 1);
    EXPECT_EQ(grid_round(std::numeric_limits<double>::quiet_NaN()), 0);
    EXPECT_EQ(count_trunc(122.99999999999999), 123);
    EXPECT_EQ(count_trunc(-2.9999999999999996), -3);
    EXPECT_EQ(count_trunc(3.9), 3);
    EXPECT_EQ(count_trunc(10.99), 10);
}

TEST_F(GridFitTest, WithinToleranceTheDimensionMovesWithAWarning) {
    EXPECT_EQ(par_chck("C_LIN(TL1)", "W", 10.26e-6, 10.5, fit_tolerance(5), 1e-6, &warnings), 1);
    EXPECT_EQ(texts(warnings), std::vector<std::string>{"W is changed: W=1.026e-05 -> 1.05e-05"});
    EXPECT_STREQ(TEXT, "W is changed: W=1.026e-05 -> 1.05e-05");
    EXPECT_TRUE(errors().empty());
}

TEST_F(GridFitTest, BeyondToleranceTheDimensionIsRejected) {
    EXPECT_EQ(par_chck("C_LIN(TL1)", "W", 10.26e-6, 10.5, fit_tolerance(0), 1e-6, &warnings), 0);
    EXPECT_EQ(errors(), std::vector<std::string>{
                            "ERROR C_LIN(TL1) : W=1.026e-05 does not fit to grid (next value -> 1.05e-05; ACC=0 leaves no tolerance)"});
    EXPECT_EQ(warnings, nullptr);
    // 0.5 step on 10 steps is 5 %: the tolerance decides.
    EXPECT_EQ(par_chck("L", "S", 10e-6, 10.5, 0.049, 1e-6, &warnings), 0);
    EXPECT_EQ(par_chck("L", "S", 10e-6, 10.5, 0.051, 1e-6, &warnings), 1);
}

TEST_F(GridFitTest, OnTheGridNothingIsSaid) {
    const double v = 15e-6 * (1 + 5e-6);  // off by half the silent limit
    EXPECT_EQ(par_chck("L", "W", v, 15, fit_tolerance(0), 1e-6, &warnings), 1);
    EXPECT_EQ(par_chck("L", "GW", 0.0, 0, fit_tolerance(0), 1e-6, &warnings), 1);
    EXPECT_EQ(par_chck("L", "GW", -0.0, 0, fit_tolerance(0), 1e-6, &warnings), 1);
    EXPECT_EQ(warnings, nullptr);
    EXPECT_TRUE(errors().empty());
    // Twice the silent limit: a warning with some tolerance, an error without.
    const double w = 15e-6 * (1 + 2e-5);
    EXPECT_EQ(par_chck("L", "W", w, 15, fit_tolerance(1), 1e-6, &warnings), 1);
    EXPECT_EQ(texts(warnings).size(), 1u);
    EXPECT_EQ(par_chck("L", "W", w, 15, fit_tolerance(0), 1e-6, &warnings), 0);
}

TEST_F(GridFitTest, NonNumbersNeverFit) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(par_chck("L", "W", nan, 0, 1.0, 1e-6, &warnings), 0);
    EXPECT_EQ(par_chck("L", "W", inf, 2147483647, 1.0, 1e-6, &warnings), 0);
    EXPECT_EQ(par_chck("L", "W", 1e-6, 1, 1.0, inf, &warnings), 0);
    EXPECT_EQ(errors().size(), 3u);
    EXPECT_EQ(errors()[0], "ERROR L : W=nan does not fit to grid (next value -> 0)");
    EXPECT_EQ(warnings, nullptr);
}

TEST_F(GridFitTest, FirstRejectionEndsTheFit) {
    const double DL = 1e-6;
    EXPECT_EQ(fit_to_grid("E(I)", 0.05, DL, &warnings,
                          {{"L1", 181e-6, 180}, {"H3", 30e-6, 19}, {"W", 15.3e-6, 15.5}}),
              1);
    EXPECT_EQ(texts(warnings), std::vector<std::string>{"L1 is changed: L1=0.000181 -> 0.00018"});
    EXPECT_EQ(errors(), std::vector<std::string>{"ERROR E(I) : H3=3e-05 does not fit to grid (next value -> 1.9e-05)"});
    Delete_Warning(&warnings);
    EXPECT_EQ(fit_to_grid("E(I)", 0.05, DL, &warnings, {{"L1", 181e-6, 180}, {"W", 15.3e-6, 15.5}}), 0);
    EXPECT_EQ(texts(warnings).size(), 2u);
}

TEST_F(GridFitTest, ThicknessWarnings) {
    warn_above(&warnings, "t", 12, "DL", 6.0, 5.0);
    warn_above(&warnings, "t", 1, "DL", 5.0, 5.0);  // at the limit: no warning
    warn_below(&warnings, "die_h", 2, "DL", 0.1, 0.2);
    warn_below(&warnings, "die_h", 2, "DL", 0.2, 0.2);
    EXPECT_EQ(texts(warnings), (std::vector<std::string>{"t12/DL = 6 > 5 !", "die_h2/DL = 0.1 < 0.2 !"}));
}

TEST(WarningList, AppendsInOrderAndEmptiesToANullHead) {
    WARN* list = nullptr;
    const std::string long_text(1000, 'x');
    char buf[] = "first";
    char* stored = New_Warning(&list, buf);
    buf[0] = 'F';  // the list owns a copy
    ASSERT_NE(stored, nullptr);
    EXPECT_NE(stored, buf);
    EXPECT_STREQ(stored, "first");
    New_Warning(&list, "second");
    New_Warning(&list, long_text.c_str());
    EXPECT_EQ(texts(list), (std::vector<std::string>{"first", "second", long_text}));
    Delete_Warning(&list);
    EXPECT_EQ(list, nullptr);
    Delete_Warning(&list);  // an empty list stays empty
    EXPECT_EQ(list, nullptr);
    EXPECT_EQ(New_Warning(nullptr, "nowhere"), nullptr);
    New_Warning(&list, nullptr);
    EXPECT_EQ(texts(list), std::vector<std::string>{""});
    Delete_Warning(&list);
}

}  // namespace
}  // namespace mirtex::test
