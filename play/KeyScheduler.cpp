#include "KeyScheduler.h"

#include <algorithm>
#include <cstdlib>

#include "Numbers.h"
#include "RuntimeError.h"

namespace lumidex {

int noteKey(const ChartDocument& doc, int coord) {
    if (coord < 0 || coord > kMaxCoord) return 0;
    const NoteEntry& cell = doc.cell(coord);
    if (cell.Kind == 0 || isLongEnd(cell.Kind)) return 0;
    const int k = cell.FxSndIndex;
    return k >= 1 && k <= std::min(doc.KeyCount, kMaxKeySound) ? k : 0;
}

void KeyScheduler::start(audio::StreamId music, int startCoord, int lastCoord, double musicZero) {
    withdraw();
    music_ = music;
    startCoord_ = startCoord;
    lastCoord_ = std::min(lastCoord, kMaxCoord);
    musicZero_ = musicZero;
    const auto status = mixer_.status(music);
    musicRate_ = status ? status->format.sampleRate : 0;
    firstPass_ = true;
    std::fill(waiting_.begin(), waiting_.end(), -1);
    started_ = 0;
}

std::optional<int64_t> KeyScheduler::onsetFrame(int coord) const {
    const std::optional<double> frames = doc_.CoordToFrames(coord);
    if (!frames || musicRate_ <= 0) return std::nullopt;
    const double seconds = (*frames - musicZero_) / 60;
    return mixer_.frameReaching(music_, seconds * musicRate_);
}

void KeyScheduler::schedule(double heardFrame, float frequency) {
    const int64_t head = mixer_.renderHead();
    retireStarted(head);
    deadline_ = std::numeric_limits<int64_t>::max();
    ++pass_;
    const int64_t limit = head + int64_t(kHorizonSeconds * mixer_.outputRate());
    int from = startCoord_;
    if (const std::optional<int> heard = doc_.FramesToCoordFloor(heardFrame))
        from = std::max(from, *heard - 1);
    for (int c = from; c <= lastCoord_; ++c) {
        const int k = noteKey(doc_, c);
        if (k == 0) continue;
        std::optional<int64_t> f = onsetFrame(c);
        if (!f || *f >= limit) break;  // past the horizon, the music's end or a timeable stretch
        if (*f < head) {
            // Gone by, unless it starts the playback or waited for its key.
            if (!firstPass_ && waiting_[size_t(k)] != c) continue;
            f = head;
        }
        if (seen_[size_t(k)] == pass_) {
            if (waiting_[size_t(k)] < 0 || waiting_[size_t(k)] > c) waiting_[size_t(k)] = c;
            deadline_ = std::min(deadline_, pending_[size_t(k)]->frame + 1);
            continue;
        }
        seen_[size_t(k)] = pass_;
        keepOrPlace(k, c, *f, frequency);
    }
    withdrawUnseen();
    firstPass_ = false;
}

void KeyScheduler::keepOrPlace(int k, int c, int64_t f, float frequency) {
    std::optional<Placed>& placed = pending_[size_t(k)];
    if (placed && placed->coord == c && std::llabs(placed->frame - f) <= 1) return;
    if (waiting_[size_t(k)] == c) waiting_[size_t(k)] = -1;
    SlotPlayer player = bank_.key(k);
    if (!player.loaded()) return;
    // Each setting on its own: one that fails leaves the key as it was.
    try {
        player.setVolume(float(val(doc_.keySound(k).Volume)));
    } catch (const RuntimeError&) {
    }
    try {
        player.setFrequency(toInt32(frequency));
    } catch (const RuntimeError&) {
    }
    if (!mixer_.playAt(player.stream(), f, 0)) return;
    if (!placed) pendingKeys_.push_back(k);
    placed = Placed{c, f};
}

void KeyScheduler::retireStarted(int64_t head) {
    auto begun = [&](int k) {
        if (pending_[size_t(k)]->frame >= head) return false;
        pending_[size_t(k)].reset();
        ++started_;
        return true;
    };
    pendingKeys_.erase(std::remove_if(pendingKeys_.begin(), pendingKeys_.end(), begun),
                       pendingKeys_.end());
}

void KeyScheduler::withdrawUnseen() {
    auto unseen = [&](int k) {
        if (seen_[size_t(k)] == pass_) return false;
        mixer_.cancelStart(bank_.key(k).stream());
        pending_[size_t(k)].reset();
        return true;
    };
    pendingKeys_.erase(std::remove_if(pendingKeys_.begin(), pendingKeys_.end(), unseen),
                       pendingKeys_.end());
}

void KeyScheduler::withdraw() {
    retireStarted(mixer_.renderHead());
    ++pass_;  // no key has been seen in this pass
    withdrawUnseen();
    deadline_ = std::numeric_limits<int64_t>::max();
}

}  // namespace lumidex
