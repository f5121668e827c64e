// Regression data of every element.  Each netlist of tests/data/reference/
// (every element kind on a coarse grid, symmetric and asymmetric layouts)
// and each example runs through the simulator's own path; every result the
// run solved (each result chain of the library in the order of solving, all
// integer and real results) and the S-parameters at up to four of its
// frequencies are compared with the stored <name>.txt beside the netlist
// (examples: tests/data/reference/examples/<name>.txt).  The examples run on
// a grid of twice their step, which keeps the whole comparison short.
//
// After a deliberate change of a value, regenerate all of it with
//   MIRTEX_WRITE_REFERENCE=1 build/test_tools --gtest_filter='Reference.*'
// and say in the commit which values moved and why.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "cache/cache.h"
#include "sim_support.h"
#include "support/tmpdir.h"

namespace mirtex::test {
namespace {

namespace fs = std::filesystem;
using Values = std::map<std::string, double>;

const fs::path kReference = fs::path(MIRTEX_SOURCE_DIR) / "tests/data/reference";

#define MIRTEX_ROOT_NAME(kind) #kind,
const char* const kChains[] = {MIRTEX_CACHE_ROOTS(MIRTEX_ROOT_NAME)};
#undef MIRTEX_ROOT_NAME

struct Case {
    std::string name;  // test name and data file stem
    fs::path netlist, data;
    friend void PrintTo(const Case& c, std::ostream* os) { *os << c.netlist; }
};

std::vector<Case> cases() {
    std::vector<Case> out;
    auto add = [&](const fs::path& dir, const std::string& prefix, const fs::path& data_dir) {
        std::vector<fs::path> nets;
        for (const auto& e : fs::directory_iterator(dir))
            if (e.path().extension() == ".net") nets.push_back(e.path());
        std::sort(nets.begin(), nets.end());
        for (const auto& p : nets) {
            const std::string stem = p.stem().string();
            out.push_back({prefix + stem, p, data_dir / (stem + ".txt")});
        }
    };
    add(kReference, "", kReference);
    add(fs::path(MIRTEX_SOURCE_DIR) / "examples", "example_", kReference / "examples");
    return out;
}

// The library's result chains, emptied so that a run's chains hold exactly
// what it solved.  The nodes are never freed; forgetting them only leaks.
CACHE** chain(const char* kind) {
    void* lib = dlopen(kMirtexLibrary.c_str(), RTLD_NOW | RTLD_NOLOAD);
    return lib ? static_cast<CACHE**>(dlsym(lib, (std::string("root_") + kind).c_str())) : nullptr;
}

std::string key(const std::string& a, std::size_t i, const char* b, int j) {
    return a + "." + std::to_string(i) + "." + b + "." + std::to_string(j);
}

// Run the netlist in a scratch working directory (a debug file it writes
// lands there) and collect its solved results and S-parameters.
Values run(const Case& c) {
    std::ifstream in(c.netlist);
    std::stringstream text;
    text << in.rdbuf();
    std::string t = text.str();
    if (c.name.starts_with("example_"))
        for (std::size_t at = t.find("DL=2.5um"); at != std::string::npos; at = t.find("DL=2.5um", at))
            t.replace(at, 8, "DL=5um");
    load_model(kMirtexLibrary);
    for (const char* kind : kChains) *chain(kind) = nullptr;
    auto& h = host::Host::get();
    TempDir work("mirtex-reference");
    const fs::path back = fs::current_path();
    fs::current_path(work.path());
    // The full path: an INCLUDE is found relative to the example itself.
    const sim::Netlist nl = sim::parse_netlist(t, c.netlist.string(), h);
    sim::Circuit circuit(nl, sim::create_instances(nl, h));
    const sim::RunResult r = sim::run_sweep(circuit, nl, h);
    fs::current_path(back);
    EXPECT_EQ(r.status, sim::RunResult::Status::Ok) << r.why;

    Values v;
    for (const char* kind : kChains) {
        std::size_t n = 0;
        for (const CACHE* node = *chain(kind); node != nullptr; node = node->next, ++n) {
            for (int j = 0; j < node->n_ipar_out; ++j) v[key(kind, n, "iout", j)] = node->ipar_out[j];
            for (int j = 0; j < node->n_dpar_out; ++j) v[key(kind, n, "out", j)] = node->dpar_out[j];
        }
    }
    // S at up to four of the sweep's frequencies: first, a third, two
    // thirds, last.
    const std::size_t nf = r.data.freqs_hz.size();
    for (std::size_t k : {std::size_t{0}, nf / 3, 2 * nf / 3, nf - 1}) {
        if (k >= nf) continue;
        char f[32];
        std::snprintf(f, sizeof f, "S.%.6gGHz.", r.data.freqs_hz[k] * 1e-9);
        const auto& s = r.data.s[k];
        for (int i = 0; i < s.rows(); ++i)
            for (int j = 0; j < s.cols(); ++j) {
                const std::string ij = std::to_string(i + 1) + "." + std::to_string(j + 1);
                v[f + ("re." + ij)] = s(i, j).real();
                v[f + ("im." + ij)] = s(i, j).imag();
            }
    }
    return v;
}

class Reference : public testing::TestWithParam<Case> {};

TEST_P(Reference, SolvedValuesAndSParametersMatchTheStoredData) {
    const Case& c = GetParam();
    const Values got = run(c);
    ASSERT_FALSE(got.empty());

    if (std::getenv("MIRTEX_WRITE_REFERENCE") != nullptr) {
        fs::create_directories(c.data.parent_path());
        std::ofstream out(c.data);
        out << "# " << fs::relative(c.netlist, MIRTEX_SOURCE_DIR).string()
            << ": <chain>.<result>.<iout|out>.<slot> and S.<f>.<re|im>.<row>.<col>;\n"
               "# written by MIRTEX_WRITE_REFERENCE=1 build/test_tools --gtest_filter='Reference.*'\n";
        char buf[64];
        for (const auto& [k, x] : got) {
            std::snprintf(buf, sizeof buf, "%.17g", x);
            out << k << ' ' << buf << '\n';
        }
        return;
    }

    std::ifstream in(c.data);
    ASSERT_TRUE(in) << c.data << " missing; regenerate the reference data";
    Values want;
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream ls(line);
        std::string k;
        double x = 0;
        ls >> k >> x;
        want[k] = x;
    }
    EXPECT_EQ(got.size(), want.size()) << "the run solved other results than the stored data hold";
    for (const auto& [k, x] : want) {
        const auto it = got.find(k);
        if (it == got.end()) {
            ADD_FAILURE() << k << " not produced";
            continue;
        }
        // Relative 1e-4 holds every value across build types.  The floors
        // only serve values that are the round-off of a cancelling
        // difference (a symmetric layout's zero): 1e-22 lies far below the
        // smallest solved value that means anything (attofarads, femtohenry),
        // 1e-7 below any S-parameter a fault moves.
        const double floor = k[0] == 'S' ? 1e-7 : 1e-22;
        EXPECT_LE(std::abs(it->second - x), 1e-4 * std::abs(x) + floor) << c.name << ": " << k;
    }
}

INSTANTIATE_TEST_SUITE_P(, Reference, testing::ValuesIn(cases()),
                         [](const testing::TestParamInfo<Case>& i) { return i.param.name; });

}  // namespace
}  // namespace mirtex::test
