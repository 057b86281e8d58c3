#include "SpeedChange.h"

namespace lumidex {

void rewriteTempoSegment(ChartEdit& edits, int coord, double tempo, double speed) {
    const ChartDocument& doc = edits.doc();
    const NoteEntry old = doc.cell(coord);
    EditStep step(edits, QStringLiteral("Change Speed"));
    for (int i = coord; i <= kMaxCoord; ++i) {
        const NoteEntry& cell = doc.cell(i);
        if (cell.Tempo != old.Tempo || cell.Speed != old.Speed) break;
        edits.setSpeedTempo(i, speed, tempo);
    }
}

}  // namespace lumidex
