#include "PeakTable.h"

#include <algorithm>
#include <cmath>

namespace lumidex::waveform {

namespace {

constexpr double kFull = 65535;

uint16_t quantize(double value) {
    return uint16_t(std::lround(std::clamp(value, 0.0, 1.0) * kFull));
}

double level(uint16_t stored) {
    return stored / kFull;
}

}  // namespace

void PeakTable::appendBlock(const float* samples, int frames) {
    if (peak_.empty()) {
        peak_.resize(1);
        rms_.resize(1);
    }
    const int count = frames * std::max(channels_, 1);
    // Sixteen independent lanes, so the compiler can keep them in vector
    // register: the analysis should cost little beside the decoding.
    constexpr int kLanes = 16;
    float peaks[kLanes] = {};
    float sums[kLanes] = {};
    int i = 0;
    for (; i + kLanes <= count; i += kLanes)
        for (int k = 0; k < kLanes; ++k) {
            const float s = samples[i + k];
            peaks[k] = std::max(peaks[k], std::fabs(s));
            sums[k] += s * s;
        }
    float peak = 0;
    double squares = 0;
    for (; i < count; ++i) {
        peak = std::max(peak, std::fabs(samples[i]));
        squares += double(samples[i]) * samples[i];
    }
    for (int k = 0; k < kLanes; ++k) {
        peak = std::max(peak, peaks[k]);
        squares += sums[k];
    }
    peak_[0].push_back(quantize(peak));
    rms_[0].push_back(quantize(count > 0 ? std::sqrt(squares / count) : 0));
    frames_ += frames;
}

void PeakTable::appendStored(uint16_t peak, uint16_t rms, int frames) {
    if (peak_.empty()) {
        peak_.resize(1);
        rms_.resize(1);
    }
    peak_[0].push_back(peak);
    rms_[0].push_back(rms);
    frames_ += frames;
}

void PeakTable::finish() {
    if (peak_.empty()) return;
    peak_.resize(1);
    rms_.resize(1);
    while (peak_.back().size() > 1) {
        const std::vector<uint16_t>& finePeak = peak_.back();
        const std::vector<uint16_t>& fineRms = rms_.back();
        std::vector<uint16_t> peak((finePeak.size() + kFanOut - 1) / kFanOut);
        std::vector<uint16_t> rms(peak.size());
        const size_t fine = peak_.size() - 1;
        for (size_t i = 0; i < peak.size(); ++i) {
            const size_t end = std::min(finePeak.size(), (i + 1) * kFanOut);
            uint16_t p = 0;
            double squares = 0;
            int64_t count = 0;
            for (size_t j = i * kFanOut; j < end; ++j) {
                p = std::max(p, finePeak[j]);
                squares += level(fineRms[j]) * level(fineRms[j]) * double(weight(fine, j));
                count += weight(fine, j);
            }
            peak[i] = p;
            rms[i] = quantize(std::sqrt(squares / double(count)));
        }
        peak_.push_back(std::move(peak));
        rms_.push_back(std::move(rms));
    }
}

size_t PeakTable::bytes() const {
    size_t total = 0;
    for (const auto& values : peak_) total += values.size() * sizeof(uint16_t) * 2;
    return total;
}

int64_t PeakTable::weight(size_t lvl, size_t index) const {
    static_assert(kFanOut == 4, "a level is 2 bits of the block index");
    const int64_t span = int64_t(1) << (2 * lvl);  // kFanOut^lvl blocks
    return std::min(span, blocks() - int64_t(index) * span);
}

// The blocks overlapping [from, to), covered by the coarsest blocks that lie
// wholly inside them and finer ones at either edge. Every strip row asks
// this, so the look-ups are written out here where they inline.
Envelope PeakTable::span(double from, double to) const {
    const int64_t n = blocks();
    if (n == 0 || !(to > from) || to <= 0 || from >= double(n) * kBlockFrames) return {};
    // floor and ceil of the block positions (to > 0 here), without calls.
    const double first = from / kBlockFrames, end = to / kBlockFrames;
    size_t a = first > 0 ? size_t(first) : 0;
    int64_t whole = int64_t(end);
    if (double(whole) < end) ++whole;
    size_t b = size_t(std::min<int64_t>(n, whole));
    uint16_t peak = 0;
    double squares = 0;
    int64_t count = 0;
    size_t lvl = 0;
    const uint16_t* peaks = peak_[0].data();
    const uint16_t* rms = rms_[0].data();
    int64_t blockSpan = 1;  // kFanOut^lvl blocks
    const auto take = [&](size_t i) {
        const int64_t w = std::min(blockSpan, n - int64_t(i) * blockSpan);
        peak = std::max(peak, peaks[i]);
        squares += level(rms[i]) * level(rms[i]) * double(w);
        count += w;
    };
    while (a < b) {
        if (lvl + 1 >= peak_.size()) {
            for (size_t i = a; i < b; ++i) take(i);
            break;
        }
        while (a < b && a % kFanOut != 0) take(a++);
        while (a < b && b % kFanOut != 0 && b != peak_[lvl].size()) take(--b);
        if (a >= b) break;
        // A partial last block of this level becomes the partial last block
        // of the next one.
        a /= kFanOut;
        b = (b + kFanOut - 1) / kFanOut;
        ++lvl;
        peaks = peak_[lvl].data();
        rms = rms_[lvl].data();
        blockSpan *= kFanOut;
    }
    if (count == 0) return {};
    return Envelope{float(level(peak)), float(std::sqrt(squares / double(count)))};
}

}  // namespace lumidex::waveform
