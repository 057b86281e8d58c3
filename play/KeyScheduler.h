#pragma once
// Places the key sounds of the chart's notes in the mixer ahead of time, each
// on the output frame at which the music reaches its note, for BASS and Miles.
//
// Every call reads the chart afresh over a short horizon past the render head
// and brings the mixer in line with it: a note not yet placed is placed, one
// whose time moved (a tempo edit, a new playing speed) is moved, one that went
// away (erased, "Play &Key" switched off) is withdrawn. So an edit just ahead
// of the play position is heard as edited, while a start already placed never
// depends on the window thread being on time.
//
// One voice per key: a key sound triggered again restarts from its beginning
// at the new note. The mixer holds one pending start per stream, so a later
// note of a key whose earlier start has not begun waits until it has;
// nextDeadline() says by which render head the next call must come for that
// note to be exact (the editor's step comes far more often than the horizon
// is long, and lumidex-chart render renders up to it).
//
// Window thread only (the chart document is not thread-safe); the mixer is
// thread-safe.

#include <cstdint>
#include <limits>
#include <optional>
#include <vector>

#include "ChartDocument.h"
#include "Mixer.h"
#include "SoundBank.h"

namespace lumidex {

// The key sound a note at coord triggers: its FxSndIndex when the cell holds
// a note (any kind but a long-note end) and the index names a key sound of the
// list (1..KeyCount, at most 2000); 0 otherwise.
int noteKey(const ChartDocument& doc, int coord);

class KeyScheduler {
  public:
    // How far past the render head starts are placed.
    static constexpr double kHorizonSeconds = 0.25;

    KeyScheduler(const ChartDocument& doc, const SoundBank& bank, audio::Mixer& mixer)
        : doc_(doc),
          bank_(bank),
          mixer_(mixer),
          pending_(kMaxKeySound + 1),
          seen_(kMaxKeySound + 1),
          waiting_(kMaxKeySound + 1, -1) {}

    // Playback starts with the music stream playing: notes from startCoord up
    // to lastCoord are to be heard. Music time t seconds is chart frame
    // t x 60 + musicZero.
    void start(audio::StreamId music, int startCoord, int lastCoord, double musicZero);
    // Brings the placed starts in line with the chart, from the note heard
    // now (chart frame heardFrame) to the horizon. frequency: the playing
    // frequency new starts take.
    void schedule(double heardFrame, float frequency);
    // Withdraws every start that has not begun; sounds already playing go on.
    void withdraw();

    // The render head by which schedule() must run again for a waiting note
    // to start on its frame; the largest value when none waits.
    int64_t nextDeadline() const { return deadline_; }
    // Key sounds whose start has come round so far.
    int started() const { return started_; }

  private:
    struct Placed {
        int coord;
        int64_t frame;
    };
    std::optional<int64_t> onsetFrame(int coord) const;
    void retireStarted(int64_t head);
    // One note of key k at coord c, its onset at frame f (the head or later).
    void keepOrPlace(int k, int c, int64_t f, float frequency);
    void withdrawUnseen();

    const ChartDocument& doc_;
    const SoundBank& bank_;
    audio::Mixer& mixer_;
    audio::StreamId music_ = 0;
    int startCoord_ = 0;
    int lastCoord_ = -1;
    double musicZero_ = 0;
    double musicRate_ = 0;  // the music file's own sample rate
    bool firstPass_ =
        false;  // notes on the start coord that lie before the music start sound at once

    std::vector<std::optional<Placed>> pending_;  // per key: placed, not begun
    std::vector<int> pendingKeys_;                // the keys that have one
    std::vector<uint64_t> seen_;                  // per key: the pass that met its first note
    std::vector<int> waiting_;                    // per key: a note held back for an earlier start
    uint64_t pass_ = 0;
    int64_t deadline_ = std::numeric_limits<int64_t>::max();
    int started_ = 0;
};

}  // namespace lumidex
