#include "AudioOutput.h"

#include <QByteArray>
#include <QtGlobal>

#include <algorithm>

#include "Mixer.h"

namespace lumidex::audio {

namespace {

// Frames the render thread renders at a time.
constexpr int kRenderBlock = 256;

}  // namespace

std::unique_ptr<AudioOutput> createDefaultOutput() {
    if (qgetenv("LUMIDEX_AUDIO") == "null") return std::make_unique<NullOutput>();
    return std::make_unique<SdlOutput>();
}

// --- DeviceOutput ---------------------------------------------------------

DeviceOutput::DeviceOutput() {
    sem_init(&wake_, 0, 0);
}

DeviceOutput::~DeviceOutput() {
    // The device subclass has closed its device already (its destructor
    // stops); only the render thread may be left.
    endRenderThread();
    sem_destroy(&wake_);
}

void DeviceOutput::endRenderThread() {
    if (!renderer_.joinable()) return;
    quit_.store(true);
    sem_post(&wake_);
    renderer_.join();
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
    quit_.store(false);
    while (sem_trywait(&wake_) == 0) {
    }
    renderer_ = std::thread(&DeviceOutput::renderLoop, this);
    running_ = true;
    runDevice();
    return true;
}

void DeviceOutput::stop() {
    if (!running_) return;
    closeDevice();
    endRenderThread();
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
    if (fifo_->size() < fillTarget_) sem_post(&wake_);
}

void DeviceOutput::renderLoop() {
    std::vector<float> block(2 * kRenderBlock);
    while (!quit_.load()) {
        topUp(block);
        while (sem_wait(&wake_) != 0) {  // interrupted by a signal: wait again
        }
        // Posts that came while rendering are covered by this pass.
        while (sem_trywait(&wake_) == 0) {
        }
    }
}

void DeviceOutput::topUp(std::vector<float>& block) {
    for (int room = fillTarget_ - fifo_->size(); room > 0; room = fillTarget_ - fifo_->size()) {
        const int n = std::min(room, kRenderBlock);
        mixer_->render(block.data(), n);
        fifo_->write(block.data(), n);
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
