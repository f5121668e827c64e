// Every element solved on the three-dimensional grid, and the components
// whose values scale with their length between the leads, alone as
// mirtex-sim element solves them: the values the summary, its JSON and the
// element table show are the results the library stores, slot by slot
// (times that length), with the grid step the element was solved at; the
// spiral's resonance and Q peak are where its equivalent circuit puts them.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <sstream>

#include <fmt/format.h>

#include "sim/element_calc.h"
#include "sim_support.h"

namespace {

struct Kind {
    const char* type;
    const char* words;
    const char* vectors;                              // the work vectors' prefix
    struct Slot {
        const char* name;
        int slot;
        double times = 1;  // a per-metre result's length between the leads
    };
    std::vector<Slot> slots;
    int dl_slot;                                      // DL among the real inputs
};

const Kind kKinds[] = {
    {"CxOPEN", "L=50um GAP=20um WG=20um TYPE=1", "open", {{"C_end", 0}}, 3},
    {"CxSHORT", "L=50um WG=20um", "short", {{"L_end", 0}}, 0},
    {"CxGAP", "L1=50um L2=50um GAP=10um", "gap", {{"Cp1", 0}, {"Cp2", 1}, {"Cs", 2}}, 3},
    {"CxSTEP", "L1=50um L2=50um SL=10um", "step", {{"L1", 0}, {"L2", 1}, {"Cp", 2}}, 3},
    {"CxTAPER", "L1=50um L2=50um TL=50um", "taper", {{"L1", 0}, {"L2", 1}, {"Cp", 2}}, 3},
    {"CxAIR", "", "bruecke", {{"L", 0}, {"Cp", 1}}, 3},
    {"CxBEND", "", "bend", {{"L1", 0}, {"L2", 1}, {"Cp", 2}}, 3},
    {"CxTEE", "", "tee", {{"L3", 0}, {"L1", 1}, {"L2", 2}, {"Cp", 3}}, 3},
    {"CxCROSS", "", "cross", {{"L1", 0}, {"L2", 1}, {"L4", 2}, {"L3", 3}, {"L5", 4}, {"Cp", 5}}, 3},
    {"CxIDC", "L1=50um L2=50um WF=5um SF=5um LF=50um NF=4 S=15um G=5um WL=10um IDCLEVEL=1", "idc",
     {{"Cp1", 0}, {"Cp2", 1}, {"Cs", 2}, {"L1", 3}, {"L2", 4}, {"M", 5}, {"Ls", 6}, {"Rf1", 7}, {"Rf2", 8}}, 3},
    {"CxRIND", "L1=50um L2=50um N=1.5 WT=10um ST=10um I_DIA1=60um I_DIA2=60um S=20um INDLEVEL=1", "rindE",
     {{"Cs", 1}}, 3},
    // The leads are the technology's res_l and cap_l2, 2 um each.
    {"CxMIM", "L=40um DIE_IDX=2", "mim", {{"C", 1, -36e-6}}, 3},
    {"CxTFR", "L=50um RES_IDX=1", "tfr", {{"R", 3, 46e-6}}, 3},
    {"CxTFG", "L=50um RES_IDX=1", "tfg", {{"C", 0, 46e-6}, {"G", 2, 46e-6}}, 3},
    {"CxCAPLIN", "L=100um DIE_IDX=2", "mimlin", {{"plate C'", 2}, {"C'", 0}}, 3},
};

const mirtex::sim::SolvedValue* find(const mirtex::sim::Described& d, const std::string& name) {
    for (const auto& v : d.values)
        if (v.name == name) return &v;
    return nullptr;
}

TEST(ElementCalc, EveryKindWithLumpedValuesShowsTheValuesTheLibraryStores) {
    mirtex::test::load_model(mirtex::test::kMirtexLibrary);
    void* lib = dlopen(mirtex::test::kMirtexLibrary.c_str(), RTLD_NOW | RTLD_NOLOAD);
    ASSERT_NE(lib, nullptr);
    auto& h = mirtex::host::Host::get();
    for (const Kind& k : kKinds) {
        h.clear_instances();
        mirtex::sim::ElementSpec spec{k.type, {}, "", 10e9};
        std::istringstream words(k.words);
        for (std::string w; words >> w;) spec.words.push_back(w);
        const mirtex::sim::Netlist nl = mirtex::sim::parse_netlist(
            mirtex::sim::element_netlist(spec, *h.definition(k.type)), "element", h);
        const auto insts = mirtex::sim::create_instances(nl, h);
        const auto runs = mirtex::sim::solve_element(nl, insts, h, lib, {5e-6}, spec.f_hz);
        const mirtex::sim::Described& d = runs.at(0).element;
        ASSERT_FALSE(d.values.empty()) << k.type;
        const double* out = *static_cast<double**>(dlsym(lib, fmt::format("{}_dpar_out", k.vectors).c_str()));
        const double* in = *static_cast<double**>(dlsym(lib, fmt::format("{}_dpar", k.vectors).c_str()));
        std::vector<std::pair<std::string, double>> want;
        for (const auto& x : k.slots) want.emplace_back(x.name, out[x.slot] * x.times);
        want.emplace_back("DL", in[k.dl_slot]);
        EXPECT_EQ(in[k.dl_slot], 5e-6) << k.type;
        if (std::string(k.type) == "CxRIND") {
            // Per segment: R at 1 GHz, R at DC, L, C after T and Cs.
            const int n = (*static_cast<int**>(dlsym(lib, "rindE_ipar_out")))[0];
            double r = 0, l = 0, c = 0;
            for (int i = 0; i < n; ++i) r += out[2 + i], l += out[2 + 2 * n + i], c += out[2 + 3 * n + i];
            want.insert(want.end(), {{"R", r}, {"L", l}, {"C", c}});
        }
        const std::string json = mirtex::sim::summary_json({d}, "element", spec.f_hz);
        const std::string table = mirtex::sim::element_table(runs, {5e-6});
        for (const auto& [name, value] : want) {
            const auto* v = find(d, name);
            ASSERT_NE(v, nullptr) << k.type << " " << name;
            EXPECT_DOUBLE_EQ(v->value, value) << k.type << " " << name;
            EXPECT_NE(json.find(fmt::format("\"{}\": {{\"value\": {:.17g}", name, v->value)), std::string::npos)
                << k.type << " " << name << "\n" << json;
            if (name != "DL") {
                EXPECT_NE(table.find(fmt::format("{:.5g}", v->value * v->factor)), std::string::npos)
                    << k.type << " " << name << "\n" << table;
            }
        }
        EXPECT_FALSE(runs[0].feeds.empty()) << k.type << ": the feed lines' ZL";
        if (std::string(k.type) != "CxRIND") continue;

        // With port 2 grounded the reactance turns capacitive at f_res, and
        // Q = Im Z / Re Z is largest at f_Q.
        using Freq = void (*)(const int*, const double*, double, double, double*, COMPLEX*);
        const auto freq = reinterpret_cast<Freq>(dlsym(lib, "Freq_Ind2"));
        const int* iout = *static_cast<int**>(dlsym(lib, "rindE_ipar_out"));
        auto z = [&](double f) {
            double R = 0;
            COMPLEX y[4];
            freq(iout, out, 4.5e7, f, &R, y);
            return 1.0 / std::complex<double>(y[0].real, y[0].imag);
        };
        const double f_res = find(d, "f_res")->value, f_q = find(d, "f_Q")->value, q = find(d, "Q_peak")->value;
        EXPECT_GT(z(f_res * 0.999).imag(), 0);
        EXPECT_LT(z(f_res * 1.001).imag(), 0);
        EXPECT_LT(f_q, f_res);
        EXPECT_NEAR(q, z(f_q).imag() / z(f_q).real(), 1e-9 * q);
        for (double x : {0.9, 0.98, 1.02, 1.1}) EXPECT_LE(z(f_q * x).imag() / z(f_q * x).real(), q) << x;
    }
}

}  // namespace
