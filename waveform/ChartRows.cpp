#include "ChartRows.h"

#include <cmath>

#include "SoundBank.h"

namespace lumidex::waveform {

namespace {

// Frames of a coord: 300 / Tempo.
constexpr double kFramesPerBeatMinute = 300;
constexpr double kFramesPerSecond = 60;
// The shift of the mixer's decoders (playback starts their music 3 frames
// later in the file than the chart position it stands for).
constexpr double kMixerShift = 3;
// The canvas geometry: the view base on row 350, 14/3 rows a coord.
constexpr double kBaseline = 350;
constexpr double kRowsPerCoord = 4.666666666666667;

double rowCoord(double row, double viewBase) {
    return viewBase + (kBaseline - row) / kRowsPerCoord;
}

double coordRow(double coord, double viewBase) {
    return kBaseline - (coord - viewBase) * kRowsPerCoord;
}

}  // namespace

double musicZeroFrame(double delay, int decoder) {
    return decoder == kDecoderDShow ? delay : delay - kMixerShift;
}

std::optional<double> ChartRows::framesAt(double coord) const {
    if (coord < 0 || coord > kMaxCoord) return std::nullopt;
    const int whole = int(coord);  // coord >= 0: its floor
    const std::optional<double> start = doc_.CoordToFrames(whole);
    const double tempo = doc_.cell(whole).Tempo;
    if (!start || !(tempo != 0) || !std::isfinite(tempo)) return std::nullopt;
    return *start + (coord - whole) * kFramesPerBeatMinute / tempo;
}

// framesAt for rising coords, asking the chart once per whole coord (a row
// is less than a coord, so most rows share it with their neighbours).
class ChartRows::Walk {
  public:
    explicit Walk(const ChartRows& rows) : rows_(rows) {}
    std::optional<double> framesAt(double coord) {
        if (coord < 0 || coord > kMaxCoord) return std::nullopt;
        const int whole = int(coord);  // coord >= 0: its floor
        if (whole != whole_) {
            whole_ = whole;
            const std::optional<double> start = rows_.framesAt(whole);
            timed_ = start.has_value();
            start_ = start.value_or(0);
            perCoord_ = timed_ ? kFramesPerBeatMinute / rows_.doc_.cell(whole).Tempo : 0;
        }
        if (!timed_) return std::nullopt;
        return start_ + (coord - whole) * perCoord_;
    }

  private:
    const ChartRows& rows_;
    int whole_ = -1;
    bool timed_ = false;
    double start_ = 0;
    double perCoord_ = 0;
};

std::vector<RowSpan> ChartRows::spans(double viewBase, int height) const {
    std::vector<RowSpan> rows(size_t(std::max(height, 0)));
    const double zero = musicZeroFrame(doc_.Delay, decoder_);
    const double perFrame = sampleRate_ / kFramesPerSecond;
    // Row edges from the bottom of the lowest row up; each edge is shared by
    // the rows on either side of it.
    Walk walk(*this);
    std::optional<double> below = walk.framesAt(rowCoord(double(height) - 0.5, viewBase));
    for (int r = height - 1; r >= 0; --r) {
        const std::optional<double> above = walk.framesAt(rowCoord(r - 0.5, viewBase));
        if (below && above)
            rows[size_t(r)] = RowSpan{true, (*below - zero) * perFrame, (*above - zero) * perFrame};
        below = above;
    }
    return rows;
}

std::optional<double> ChartRows::rowOfFrame(double chartFrame, double viewBase) const {
    const std::optional<int> coord = doc_.FramesToCoordFloor(chartFrame);
    if (!coord) return std::nullopt;
    const std::optional<double> start = doc_.CoordToFrames(*coord);
    const double tempo = doc_.cell(*coord).Tempo;
    if (!start || !(tempo != 0)) return std::nullopt;
    const double within = (chartFrame - *start) * tempo / kFramesPerBeatMinute;
    return coordRow(*coord + within, viewBase);
}

std::vector<RowEnvelope> rowEnvelopes(const PeakTable& table, const std::vector<RowSpan>& spans) {
    std::vector<RowEnvelope> rows(spans.size());
    const double end = double(table.frames());
    for (size_t r = 0; r < spans.size(); ++r) {
        const RowSpan& s = spans[r];
        if (!s.known || s.to <= 0 || s.from >= end) continue;
        rows[r] = RowEnvelope{true, table.span(s.from, s.to)};
    }
    return rows;
}

}  // namespace lumidex::waveform
