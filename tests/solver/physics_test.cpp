// Cross-section results against physics: closed forms from conformal
// mapping, the vacuum limits, grid refinement, symmetry, metal thickness.
#include <gtest/gtest.h>

#include <cmath>

#include "solver/line.h"
#include "solver/line_inputs.h"
#include "solver/solver.h"

using namespace mirtex::test;
using namespace mirtex::solver;

namespace {

struct Solved {
    int rc;
    double c, l, r, g, zl, er, w, t;
};

Solved solve(const LineSpec& s) {
    LineVectors v = line_vectors(s);
    print_iteration = 0;
    const int rc = Calc_Line(0, v.ipar, v.dpar, v.out);
    const double* o = v.out;
    return {rc, o[0], o[1], o[2], o[3], o[4], o[5], o[6], o[7]};
}

// Thin CPW on a conductor-backed substrate, ground reaching the walls of a
// box wide and tall against the line (walls 490 um from the axis, cover at
// 1 mm), so that the infinite-ground closed form applies.
LineSpec wide_box() {
    LineSpec s;
    s.W = 20e-6;
    s.S = 15e-6;
    s.H2 = 200e-6;
    s.H3 = 1000e-6;
    s.L1 = 1000e-6;
    s.DL = 2.5e-6;
    return s;
}

double rel(double a, double b) {
    return std::fabs(a / b - 1.0);
}

}  // namespace

TEST(LinePhysics, AirFilledLineHasUnitPermittivityAndTheVacuumProduct) {
    LineSpec s = wide_box();
    s.er1 = s.er2 = s.er3 = 1.0;
    const Solved r = solve(s);
    ASSERT_EQ(r.rc, 0);
    EXPECT_NEAR(r.er, 1.0, 1e-4);
    EXPECT_NEAR(r.c * r.l / (kEps0 * kMu0), 1.0, 1e-4);
    // The dielectric-loss figure counts the lower half space as substrate:
    // eps0 (Cd - Ca/2), which in air is half the capacitance, not zero.
    EXPECT_NEAR(r.g / r.c, 0.5, 1e-4);
    const ConformalLine ref = conformal_cbcpw(s.W, s.S, s.H2, 1.0, s.H3);
    EXPECT_LT(rel(r.c, ref.c_air), 0.02);
    EXPECT_EQ(r.w, 20e-6);  // the snapped width and the thickness pass through
    EXPECT_EQ(r.t, 0.0);
    EXPECT_GT(r.r, 0.0);
}

TEST(LinePhysics, ThinConductorBackedLineMatchesConformalMapping) {
    struct Case {
        double w, s, h, er;
    };
    for (const Case c : {Case{20e-6, 15e-6, 200e-6, 12.9}, Case{20e-6, 15e-6, 50e-6, 12.9},
                         Case{50e-6, 10e-6, 100e-6, 9.8}, Case{10e-6, 30e-6, 400e-6, 12.9}}) {
        LineSpec s = wide_box();
        s.W = c.w;
        s.S = c.s;
        s.H2 = c.h;
        s.er1 = s.er2 = c.er;
        if (c.h > 300e-6) s.H3 = 1200e-6;
        const Solved r = solve(s);
        ASSERT_EQ(r.rc, 0);
        const ConformalLine ref = conformal_cbcpw(c.w, c.s, c.h, c.er, s.H3);
        EXPECT_LT(rel(r.zl, ref.zl), 0.02) << c.w << " " << c.s << " " << c.h << ": " << r.zl << " vs " << ref.zl;
        EXPECT_LT(rel(r.er, ref.er_eff), 0.02)
            << c.w << " " << c.s << " " << c.h << ": " << r.er << " vs " << ref.er_eff;
    }
}

