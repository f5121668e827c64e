// The data-item range checks at and just beyond their boundaries, with the
// messages a designer reads.
#include <cmath>
#include <limits>

#include "fixture.h"

namespace mirtex::test {
namespace {

constexpr double DL = 1e-6;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

class ValidateTest : public ParamsTest {
protected:
    void SetUp() override {
        ParamsTest::SetUp();
        host::Host::get().clear_log();
    }
    int grid(double bound, double dl, double acc) { return GridTst(nullptr, "CxLIN", "TL1", "G1", bound, -1, -1, dl, acc); }
    int lintyp(double W, double S, double GW, int cen = 1, int gnd = 1, double dl = DL) {
        return LintypTest("C_GAP", "X1", "LT1", "W1", "S1", "GW1", "DL", "CEN_MET", "GND_MET", W, S, GW, cen, gnd, 2, dl);
    }
    int tech(double t, double rho, double h = 1, double er = 1, double td = 1, int m = 2, int d = 1) {
        return TechTest("C_AIR", "A1", "", "t", "rho", "die_h", "die_er", "die_td", "DL", t, rho, h, er, td, m, d, DL);
    }
    int air(double BW, double BG, double BS, int type, int cen, int die) {
        return AirtypTest("C_BEND", "B1", "AB1", "BW", "BG", "BS", "CEN_MET", "TYPE", "DIE_IDX", "DL", BW, BG, BS, type,
                          cen, die, 2, DL);
    }
    int sub(double& H1, double H2, double& H3, double er1 = 1, double er2 = 12.9, double er3 = 1, double wges = 10 * DL) {
        return SubTst(nullptr, "CxLIN", "TL1", "S1", &H1, H2, &H3, er1, er2, er3, wges, DL);
    }
    int box(double A, double B1, double& L1, double B2, double& L2, double dl = DL) {
        return BoxTst(nullptr, "CxLIN", "TL1", "G1", A, B1, &L1, B2, &L2, dl);
    }
    // True when the check answered ok and sent nothing.
    ::testing::AssertionResult clean(int status) {
        if (status == 0 && errors().empty()) return ::testing::AssertionSuccess();
        auto r = ::testing::AssertionFailure() << "status " << status;
        for (const auto& e : errors()) r << "\n  " << e;
        return r;
    }
};

TEST_F(ValidateTest, GridBoundsAndAccuracy) {
    EXPECT_TRUE(clean(grid(1e-6, DL, 0)));
    EXPECT_TRUE(clean(grid(1e-2, DL, 100)));
    EXPECT_EQ(grid(9.9e-7, DL, 5), 1);
    EXPECT_EQ(grid(0.0101, DL, 101), 1);
    EXPECT_EQ(grid(1e-4, DL, -1), 1);
    EXPECT_EQ(errors(), (std::vector<std::string>{
        "ERROR CxLIN(TL1): C_GRID(G1): BOUND=9.9e-07 invalid value ! (10E-6 <= BOUND <= 10E-2)",
        "ERROR CxLIN(TL1): C_GRID(G1): BOUND=0.0101 invalid value ! (10E-6 <= BOUND <= 10E-2)",
        "ERROR CxLIN(TL1): C_GRID(G1): ACC=101 invalid value ! (0 <= ACC <= 100)",
        "ERROR CxLIN(TL1): C_GRID(G1): ACC=-1 invalid value ! (0 <= ACC <= 100)"}));
}

TEST_F(ValidateTest, GridReportsEveryViolationAndCatchesNonNumbers) {
    EXPECT_EQ(grid(1, 0, 200), 1);
    EXPECT_EQ(grid(kNaN, -1e-6, 5), 1);
    EXPECT_EQ(grid(1e-4, kNaN, 5), 1);
    EXPECT_EQ(grid(1e-4, kInf, 5), 1);
    EXPECT_EQ(grid(1e-4, 1e-300, 5), 1);  // named as DL, not as every size it would make too many steps
    EXPECT_EQ(errors(), (std::vector<std::string>{
        "ERROR CxLIN(TL1): C_GRID(G1): DL=0 invalid value ! (DL > 0)",
        "ERROR CxLIN(TL1): C_GRID(G1): BOUND=1 invalid value ! (10E-6 <= BOUND <= 10E-2)",
        "ERROR CxLIN(TL1): C_GRID(G1): ACC=200 invalid value ! (0 <= ACC <= 100)",
        "ERROR CxLIN(TL1): C_GRID(G1): DL=-1e-06 invalid value ! (DL > 0)",
        "ERROR CxLIN(TL1): C_GRID(G1): BOUND=nan invalid value ! (10E-6 <= BOUND <= 10E-2)",
        "ERROR CxLIN(TL1): C_GRID(G1): DL=nan invalid value ! (DL > 0)",
        "ERROR CxLIN(TL1): C_GRID(G1): DL=inf invalid value ! (finite value required)",
        "ERROR CxLIN(TL1): C_GRID(G1): DL=1e-300 invalid value ! (DL_min=1e-09)"}));
}

TEST_F(ValidateTest, LineTypeMinimaAtTheBoundary) {
    EXPECT_TRUE(clean(lintyp(DL, DL / 2, 0)));
    EXPECT_TRUE(clean(lintyp(DL, DL / 2, DL / 2, 2, 2)));
    EXPECT_TRUE(clean(lintyp(DL, DL / 2, -0.0)));  // negative zero is no ground strip, like zero
    EXPECT_EQ(lintyp(0.99 * DL, 0.49 * DL, DL / 4, 0, 3), 1);
    EXPECT_EQ(errors(), (std::vector<std::string>{
        "ERROR C_GAP(X1): C_LINTYP(LT1): W1=9.9e-07 invalid value ! (W_min=1e-06)",
        "ERROR C_GAP(X1): C_LINTYP(LT1): S1=4.9e-07 invalid value ! (S_min=5e-07)",
        "ERROR C_GAP(X1): C_LINTYP(LT1): GW1=2.5e-07 invalid value ! (GW_min=5e-07)",
        "ERROR C_GAP(X1): C_LINTYP(LT1): CEN_MET=0 invalid metal level !",
        "ERROR C_GAP(X1): C_LINTYP(LT1): GND_MET=3 invalid metal level !"}));
}

TEST_F(ValidateTest, LineTypeRefusesNonNumbersAndAbsurdWidths) {
    EXPECT_TRUE(clean(lintyp(1e6 * DL, DL, DL)));  // a million steps is still allowed
    EXPECT_EQ(lintyp(kNaN, kNaN, kNaN), 1);
    EXPECT_EQ(lintyp(kInf, 2, 1e6 * DL), 1);
    EXPECT_EQ(lintyp(15e-6, -kInf, 0, 1, 1, 1e-300), 1);  // a tiny step makes any width absurd
    EXPECT_EQ(errors(), (std::vector<std::string>{
        "ERROR C_GAP(X1): C_LINTYP(LT1): W1=nan invalid value ! (W_min=1e-06)",
        "ERROR C_GAP(X1): C_LINTYP(LT1): S1=nan invalid value ! (S_min=5e-07)",
        "ERROR C_GAP(X1): C_LINTYP(LT1): GW1=nan invalid value ! (GW_min=5e-07)",
        "ERROR C_GAP(X1): C_LINTYP(LT1): W1=inf invalid value ! (W_max=1)",
        "ERROR C_GAP(X1): C_LINTYP(LT1): S1=2 invalid value ! (S_max=1)",
        "ERROR C_GAP(X1): C_LINTYP(LT1): W1=1.5e-05 invalid value ! (W_max=1e-294)",
        "ERROR C_GAP(X1): C_LINTYP(LT1): S1=-inf invalid value ! (S_min=5e-301)"}));
}

TEST_F(ValidateTest, TechnologyValuesNameLabelAndIndexTogether) {
    EXPECT_TRUE(clean(tech(1e-6, 1.0)));
    EXPECT_TRUE(clean(tech(1e-6, 1.0, 3e-6, 1.0, 1e-4)));
    EXPECT_EQ(tech(0, -1, 0, 0.99, 0), 1);
    EXPECT_EQ(tech(kNaN, kInf, 1, kInf, 1, 1, 2), 1);
    EXPECT_EQ(errors(), (std::vector<std::string>{
        "ERROR C_AIR(A1) : C_TECH() : t2=0 invalid value ! (1e-09 m <= t)",
        "ERROR C_AIR(A1) : C_TECH() : rho2=-1 invalid value ! (0 < rho <= 1e+06)",
        "ERROR C_AIR(A1) : C_TECH() : die_h1=0 invalid value ! (0 < die_h, finite)",
        "ERROR C_AIR(A1) : C_TECH() : die_er1=0.99 invalid value ! (1 <= die_er <= 10000)",
        "ERROR C_AIR(A1) : C_TECH() : die_td1=0 invalid value ! (0 < die_td, finite)",
        "ERROR C_AIR(A1) : C_TECH() : t1=nan invalid value ! (a number required)",
        "ERROR C_AIR(A1) : C_TECH() : rho1=inf invalid value ! (0 < rho <= 1e+06)",
        "ERROR C_AIR(A1) : C_TECH() : die_er2=inf invalid value ! (1 <= die_er <= 10000)"}));
}

TEST_F(ValidateTest, AirBridgeType) {
    EXPECT_TRUE(clean(air(0, -1, 0, 0, 1, 9)));  // no bridge: nothing is checked
    EXPECT_TRUE(clean(air(DL / 2, 0, DL / 2, 1, 2, 0)));
    EXPECT_TRUE(clean(air(DL / 2, 0, DL / 2, -1, 2, 2)));
    EXPECT_EQ(air(0.4 * DL, -1e-9, 0.3 * DL, 2, 1, 3), 1);
    EXPECT_EQ(air(5 * DL, 0, 5 * DL, -2, 2, -1), 1);
    EXPECT_EQ(errors(), (std::vector<std::string>{
        "ERROR C_BEND(B1): C_AIRTYP(AB1): BW=4e-07 invalid value ! (BW_min=5e-07)",
        "ERROR C_BEND(B1): C_AIRTYP(AB1): BG=-1e-09 invalid value ! (BG_min=0)",
        "ERROR C_BEND(B1): C_AIRTYP(AB1): BS=3e-07 invalid value ! (BS_min=5e-07)",
        "ERROR C_BEND(B1): C_AIRTYP(AB1): DIE_IDX=3 invalid index !",
        "ERROR C_BEND(B1): C_AIRTYP(AB1): DIE_IDX=-1 invalid index !",
        "ERROR C_BEND(B1): C_AIRTYP(AB1): CEN_MET=TYPE bridge and center line have same Level !"}));
}

TEST_F(ValidateTest, AirBridgeNonNumbers) {
    EXPECT_EQ(air(kNaN, kNaN, kInf, 1, 2, 1), 1);
    EXPECT_EQ(errors(), (std::vector<std::string>{
        "ERROR C_BEND(B1): C_AIRTYP(AB1): BW=nan invalid value ! (BW_min=5e-07)",
        "ERROR C_BEND(B1): C_AIRTYP(AB1): BG=nan invalid value ! (BG_min=0)",
        "ERROR C_BEND(B1): C_AIRTYP(AB1): BS=inf invalid value ! (BS_max=1)"}));
}

TEST_F(ValidateTest, SubstrateHeightsAtTheBoundary) {
    double H1 = 0, H3 = 11 * DL;
    EXPECT_TRUE(clean(sub(H1, 4e-6, H3)));  // the user's 4e-6 is 4 steps, however it divides
    H1 = -0.0;
    EXPECT_TRUE(clean(sub(H1, 4 * DL, H3)));
    H1 = -1e-9;
    H3 = 10.99 * DL;
    EXPECT_EQ(sub(H1, 3.9 * DL, H3, 0.5, 0.99, 0), 1);
    EXPECT_EQ(H1, -1e-9);  // not an automatic value: kept
    EXPECT_EQ(errors(), (std::vector<std::string>{
        "ERROR CxLIN(TL1) : C_SUB(S1) : H1=-1e-09 invalid value ! (H1_min=0)",
        "ERROR CxLIN(TL1) : C_SUB(S1) : H2=3.9e-06 invalid value ! (H2_min=4e-06)",
        "ERROR CxLIN(TL1) : C_SUB(S1) : H3=1.099e-05 invalid value ! (H3_min=1.1e-05)",
        "ERROR CxLIN(TL1) : C_SUB(S1) : ER1=0.5 invalid value ! (ER1_min=1)",
        "ERROR CxLIN(TL1) : C_SUB(S1) : ER2=0.99 invalid value ! (ER2_min=1)",
        "ERROR CxLIN(TL1) : C_SUB(S1) : ER3=0 invalid value ! (ER3_min=1)"}));
}

TEST_F(ValidateTest, AutomaticSubstrateHeightsGrowWithTheConductorRegion) {
    double H1 = -1, H3 = -1;
    ASSERT_TRUE(clean(sub(H1, 100 * DL, H3)));
    EXPECT_DOUBLE_EQ(H3 / DL, 47);
    EXPECT_DOUBLE_EQ(H1 / DL, 44);
    H1 = -2, H3 = -2;
    ASSERT_TRUE(clean(sub(H1, 100 * DL, H3)));
    EXPECT_DOUBLE_EQ(H3 / DL, 27);
    EXPECT_DOUBLE_EQ(H1 / DL, 24);
    // A region of 123 whole steps divides back to 122.99999999999999; it is
    // still 123 steps wide.
    H1 = -1, H3 = -2;
    ASSERT_TRUE(clean(sub(H1, 100 * DL, H3, 1, 12.9, 1, 123 * DL)));
    EXPECT_DOUBLE_EQ(H1 / DL, 4 * 124);
    EXPECT_DOUBLE_EQ(H3 / DL, 4 * 62 + 7);
    // Other negative values are no request for automatic values.
    H1 = -3, H3 = -1.5;
    EXPECT_EQ(sub(H1, 100 * DL, H3), 1);
    EXPECT_EQ(H1, -3);
    EXPECT_EQ(H3, -1.5);
}

TEST_F(ValidateTest, SubstrateNonNumbers) {
    double H1 = kNaN, H3 = kInf;
    EXPECT_EQ(sub(H1, kNaN, H3, kInf, kNaN, 1), 1);
    EXPECT_EQ(errors(), (std::vector<std::string>{
        "ERROR CxLIN(TL1) : C_SUB(S1) : H1=nan invalid value ! (H1_min=0)",
        "ERROR CxLIN(TL1) : C_SUB(S1) : H2=nan invalid value ! (H2_min=4e-06)",
        "ERROR CxLIN(TL1) : C_SUB(S1) : H3=inf invalid value ! (H3_max=1)",
        "ERROR CxLIN(TL1) : C_SUB(S1) : ER1=inf invalid value ! (finite value required)",
        "ERROR CxLIN(TL1) : C_SUB(S1) : ER2=nan invalid value ! (ER2_min=1)"}));
}

TEST_F(ValidateTest, AutomaticBoxSizes) {
    double L1 = -1, L2 = 0;
    ASSERT_TRUE(clean(box(10 * DL, 14 * DL, L1, 0, L2)));
    EXPECT_DOUBLE_EQ(L1 / DL, 56);  // 4 (trunc(50/4) + 2)
    EXPECT_EQ(L2, 0);
    // B1 (rounded up to 16 steps) outgrows 5 A / 2.
    L1 = -2, L2 = -2;
    ASSERT_TRUE(clean(box(5 * DL, 14 * DL, L1, 30 * DL, L2)));
    EXPECT_DOUBLE_EQ(L1 / DL, 24);  // 4 (trunc(16/4) + 2)
    EXPECT_DOUBLE_EQ(L2 / DL, 40);  // B2 = 32: 4 (8 + 2)
    // Given sizes are never rewritten.
    L1 = 100 * DL, L2 = 33 * DL;
    ASSERT_TRUE(clean(box(10 * DL, 14 * DL, L1, 30 * DL, L2)));
    EXPECT_EQ(L1, 100 * DL);
    EXPECT_EQ(L2, 33 * DL);
}

TEST_F(ValidateTest, BoxTooSmall) {
    double L1 = 11 * DL, L2 = 0;
    EXPECT_TRUE(clean(box(10 * DL, 8 * DL, L1, 0, L2)));
    L1 = 10 * DL;
    EXPECT_EQ(box(10 * DL, 14 * DL, L1, 5 * DL, L2), 1);
    L1 = 20 * DL, L2 = 7 * DL;
    EXPECT_EQ(box(10 * DL, 14 * DL, L1, 5 * DL, L2, 0.0), 1);
    EXPECT_EQ(errors(), (std::vector<std::string>{
        "ERROR CxLIN(TL1) : C_GRID(G1) : L1=1e-05 too small ! (L1_min=1.8e-05)",
        "ERROR CxLIN(TL1) : C_GRID(G1) : L1=1e-05 too small ! (L1_min=1.6e-05)",
        "ERROR CxLIN(TL1) : C_GRID(G1) : L2=0 too small ! (L2_min=8e-06)",
        "ERROR CxLIN(TL1) : C_GRID(G1) : DL=0 invalid value ! (DL > 0)"}))
        << "without a grid step no box size can be judged";
}

TEST_F(ValidateTest, BoxNonNumbers) {
    double L1 = kNaN, L2 = kInf;
    EXPECT_EQ(box(10 * DL, 14 * DL, L1, 0, L2), 1);
    EXPECT_EQ(errors(), (std::vector<std::string>{
        "ERROR CxLIN(TL1) : C_GRID(G1) : L1=nan too small ! (L1_min=1.8e-05)",
        "ERROR CxLIN(TL1) : C_GRID(G1) : L1=nan too small ! (L1_min=1.6e-05)",
        "ERROR CxLIN(TL1) : C_GRID(G1) : L2=inf too large ! (L2_max=1)"}));
}

}  // namespace
}  // namespace mirtex::test
