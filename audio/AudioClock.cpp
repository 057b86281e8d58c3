#include "AudioClock.h"

#include <algorithm>
#include <chrono>

namespace lumidex::audio {

int64_t AudioClock::nowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// A sequence lock. Every access is sequentially consistent, which is all
// the ordering it needs without separate fences (a handful of stores per
// callback, so the cost does not matter, and race checkers can follow it).
void AudioClock::publish(int64_t taken, int frames, int latency, int64_t nowNs) {
    sequence_.fetch_add(1);
    base_.store(std::max<int64_t>(0, taken - latency));
    limit_.store(std::max<int64_t>(0, taken + frames - latency));
    timeNs_.store(nowNs);
    started_.store(true);
    sequence_.fetch_add(1);
}

int64_t AudioClock::heardFrame(int64_t nowNs) const {
    int64_t base = 0, limit = 0, timeNs = 0;
    bool started = false;
    for (;;) {
        const uint64_t before = sequence_.load();
        if (before & 1) continue;
        base = base_.load();
        limit = limit_.load();
        timeNs = timeNs_.load();
        started = started_.load();
        if (sequence_.load() == before) break;
    }
    int64_t frame = 0;
    if (started) {
        const int64_t elapsed = std::max<int64_t>(0, nowNs - timeNs);
        frame = std::min(limit, base + int64_t(double(elapsed) * rate_ / 1e9));
    }
    // Never answer less than an earlier answer.
    int64_t last = lastAnswer_.load(std::memory_order_relaxed);
    while (frame > last &&
           !lastAnswer_.compare_exchange_weak(last, frame, std::memory_order_relaxed)) {
    }
    return std::max(frame, last);
}

}  // namespace lumidex::audio
