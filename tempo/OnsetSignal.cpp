#include "OnsetSignal.h"

#include <fftw3.h>

#include <algorithm>
#include <cmath>
#include <mutex>
#include <new>
#include <type_traits>

namespace lumidex::tempo {
namespace {

// About 23 ms of window (1024 samples at 44100 Hz), a power of two.
size_t windowFor(int sampleRate) {
    size_t win = 256;
    while (win < size_t(sampleRate) / 50) win *= 2;
    return win;
}

// Where an onset's flux peak falls against the end of the frame's window,
// in windows: the rise is steepest while the onset crosses the first half
// of the Hann window. Measured on synthetic drum hits.
constexpr double kPeakLag = 0.28;

// FFTW's planner keeps global state: plans are made and destroyed one at a
// time (running a plan is safe from any thread).
std::mutex& plannerLock() {
    static std::mutex lock;
    return lock;
}

}  // namespace

// One real-to-complex transform of a window of samples, with its buffers.
struct OnsetDetector::Spectrum {
    explicit Spectrum(size_t win)
        : size(win), samples(fftwf_alloc_real(win)), bins(fftwf_alloc_complex(win / 2 + 1)) {
        if (!samples || !bins) throw std::bad_alloc();
        {
            const std::lock_guard<std::mutex> hold(plannerLock());
            plan.reset(fftwf_plan_dft_r2c_1d(int(win), samples.get(), bins.get(), FFTW_ESTIMATE));
        }
        if (!plan) throw std::bad_alloc();
        // A periodic Hann window: zero at its first sample.
        window.resize(win);
        for (size_t i = 0; i < win; ++i)
            window[i] = float(0.5 * (1.0 - std::cos(2.0 * M_PI * double(i) / double(win))));
        recent.assign(win, 0.f);
    }

    // The magnitude of each of the first out.size() bins of the last window
    // of samples, weighted.
    void magnitudes(std::vector<float>& out) {
        float* in = samples.get();
        for (size_t i = 0; i < size; ++i) in[i] = recent[i] * window[i];
        fftwf_execute(plan.get());
        const fftwf_complex* bin = bins.get();
        for (size_t b = 0; b < out.size(); ++b)
            out[b] = std::sqrt(bin[b][0] * bin[b][0] + bin[b][1] * bin[b][1]);
    }

    struct FreeBuffer {
        void operator()(void* p) const { fftwf_free(p); }
    };
    struct DestroyPlan {
        void operator()(fftwf_plan p) const {
            const std::lock_guard<std::mutex> hold(plannerLock());
            fftwf_destroy_plan(p);
        }
    };

    size_t size;
    std::unique_ptr<float, FreeBuffer> samples;
    std::unique_ptr<fftwf_complex, FreeBuffer> bins;
    std::unique_ptr<std::remove_pointer_t<fftwf_plan>, DestroyPlan> plan;
    std::vector<float> window;
    std::vector<float> recent;  // the last window of samples, oldest first
};

OnsetDetector::OnsetDetector(int sampleRate)
    : spectrum_(std::make_unique<Spectrum>(windowFor(sampleRate))) {
    const size_t win = spectrum_->size;
    hop_ = win / 4;
    lowBins_ = std::max<size_t>(2, size_t(200.0 * double(win) / sampleRate) + 1);
    midBins_ = size_t(2500.0 * double(win) / sampleRate) + 1;
    // Onsets show in the bins below 11 kHz; the ones above cost time only.
    previous_.assign(std::min(win / 2 + 1, size_t(11000.0 * double(win) / sampleRate) + 1), 0.f);
    norm_.assign(previous_.size(), 0.f);
    signal_.frameRate = double(sampleRate) / double(hop_);
    // A window of silence comes first, so that an onset at the very start
    // shows as one. Frame n is taken when the window ends at sample
    // (n + 1) * hop of the music with the silence before it.
    signal_.startTime = (double(hop_) - kPeakLag * double(win) - double(win)) / sampleRate;
    const std::vector<float> silence(win, 0.f);
    push(silence.data(), silence.size());
}

OnsetDetector::~OnsetDetector() = default;

void OnsetDetector::push(const float* samples, size_t n) {
    while (n > 0) {
        const size_t take = std::min(n, hop_ - filled_);
        std::copy(samples, samples + take, spectrum_->recent.end() - long(hop_ - filled_));
        filled_ += take;
        samples += take;
        n -= take;
        if (filled_ == hop_) {
            frame();
            filled_ = 0;
        }
    }
}

void OnsetDetector::frame() {
    std::vector<float>& recent = spectrum_->recent;
    spectrum_->magnitudes(norm_);
    std::copy(recent.begin() + long(hop_), recent.end(), recent.begin());
    const float* norm = norm_.data();
    float full = 0, mid = 0, low = 0;
    for (size_t b = 0; b < previous_.size(); ++b) {
        const float level = std::log1p(10.f * norm[b]);
        const float rise = level - previous_[b];
        previous_[b] = level;
        if (rise <= 0) continue;
        full += rise;
        if (b < midBins_) mid += rise;
        if (b < lowBins_) low += rise;
    }
    signal_.full.push_back(full);
    signal_.mid.push_back(mid);
    signal_.low.push_back(low);
}

OnsetSignal OnsetDetector::finish() {
    return std::move(signal_);
}

}  // namespace lumidex::tempo
