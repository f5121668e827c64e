// The ends and discontinuities of the examples, each solved from an empty
// table directory: time, memory and the solved excess values, and their
// convergence as the grid step is halved.
#include <benchmark/benchmark.h>

#include <string>

#include "bench_items.h"
#include "solver/solver.h"
#include "solver/sweep.h"

namespace {

using mirtex::host::Host;
using mirtex::host::Value;

// The examples' items on 200 um of GaAs on a metal back with 3 um gold
// (metal 2 of the benchmarks' technology), one grid per step; the
// instances of the five elements on them.
const mirtex::bench::SolvedKind kKinds[5] = {{"CxOPEN", "cpw_open.cdb", &open_dpar_out},
                        {"CxSHORT", "cpw_short.cdb", &short_dpar_out},
                        {"CxGAP", "cpw_gap.cdb", &gap_dpar_out},
                        {"CxSTEP", "cpw_step.cdb", &step_dpar_out},
                        {"CxTAPER", "cpw_taper.cdb", &taper_dpar_out}};

UserInstDef* element(int kind, double dl, int box) {
    Host& h = Host::get();
    const std::string tag = mirtex::bench::bench_board(dl, 2, box);
    const std::string sub = mirtex::bench::bench_sub(tag), grid = "DGRID" + tag;
    const std::string name = std::string("D") + kKinds[kind].def + tag;
    if (UserInstDef* i = get_user_inst(name.c_str())) return i;
    mirtex::host::Params p;
    auto add = [&](const char* k, const Value& v) { p.emplace_back(k, v); };
    switch (kind) {
        case 0:
            add("L", Value::Real(0));
            add("GAP", Value::Real(20e-6));
            add("WG", Value::Real(20e-6));
            add("TYPE", Value::Int(1));
            add("C_LTYP", Value::Mtrl("DCPW"));
            break;
        case 1:
            add("L", Value::Real(0));
            add("WG", Value::Real(20e-6));
            add("C_LTYP", Value::Mtrl("DCPW"));
            break;
        default:
            add("L1", Value::Real(0));
            add("L2", Value::Real(0));
            add(kind == 2 ? "GAP" : kind == 3 ? "SL" : "TL", Value::Real(kind == 2 ? 10e-6 : kind == 3 ? 0.0 : 100e-6));
            add("C_LTYP1", Value::Mtrl("DCPW"));
            add("C_LTYP2", Value::Mtrl(kind == 2 ? "DCPW" : "DWIDE"));
    }
    add("C_SUB", Value::Mtrl(sub));
    add("C_GRID", Value::Mtrl(grid));
    add("TEMP", Value::Real(16.85));
    return h.create(kKinds[kind].def, name, p);
}

// One solve of the element (its feed lines from the line cache): the
// element's file and its in-memory cache emptied first.
void BM_DiscontinuitySolve(benchmark::State& state) {
    const int kind = static_cast<int>(state.range(0));
    const double dl = state.range(1) * 1e-8;  // 250 -> 2.5 um
    UserInstDef* e = element(kind, dl, state.range(2));
    if (!mirtex::bench::solve_fresh(state, e, kKinds[kind].file,
                                    {&root_open, &root_short, &root_gap, &root_step, &root_taper}))
        return;
    const double* r = *kKinds[kind].out;
    // The excess values in fF and pH: C_end; L_end; Cp1, Cs; L1 + L2, Cp.
    switch (kind) {
        case 0:
            state.counters["C_end_fF"] = r[0] * 1e15;
            break;
        case 1:
            state.counters["L_end_pH"] = r[0] * 1e12;
            break;
        case 2:
            state.counters["Cp_fF"] = r[0] * 1e15;
            state.counters["Cs_fF"] = r[2] * 1e15;
            break;
        default:
            state.counters["L_pH"] = (r[0] + r[1]) * 1e12;
            state.counters["Cp_fF"] = r[2] * 1e15;
    }
    state.SetLabel(kKinds[kind].def);
}

// The same with the over-relaxation factor fixed at the grid's ALPHA, as
// the runs had it before they tuned their factor.
void BM_DiscontinuitySolveFixedFactor(benchmark::State& state) {
    mirtex::solver::set_factor_tuning(false);
    BM_DiscontinuitySolve(state);
    mirtex::solver::set_factor_tuning(true);
}

}  // namespace

// The examples' grid step (2.5 um), then 5 and 1.25 um for the
// convergence of the excess values.
BENCHMARK(BM_DiscontinuitySolve)
    ->ArgsProduct({{0, 1, 2, 3, 4}, {250}, {0}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1);
BENCHMARK(BM_DiscontinuitySolve)
    ->ArgsProduct({{0, 1, 2, 3, 4}, {500, 125}, {0}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1);
// The open end, short end and gap in the G1 box (500 um, cover 500 um up)
// at 2.5 and 1.25 um.
BENCHMARK(BM_DiscontinuitySolve)
    ->ArgsProduct({{0, 1, 2}, {250, 125}, {500}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1);
BENCHMARK(BM_DiscontinuitySolveFixedFactor)
    ->ArgsProduct({{0, 1, 2}, {250, 125}, {500}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1);
