// The three-dimensional elements' vectors: one hand-worked vector per
// builder on a small grid, properties over random geometries (every slot
// inside the box, equal inputs give equal vectors, every geometric input
// reaches the vectors, the two-line elements' line swap), and bad input.
#include <cstring>
#include <functional>
#include <map>
#include <random>

#include "debug/slot_names.h"
#include "fixture.h"

namespace mirtex::test {
namespace {

using host::Value;
using Ints = std::vector<int>;

Value R(double v) { return Value::Real(v); }
Value I(int v) { return Value::Int(v); }
Value M(const std::string& s) { return Value::Mtrl(s); }
constexpr double um = 1e-6;

class CompoundTest : public ParamsTest {
protected:
    void SetUp() override {
        ParamsTest::SetUp();
        host::Host::get().clear_instances();
        foundries.resolve_pending = 1;
        design.sub_params = with(with(with(design.sub_params, "H1", R(8 * um)), "H2", R(10 * um)), "H3", R(11 * um));
        design.lintyp_params = {{"W", R(5 * um)},  {"S", R(2 * um)},  {"GW", R(3 * um)},
                                {"CEN_MET", I(1)}, {"GND_MET", I(1)}};
        design.build();
        design.line_type("LT2", {{"W", R(3.5 * um)}, {"S", R(1.5 * um)}, {"GW", R(2.5 * um)}});
    }
    std::string grid(double L1, double L2, int acc = 5) {
        const std::string name = "G" + std::to_string(++n_);
        design.item("C_GRID", name,
                    {{"BOUND", R(1e-4)}, {"L1", R(L1)}, {"L2", R(L2)}, {"DL", R(um)}, {"ACC", I(acc)}});
        return name;
    }
    std::string bridge(int type, double BW = 2 * um, double BG = 1 * um, double L = 0.0, int die = 1) {
        const std::string name = "B" + std::to_string(++n_);
        design.item("C_AIRTYP", name,
                    {{"TYPE", I(type)}, {"BW", R(BW)}, {"BG", R(BG)}, {"BS", R(-1)}, {"DIE_IDX", I(die)}, {"L", R(L)}});
        return name;
    }
    UserInstDef* el(const std::string& def, Params p, const std::string& g) {
        p.emplace_back("C_SUB", M(design.sub));
        p.emplace_back("C_GRID", M(g));
        p.emplace_back("TEMP", R(16.85));
        return design.item(def, "E" + std::to_string(++n_), p);
    }
    double a_ = 0, b_ = 0, c_ = 0, d_ = 0, e_ = 0, f_ = 0, g_ = 0;
    int n_ = 0;
};

Ints ints(const int* v, int n) { return Ints(v, v + n); }

// One element kind: how to build it and where its vectors are.
struct Kind {
    const char* label;
    std::function<int(UserInstDef*, WARN**)> get;
    int** ipar;
    int* n_ipar;
    double** dpar;
    int* n_dpar;
};

double s1, s2, s3, s4, s5, s6, s7;
const Kind kGap{"C_GAP", [](UserInstDef* i, WARN** w) { return cpw_gap_get(i, w, &s1, &s2, &s3, &s4, &s5); },
                &gap_ipar, &gap_n_ipar, &gap_dpar, &gap_n_dpar};
const Kind kStep{"C_STEP", [](UserInstDef* i, WARN** w) { return cpw_step_get(i, w, &s1, &s2, &s3, &s4, &s5); },
                 &step_ipar, &step_n_ipar, &step_dpar, &step_n_dpar};
const Kind kTaper{"C_TAPER", [](UserInstDef* i, WARN** w) { return cpw_taper_get(i, w, &s1, &s2, &s3, &s4, &s5); },
                  &taper_ipar, &taper_n_ipar, &taper_dpar, &taper_n_dpar};
const Kind kOpen{"C_OPEN", [](UserInstDef* i, WARN** w) { return cpw_open_get(i, w, &s1, &s2, &s3); }, &open_ipar,
                 &open_n_ipar, &open_dpar, &open_n_dpar};
const Kind kShort{"C_SHORT", [](UserInstDef* i, WARN** w) { return cpw_short_get(i, w, &s1, &s2, &s3); },
                  &short_ipar, &short_n_ipar, &short_dpar, &short_n_dpar};
const Kind kAir{"C_AIR", [](UserInstDef* i, WARN** w) { return cpw_air_get(i, w, &s1, &s2, &s3, &s4); },
                &bruecke_ipar, &bruecke_n_ipar, &bruecke_dpar, &bruecke_n_dpar};
const Kind kBend{"C_BEND", [](UserInstDef* i, WARN** w) { return cpw_bend_get(i, w, &s1, &s2, &s3, &s4, &s5); },
                 &bend_ipar, &bend_n_ipar, &bend_dpar, &bend_n_dpar};
const Kind kTee{"C_TEE", [](UserInstDef* i, WARN** w) { return cpw_tee_get(i, w, &s1, &s2, &s3, &s4, &s5, &s6); },
                &tee_ipar, &tee_n_ipar, &tee_dpar, &tee_n_dpar};
const Kind kCross{"C_CROSS",
                  [](UserInstDef* i, WARN** w) { return cpw_cross_get(i, w, &s1, &s2, &s3, &s4, &s5, &s6, &s7); },
                  &cross_ipar, &cross_n_ipar, &cross_dpar, &cross_n_dpar};
const Kind kIdc{"C_IDC", [](UserInstDef* i, WARN** w) { return cpw_idc_get(i, w, &s1, &s2, &s3, &s4, &s5); },
                &idc_ipar, &idc_n_ipar, &idc_dpar, &idc_n_dpar};
const Kind kRind{"C_RIND", [](UserInstDef* i, WARN** w) { return cpw_rindE_get(i, w, &s1, &s2, &s3, &s4, &s5); },
                 &rindE_ipar, &rindE_n_ipar, &rindE_dpar, &rindE_n_dpar};

Params two_lines(double gap, const std::string& lt1, const std::string& lt2, const char* key = "GAP") {
    return {{"L1", R(0)}, {"L2", R(0)}, {key, R(gap)}, {"C_LTYP1", M(lt1)}, {"C_LTYP2", M(lt2)}};
}
Params cross_params(const std::string* lt, const std::string* bt, int n) {
    Params p;
    for (int k = 0; k < n; ++k) p.emplace_back("C_LTYP" + std::to_string(k + 1), M(lt[k]));
    for (int k = 0; k < n; ++k) p.emplace_back("C_BTYP" + std::to_string(k + 1), M(bt[k]));
    return p;
}
Params idc_params(int NF, const std::string& lt = "LT1") {
    return {{"L1", R(0)},        {"L2", R(0)},      {"WF", R(2 * um)}, {"SF", R(1 * um)},   {"LF", R(6 * um)},
            {"NF", I(NF)},       {"S", R(2 * um)},  {"G", R(1 * um)},  {"WL", R(2 * um)},   {"IDCLEVEL", I(1)},
            {"C_LTYP1", M(lt)},  {"C_LTYP2", M(lt)}};
}
Params rind_params(double N, const std::string& bt) {
    return {{"L1", R(0)},        {"L2", R(0)},        {"N", R(N)},         {"WT", R(2 * um)},
            {"ST", R(1 * um)},   {"I_DIA1", R(6 * um)}, {"I_DIA2", R(4 * um)}, {"S", R(2 * um)},
            {"INDLEVEL", I(1)},  {"C_LTYP1", M("LT1")}, {"C_LTYP2", M("LT1")}, {"C_BTR", M(bt)}};
}

TEST_F(CompoundTest, HandWorkedVectors) {
    // Gap: line 1 (5 steps wide) is the wider, so the roles swap; the strip
    // edges lie symmetric about the axis M = 21 in half-step indexes.
    ASSERT_EQ(kGap.get(el("CxGAP", two_lines(2 * um, "LT1", "LT2"), grid(20 * um, 12 * um)), &warnings), 0);
    EXPECT_EQ(ints(gap_ipar, 19), (Ints{6, 35, 14, 18, 24, 28, 11, 16, 25, 30, 11, 16, 11, 10, 8, 20, 12, 1, 1}));
    EXPECT_EQ(texts(warnings), std::vector<std::string>{"(W2-W1)/DL no integer -> asymmetrical gap ! "});
    EXPECT_DOUBLE_EQ(gap_dpar[4], 2.0 / 3.0);
    // Given the other way round: no swap, the same lateral slots.
    ASSERT_EQ(kGap.get(el("CxGAP", two_lines(2 * um, "LT2", "LT1"), grid(20 * um, 12 * um)), &warnings), 0);
    EXPECT_EQ(ints(gap_ipar, 10), (Ints{6, 35, 14, 18, 24, 28, 11, 16, 25, 30}));
    EXPECT_EQ(gap_ipar[18], 0);

    const Params open = {{"L", R(0)}, {"GAP", R(2 * um)}, {"WG", R(3 * um)}, {"TYPE", I(1)}, {"C_LTYP", M("LT1")}};
    ASSERT_EQ(kOpen.get(el("CxOPEN", open, grid(20 * um, 20 * um)), &warnings), 0);
    EXPECT_EQ(ints(open_ipar, 17), (Ints{6, 35, 11, 16, 25, 30, 21, 26, 31, 11, 10, 8, 20, 20, 1, 2, 3}));
    ASSERT_EQ(kOpen.get(el("CxOPEN", with(open, "TYPE", I(2)), grid(20 * um, 20 * um)), &warnings), 0);
    EXPECT_EQ(ints(open_ipar + 6, 3), (Ints{21, 41, 41}));
    EXPECT_EQ(ints(open_ipar + 15, 2), (Ints{0, 0}));

    const Params shrt = {{"L", R(0)}, {"WG", R(3 * um)}, {"C_LTYP", M("LT1")}};
    ASSERT_EQ(kShort.get(el("CxSHORT", shrt, grid(20 * um, 20 * um)), &warnings), 0);
    // The ground strip is WG / (DL/2) = 6 free planes, 22..27, as the open
    // end's gap of GAP = 2 um is 4 (22..25).
    EXPECT_EQ(ints(short_ipar, 15), (Ints{6, 35, 11, 16, 25, 30, 21, 28, 11, 10, 8, 20, 20, 1, 3}));
    ASSERT_EQ(kShort.get(el("CxSHORT", with(shrt, "WG", R(0)), grid(20 * um, 20 * um)), &warnings), 0);
    EXPECT_EQ(short_ipar[7], 41);  // the metal reaches the far wall

    // Air bridge with BS = -1: it spans exactly the slots (XB1 = X11, XB4 = X14).
    const Params air = {{"C_LTYP", M("LT1")}, {"C_BTYP", M(bridge(2, 4 * um, 2 * um))}};
    ASSERT_EQ(kAir.get(el("CxAIR", air, grid(20 * um, 16 * um)), &warnings), 0);
    EXPECT_EQ(ints(bruecke_ipar, 21),
              (Ints{6, 35, 11, 16, 25, 30, 11, 16, 25, 30, 8, 13, 20, 25, 11, 10, 8, 20, 16, 1, 1}));
    EXPECT_DOUBLE_EQ(bruecke_dpar[5], 2.0);  // 2 die_h / 3 DL with die_h = 3 DL

    const std::string none = bridge(0);
    const std::string bend_lt[] = {"LT1", "LT1"}, bend_bt[] = {none, none};
    ASSERT_EQ(kBend.get(el("CxBEND", cross_params(bend_lt, bend_bt, 2), grid(24 * um, 24 * um)), &warnings), 0);
    EXPECT_EQ(ints(bend_ipar, 26), (Ints{15, 20, 29, 34, 15, 20, 29, 34, 15, 16, 16, 19, 30, 15, 16, 16, 19, 30,
                                         11, 10, 8, 24, 24, 1, 0, 0}));

    // Tee: line 2 is the wider through line (DREH = 1); the narrower one is
    // centred on it to the nearest half step (d = 2).
    const std::string tee_lt[] = {"LT2", "LT1", "LT1"}, tee_bt[] = {none, none, none};
    ASSERT_EQ(kTee.get(el("CxTEE", cross_params(tee_lt, tee_bt, 3), grid(24 * um, 24 * um)), &warnings), 0);
    EXPECT_EQ(ints(tee_ipar, 38), (Ints{15, 20, 29, 34, 15, 20, 29, 34, 17, 21, 27, 31, 15, 16, 16, 19, 30, 33, 33,
                                        34, 15, 16, 16, 19, 30, 20, 28, 15, 11, 10, 8, 24, 24, 1, 0, 0, 0, 1}));

    // Cross with a bridge (2 wide on 1-step feet) on every arm.
    const std::string b2 = bridge(2);
    const std::string cross_lt[] = {"LT1", "LT1", "LT2", "LT2"}, cross_bt[] = {b2, b2, b2, b2};
    ASSERT_EQ(kCross.get(el("CxCROSS", cross_params(cross_lt, cross_bt, 4), grid(32 * um, 32 * um)), &warnings), 0);
    const Ints pair = {23, 28, 37, 42, 25, 29, 35, 39};
    const Ints bridges = {16, 18, 21, 23, 42, 44, 47, 49, 23, 42, 28, 37};
    Ints cross = pair;
    cross.insert(cross.end(), pair.begin(), pair.end());
    cross.insert(cross.end(), bridges.begin(), bridges.end());
    cross.insert(cross.end(), bridges.begin(), bridges.end());
    cross.insert(cross.end(), {11, 10, 8, 32, 32, 1, 1, 1, 1, 1, 0, 0});
    EXPECT_EQ(ints(cross_ipar, 52), cross);

    ASSERT_EQ(kIdc.get(el("CxIDC", idc_params(3), grid(20 * um, 20 * um)), &warnings), 0);
    EXPECT_EQ(idc_n_ipar, 33);
    EXPECT_EQ(ints(idc_ipar, 33), (Ints{13, 28, 11, 16, 25, 30, 11, 16, 25, 30, 8, 33, 10, 13, 28, 31, 14, 25, 16,
                                       27, 10, 8, 20, 20, 1, 1, 3, 13, 16, 19, 22, 25, 28}));

    ASSERT_EQ(kRind.get(el("CxRIND", rind_params(1.5, b2), grid(28 * um, 32 * um)), &warnings), 0);
    EXPECT_EQ(rindE_n_ipar, 61);
    EXPECT_EQ(ints(rindE_ipar, 61),
              (Ints{19, 24, 33, 38, 8,  49, 15, 33, 50, 11, 10, 8,  28, 32, 1,  13, 44, 2,  0,  1,  3,
                    7,  19, 24, 33, 38, 27, 30, 23, 34, 24, 44, 19, 22, 41, 44, 19, 46, 13, 44, 43, 46,
                    13, 16, 25, 46, 13, 38, 25, 28, 35, 38, 25, 40, 27, 38, 37, 40, 37, 52, 49}));
    EXPECT_TRUE(errors().empty()) << errors().front();
}

// Every slot named X or Z inside the box; Z slots and rows of the vector's
// variable part likewise.
void expect_inside(const Kind& k, const char* label) {
    const debug::SlotNames* names = debug::slot_names(label);
    ASSERT_NE(names, nullptr);
    std::vector<std::string> n;
    for (std::string_view s : names->ipar) {
        while (!s.empty() && (s.front() == '\n' || s.front() == ' ')) s.remove_prefix(1);
        n.emplace_back(s);
    }
    auto find = [&](const std::string& s) { return std::find(n.begin(), n.end(), s) - n.begin(); };
    const int* ip = *k.ipar;
    const int xmax = 2 * ip[find("L1/DL")] + 1, zmax = 2 * ip[find("L2/DL")] + 1;
    for (std::size_t i = 0; i < n.size() && i < static_cast<std::size_t>(*k.n_ipar); ++i) {
        const int hi = n[i][0] == 'X' ? xmax : n[i][0] == 'Z' ? zmax : 0;
        if (hi != 0) {
            EXPECT_TRUE(ip[i] >= 1 && ip[i] <= hi) << label << " " << n[i] << "=" << ip[i];
        }
    }
}

TEST_F(CompoundTest, RandomGeometriesStayInsideTheBoxAndReachTheVectors) {
    std::mt19937 rng(20261209);
    auto half = [&](double lo, double hi) {
        return std::uniform_int_distribution<int>(static_cast<int>(2 * lo), static_cast<int>(2 * hi))(rng) * 0.5 * um;
    };
    // Every referenced item remembers its values, so that a copy with one
    // dimension grown can stand in for it.
    std::map<std::string, std::pair<std::string, Params>> items;
    auto make = [&](const char* def, const char* prefix, Params p) {
        const std::string name = prefix + std::to_string(++n_);
        design.item(def, name, p);
        items[name] = {def, p};
        return name;
    };
    auto line = [&]() {
        return make("C_LINTYP", "R",
                    with(with(with(design.lintyp_params, "W", R(half(1, 12))), "S", R(half(0.5, 6))), "GW",
                         R(half(0.5, 10))));
    };
    auto airtype = [&](int type) {
        return make("C_AIRTYP", "A",
                    {{"TYPE", I(type)}, {"BW", R(half(0.5, 5))}, {"BG", R(half(0, 3))}, {"BS", R(-1)},
                     {"DIE_IDX", I(1)}, {"L", R(0)}});
    };
    // p with the item at key replaced by a copy whose W (or BW) is a step wider.
    auto grown = [&](const Params& p, const std::string& key) {
        for (const auto& [k, v] : p)
            if (k == key && v.kind == Value::Kind::Mtrl) {
                auto [def, q] = items.at(v.text);
                const char* dim = def == "C_LINTYP" ? "W" : "BW";
                double w = 0;
                for (const auto& [qk, qv] : q)
                    if (qk == dim) w = qv.real;
                return with(p, key, M(make(def.c_str(), "X", with(q, dim, R(w + um)))));
            }
        return p;
    };
    const std::string g = grid(-1, -1);
    struct Case {
        const Kind* kind;
        const char* label;
        const char* def;
        std::function<Params()> make;
        std::vector<std::string> bump;  // inputs that move metal
    };
    const std::vector<Case> cases = {
        {&kGap, "C_GAP", "CxGAP", [&] { return two_lines(half(0.5, 8), line(), line()); }, {"GAP"}},
        {&kStep, "C_STEP", "CxSTEP", [&] { return two_lines(half(0.5, 8), line(), line(), "SL"); }, {"SL"}},
        {&kTaper, "C_TAPER", "CxTAPER", [&] { return two_lines(half(0.5, 8), line(), line(), "TL"); },
         {"TL"}},
        {&kOpen, "C_OPEN", "CxOPEN",
         [&] {
             return Params{{"L", R(0)}, {"GAP", R(half(0.5, 6))}, {"WG", R(half(0.5, 6))}, {"TYPE", I(1)},
                           {"C_LTYP", M(line())}};
         },
         {"GAP", "WG"}},
        {&kShort, "C_SHORT", "CxSHORT",
         [&] { return Params{{"L", R(0)}, {"WG", R(half(0.5, 6))}, {"C_LTYP", M(line())}}; }, {"WG"}},
        {&kAir, "C_AIR", "CxAIR", [&] { return Params{{"C_LTYP", M(line())}, {"C_BTYP", M(airtype(2))}}; }, {}},
        {&kBend, "C_BEND", "CxBEND",
         [&] {
             const std::string lt[] = {line(), line()}, bt[] = {airtype(2), airtype(2)};
             return cross_params(lt, bt, 2);
         },
         {"C_LTYP1", "C_LTYP2", "C_BTYP1", "C_BTYP2"}},
        {&kTee, "C_TEE", "CxTEE",
         [&] {
             const std::string lt[] = {line(), line(), line()}, bt[] = {airtype(2), airtype(2), airtype(2)};
             return cross_params(lt, bt, 3);
         },
         {"C_LTYP1", "C_LTYP2", "C_LTYP3", "C_BTYP3"}},
        {&kCross, "C_CROSS", "CxCROSS",
         [&] {
             const std::string lt[] = {line(), line(), line(), line()},
                               bt[] = {airtype(2), airtype(2), airtype(2), airtype(2)};
             return cross_params(lt, bt, 4);
         },
         {"C_LTYP1", "C_LTYP2", "C_LTYP3", "C_LTYP4", "C_BTYP1", "C_BTYP4"}},
        {&kIdc, "C_IDC", "CxIDC",
         [&] {
             Params p = idc_params(std::uniform_int_distribution<int>(2, 12)(rng), line());
             p = with(with(p, "WF", R(half(0.5, 4))), "SF", R(half(0.5, 3)));
             return with(with(p, "LF", R(half(4, 20))), "G", R(half(0.5, 3)));
         },
         {"WF", "SF", "LF", "S", "G", "WL"}},
        {&kRind, "C_RIND", "CxRIND",
         [&] {
             Params p = rind_params((std::uniform_int_distribution<int>(1, 4)(rng) + 0.5) *
                                        (std::bernoulli_distribution(0.5)(rng) ? 1 : -1),
                                    airtype(2));
             return with(with(p, "WT", R(half(0.5, 4))), "I_DIA1", R(half(2, 20)));
         },
         {"WT", "ST", "I_DIA1", "I_DIA2", "S"}},
    };
    for (const Case& c : cases)
        for (int run = 0; run < 12; ++run) {
            const Params p = c.make();
            ASSERT_EQ(c.kind->get(el(c.def, p, g), &warnings), 0) << c.def << ": " << errors().back();
            expect_inside(*c.kind, c.label);
            const Ints ip = ints(*c.kind->ipar, *c.kind->n_ipar);
            const std::vector<double> dp(*c.kind->dpar, *c.kind->dpar + *c.kind->n_dpar);
            // The same inputs again: bit-identical vectors.
            ASSERT_EQ(c.kind->get(el(c.def, p, g), &warnings), 0);
            EXPECT_EQ(ints(*c.kind->ipar, *c.kind->n_ipar), ip);
            EXPECT_EQ(0, std::memcmp(dp.data(), *c.kind->dpar, dp.size() * sizeof(double)));
            for (const std::string& key : c.bump) {
                Params q = grown(p, key);
                for (const auto& [k, val] : p)
                    if (k == key && val.kind == Value::Kind::Real) q = with(p, key, R(val.real + um));
                ASSERT_EQ(c.kind->get(el(c.def, q, g), &warnings), 0) << key;
                EXPECT_NE(ints(*c.kind->ipar, *c.kind->n_ipar), ip) << c.def << " " << key;
            }
        }
    EXPECT_TRUE(errors().empty());
}

TEST_F(CompoundTest, SwappedLinesGiveTheSameLateralSlots) {
    design.line_type("W9", {{"W", R(9 * um)}});
    for (const Kind* k : {&kGap, &kStep, &kTaper}) {
        const char* def = k == &kGap ? "CxGAP" : k == &kStep ? "CxSTEP" : "CxTAPER";
        const char* key = k == &kGap ? "GAP" : k == &kStep ? "SL" : "TL";
        ASSERT_EQ(k->get(el(def, two_lines(3 * um, "LT2", "W9", key), grid(-1, -1)), &warnings), 0);
        const Ints ab = ints(*k->ipar, 19);
        ASSERT_EQ(k->get(el(def, two_lines(3 * um, "W9", "LT2", key), grid(-1, -1)), &warnings), 0);
        const Ints ba = ints(*k->ipar, 19);
        EXPECT_EQ(Ints(ab.begin(), ab.begin() + 18), Ints(ba.begin(), ba.begin() + 18)) << def;
        EXPECT_EQ(ab[18] + ba[18], 1) << def;
    }
}

TEST_F(CompoundTest, BadInputFailsWithOneClearMessage) {
    design.line_type("LV2", {{"CEN_MET", I(2)}});
    const std::string g = grid(-1, -1), tight = grid(20 * um, 12 * um, 0), none = bridge(0);
    struct Case {
        const Kind* kind;
        const char* def;
        Params p;
        std::string grid;
        std::string text;  // the one error or warning-list entry
    };
    const std::string lv[] = {"LT1", "LV2"}, nb[] = {none, none};
    const std::string over[] = {bridge(-1), bridge(2)};
    const std::string tee_die[] = {"LT1", "LT1", "LT1"}, tee_b[] = {bridge(2), bridge(2, um, um, 0, 2), none};
    const std::string four[] = {"LT1", "LT1", "LT1", "LT1"}, cross_b[] = {none, none, bridge(5), none};
    const std::vector<Case> cases = {
        {&kGap, "CxGAP", two_lines(0.2 * um, "LT1", "LT2"), g, "(GAP_min=5e-07)"},
        {&kGap, "CxGAP", two_lines(NAN, "LT1", "LT2"), g, "GAP=nan invalid value"},
        {&kGap, "CxGAP", two_lines(2.3 * um, "LT1", "LT2"), tight, "GAP=2.3e-06 does not fit to grid"},
        {&kGap, "CxGAP", two_lines(2 * um, "LT1", "LV2"), g, "different CEN_MET in applied linetypes"},
        {&kGap, "CxGAP", two_lines(2 * um, "LT1", "MISSING"), g, "C_LTYP2 not available (needed by"},
        {&kGap, "CxGAP", two_lines(2 * um, "LT1", design.sub), g, "C_LTYP2=SUB1 is a C_SUB item"},
        {&kGap, "CxGAP", two_lines(1e300, "LT1", "LT2"), g, "GAP=1e+300 invalid value ! (|GAP| <="},
        {&kStep, "CxSTEP", two_lines(-1 * um, "LT1", "LT2", "SL"), g, "SL=-1e-06 invalid value ! (SL_min=0)"},
        {&kTaper, "CxTAPER", two_lines(0, "LT1", "LT2", "TL"), g, "TL=0 invalid value ! (TL_min=5e-07)"},
        {&kOpen, "CxOPEN", {{"L", R(0)}, {"GAP", R(2 * um)}, {"WG", R(3 * um)}, {"TYPE", I(3)}, {"C_LTYP", M("LT1")}},
         g, "TYPE=3 invalid value ! (1 or 2)"},
        {&kShort, "CxSHORT", {{"L", R(0)}, {"WG", R(-um)}, {"C_LTYP", M("LT1")}}, g, "WG < 0 invalid value !"},
        {&kAir, "CxAIR", {{"C_LTYP", M("LT1")}, {"C_BTYP", M(none)}}, g, "TYPE=0 invalid airtype !"},
        {&kBend, "CxBEND", cross_params(lv, nb, 2), g, "different CEN_MET in applied linetypes"},
        {&kBend, "CxBEND", cross_params(lv, over, 2), g, "TYPE1=-1, TYPE2=2 -> invalid airtype combination !"},
        {&kTee, "CxTEE", cross_params(tee_die, tee_b, 3), g, "different DIE_IDX in applied airtypes"},
        {&kCross, "CxCROSS", cross_params(four, cross_b, 4), g, "TYPE=5 invalid airtype !"},
        {&kIdc, "CxIDC", with(idc_params(3), "NF", I(1)), g, "NF=1 invalid value ! (NF_min=2)"},
        {&kIdc, "CxIDC", with(idc_params(3), "LF", R(1 * um)), g, "LF=1e-06 invalid value ! (LF_min=1.5e-06)"},
        {&kRind, "CxRIND", rind_params(2, bridge(2)), g, "N=2 invalid value ! (N=1.5, 2.5, ...)"},
        {&kRind, "CxRIND", rind_params(0.5, bridge(2)), g, "N=0.5 invalid value ! (N_min=1.5)"},
        {&kRind, "CxRIND", rind_params(1.5, none), g, "the inner end needs a bridge"},
        // A box too small for the element, given by the user.
        {&kAir, "CxAIR", {{"C_LTYP", M("LT1")}, {"C_BTYP", M(bridge(2, 4 * um, 2 * um))}}, grid(20 * um, 8 * um),
         "L2=8e-06 too small"},
    };
    for (const Case& c : cases) {
        host::Host::get().clear_log();
        EXPECT_EQ(c.kind->get(el(c.def, c.p, c.grid), &warnings), 1) << c.text;
        std::vector<std::string> said = errors();
        for (const std::string& w : texts(warnings)) said.push_back(w);
        ASSERT_EQ(said.size(), 1u) << c.text << (said.empty() ? "" : ": " + said[0] + " / " + said.back());
        EXPECT_NE(said[0].find(c.text), std::string::npos) << said[0];
    }
}

}  // namespace
}  // namespace mirtex::test
