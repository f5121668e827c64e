// Coupled-line cross-section: one Calc_Coup of n strips (10 um wide, 10 um
// apart, 10 um to 50 um ground strips) on 200 um of er 12.9 at DL 2.5 um,
// with the calculation file removed before every solve.
#include <benchmark/benchmark.h>

#include <cstring>
#include <filesystem>
#include <vector>

#include "cache/calc_file.h"
#include "host.h"
#include "numeric/memory.h"
#include "solver/kernel.h"
#include "solver/solver.h"

namespace {

void BM_CalcCoup(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0)), M = n + 2;
    const double dl = 2.5e-6;
    // Half steps: strips and spacings 8, ground gaps 8, ground strips 40.
    std::vector<int> width(M, 8), gap(M - 1, 8);
    width[0] = width[M - 1] = 40;
    int total = 0;
    for (int c = 0; c < M; ++c) total += width[c] + (c < M - 1 ? gap[c] : 0);
    const int a = total - 80;               // the lines' region, half steps
    const int nx = 4 * ((5 * a / 2) / 4 + 2);  // the automatic box, whole steps
    const int h2 = 80, h1 = 4 * ((a / 2) / 4 + 1), k = (a / 2 + 1) / 4;
    const mirtex::solver::BandDepths d = mirtex::solver::band_depths(h1 + h2 - 1);
    int ipar[11] = {M, M, d.m4, d.m2, d.k1, 5, d.m4 + k, nx, 4 * k + 7, h2, h1};
    std::vector<double> dpar{1.0, 12.9, 1.0, dl, 0.2e-6, 0.0, a * dl / 2, 1.8, 1e-5, 1010.0};
    dpar.resize(10 + 3 * M);
    int col = nx + 1 - total / 2;
    for (int c = 0; c < M; ++c) {
        dpar[10 + 2 * c] = col;
        dpar[10 + 2 * c + 1] = col + width[c] - 1;
        dpar[10 + 2 * M + c] = width[c] * dl / 2;
        col += width[c] + (c < M - 1 ? gap[c] : 0);
    }
    const std::filesystem::path file = mirtex::table_directory() + "cpw_coup.cdb";
    print_iteration = 0;
    std::strcpy(CPW_Misc.label, "C_COUP(bench)");
    int iout[1];
    double* out = nullptr;
    int n_out = 0;
    for (auto _ : state) {
        state.PauseTiming();
        std::filesystem::remove(file);
        mirtex::host::Host::get().clear_log();
        state.ResumeTiming();
        if (Calc_Coup(ipar, dpar.data(), static_cast<int>(dpar.size()), iout, &out, &n_out) != 0)
            state.SkipWithError("solve failed");
    }
    g_free(reinterpret_cast<char*>(out));
    state.counters["grid_cols"] = 2 * nx + 1;
}
BENCHMARK(BM_CalcCoup)->Arg(2)->Arg(4)->Arg(10)->Unit(benchmark::kMillisecond);

}  // namespace
