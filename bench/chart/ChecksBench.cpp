#include <benchmark/benchmark.h>
#include "ChartCheck.h"
#include "MaximalChart.h"
using namespace lumidex;
void BM_Full(benchmark::State& s) {
    auto doc = maximalChart();
    size_t n = 0;
    for (auto _ : s) {
        auto f = checkChart(*doc);
        n = f.size();
        benchmark::DoNotOptimize(f);
    }
    s.counters["findings"] = double(n);
}
BENCHMARK(BM_Full)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
