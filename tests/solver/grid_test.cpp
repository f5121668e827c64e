// The graded grid of the cross-section solver: band depths, row heights,
// grounded rows and columns, and where the conductors are painted.
#include <gtest/gtest.h>

#include <set>
#include <tuple>
#include <vector>

#include "solver/kernel.h"
#include "solver/line.h"
#include "solver/line_inputs.h"

using namespace mirtex::solver;
using mirtex::test::line_vectors;
using mirtex::test::LineSpec;

namespace {

d2 band(int b) {
    const d2 bands[kBandCount] = {pot_0, pot_1, pot_2, pot_4};
    return bands[b];
}

// Every node of every band at exactly 0.0, as (band, column, row).
std::set<std::tuple<int, int, int>> zero_nodes(const BandStack& st) {
    std::set<std::tuple<int, int, int>> out;
    for (int b = 0; b < kBandCount; ++b)
        for (int x = 1; x <= st.columns(b); ++x)
            for (int r = 1; r <= st.rows(b); ++r)
                if (band(b)[x][r] == 0.0) out.insert({b, x, r});
    return out;
}

// Columns of band 0 at value v on row r.
std::vector<int> columns_at(const BandStack& st, int r, double v) {
    std::vector<int> out;
    for (int x = 1; x <= st.columns(kBand0); ++x)
        if (pot_0[x][r] == v) out.push_back(x);
    return out;
}

std::vector<int> range(int a, int b) {
    std::vector<int> out;
    for (int x = a; x <= b; ++x) out.push_back(x);
    return out;
}

}  // namespace

TEST(BandDepths, StackReachesTheBottomForEverySubstrate) {
    EXPECT_EQ(band_depths(3).k1, 3);
    EXPECT_EQ(band_depths(3).m2, 0);
    EXPECT_EQ(band_depths(3).m4, 0);
    const BandDepths d12 = band_depths(12);
    EXPECT_EQ(d12.k1, 2);
    EXPECT_EQ(d12.m2, 3);
    EXPECT_EQ(d12.m4, 1);
    for (int q = 2; q <= 400; ++q) {
        const BandDepths d = band_depths(q);
        EXPECT_EQ(d.k1 + 2 * d.m2 + 4 * d.m4, q) << q;
        EXPECT_EQ(d.k1, q % 2 ? 3 : 2) << q;
        EXPECT_GE(d.m2, 0) << q;
        EXPECT_LE(d.m2, 3) << q;
        EXPECT_TRUE(d.m4 == 0 || d.m2 >= 2) << q;
    }
}

TEST(BandStack, RowHeightsStepByTheBandAndPutGroundAndCoverWhereTheVectorsSay) {
    for (int h2 : {4, 7, 40, 161}) {
        for (int n5 : {1, 6}) {
            for (double met : {0.0, 0.6}) {
                const BandDepths d = band_depths(h2 - 1);
                const BandStack st{16, d.m4, d.m2, d.k1, met != 0.0 ? 8 : 5, d.m4 + n5, 0, h2, met};
                ASSERT_TRUE(st.valid());
                // The bottom ground row lies H2 (in h: 2 H2) below the metal plane.
                const double bottom = d.m4 > 0 ? st.z(kBand4, 1) : d.m2 > 0 ? st.z(kBand2, 1) : st.z(kBand1, 1);
                EXPECT_DOUBLE_EQ(bottom, -2.0 * h2) << h2;
                // The cover lies H3 = 4 N5 + 7 steps DL above the top of the metal.
                EXPECT_DOUBLE_EQ(st.z(kBand4, st.n4) - st.z(kBand0, st.metal_top_row()), 2.0 * (4 * n5 + 7));
                // Rows of every band step by that band's step, the metal rows by MET.
                for (const StackRow& r : st.sweep_rows()) {
                    const double step = kBandStep[r.self.band];
                    const bool metal = r.self.band == kBand0 && met != 0.0 && r.self.row >= 3 && r.self.row <= 6;
                    if (r.up_link == Link::Same && !(metal && r.self.row < 6)) {
                        EXPECT_DOUBLE_EQ(r.du, step);
                    }
                    if (r.up_link == Link::Coarser) {
                        EXPECT_DOUBLE_EQ(r.du, 2 * step);
                    }
                    if (r.down_link == Link::Coarser) {
                        EXPECT_DOUBLE_EQ(r.dl, 2 * step);
                    }
                    if (r.up_link == Link::Finer) {
                        EXPECT_DOUBLE_EQ(r.du, step);
                    }
                    if (r.down_link == Link::Finer) {
                        EXPECT_DOUBLE_EQ(r.dl, step);
                    }
                    if (metal && r.self.row > 3) {
                        EXPECT_DOUBLE_EQ(r.dl, met);
                    }
                }
            }
        }
    }
}

