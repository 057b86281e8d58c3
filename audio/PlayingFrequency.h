#pragma once
// The playing frequency the BASS and Miles layers take (the speed slider's
// 44100 x 2^(value / 100)) is a speed, not a sample rate: 44100 Hz is normal
// speed for every sound, whatever its own sample rate, so a 48 kHz music file
// and a 22050 Hz key sound both play at their own speed and pitch at 44100,
// and both twice as fast at 88200.

namespace lumidex::audio {

// The playing frequency at which every sound plays at its own speed.
constexpr double kNormalFrequency = 44100;

// Source frames per second of a sound sampled at fileRate, played at the
// playing frequency.
inline double sourceRate(int fileRate, double playingFrequency) {
    return fileRate * (playingFrequency / kNormalFrequency);
}

// The playing frequency a sound of fileRate plays at when the mixer takes
// sourceFramesPerSecond from it.
inline double playingFrequencyAt(int fileRate, double sourceFramesPerSecond) {
    return fileRate > 0 ? sourceFramesPerSecond / fileRate * kNormalFrequency : 0;
}

}  // namespace lumidex::audio
