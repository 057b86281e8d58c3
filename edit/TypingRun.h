#pragma once
// Typing in a text box is one undo step per run of typing, not one per
// character. Each keystroke's change is made through typed(); it joins the
// step of the keystroke before it when both were typed in the same box, the
// pause between them was short, and nothing else happened to the history in
// between (another change, an undo, a new chart). Leaving the box ends the
// run (end()).
//
// Belongs to the window thread, as the history does.

#include <cstdint>
#include <functional>

#include "UndoHistory.h"

namespace lumidex {

class TypingRun {
  public:
    static constexpr int64_t kPauseMs = 1000;  // a longer pause starts a new step

    explicit TypingRun(UndoHistory& history) : history_(history) {}

    // Runs change (one edit step) for a keystroke in box at nowMs on a
    // steady clock, and joins its step into the run.
    void typed(const void* box, int64_t nowMs, const std::function<void()>& change);
    // The run is over: the next keystroke starts a new step.
    void end() { box_ = nullptr; }

  private:
    UndoHistory& history_;
    const void* box_ = nullptr;  // the box of the open run; nullptr for none
    int64_t lastMs_ = 0;
    uint64_t serial_ = 0;  // the history's serial after the run's last step
};

}  // namespace lumidex
