// The components with leads through the host: one Y evaluation of a
// cached CxTFR, CxTFG, CxCAPLIN and CxMIM, and one solve of each with the
// line cache and the line file emptied first (their line runs are the
// solve: the components keep no file of their own).
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

#include "cache/cache.h"
#include "cache/calc_file.h"
#include "bench_items.h"
#include "host.h"
#include "solver/solver.h"

namespace {

using mirtex::host::Host;
using mirtex::host::Value;

// Items on 200 um of GaAs at DL 2.5 um, and one instance of each component.
UserInstDef* component(int which) {
    static UserInstDef* inst[4] = {};
    if (inst[0] == nullptr) {
        Host& h = Host::get();
        h.boot_all();
        h.create("C_SUB", "LSUB",
                 {{"H1", Value::Real(-1)}, {"H2", Value::Real(200e-6)}, {"H3", Value::Real(-1)},
                  {"ER1", Value::Real(1.0)}, {"ER2", Value::Real(12.9)}, {"ER3", Value::Real(1.0)},
                  {"TAND1", Value::Real(0)}, {"TAND2", Value::Real(6e-4)}, {"TAND3", Value::Real(0)}});
        h.create("C_GRID", "LGRID",
                 {{"BOUND", Value::Real(1e-5)}, {"L1", Value::Real(-1)}, {"L2", Value::Real(-1)},
                  {"DL", Value::Real(2.5e-6)}, {"ACC", Value::Int(5)}});
        auto lt = [&](const char* n, double w, double s, int met) {
            h.create("C_LINTYP", n,
                     {{"W", Value::Real(w)}, {"S", Value::Real(s)}, {"GW", Value::Real(50e-6)},
                      {"CEN_MET", Value::Int(met)}, {"GND_MET", Value::Int(1)}});
        };
        lt("L1", 20e-6, 15e-6, 1);
        lt("L2", 20e-6, 15e-6, 2);
        lt("RES", 10e-6, 20e-6, 1);
        lt("CAP", 40e-6, 10e-6, 1);
        mirtex::bench::bench_process();
        const char* defs[4] = {"CxTFR", "CxTFG", "CxCAPLIN", "CxMIM"};
        for (int k = 0; k < 4; ++k) {
            const bool res = k < 2;
            inst[k] = h.create(defs[k], std::string("B") + defs[k],
                               {{"L", Value::Real(100e-6)}, {res ? "C_LTYPR" : "C_LTYPC", Value::Mtrl(res ? "RES" : "CAP")},
                                {"C_LTYP1", Value::Mtrl("L1")}, {"C_LTYP2", Value::Mtrl(k == 3 ? "L2" : "L1")},
                                {res ? "RES_IDX" : "DIE_IDX", Value::Int(1)}, {"C_SUB", Value::Mtrl("LSUB")},
                                {"C_GRID", Value::Mtrl("LGRID")}, {"TEMP", Value::Real(16.85)}});
        }
    }
    return inst[which];
}

void BM_CachedComponentY(benchmark::State& state) {
    UserInstDef* c = component(static_cast<int>(state.range(0)));
    if (!Host::get().analyse({c}, {1e9}).ok) {
        state.SkipWithError("analysis failed");
        return;
    }
    COMPLEX y[4];
    double omega = 6.283185307179586e9;
    for (auto _ : state) {
        if (c->def->y(c, omega, y) != 1) {
            state.SkipWithError("Y callback failed");
            break;
        }
        benchmark::DoNotOptimize(y);
        omega += 1.0;
    }
    state.SetLabel(c->def->name);
}
BENCHMARK(BM_CachedComponentY)->DenseRange(0, 3);

void BM_ComponentSolve(benchmark::State& state) {
    UserInstDef* c = component(static_cast<int>(state.range(0)));
    const std::filesystem::path file = mirtex::table_directory() + "cpw_line.cdb";
    print_iteration = 0;
    for (auto _ : state) {
        state.PauseTiming();
        std::filesystem::remove(file);
        Host::get().clear_log();
        for (CACHE** root : {&root_line, &root_tfr, &root_tfg, &root_mimlin, &root_mim}) *root = nullptr;
        state.ResumeTiming();
        if (!Host::get().analyse({c}, {1e9}).ok) state.SkipWithError("analysis failed");
    }
    state.SetLabel(c->def->name);
}
BENCHMARK(BM_ComponentSolve)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);

}  // namespace
