// Each batch operation over the whole chart (coords 0..30000, AlignCoord 1),
// with every cell holding a note it changes, timed together with the edit
// step it records and hands to a listener that keeps it, as an undo history
// would. Between iterations the kept record puts the chart back (untimed).
#include <benchmark/benchmark.h>

#include "ChartEdit.h"
#include "KindTransforms.h"
#include "RandomKinds.h"
#include "RangeClipboard.h"
#include "SpeedChange.h"

using namespace lumidex;

namespace {

struct Keeper : ChartEditListener {
    ChartChange last;
    void chartChanged(const ChartChange& c) override { last = c; }
};

const SteppedRange kWhole = SteppedRange::clipped(0, kMaxCoord, 1);

// A chart at tempo 150 whose cells hold, in turn, the kinds of `kinds`, and
// no key indices.
struct Bench {
    ChartDocument doc;
    ChartEdit edits{doc};
    Keeper keeper;
    RandomKindSet randomKinds;

    explicit Bench(const std::vector<uint8_t>& kinds) {
        doc.fillSpeedTempoFrom(0, 150, 150);
        for (int c = 0; c <= kMaxCoord; ++c) doc.setKind(c, kinds[size_t(c) % kinds.size()]);
        edits.addListener(&keeper);
    }

    // Runs op timed, then reverts what it recorded untimed.
    template <class Op>
    void run(benchmark::State& s, Op op) {
        size_t cells = 0;
        for (auto _ : s) {
            op();
            s.PauseTiming();
            cells = keeper.last.cells.size();
            keeper.last.revert(doc);
            s.ResumeTiming();
        }
        s.counters["cells"] = double(cells);
    }
};

// The kinds transform t changes, so that it rewrites every cell.
std::vector<uint8_t> kindsChangedBy(KindTransform t) {
    std::vector<uint8_t> kinds;
    for (int k = 1; k < kKindSlots; ++k)
        if (t == KindTransform::Randomise || transformedKind(t, uint8_t(k)) != k)
            kinds.push_back(uint8_t(k));
    return kinds;
}

void BM_Transform(benchmark::State& s) {
    const auto t = KindTransform(s.range(0));
    Bench b(kindsChangedBy(t));
    b.run(s, [&] { transformKinds(b.edits, kWhole, t, b.randomKinds); });
    s.SetLabel(transformName(t).toStdString());
}

void BM_FillKeyIndex(benchmark::State& s) {
    Bench b({16, 17, 128, 129, 130});
    b.doc.setFxSndIndex(0, 1);
    const bool ascending = s.range(0) != 0;
    b.run(s, [&] { fillKeyIndex(b.edits, kWhole, ascending); });
    s.SetLabel(ascending ? "ascending" : "repeatedly");
}

// Copies the chart with every field, mirrors it (untimed), then pastes the
// copy back over it.
void BM_PasteWholeChart(benchmark::State& s) {
    Bench b(kindsChangedBy(KindTransform::Mirror));
    for (int c = 0; c <= kMaxCoord; c += 2) b.doc.setFxSndIndex(c, 1);
    RangeClipboard clip;
    const ClipFields all{true, true, true};
    clip.Copy(b.doc, kWhole, all);
    transformKinds(b.edits, kWhole, KindTransform::Mirror, b.randomKinds);
    for (int c = 0; c <= kMaxCoord; c += 2) b.doc.setFxSndIndex(c, 2);
    b.doc.fillSpeedTempoFrom(0, 120, 120);
    b.run(s, [&] { clip.Paste(b.edits, 0, 1, all); });
}

void BM_CutWholeChart(benchmark::State& s) {
    Bench b({16, 24, 128, 130});
    for (int c = 0; c <= kMaxCoord; ++c) b.doc.setFxSndIndex(c, 1);
    RangeClipboard clip;
    b.run(s, [&] { clip.Cut(b.edits, kWhole, {true, true, false}); });
}

void BM_ChangeSpeedWholeChart(benchmark::State& s) {
    Bench b({16});
    b.run(s, [&] { rewriteTempoSegment(b.edits, 0, 180, 90); });
}

}  // namespace

BENCHMARK(BM_Transform)->DenseRange(0, kKindTransforms - 1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FillKeyIndex)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PasteWholeChart)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CutWholeChart)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ChangeSpeedWholeChart)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
