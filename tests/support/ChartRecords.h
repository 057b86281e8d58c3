#pragma once
// What the edit and undo tests record of a chart: the steps its listeners
// heard, and everything an edit can change, to compare states exactly.

#include <QHash>

#include <optional>
#include <vector>

#include "ChartEdit.h"

namespace lumidex::test {

// Every step heard, and how many times the chart was replaced.
struct StepLog : ChartEditListener {
    std::vector<ChartChange> steps;
    int replaced = 0;
    void chartChanged(const ChartChange& c) override { steps.push_back(c); }
    void chartReplaced() override { ++replaced; }
    std::vector<QString> actions() const {
        std::vector<QString> names;
        for (const ChartChange& c : steps) names.push_back(c.action);
        return names;
    }
};

// A chart, its edits, and the steps they made.
struct LoggedChart {
    LoggedChart() { edits.addListener(&log); }
    ~LoggedChart() { edits.removeListener(&log); }
    ChartDocument doc;
    ChartEdit edits{doc};
    StepLog log;
};

// The cells, the key list, the other values, and the time sum the cells give
// (the cached sums must follow the cells written back).
struct ChartSnapshot {
    std::vector<NoteEntry> cells;
    std::vector<KeySound> keys;
    ChartScalars scalars;
    std::optional<double> frames;

    explicit ChartSnapshot(const ChartDocument& d)
        : scalars(ChartScalars::of(d)), frames(d.CoordToFrames(kMaxCoord)) {
        for (int c = 0; c < kCellCount; ++c) cells.push_back(d.cell(c));
        for (int k = 0; k <= kMaxKeySound; ++k) keys.push_back(d.keySound(k));
    }
    bool operator==(const ChartSnapshot& o) const {
        return cells == o.cells && keys == o.keys && scalars == o.scalars && frames == o.frames;
    }
    // A hash of the same values, for keeping many states cheaply.
    size_t hash() const {
        const HeaderTexts& h = scalars.Header;
        size_t seed = qHashMulti(0, scalars.LastCoord, scalars.Delay, scalars.LongCorrection,
                                 scalars.KeyCount, scalars.Combo, frames.value_or(-1));
        seed = qHashMulti(seed, h.Name, h.BPM, h.BPMO, h.BGM, h.BGMVolume, h.Delay,
                          h.LongCorrectVal, h.Length, h.MusicPath);
        for (const NoteEntry& e : cells)
            seed = qHashMulti(seed, e.Kind, e.FxSndIndex, e.Speed, e.Tempo);
        for (const KeySound& k : keys) seed = qHashMulti(seed, k.Snd, k.Volume);
        return seed;
    }
};

}  // namespace lumidex::test
