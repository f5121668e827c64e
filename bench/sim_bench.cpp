// mirtex-sim's own share of a run: parsing the netlist, creating the
// instances, stamping and solving the circuit at every point and writing the
// Touchstone file.  The elements are lines whose solution is already known
// (closed-form admittance from their line-type item), so the figure is the
// host's cost alone, not the field solver's.
#include <benchmark/benchmark.h>

#include <cmath>
#include <filesystem>
#include <string>

#include <fmt/format.h>

#include "host.h"
#include "mirtex/host.h"
#include "sim/analysis.h"
#include "sim/netlist.h"
#include "sim/output.h"

namespace {

// BLINE: a lossless line of length L; its BLTYPE item gives Z0 and ER, found
// through the host as the library finds its data items.
int bline_y(UserInstDef* inst, double omega, COMPLEX* y) {
    const UserInstDef* type = get_user_inst(inst->params[1].value.s);
    if (type == nullptr) return 0;
    const double z0 = type->params[0].value.r, er = type->params[1].value.r;
    const double bl = omega * std::sqrt(er) / 299792458.0 * inst->params[0].value.r;
    y[0] = y[3] = {0.0, -1.0 / (z0 * std::tan(bl))};
    y[1] = y[2] = {0.0, 1.0 / (z0 * std::sin(bl))};
    return 1;
}

const UserParamType kLine[] = {{"L", MIRTEX_REAL}, {"C_LTYP", MIRTEX_MTRL}, {"TEMP", MIRTEX_REAL}};
const UserParamType kType[] = {{"Z0", MIRTEX_REAL}, {"ER", MIRTEX_REAL}};
UserElemDef kDefs[] = {
    {"BLINE", 2, 3, kLine, nullptr, bline_y, nullptr, nullptr, {}},
    {"BLTYPE", 0, 2, kType, nullptr, nullptr, nullptr, nullptr, {}},
};

// 20 line sections in a chain between two ports, 1,001 points.
std::string chain_netlist() {
    std::string t = "BLTYPE:Ta Z0=50 ER=6.9\nBLTYPE:Tb Z0=35 ER=7.4\nBLTYPE:Tc Z0=70 ER=6.2\n";
    const char* types[] = {"Ta", "Tb", "Tc"};
    for (int k = 0; k < 20; ++k)
        t += fmt::format("BLINE:L{0} n{0} n{1} L={2}um C_LTYP={3}\n", k, k + 1, 137 + 53 * k, types[k % 3]);
    return t + "Term:P1 n0 0 Num=1\nTerm:P2 n20 0 Num=2 Z=50\nS_Param:SP Start=1GHz Stop=40GHz Points=1001\n";
}

void SimSweep20Lines1001Points(benchmark::State& state) {
    auto& host = mirtex::host::Host::get();
    load_elements(kDefs, 2);
    const std::string text = chain_netlist();
    const std::string out = (std::filesystem::temp_directory_path() / "mirtex_sim_bench.s2p").string();
    for (auto _ : state) {
        host.clear_instances();
        const mirtex::sim::Netlist nl = mirtex::sim::parse_netlist(text, "bench.net", host);
        mirtex::sim::Circuit c(nl, mirtex::sim::create_instances(nl, host));
        const mirtex::sim::RunResult r = mirtex::sim::run_sweep(c, nl, host);
        if (r.status != mirtex::sim::RunResult::Status::Ok) {
            state.SkipWithError(r.why.c_str());
            break;
        }
        mirtex::sim::PendingFile f(out, mirtex::sim::touchstone(r.data, {}));
        f.commit();
    }
    std::filesystem::remove(out);
    host.clear_instances();
}
BENCHMARK(SimSweep20Lines1001Points)->Unit(benchmark::kMillisecond);

}  // namespace
