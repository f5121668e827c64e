// Numeric support: in-place complex inversion at the orders the equivalent
// circuits and multiconductor sections use (2 to 31), and the creation and
// release of a solver-sized three-dimensional grid.
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "numeric/numeric.h"

namespace {

void BM_Cmatinv(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    std::mt19937 rng(1);
    std::uniform_real_distribution<double> u(-1.0, 1.0);
    std::vector<COMPLEX> a(static_cast<std::size_t>(n) * n), work(a.size());
    for (COMPLEX& x : a) x = {u(rng), u(rng)};
    double det[2];
    for (auto _ : state) {
        work = a;
        benchmark::DoNotOptimize(Cmatinv(reinterpret_cast<double*>(work.data()), n,
                                         reinterpret_cast<double*>(work.data()), n, n, det));
        benchmark::ClobberMemory();
    }
    state.SetComplexityN(n);
}
BENCHMARK(BM_Cmatinv)->DenseRange(2, 31)->Complexity(benchmark::oNCubed);

void BM_Grid3(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    for (auto _ : state) {
        d3* g = nullptr;
        initmem_d3(&g, 1, n, 1, n, 1, n, 0.0);
        benchmark::DoNotOptimize(g);
        ofree_d3(&g);
    }
    state.SetBytesProcessed(state.iterations() * int64_t{n} * n * n * 8);
}
BENCHMARK(BM_Grid3)->Arg(32)->Arg(100);

}  // namespace
