// The three-dimensional kernels on a G1-like line box: W = 20 um, S = 15 um
// on 200 um of er 12.9, DL = 2.5 um, 500 um x 500 um (1.19 M nodes).  The
// line runs through half the box and ends there (an open end with the
// grounds going on), from a fresh field each time.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>

#include "../tests/solver/line_inputs.h"
#include "numeric/arrays.h"
#include "solver/coarse3d.h"
#include "solver/frame3d.h"
#include "solver/grid3d.h"
#include "solver/line.h"
#include "solver/solver.h"
#include "solver/sweep.h"

namespace {

using namespace mirtex::solver;

struct G1 {
    mirtex::test::LineVectors v;
    LineLayout lay;
    int ny;
    explicit G1(double dl = 2.5e-6) {
        mirtex::test::LineSpec s;
        s.DL = dl;
        s.L1 = 500e-6;
        s.H3 = 400e-6;
        v = mirtex::test::line_vectors(s);
        lay = line_layout(v.ipar, v.dpar);
        ny = v.ipar[7];
    }
    const BandStack& st() const { return lay.stack; }
    int z1() const { return band_planes(kBand0, ny) / 2; }
    void paint(BandGrid3& g, bool slots) const {
        g.ground(false);
        const int Y = band_planes(kBand0, ny);
        if (slots) {
            g.paint(lay.grounds[0].last + 1, lay.centre.first - 1, 1, Y, 1.0);
            g.paint(lay.centre.last + 1, lay.grounds[1].first - 1, 1, Y, -1.0);
            return;
        }
        g.paint(lay.centre.first, lay.centre.last, 1, z1(), 1.0);
        for (const ConductorSpan& s : lay.grounds) g.paint(s.first, s.last, 1, Y, 0.0);
    }
};

enum Kernel { k3, k3z, k3l };

void run(benchmark::State& state, Kernel kernel, double bound, double dl = 2.5e-6) {
    const G1 g1(dl);
    const BandStack& st = g1.st();
    print_iteration = 0;
    std::strcpy(CPW_Misc.label, "C_OPEN(bench)");
    set_sweep_threads(static_cast<int>(state.range(0)));
    const auto start = relax_counters();
    double q = 0.0, excess = 0.0;
    long solves = 0;
    for (auto _ : state) {
        state.PauseTiming();
        BandGrid3 grid(st, g1.ny);
        if (!grid) {
            state.SkipWithError("no grid");
            break;
        }
        g1.paint(grid, kernel == k3l);
        state.ResumeTiming();
        int rc = 0;
        if (kernel == k3)
            rc = iteration3(1.0, 12.9, 12.9, st.nx, st.m4, st.m2, st.k1, st.rows0, st.n4, g1.ny, st.h1, st.h2, st.met,
                            bound, 1.8);
        else if (kernel == k3z)
            rc = iteration3z(1.0, 12.9, 12.9, st.nx, st.m4, st.m2, st.k1, st.rows0, st.n4, 2, st.h1, st.h2, st.met,
                             bound, 1.8);
        else
            rc = iteration3l(st.nx, st.m4, st.m2, st.k1, g1.ny, bound, 1.8);
        if (rc != 0) {
            state.SkipWithError("kernel failed");
            break;
        }
        ++solves;
        state.PauseTiming();
        if (kernel == k3l) {
            // The slot flux of the undisturbed line (plane 2) and the
            // excess of the whole box over it.
            const int Y = band_planes(kBand0, g1.ny);
            const int X = st.columns(kBand0);
            const double one = slot_flux(1.0, 2, X, Y);
            q = 0.0;
            for (int y = 1; y <= Y; ++y) q += (y == 1 || y == Y ? 0.5 : 1.0) * slot_flux(1.0, y, X, Y);
            excess = q - (Y - 1) * one;
        }
        if (kernel == k3) {
            const ConductorSpan& c = g1.lay.centre;
            double one = 0.0;
            charge(1.0, 12.9, c.first, c.last, 2, g1.z1(), g1.ny, st.nx, 0.0, 5, 0, &q);
            charge(1.0, 12.9, c.first, c.last, 2, 2, g1.ny, st.nx, 0.0, 5, 0, &one);
            excess = q - (g1.z1() - 1) * one;
        }
        state.ResumeTiming();
    }
    set_sweep_threads(2);
    const auto end = relax_counters();
    const double n = solves > 0 ? static_cast<double>(solves) : 1.0;
    const GridSize size = grid_size(st, g1.ny);
    state.counters["nodes"] = static_cast<double>(size.nodes);
    state.counters["bytes/node"] = static_cast<double>(size.bytes) / static_cast<double>(size.nodes);
    state.counters["sweeps"] = static_cast<double>(end.sweeps - start.sweeps) / n;
    state.counters["sweep_eq"] = sweep_equivalents(start) / n;
    state.counters["threaded"] = static_cast<double>(end.threaded_sweeps - start.threaded_sweeps) / n;
    state.counters["updates/s"] =
        benchmark::Counter(static_cast<double>(end.node_updates - start.node_updates), benchmark::Counter::kIsRate);
    if (kernel != k3z) {
        state.counters["Q"] = q;
        state.counters["excess"] = excess;
    }
}

void BM_Iteration3_G1(benchmark::State& state) {
    run(state, k3, 1e-5);
}
void BM_Iteration3z_G1(benchmark::State& state) {
    run(state, k3z, 1e-5);
}
void BM_Iteration3l_G1(benchmark::State& state) {
    run(state, k3l, 1e-5);
}
// The open end's integrated charge Q (planes 2 .. Z1) and its excess over
// the line against the stop bound, 1e-3 .. 1e-6 and a tight 1e-9.
void BM_Iteration3_G1_Bound(benchmark::State& state) {
    run(state, k3, std::pow(10.0, -static_cast<double>(state.range(1))));
}
// Sweeps per run as the grid is refined, DL 5 .. 0.625 um (range 1, in
// units of 10 nm), with the factor fixed at 1.8 (range 2 = 0), tuned by
// the run (1) or tuned and relaxed in multigrid cycles over the coarser
// grids (2), at the bound 10^-range 3: the open end's electric run and
// its slot run.  The bound 1e-9 gives the converged values.  sweep_eq
// counts the coarse grids' work in sweeps of the fine grid.
void grid_series(benchmark::State& state, Kernel kernel) {
    set_factor_tuning(state.range(2) != 0);
    set_coarse_start(state.range(2) == 2);
    run(state, kernel, std::pow(10.0, -static_cast<double>(state.range(3))),
        static_cast<double>(state.range(1)) * 1e-8);
    set_factor_tuning(true);
    set_coarse_start(true);
}
void BM_Iteration3_G1_Grid(benchmark::State& state) {
    grid_series(state, k3);
}
void BM_Iteration3l_G1_Grid(benchmark::State& state) {
    grid_series(state, k3l);
}

}  // namespace

BENCHMARK(BM_Iteration3_G1)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_Iteration3z_G1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_Iteration3l_G1)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_Iteration3_G1_Bound)
    ->ArgsProduct({{2}, {3, 4, 5, 6, 9}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1);
BENCHMARK(BM_Iteration3_G1_Grid)
    ->ArgsProduct({{1}, {500, 250, 125, 62}, {0, 1, 2}, {5}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1);
BENCHMARK(BM_Iteration3l_G1_Grid)
    ->ArgsProduct({{1}, {500, 250, 125}, {0, 1, 2}, {5}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1);
BENCHMARK(BM_Iteration3_G1_Grid)
    ->ArgsProduct({{1}, {500, 250}, {1, 2}, {9}})
    ->Args({1, 125, 2, 9})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1);
BENCHMARK(BM_Iteration3l_G1_Grid)
    ->ArgsProduct({{1}, {500, 250}, {1, 2}, {9}})
    ->Args({1, 125, 2, 9})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1);
