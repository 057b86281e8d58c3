#pragma once
// The chart the editor holds before any file is opened: empty, with the
// header texts the "Music Info" boxes show at start-up, so that a chart typed
// in from scratch saves the music file and volume they show.

#include "ChartDocument.h"

namespace lumidex {

// The prompts of the "Music Info" boxes a new chart leaves empty, shown as
// placeholder text (grey, never part of the box's text). An empty box is
// what the prompt stood for: an empty name is saved as empty, and "Current
// BPM", "Current Speed" and "Note Length" left empty are missing when saving.
inline const QString kMusicNamePrompt = QStringLiteral("Please enter music name");
inline const QString kBpmPrompt = QStringLiteral("Please enter BPM");
inline const QString kSpeedPrompt = QStringLiteral("Please enter speed");
inline const QString kLengthPrompt = QStringLiteral("Please enter note length");

// The header texts of a new chart: the name, "Current BPM", "Current Speed"
// and "Note Length" empty.
HeaderTexts newChartHeader();

// Makes doc a new chart: no notes, long-note correction 4, the header of
// newChartHeader() and the music (key slot 0) named and set as it says.
// The note grid (AlignCoord) and the key sounds 1..KeyCount are left alone.
void startNewChart(ChartDocument& doc);

}  // namespace lumidex
