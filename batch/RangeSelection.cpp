#include "RangeSelection.h"

#include <algorithm>

#include "BatchRange.h"

namespace lumidex {
namespace {

int snappedInChart(double coord, double alignCoord) {
    return std::clamp(snapCoord(coord, alignCoord), 0, kMaxCoord);
}

}  // namespace

CoordSpan dragSpan(int anchorCoord, int pointerCoord, double alignCoord) {
    const int a = snappedInChart(anchorCoord, alignCoord);
    const int b = snappedInChart(pointerCoord, alignCoord);
    return {std::min(a, b), std::max(a, b)};
}

int pasteTarget(const PastePlace& place, double alignCoord) {
    const int coord = place.playing ? place.baseline : place.pointerCoord.value_or(place.baseline);
    return snappedInChart(coord, alignCoord);
}

void eraseNotes(ChartEdit& edits, const CoordSpan& span) {
    const ChartDocument& doc = edits.doc();
    EditStep step(edits, QStringLiteral("Delete"));
    int combo = doc.Combo;
    for (int c = std::max(span.from, 0); c <= std::min(span.to, kMaxCoord); ++c) {
        const uint8_t kind = doc.cell(c).Kind;
        if (kind == 0) continue;
        combo -= ComboWeight(kind);
        edits.setKind(c, 0);
    }
    edits.setCombo(combo);
}

}  // namespace lumidex
