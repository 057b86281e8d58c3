#pragma once
// Writes short test sounds with libsndfile: a sine tone of the given length,
// channel count and rate, as WAV (16-bit) or Ogg Vorbis.

#include <QString>

#include <sndfile.h>

#include <cmath>
#include <vector>

namespace lumidex::test {

inline bool writeTone(const QString& path, double seconds, int channels = 2, int rate = 44100,
                      int format = SF_FORMAT_WAV | SF_FORMAT_PCM_16) {
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = channels;
    info.format = format;
    SNDFILE* file = sf_open(path.toLocal8Bit().constData(), SFM_WRITE, &info);
    if (!file) return false;
    const auto frames = static_cast<sf_count_t>(seconds * rate);
    std::vector<float> samples(static_cast<size_t>(frames * channels));
    for (sf_count_t i = 0; i < frames; ++i)
        for (int c = 0; c < channels; ++c)
            samples[static_cast<size_t>(i * channels + c)] =
                0.3f * static_cast<float>(std::sin(2 * M_PI * 440.0 * i / rate));
    const bool complete = sf_writef_float(file, samples.data(), frames) == frames;
    return sf_close(file) == 0 && complete;
}

}  // namespace lumidex::test
