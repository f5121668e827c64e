// Cross-section solver: one Calc_Line from an empty table directory (so the
// calculation file never answers), per geometry and grid step.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "../tests/solver/line_inputs.h"
#include "cache/calc_file.h"
#include "host.h"
#include "numeric/arrays.h"
#include "solver/kernel.h"
#include "solver/solver.h"

namespace {

using mirtex::test::LineSpec;

// W = 20 um, S = 15 um on 200 um of er 12.9 (conductor-backed), box and
// cover as the automatic values make them for the grid step.
LineSpec gaas_line(double dl, double gw, double t) {
    LineSpec s;
    s.W = 20e-6;
    s.S = 15e-6;
    s.GW = gw;
    s.T = t;
    s.DL = dl;
    s.H1 = 0.0;
    s.H2 = 200e-6;
    s.er1 = s.er2 = 12.9;
    s.er3 = 1.0;
    s.bound = 1e-6;
    const double a = (std::round(s.W / dl) + 2 * std::round(s.S / dl)) * dl;
    const double b1 = a + 2 * std::round(gw / dl) * dl;
    const double q = 4 * dl;
    s.L1 = q * (std::trunc(std::max(5 * a, b1) / q) + 2);
    s.H3 = (4 * std::trunc(a / dl + 0.5) + 7) * dl;
    return s;
}

void solve(benchmark::State& state, const LineSpec& spec) {
    // The benchmark program gives itself a temporary table directory before
    // main; remove the file where the library actually keeps it.
    const std::filesystem::path file = mirtex::table_directory() + "cpw_line.cdb";
    mirtex::test::LineVectors v = mirtex::test::line_vectors(spec);
    print_iteration = 0;
    std::strcpy(CPW_Misc.label, "C_LIN(bench)");
    const auto start = mirtex::solver::relax_counters();
    initmem.peak_bytes = initmem.current_bytes;
    long solves = 0;
    for (auto _ : state) {
        state.PauseTiming();
        std::filesystem::remove(file);
        mirtex::host::Host::get().clear_log();
        state.ResumeTiming();
        if (Calc_Line(0, v.ipar, v.dpar, v.out) != 0) {
            state.SkipWithError("Calc_Line failed");
            break;
        }
        ++solves;
    }
    const auto end = mirtex::solver::relax_counters();
    const double n = solves > 0 ? static_cast<double>(solves) : 1.0;
    state.counters["sweeps"] = static_cast<double>(end.sweeps - start.sweeps) / n;
    state.counters["updates/s"] =
        benchmark::Counter(static_cast<double>(end.node_updates - start.node_updates), benchmark::Counter::kIsRate);
    state.counters["grid_kB"] = static_cast<double>(initmem.peak_bytes) / 1024.0;
    rusage ru{};
    getrusage(RUSAGE_SELF, &ru);
    state.counters["maxRSS_MB"] = static_cast<double>(ru.ru_maxrss) / 1024.0;
    state.counters["ZL"] = v.out[4];
    state.counters["ER_eff"] = v.out[5];
}

void BM_CalcLine_Thin_DL2_5um(benchmark::State& state) {
    solve(state, gaas_line(2.5e-6, 0.0, 0.0));
}
void BM_CalcLine_Thin_DL1_25um(benchmark::State& state) {
    solve(state, gaas_line(1.25e-6, 0.0, 0.0));
}
// 3 um of metal (MET = 1.6) and ground strips of 50 um inside the box.
void BM_CalcLine_ThickStrips_DL1_25um(benchmark::State& state) {
    solve(state, gaas_line(1.25e-6, 50e-6, 3e-6));
}

}  // namespace

BENCHMARK(BM_CalcLine_Thin_DL2_5um)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CalcLine_Thin_DL1_25um)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CalcLine_ThickStrips_DL1_25um)->Unit(benchmark::kMillisecond);
