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

// Half-widths in device pixels of a level 0..1 on a strip `width` wide.
int halfWidth(float level, float gain, int width) {
    const float scaled = std::min(1.0f, level * gain);
    return int(std::lround(scaled * (width / 2)));
}

void paintEnvelopes(QImage& strip, const std::vector<RowEnvelope>& rows, float gain, double dpr) {
    const int width = strip.width();
    const int centre = width / 2;
    for (int y = 0; y < strip.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(strip.scanLine(y));
        const size_t r = std::min(rows.size(), size_t(y / dpr) + 1) - 1;
        if (rows.empty() || !rows[r].known) {
            fillRow(line, 0, width, kNoMusic);
            continue;
        }
        fillRow(line, 0, width, kBackground);
        const int peak = std::max(halfWidth(rows[r].envelope.peak, gain, width), 1);
        const int rms = halfWidth(rows[r].envelope.rms, gain, width);
        fillRow(line, centre - peak, std::min(width, centre + peak), kPeak);
        fillRow(line, centre - rms, std::min(width, centre + rms), kRms);
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
