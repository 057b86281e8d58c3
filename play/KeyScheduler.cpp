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
    reachedCoord_ =
        startCoord - 1;  // notes of the start coord before the music start sound at once
    musicZero_ = musicZero;
    const auto status = mixer_.status(music);
    musicRate_ = status ? status->format.sampleRate : 0;
    started_ = 0;
}

std::optional<int64_t> KeyScheduler::onsetFrame(int coord) const {
    const std::optional<double> frames = doc_.CoordToFrames(coord);
    if (!frames || musicRate_ <= 0) return std::nullopt;
    const double seconds = (*frames - musicZero_) / 60;
    return mixer_.frameReaching(music_, seconds * musicRate_);
}

int KeyScheduler::horizonCoord(double heardFrame, int64_t limit) const {
    const auto status = mixer_.status(music_);
    if (!status || musicRate_ <= 0) return lastCoord_;
    // Chart frames the music moves on per output frame, at its rate now.
    const double perFrame = status->rate / mixer_.outputRate() / musicRate_ * 60;
    const double limitFrame = heardFrame + double(limit - mixer_.heardFrame()) * perFrame;
    const std::optional<int> coord = doc_.FramesToCoordFloor(limitFrame);
    return coord ? std::min(lastCoord_, *coord + 1) : lastCoord_;
}

void KeyScheduler::schedule(double heardFrame, float frequency) {
    const int64_t head = mixer_.renderHead();
    retireStarted(head);
    const int64_t limit = head + int64_t(kHorizonSeconds * mixer_.outputRate());
    int from = startCoord_;
    if (const std::optional<int> heard = doc_.FramesToCoordFloor(heardFrame))
        from = std::max(from, *heard - 1);
    collectWanted(from, horizonCoord(heardFrame, limit), head, limit);
    for (int k : touched_) placeKey(k, frequency);
    placeBatch();
    touched_.erase(std::remove_if(touched_.begin(), touched_.end(),
                                  [&](int k) { return queued_[size_t(k)].empty(); }),
                   touched_.end());
}

void KeyScheduler::collectWanted(int from, int to, int64_t head, int64_t limit) {
    for (int c = from; c <= to; ++c) {
        const int k = noteKey(doc_, c);
        if (k == 0) continue;
        std::optional<int64_t> f = onsetFrame(c);
        if (!f || *f >= limit) break;  // past the horizon, the music's end or a timeable stretch
        if (*f < head) {
            if (c <= reachedCoord_) continue;  // started already, or gone by
            f = head;                          // late, but heard
        }
        reachedCoord_ = std::max(reachedCoord_, c);
        Starts& wanted = wanted_[size_t(k)];
        if (wanted.empty() && queued_[size_t(k)].empty()) touched_.push_back(k);
        wanted.push_back(Placed{c, *f});
    }
}

void KeyScheduler::placeKey(int k, float frequency) {
    Starts& queued = queued_[size_t(k)];
    Starts& wanted = wanted_[size_t(k)];
    const bool same =
        std::equal(queued.begin(), queued.end(), wanted.begin(), wanted.end(),
                   [](const Placed& a, const Placed& b) {
                       return a.coord == b.coord && std::llabs(a.frame - b.frame) <= 1;
                   });
    if (same) {
        wanted.clear();
        return;
    }
    SlotPlayer player = bank_.key(k);
    withdrawn_.push_back(player.stream());
    queued.clear();
    if (player.loaded() && !wanted.empty()) {
        // Each setting on its own: one that fails leaves the key as it was.
        try {
            player.setVolume(float(val(doc_.keySound(k).Volume)));
        } catch (const RuntimeError&) {
        }
        try {
            player.setFrequency(toInt32(frequency));
        } catch (const RuntimeError&) {
        }
        for (const Placed& start : wanted) {
            starts_.push_back({player.stream(), start.frame, 0, false});
            startKeys_.emplace_back(k, start);
        }
    }
    wanted.clear();
}

void KeyScheduler::placeBatch() {
    if (withdrawn_.empty() && starts_.empty()) return;
    mixer_.placeStarts(withdrawn_, starts_);
    for (size_t i = 0; i < starts_.size(); ++i)
        if (starts_[i].placed) queued_[size_t(startKeys_[i].first)].push_back(startKeys_[i].second);
    withdrawn_.clear();
    starts_.clear();
    startKeys_.clear();
}

void KeyScheduler::retireStarted(int64_t head) {
    for (int k : touched_) {
        Starts& queued = queued_[size_t(k)];
        const auto begun = std::find_if(queued.begin(), queued.end(),
                                        [head](const Placed& p) { return p.frame >= head; });
        started_ += int(begun - queued.begin());
        queued.erase(queued.begin(), begun);
    }
}

void KeyScheduler::withdraw() {
    retireStarted(mixer_.renderHead());
    for (int k : touched_) {
        if (!queued_[size_t(k)].empty()) withdrawn_.push_back(bank_.key(k).stream());
        queued_[size_t(k)].clear();
        wanted_[size_t(k)].clear();
    }
    touched_.clear();
    placeBatch();
}

}  // namespace lumidex
