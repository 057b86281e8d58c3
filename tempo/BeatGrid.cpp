#include "BeatGrid.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace lumidex::tempo {
namespace {

constexpr double kMinSeconds = 6;       // shorter music holds too few beats to measure
constexpr double kMinConfidence = 0.3;  // below it no beat is reported
constexpr int kMinBeats = 8;            // beats with an onset a grid needs
constexpr double kMinSpanBeats = 12;    // the beats a span must hold to be reported

using Signal = std::vector<float>;

double periodOf(double bpm, double frameRate) {
    return 60.0 * frameRate / bpm;
}
double bpmOf(double period, double frameRate) {
    return 60.0 * frameRate / period;
}

double percentile(std::vector<float> values, double q) {
    if (values.empty()) return 0;
    const size_t i = std::min(values.size() - 1, size_t(q * double(values.size())));
    std::nth_element(values.begin(), values.begin() + long(i), values.end());
    return values[i];
}

// One band's onsets as the analysis takes them: scaled to their mean, less
// their local average (so steady noise and held notes count for nothing),
// never below 0.
Signal novelty(const std::vector<float>& band, double frameRate) {
    const size_t n = band.size();
    const double mean = std::accumulate(band.begin(), band.end(), 0.0) / double(n) + 1e-9;
    std::vector<double> sum(n + 1, 0.0);
    for (size_t i = 0; i < n; ++i) sum[i + 1] = sum[i] + band[i] / mean;
    const size_t half = size_t(0.2 * frameRate);
    Signal out(n);
    for (size_t i = 0; i < n; ++i) {
        const size_t a = i > half ? i - half : 0, b = std::min(n, i + half + 1);
        out[i] = float(std::max(0.0, band[i] / mean - (sum[b] - sum[a]) / double(b - a)));
    }
    return out;
}

// ---- tempo candidates --------------------------------------------------

struct Lag {
    double period;  // frames
    double salience;
};

// Peaks of the autocorrelation of o between the periods of 240 and 60 BPM,
// most salient first; a period whose double also repeats counts more, and
// so does one near 120 BPM (a multiple of the beat repeats as well as the
// beat does).
std::vector<Lag> periodCandidates(const Signal& o, double frameRate) {
    const size_t lo = size_t(periodOf(kMaxBpm * 1.02, frameRate));
    const size_t hi = std::min(o.size() / 2, size_t(2.1 * periodOf(kMinBpm, frameRate)));
    std::vector<double> acf(hi + 2, 0.0);
    for (size_t lag = lo / 2; lag < acf.size(); ++lag) {
        double sum = 0;
        for (size_t i = 0; i + lag < o.size(); ++i) sum += double(o[i]) * o[i + lag];
        acf[lag] = sum / double(o.size() - lag);
    }
    auto at = [&](double lag) {
        const size_t i = size_t(lag);
        if (i + 1 >= acf.size()) return 0.0;
        const double f = lag - double(i);
        return acf[i] * (1 - f) + acf[i + 1] * f;
    };
    std::vector<Lag> peaks;
    const size_t top = std::min(acf.size() - 2, size_t(periodOf(kMinBpm * 0.98, frameRate)));
    for (size_t lag = lo; lag <= top; ++lag) {
        if (!(acf[lag] > acf[lag - 1] && acf[lag] >= acf[lag + 1])) continue;
        const double y0 = acf[lag - 1], y1 = acf[lag], y2 = acf[lag + 1];
        const double d = y0 - 2 * y1 + y2;
        const double period = double(lag) + (d < 0 ? 0.5 * (y0 - y2) / d : 0.0);
        const double octaves = std::log2(bpmOf(period, frameRate) / 120);
        peaks.push_back({period, (y1 + 0.5 * at(2 * period)) * std::exp(-0.5 * octaves * octaves)});
    }
    std::sort(peaks.begin(), peaks.end(),
              [](const Lag& a, const Lag& b) { return a.salience > b.salience; });
    if (peaks.size() > 4) peaks.resize(4);
    return peaks;
}

// ---- beat tracking -----------------------------------------------------

// Beats that follow the onsets at about the period p (frames), by dynamic
// programming: each beat takes the best chain of beats before it whose last
// gap is near p.
std::vector<size_t> trackBeats(const Signal& o, size_t from, size_t to, double p, double tightness,
                               const std::function<bool()>& keepGoing) {
    const size_t dMin = size_t(std::max(1.0, std::floor(p * 0.7)));
    const size_t dMax = size_t(std::ceil(p * 1.4));
    std::vector<double> penalty(dMax + 1);
    for (size_t d = dMin; d <= dMax; ++d)
        penalty[d] = -tightness * std::pow(std::log(double(d) / p), 2);
    std::vector<double> score(to - from, 0.0);
    std::vector<long> back(to - from, -1);
    for (size_t i = 0; i < score.size(); ++i) {
        if ((i & 4095) == 0 && keepGoing && !keepGoing()) return {};
        double best = 0;
        for (size_t d = dMin; d <= dMax && d <= i; ++d) {
            const double s = score[i - d] + penalty[d];
            if (s > best) best = s, back[i] = long(i - d);
        }
        score[i] = o[from + i] + best;
    }
    const size_t tail = score.size() > size_t(p) ? score.size() - size_t(p) : 0;
    long i = long(std::max_element(score.begin() + long(tail), score.end()) - score.begin());
    std::vector<size_t> beats;
    for (; i >= 0; i = back[size_t(i)]) beats.push_back(from + size_t(i));
    std::reverse(beats.begin(), beats.end());
    return beats;
}

// ---- the grid ----------------------------------------------------------

struct Grid {
    double period = 0;  // frames
    double phase = 0;   // frame of beat 0
    double at(double k) const { return phase + k * period; }
};

struct Hit {
    double k;       // beat number on the grid
    double frame;   // where the onset peaks
    double height;  // how strong it is
};

// The onset peak within tol frames of frame c: its place (to a fraction of
// a frame) and height; height 0 when the largest value there is at the edge
// of the window (the rise of a peak outside it).
Hit peakNear(const Signal& o, double c, double tol) {
    const long a = std::max(1L, long(std::floor(c - tol)));
    const long b = std::min(long(o.size()) - 2, long(std::ceil(c + tol)));
    if (a > b) return {0, c, 0};
    long best = a;
    for (long i = a; i <= b; ++i)
        if (o[size_t(i)] > o[size_t(best)]) best = i;
    if ((best == a || best == b) &&
        !(o[size_t(best)] >= o[size_t(best) - 1] && o[size_t(best)] >= o[size_t(best) + 1]))
        return {0, c, 0};
    const double y0 = o[size_t(best) - 1], y1 = o[size_t(best)], y2 = o[size_t(best) + 1];
    const double d = y0 - 2 * y1 + y2;
    const double shift = d < 0 ? std::clamp(0.5 * (y0 - y2) / d, -0.5, 0.5) : 0.0;
    return {0, double(best) + shift, y1};
}

// Weighted least squares of frame against k.
bool fitLine(const std::vector<Hit>& hits, Grid* grid) {
    double sw = 0, sk = 0, st = 0;
    for (const Hit& h : hits) sw += h.height, sk += h.height * h.k, st += h.height * h.frame;
    if (hits.size() < 2 || sw <= 0) return false;
    const double mk = sk / sw, mt = st / sw;
    double skk = 0, skt = 0;
    for (const Hit& h : hits) {
        skk += h.height * (h.k - mk) * (h.k - mk);
        skt += h.height * (h.k - mk) * (h.frame - mt);
    }
    if (skk <= 0) return false;
    grid->period = skt / skk;
    grid->phase = mt - grid->period * mk;
    return grid->period > 0;
}

struct Fit {
    Grid grid;
    std::vector<Hit> hits;  // the beats with an onset, in order
    double threshold = 0;   // the height an onset needs to count
    double spread = 0;      // rms distance of the onsets from the grid, frames
};

// Every grid beat's onset between frames from and to.
std::vector<Hit> hitsOf(const Signal& o, const Grid& g, size_t from, size_t to, double tol) {
    std::vector<Hit> hits;
    const double k0 = std::ceil((double(from) - g.phase) / g.period);
    for (double k = k0; g.at(k) < double(to); ++k) {
        Hit h = peakNear(o, g.at(k), tol);
        h.k = k;
        hits.push_back(h);
    }
    return hits;
}

// Fits one grid to the onsets between frames from and to, starting from the
// beats tracked at about period p: a line through the tracked beats, then
// rounds of taking each grid beat's nearest onset peak and fitting again,
// with a narrowing window, dropping onsets far off the line.
bool fitGrid(const Signal& o, size_t from, size_t to, double p, double threshold,
             const std::function<bool()>& keepGoing, Fit* fit) {
    const std::vector<size_t> beats = trackBeats(o, from, to, p, 30 * threshold, keepGoing);
    // The first line goes through the longest run of tracked beats that
    // keep the period, so that a stretch at another tempo cannot bend it.
    size_t runStart = 0, bestStart = 0, bestEnd = beats.empty() ? 0 : 1;
    for (size_t i = 1; i <= beats.size(); ++i) {
        if (i < beats.size() && std::abs(double(beats[i] - beats[i - 1]) / p - 1) < 0.07) continue;
        if (i - runStart > bestEnd - bestStart) bestStart = runStart, bestEnd = i;
        runStart = i;
    }
    std::vector<Hit> hits;
    for (size_t i = bestStart; i < bestEnd; ++i)
        if (o[beats[i]] > threshold) hits.push_back({double(i), double(beats[i]), o[beats[i]]});
    Grid g;
    if (!fitLine(hits, &g)) return false;
    const double tols[] = {0.12, 0.08, 0.05, 0.05};
    for (double tolBeats : tols) {
        const double tol = std::max(2.0, tolBeats * g.period);
        std::vector<Hit> all = hitsOf(o, g, from, to, tol), kept;
        double sq = 0;
        for (const Hit& h : all) {
            if (h.height <= threshold) continue;
            kept.push_back(h);
            sq += std::pow(h.frame - g.at(h.k), 2);
        }
        if (kept.size() < size_t(kMinBeats)) return false;
        const double rms = std::sqrt(sq / double(kept.size()));
        hits.clear();
        for (const Hit& h : kept)
            if (std::abs(h.frame - g.at(h.k)) <= 2.5 * rms + 0.5) hits.push_back(h);
        if (!fitLine(hits, &g)) return false;
        fit->spread = rms;
    }
    fit->grid = g;
    fit->hits = hits;
    fit->threshold = threshold;
    return true;
}

// Mean onset height at the grid's beats between frames from and to.
double strength(const Signal& o, const Grid& g, size_t from, size_t to) {
    const std::vector<Hit> hits = hitsOf(o, g, from, to, std::max(2.0, 0.05 * g.period));
    double sum = 0;
    for (const Hit& h : hits) sum += h.height;
    return hits.empty() ? 0 : sum / double(hits.size());
}

// The longest stretch of the fit's beats without a gap of more than 8 beats,
// counting only beats where the grid holds: at least 4 of the 9 grid beats
// around them have onsets (music at another tempo meets the grid now and
// then, but not that often). The first and last frame.
std::pair<double, double> coveredSpan(const Fit& fit) {
    const std::vector<Hit>& hits = fit.hits;
    std::vector<const Hit*> held;
    for (size_t i = 0, a = 0, b = 0; i < hits.size(); ++i) {
        while (hits[a].k < hits[i].k - 4) ++a;
        while (b < hits.size() && hits[b].k <= hits[i].k + 4) ++b;
        if (b - a >= 4) held.push_back(&hits[i]);
    }
    if (held.empty()) return {hits.front().frame, hits.front().frame};
    size_t bestStart = 0, bestEnd = 0, start = 0;
    for (size_t i = 1; i <= held.size(); ++i) {
        if (i < held.size() && held[i]->k - held[i - 1]->k <= 8) continue;
        if (i - start > bestEnd - bestStart) bestStart = start, bestEnd = i;
        start = i;
    }
    return {held[bestStart]->frame, held[bestEnd - 1]->frame};
}

}  // namespace

