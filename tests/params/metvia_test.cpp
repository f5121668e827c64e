// The metal via: one line of both metals' thickness, its rules and its
// level coding.
#include "fixture.h"
#include "support/fresh_process.h"

namespace mirtex::test {
namespace {

using host::Value;

class MetviaTest : public ParamsTest {
protected:
    void SetUp() override {
        ParamsTest::SetUp();
        design.build();
        design.line_type("LT2", {{"CEN_MET", Value::Int(2)}, {"GW", Value::Real(40e-6)}});
    }
    int get(const std::string& lt1, const std::string& lt2, double length = 20e-6) {
        return cpw_metvia_get(design.via("V" + std::to_string(++n_), lt1, lt2, length), &warnings, &rho, &tand, &L);
    }
    double rho = 0, tand = 0, L = 0;
    int n_ = 0;
};

TEST_F(MetviaTest, BothMetalsMakeOneThickLine) {
    MIRTEX_FRESH_PROCESS();
    ASSERT_EQ(get("LT1", "LT2"), 0);
    EXPECT_EQ(std::vector<int>(line_ipar, line_ipar + 9), (std::vector<int>{15, 30, 20, 100, 147, 100, 144, 180, 35}));
    EXPECT_DOUBLE_EQ(line_dpar[5], 4e-6);  // 1 um + 3 um
    EXPECT_DOUBLE_EQ(line_dpar[6], 8.0 / 3.0);
    EXPECT_EQ(rho, 0.9);  // the better conductor
    EXPECT_EQ(tand, 6e-4);
    EXPECT_EQ(L, 20e-6);
    EXPECT_EQ(warnings, nullptr);
    EXPECT_TRUE(errors().empty());
}

TEST_F(MetviaTest, ThicknessWarningNamesBothLevels) {
    host::Host::get().clear_instances();
    design.tech_params = with(design.tech_params, "t2", Value::Real(5e-6));
    design.build();
    design.line_type("LT2", {{"CEN_MET", Value::Int(2)}});
    foundries.resolve_pending = 1;
    ASSERT_EQ(get("LT2", "LT1"), 0);
    EXPECT_EQ(texts(warnings), std::vector<std::string>{"t21/DL = 6 > 5 !"});
}

TEST_F(MetviaTest, BoxMakesRoomForTheWiderGround) {
    design.line_type("LT3", {{"CEN_MET", Value::Int(2)}, {"GW", Value::Real(80e-6)}});
    ASSERT_EQ(get("LT1", "LT3"), 0);
    EXPECT_EQ(line_ipar[3], 100);  // line 1's ground is the one solved
    EXPECT_EQ(line_ipar[7], 204);  // 35 + 160 steps, rounded up to 196, and two blocks of margin
}

TEST_F(MetviaTest, RulesGoOnTheWarningListAndStopAtTheFirst) {
    design.line_type("LTW", {{"CEN_MET", Value::Int(2)}, {"W", Value::Real(16e-6)}, {"S", Value::Real(9e-6)}});
    design.line_type("LTS", {{"CEN_MET", Value::Int(2)}, {"S", Value::Real(9e-6)}});
    struct Case {
        const char* lt2;
        double length;
        const char* text;
    } cases[] = {
        {"LT2", -1e-6, "C_METVIA(V1) : L < 0 invalid value! "},
        {"LTW", 20e-6, "C_METVIA(V2) : different W in applied line types !"},
        {"LTS", 20e-6, "C_METVIA(V3) : different S in applied line types !"},
        {"LT1", 20e-6, "C_METVIA(V4) : same CEN_MET in applied line types !"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(get("LT1", c.lt2, c.length), 1);
        EXPECT_EQ(texts(warnings), std::vector<std::string>{c.text});
        EXPECT_EQ(L, c.length);
    }
    EXPECT_TRUE(errors().empty());
    EXPECT_EQ(get("LT1", "LT2", 0.0), 0);  // a via of no length is allowed
}

TEST_F(MetviaTest, LineTypesAreCheckedInOrder) {
    design.line_type("BAD", {{"CEN_MET", Value::Int(3)}});
    EXPECT_EQ(get("LT1", "BAD"), 1);
    EXPECT_EQ(get("MISSING", "BAD"), 1);
    EXPECT_EQ(errors(), (std::vector<std::string>{"ERROR C_METVIA(V1): C_LINTYP(BAD): CEN_MET=3 invalid metal level !",
                                                  "C_LTYP1 not available (needed by V2)"}));
}

}  // namespace
}  // namespace mirtex::test
