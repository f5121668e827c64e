// The three-dimensional elements on the G1 line (W 20 um, S 15 um on 200
// um of GaAs over ground, thin metal, a 500 um box and cover), each solved from an
// empty calculation file: wall time with one thread and with all
// (MIRTEX_THREADS), plain and extrapolated to the fine-grid limit
// (MIRTEX_EXTRAPOLATE), and the distance of the open end's C_end, the 10 um
// gap's Cs and Cp and the short end's L_end from full-wave results of the
// same structures (1.87 fF, 1.478 fF, 0.66 fF, 3.79 pH).
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>

#include "bench_items.h"
#include "solver/coarse3d.h"
#include "solver/solver.h"

namespace {

using mirtex::host::Host;
using mirtex::host::Value;

const mirtex::bench::SolvedKind kKinds[] = {{"CxOPEN", "cpw_open.cdb", &open_dpar_out},     {"CxSHORT", "cpw_short.cdb", &short_dpar_out},
                       {"CxGAP", "cpw_gap.cdb", &gap_dpar_out},        {"CxSTEP", "cpw_step.cdb", &step_dpar_out},
                       {"CxTAPER", "cpw_taper.cdb", &taper_dpar_out},  {"CxAIR", "cpw_air.cdb", &bruecke_dpar_out},
                       {"CxBEND", "cpw_bend.cdb", &bend_dpar_out},     {"CxTEE", "cpw_tee.cdb", &tee_dpar_out},
                       {"CxCROSS", "cpw_cross.cdb", &cross_dpar_out}};

UserInstDef* element(int kind, double dl) {
    Host& h = Host::get();
    h.boot_all();
    // The G1 line's thin metal: 0.1 um on metal 1, in a process of its own
    // (run alone: --benchmark_filter=BM_G1Solve).
    mirtex::bench::bench_process("G1", 0.1e-6);
    if (get_user_inst("C_TECH_G1") == nullptr) return nullptr;
    const std::string tag = std::to_string(static_cast<int>(dl * 1e8));
    mirtex::bench::bench_substrate("G1SUB", 500e-6);  // cover 500 um above the metal
    mirtex::bench::bench_line_type("G1", 20e-6, 15e-6, 1);
    mirtex::bench::bench_line_type("G1WIDE", 40e-6, 20e-6, 1);
    mirtex::bench::bench_bridge("G1DECK", 2);
    mirtex::bench::bench_bridge("G1NONE", 0);
    mirtex::bench::bench_grid("G1GRID" + tag, dl, 500e-6);
    const std::string name = std::string("G1") + kKinds[kind].def + tag;
    if (UserInstDef* i = get_user_inst(name.c_str())) return i;
    mirtex::host::Params p;
    auto add = [&](const std::string& k, const Value& v) { p.emplace_back(k, v); };
    auto arms = [&](int n, const char* bridge) {
        for (int a = 1; a <= n; ++a) add("C_LTYP" + std::to_string(a), Value::Mtrl("G1"));
        for (int a = 1; a <= n; ++a) add("C_BTYP" + std::to_string(a), Value::Mtrl(bridge));
    };
    switch (kind) {
        case 0:
        case 1:
            add("L", Value::Real(0));
            if (kind == 0) add("GAP", Value::Real(30e-6)), add("TYPE", Value::Int(1));
            add("WG", Value::Real(20e-6));
            add("C_LTYP", Value::Mtrl("G1"));
            break;
        case 2:
        case 3:
        case 4:
            add("L1", Value::Real(0));
            add("L2", Value::Real(0));
            add(kind == 2 ? "GAP" : kind == 3 ? "SL" : "TL", Value::Real(kind == 2 ? 10e-6 : kind == 3 ? 0.0 : 50e-6));
            add("C_LTYP1", Value::Mtrl("G1"));
            add("C_LTYP2", Value::Mtrl(kind == 2 ? "G1" : "G1WIDE"));
            break;
        case 5:
            add("C_LTYP", Value::Mtrl("G1"));
            add("C_BTYP", Value::Mtrl("G1DECK"));
            break;
        default:
            arms(kind - 4, "G1NONE");  // bend 2, tee 3, cross 4 arms
    }
    add("C_SUB", Value::Mtrl("G1SUB"));
    add("C_GRID", Value::Mtrl("G1GRID" + tag));
    add("TEMP", Value::Real(16.85));
    return h.create(kKinds[kind].def, name, p);
}

// Arguments: element, DL in 10 nm (250: 2.5 um), threads (0: all the
// machine's), extrapolated (0, 1), coarse-grid start (1, the default; 0
// relaxes every run from its painted field, as before).
void BM_G1Solve(benchmark::State& state) {
    const int kind = static_cast<int>(state.range(0));
    const double dl = state.range(1) * 1e-8;
    if (state.range(2) > 0)
        setenv("MIRTEX_THREADS", std::to_string(state.range(2)).c_str(), 1);
    else
        unsetenv("MIRTEX_THREADS");
    if (state.range(3) != 0)
        setenv("MIRTEX_EXTRAPOLATE", "1", 1);
    else
        unsetenv("MIRTEX_EXTRAPOLATE");
    mirtex::solver::set_coarse_start(state.range(4) != 0);
    UserInstDef* e = element(kind, dl);
    if (e == nullptr) {
        state.SkipWithError("another benchmark set the process first; run BM_G1Solve alone");
        return;
    }
    const bool ok = mirtex::bench::solve_fresh(state, e, kKinds[kind].file,
                                               {&root_open, &root_short, &root_gap, &root_step, &root_taper,
                                                &root_bruecke, &root_bend, &root_tee, &root_cross});
    unsetenv("MIRTEX_THREADS");
    unsetenv("MIRTEX_EXTRAPOLATE");
    mirtex::solver::set_coarse_start(true);
    if (!ok) return;
    const double* r = *kKinds[kind].out;
    auto against = [&](const char* name, double v, double full_wave) {
        state.counters[name] = v;
        state.counters[std::string(name) + "_err_pct"] = 100.0 * (v / full_wave - 1.0);
    };
    switch (kind) {
        case 0:
            against("C_end_fF", r[0] * 1e15, 1.87);
            break;
        case 1:
            against("L_end_pH", r[0] * 1e12, 3.79);
            break;
        case 2:
            against("Cs_fF", r[2] * 1e15, 1.478);
            against("Cp_fF", r[0] * 1e15, 0.66);
            break;
        default:
            break;
    }
    state.SetLabel(std::string(kKinds[kind].def) + (state.range(3) ? " extrapolated" : " plain") +
                   (state.range(4) ? "" : ", painted start"));
}

}  // namespace

// Every element at DL 2.5 um, one thread and all, plain and extrapolated;
// the ends, the gap and the junctions at DL 1.25 um too; and each with
// the painted start on one thread, for comparison.
BENCHMARK(BM_G1Solve)
    ->ArgsProduct({{0, 1, 2, 3, 4, 5, 6, 7, 8}, {250}, {1, 0}, {0, 1}, {1}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1);
BENCHMARK(BM_G1Solve)
    ->ArgsProduct({{0, 1, 2, 7, 8}, {125}, {1, 0}, {0, 1}, {1}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1);
BENCHMARK(BM_G1Solve)
    ->ArgsProduct({{0, 1, 2, 3, 4, 5, 6, 7, 8}, {250, 125}, {1}, {0}, {0}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1);
