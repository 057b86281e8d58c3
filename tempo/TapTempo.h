#pragma once
// Tap tempo: the beat from taps made along with the music, each at a known
// time (the music's position when the key or button was pressed). From the
// fourth tap on, a line fitted through all taps since the last restart gives
// the tempo and where the beats fall.
//
// Plain data; belongs to the thread that taps.

#include <vector>

namespace lumidex::tempo {

class TapTempo {
  public:
    // A pause longer than this, or a tap earlier than the one before (the
    // music was moved), starts a new run of taps.
    static constexpr double kRestartSeconds = 2.0;
    static constexpr int kNeeded = 4;

    void tap(double seconds);

    int taps() const { return int(taps_.size()); }
    bool ready() const { return taps() >= kNeeded; }
    // The fitted tempo and the fitted time of the first tap of the run
    // (0 until ready).
    double bpm() const;
    double firstBeat() const;

  private:
    // The fitted time of tap 0 and the beat length, seconds.
    void fit(double* start, double* beat) const;

    std::vector<double> taps_;
};

}  // namespace lumidex::tempo
