// The stand-in host on its own: definition checks, instances, the analysis
// runner and the noise convention, with definitions made in the test.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "host.h"

using mirtex::host::Error;
using mirtex::host::Host;
using mirtex::host::Severity;
using mirtex::host::Value;

namespace {

std::vector<std::string> calls;

int pre(UserInstDef* i) { return calls.push_back(std::string("pre ") + i->name), 1; }
int post(UserInstDef* i) { return calls.push_back(std::string("post ") + i->name), 1; }
// A conductance G between the two nodes; fails for a negative G.
int y_res(UserInstDef* i, double, COMPLEX* y) {
    const double g = i->params[0].value.r;
    calls.push_back(std::string("y ") + i->name + (first_frequency() ? " first" : ""));
    if (g < 0) return 0;
    y[0] = y[3] = COMPLEX{g, 0};
    y[1] = y[2] = COMPLEX{-g, 0};
    return 1;
}
int noise_res(UserInstDef* i, double, COMPLEX* y, COMPLEX* c) { return passive_noise(y, 2, c, i->params[1].value.r); }

const UserParamType kResParams[] = {{"G", MIRTEX_REAL}, {"TEMP", MIRTEX_REAL}, {"N", MIRTEX_INT},
                                    {"REF", MIRTEX_MTRL}, {"TXT", MIRTEX_STRG}};
UserElemDef kRes[] = {{"RES", 2, 5, kResParams, pre, y_res, noise_res, post, {}}};

UserInstDef* res(const std::string& name, double g) {
    return Host::get().create("RES", name, {{"G", Value::Real(g)}, {"TEMP", Value::Real(16.85)}, {"N", Value::Int(3)},
                                            {"REF", Value::Mtrl("OTHER")}, {"TXT", Value::Strg("hello")}});
}

}  // namespace

TEST(Host, MalformedDefinitionsAreRejectedWithAMessage) {
    Host& h = Host::get();
    static const UserParamType nokey[] = {{nullptr, MIRTEX_REAL}};
    static const UserParamType badtype[] = {{"X", 7}};
    UserElemDef bad[] = {{nullptr, 1, 0, nullptr, nullptr, nullptr, nullptr, nullptr, {}},
                         {"NEGN", -1, 0, nullptr, nullptr, nullptr, nullptr, nullptr, {}},
                         {"NEGP", 1, -2, nullptr, nullptr, nullptr, nullptr, nullptr, {}},
                         {"NOKEY", 1, 1, nokey, nullptr, nullptr, nullptr, nullptr, {}},
                         {"NOLIST", 1, 1, nullptr, nullptr, nullptr, nullptr, nullptr, {}},
                         {"BADTYPE", 1, 1, badtype, nullptr, nullptr, nullptr, nullptr, {}}};
    for (UserElemDef& d : bad) EXPECT_EQ(load_elements(&d, 1), 0);
    EXPECT_TRUE(h.definitions().empty());
    EXPECT_EQ(h.log().size(), 6u);
    EXPECT_TRUE(h.contains(Severity::Error, "NEGN has a negative node count"));
    EXPECT_TRUE(h.contains(Severity::Error, "NOKEY: parameter 1 has no keyword"));
    EXPECT_EQ(load_elements(kRes, 1), 1);
    EXPECT_EQ(load_elements2(kRes, 1), 1);  // again under the same name: replaced, not doubled
    EXPECT_EQ(h.definitions().size(), 1u);
}

