#include "RangeClipboard.h"

#include <algorithm>

#include "ValueLimits.h"

namespace lumidex {

RangeClipboard::RangeClipboard() : ClipCells_(kCellCount) {}

void RangeClipboard::Copy(const ChartDocument& doc, const SteppedRange& range, ClipFields fields) {
    CopyFrom_ = range.from;
    CopyTo_ = std::max(range.to, range.from - 1);  // an empty range pastes nothing
    range.forEach([&](int c) {
        const NoteEntry& cell = doc.cell(c);
        NoteEntry& clip = ClipCells_[size_t(c)];
        if (fields.kind) clip.Kind = cell.Kind;
        if (fields.key) clip.FxSndIndex = cell.FxSndIndex;
        if (fields.tempo) {
            clip.Speed = cell.Speed;
            clip.Tempo = cell.Tempo;
        }
    });
}

void RangeClipboard::Cut(ChartEdit& edits, const SteppedRange& range, ClipFields fields) {
    const ChartDocument& doc = edits.doc();
    EditStep step(edits, QStringLiteral("Cut"));
    Copy(doc, range, fields);
    if (range.empty()) return;
    // The tempo in force before the range; the range never writes that cell.
    const NoteEntry before = doc.cell(std::max(range.from - 1, 0));
    int combo = doc.Combo;
    range.forEach([&](int c) {
        const NoteEntry& cell = doc.cell(c);
        if (fields.kind) combo -= ComboWeight(cell.Kind);
        if (fields.kind || fields.key)
            edits.setNote(c, fields.kind ? 0 : cell.Kind, fields.key ? 0 : cell.FxSndIndex);
        if (fields.tempo) edits.setSpeedTempo(c, before.Speed, before.Tempo);
    });
    edits.setCombo(combo);
}

void RangeClipboard::Paste(ChartEdit& edits, int dest, int step, ClipFields fields) const {
    const ChartDocument& doc = edits.doc();
    EditStep edit(edits, QStringLiteral("Paste"));
    int combo = doc.Combo;
    for (int o = 0; o <= CopyTo_ - CopyFrom_; o += step) {
        const int64_t d = int64_t(dest) + o;
        if (d < 0) continue;
        if (d > kMaxCoord) break;
        const int c = int(d);
        const NoteEntry& clip = ClipCells_[size_t(CopyFrom_ + o)];
        if (fields.kind) combo += ComboWeight(clip.Kind) - ComboWeight(doc.cell(c).Kind);
        if (fields.kind && fields.key)
            edits.setNote(c, clip.Kind, clip.FxSndIndex);
        else if (fields.kind)
            edits.setKind(c, clip.Kind);
        else if (fields.key)
            edits.setFxSndIndex(c, clip.FxSndIndex);
        if (fields.tempo && withinLimits(ChartValue::Tempo, clip.Tempo) &&
            withinLimits(ChartValue::Speed, clip.Speed))
            edits.setSpeedTempo(c, clip.Speed, clip.Tempo);
    }
    edits.setCombo(combo);
}

}  // namespace lumidex
