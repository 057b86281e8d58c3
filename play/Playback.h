#pragma once
// The playback engine behind "&Play": plays the open music from a coord of the
// chart, tells the view where the music is, and sounds every note's key.
//
// The window drives it with a timer, once per display frame:
//   if (!playback.start(viewBaseCoord, switches)) ...   // nothing could start
//   every frame: Step s = playback.step();  if (!s.running) StopPlay(); else follow s
// and calls stop() for StopPlay. lumidex-chart render and the tests drive the
// same engine on a manual output, rendering between steps.
//
// BASS and Miles: the music starts 3 frames later in the file than the chart
// position it stands for (music time t is chart frame t x 60 + Delay - 3),
// and KeyScheduler places every key sound on its output frame in the mixer.
// DirectShow: the music time is chart frame t x 60 + Delay, and each step
// fires the key of every note the play position crossed since the step
// before, in coord order.
//
// Window thread only.

#include <cstdint>
#include <memory>

#include "ChartDocument.h"
#include "KeyScheduler.h"
#include "SoundBank.h"

namespace lumidex {

// What the "Pla&y" menu and the speed slider say.
struct PlaySwitches {
    bool music = true;        // "Play BG&M": else the music plays silently
    bool keys = false;        // "Play &Key"
    float frequency = 44100;  // the playing frequency in Hz (BASS and Miles)
};

// The playing frequency of the speed slider's value: 2^(value / 100) x 44100.
float playingFrequency(int sliderValue);

class Playback {
  public:
    Playback(ChartDocument& doc, SoundBank& bank) : doc_(doc), bank_(bank) {}
    ~Playback();
    Playback(const Playback&) = delete;
    Playback& operator=(const Playback&) = delete;

    // The music is playing (the pause test of "&Play").
    bool musicPlaying();
    // Starts the music at the time of fromCoord (the view base) and places the
    // first key sounds. False when nothing started: no music is open, or the
    // chart has no time at fromCoord.
    bool start(int fromCoord, const PlaySwitches& switches);

    struct Step {
        bool running = false;  // false: playback is over, call StopPlay
        double viewFrame = 0;  // the play position in chart frames
        int coord = 0;         // the coord at the play position
        int viewBase = 0;      // the coord to show (coord, at most LastCoord + 72)
        bool coordChanged = false;
    };
    // One step: the end test (the view at LastCoord + 71, the music over, a
    // time that cannot be computed), the play position, the key sounds.
    Step step();
    // Stops the music and every key sound of the current decoder.
    void stop();
    bool running() const { return running_; }

    // "Play &Key" toggled: takes effect from the next step.
    void setKeys(bool on);
    // The key list is about to be renumbered: withdraws the key starts placed
    // ahead by the old numbering; the next step places them again.
    void withdrawKeys();
    // The speed slider moved: the music changes rate at once, key sounds at
    // their next start.
    void setFrequency(float hz);
    const PlaySwitches& switches() const { return switches_; }

    // The length of the open music in seconds (BASS and Miles; 0 otherwise).
    double musicSeconds() { return bank_.music().Duration(); }
    // Key sounds started so far: placed in the mixer and come round (BASS,
    // Miles), or fired (DirectShow).
    int keysStarted() const;

  private:
    bool startMixer(int fromCoord);
    bool startGraph(int fromCoord);
    Step stepMixer();
    Step stepGraph();
    Step follow(double viewFrame, int coord);
    void fireCrossed(int upTo);
    float musicVolume() const;
    int lastPlayableCoord() const { return doc_.LastCoord + 70; }

    ChartDocument& doc_;
    SoundBank& bank_;
    PlaySwitches switches_;
    std::unique_ptr<KeyScheduler> scheduler_;  // while the music plays
    int keysPlaced_ = 0;                       // started in the last playback
    bool running_ = false;
    int viewBase_ = 0;    // the coord shown at the last step
    int lastCoord_ = -1;  // the coord of the last step
    // DirectShow
    double duration_ = 0;
    int nextFire_ = 0;  // the first coord whose key has not been fired
    int fired_ = 0;
};

}  // namespace lumidex