namespace {

// ---- the analysis -------------------------------------------------------

// The octave checks, as ratios of onset strength. The points halfway
// between the beats are beats too when, in either band, they are nearly as
// strong as the beats. Every other beat is the beat when the ones between
// are weak in both bands.
constexpr double kHalfwayIsBeat = 0.57;
constexpr double kEveryOtherMid = 0.5;
constexpr double kEveryOtherLow = 0.25;

struct RangeFit {
    Fit fit;
    double first = 0, last = 0;  // the covered span, frames
};

Grid shifted(const Grid& g, double beats) {
    return {g.period, g.phase + beats * g.period};
}

double ratio(double part, double whole) {
    return whole > 0 ? part / whole : 0;
}

// The beat of one signal, span by span.
class BeatFinder {
  public:
    BeatFinder(const OnsetSignal& s, const std::function<bool()>& keepGoing)
        : full_(novelty(s.full, s.frameRate)),
          mid_(novelty(s.mid, s.frameRate)),
          low_(novelty(s.low, s.frameRate)),
          all_(full_.size()),
          frameRate_(s.frameRate),
          keepGoing_(keepGoing) {
        for (size_t i = 0; i < all_.size(); ++i) all_[i] = full_[i] + low_[i];
        peak_ = percentile(all_, 0.99);
        threshold_ = 0.2 * peak_;
    }

