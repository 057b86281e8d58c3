#pragma once
// Paints the waveform strip for one view of the chart: for every pixel row
// the peak (dim) and RMS (bright) of the music that row stands for, mirrored
// about the strip's centre; the beat lines of the canvas (every 12 coords,
// brighter every 48) across it; and the play position as a red line. Pixels
// are written straight into the buffer (RGB32), so a repaint costs a few
// microseconds per row.

#include <QImage>

#include <optional>

#include "ChartDocument.h"
#include "PeakTable.h"

namespace lumidex::waveform {

constexpr int kStripWidth = 48;  // drawing area of the strip

struct StripView {
    double viewBase = 0;
    int decoder = 0;                  // whose start shift places the music
    float gain = 1;                   // for quiet music: the envelope times this
    std::optional<double> playFrame;  // chart frame of the play position, while playing
};

// Paints strip (RGB32, any device pixel ratio) for the view. table may be
// null: the strip then shows only the beat lines (and the marker).
void paintStrip(QImage& strip, const ChartDocument& doc, const PeakTable* table,
                const StripView& view);

}  // namespace lumidex::waveform
