#pragma once
// Writing a found tempo into the chart: the tempo of the first tempo segment
// (as "C&hange Speed" does at coord 0: later segments keep what the author
// set) and "BGM Delay", as one step that undo takes back whole.

#include <QString>

#include "ChartEdit.h"

namespace lumidex::tempo {

inline const QString kApplyTempoStep = QStringLiteral("Apply Tempo");

// The first segment's Speed keeps its ratio to its Tempo (a chart without
// tempo gets Speed = bpm), so the scroll speed the author chose stays.
void applyTempo(ChartEdit& edits, double bpm, double delay);

}  // namespace lumidex::tempo
