#pragma once
// Small, deterministic sound synthesis for the demo: a float sample buffer,
// the few instruments the demo uses, and writing through libsndfile.

#include <QString>

#include <cstdint>
#include <vector>

namespace lumidex::demo {

constexpr int kRate = 44100;  // every demo sound: the editor plays keys at 44100 Hz

// Interleaved float samples.
class SoundBuffer {
  public:
    SoundBuffer(double seconds, int channels);

    int channels() const { return channels_; }
    int64_t frames() const { return static_cast<int64_t>(samples_.size()) / channels_; }
    // Adds value to one channel of the frame at time t (seconds); outside the
    // buffer nothing happens.
    void add(int64_t frame, int channel, float value);
    // Scales so the loudest sample is peak, and fades the last fadeSeconds
    // out so the sound ends without a click.
    void normalize(float peak, double fadeSeconds);

    // 16-bit PCM WAV, or MP3 at a constant bit rate with a compression level
    // from 0 (largest, best) to 1 (smallest).
    bool writeWav(const QString& path) const;
    bool writeMp3(const QString& path, double compression) const;

  private:
    bool write(const QString& path, int format, double compression) const;
    int channels_;
    std::vector<float> samples_;
};

// White noise from a fixed seed: the same sequence on every run.
class Noise {
  public:
    float next();

  private:
    uint32_t state_ = 0x1234567u;
};

// Key sounds, each a complete mono buffer.
SoundBuffer kick();
SoundBuffer snare();
SoundBuffer hat();
SoundBuffer clap();
SoundBuffer pluck(double frequency);
SoundBuffer longTone(double frequency, double seconds);
SoundBuffer chime(double frequency);

// Instruments mixed into a stereo buffer at time start (seconds).
void addBass(SoundBuffer& out, double start, double frequency, double seconds, float gain);
void addPad(SoundBuffer& out, double start, double seconds, const std::vector<double>& chord,
            float gain);
void addShaker(SoundBuffer& out, double start, float gain, Noise& noise);

// The frequency of a MIDI note number (69 = A4 = 440 Hz).
double noteFrequency(int midiNote);

}  // namespace lumidex::demo
