// Loading and saving the largest chart the model holds: 30000 coords, a note
// on every third coord with a long note every 60 coords, 1000 tempo changes
// and 2000 key sounds.

#include <benchmark/benchmark.h>

#include <QTemporaryDir>

#include <memory>
#include <string>

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

// The resave's work without the process start-up, on the chart of the resave
// timing (bench_chartfile --write-full): load, compose, and the read-back of
// the composed bytes a save makes.
void BM_LoadFullChart(benchmark::State& state) {
    const QByteArray bytes = composeChart(*fullChart()).bytes;
    auto doc = std::make_unique<ChartDocument>();
    for (auto _ : state)
        if (loadChartBytes(*doc, bytes, 0) != 1) state.SkipWithError("load failed");
    state.counters["MB"] = double(bytes.size()) / 1e6;
}
BENCHMARK(BM_LoadFullChart)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

void BM_ComposeFullChart(benchmark::State& state) {
    const auto doc = fullChart();
    for (auto _ : state) benchmark::DoNotOptimize(composeChart(*doc).bytes.size());
}
BENCHMARK(BM_ComposeFullChart)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

void BM_ReopenFullChart(benchmark::State& state) {
    const auto doc = fullChart();
    const QByteArray bytes = composeChart(*doc).bytes;
    for (auto _ : state) benchmark::DoNotOptimize(reopenDifference(*doc, bytes).notes);
}
BENCHMARK(BM_ReopenFullChart)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

}  // namespace

// "bench_chartfile --write-maximal PATH" and "--write-full PATH" write that
// chart to PATH and exit (the charts the resave timing runs on); any other
// arguments go to the benchmark library.
int main(int argc, char** argv) {
    const std::string option = argc == 3 ? argv[1] : "";
    if (option == "--write-maximal" || option == "--write-full") {
        ScriptedDialogs ui;
        SaveStyle quiet;
        quiet.askOverwrite = false;
        const auto doc = option == "--write-full" ? fullChart() : maximalChart();
        return SaveFile(*doc, QString::fromLocal8Bit(argv[2]), ui, quiet) == 1 ? 0 : 1;
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
