// Result caching: a look-up at the far end of a long in-memory chain, and a
// calculation-file hit on the last of many records.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "cache/cache.h"
#include "cache/calc_file.h"
#include "host.h"

namespace {

constexpr int kRecords = 10000;

// Line-shaped key number k: 9 grid counts and 10 parameter values.
struct Key {
    int ipar[9];
    double dpar[10];
    explicit Key(int k) {
        for (int i = 0; i < 9; ++i) ipar[i] = 4 + i;
        ipar[8] = k;  // keys share their leading entries, as real geometries do
        for (int i = 0; i < 10; ++i) dpar[i] = 1e-6 * (i + 1);
    }
};

// Calculation files of the benchmarks go to a directory of their own,
// removed at exit.  It is set up before main, so that no benchmark of the
// program, whatever its order, writes calculation files elsewhere.
const std::string& bench_tables() {
    static const std::string dir = [] {
        std::string tmpl = (std::filesystem::temp_directory_path() / "mirtex-bench-XXXXXX").string();
        if (mkdtemp(tmpl.data()) == nullptr) std::abort();
        setenv("MIRTEX_TABLE_PATH", tmpl.c_str(), 1);
        std::atexit([] {
            std::error_code ec;
            std::filesystem::remove_all(std::getenv("MIRTEX_TABLE_PATH"), ec);
        });
        return tmpl;
    }();
    return dir;
}

[[maybe_unused]] const std::string& g_tables = bench_tables();

void BM_ChainLookupLastOf10000(benchmark::State& state) {
    CACHE* root = nullptr;
    double results[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    for (int k = 0; k < kRecords; ++k) {
        const Key key(k);
        int* ip = nullptr;
        int ni = 0;
        double* dp = results;
        int nd = 8;
        int found = 0;
        root = cache(root, &found, "w", key.ipar, 9, key.dpar, 10, &ip, &ni, &dp, &nd);
    }
    const Key last(kRecords - 1);
    int* ip = nullptr;
    int ni = 0;
    double* dp = nullptr;
    int nd = 0;
    for (auto _ : state) {
        int found = 0;
        benchmark::DoNotOptimize(cache(root, &found, "r", last.ipar, 9, last.dpar, 10, &ip, &ni, &dp, &nd));
        if (!found) state.SkipWithError("miss");
    }
}
BENCHMARK(BM_ChainLookupLastOf10000);

void fill_line_file(const char* name) {
    const double results[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    std::filesystem::remove(bench_tables() + "/" + name);
    for (int k = 0; k < kRecords; ++k) {
        const Key key(k);
        WriteCalc(name, "Tessaric Line", key.ipar, 9, key.dpar, 10, nullptr, 0, results, 8);
        if (k % 1000 == 0) mirtex::host::Host::get().clear_log();
    }
    mirtex::host::Host::get().clear_log();
}

void BM_ReadCalcHitLastOf10000(benchmark::State& state) {
    fill_line_file("cpw_line.cdb");
    const Key last(kRecords - 1);
    double out[8];
    for (auto _ : state) {
        if (ReadCalc("cpw_line.cdb", "Tessaric Line", last.ipar, 9, last.dpar, 10, nullptr, 0, out, 8) != 0)
            state.SkipWithError("miss");
        mirtex::host::Host::get().clear_log();
    }
}
BENCHMARK(BM_ReadCalcHitLastOf10000)->Unit(benchmark::kMicrosecond);

// An append checks the whole file for a torn tail first.
void BM_WriteCalcAppendTo10000(benchmark::State& state) {
    fill_line_file("cpw_append.cdb");
    const double results[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    int k = kRecords;
    for (auto _ : state) {
        const Key key(k++);
        WriteCalc("cpw_append.cdb", "Tessaric Line", key.ipar, 9, key.dpar, 10, nullptr, 0, results, 8);
        mirtex::host::Host::get().clear_log();
    }
}
BENCHMARK(BM_WriteCalcAppendTo10000)->Unit(benchmark::kMicrosecond);

}  // namespace
