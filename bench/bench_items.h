// The process and technology the benchmarks share: one C_PROCES_DEFAULT
// (foundry BENCH) per process, whichever benchmark runs first makes it.
// Metal 1 is 1 um of gold, metal 2 3 um.
#pragma once

#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <algorithm>
#include <filesystem>
#include <initializer_list>
#include <string>
#include <tuple>
#include <utility>

#include "cache/cache.h"
#include "cache/calc_file.h"
#include "host.h"
#include "mirtex/mirtex.h"
#include "numeric/arrays.h"
#include "solver/kernel.h"
#include "solver/solver.h"

namespace mirtex::bench {

// foundry and t1 name another technology with another metal 1 (the G1
// line's thin metal); the first benchmark of a process fixes it.
inline void bench_process(const char* foundry = "BENCH", double t1 = 1e-6) {
    using host::Value;
    host::Host& h = host::Host::get();
    if (get_user_inst("C_PROCES_DEFAULT") == nullptr)
        h.create("C_PROCES", "C_PROCES_DEFAULT",
                 {{"FOUNDRY", Value::Strg(foundry)}, {"GW_DEF", Value::Real(0)}, {"count", Value::Int(0)}});
    const std::string tech = std::string("C_TECH_") + foundry;
    if (get_user_inst(tech.c_str()) != nullptr) return;
    host::Params tech_values;
    for (auto [k, v] : {std::pair{"die_h0", 0.2e-6},
                        {"die_er0", 6.8},
                        {"die_td0", 1e-3},
                        {"cap_os1", 2e-6},
                        {"cap_l1", 1e-6},
                        {"die_h1", 3e-6},
                        {"die_er1", 1.0},
                        {"die_td1", 1e-4},
                        {"cap_os2", 3e-6},
                        {"cap_l2", 2e-6},
                        {"die_h2", 0.3e-6},
                        {"die_er2", 6.8},
                        {"die_td2", 2e-3},
                        {"res_l", 2e-6},
                        {"res_rs", 50.0},
                        {"t1", t1},
                        {"rho1", 1.0},
                        {"t2", 3e-6},
                        {"rho2", 0.9}})
        tech_values.emplace_back(k, Value::Real(v));
    h.create("C_TECH", tech, tech_values);
}

// 200 um of GaAs on a metal back (H3: the cover, -1 or -2 automatic) and
// a grid of step dl (L: the box, -1 or -2 automatic), each made once.
inline void bench_substrate(const char* name, double H3) {
    using host::Value;
    if (get_user_inst(name) != nullptr) return;
    host::Host::get().create("C_SUB", name,
                             {{"H1", Value::Real(0)},
                              {"H2", Value::Real(200e-6)},
                              {"H3", Value::Real(H3)},
                              {"ER1", Value::Real(12.9)},
                              {"ER2", Value::Real(12.9)},
                              {"ER3", Value::Real(1.0)},
                              {"TAND1", Value::Real(0)},
                              {"TAND2", Value::Real(5e-4)},
                              {"TAND3", Value::Real(0)}});
}
inline void bench_grid(const std::string& name, double dl, double L) {
    using host::Value;
    if (get_user_inst(name.c_str()) != nullptr) return;
    host::Host::get().create("C_GRID", name,
                             {{"BOUND", Value::Real(1e-5)},
                              {"L1", Value::Real(L)},
                              {"L2", Value::Real(L)},
                              {"DL", Value::Real(dl)},
                              {"ACC", Value::Int(10)}});
}

// A line type of strip w and slots s, 50 um grounds, on metal `level`.
inline void bench_line_type(const char* name, double w, double s, int level) {
    using host::Value;
    if (get_user_inst(name) != nullptr) return;
    host::Host::get().create("C_LINTYP", name,
                             {{"W", Value::Real(w)},
                              {"S", Value::Real(s)},
                              {"GW", Value::Real(50e-6)},
                              {"CEN_MET", Value::Int(level)},
                              {"GND_MET", Value::Int(level)}});
}

// An air-bridge type: 0 none, 2 a ground deck 10 um wide reaching 5 um
// beyond the slots, on the bridge dielectric 1.
inline void bench_bridge(const char* name, int type) {
    using host::Value;
    if (get_user_inst(name) != nullptr) return;
    host::Host::get().create("C_AIRTYP", name,
                             {{"TYPE", Value::Int(type)},
                              {"BW", Value::Real(10e-6)},
                              {"BG", Value::Real(5e-6)},
                              {"BS", Value::Real(-1)},
                              {"DIE_IDX", Value::Int(1)},
                              {"L", Value::Real(0)}});
}

// An element of a benchmark: its definition, calculation file and result
// vector.
struct SolvedKind {
    const char* def;
    const char* file;
    double* const* out;
};

// The examples' board: the substrate "DSUB", a 50-ohm line "DCPW" (W 20,
// S 15 um) and a wide one "DWIDE" (W 40, S 20 um) on metal level `level`,
// and a grid of step dl ("DGRID" + tag, tag 250 for 2.5 um); returns the
// tag.  box > 0: the G1 box instead, L1 = L2 = box um under a cover box um
// up (substrate "G1SUB<box>", tag + "B<box>").
inline std::string bench_board(double dl, int level = 2, int box = 0) {
    using host::Value;
    host::Host& h = host::Host::get();
    h.boot_all();
    const std::string tag = std::to_string(static_cast<int>(dl * 1e8));
    if (get_user_inst("DSUB") == nullptr) {
        bench_substrate("DSUB", -1);
        for (auto [n, w, s] : {std::tuple{"DCPW", 20e-6, 15e-6}, {"DWIDE", 40e-6, 20e-6}}) bench_line_type(n, w, s, level);
        bench_process();
    }
    if (box <= 0) {
        bench_grid("DGRID" + tag, dl, -1);
        return tag;
    }
    const std::string b = std::to_string(box);
    bench_substrate(("G1SUB" + b).c_str(), box * 1e-6);
    bench_grid("DGRID" + tag + "B" + b, dl, box * 1e-6);
    return tag + "B" + b;
}

// The substrate of a board tag: "DSUB", or the G1 box's.
inline std::string bench_sub(const std::string& tag) {
    const std::size_t b = tag.find('B');
    return b == std::string::npos ? "DSUB" : "G1SUB" + tag.substr(b + 1);
}

// Solves element e afresh in every iteration (its feed lines come from the
// line cache): its calculation file and the in-memory caches in roots
// emptied first.  Counters: the solver grids' peak and the process's
// maximum resident set, in MB.  False when an analysis failed.
inline bool solve_fresh(benchmark::State& state, UserInstDef* e, const char* file,
                        std::initializer_list<CACHE**> roots) {
    host::Host& h = host::Host::get();
    print_iteration = 0;
    if (!h.analyse({e}, {1e9}).ok) {  // feed lines into the cache
        state.SkipWithError("analysis failed");
        return false;
    }
    const std::filesystem::path path = mirtex::table_directory() + file;
    int64_t peak = 0;
    const solver::RelaxCounters start = solver::relax_counters();
    for (auto _ : state) {
        state.PauseTiming();
        std::filesystem::remove(path);
        h.clear_log();
        for (CACHE** root : roots) *root = nullptr;
        initmem.peak_bytes = initmem.current_bytes;
        state.ResumeTiming();
        if (!h.analyse({e}, {1e9}).ok) {
            state.SkipWithError("analysis failed");
            return false;
        }
        peak = std::max<int64_t>(peak, initmem.peak_bytes);
    }
    state.counters["grid_MB"] = static_cast<double>(peak) / (1024.0 * 1024.0);
    // Sweeps of all the element's runs (each over its whole grid or one
    // plane of it), and how many of them ran on two threads.
    const solver::RelaxCounters end = solver::relax_counters();
    const double n = static_cast<double>(std::max<int64_t>(state.iterations(), 1));
    state.counters["sweeps"] = static_cast<double>(end.sweeps - start.sweeps) / n;
    state.counters["sweep_eq"] = solver::sweep_equivalents(start) / n;
    state.counters["threaded"] = static_cast<double>(end.threaded_sweeps - start.threaded_sweeps) / n;
    rusage ru{};
    getrusage(RUSAGE_SELF, &ru);
    state.counters["maxRSS_MB"] = static_cast<double>(ru.ru_maxrss) / 1024.0;
    return true;
}

}  // namespace mirtex::bench
