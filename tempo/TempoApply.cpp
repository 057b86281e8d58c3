#include "TempoApply.h"

#include "Numbers.h"
#include "SpeedChange.h"

namespace lumidex::tempo {

void applyTempo(ChartEdit& edits, double bpm, double delay) {
    const NoteEntry first = edits.doc().cell(0);
    const double speed = first.Tempo > 0 && first.Speed > 0 ? first.Speed * bpm / first.Tempo : bpm;
    EditStep step(edits, kApplyTempoStep);
    rewriteTempoSegment(edits, 0, bpm, speed);
    edits.setDelay(delay);
    HeaderTexts header = edits.doc().Header;
    header.BPMO = numberText(bpm);
    header.BPM = numberText(speed);
    header.Delay = numberText(delay);
    edits.setHeader(header);
}

}  // namespace lumidex::tempo