TEST(LinePhysics, ValuesSettleAsTheGridIsRefined) {
    // The benchmark line in its automatic box: L1 = 260 um, H3 = 167 DL.
    double zl[3], c[3], l[3];
    int i = 0;
    for (double dl : {5e-6, 2.5e-6, 1.25e-6}) {
        LineSpec s = wide_box();
        s.DL = dl;
        s.L1 = 260e-6;
        s.H3 = 208.75e-6;
        const Solved r = solve(s);
        ASSERT_EQ(r.rc, 0);
        zl[i] = r.zl;
        c[i] = r.c;
        l[i] = r.l;
        ++i;
    }
    EXPECT_LT(std::fabs(zl[2] - zl[1]), 0.6 * std::fabs(zl[1] - zl[0]));
    EXPECT_LT(std::fabs(c[2] - c[1]), 0.6 * std::fabs(c[1] - c[0]));
    EXPECT_LT(std::fabs(l[2] - l[1]), 0.6 * std::fabs(l[1] - l[0]));
    EXPECT_LT(rel(zl[2], zl[1]), 0.01);
}

TEST(LinePhysics, SymmetricCrossSectionGivesMirrorImagePotentials) {
    // Narrow box with finite ground strips, so that the walls weigh on the
    // field; a strip of 7 half steps sits centred on the middle column.
    LineSpec s;
    s.DL = 2e-6;
    s.W = 7e-6;
    s.S = 4e-6;
    s.GW = 6e-6;
    s.L1 = 48e-6;
    s.H2 = 20e-6;
    s.H3 = 30e-6;
    s.bound = 1e-11;
    for (double t : {0.0, 1.2e-6}) {
        s.T = t;
        const LineVectors v = line_vectors(s);
        const LineLayout layout = line_layout(v.ipar, v.dpar);
        ASSERT_TRUE(layout.ok);
        LineGrid grid(layout.stack);
        ASSERT_TRUE(grid);
        grid.ground();
        grid.paint(layout);
        LineSums sums;
        print_iteration = 0;
        ASSERT_EQ(solve_line(layout, v.dpar, sums), 0);
        const BandStack& st = layout.stack;
        const d2 bands[] = {pot_0, pot_1, pot_2, pot_4};
        double worst = 0.0, largest = 0.0;
        for (int b = 0; b < 4; ++b)
            for (int r = 1; r <= st.rows(b); ++r)
                for (int x = 1; x <= st.columns(b); ++x) {
                    worst = std::max(worst, std::fabs(bands[b][x][r] - bands[b][st.columns(b) + 1 - x][r]));
                    largest = std::max(largest, bands[b][x][r]);
                }
        EXPECT_LT(worst, 1e-8) << "T=" << t;
        EXPECT_EQ(largest, 1.0);
    }
}

TEST(LinePhysics, MetalThicknessAddsTheSlotWallCapacitance) {
    // In air, a metal of thickness T adds to C' about the parallel-plate
    // capacitance of the two slot walls, 2 eps0 T / S, plus some fringing.
    LineSpec s;
    s.W = 20e-6;
    s.S = 15e-6;
    s.H2 = 400e-6;
    s.H3 = 400e-6;
    s.L1 = 600e-6;
    s.DL = 1e-6;
    s.er1 = s.er2 = s.er3 = 1.0;
    const Solved thin = solve(s);
    ASSERT_EQ(thin.rc, 0);
    double last = thin.c;
    for (double t : {1e-6, 2e-6, 4e-6}) {
        s.T = t;
        const Solved thick = solve(s);
        ASSERT_EQ(thick.rc, 0);
        const double walls = 2 * kEps0 * t / s.S;
        EXPECT_GT(thick.c - thin.c, 1.0 * walls) << t;
        EXPECT_LT(thick.c - thin.c, 1.5 * walls) << t;
        EXPECT_GT(thick.c, last);
        last = thick.c;
    }
}

TEST(LinePhysics, AlikeLayersMayBeSplitAnywhere) {
    // The same 200 um of one material as one layer or as 120 + 80 um.
    LineSpec one = wide_box();
    one.DL = 5e-6;
    LineSpec two = one;
    two.H1 = 80e-6;
    two.H2 = 120e-6;
    const Solved a = solve(one), b = solve(two);
    ASSERT_EQ(a.rc, 0);
    ASSERT_EQ(b.rc, 0);
    EXPECT_LT(rel(a.c, b.c), 1e-9);
    EXPECT_LT(rel(a.l, b.l), 1e-9);
    // An air gap under the upper layer lowers the effective permittivity.
    two.er1 = 1.0;
    const Solved gap = solve(two);
    ASSERT_EQ(gap.rc, 0);
    EXPECT_LT(gap.er, a.er);
    EXPECT_GT(gap.er, 1.0);
}
