#include "Synth.h"

#include <QFile>

#include <sndfile.h>

#include <algorithm>
#include <cmath>

namespace lumidex::demo {

namespace {

constexpr double kTwoPi = 2.0 * M_PI;

int64_t toFrame(double seconds) {
    return static_cast<int64_t>(std::llround(seconds * kRate));
}

// A sum of harmonics with amplitudes 1/n, each dying away faster than the
// one below: a plucked string.
float pluckSample(double frequency, double t, int harmonics, double decay) {
    double value = 0;
    for (int n = 1; n <= harmonics; ++n)
        value += std::sin(kTwoPi * frequency * n * t) * std::exp(-t * decay * (1 + 0.6 * n)) / n;
    return static_cast<float>(value);
}

}  // namespace

SoundBuffer::SoundBuffer(double seconds, int channels)
    : channels_(channels), samples_(static_cast<size_t>(toFrame(seconds) * channels), 0.0f) {}

void SoundBuffer::add(int64_t frame, int channel, float value) {
    if (frame < 0 || frame >= frames()) return;
    samples_[static_cast<size_t>(frame * channels_ + channel)] += value;
}

void SoundBuffer::normalize(float peak, double fadeSeconds) {
    float loudest = 0;
    for (float s : samples_) loudest = std::max(loudest, std::fabs(s));
    const float scale = loudest > 0 ? peak / loudest : 0;
    const int64_t fadeFrames = std::max<int64_t>(1, toFrame(fadeSeconds));
    const int64_t fadeFrom = frames() - fadeFrames;
    for (int64_t f = 0; f < frames(); ++f) {
        const float fade = f < fadeFrom ? 1.0f : static_cast<float>(frames() - f) / fadeFrames;
        for (int c = 0; c < channels_; ++c)
            samples_[static_cast<size_t>(f * channels_ + c)] *= scale * fade;
    }
}

bool SoundBuffer::writeWav(const QString& path) const {
    return write(path, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 0);
}

bool SoundBuffer::writeMp3(const QString& path, double compression) const {
    return write(path, SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III, compression);
}

bool SoundBuffer::write(const QString& path, int format, double compression) const {
    SF_INFO info{};
    info.samplerate = kRate;
    info.channels = channels_;
    info.format = format;
    SNDFILE* file = sf_open(QFile::encodeName(path).constData(), SFM_WRITE, &info);
    if (!file) return false;
    if ((format & SF_FORMAT_SUBMASK) == SF_FORMAT_MPEG_LAYER_III) {
        int mode = SF_BITRATE_MODE_CONSTANT;
        sf_command(file, SFC_SET_BITRATE_MODE, &mode, sizeof mode);
        sf_command(file, SFC_SET_COMPRESSION_LEVEL, &compression, sizeof compression);
    }
    const bool complete = sf_writef_float(file, samples_.data(), frames()) == frames();
    return sf_close(file) == 0 && complete;
}

float Noise::next() {
    state_ = state_ * 1664525u + 1013904223u;  // the classic LCG: plenty for noise
    return static_cast<float>(state_ >> 8) / static_cast<float>(1u << 23) - 1.0f;
}

SoundBuffer kick() {
    SoundBuffer out(0.25, 1);
    double phase = 0;
    for (int64_t f = 0; f < out.frames(); ++f) {
        const double t = static_cast<double>(f) / kRate;
        phase += kTwoPi * (45 + 110 * std::exp(-t * 30)) / kRate;  // a falling pitch
        out.add(f, 0, static_cast<float>(std::sin(phase) * std::exp(-t * 12)));
    }
    out.normalize(0.9f, 0.02);
    return out;
}

SoundBuffer snare() {
    SoundBuffer out(0.2, 1);
    Noise noise;
    for (int64_t f = 0; f < out.frames(); ++f) {
        const double t = static_cast<double>(f) / kRate;
        const double body = std::sin(kTwoPi * 180 * t) * std::exp(-t * 25);
        out.add(f, 0, static_cast<float>(0.6 * noise.next() * std::exp(-t * 16) + 0.5 * body));
    }
    out.normalize(0.8f, 0.02);
    return out;
}

SoundBuffer hat() {
    SoundBuffer out(0.08, 1);
    Noise noise;
    float previous = 0;
    for (int64_t f = 0; f < out.frames(); ++f) {
        const double t = static_cast<double>(f) / kRate;
        const float white = noise.next();
        out.add(f, 0, static_cast<float>((white - previous) * std::exp(-t * 55)));  // bright
        previous = white;
    }
    out.normalize(0.6f, 0.01);
    return out;
}

SoundBuffer clap() {
    SoundBuffer out(0.2, 1);
    Noise noise;
    for (int64_t f = 0; f < out.frames(); ++f) {
        const double t = static_cast<double>(f) / kRate;
        double envelope = std::exp(-t * 20);
        for (double burst : {0.0, 0.011, 0.022})  // three hands, slightly apart
            if (t >= burst) envelope += 0.8 * std::exp(-(t - burst) * 180);
        out.add(f, 0, static_cast<float>(noise.next() * envelope));
    }
    out.normalize(0.8f, 0.02);
    return out;
}

SoundBuffer pluck(double frequency) {
    SoundBuffer out(0.3, 1);
    for (int64_t f = 0; f < out.frames(); ++f)
        out.add(f, 0, pluckSample(frequency, static_cast<double>(f) / kRate, 5, 6));
    out.normalize(0.7f, 0.04);
    return out;
}

SoundBuffer longTone(double frequency, double seconds) {
    SoundBuffer out(seconds, 1);
    for (int64_t f = 0; f < out.frames(); ++f) {
        const double t = static_cast<double>(f) / kRate;
        const double attack = std::min(1.0, t / 0.02);
        const double vibrato = 1 + 0.004 * std::sin(kTwoPi * 5.5 * t);
        const double value = std::sin(kTwoPi * frequency * vibrato * t) +
                             0.4 * std::sin(kTwoPi * 2 * frequency * vibrato * t) +
                             0.15 * std::sin(kTwoPi * 3 * frequency * vibrato * t);
        out.add(f, 0, static_cast<float>(value * attack));
    }
    out.normalize(0.6f, 0.15);
    return out;
}

SoundBuffer chime(double frequency) {
    SoundBuffer out(0.6, 1);
    for (int64_t f = 0; f < out.frames(); ++f) {
        const double t = static_cast<double>(f) / kRate;
        double value = 0;
        // The partials of a small bell are not whole multiples of the base.
        for (auto [ratio, decay] : {std::pair{1.0, 5.0}, {2.76, 8.0}, {5.4, 14.0}})
            value += std::sin(kTwoPi * frequency * ratio * t) * std::exp(-t * decay) / ratio;
        out.add(f, 0, static_cast<float>(value));
    }
    out.normalize(0.6f, 0.05);
    return out;
}

void addBass(SoundBuffer& out, double start, double frequency, double seconds, float gain) {
    const int64_t first = toFrame(start);
    const int64_t count = toFrame(seconds);
    for (int64_t i = 0; i < count; ++i) {
        const double t = static_cast<double>(i) / kRate;
        const double release = std::min(1.0, static_cast<double>(count - i) / (0.01 * kRate));
        const float value = gain * static_cast<float>(release) * pluckSample(frequency, t, 3, 2.5);
        out.add(first + i, 0, value);
        out.add(first + i, 1, value);
    }
}

void addPad(SoundBuffer& out, double start, double seconds, const std::vector<double>& chord,
            float gain) {
    const int64_t first = toFrame(start);
    const int64_t count = toFrame(seconds);
    for (int64_t i = 0; i < count; ++i) {
        const double t = static_cast<double>(i) / kRate;
        const double left = static_cast<double>(count - i) / kRate;
        const double envelope = std::min({1.0, t / 0.3, left / 0.3});
        for (int channel = 0; channel < 2; ++channel) {
            const double detune = channel == 0 ? 0.997 : 1.003;  // a little width
            double value = 0;
            for (double frequency : chord)
                for (int n = 1; n <= 4; ++n)
                    value += std::sin(kTwoPi * frequency * detune * n * t) / (n * n);
            out.add(first + i, channel, gain * static_cast<float>(value * envelope));
        }
    }
}

void addShaker(SoundBuffer& out, double start, float gain, Noise& noise) {
    const int64_t first = toFrame(start);
    const int64_t count = toFrame(0.05);
    float previous = 0;
    for (int64_t i = 0; i < count; ++i) {
        const double t = static_cast<double>(i) / kRate;
        const float white = noise.next();
        const float value = gain * (white - previous) * static_cast<float>(std::exp(-t * 70));
        previous = white;
        out.add(first + i, 0, value * 0.8f);
        out.add(first + i, 1, value);
    }
}

double noteFrequency(int midiNote) {
    return 440.0 * std::pow(2.0, (midiNote - 69) / 12.0);
}

}  // namespace lumidex::demo
