// The line's input vectors through the stand-in host: slot by slot for
// representative geometries, grid-fit warnings and rejections, and the
// identity of the vectors as a cache key.
#include <cmath>
#include <cstring>
#include <limits>

#include "fixture.h"
#include "support/fresh_process.h"

namespace mirtex::test {
namespace {

using host::Value;

constexpr double DL = 1e-6;

std::vector<int> ipar() { return std::vector<int>(line_ipar, line_ipar + line_n_ipar); }
std::vector<double> dpar() { return std::vector<double>(line_dpar, line_dpar + line_n_dpar); }

class LineTest : public ParamsTest {
protected:
    // Builds the design and answers cpw_line_get for a line on it.
    int get(double length = 100e-6) {
        design.build();
        return cpw_line_get(design.line("TL1", length), &warnings, &rho, &tand, &L);
    }
    void set_line(const std::string& key, Value v) { design.lintyp_params = with(design.lintyp_params, key, v); }
    void set_sub(const std::string& key, Value v) { design.sub_params = with(design.sub_params, key, v); }
    void set_grid(const std::string& key, Value v) { design.grid_params = with(design.grid_params, key, v); }
    void set_tech(const std::string& key, Value v) { design.tech_params = with(design.tech_params, key, v); }

    double rho = 0, tand = 0, L = 0;
};

// 15 um strip, 10 um slots, 50 um grounds on a 1 um grid, automatic heights
// and box: the conductor region is 35 steps wide.
TEST_F(LineTest, VectorsOfTheReferenceLine) {
    ASSERT_EQ(get(), 0);
    EXPECT_EQ(ipar(), (std::vector<int>{15, 30, 20, 100, 147, 100, 144, 180, 35}));
    const std::vector<double> d = dpar();
    ASSERT_EQ(d.size(), 10u);
    EXPECT_EQ(d[0], 1.0);
    EXPECT_EQ(d[1], 12.9);
    EXPECT_EQ(d[2], 1.0);
    EXPECT_EQ(d[3], DL);
    EXPECT_DOUBLE_EQ(d[4], 15e-6);
    EXPECT_EQ(d[5], 1e-6);
    EXPECT_DOUBLE_EQ(d[6], 2.0 / 3.0);
    EXPECT_EQ(d[7], 1.8);
    EXPECT_EQ(d[8], 1e-4);
    EXPECT_EQ(d[9], 1010.0);
    EXPECT_EQ(rho, 1.0);
    EXPECT_EQ(tand, 6e-4);
    EXPECT_EQ(L, 100e-6);
    EXPECT_EQ(warnings, nullptr);  // automatic sizes lie on the grid already
    EXPECT_TRUE(errors().empty());
}

TEST_F(LineTest, QuarterStepWidthRoundsUpToTheHalfStep) {
    set_line("W", Value::Real(7.25e-6));
    ASSERT_EQ(get(), 0);
    EXPECT_EQ(line_ipar[0], 7);
    EXPECT_EQ(line_ipar[1], 15);
    EXPECT_DOUBLE_EQ(line_dpar[4], 7.5e-6);
    EXPECT_EQ(texts(warnings), std::vector<std::string>{"W is changed: W=7.25e-06 -> 7.5e-06"});
}

TEST_F(LineTest, QuarterStepWidthBeyondToleranceIsRejected) {
    set_line("W", Value::Real(7.25e-6));
    set_grid("ACC", Value::Int(3));  // 0.25 of 7.25 steps is 3.4 %
    EXPECT_EQ(get(), 1);
    EXPECT_EQ(errors(), std::vector<std::string>{
                            "ERROR CxLIN(TL1) : W=7.25e-06 does not fit to grid (next value -> 7.5e-06)"});
}

TEST_F(LineTest, UpperLayerIsFourKPlusSevenSteps) {
    set_sub("H3", Value::Real(20e-6));
    set_grid("ACC", Value::Int(10));
    ASSERT_EQ(get(), 0);
    EXPECT_EQ(line_ipar[4], 19);
    EXPECT_EQ(line_ipar[8], 3);
    EXPECT_EQ(texts(warnings), std::vector<std::string>{"H3 is changed: H3=2e-05 -> 1.9e-05"});
}

TEST_F(LineTest, MetalThicknessInSteps) {
    const double t[] = {0.1e-6, 0.3e-6, 6e-6};
    const double met[] = {0.0, 0.2, 4.0};
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(t[i]);
        Design fresh;
        design = fresh;
        host::Host::get().clear_instances();
        foundries.resolve_pending = 1;
        set_tech("t1", Value::Real(t[i]));
        ASSERT_EQ(get(), 0);
        EXPECT_EQ(line_dpar[5], t[i]);
        EXPECT_NEAR(line_dpar[6], met[i], 1e-12);
    }
    EXPECT_EQ(texts(warnings), std::vector<std::string>{"t1/DL = 6 > 5 !"});
}

// Every dimension off the grid: the warnings come in the fixed order of
// the fit, box first, then heights, then the cross-section.
TEST_F(LineTest, GridFitOrder) {
    MIRTEX_FRESH_PROCESS();
    set_grid("ACC", Value::Int(20));
    set_grid("L1", Value::Real(181e-6));
    set_sub("H3", Value::Real(20e-6));
    set_sub("H2", Value::Real(100.4e-6));
    set_sub("H1", Value::Real(145e-6));
    set_line("W", Value::Real(15.3e-6));
    set_line("S", Value::Real(10.2e-6));
    set_line("GW", Value::Real(50.3e-6));
    ASSERT_EQ(get(), 0);
    std::vector<std::string> names;
    for (const std::string& w : texts(warnings)) names.push_back(w.substr(0, w.find(' ')));
    EXPECT_EQ(names, (std::vector<std::string>{"L1", "H3", "H2", "H1", "W", "S", "GW"}));
    EXPECT_EQ(ipar(), (std::vector<int>{15, 31, 20, 101, 19, 100, 144, 180, 3}));
}

TEST_F(LineTest, FirstGridRejectionEndsTheCheck) {
    set_grid("ACC", Value::Int(0));
    set_grid("L1", Value::Real(181e-6));
    set_line("W", Value::Real(15.3e-6));
    EXPECT_EQ(get(), 1);
    EXPECT_EQ(errors(), std::vector<std::string>{
                            "ERROR CxLIN(TL1) : L1=0.000181 does not fit to grid (next value -> 0.00018; ACC=0 leaves no tolerance)"});
    EXPECT_EQ(warnings, nullptr);
}

TEST_F(LineTest, AssemblyStopsAtTheFirstFailingCheck) {
    set_grid("DL", Value::Real(0.0));
    set_line("W", Value::Real(0.0));  // would fail its own check too
    EXPECT_EQ(get(), 1);
    EXPECT_EQ(errors(), std::vector<std::string>{"ERROR CxLIN(TL1): C_GRID(GRID1): DL=0 invalid value ! (DL > 0)"});
}

TEST_F(LineTest, EachMissingItemIsReportedOnce) {
    design.build();
    for (const char* key : {"C_LTYP", "C_SUB", "C_GRID"}) {
        host::Host::get().clear_log();
        host::Params p = {{"L", Value::Real(1e-4)}, {"C_LTYP", Value::Mtrl("LT1")}, {"C_SUB", Value::Mtrl("SUB1")},
                          {"C_GRID", Value::Mtrl("GRID1")}, {"TEMP", Value::Real(16.85)}};
        p = with(p, key, Value::Mtrl("MISSING"));
        UserInstDef* line = design.item("CxFEED", std::string("F_") + key, p);
        EXPECT_EQ(cpw_line_get(line, &warnings, &rho, &tand, &L), 1);
        EXPECT_EQ(errors(), std::vector<std::string>{std::string(key) + " not available (needed by F_" + key + ")"});
    }
}

TEST_F(LineTest, UnresolvedProcessFailsTheLine) {
    MIRTEX_FRESH_PROCESS();
    design.build();
    host::Host::get().clear_instances();
    design.item("C_SUB", "SUB1", design.sub_params);
    design.item("C_GRID", "GRID1", design.grid_params);
    design.item("C_LINTYP", "LT1", design.lintyp_params);
    EXPECT_EQ(cpw_line_get(design.line("TL1"), &warnings, &rho, &tand, &L), 1);
    EXPECT_EQ(errors(), std::vector<std::string>{"MIRTEX: Data Item C_PROCES_DEFAULT not defined"});
    EXPECT_EQ(foundries.resolve_pending, 1);
}

TEST_F(LineTest, LengthMustBeANumber) {
    EXPECT_EQ(get(std::numeric_limits<double>::quiet_NaN()), 1);
    EXPECT_EQ(texts(warnings), std::vector<std::string>{"CxLIN(TL1) : L=nan invalid value ! (finite value required)"});
    Delete_Warning(&warnings);
    EXPECT_EQ(cpw_line_get(design.line("TL2", -50e-6), &warnings, &rho, &tand, &L), 0);
    EXPECT_EQ(L, -50e-6);
}

// Values no material or layout can have are refused with the item, the
// value and the rule; each would otherwise reach the host as a non-finite
// matrix, or as a line with gain (TAND2 < 0).
TEST_F(LineTest, ValuesOutsidePhysicsAreRefusedWithTheirItemAndValue) {
    struct Case {
        bool tech;
        const char* key;
        double value;
        const char* error;
    };
    const Case cases[] = {
        {false, "TAND2", -1, "ERROR CxLIN(TL1) : C_SUB(SUB1) : TAND2=-1 invalid value ! (0 <= TAND2 <= 1)"},
        {false, "TAND2", 1e300, "ERROR CxLIN(TL1) : C_SUB(SUB1) : TAND2=1e+300 invalid value ! (0 <= TAND2 <= 1)"},
        {false, "TAND2", std::numeric_limits<double>::infinity(),
         "ERROR CxLIN(TL1) : C_SUB(SUB1) : TAND2=inf invalid value ! (0 <= TAND2 <= 1)"},
        {false, "ER2", 1e300, "ERROR CxLIN(TL1) : C_SUB(SUB1) : ER2=1e+300 invalid value ! (ER2_max=10000)"},
        {false, "ER3", 1e300, "ERROR CxLIN(TL1) : C_SUB(SUB1) : ER3=1e+300 invalid value ! (ER3_max=10000)"},
        {true, "rho1", 1e300, "ERROR CxLIN(TL1) : C_TECH(C_TECH_GAAS1) : rho1=1e+300 invalid value ! (0 < rho <= 1e+06)"},
        {true, "t1", 1e-300, "ERROR CxLIN(TL1) : C_TECH(C_TECH_GAAS1) : t1=1e-300 invalid value ! (1e-09 m <= t)"},
        // Beyond the grid's reach (a forgotten unit), or a resistivity
        // whose loss vanishes from the discontinuities' admittances.
        {true, "t1", 1e300, "ERROR CxLIN(TL1) : C_TECH(C_TECH_GAAS1) : t1=1e+300 invalid value ! (t <= 0.001 m)"},
        {true, "rho1", 1e-300, "ERROR CxLIN(TL1) : C_TECH(C_TECH_GAAS1) : rho1=1e-300 invalid value ! (0.001 <= rho)"},
        {true, "t1", std::numeric_limits<double>::quiet_NaN(),
         "ERROR CxLIN(TL1) : C_TECH(C_TECH_GAAS1) : t1=nan invalid value ! (a number required)"},
    };
    for (const Case& c : cases) {
        host::Host::get().clear_instances();
        foundries.resolve_pending = 1;
        design = Design{};
        if (c.tech)
            set_tech(c.key, Value::Real(c.value));
        else
            set_sub(c.key, Value::Real(c.value));
        host::Host::get().clear_log();
        EXPECT_EQ(get(), 1) << c.key;
        EXPECT_EQ(errors(), std::vector<std::string>{c.error}) << c.key;
    }
    host::Host::get().clear_instances();
    design = Design{};
    EXPECT_EQ(get(1e300), 1);
    EXPECT_EQ(texts(warnings), std::vector<std::string>{"CxLIN(TL1) : L=1e+300 invalid value ! (|L| <= 1 m)"});
}

TEST_F(LineTest, AbsurdlyLargeDimensionsAreRefusedBeforeTheGrid) {
    MIRTEX_FRESH_PROCESS();
    set_sub("H2", Value::Real(10.0));  // ten million steps
    EXPECT_EQ(get(), 1);
    EXPECT_EQ(errors(), std::vector<std::string>{"ERROR CxLIN(TL1) : C_SUB(SUB1) : H2=10 invalid value ! (H2_max=1)"});
}

// The vectors are the key of the result caches.
class LineKeyTest : public LineTest {
protected:
    struct Key {
        std::vector<int> i;
        std::vector<double> d;
        bool operator==(const Key& o) const {
            return i == o.i && std::memcmp(d.data(), o.d.data(), d.size() * sizeof(double)) == 0;
        }
    };
    // The key of a line on the design's items, with one item replaced.
    Key key_with(const std::string& def, const std::string& key, const host::Params& params) {
        const std::string item = "V" + std::to_string(++n_);
        design.item(def, item, params);
        host::Params p = {{"L", Value::Real(1e-4)}, {"C_LTYP", Value::Mtrl("LT1")}, {"C_SUB", Value::Mtrl("SUB1")},
                          {"C_GRID", Value::Mtrl("GRID1")}, {"TEMP", Value::Real(16.85)}};
        UserInstDef* line = design.item("CxLIN", "TL" + item, with(p, key, Value::Mtrl(item)));
        EXPECT_EQ(cpw_line_get(line, &warnings, &rho, &tand, &L), 0) << def << " " << item;
        return {ipar(), dpar()};
    }
    Key line_with(const std::string& k, Value v) { return key_with("C_LINTYP", "C_LTYP", with(design.lintyp_params, k, v)); }
    Key sub_with(const std::string& k, Value v) { return key_with("C_SUB", "C_SUB", with(design.sub_params, k, v)); }
    Key grid_with(const std::string& k, Value v) { return key_with("C_GRID", "C_GRID", with(design.grid_params, k, v)); }
    int n_ = 0;
};

TEST_F(LineKeyTest, EqualGeometryGivesBitIdenticalVectors) {
    MIRTEX_FRESH_PROCESS();
    ASSERT_EQ(get(), 0);
    const Key base{ipar(), dpar()};
    ASSERT_EQ(cpw_line_get(design.line("TL2", 3e-3), &warnings, &rho, &tand, &L), 0);
    EXPECT_EQ((Key{ipar(), dpar()}), base);
    // What the solver does not use leaves the key alone.
    EXPECT_EQ(sub_with("TAND2", Value::Real(1e-2)), base);
    EXPECT_EQ(grid_with("ACC", Value::Int(50)), base);
    EXPECT_EQ(grid_with("L2", Value::Real(300e-6)), base);
    EXPECT_EQ(line_with("GND_MET", Value::Int(2)), base);
}

TEST_F(LineKeyTest, NegativeZeroGroundIsTheSameLineAsZero) {
    MIRTEX_FRESH_PROCESS();
    ASSERT_EQ(get(), 0);
    EXPECT_EQ(line_with("GW", Value::Real(-0.0)), line_with("GW", Value::Real(0.0)));
}

TEST_F(LineKeyTest, EveryInputOfTheSolverChangesTheKey) {
    MIRTEX_FRESH_PROCESS();
    ASSERT_EQ(get(), 0);
    const Key base{ipar(), dpar()};
    const std::vector<std::pair<std::string, Key>> variants = {
        {"W", line_with("W", Value::Real(16e-6))},
        {"S", line_with("S", Value::Real(12e-6))},
        {"GW", line_with("GW", Value::Real(40e-6))},
        {"CEN_MET", line_with("CEN_MET", Value::Int(2))},
        {"H1", sub_with("H1", Value::Real(200e-6))},
        {"H2", sub_with("H2", Value::Real(200e-6))},
        {"H3", sub_with("H3", Value::Real(203e-6))},
        {"ER1", sub_with("ER1", Value::Real(2.0))},
        {"ER2", sub_with("ER2", Value::Real(10.0))},
        {"ER3", sub_with("ER3", Value::Real(2.0))},
        {"BOUND", grid_with("BOUND", Value::Real(1e-5))},
        {"L1", grid_with("L1", Value::Real(400e-6))},
        {"L1 auto", grid_with("L1", Value::Real(-2))},
        {"DL", grid_with("DL", Value::Real(0.5e-6))},
    };
    for (const auto& [what, key] : variants) EXPECT_FALSE(key == base) << what;
    for (std::size_t a = 0; a < variants.size(); ++a)
        for (std::size_t b = a + 1; b < variants.size(); ++b)
            EXPECT_FALSE(variants[a].second == variants[b].second) << variants[a].first << " " << variants[b].first;
}

// Every assembly empties the list before it fills it again; thousands of
// them leave nothing behind (the sanitizer build checks for leaks).
TEST_F(LineTest, RepeatedAssembliesKeepOneEvaluationOfWarnings) {
    MIRTEX_FRESH_PROCESS();
    set_line("W", Value::Real(15.3e-6));
    set_tech("t1", Value::Real(6e-6));
    ASSERT_EQ(get(), 0);
    UserInstDef* line = host::Host::get().find("TL1");
    for (int i = 0; i < 5000; ++i) ASSERT_EQ(cpw_line_get(line, &warnings, &rho, &tand, &L), 0);
    EXPECT_EQ(texts(warnings), (std::vector<std::string>{"W is changed: W=1.53e-05 -> 1.55e-05", "t1/DL = 6 > 5 !"}));
}

// The decoded records of the reference line, as an assembly fills them.
struct Records {
    CPW_GRID grid = {180e-6, 0, DL, 1.8, 1e-4, 5};
    CPW_GRID_TEXT gt = {"L1", "L2", "DL", "alpha", "gamma", nullptr};
    CPW_DIELEKT sub = {147e-6, 1, 0, 100e-6, 12.9, 0, 144e-6, 1, 0};
    CPW_DIELEKT_TEXT st = {"H3", "ER3", nullptr, "H2", "ER2", nullptr, "H1", "ER1", nullptr};
    CPW_LINETYP line = {15e-6, 10e-6, 50e-6, 1e-6, 1e-6, 1, 1};
    CPW_LINETYP_TEXT lt = {"W", "S", "GW", "t", "t", nullptr, nullptr};
};

TEST_F(LineTest, FeedVectorsCheckOnlyTheCrossSection) {
    set_grid("ACC", Value::Int(0));
    set_grid("L1", Value::Real(181e-6));  // off the grid, but not the feed's business
    design.build();
    Records r;
    r.grid = {181e-6, 0, DL, 1.8, 1e-4, 0};
    r.sub.H2 = 100.3e-6;
    r.line.T = 6e-6;
    r.lt = {"W1", "S1", "GW1", "LINE1->t", "LINE1->t", nullptr, nullptr};
    auto& [grid, gt, sub, st, line, lt] = r;
    ASSERT_EQ(Check_Feed("C_GAP(G1): C_LINTYP(LT1)", &gt, &grid, &st, &sub, &lt, &line, feed1_ipar, feed1_dpar,
                         &warnings),
              0);
    EXPECT_EQ(warnings, nullptr);  // no thickness warning either
    EXPECT_EQ(std::vector<int>(feed1_ipar, feed1_ipar + 9), (std::vector<int>{15, 30, 20, 100, 147, 100, 144, 180, 35}));
    line.S = 10.2e-6;
    EXPECT_EQ(Check_Feed("C_GAP(G1): C_LINTYP(LT1)", &gt, &grid, &st, &sub, &lt, &line, feed1_ipar, feed1_dpar,
                         &warnings),
              1);
    EXPECT_EQ(errors(), std::vector<std::string>{
                            "ERROR C_GAP(G1): C_LINTYP(LT1) : S1=1.02e-05 does not fit to grid (next value -> 1e-05; ACC=0 leaves no tolerance)"});
    // The line check of the same records stops at the box.
    host::Host::get().clear_log();
    EXPECT_EQ(Check_Line("C_GAP(G1)", &gt, &grid, &st, &sub, &lt, &line, line_ipar, line_dpar, &warnings), 1);
    EXPECT_EQ(errors(), std::vector<std::string>{
                            "ERROR C_GAP(G1) : L1=0.000181 does not fit to grid (next value -> 0.00018; ACC=0 leaves no tolerance)"});
}

}  // namespace
}  // namespace mirtex::test