    bool cancelled() const { return keepGoing_ && !keepGoing_(); }
    double peak() const { return peak_; }
    const Signal& onsets() const { return all_; }
    double frameRate() const { return frameRate_; }

    // Fits the span holding the most beats between from and to, then the
    // stretches before and after it, into spans.
    void collectSpans(size_t from, size_t to, int depth, std::vector<RangeFit>* spans) const {
        const double shortest = 8 * periodOf(kMinBpm, frameRate_);
        if (depth > 3 || to <= from || double(to - from) < shortest / 2) return;
        RangeFit r;
        if (!fitRange(from, to, &r)) return;
        spans->push_back(r);
        const double margin = r.fit.grid.period / 2;
        if (r.first - margin > double(from))
            collectSpans(from, size_t(r.first - margin), depth + 1, spans);
        if (r.last + margin < double(to))
            collectSpans(size_t(r.last + margin), to, depth + 1, spans);
    }

    double confidenceOf(const RangeFit& r) const {
        const Grid& g = r.fit.grid;
        const auto [a, b] = around(r);
        double matched = 0;
        for (const Hit& h : r.fit.hits) matched += h.frame >= r.first && h.frame <= r.last;
        const double beats = (r.last - r.first) / g.period + 1;
        const double on = strength(all_, g, a, b);
        const double off =
            0.5 * (strength(all_, shifted(g, 0.25), a, b) + strength(all_, shifted(g, 0.75), a, b));
        const double contrast = std::clamp(1 - ratio(off, on), 0.0, 1.0);
        const double spreadMs = 1000 * r.fit.spread / frameRate_;
        return std::min(1.0, matched / beats) * contrast * std::exp(-std::pow(spreadMs / 20, 2));
    }

