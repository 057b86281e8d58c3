#include "WaveformPainter.h"

#include <algorithm>
#include <cmath>

#include "ChartRows.h"
#include "ViewGeometry.h"

namespace lumidex::waveform {

namespace {

constexpr QRgb kBackground = qRgb(0, 0, 0);
constexpr QRgb kNoMusic = qRgb(24, 24, 24);
constexpr QRgb kPeak = qRgb(40, 110, 130);
constexpr QRgb kRms = qRgb(110, 220, 240);
constexpr QRgb kBeat = qRgb(64, 64, 64);
constexpr QRgb kBar = qRgb(128, 128, 128);
constexpr QRgb kMarker = qRgb(255, 40, 40);
constexpr int kBeatCoords = 12;
constexpr int kBarCoords = 48;

void fillRow(QRgb* line, int from, int to, QRgb colour) {
    std::fill(line + std::max(from, 0), line + std::max(to, 0), colour);
}

// Half-widths in device pixels of a level 0..1 on a strip `width` wide,
// rounded half away from zero (as lround, without its call).
int halfWidth(float level, float gain, int width) {
    const float scaled = std::min(1.0f, level * gain) * float(width / 2);
    const int whole = int(scaled);
    return whole + (scaled - float(whole) >= 0.5f ? 1 : 0);
}

// One row: the RMS band over the peak band over the background, mirrored
// about the centre. A band is [centre - half, centre + half) inside the row.
// Eight pixels at a time without branches, so the compiler can use vectors.
void paintRow(QRgb* line, int width, int peak, int rms) {
    const int centre = width / 2;
    const int p0 = std::max(centre - peak, 0), p1 = std::max(std::min(width, centre + peak), p0);
    const int r0 = std::max(centre - rms, 0), r1 = std::max(std::min(width, centre + rms), r0);
    const auto pixel = [=](int x) {
        const bool inRms = unsigned(x - r0) < unsigned(r1 - r0);
        const bool inPeak = unsigned(x - p0) < unsigned(p1 - p0);
        return inRms ? kRms : inPeak ? kPeak : kBackground;
    };
    constexpr int kLanes = 8;
    int x = 0;
    for (; x + kLanes <= width; x += kLanes)
        for (int k = 0; k < kLanes; ++k) line[x + k] = pixel(x + k);
    for (; x < width; ++x) line[x] = pixel(x);
}

void paintEnvelopes(QImage& strip, const std::vector<RowEnvelope>& rows, float gain, double dpr) {
    const int width = strip.width();
    uchar* const bits = strip.bits();
    const qsizetype stride = strip.bytesPerLine();
    int painted[2] = {-1, -1};  // the half-widths of the row painted last; -1: none yet
    const QRgb* last = nullptr;
    for (int y = 0; y < strip.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(bits + y * stride);
        const size_t r = std::min(rows.size(), size_t(y / dpr) + 1) - 1;
        int halves[2] = {-2, -2};  // -2: no music on this row
        if (!rows.empty() && rows[r].known) {
            halves[0] = std::max(halfWidth(rows[r].envelope.peak, gain, width), 1);
            halves[1] = halfWidth(rows[r].envelope.rms, gain, width);
        }
        if (last && halves[0] == painted[0] && halves[1] == painted[1])
            std::copy(last, last + width, line);
        else if (halves[0] == -2)
            fillRow(line, 0, width, kNoMusic);
        else
            paintRow(line, width, halves[0], halves[1]);
        painted[0] = halves[0];
        painted[1] = halves[1];
        last = line;
    }
}

void paintLine(QImage& strip, double row, QRgb colour, double dpr) {
    const int y = int(std::lround(row * dpr));
    if (y < 0 || y >= strip.height()) return;
    auto* line = reinterpret_cast<QRgb*>(strip.scanLine(y));
    fillRow(line, 0, strip.width(), colour);
}

void paintBeats(QImage& strip, double viewBase, int height, double dpr) {
    const int low = std::max(0, HeightToCoord(height, viewBase));
    const int high = std::min(kMaxCoord, HeightToCoord(0, viewBase));
    for (int c = (low + kBeatCoords - 1) / kBeatCoords * kBeatCoords; c <= high; c += kBeatCoords)
        paintLine(strip, CoordToHeight(c, viewBase), c % kBarCoords == 0 ? kBar : kBeat, dpr);
}

}  // namespace

void paintStrip(QImage& strip, const ChartDocument& doc, const PeakTable* table,
                const StripView& view) {
    if (strip.isNull()) return;
    const double dpr = strip.devicePixelRatio();
    const int height = int(std::lround(strip.height() / dpr));
    const ChartRows rows(doc, view.decoder, table ? table->sampleRate() : 1);
    std::vector<RowEnvelope> envelopes;
    if (table)
        envelopes = rowEnvelopes(*table, rows.spans(view.viewBase, height));
    else
        envelopes.assign(size_t(std::max(height, 1)), RowEnvelope{});
    paintEnvelopes(strip, envelopes, view.gain, dpr);
    paintBeats(strip, view.viewBase, height, dpr);
    if (view.playFrame)
        if (const auto row = rows.rowOfFrame(*view.playFrame, view.viewBase))
            paintLine(strip, *row, kMarker, dpr);
}

}  // namespace lumidex::waveform
