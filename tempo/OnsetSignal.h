#pragma once
// The onset strength of music: how much new sound starts in each short frame.
// Samples go in as they are decoded (mono, any rate); out comes one value a
// frame of a quarter window (about 6 ms), the rise of the log-magnitude
// spectrum against the frame before, summed over all bins (`full`), over the
// bins below 2500 Hz (`mid`, without most of the cymbals) and below 200 Hz
// (`low`, where kicks and bass notes speak).
//
// The short-time spectra come from FFTW (a periodic Hann window, magnitudes
// only). Not thread-safe; one detector per analysis (several detectors may
// run on different threads at once).

#include <cstddef>
#include <memory>
#include <vector>

namespace lumidex::tempo {

struct OnsetSignal {
    double frameRate = 0;  // frames per second
    // The time, in seconds of the music, that frame 0 stands for: an onset
    // at time t shows its peak at frame (t - startTime) * frameRate.
    double startTime = 0;
    std::vector<float> full;
    std::vector<float> mid;
    std::vector<float> low;

    size_t size() const { return full.size(); }
    double timeOf(double frame) const { return startTime + frame / frameRate; }
};

class OnsetDetector {
  public:
    explicit OnsetDetector(int sampleRate);
    ~OnsetDetector();
    OnsetDetector(const OnsetDetector&) = delete;
    OnsetDetector& operator=(const OnsetDetector&) = delete;

    // Takes the next n mono samples.
    void push(const float* samples, size_t n);
    // The signal of everything pushed (a partial last frame is dropped).
    OnsetSignal finish();

  private:
    struct Spectrum;
    void frame();

    std::unique_ptr<Spectrum> spectrum_;
    size_t hop_ = 0;
    size_t filled_ = 0;
    size_t lowBins_ = 0;
    size_t midBins_ = 0;
    std::vector<float> previous_;  // log magnitudes of the frame before
    std::vector<float> norm_;      // magnitudes of this frame, the bins looked at
    OnsetSignal signal_;
};

}  // namespace lumidex::tempo
