#include "ChartDocument.h"

#include <algorithm>
#include <cmath>

namespace lumidex {

int ComboWeight(uint8_t kind) {
    if (kind >= 16 && kind <= 23) return 1;
    if (kind == 24) return 2;
    if (kind >= 26 && kind <= 34) return 1;
    if (isLongStart(kind) || isLongEnd(kind)) return 1;
    return 0;
}

int KindToLevel(int kind) {
    switch (kind) {
        case 26:
        case 27:
            return 1;
        case 18:
        case 19:
            return 2;
        case 16:
        case 17:
            return 3;
        case 22:
        case 23:
        case 24:
            return 4;
        case 20:
        case 21:
            return 5;
        default:
            return (kind >= 128 && kind <= 255) ? 5 : 0;
    }
}

ChartDocument::ChartDocument() : cells_(kCellCount) {
    for (Axis* axis : {&frames_, &positions_}) {
        axis->sum.assign(kSums, 0.0);
        axis->max.assign(kSums, 0.0);
        axis->firstBad = kNone;
    }
}

void ChartDocument::checkCoord(int coord) const {
    if (coord < 0 || coord > kMaxCoord) throw RuntimeError(rterr::SubscriptOutOfRange);
}

// Writes the pending tail values into the cells before end.
void ChartDocument::materialize(int end) const {
    end = std::min(end, kCellCount);
    for (int i = pendingFrom_; i < end; ++i) {
        cells_[i].Speed = pendingSpeed_;
        cells_[i].Tempo = pendingTempo_;
    }
    pendingFrom_ = std::max(pendingFrom_, end);
}

void ChartDocument::invalidateFrom(int coord) {
    // sum[k] covers cells 0..k-1, so sums up to sum[coord] stay valid.
    validTo_ = std::min(validTo_, coord);
    for (Axis* axis : {&frames_, &positions_})
        if (axis->firstBad > validTo_) axis->firstBad = kNone;
}

const NoteEntry& ChartDocument::cell(int coord) const {
    checkCoord(coord);
    materialize(coord + 1);
    return cells_[coord];
}

void ChartDocument::setKind(int coord, uint8_t kind) {
    checkCoord(coord);
    cells_[coord].Kind = kind;
}

void ChartDocument::setFxSndIndex(int coord, int16_t index) {
    checkCoord(coord);
    cells_[coord].FxSndIndex = index;
}

void ChartDocument::setNote(int coord, uint8_t kind, int16_t index) {
    checkCoord(coord);
    cells_[coord].Kind = kind;
    cells_[coord].FxSndIndex = index;
}

void ChartDocument::setSpeed(int coord, double speed) {
    checkCoord(coord);
    materialize(coord + 1);
    cells_[coord].Speed = speed;
    invalidateFrom(coord);
}

void ChartDocument::setTempo(int coord, double tempo) {
    checkCoord(coord);
    materialize(coord + 1);
    cells_[coord].Tempo = tempo;
    invalidateFrom(coord);
}

void ChartDocument::setSpeedTempo(int coord, double speed, double tempo) {
    checkCoord(coord);
    materialize(coord + 1);
    cells_[coord].Speed = speed;
    cells_[coord].Tempo = tempo;
    invalidateFrom(coord);
}

void ChartDocument::fillSpeedTempoFrom(int coord, double speed, double tempo) {
    checkCoord(coord);
    // Cells between an older tail and coord keep the older values.
    if (coord > pendingFrom_) materialize(coord);
    // Everything from coord on takes the new values as far as it is read.
    pendingFrom_ = coord;
    pendingSpeed_ = speed;
    pendingTempo_ = tempo;
    invalidateFrom(coord);
}

void ChartDocument::InitArea() {
    pendingFrom_ = kCellCount;
    std::fill(cells_.begin(), cells_.end(), NoteEntry{});
    invalidateFrom(0);
}

// Brings the sums up to sum[k], walking the cells in order with the same
// additions a walk from coord 0 makes.
void ChartDocument::extendTo(int k) const {
    k = std::min(k, kSums - 1);
    if (k <= validTo_) return;
    materialize(k);
    for (int j = validTo_ + 1; j <= k; ++j) {
        const NoteEntry& c = cells_[j - 1];
        frames_.sum[j] = frames_.sum[j - 1] + 300.0 / c.Tempo;
        positions_.sum[j] = positions_.sum[j - 1] + c.Speed / c.Tempo;
        for (Axis* axis : {&frames_, &positions_}) {
            const double s = axis->sum[j];
            if (!std::isfinite(s) && axis->firstBad == kNone) axis->firstBad = j;
            axis->max[j] = j == 1 ? s : std::max(axis->max[j - 1], s);
        }
    }
    validTo_ = k;
}

template <class Stop>
int ChartDocument::findStop(const Axis& axis, Stop stop) const {
    // Within the valid, finite prefix the running maximum is sorted, and a
    // stop test that is monotone in the sum first holds for the maximum
    // exactly where it first holds for a sum: binary search finds the
    // index the walk stops at, whatever the signs of the increments.
    const int finiteEnd = std::min(validTo_, axis.firstBad - 1);
    if (finiteEnd >= 1 && stop(axis.max[finiteEnd])) {
        int lo = 1, hi = finiteEnd;
        while (lo < hi) {
            const int mid = lo + (hi - lo) / 2;
            if (stop(axis.max[mid]))
                hi = mid;
            else
                lo = mid + 1;
        }
        return lo;
    }
    if (axis.firstBad <= validTo_) return -1;
    // Walk on past what is known, one cell at a time.
    for (int j = validTo_ + 1; j < kSums; ++j) {
        extendTo(j);
        if (axis.firstBad == j) return -1;
        if (stop(axis.sum[j])) return j;
    }
    return kNone;
}

std::optional<double> ChartDocument::CoordToFrames(int coord) const {
    const int m = std::min(coord, kMaxCoord);
    if (m <= 0) return 0.0;
    extendTo(m);
    if (frames_.firstBad <= m) return std::nullopt;
    return frames_.sum[m];
}

std::optional<double> ChartDocument::CoordToPosition(int coord) const {
    const int m = std::min(coord, kMaxCoord);
    if (m <= 0) return 0.0;
    extendTo(m);
    if (positions_.firstBad <= m) return std::nullopt;
    return positions_.sum[m];
}

std::optional<int> ChartDocument::nearest(const Axis& axis, double t, int roundUp) const {
    const int k =
        findStop(axis, [t](double acc) { return std::fabs(acc - t) < 0.0001 || acc > t; });
    if (k < 0) return std::nullopt;
    if (k == kNone) return kMaxCoord;
    if (roundUp != 0) return k;
    const int i = k - 1;
    const double prev = axis.sum[k - 1];
    const double acc = axis.sum[k];
    return (t - prev) < (acc - t) ? i : i + 1;
}

std::optional<int> ChartDocument::FramesToCoordNearest(double frames) const {
    return nearest(frames_, frames, 0);
}

std::optional<int> ChartDocument::FramesToCoordFloor(double frames) const {
    const int k = findStop(frames_, [frames](double acc) { return acc > frames; });
    if (k < 0) return std::nullopt;
    if (k == kNone) return kMaxCoord;
    return k - 1;
}

std::optional<int> ChartDocument::PositionToCoord(double position, int roundUp) const {
    return nearest(positions_, position, roundUp);
}

KeySound& ChartDocument::keySound(int slot) {
    if (slot < 0 || slot > kMaxKeySound) throw RuntimeError(rterr::SubscriptOutOfRange);
    return keySounds_[static_cast<size_t>(slot)];
}

const KeySound& ChartDocument::keySound(int slot) const {
    return const_cast<ChartDocument*>(this)->keySound(slot);
}

TempoChange& ChartDocument::tempoChange(int slot) {
    if (slot < 0 || slot > kMaxTempoRecord) throw RuntimeError(rterr::SubscriptOutOfRange);
    return tempoChanges_[static_cast<size_t>(slot)];
}

const TempoChange& ChartDocument::tempoChange(int slot) const {
    return const_cast<ChartDocument*>(this)->tempoChange(slot);
}

}  // namespace lumidex
