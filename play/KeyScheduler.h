#pragma once
// Places the key sounds of the chart's notes in the mixer ahead of time, each
// on the output frame at which the music reaches its note, for BASS and Miles.
//
// Every call reads the chart afresh over a short horizon past the render head
// and brings the mixer in line with it: a note not yet placed is placed, one
// whose time moved (a tempo edit, a new playing speed) is moved, one that went
// away (erased, "Play &Key" switched off) is withdrawn. So an edit just ahead
// of the play position is heard as edited, while a start already placed never
// depends on the window thread being on time. A note the horizon reached only
// after its time (the window thread held up longer than the horizon) sounds at
// once if it is not being heard yet; one the listener has already passed is
// left out rather than played late.
//
// One voice per key: a key sound triggered again restarts from its beginning
// at the new note (the mixer queues the restarts of a stream).
//
// Window thread only (the chart document is not thread-safe); the mixer is
// thread-safe. A pass hands the mixer all its changes in one placeStarts
// call, so the render thread meets one short command per step rather than
// one per note.

#include <cstdint>
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
          queued_(kMaxKeySound + 1),
          wanted_(kMaxKeySound + 1) {}

    // Playback starts with the music stream playing: notes from startCoord up
    // to lastCoord are to be heard. Music time t seconds is chart frame
    // t x 60 + musicZero.
    void start(audio::StreamId music, int startCoord, int lastCoord, double musicZero);
    // Brings the placed starts in line with the chart, from the note heard
    // now (chart frame heardFrame) to the horizon. frequency: the playing
    // frequency the keys take when placed.
    void schedule(double heardFrame, float frequency);
    // Withdraws every start that has not begun; sounds already playing go on.
    void withdraw();

    // Key sounds whose start has come round so far.
    int started() const { return started_; }

  private:
    struct Placed {
        int coord;
        int64_t frame;
    };
    using Starts = std::vector<Placed>;

    std::optional<int64_t> onsetFrame(int coord) const;
    // The last coord the horizon past the head reaches.
    int horizonCoord(double heardFrame, int64_t limit) const;
    void retireStarted(int64_t head);
    void collectWanted(int from, int to, int64_t head, int64_t limit);
    // Key k's queue of starts made equal to wanted_[k]: its settings set and
    // its changes added to the batch.
    void placeKey(int k, float frequency);
    // Hands the batch to the mixer and records what it placed.
    void placeBatch();

    const ChartDocument& doc_;
    const SoundBank& bank_;
    audio::Mixer& mixer_;
    audio::StreamId music_ = 0;
    int startCoord_ = 0;
    int lastCoord_ = -1;
    int reachedCoord_ = -1;  // every coord up to here has been within the horizon
    double musicZero_ = 0;
    double musicRate_ = 0;  // the music file's own sample rate

    std::vector<Starts> queued_;  // per key: placed, not begun, earliest first
    std::vector<Starts> wanted_;  // per key: what this pass found
    std::vector<int> touched_;    // keys with queued or wanted starts
    // The batch of a pass: keys whose starts are withdrawn, the starts to
    // place, and for each start its key and note.
    std::vector<audio::StreamId> withdrawn_;
    std::vector<audio::Mixer::Start> starts_;
    std::vector<std::pair<int, Placed>> startKeys_;
    int started_ = 0;
};

}  // namespace lumidex