TEST(BandStack, SweepVisitsEveryInnerRowOnceInBandOrder) {
    const BandDepths d = band_depths(12);
    const BandStack st{16, d.m4, d.m2, d.k1, 5, d.m4 + 3, 0, 13, 0.0};
    const auto rows = st.sweep_rows();
    std::vector<std::pair<int, int>> got;
    for (const StackRow& r : rows) got.push_back({r.self.band, r.self.row});
    const std::vector<std::pair<int, int>> want = {
        // band 4 lower (row 1 is the wall; m4 = 1 leaves none), band 2 lower,
        // band 1 lower, band 0, then the upper rows outwards.
        {kBand2, 1}, {kBand2, 2}, {kBand2, 3}, {kBand1, 1}, {kBand1, 2}, {kBand0, 1}, {kBand0, 2}, {kBand0, 3},
        {kBand0, 4}, {kBand0, 5}, {kBand1, 3}, {kBand1, 4}, {kBand2, 4}, {kBand2, 5}, {kBand4, 2}, {kBand4, 3}};
    EXPECT_EQ(got, want);
}

TEST(LineGrid, GroundsWallsBottomAndCoverOnly) {
    struct Case {
        int h2, n5;
        double met;
    };
    // q = 3 (no band 2 below the metal), q = 12 (all bands), thick metal.
    for (const Case c : {Case{4, 2, 0.0}, Case{13, 3, 0.0}, Case{40, 1, 0.8}}) {
        const BandDepths d = band_depths(c.h2 - 1);
        const BandStack st{16, d.m4, d.m2, d.k1, c.met != 0.0 ? 8 : 5, d.m4 + c.n5, 0, c.h2, c.met};
        LineGrid grid(st);
        ASSERT_TRUE(grid);
        grid.ground();
        std::set<std::tuple<int, int, int>> want;
        for (int b = 0; b < kBandCount; ++b)
            for (int r = 1; r <= st.rows(b); ++r) {
                want.insert({b, 1, r});
                want.insert({b, st.columns(b), r});
            }
        const int bottom_band = d.m4 > 0 ? kBand4 : d.m2 > 0 ? kBand2 : kBand1;
        for (int x = 1; x <= st.columns(bottom_band); ++x) want.insert({bottom_band, x, 1});
        for (int x = 1; x <= st.columns(kBand4); ++x) want.insert({kBand4, x, st.n4});
        EXPECT_EQ(zero_nodes(st), want) << c.h2;
        EXPECT_EQ(pot_0[2][2], 0.05);  // everything else keeps the starting value
    }
    EXPECT_EQ(pot0, nullptr);
    EXPECT_EQ(pot4, nullptr);
}