    // Half and double tempo and the other simple ratios, each with how
    // strongly the onsets fall on its grid against the fit's own.
    std::vector<TempoCandidate> alternativesOf(const RangeFit& r, double confidence) const {
        const Grid& g = r.fit.grid;
        const auto [a, b] = around(r);
        const double on = strength(all_, g, a, b);
        std::vector<TempoCandidate> out;
        for (double factor : {0.5, 2.0, 2.0 / 3, 1.5, 0.75, 4.0 / 3}) {
            const double p = g.period * factor;
            const double bpm = bpmOf(p, frameRate_);
            if (bpm < kMinBpm || bpm > kMaxBpm) continue;
            double best = 0;  // the strongest phase: on a beat or halfway
            for (int j = 0; j < 4; ++j)
                best = std::max(best, strength(all_, Grid{p, g.phase + j * g.period / 2}, a, b));
            out.push_back({bpm, confidence * std::min(0.95, ratio(best, on))});
        }
        std::sort(out.begin(), out.end(), [](const TempoCandidate& x, const TempoCandidate& y) {
            return x.confidence > y.confidence;
        });
        return out;
    }

  private:
    std::pair<size_t, size_t> around(const RangeFit& r) const {
        const double half = r.fit.grid.period / 2;
        return {size_t(std::max(0.0, r.first - half)), size_t(r.last + half)};
    }

