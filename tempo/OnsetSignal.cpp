#include "OnsetSignal.h"

#include <aubio/aubio.h>

#include <algorithm>
#include <cmath>

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

}  // namespace

// Magnitudes only: aubio's phase vocoder would also take every bin's phase.
struct OnsetDetector::Aubio {
    aubio_fft_t* fft = nullptr;
    fvec_t* window = nullptr;
    fvec_t* frame = nullptr;  // the last window of samples, then weighted
    fvec_t* complex = nullptr;
    cvec_t* spectrum = nullptr;
    std::vector<float> recent;  // the last window of samples, oldest first
    ~Aubio() {
        if (spectrum) del_cvec(spectrum);
        if (complex) del_fvec(complex);
        if (frame) del_fvec(frame);
        if (window) del_fvec(window);
        if (fft) del_aubio_fft(fft);
    }
};

OnsetDetector::OnsetDetector(int sampleRate) : aubio_(std::make_unique<Aubio>()) {
    const size_t win = windowFor(sampleRate);
    hop_ = win / 4;
    aubio_->fft = new_aubio_fft(uint_t(win));
    aubio_->window = new_aubio_window(const_cast<char*>("hanningz"), uint_t(win));
    aubio_->frame = new_fvec(uint_t(win));
    aubio_->complex = new_fvec(uint_t(win));
    aubio_->spectrum = new_cvec(uint_t(win));
    aubio_->recent.assign(win, 0.f);
    lowBins_ = std::max<size_t>(2, size_t(200.0 * double(win) / sampleRate) + 1);
    midBins_ = size_t(2500.0 * double(win) / sampleRate) + 1;
    // Onsets show in the bins below 11 kHz; the ones above cost time only.
    previous_.assign(std::min(win / 2 + 1, size_t(11000.0 * double(win) / sampleRate) + 1), 0.f);
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
        std::copy(samples, samples + take, aubio_->recent.end() - long(hop_ - filled_));
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
    std::vector<float>& recent = aubio_->recent;
    std::copy(recent.begin(), recent.end(), aubio_->frame->data);
    std::copy(recent.begin() + long(hop_), recent.end(), recent.begin());
    fvec_weight(aubio_->frame, aubio_->window);
    aubio_fft_do_complex(aubio_->fft, aubio_->frame, aubio_->complex);
    aubio_fft_get_norm(aubio_->complex, aubio_->spectrum);
    const float* norm = aubio_->spectrum->norm;
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
