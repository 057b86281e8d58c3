#pragma once
// Keeps the open key sounds in step with the key list: after every step that
// changes it ("Add &Key...", "&Batch Add Key...", "Ed&it Key...", "&Delete
// Key...", "Pur&ge Unused Key..." and the undo or redo of each), the note
// with index k sounds the file the list shows at k, with every decoder and
// during playback too. Key starts placed ahead by the old numbering are
// withdrawn first; the sound bank then moves, opens or lets go of sounds
// (SoundBank::followKeyList).
//
// Listens to the ChartEdit for its whole life. Window thread only.

#include "ChartEdit.h"
#include "Playback.h"
#include "SoundBank.h"

namespace lumidex {

class KeyListFollower : public ChartEditListener {
  public:
    KeyListFollower(ChartEdit& edits, SoundBank& bank, Playback& playback);
    ~KeyListFollower() override;
    KeyListFollower(const KeyListFollower&) = delete;
    KeyListFollower& operator=(const KeyListFollower&) = delete;

    void chartChanged(const ChartChange& change) override;

  private:
    ChartEdit& edits_;
    SoundBank& bank_;
    Playback& playback_;
};

}  // namespace lumidex
