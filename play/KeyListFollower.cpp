#include "KeyListFollower.h"

#include "KeyList.h"

namespace lumidex {

KeyListFollower::KeyListFollower(ChartEdit& edits, SoundBank& bank, Playback& playback)
    : edits_(edits), bank_(bank), playback_(playback) {
    edits_.addListener(this);
}

KeyListFollower::~KeyListFollower() {
    edits_.removeListener(this);
}

void KeyListFollower::chartChanged(const ChartChange& change) {
    if (!changesKeyList(change)) return;
    playback_.withdrawKeys();
    bank_.followKeyList(edits_.doc());
}

}  // namespace lumidex
