#pragma once
// Finding the beat in an onset signal: a tempo estimate over 60..240 BPM,
// then a fit of one beat grid (period and phase) to the onsets of the whole
// song, the first beat that carries an onset, and the spans over which the
// tempo holds.
//
// Plain functions over a finished OnsetSignal; they allocate, and run on
// whatever thread calls them.

#include <QString>

#include <functional>
#include <vector>

#include "OnsetSignal.h"

namespace lumidex::tempo {

struct TempoCandidate {
    double bpm = 0;
    double confidence = 0;  // 0..1
};

// A stretch of the music whose beat keeps one tempo.
struct SteadySpan {
    double start = 0;  // seconds: the first beat of the span
    double end = 0;    // seconds: its last beat
    double bpm = 0;
};

struct BeatAnalysis {
    bool found = false;  // a beat was found; otherwise `reason` says why not
    QString reason;
    double bpm = 0;        // of the first steady span when the tempo changes
    double firstBeat = 0;  // seconds: the first beat that carries an onset
    double confidence = 0;
    bool steady = false;                       // one tempo holds over the whole song
    std::vector<TempoCandidate> alternatives;  // strongest first, without bpm itself
    std::vector<SteadySpan> spans;
};

// The lowest and highest tempo reported.
constexpr double kMinBpm = 60;
constexpr double kMaxBpm = 240;

// Answers the beat of the signal; cancelled (reason set, nothing found) when
// keepGoing answers false.
BeatAnalysis findBeat(const OnsetSignal& signal, const std::function<bool()>& keepGoing = {});

}  // namespace lumidex::tempo
