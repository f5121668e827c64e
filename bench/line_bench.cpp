// The line element through the host's Y callback: one evaluation of a
// cached CxLIN (the per-frequency cost of every line in a design), and a
// 100-point sweep of a line never seen before, its solve included.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "cache/cache.h"
#include "cache/calc_file.h"
#include "bench_items.h"
#include "host.h"

namespace {

using mirtex::host::Host;
using mirtex::host::Value;

// A 15/10/50-um CPW on 100 um of GaAs with a 1-um grid, built once.
UserInstDef* line_instance() {
    static UserInstDef* inst = [] {
        Host& h = Host::get();
        h.boot_all();
        h.create("C_SUB", "BSUB",
                 {{"H1", Value::Real(-1)}, {"H2", Value::Real(100e-6)}, {"H3", Value::Real(-1)},
                  {"ER1", Value::Real(1.0)}, {"ER2", Value::Real(12.9)}, {"ER3", Value::Real(1.0)},
                  {"TAND1", Value::Real(0)}, {"TAND2", Value::Real(6e-4)}, {"TAND3", Value::Real(0)}});
        h.create("C_GRID", "BGRID",
                 {{"BOUND", Value::Real(1e-4)}, {"L1", Value::Real(-1)}, {"L2", Value::Real(-1)},
                  {"DL", Value::Real(1e-6)}, {"ACC", Value::Int(5)}});
        h.create("C_LINTYP", "BLT",
                 {{"W", Value::Real(15e-6)}, {"S", Value::Real(10e-6)}, {"GW", Value::Real(50e-6)},
                  {"CEN_MET", Value::Int(1)}, {"GND_MET", Value::Int(1)}});
        mirtex::bench::bench_process();
        return h.create("CxLIN", "BTL1",
                        {{"L", Value::Real(300e-6)}, {"C_LTYP", Value::Mtrl("BLT")}, {"C_SUB", Value::Mtrl("BSUB")},
                         {"C_GRID", Value::Mtrl("BGRID")}, {"TEMP", Value::Real(16.85)}});
    }();
    return inst;
}

void BM_CachedLineY(benchmark::State& state) {
    UserInstDef* tl = line_instance();
    if (!Host::get().analyse({tl}, {1e9}).ok) {
        state.SkipWithError("analysis failed");
        return;
    }
    COMPLEX y[4];
    double omega = 6.283185307179586e9;
    for (auto _ : state) {
        if (cpw_line_y(tl, omega, y) != 1) {
            state.SkipWithError("Y callback failed");
            break;
        }
        benchmark::DoNotOptimize(y);
        omega += 1.0;  // a new frequency each call
    }
}
BENCHMARK(BM_CachedLineY);

// Each sweep starts from an empty line cache and without the line's
// calculation file, so the first point solves the cross-section.  The
// library fixes its table directory at its first use; the benchmark
// program points it at a temporary directory before main.
void BM_SweepOfNewLine100Points(benchmark::State& state) {
    UserInstDef* tl = line_instance();
    std::vector<double> freqs;
    for (int k = 1; k <= 100; ++k) freqs.push_back(0.5e9 * k);
    const std::filesystem::path file = mirtex::table_directory() + "cpw_line.cdb";
    std::size_t solves = 0;
    for (auto _ : state) {
        state.PauseTiming();
        root_line = nullptr;  // the chain's nodes are never freed; one leaks per sweep
        std::filesystem::remove(file);
        Host::get().clear_log();
        state.ResumeTiming();
        const auto res = Host::get().analyse({tl}, freqs);
        if (!res.ok) {
            state.SkipWithError("analysis failed");
            break;
        }
        benchmark::DoNotOptimize(res.points.data());
        state.PauseTiming();
        solves += Host::get().count(mirtex::host::Severity::Info, "Calculating C_LINE");
        state.ResumeTiming();
    }
    state.counters["solves_per_sweep"] =
        state.iterations() > 0 ? static_cast<double>(solves) / static_cast<double>(state.iterations()) : 0.0;
}
BENCHMARK(BM_SweepOfNewLine100Points)->Unit(benchmark::kMillisecond);

}  // namespace
