#pragma once
// Where the mixer's output goes.
//
//   SdlOutput     the default SDL2 audio device.
//   NullOutput    no hardware: frames are taken at the output rate by the
//                 monotonic clock, so time runs as with a sound card
//                 (LUMIDEX_AUDIO=null).
//   ManualOutput  nothing runs by itself: a test renders frame by frame.
//
// The first two share DeviceOutput: a render thread keeps a lock-free FIFO
// topped up from the mixer, and the device side only copies from the FIFO and
// publishes the audio clock. The device side never allocates, never locks and
// never touches files.
//
// Threads: the render thread sleeps on a semaphore that the device side posts
// after each callback that took frames (sem_post is lock-free and safe in a
// device callback), then renders exactly what was taken: it wakes at most
// once per device callback, and not at all while the device takes nothing.

#include <semaphore.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <thread>
#include <vector>

#include "AudioClock.h"
#include "FrameFifo.h"

namespace lumidex::audio {

class Mixer;

class AudioOutput {
  public:
    virtual ~AudioOutput() = default;

    // Starts playing the mixer's output. False when the device cannot be
    // opened; the mixer is then left alone.
    virtual bool start(Mixer& mixer) = 0;
    // Stops; the mixer is no longer used afterwards. Safe to call twice.
    virtual void stop() = 0;
    // Frames between the render head and the speaker (how far ahead of the
    // listener a start must be scheduled to be exact).
    virtual int latencyFrames() const = 0;
    // Device callbacks since start() that could not be filled in time, and so
    // were made up (partly) with silence: the mixer was busy or behind. Any
    // thread may ask.
    virtual uint64_t underruns() const { return 0; }
};

// The output LUMIDEX_AUDIO asks for: "null" for the null device, anything
// else (or nothing) for the SDL2 default device.
std::unique_ptr<AudioOutput> createDefaultOutput();

class DeviceOutput : public AudioOutput {
  public:
    DeviceOutput();
    ~DeviceOutput() override;
    bool start(Mixer& mixer) final;
    void stop() final;
    int latencyFrames() const final { return fillTarget_ + deviceLatency_; }
    uint64_t underruns() const final { return underruns_.load(std::memory_order_relaxed); }

  protected:
    // The device at `rate` Hz, stereo float, opened but not yet running.
    // blockFrames: frames the device takes per callback; latency: frames it
    // holds between a callback and the speaker.
    virtual bool openDevice(int rate, int& blockFrames, int& latency) = 0;
    virtual void runDevice() = 0;
    // After this returns, pull() is not called again.
    virtual void closeDevice() = 0;

    // Device side: the next `frames` frames (silence for any the render
    // thread has not made yet, counted as an underrun), clipped to -1..1;
    // publishes the clock.
    void pull(float* out, int frames);

  private:
    void renderLoop();
    void topUp(std::vector<float>& block);
    void endRenderThread();

    Mixer* mixer_ = nullptr;
    std::unique_ptr<FrameFifo> fifo_;
    std::unique_ptr<AudioClock> clock_;
    int fillTarget_ = 0;
    int deviceLatency_ = 0;
    int64_t taken_ = 0;  // device side only
    std::atomic<uint64_t> underruns_{0};

    std::thread renderer_;
    sem_t wake_;  // posted by the device side when the FIFO runs low, and to quit
    std::atomic<bool> quit_{false};
    bool running_ = false;
};

class SdlOutput final : public DeviceOutput {
  public:
    ~SdlOutput() override { stop(); }

  protected:
    bool openDevice(int rate, int& blockFrames, int& latency) override;
    void runDevice() override;
    void closeDevice() override;

  private:
    static void callback(void* self, unsigned char* stream, int bytes);
    uint32_t device_ = 0;
};

class NullOutput final : public DeviceOutput {
  public:
    ~NullOutput() override { stop(); }

  protected:
    bool openDevice(int rate, int& blockFrames, int& latency) override;
    void runDevice() override;
    void closeDevice() override;

  private:
    void pace();
    int rate_ = 0;
    std::thread pacer_;
    std::atomic<bool> quit_{false};
};

class ManualOutput final : public AudioOutput {
  public:
    bool start(Mixer& mixer) override;
    void stop() override { mixer_ = nullptr; }
    int latencyFrames() const override { return 0; }

    // Renders the next `frames` frames, which count as heard at once, and
    // answers them (stereo, interleaved). Empty when not started.
    const std::vector<float>& advance(int frames);

  private:
    Mixer* mixer_ = nullptr;
    std::vector<float> frames_;
};

}  // namespace lumidex::audio
