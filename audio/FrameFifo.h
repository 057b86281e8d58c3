#pragma once
// A single-producer, single-consumer ring of stereo float frames, lock-free
// on both sides: the render thread writes, the device callback reads. The
// storage is allocated once, up front.

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <vector>

namespace lumidex::audio {

class FrameFifo {
  public:
    explicit FrameFifo(int capacityFrames)
        : capacity_(capacityFrames), samples_(2 * size_t(capacityFrames)) {}

    int capacity() const { return capacity_; }

    // Frames waiting to be read (either side may ask).
    int size() const {
        return int(written_.load(std::memory_order_acquire) -
                   read_.load(std::memory_order_acquire));
    }

    // Producer: appends up to `frames` frames; answers how many fitted.
    int write(const float* in, int frames) {
        const uint64_t w = written_.load(std::memory_order_relaxed);
        const uint64_t r = read_.load(std::memory_order_acquire);
        const int n = std::min(frames, capacity_ - int(w - r));
        forEachPiece(w, n, [&](float* ring, int done, int count) {
            std::memcpy(ring, in + 2 * size_t(done), bytes(count));
        });
        written_.store(w + uint64_t(std::max(n, 0)), std::memory_order_release);
        return std::max(n, 0);
    }

    // Consumer: takes up to `frames` frames; answers how many there were.
    int read(float* out, int frames) {
        const uint64_t r = read_.load(std::memory_order_relaxed);
        const uint64_t w = written_.load(std::memory_order_acquire);
        const int n = std::min(frames, int(w - r));
        forEachPiece(r, n, [&](const float* ring, int done, int count) {
            std::memcpy(out + 2 * size_t(done), ring, bytes(count));
        });
        read_.store(r + uint64_t(std::max(n, 0)), std::memory_order_release);
        return std::max(n, 0);
    }

  private:
    static size_t bytes(int frames) { return 2 * sizeof(float) * size_t(frames); }

    // Calls f(ringPointer, framesDoneBefore, count) for the one or two pieces
    // that n frames starting at counter `at` occupy around the wrap.
    template <class F>
    void forEachPiece(uint64_t at, int n, F&& f) {
        if (n <= 0) return;
        const int start = int(at % uint64_t(capacity_));
        const int first = std::min(n, capacity_ - start);
        f(samples_.data() + 2 * size_t(start), 0, first);
        if (n > first) f(samples_.data(), first, n - first);
    }

    const int capacity_;
    std::vector<float> samples_;
    std::atomic<uint64_t> written_{0};
    std::atomic<uint64_t> read_{0};
};

}  // namespace lumidex::audio
