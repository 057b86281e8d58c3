#pragma once
// Which stretch of music each canvas row stands for. A row r of a view with
// base coord B shows the coords within half a row of B + (350 - r) / (14/3);
// those coords are turned into chart frames with the chart's own conversions
// (within a coord time runs evenly, 300 / Tempo frames a coord), and chart
// frames into music time as playback places the music: music time 0 is
// chart frame Delay - 3 with BASS and Miles, Delay with DirectShow. So the
// rows follow every tempo change, the delay and the decoder, and a speed
// section (which only moves the scroll position) changes nothing.
//
// Recomputed at every repaint from the cells as they are: an edit of the
// tempo or the delay shows at the next repaint.

#include <optional>
#include <vector>

#include "ChartDocument.h"
#include "PeakTable.h"

namespace lumidex::waveform {

// The chart frame at which the music's time 0 plays, for a decoder choice.
double musicZeroFrame(double delay, int decoder);

// Source frames [from, to) of the music that one row stands for; nothing for
// a row outside the chart (below coord 0, above 30000, or where a cell
// cannot be timed).
struct RowSpan {
    bool known = false;
    double from = 0;
    double to = 0;
};

class ChartRows {
  public:
    ChartRows(const ChartDocument& doc, int decoder, int sampleRate)
        : doc_(doc), decoder_(decoder), sampleRate_(sampleRate) {}

    // The spans of rows 0..height-1 (row 0 at the top) for a view base.
    std::vector<RowSpan> spans(double viewBase, int height) const;
    // The row at which a chart frame shows (the play position), if it lies
    // on the chart.
    std::optional<double> rowOfFrame(double chartFrame, double viewBase) const;

  private:
    class Walk;
    // Chart frames at a fractional coord, if the chart is timed there.
    std::optional<double> framesAt(double coord) const;

    const ChartDocument& doc_;
    int decoder_;
    int sampleRate_;
};

// The envelopes of every row: what the strip draws.
struct RowEnvelope {
    bool known = false;  // false: no music stands for this row
    Envelope envelope;
};
std::vector<RowEnvelope> rowEnvelopes(const PeakTable& table, const std::vector<RowSpan>& spans);

}  // namespace lumidex::waveform
