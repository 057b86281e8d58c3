// Loading and saving the largest chart the model holds: 30000 coords, a note
// on every third coord with a long note every 60 coords, 1000 tempo changes
// and 2000 key sounds.

#include <benchmark/benchmark.h>

#include <QTemporaryDir>

#include <memory>

#include "ChartFile.h"
#include "ScriptedDialogs.h"

namespace {

using namespace lumidex;

std::unique_ptr<ChartDocument> maximalChart() {
    auto doc = std::make_unique<ChartDocument>();
    doc->InitArea();
    doc->fillSpeedTempoFrom(0, 150, 150);
    for (int i = 1; i <= 1000; ++i)  // alternating scroll speed every 30 coords
        doc->fillSpeedTempoFrom(i * 30 - 15, i % 2 ? 300 : 150, 150);
    for (int c = 0; c < kMaxCoord; c += 3) {
        if (c % 60 == 0) {
            doc->setNote(c, 128 + 3 * (c / 60 % 6), 1 + c % 2000);
            doc->setNote(c + 24, 130 + 3 * (c / 60 % 6), 0);
        } else if (c % 60 > 24) {
            doc->setNote(c, 16 + c % 19, 1 + c % 2000);
        }
    }
    for (int k = 1; k <= kMaxKeySound; ++k)
        doc->keySound(k) = KeySound{QStringLiteral("key%1.wav").arg(k), QStringLiteral("1.00")};
    doc->KeyCount = kMaxKeySound;
    doc->keySound(0) = KeySound{QStringLiteral("song.mp3"), QStringLiteral("1.00")};
    doc->Delay = 10;
    doc->LastCoord = kMaxCoord;
    doc->Header.Name = QStringLiteral("Maximal");
    doc->Header.BPM = doc->Header.BPMO = QStringLiteral("150");
    doc->Header.Length = QStringLiteral("30000");
    return doc;
}

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
