// The null device: no hardware. A thread takes frames from the FIFO at the
// output rate by the monotonic clock, as a sound card would, and drops them.

#include <algorithm>
#include <chrono>
#include <vector>

#include "AudioOutput.h"

namespace lumidex::audio {

namespace {

constexpr std::chrono::milliseconds kTick(5);
// Frames taken at most per tick; a thread that slept longer skips ahead.
constexpr int kMaxTake = 4096;

}  // namespace

bool NullOutput::openDevice(int rate, int& blockFrames, int& latency) {
    rate_ = rate;
    blockFrames = int(rate * kTick.count() / 1000);
    latency = 0;
    return true;
}

void NullOutput::runDevice() {
    quit_ = false;
    pacer_ = std::thread(&NullOutput::pace, this);
}

void NullOutput::closeDevice() {
    quit_ = true;
    if (pacer_.joinable()) pacer_.join();
}

void NullOutput::pace() {
    using Clock = std::chrono::steady_clock;
    std::vector<float> sink(2 * size_t(kMaxTake));
    const auto start = Clock::now();
    int64_t taken = 0;
    auto next = start;
    while (!quit_) {
        next += kTick;
        std::this_thread::sleep_until(next);
        const auto elapsed = std::chrono::duration<double>(Clock::now() - start).count();
        const auto due = int64_t(elapsed * rate_) - taken;
        const int n = int(std::clamp<int64_t>(due, 0, kMaxTake));
        pull(sink.data(), n);
        taken += std::max<int64_t>(due, 0);
    }
}

}  // namespace lumidex::audio
