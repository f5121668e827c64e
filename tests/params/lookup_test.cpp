// Finding and decoding referenced data items through the stand-in host.
#include <cmath>

#include "fixture.h"

namespace mirtex::test {
namespace {

using host::Value;

class LookupTest : public ParamsTest {};

TEST_F(LookupTest, MissingGridNamesTheKeywordAndInstanceOnceAndStillSetsAlpha) {
    UserInstDef* inst = design.item("CxLIN", "TL7", {{"L", Value::Real(1e-4)}, {"C_LTYP", Value::Mtrl("LT1")},
                                                     {"C_SUB", Value::Mtrl("SUB1")}, {"C_GRID", Value::Mtrl("NOGRID")},
                                                     {"TEMP", Value::Real(16.85)}});
    double L1 = 7, L2 = 7, DL = 7, ALPHA = 0, BOUND = 7;
    int ACC = 7;
    EXPECT_EQ(get_grid(inst, 3, "CxLIN", "TL7", &L1, &L2, &DL, &ALPHA, &BOUND, &ACC), 1);
    EXPECT_EQ(ALPHA, 1.8);
    EXPECT_EQ(L1, 7);  // nothing else written
    EXPECT_EQ(ACC, 7);
    EXPECT_EQ(errors(), std::vector<std::string>{"C_GRID not available (needed by TL7)"});
}

TEST_F(LookupTest, EachLookupReportsItsOwnKeyword) {
    UserInstDef* via = design.via("V1", "LTA", "LTB");  // neither line type exists
    double W, S, GW;
    int c, g;
    EXPECT_EQ(get_lintyp(via, 2, "C_METVIA", "V1", &W, &S, &GW, &c, &g), 1);
    double h[9];
    EXPECT_EQ(get_sub(via, 3, "C_METVIA", "V1", &h[0], &h[1], &h[2], &h[3], &h[4], &h[5], &h[6], &h[7], &h[8]), 1);
    EXPECT_EQ(errors(), (std::vector<std::string>{"C_LTYP2 not available (needed by V1)",
                                                  "C_SUB not available (needed by V1)"}));
    // A long instance name arrives whole.
    const std::string name(300, 'n');
    UserInstDef* other = design.via(name, "LTA", "LTB");
    EXPECT_EQ(get_lintyp(other, 1, "C_METVIA", name.c_str(), &W, &S, &GW, &c, &g), 1);
    EXPECT_EQ(errors().back(), "C_LTYP1 not available (needed by " + name + ")");
}

TEST_F(LookupTest, ValuesAreDecodedByPosition) {
    design.sub_params = {{"H1", Value::Real(1)}, {"H2", Value::Real(2)},    {"H3", Value::Real(3)},
                         {"ER1", Value::Real(4)}, {"ER2", Value::Real(5)},   {"ER3", Value::Real(6)},
                         {"TAND1", Value::Real(7)}, {"TAND2", Value::Real(8)}, {"TAND3", Value::Real(9)}};
    design.build();
    design.item("C_AIRTYP", "AB1", {{"TYPE", Value::Int(-1)}, {"BW", Value::Real(11)}, {"BG", Value::Real(12)},
                                    {"BS", Value::Real(13)}, {"DIE_IDX", Value::Int(2)}, {"L", Value::Real(14)}});
    UserInstDef* air = design.item("CxAIR", "A1", {{"C_LTYP", Value::Mtrl("LT1")}, {"C_BTYP", Value::Mtrl("AB1")},
                                                   {"C_SUB", Value::Mtrl("SUB1")}, {"C_GRID", Value::Mtrl("GRID1")},
                                                   {"TEMP", Value::Real(20)}});
    double v[9];
    ASSERT_EQ(get_sub(air, 2, "C_AIR", "A1", &v[0], &v[1], &v[2], &v[3], &v[4], &v[5], &v[6], &v[7], &v[8]), 0);
    for (int i = 0; i < 9; ++i) EXPECT_EQ(v[i], i + 1);
    int type, die;
    double bw, bg, bs, l;
    ASSERT_EQ(get_airtyp(air, 1, "C_AIR", "A1", &type, &bw, &bg, &bs, &die, &l), 0);
    EXPECT_EQ(type, -1);
    EXPECT_EQ(die, 2);
    EXPECT_EQ(bw + 10 * bg + 100 * bs + 1000 * l, 11 + 120 + 1300 + 14000);
    double L1, L2, DL, ALPHA, BOUND;
    int ACC;
    ASSERT_EQ(get_grid(air, 3, "C_AIR", "A1", &L1, &L2, &DL, &ALPHA, &BOUND, &ACC), 0);
    EXPECT_EQ(BOUND, 1e-4);
    EXPECT_EQ(DL, 1e-6);
    EXPECT_EQ(ACC, 5);
    EXPECT_TRUE(errors().empty());
}

TEST_F(LookupTest, ItemOfAnotherKindIsRefusedInsteadOfReadPastItsValues) {
    design.build();
    // C_SUB names the grid item: reading nine reals from five values would
    // run past the grid's value list.
    UserInstDef* inst = design.item("CxLIN", "TL1", {{"L", Value::Real(1e-4)}, {"C_LTYP", Value::Mtrl("LT1")},
                                                     {"C_SUB", Value::Mtrl("GRID1")}, {"C_GRID", Value::Mtrl("GRID1")},
                                                     {"TEMP", Value::Real(16.85)}});
    double v[9] = {};
    EXPECT_EQ(get_sub(inst, 2, "CxLIN", "TL1", &v[0], &v[1], &v[2], &v[3], &v[4], &v[5], &v[6], &v[7], &v[8]), 1);
    EXPECT_EQ(errors(), std::vector<std::string>{"C_SUB=GRID1 is a C_GRID item, not C_SUB (needed by TL1)"});
    EXPECT_EQ(v[0], 0);
}

TEST_F(LookupTest, MultiLineTypeReadsOnlyTheConductorsAskedFor) {
    design.build();
    host::Params p = {{"GW", Value::Real(40e-6)}, {"GND_MET", Value::Int(2)}, {"SG1", Value::Real(8e-6)},
                      {"SG2", Value::Real(9e-6)}};
    for (int k = 1; k <= 10; ++k) {
        p.emplace_back("W" + std::to_string(k), Value::Real(k * 1e-6));
        p.emplace_back("LEVEL" + std::to_string(k), Value::Int(k));
        if (k < 10) p.emplace_back("S" + std::to_string(k) + "_" + std::to_string(k + 1), Value::Real(k * 1e-7));
    }
    design.item("C_NL_TYP", "NL1", p);
    UserInstDef* coup = design.item("C_2COUP", "K1", {{"L", Value::Real(1e-4)}, {"C_NL_TYP", Value::Mtrl("NL1")},
                                                      {"C_SUB", Value::Mtrl("SUB1")}, {"C_GRID", Value::Mtrl("GRID1")},
                                                      {"TEMP", Value::Real(16.85)}});
    double W[11], S[11], gw, sg1, sg2;
    int level[11], gnd;
    std::fill(W, W + 11, -5.0);
    std::fill(S, S + 11, -5.0);
    std::fill(level, level + 11, -5);
    ASSERT_EQ(get_nltyp(coup, 1, "C_2COUP", "K1", 2, &gw, &sg1, &sg2, W, S, &gnd, level), 0);
    EXPECT_EQ(gw, 40e-6);
    EXPECT_EQ(gnd, 2);
    EXPECT_DOUBLE_EQ(sg1 + sg2, 17e-6);
    EXPECT_EQ(W[1], 1e-6);
    EXPECT_EQ(W[2], 2e-6);
    EXPECT_EQ(level[1], 1);
    EXPECT_EQ(level[2], 2);
    EXPECT_EQ(S[1], 1e-7);
    for (int k = 3; k <= 10; ++k) EXPECT_EQ(W[k], -5.0) << k;
    for (int k = 2; k <= 10; ++k) EXPECT_EQ(S[k], -5.0) << k;
    EXPECT_EQ(W[0], -5.0);

    ASSERT_EQ(get_nltyp(coup, 1, "C_10COUP", "K1", 10, &gw, &sg1, &sg2, W, S, &gnd, level), 0);
    EXPECT_DOUBLE_EQ(W[10], 10e-6);
    EXPECT_EQ(level[10], 10);
    EXPECT_DOUBLE_EQ(S[9], 9e-7);
    EXPECT_EQ(S[10], -5.0);  // there is no S10_11

    // A conductor count the arrays cannot hold is refused.
    EXPECT_EQ(get_nltyp(coup, 1, "C_2COUP", "K1", 11, &gw, &sg1, &sg2, W, S, &gnd, level), 1);
    EXPECT_EQ(get_nltyp(coup, 1, "C_2COUP", "K1", 1, &gw, &sg1, &sg2, W, S, &gnd, level), 1);
}

TEST(AirTypeMap, BridgeCodes) {
    int code = 99;
    const int types[] = {0, 1, 2, -1};
    const int codes[] = {0, 2, 1, 3};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(SetAirType(types[i], &code), 0);
        EXPECT_EQ(code, codes[i]);
    }
    code = 99;
    for (int bad : {3, -2, 100, -2147483647 - 1}) EXPECT_EQ(SetAirType(bad, &code), 1);
    EXPECT_EQ(code, 99);

    EXPECT_EQ(SetAirTypeB(1, &code), 0);
    EXPECT_EQ(code, 2);
    EXPECT_EQ(SetAirTypeB(2, &code), 0);
    EXPECT_EQ(code, 1);
    for (int bad : {0, -1, 3}) EXPECT_EQ(SetAirTypeB(bad, &code), 1);
    EXPECT_EQ(code, 1);
}

}  // namespace
}  // namespace mirtex::test
