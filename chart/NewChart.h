#pragma once
// The chart the editor holds before any file is opened: empty, with the
// header texts the "Music Info" boxes show at start-up, so that a chart typed
// in from scratch saves the music file and volume they show.

#include "ChartDocument.h"

namespace lumidex {

// The header texts of a new chart.
HeaderTexts newChartHeader();

// Makes doc a new chart: no notes, long-note correction 4, the header of
// newChartHeader() and the music (key slot 0) named and set as it says.
// The note grid (AlignCoord) and the key sounds 1..KeyCount are left alone.
void startNewChart(ChartDocument& doc);

}  // namespace lumidex
