#include "AudioOutput.h"

#include <QByteArray>
#include <QtGlobal>

#include <algorithm>
#include <chrono>

#include "Mixer.h"

namespace lumidex::audio {

namespace {

// Frames the render thread renders at a time.
constexpr int kRenderBlock = 256;
// How often the render thread looks at the FIFO when it has nothing to do.
constexpr std::chrono::milliseconds kRenderPoll(2);

}  // namespace

std::unique_ptr<AudioOutput> createDefaultOutput() {
    if (qgetenv("LUMIDEX_AUDIO") == "null") return std::make_unique<NullOutput>();
    return std::make_unique<SdlOutput>();
}

// --- DeviceOutput ---------------------------------------------------------

DeviceOutput::~DeviceOutput() {
    // The device subclass has closed its device already (its destructor
    // stops); only the render thread may be left.
    if (renderer_.joinable()) {
        {
            std::lock_guard<std::mutex> lock(wakeMutex_);
            quit_ = true;
        }
        wake_.notify_all();
        renderer_.join();
    }
}

bool DeviceOutput::start(Mixer& mixer) {
    if (running_) return true;
    int block = 0;
    if (!openDevice(mixer.outputRate(), block, deviceLatency_)) return false;
    mixer_ = &mixer;
    // Enough rendered ahead that a late render pass never starves the device.
    fillTarget_ = std::max(1024, 2 * block);
    fifo_ = std::make_unique<FrameFifo>(fillTarget_ + kRenderBlock);
    clock_ = std::make_unique<AudioClock>(mixer.outputRate());
    taken_ = 0;
    underruns_.store(0, std::memory_order_relaxed);
    mixer.attachClock(clock_.get());
    std::vector<float> first(2 * kRenderBlock);
    topUp(first);
    quit_ = false;
    renderer_ = std::thread(&DeviceOutput::renderLoop, this);
    running_ = true;
    runDevice();
    return true;
}

void DeviceOutput::stop() {
    if (!running_) return;
    closeDevice();
    {
        std::lock_guard<std::mutex> lock(wakeMutex_);
        quit_ = true;
    }
    wake_.notify_all();
    renderer_.join();
    mixer_->attachClock(nullptr);
    mixer_ = nullptr;
    running_ = false;
}

void DeviceOutput::pull(float* out, int frames) {
    const int n = fifo_->read(out, frames);
    if (n < frames) underruns_.fetch_add(1, std::memory_order_relaxed);
    std::fill(out + 2 * n, out + 2 * frames, 0.0f);
    for (int i = 0; i < 2 * n; ++i) out[i] = std::clamp(out[i], -1.0f, 1.0f);
    clock_->publish(taken_, n, deviceLatency_, AudioClock::nowNs());
    taken_ += n;
}

void DeviceOutput::renderLoop() {
    std::vector<float> block(2 * kRenderBlock);
    std::unique_lock<std::mutex> lock(wakeMutex_);
    while (!quit_) {
        lock.unlock();
        topUp(block);
        lock.lock();
        wake_.wait_for(lock, kRenderPoll, [this] { return quit_; });
    }
}

void DeviceOutput::topUp(std::vector<float>& block) {
    while (fifo_->size() + kRenderBlock <= fillTarget_) {
        mixer_->render(block.data(), kRenderBlock);
        fifo_->write(block.data(), kRenderBlock);
    }
}

// --- ManualOutput ---------------------------------------------------------

bool ManualOutput::start(Mixer& mixer) {
    mixer_ = &mixer;
    return true;
}

const std::vector<float>& ManualOutput::advance(int frames) {
    frames_.assign(2 * size_t(std::max(frames, 0)), 0.0f);
    if (mixer_)
        mixer_->render(frames_.data(), frames);
    else
        frames_.clear();
    return frames_;
}

}  // namespace lumidex::audio
