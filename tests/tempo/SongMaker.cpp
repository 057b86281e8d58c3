#include "SongMaker.h"

#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cmath>
#include <random>

#include "AudioTestSupport.h"

namespace lumidex::tempo::testing {
namespace {

constexpr double kTwoPi = 6.283185307179586;

class Mixer {
  public:
    Mixer(const SongPlan& plan)
        : plan_(plan), out_(size_t(plan.seconds * plan.rate), 0.f), random_(plan.seed) {}

    double jittered(double t) {
        std::normal_distribution<double> jitter(0, plan_.jitterMs / 1000);
        return t + (plan_.jitterMs > 0 ? jitter(random_) : 0);
    }
    // A voice: sample i after its start answers the value, until length.
    template <class Voice>
    void add(double t, double length, double gain, Voice voice) {
        const long start = std::lround(t * plan_.rate);
        const long n = long(length * plan_.rate);
        for (long i = 0; i < n; ++i) {
            const long at = start + i;
            if (at < 0) continue;
            if (size_t(at) >= out_.size()) break;
            out_[size_t(at)] += float(gain * voice(double(i) / plan_.rate));
        }
    }
    void kick(double t, double gain) {
        double phase = 0;
        add(jittered(t), 0.3, gain, [&](double s) {
            phase += kTwoPi * (50 + 110 * std::exp(-s / 0.03)) / plan_.rate;
            return std::sin(phase) * std::exp(-s / 0.12);
        });
    }
    void snare(double t, double gain) {
        add(jittered(t), 0.25, gain, [&](double s) {
            return 0.6 * white() * std::exp(-s / 0.06) +
                   0.4 * std::sin(kTwoPi * 190 * s) * std::exp(-s / 0.05);
        });
    }
    void hat(double t, double gain) {
        double last = 0;
        add(jittered(t), 0.08, gain, [&](double s) {
            const double n = white(), v = n - last;
            last = n;
            return 0.5 * v * std::exp(-s / 0.02);
        });
    }
    void bass(double t, double freq, double length, double gain) {
        add(jittered(t), length, gain, [&](double s) {
            double v = 0;
            for (int h = 1; h <= 4; ++h) v += std::sin(kTwoPi * freq * h * s) / h;
            const double attack = std::min(1.0, s / 0.004),
                         release = std::min(1.0, (length - s) / 0.02);
            return 0.5 * v * attack * release * std::exp(-s / 0.5);
        });
    }
    // Three held notes that swell in over two seconds and breathe slowly.
    void pad() {
        add(0, plan_.seconds, 0.08, [](double s) {
            const double swell = std::min(1.0, s / 2) * (0.8 + 0.2 * std::sin(kTwoPi * 0.15 * s));
            return swell * (std::sin(kTwoPi * 220 * s) + std::sin(kTwoPi * 277.2 * s) +
                            std::sin(kTwoPi * 329.6 * s));
        });
    }
    void noise(double level) {
        for (float& v : out_) v += float(level * white());
    }
    bool chance(double p) { return std::uniform_real_distribution<double>(0, 1)(random_) < p; }
    std::vector<float> finish() {
        float peak = 1e-6f;
        for (float v : out_) peak = std::max(peak, std::abs(v));
        for (float& v : out_) v *= 0.8f / peak;
        return std::move(out_);
    }

  private:
    double white() { return std::uniform_real_distribution<double>(-1, 1)(random_); }

    SongPlan plan_;
    std::vector<float> out_;
    std::mt19937 random_;
};

// One beat of the pattern: beat is 0..3 in the bar, t its time, half the
// time of its second eighth, beat the length of a beat.
void playBeat(Mixer& m, Style style, int beat, double t, double len, double freq) {
    const double half = t + len / 2, swung = t + len * 2 / 3;
    switch (style) {
        case Style::FourOnFloor:
            m.kick(t, 1.0);
            if (beat % 2 == 1) m.snare(t, 0.5);
            m.hat(half, 0.35);
            m.bass(t, freq, len * 0.45, 0.4);
            break;
        case Style::Rock:
            if (beat % 2 == 0) m.kick(t, 1.0);
            if (beat == 2) m.kick(half, 0.6);
            if (beat % 2 == 1) m.snare(t, 0.8);
            m.hat(t, 0.3);
            m.hat(half, 0.2);
            m.bass(t, freq, len * 0.9, 0.4);
            break;
        case Style::HalfTime:
            if (beat == 0) m.kick(t, 1.0);
            if (beat == 1) m.kick(half, 0.5);
            if (beat == 2) m.snare(t, 0.9);
            m.hat(t, 0.35);
            m.hat(half, 0.2);
            m.bass(t, freq, len * 0.9, 0.45);
            break;
        case Style::Swing:
            if (beat % 2 == 0) m.kick(t, 0.6);
            if (beat % 2 == 1) m.snare(t, 0.6);
            m.hat(t, 0.4);
            if (beat % 2 == 1) m.hat(swung, 0.25);
            m.bass(t, freq * (1 + 0.12 * beat), len * 0.8, 0.5);
            break;
        case Style::Sparse:
            if (beat % 2 == 0 && (beat == 0 || m.chance(0.75))) m.kick(t, 1.0);
            if (beat % 2 == 1 && m.chance(0.75)) m.snare(t, 0.7);
            if (beat == 0) m.bass(t, freq, len * 1.8, 0.4);
            break;
    }
}

}  // namespace

const char* styleName(Style style) {
    static const char* const kNames[] = {"four-on-the-floor", "rock", "half-time", "swing",
                                         "sparse"};
    return kNames[int(style)];
}

std::vector<float> makeSong(const SongPlan& plan) {
    Mixer m(plan);
    m.pad();
    const double len = 60 / plan.bpm;
    static const double roots[] = {55, 55, 65.4, 49};
    for (int b = 0; plan.intro + b * len < plan.seconds; ++b)
        playBeat(m, plan.style, b % 4, plan.intro + b * len, len, roots[(b / 4) % 4]);
    if (plan.noise > 0) m.noise(plan.noise);
    return m.finish();
}

QByteArray wavFile(const std::vector<float>& mono, int rate) {
    return test::encode(SF_FORMAT_WAV | SF_FORMAT_PCM_16, rate, 1, mono);
}

QByteArray mp3File(const std::vector<float>& mono, int rate) {
    QTemporaryDir dir;
    const QString wav = dir.filePath(QStringLiteral("in.wav"));
    const QString mp3 = dir.filePath(QStringLiteral("out.mp3"));
    if (!test::writeAll(wav, wavFile(mono, rate))) return {};
    QProcess lame;
    lame.start(QStringLiteral("lame"),
               {QStringLiteral("--silent"), QStringLiteral("-b"), QStringLiteral("160"), wav, mp3});
    return lame.waitForFinished(60000) && lame.exitCode() == 0 ? test::readAll(mp3) : QByteArray();
}

}  // namespace lumidex::tempo::testing