    bool fit(size_t from, size_t to, double period, Fit* out) const {
        return fitGrid(all_, from, to, period, threshold_, keepGoing_, out);
    }

    // The beat of the onsets between frames from and to.
    bool fitRange(size_t from, size_t to, RangeFit* out) const {
        const Signal slice(all_.begin() + long(from), all_.begin() + long(to));
        for (const Lag& lag : periodCandidates(slice, frameRate_)) {
            if (cancelled()) return false;
            Fit f;
            if (!fit(from, to, lag.period, &f)) continue;
            settleOctave(from, to, &f);
            std::tie(out->first, out->last) = coveredSpan(f);
            out->fit = f;
            // The beats outside the stretch the grid holds belong to other spans.
            std::vector<Hit>& hits = out->fit.hits;
            hits.erase(std::remove_if(hits.begin(), hits.end(),
                                      [&](const Hit& h) {
                                          return h.frame < out->first || h.frame > out->last;
                                      }),
                       hits.end());
            return true;
        }
        return false;
    }

    // The ratio of grid a's strength to grid b's in the low or the mid band
    // (where cymbals, which often fall between the beats, hardly speak).
    double bandRatio(const Grid& a, const Grid& b, size_t from, size_t to, bool lowBand) const {
        const Signal& band = lowBand ? low_ : mid_;
        return ratio(strength(band, a, from, to), strength(band, b, from, to));
    }

    // Moves the fit to twice, three times or half its tempo where the
    // onsets say so.
    void settleOctave(size_t from, size_t to, Fit* f) const {
        const Grid g = f->grid;
        auto refit = [&](double period) {
            Fit other;
            if (fit(from, to, period, &other)) *f = other;
        };
        auto halfwayIsBeat = [&](double at) {
            const Grid between = shifted(g, at);
            return std::max(bandRatio(between, g, from, to, false),
                            bandRatio(between, g, from, to, true)) > kHalfwayIsBeat;
        };
        if (bpmOf(g.period / 2, frameRate_) <= kMaxBpm && halfwayIsBeat(0.5))
            return refit(g.period / 2);
        if (bpmOf(g.period / 3, frameRate_) <= kMaxBpm && halfwayIsBeat(1.0 / 3) &&
            halfwayIsBeat(2.0 / 3))
            return refit(g.period / 3);
        if (bpmOf(g.period * 2, frameRate_) < kMinBpm) return;
        Grid even{2 * g.period, g.phase}, odd{2 * g.period, g.phase + g.period};
        if (strength(all_, odd, from, to) > strength(all_, even, from, to)) std::swap(even, odd);
        if (bandRatio(odd, even, from, to, false) < kEveryOtherMid &&
            bandRatio(odd, even, from, to, true) < kEveryOtherLow)
            refit(2 * g.period);
    }

