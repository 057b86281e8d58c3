#pragma once
// Bringing the three sound engines up at start-up and down at shutdown.

#include <functional>

#include "Dialogs.h"

namespace lumidex {

class AudioEngines {
public:
    // Start-up in order: the BASS version check, BASS_Init on the default
    // device, the BASS plug-ins, the Miles quick start-up and its handles.
    // Problems are shown through ui with their critical-error texts;
    // disableDecoder(index) is called for a decoder menu item (0 BASS,
    // 1 Miles) whose engine failed. Returns false when the program must end
    // (wrong BASS version).
    bool startup(Dialogs& ui, const std::function<void(int)>& disableDecoder);

    // Shuts Miles down, frees the plug-ins and BASS. Safe to call twice.
    void shutdown();

    bool bassReady() const { return bassReady_; }
    bool milesReady() const { return milesReady_; }

private:
    bool bassReady_ = false;
    bool milesReady_ = false;
    bool started_ = false;
};

}  // namespace lumidex
