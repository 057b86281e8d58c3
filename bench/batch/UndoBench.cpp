// The undo history's costs: what recording adds to an edit (a one-note step
// and a whole-chart transform, each with and without a history listening),
// undo and redo of a whole-chart transform and paste, and the memory 1000
// one-note steps hold (as the records count it, and as the heap grew).
#include <benchmark/benchmark.h>

#include <malloc.h>

#include <memory>

#include "KindTransforms.h"
#include "RangeClipboard.h"
#include "UndoHistory.h"

using namespace lumidex;

namespace {

const SteppedRange kWhole = SteppedRange::clipped(0, kMaxCoord, 1);

// A chart at tempo 150 with a note the mirror changes in every cell; with
// an undo history when asked.
struct Bench {
    ChartDocument doc;
    ChartEdit edits{doc};
    std::unique_ptr<UndoHistory> history;
    RandomKindSet randomKinds;

    explicit Bench(bool withHistory) {
        doc.fillSpeedTempoFrom(0, 150, 150);
        for (int c = 0; c <= kMaxCoord; ++c) doc.setNote(c, c % 2 ? 16 : 19, int16_t(c % 7));
        if (withHistory) history = std::make_unique<UndoHistory>(edits);
    }

    // A click: one cell's kind and Combo, as one step.
    void click(int coord) {
        EditStep step(edits, QStringLiteral("Draw Note"));
        const uint8_t old = doc.cell(coord).Kind, kind = old == 16 ? 24 : 16;
        edits.setKind(coord, kind);
        edits.setCombo(doc.Combo - ComboWeight(old) + ComboWeight(kind));
    }
};

void BM_RecordClick(benchmark::State& s) {
    Bench b(s.range(0) != 0);
    int coord = 0;
    for (auto _ : s) b.click(coord = (coord + 3) % kCellCount);
    s.SetLabel(s.range(0) ? "with history" : "without history");
}

void BM_RecordWholeChartMirror(benchmark::State& s) {
    Bench b(s.range(0) != 0);
    for (auto _ : s) transformKinds(b.edits, kWhole, KindTransform::Mirror, b.randomKinds);
    s.SetLabel(s.range(0) ? "with history" : "without history");
}

// Undo and redo of one whole-chart step, as a pair per iteration.
template <class Step>
void undoRedo(benchmark::State& s, Step step) {
    Bench b(true);
    step(b);
    for (auto _ : s) {
        b.history->undo();
        b.history->redo();
    }
    s.counters["cells"] = double(b.history->undo()->cells.size());
    s.counters["pairs/s"] = benchmark::Counter(double(s.iterations()), benchmark::Counter::kIsRate);
}

void BM_UndoRedoWholeChartMirror(benchmark::State& s) {
    undoRedo(
        s, [](Bench& b) { transformKinds(b.edits, kWhole, KindTransform::Mirror, b.randomKinds); });
}

// Every field of the whole chart pasted over a mirrored, retimed copy.
void BM_UndoRedoWholeChartPaste(benchmark::State& s) {
    undoRedo(s, [](Bench& b) {
        RangeClipboard clip;
        const ClipFields all{true, true, true};
        clip.Copy(b.doc, kWhole, all);
        for (int c = 0; c <= kMaxCoord; ++c) {
            b.doc.setNote(c, transformedKind(KindTransform::Mirror, b.doc.cell(c).Kind), 1);
            b.doc.setSpeedTempo(c, 120, 120);
        }
        clip.Paste(b.edits, 0, 1, all);
    });
}

void BM_Memory1000Clicks(benchmark::State& s) {
    for (auto _ : s) {
        Bench b(true);
        const size_t before = mallinfo2().uordblks;
        for (int i = 0; i < 1000; ++i) b.click((i * 3) % kCellCount);
        s.counters["steps"] = double(b.history->steps());
        s.counters["recordKiB"] = double(b.history->bytes()) / 1024;
        s.counters["heapKiB"] = double(mallinfo2().uordblks - before) / 1024;
    }
}

}  // namespace

BENCHMARK(BM_RecordClick)->Arg(0)->Arg(1);
BENCHMARK(BM_RecordWholeChartMirror)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_UndoRedoWholeChartMirror)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_UndoRedoWholeChartPaste)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Memory1000Clicks)->Iterations(1);
BENCHMARK_MAIN();