    Signal full_, mid_, low_, all_;
    double frameRate_;
    std::function<bool()> keepGoing_;
    double peak_ = 0, threshold_ = 0;
};

// The beat number of the first onset that starts the beat: a strong one
// with onsets on at least two of the three beats after it, so that a stray
// onset in the intro that happens to fall on the grid is passed over.
double firstBeatOf(const Fit& fit) {
    std::vector<float> heights;
    for (const Hit& h : fit.hits) heights.push_back(float(h.height));
    const double strong = 0.4 * percentile(heights, 0.5);
    for (size_t i = 0; i < fit.hits.size(); ++i) {
        if (fit.hits[i].height < strong) continue;
        int following = 0;
        for (size_t j = i + 1; j < fit.hits.size() && fit.hits[j].k <= fit.hits[i].k + 3; ++j)
            ++following;
        if (following >= 2) return fit.hits[i].k;
    }
    return fit.hits.front().k;
}

BeatAnalysis noBeat(const QString& why) {
    BeatAnalysis a;
    a.reason = why;
    return a;
}

// The frames of the first and last strong onset.
std::pair<size_t, size_t> onsetRegion(const Signal& o, double strong) {
    size_t first = o.size(), last = 0;
    for (size_t i = 0; i < o.size(); ++i)
        if (o[i] > strong) first = std::min(first, i), last = i;
    return {first, last};
}

}  // namespace

BeatAnalysis findBeat(const OnsetSignal& signal, const std::function<bool()>& keepGoing) {
    const QString none = QStringLiteral("No steady beat found");
    const double fr = signal.frameRate;
    if (double(signal.size()) < kMinSeconds * fr)
        return noBeat(none + QStringLiteral(": the music is too short"));
    const BeatFinder finder(signal, keepGoing);
    if (!(finder.peak() > 0)) return noBeat(none + QStringLiteral(": the music holds no onsets"));
    const auto [first, last] = onsetRegion(finder.onsets(), 0.5 * finder.peak());
    const size_t margin = size_t(periodOf(kMinBpm, fr));
    const size_t from = first > margin ? first - margin : 0;
    const size_t to = std::min(signal.size(), last + margin);

    std::vector<RangeFit> spans;
    finder.collectSpans(from, to, 0, &spans);
    if (finder.cancelled()) return noBeat(QStringLiteral("Cancelled"));
    if (spans.empty()) return noBeat(none);
    const RangeFit main = spans.front();
    BeatAnalysis a;
    a.confidence = finder.confidenceOf(main);
    const auto beatsOf = [](const RangeFit& r) {
        return (r.last - r.first) / r.fit.grid.period + 1;
    };
    if (a.confidence < kMinConfidence || beatsOf(main) < kMinSpanBeats) return noBeat(none);
    auto spanOf = [&](const RangeFit& r) {
        const Grid& g = r.fit.grid;
        return SteadySpan{signal.timeOf(g.at(firstBeatOf(r.fit))),
                          signal.timeOf(g.at(r.fit.hits.back().k)), bpmOf(g.period, fr)};
    };
    a.found = true;
    a.steady = (main.last - main.first) >= 0.9 * double(last - first) - 2 * main.fit.grid.period;
    if (a.steady) {
        a.spans = {spanOf(main)};
    } else {
        std::sort(spans.begin(), spans.end(),
                  [](const RangeFit& x, const RangeFit& y) { return x.first < y.first; });
        for (const RangeFit& r : spans)
            if (finder.confidenceOf(r) >= kMinConfidence && beatsOf(r) >= kMinSpanBeats)
                a.spans.push_back(spanOf(r));
    }
    a.bpm = a.spans.front().bpm;
    a.firstBeat = a.spans.front().start;
    a.alternatives = finder.alternativesOf(main, a.confidence);
    return a;
}

}  // namespace lumidex::tempo
