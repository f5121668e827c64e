// Per-frequency cost of the lumped networks and their joins: the crossing
// (the largest network, a 10-node elimination) alone and with a line hung
// on each of its four ports, and the cascade of line, gap and line.
#include <benchmark/benchmark.h>

#include <vector>

#include "freq/circuits.h"
#include "freq/freq.h"

namespace {

std::vector<COMPLEX> line(double len, double f) {
    std::vector<COMPLEX> y(4);
    COMPLEX z0, g;
    Calc_Leitung(30.0, 4.2e-7, 1e-3, 1.7e-10, len, f, y.data(), &z0, &g);
    return y;
}

void BM_CrossWithFourLines(benchmark::State& state) {
    std::vector<double> res(43, 0.0);
    const double lumped[] = {10e-12, 20e-12, 30e-12, 40e-12, 5e-12, 25e-15, 1e-16};
    std::copy(std::begin(lumped), std::end(lumped), res.begin());
    for (int i = 23; i < 43; ++i) res[i] = i < 27 ? 1e-6 : 10e-6;
    const std::vector<COMPLEX> l = line(200e-6, 1e10);
    COMPLEX y[16];
    double R[4];
    for (auto _ : state) {
        Freq_Cross(nullptr, res.data(), 4.5e7, 1e10, R, R + 1, R + 2, R + 3, y);
        for (int k = 1; k <= state.range(0); ++k) Con_Y_Mat(y, l.data(), y, 2, 4, k);
        benchmark::DoNotOptimize(y);
    }
}
BENCHMARK(BM_CrossWithFourLines)->Arg(0)->Arg(4);

void BM_GapBetweenTwoLines(benchmark::State& state) {
    const double res[] = {8e-15, 12e-15, 5e-15};
    const std::vector<COMPLEX> l1 = line(100e-6, 1e10), l2 = line(250e-6, 1e10);
    COMPLEX y[4];
    for (auto _ : state) {
        Freq_Gap(res, 1e10, y);
        Mult_Y_Matrix(y, l1.data(), y);
        Mult_Y_Matrix(y, y, l2.data());
        benchmark::DoNotOptimize(y);
    }
}
BENCHMARK(BM_GapBetweenTwoLines);

}  // namespace
