#pragma once
// Test songs of known tempo and first beat: a drum pattern of one of several
// styles with a bass line, a pad without onsets that also fills the intro,
// a little timing jitter and white noise. Deterministic for a given seed.

#include <QByteArray>

#include <cstdint>
#include <vector>

namespace lumidex::tempo::testing {

enum class Style { FourOnFloor, Rock, HalfTime, Swing, Sparse };
const char* styleName(Style style);

struct SongPlan {
    Style style = Style::Rock;
    double bpm = 120;
    double intro = 0;     // seconds of pad alone; the first beat falls here
    double seconds = 20;  // the whole song
    double jitterMs = 0;  // standard deviation of each hit's timing
    double noise = 0;     // white noise amplitude (hits peak near 0.8)
    int rate = 44100;
    uint32_t seed = 1;
};

std::vector<float> makeSong(const SongPlan& plan);

// A 16-bit mono WAV file of the samples (written by libsndfile).
QByteArray wavFile(const std::vector<float>& mono, int rate);
// The samples encoded as MP3 by the lame command; empty when lame fails.
QByteArray mp3File(const std::vector<float>& mono, int rate);

}  // namespace lumidex::tempo::testing
