// One frequency of a coupled-line section of n conductors: the modal
// decomposition of Z'Y', the 2n-port and its inversion, as a sweep pays it
// at every point.
#include <benchmark/benchmark.h>

#include <vector>

#include "freq/freq.h"
#include "numeric/numeric.h"

namespace {

// A plausible n-strip cross-section: capacitance matrices that are
// diagonally dominant with negative couplings falling off with distance.
std::vector<double> coupled_result(int n) {
    std::vector<double> r{2e-6};
    for (double scale : {1.0, 0.2}) {
        for (int i = 0; i < n; ++i)
            for (int j = 0; j < n; ++j)
                r.push_back(scale * (i == j ? 1.8e-10 : -0.3e-10 / ((i - j) * (i - j))));
    }
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) r.push_back(i == j ? 3000.0 : 200.0);
    for (int i = 0; i < n; ++i) r.push_back(15e-6);
    return r;
}

void BM_FreqCoup(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    std::vector<double> res = coupled_result(n);
    C2 *y = nullptr, *zl = nullptr, *gm = nullptr;
    initmem_C2(&y, 1, 2 * n, 1, 2 * n, COMPLEX{0, 0});
    initmem_C2(&zl, 1, n, 1, n, COMPLEX{0, 0});
    initmem_C2(&gm, 1, n, 1, n, COMPLEX{0, 0});
    int ires[1] = {n};
    for (auto _ : state) benchmark::DoNotOptimize(Freq_Coup(ires, res.data(), 10e9, 1e-3, 4.1e7, y, zl, gm));
    ofree_C2(&y);
    ofree_C2(&zl);
    ofree_C2(&gm);
}
BENCHMARK(BM_FreqCoup)->Arg(2)->Arg(4)->Arg(10)->Unit(benchmark::kMicrosecond);

}  // namespace
