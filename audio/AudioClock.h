#pragma once
// The audio clock: which output frame the listener hears now.
//
// The device side publishes, at every callback, how many frames it had taken
// before this one, how many it takes now and when. Readers on any thread get
// an estimate that moves smoothly between callbacks (the time since the last
// callback, at the output rate), never runs past the frames the device was
// given, and never goes backwards. Publishing is lock-free and wait-free, so
// a device callback may do it.

#include <atomic>
#include <cstdint>

namespace lumidex::audio {

class AudioClock {
  public:
    explicit AudioClock(int outputRate) : rate_(outputRate) {}

    // Device side. `taken` frames were consumed before this callback, which
    // takes `frames` more; `latency` frames sit in the device between the
    // callback and the speaker. nowNs is the monotonic time of the callback.
    void publish(int64_t taken, int frames, int latency, int64_t nowNs);

    // Any thread: the output frame being heard at monotonic time nowNs.
    int64_t heardFrame(int64_t nowNs) const;
    int64_t heardFrame() const { return heardFrame(nowNs()); }

    static int64_t nowNs();

  private:
    const int rate_;
    // A sequence lock: odd while the writer is between its two increments.
    std::atomic<uint64_t> sequence_{0};
    std::atomic<int64_t> base_{0};    // frame heard at the callback
    std::atomic<int64_t> limit_{0};   // last frame the device has been given
    std::atomic<int64_t> timeNs_{0};  // when the callback ran
    std::atomic<bool> started_{false};
    mutable std::atomic<int64_t> lastAnswer_{0};
};

}  // namespace lumidex::audio