TEST(Host, InstancesCarryTypedValuesAndBadOnesNameInstanceAndKeyword) {
    Host& h = Host::get();
    load_elements(kRes, 1);
    UserInstDef* r = res("R1", 0.02);
    EXPECT_EQ(get_user_inst("R1"), r);
    EXPECT_EQ(get_user_inst("R2"), nullptr);
    EXPECT_EQ(get_user_inst(nullptr), nullptr);
    EXPECT_STREQ(r->name, "R1");
    EXPECT_EQ(r->def, &kRes[0]);
    EXPECT_EQ(r->params[0].value.r, 0.02);
    EXPECT_EQ(r->params[2].value.i, 3);
    EXPECT_STREQ(r->params[3].value.s, "OTHER");
    EXPECT_STREQ(r->params[4].value.s, "hello");

    auto fails = [&](const mirtex::host::Params& p, const std::string& what) {
        try {
            h.create("RES", "BAD", p);
            ADD_FAILURE() << "accepted: " << what;
        } catch (const Error& e) {
            EXPECT_NE(std::string(e.what()).find(what), std::string::npos) << e.what();
        }
    };
    const mirtex::host::Params ok = {{"G", Value::Real(1)}, {"TEMP", Value::Real(1)}, {"N", Value::Int(1)},
                                     {"REF", Value::Mtrl("X")}, {"TXT", Value::Strg("")}};
    auto with = [&](const std::string& k, Value v) {
        auto p = ok;
        for (auto& e : p)
            if (e.first == k) e.second = v;
        return p;
    };
    fails(with("N", Value::Real(1.5)), "RES:BAD: parameter N needs a value of type INT");
    fails(with("REF", Value::Real(1)), "RES:BAD: parameter REF needs a value of type MTRL");
    fails(with("TXT", Value::Int(1)), "RES:BAD: parameter TXT needs a value of type STRG");
    auto extra = ok;
    extra.push_back({"Q", Value::Real(1)});
    fails(extra, "RES:BAD: unknown parameter 'Q'");
    auto twice = ok;
    twice.push_back({"G", Value::Real(2)});
    fails(twice, "RES:BAD: parameter G given twice");
    auto missing = ok;
    missing.erase(missing.begin() + 1);
    fails(missing, "RES:BAD: missing parameter TEMP");
    EXPECT_NO_THROW(h.create("RES", "BAD", ok));
    EXPECT_THROW(h.create("RES", "BAD", ok), Error);  // the name is taken now
    EXPECT_THROW(h.create("NOPE", "X", {}), Error);
}

TEST(Host, AnalysisRunsPreThenEveryPointThenPost) {
    Host& h = Host::get();
    load_elements(kRes, 1);
    UserInstDef* a = res("A", 0.5);
    UserInstDef* b = res("B", 0.25);
    calls.clear();
    auto r = h.analyse({a, b}, {1e9, 2e9}, {true});
    ASSERT_TRUE(r.ok) << r.error;
    const std::vector<std::string> expect = {"pre A", "pre B", "y A first", "y B first", "y A", "y B", "post A", "post B"};
    EXPECT_EQ(calls, expect);
    ASSERT_EQ(r.points.size(), 2u);
    EXPECT_EQ(r.points[1].freq_hz, 2e9);
    EXPECT_EQ(r.points[0].y[1][1].real, -0.25);
    // 4kT·G on the diagonal at 290 K
    EXPECT_NEAR(r.points[0].noise[0][0].real, 4 * mirtex::host::kBoltzmann * 290.0 * 0.5, 1e-35);
    EXPECT_NEAR(r.points[0].noise[0][1].real, -4 * mirtex::host::kBoltzmann * 290.0 * 0.5, 1e-35);
    EXPECT_EQ(first_frequency(), 0);
}

TEST(Host, FailingCallbackStopsTheAnalysisButEveryPostRuns) {
    Host& h = Host::get();
    load_elements(kRes, 1);
    UserInstDef* a = res("A", 0.5);
    UserInstDef* b = res("B", -1.0);
    calls.clear();
    auto r = h.analyse({a, b}, {1e9, 2e9, 3e9});
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.error.find("Y callback of RES:B failed at 1e+09 Hz"), std::string::npos) << r.error;
    const std::vector<std::string> expect = {"pre A", "pre B", "y A first", "y B first", "post A", "post B"};
    EXPECT_EQ(calls, expect);
    EXPECT_TRUE(h.contains(Severity::Error, "analysis stopped"));
}

TEST(Host, NoiseBelowAbsoluteZeroIsAnError) {
    COMPLEX y[1] = {{1, 0}}, c[1];
    EXPECT_EQ(passive_noise(y, 1, c, -300.0), 0);
    EXPECT_TRUE(Host::get().contains(Severity::Error, "below absolute zero"));
    EXPECT_EQ(passive_noise(y, 1, c, -273.15), 1);
    EXPECT_EQ(c[0].real, 0.0);
}