TEST(LineGrid, PaintsConductorsAroundTheAxis) {
    struct Case {
        double w, s, gw, t;
        std::vector<int> centre, ground;  // columns of row 3 at 1.0 and 0.0
    };
    // Box of L1/DL = 16: fine columns 1..33, axis column 17.  DL = 2 um.
    const std::vector<Case> cases = {
        // W = 7 half steps: columns 14..20, centred on 17; slots of 4, grounds to the walls.
        {7e-6, 4e-6, 0.0, 0.0, range(14, 20),
         [] {
             auto g = range(1, 9);
             for (int x : range(25, 33)) g.push_back(x);
             return g;
         }()},
        // W = 8 half steps: columns 13..20; ground strips of 3 half steps.
        {8e-6, 4e-6, 3e-6, 0.0, range(13, 20),
         [] {
             auto g = range(6, 8);
             g.insert(g.begin(), 1);
             for (int x : range(25, 27)) g.push_back(x);
             g.push_back(33);
             return g;
         }()},
        // No slots: the centre strip alone, grounds only at the walls.
        {8e-6, 0.0, 0.0, 0.0, range(13, 20), {1, 33}},
        // Thick metal, ground strips wider than the room left: cut at the walls.
        {8e-6, 4e-6, 40e-6, 1.2e-6, range(13, 20),
         [] {
             auto g = range(1, 8);
             for (int x : range(25, 33)) g.push_back(x);
             return g;
         }()},
    };
    for (const Case& c : cases) {
        LineSpec s;
        s.DL = 2e-6;
        s.L1 = 32e-6;
        s.H2 = 20e-6;
        s.H3 = 30e-6;
        s.W = c.w;
        s.S = c.s;
        s.GW = c.gw;
        s.T = c.t;
        const auto v = line_vectors(s);
        const LineLayout l = line_layout(v.ipar, v.dpar);
        ASSERT_TRUE(l.ok) << l.problem;
        LineGrid grid(l.stack);
        ASSERT_TRUE(grid);
        grid.ground();
        grid.paint(l);
        const int top = c.t > 0 ? 6 : 3;
        EXPECT_EQ(l.stack.rows0, c.t > 0 ? 8 : 5);
        for (int r = 3; r <= top; ++r) {
            EXPECT_EQ(columns_at(l.stack, r, 1.0), c.centre) << c.w << " row " << r;
            EXPECT_EQ(columns_at(l.stack, r, 0.0), c.ground) << c.w << " row " << r;
        }
        // Rows off the metal hold no conductor.
        for (int r : {2, top + 1}) {
            EXPECT_TRUE(columns_at(l.stack, r, 1.0).empty());
            EXPECT_EQ(columns_at(l.stack, r, 0.0), (std::vector<int>{1, 33}));
        }
    }
}

TEST(Stencil, BoxIntegrationGivesTheKnownFormsOfEveryRowKind) {
    const Layers air{1.0, 1.0, 1.0, -8.0};
    const Layers sub{1.0, 12.9, 4.0, -8.0};
    auto near = [](Weights w, double side, double up, double down) {
        EXPECT_NEAR(w.side, side, 1e-15);
        EXPECT_NEAR(w.up, up, 1e-15);
        EXPECT_NEAR(w.down, down, 1e-15);
    };
    // Uniform medium, equal spacings, in any band.
    near(stencil_weights(face_coefficients(sub, -20.0, 4.0, 4.0, 4.0)), 0.25, 0.25, 0.25);
    // Interface between 12.9 above and 4 below at z = -8.
    const double ea = 12.9, eb = 4.0;
    near(stencil_weights(face_coefficients(sub, -8.0, 2.0, 2.0, 2.0)), 0.25, 0.25 * 2 * ea / (ea + eb),
         0.25 * 2 * eb / (ea + eb));
    // First row of a finer band under a coarser one: (l + r + u/3 + 2d/3) / 3,
    // and the mirror form at the bottom edge.
    near(stencil_weights(face_coefficients(air, 2.0, 2.0, 1.0, 1.0)), 1.0 / 3, 1.0 / 9, 2.0 / 9);
    near(stencil_weights(face_coefficients(air, -2.0, 1.0, 2.0, 1.0)), 1.0 / 3, 2.0 / 9, 1.0 / 9);
    // Metal row: spacing h below, MET h above, e3 above and e2 below.
    for (double met : {1.0, 0.4, 1.6}) {
        const double e3 = 1.0, e2 = 12.9;
        const double up = 2 * e3 / (met * (met * e3 + e2)), down = 2 * e2 / (met * e3 + e2), sum = 2 + up + down;
        near(stencil_weights(face_coefficients(sub, 0.0, met, 1.0, 1.0)), 1 / sum, up / sum, down / sum);
        // Inside the thickness, and at its top (lower spacing MET h, upper h).
        near(stencil_weights(face_coefficients(sub, met, met, met, 1.0)), 1 / (2 + 2 / (met * met)),
             1 / (met * met) / (2 + 2 / (met * met)), 1 / (met * met) / (2 + 2 / (met * met)));
        near(stencil_weights(face_coefficients(sub, 3 * met, 1.0, met, 1.0)), 1 / (2 + 2 / met),
             2 / (met + 1) / (2 + 2 / met), 2 / (met * (met + 1)) / (2 + 2 / met));
    }
    // A missing neighbour mirrors the one opposite.
    near(stencil_weights(face_coefficients(sub, -4.0, 0.0, 2.0, 2.0)), 0.25, 0.25, 0.25);
}
