// What a frequency point costs once an element is solved: the host's Y
// callback of one instance of each of the 27 elements, taken from the
// reference circuits (tests/data/reference, a 5 um grid) after one analysis
// has solved them.  Everything a Y call does today runs: the inputs' build
// and checks, the cache look-ups, the frequency model and the feed lines.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "host.h"
#include "sim/analysis.h"
#include "sim/netlist.h"

namespace {

namespace fs = std::filesystem;

// The reference circuit holding the element, the element, and the
// instance where it is not the first of its type.
struct Case {
    const char* netlist;
    const char* type;
    const char* instance = nullptr;
};

const Case kCases[] = {
    {"steps_bridges", "CxSTEP"}, {"steps_bridges", "CxTAPER"}, {"steps_bridges", "CxAIR"},
    {"ends", "CxOPEN"},          {"ends", "CxSHORT"},          {"ends", "CxGAP"},
    {"ends", "CxLIN"},           {"ends", "CxFEED"},           {"ends", "CxMETVIA"},
    {"junctions", "CxBEND"},     {"junctions", "CxTEE"},       {"junctions", "CxCROSS"},
    // The tee and the crossing of arms all different: no two feed lines alike.
    {"junctions", "CxTEE", "J2"}, {"junctions", "CxCROSS", "X2"},
    {"components", "CxIDC"},     {"components", "CxRIND"},     {"components", "CxMIM"},
    {"components", "CxTFR"},     {"components", "CxTFG"},      {"components", "CxCAPLIN"},
    {"coupled", "C_2COUP"},      {"coupled", "C_3COUP"},       {"coupled", "C_4COUP"},
    {"coupled", "C_5COUP"},      {"coupled", "C_6COUP"},       {"coupled", "C_7COUP"},
    {"coupled", "C_8COUP"},      {"coupled", "C_9COUP"},       {"coupled", "C_10COUP"},
};

std::string read(const fs::path& p) {
    std::ifstream in(p);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void BM_CachedY(benchmark::State& state, const Case& c) {
    static const fs::path table = [] {
        const fs::path dir = fs::temp_directory_path() / ("mirtex_cached_y_" + std::to_string(::getpid()));
        fs::create_directories(dir);
        ::setenv("MIRTEX_TABLE_PATH", dir.c_str(), 1);
        return dir;
    }();
    auto& host = mirtex::host::Host::get();
    if (!host.boot_all()) {
        state.SkipWithError("the library does not boot");
        return;
    }
    host.clear_instances();
    const fs::path net = fs::path(MIRTEX_SOURCE_DIR) / "tests/data/reference" / (std::string(c.netlist) + ".net");
    const mirtex::sim::Netlist nl = mirtex::sim::parse_netlist(read(net), net.string(), host);
    mirtex::sim::Circuit circuit(nl, mirtex::sim::create_instances(nl, host));
    if (mirtex::sim::run_sweep(circuit, nl, host).status != mirtex::sim::RunResult::Status::Ok) {
        state.SkipWithError("the reference circuit does not run");
        return;
    }
    UserInstDef* inst = nullptr;
    for (UserInstDef* i : circuit.instances())
        if (inst == nullptr && i != nullptr && std::string(i->def->name) == c.type &&
            (c.instance == nullptr || std::string(i->name) == c.instance))
            inst = i;
    if (inst == nullptr) {
        state.SkipWithError("no such element in the reference circuit");
        return;
    }
    std::vector<COMPLEX> y(static_cast<std::size_t>(inst->def->numExtNodes * inst->def->numExtNodes));
    double omega = 2 * 3.141592653589793 * 10e9;
    for (auto _ : state) {
        benchmark::DoNotOptimize(inst->def->y(inst, omega, y.data()));
        omega += 1.0;  // a new frequency every call, as in a sweep
    }
    host.clear_instances();
}

const bool kRegistered = [] {
    for (const Case& c : kCases)
        benchmark::RegisterBenchmark(
            (std::string("BM_CachedY/") + c.type + (c.instance ? std::string("/") + c.instance : "")).c_str(),
            BM_CachedY, c)
            ->Unit(benchmark::kMicrosecond);
    return true;
}();

}  // namespace
