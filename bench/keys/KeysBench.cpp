// Deleting and purging keys on the largest chart the model holds (a note with
// a key in each of the 30001 cells, 2000 keys), and `lumidex-chart check` of
// such a chart as a whole process.

#include <benchmark/benchmark.h>

#include <QProcess>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <memory>

#include "ChartEdit.h"
#include "ChartFile.h"
#include "KeyList.h"
#include "ScriptedDialogs.h"

namespace {

using namespace lumidex;

// Every cell holds a note; usedEvery = 2 leaves every other key unused.
std::unique_ptr<ChartDocument> maximalChart(int usedEvery) {
    auto doc = std::make_unique<ChartDocument>();
    doc->InitArea();
    doc->fillSpeedTempoFrom(0, 150, 150);
    for (int c = 0; c <= kMaxCoord; ++c)
        doc->setNote(c, uint8_t(16 + c % 19), int16_t(1 + (c * usedEvery) % kMaxKeySound));
    for (int k = 1; k <= kMaxKeySound; ++k)
        doc->keySound(k) = KeySound{QStringLiteral("demo/key%1.wav").arg(k), "1.00"};
    doc->KeyCount = kMaxKeySound;
    doc->keySound(0) = KeySound{QStringLiteral("song.mp3"), "1.00"};
    doc->LastCoord = kMaxCoord;
    doc->Header.BPM = doc->Header.BPMO = QStringLiteral("150");
    doc->Header.Length = QStringLiteral("30000");
    return doc;
}

// Times one step on a fresh copy of the chart each iteration.
template <class Step>
void onFreshChart(benchmark::State& state, int usedEvery, Step step) {
    const auto original = maximalChart(usedEvery);
    auto doc = std::make_unique<ChartDocument>(*original);
    ChartEdit edits(*doc);
    for (auto _ : state) {
        state.PauseTiming();
        *doc = *original;
        state.ResumeTiming();
        step(edits);
    }
}

// Key 1: every other cell moves down one.
void BM_DeleteFirstKey(benchmark::State& state) {
    onFreshChart(state, 1, [](ChartEdit& edits) { deleteKey(edits, 1); });
}
BENCHMARK(BM_DeleteFirstKey)->Unit(benchmark::kMicrosecond);

// Half the keys go; every cell is renumbered.
void BM_PurgeHalfTheKeys(benchmark::State& state) {
    onFreshChart(state, 2, [&state](ChartEdit& edits) {
        if (purgeUnusedKeys(edits) != kMaxKeySound / 2) state.SkipWithError("wrong purge");
    });
}
BENCHMARK(BM_PurgeHalfTheKeys)->Unit(benchmark::kMicrosecond);

// CPU seconds (user and system) of the children that have ended.
double childCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    const auto seconds = [](const timeval& t) { return double(t.tv_sec) + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// The whole process: start, load, check, print (every sound missing, so 2001
// findings besides the gaps). Wall time on a busy machine includes waiting
// for a core; tool_cpu_ms is what the process itself used.
void BM_CheckProcess(benchmark::State& state) {
    QTemporaryDir dir;
    const QString chart = dir.filePath(QStringLiteral("max.xml"));
    {
        ScriptedDialogs ui;
        if (SaveFile(*maximalChart(1), chart, ui) != 1) state.SkipWithError("save failed");
    }
    qint64 lines = 0;
    const double cpuBefore = childCpuSeconds();
    for (auto _ : state) {
        QProcess tool;
        tool.start(QStringLiteral(LUMIDEX_CHART_TOOL), {QStringLiteral("check"), chart});
        if (!tool.waitForFinished(60000) || tool.exitCode() != 1)
            state.SkipWithError("check did not run");
        lines = tool.readAllStandardOutput().count('\n');
    }
    state.counters["findings"] = double(lines);
    state.counters["tool_cpu_ms"] =
        (childCpuSeconds() - cpuBefore) * 1000 / double(state.iterations());
}
BENCHMARK(BM_CheckProcess)->Unit(benchmark::kMillisecond)->Iterations(10);

}  // namespace

BENCHMARK_MAIN();
