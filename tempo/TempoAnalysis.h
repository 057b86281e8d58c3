#pragma once
// Beat analysis of a piece of music: decodes it as the editor's BASS layer
// does, turns it into an onset signal a block at a time and finds its beat;
// then the chart's delay that puts that beat on the chart's beat lines.
//
// Runs on any thread (the editor runs it on a worker); the progress callback
// is called on that thread and cancels the analysis by answering false.

#include <QByteArray>
#include <QString>

#include <functional>

#include "BeatGrid.h"

namespace lumidex::audio {
class Decoder;
}

namespace lumidex::tempo {

// BASS and Miles start the music this many frames later in the file than the
// chart position playback starts from: a coord is heard at music time
// (CoordToFrames(coord) - (Delay - 3)) / 60 seconds.
constexpr double kStartShiftFrames = 3;

// Only this much of a longer piece is analysed (a chart holds at most
// 30000 coords, some 42 minutes even at 60 BPM).
constexpr double kMaxAnalysedSeconds = 45 * 60;

struct TempoReport {
    enum Outcome { Beat, NoBeat, Unreadable, Cancelled };
    Outcome outcome = NoBeat;
    QString message;  // for NoBeat, Unreadable and Cancelled: what to tell the user
    BeatAnalysis beat;
    double delay = 0;        // frames, for Beat: see delayFor
    double seconds = 0;      // how much music was analysed
    bool truncated = false;  // the music is longer than kMaxAnalysedSeconds
};

// Answers whether to go on; fraction is 0..1 of the whole analysis.
using TempoProgress = std::function<bool(double fraction)>;

// Analyses a music file held in memory (any format the BASS layer plays).
TempoReport analyseMusic(const QByteArray& bytes, const TempoProgress& progress = {});
// Analyses what a decoder delivers from its current position on.
TempoReport analyseDecoder(audio::Decoder& decoder, const TempoProgress& progress = {});

// The Delay, in frames, that puts a beat at firstBeat seconds of the music on
// a beat line of a chart at bpm (a coord that is a multiple of 12), with
// coord 0 at or before the start of the music as BASS and Miles play it: 3
// plus the frames from the music's start back to the beat grid's last beat
// at or before it. Rounded to a thousandth of a frame.
double delayFor(double bpm, double firstBeat);

}  // namespace lumidex::tempo
