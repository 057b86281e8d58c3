#pragma once
// Typing a chart with the keyboard ("Keyboard &Input" ticked, the canvas
// focused). The arrows write obstacles and stars at the baseline, the view
// base aligned to AlignCoord, and step the view forward by KeyStep; Shift
// with two arrows writes a diagonal over the note of the first; Ctrl+Left and
// Ctrl+Right write the stars 26 and 27; Space steps without writing;
// Backspace erases one step back and steps back. KeyStep "Note" (-1) steps to
// the next note above the baseline.
//
// While playing, notes go to the baseline (the play position) and the view
// is never moved here: the caller passes the baseline it shows.
//
// The core only decides and writes; the caller moves the scroll bar by what
// each key asks. One key press is one edit step; a Shift chord, from its
// first arrow to its end, is one step too.
//
// A held key repeats on the desktop; only the first press of an arrow writes
// (the caller drops the repeats' releases, so the arrow stays held).

#include <cstdint>
#include <optional>

#include "ChartEdit.h"
#include "EditTypes.h"

namespace lumidex {

// Key state bits.
constexpr int kHeldShift = 1;
constexpr int kHeldUp = 16;
constexpr int kHeldDown = 32;
constexpr int kHeldLeft = 64;
constexpr int kHeldRight = 128;

// The kind an arrow writes: key, the modifier set of the event and the key
// state bits of the arrows held. 0 for a key that is not an arrow.
int arrowKind(int keyCode, int shift, int held);

// Where the baseline stands and how far a key steps.
struct KeyContext {
    double viewBase = 0;  // the coord on the baseline (the play position while playing)
    bool playing = false;
    int keyStep = 3;  // KeyStep; -1 for "Note"
};

// What the caller does after a key: move the scroll bar by scrollBy (exactly,
// not rounded to 3), or repaint without moving.
struct KeyOutcome {
    bool handled = false;
    std::optional<int> scrollBy;
    bool repaint = false;
};

class KeyboardEntry {
  public:
    explicit KeyboardEntry(ChartEdit& edits) : edits_(edits) {}

    // A key went down (key code, modifier set) in keyboard-input mode.
    KeyOutcome keyDown(int keyCode, int shift, const KeyContext& at);
    // A key went up in keyboard-input mode.
    KeyOutcome keyUp(int keyCode, const KeyContext& at);
    // The canvas lost the focus (or the mode was turned off): the held keys
    // are forgotten, so a key released elsewhere blocks nothing afterwards,
    // and a chord in progress ends.
    void reset();
    // A chart was opened: held keys and a chord in progress are forgotten.
    void chartReplaced();

    int pendingChordKind() const { return pendingChord_; }

  private:
    int stepFor(const KeyContext& at) const;
    KeyOutcome backspace(const KeyContext& at);
    KeyOutcome arrowOrSpace(int keyCode, int shift, const KeyContext& at);
    int alignedBase(double viewBase) const;
    void writeKind(int coord, int kind);
    void openStep(const QString& action);
    void closeStep();

    ChartEdit& edits_;
    int held_ = 0;
    int step_ = 0;          // the step of the last key press
    int pendingChord_ = 0;  // kind written under Shift, waiting for a second arrow
    int chordCoord_ = 0;
    bool stepOpen_ = false;
};

}  // namespace lumidex
