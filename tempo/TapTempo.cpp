#include "TapTempo.h"

#include <cstddef>

namespace lumidex::tempo {

void TapTempo::tap(double seconds) {
    if (!taps_.empty() && (seconds < taps_.back() || seconds - taps_.back() > kRestartSeconds))
        taps_.clear();
    taps_.push_back(seconds);
}

void TapTempo::fit(double* start, double* beat) const {
    const double n = double(taps_.size());
    double sk = 0, st = 0;
    for (std::size_t k = 0; k < taps_.size(); ++k) sk += double(k), st += taps_[k];
    const double mk = sk / n, mt = st / n;
    double skk = 0, skt = 0;
    for (std::size_t k = 0; k < taps_.size(); ++k) {
        skk += (double(k) - mk) * (double(k) - mk);
        skt += (double(k) - mk) * (taps_[k] - mt);
    }
    *beat = skt / skk;
    *start = mt - *beat * mk;
}

double TapTempo::bpm() const {
    if (!ready()) return 0;
    double start = 0, beat = 0;
    fit(&start, &beat);
    return beat > 0 ? 60.0 / beat : 0;
}

double TapTempo::firstBeat() const {
    if (!ready()) return 0;
    double start = 0, beat = 0;
    fit(&start, &beat);
    return start;
}

}  // namespace lumidex::tempo
