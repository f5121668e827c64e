// The line calculator against the library's own solve of the example line,
// and its synthesis of a width and a slot on two substrates.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cmath>

#include "sim/line_calc.h"
#include "sim_support.h"

namespace {

using mirtex::sim::LineCalculator;

void* library() {
    mirtex::test::load_model(mirtex::test::kMirtexLibrary);
    return dlopen(mirtex::test::kMirtexLibrary.c_str(), RTLD_NOW | RTLD_NOLOAD);
}

TEST(LineCalc, EqualsTheSolveOfTheSameCrossSectionInANetlist) {
    void* lib = library();
    ASSERT_NE(lib, nullptr);
    auto& h = mirtex::host::Host::get();
    // The CPW example: the calculator's defaults describe the same line.
    const mirtex::sim::Netlist nl =
        mirtex::sim::read_netlist(std::string(MIRTEX_SOURCE_DIR) + "/examples/cpw_line.net", h);
    mirtex::sim::Circuit c(nl, mirtex::sim::create_instances(nl, h));
    ASSERT_EQ(mirtex::sim::run_sweep(c, nl, h).status, mirtex::sim::RunResult::Status::Ok);
    const double* solved = *static_cast<double**>(dlsym(lib, "line_dpar_out"));
    const double zl = solved[4], er = solved[5];

    LineCalculator calc(lib, h);
    const auto r = calc.solve(mirtex::sim::parse_line_spec({}), {1e9, 40e9});
    EXPECT_EQ(r.ZL, zl);
    EXPECT_EQ(r.er_eff, er);
    // Loss grows with frequency, from the metal's skin effect and the
    // substrate's loss tangent.
    ASSERT_EQ(r.points.size(), 2u);
    EXPECT_GT(r.points[1].loss_db_per_mm, r.points[0].loss_db_per_mm);
}

TEST(LineCalc, SynthesisBracketsTheTargetBetweenNeighbouringGridValues) {
    LineCalculator calc(library(), mirtex::host::Host::get());
    for (const char* sub : {"H2=200um", "H2=100um"})
        for (const char* vary : {"W", "S"}) {
            const auto spec = mirtex::sim::parse_line_spec({sub, sub[3] == '1' ? "ER2=9.8" : "ER2=12.9"});
            const auto s = mirtex::sim::synthesise(calc, spec, vary, 50.0);
            EXPECT_NEAR(s.above - s.below, 1.25e-6, 1e-12) << sub << vary;  // neighbouring half steps
            EXPECT_LE(std::min(s.z_below, s.z_above), 50.0) << sub << vary;
            EXPECT_GE(std::max(s.z_below, s.z_above), 50.0) << sub << vary;
            EXPECT_GE(s.value, s.below);
            EXPECT_LE(s.value, s.above);
            EXPECT_LE(std::abs(s.z_grid - 50.0), 0.5 * std::abs(s.z_above - s.z_below) + 1e-12);
            // ZL falls with the width and rises with the slot.
            EXPECT_EQ(s.z_above < s.z_below, std::string(vary) == "W") << sub << vary;
        }
}

}  // namespace
