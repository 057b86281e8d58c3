// Loading and saving the largest chart the model holds: 30000 coords, a note
// on every third coord with a long note every 60 coords, 1000 tempo changes
// and 2000 key sounds.

#include <benchmark/benchmark.h>

#include <QTemporaryDir>

#include <memory>

#include "ChartFile.h"
#include "MaximalChart.h"
#include "ScriptedDialogs.h"

namespace {

using namespace lumidex;

void BM_ComposeMaximalChart(benchmark::State& state) {
    const auto doc = maximalChart();
    for (auto _ : state) benchmark::DoNotOptimize(composeChart(*doc).bytes.size());
}
BENCHMARK(BM_ComposeMaximalChart)->Unit(benchmark::kMillisecond);

void BM_SaveMaximalChart(benchmark::State& state) {
    const auto doc = maximalChart();
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("max.xml"));
    for (auto _ : state) {
        ScriptedDialogs ui;
        if (SaveFile(*doc, path, ui) != 1) state.SkipWithError("save failed");
    }
}
BENCHMARK(BM_SaveMaximalChart)->Unit(benchmark::kMillisecond);

void BM_LoadMaximalChart(benchmark::State& state) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("max.xml"));
    {
        ScriptedDialogs ui;
        SaveFile(*maximalChart(), path, ui);
    }
    auto doc = std::make_unique<ChartDocument>();
    for (auto _ : state) {
        ScriptedDialogs ui;
        if (LoadFile(*doc, path, 0, QString(), ui) != 1) state.SkipWithError("load failed");
    }
    state.counters["notes"] = static_cast<double>(doc->Combo);
}
BENCHMARK(BM_LoadMaximalChart)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
