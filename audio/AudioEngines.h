#pragma once
// Bringing the sound engines up at start-up and down at shutdown.

#include <QString>

#include <functional>

#include "Dialogs.h"
#include "Miles.h"

namespace lumidex {

// The critical-error texts of start-up.
inline const QString kBassVersionMessage =
    QStringLiteral("BASS.DLL version is incorrect, please use version 2.4!");
inline const QString kBassInitMessage = QStringLiteral(
    "Error while initialising audio device, you may not be able to play with BASS module!");
inline const QString kMilesInitMessage = QStringLiteral(
    "Error while initialising audio device, you may not be able to play with Miles module!");

class AudioEngines {
  public:
    // Start-up in order: the BASS version check, BASS_Init on the default
    // device at 44100 Hz, the BASS plug-ins, the Miles quick start-up and its
    // handles. Problems are shown through ui with their critical-error texts;
    // disableDecoder(index) is called for a decoder menu item (0 BASS,
    // 1 Miles) whose engine failed, and start-up goes on. Returns false when
    // the program must end (wrong BASS version).
    bool startup(Dialogs& ui, const std::function<void(int)>& disableDecoder);

    // Shuts Miles down, frees the plug-ins and BASS. Release every player
    // first (PlayerSlots::releaseAll). Safe to call twice.
    void shutdown();

    bool bassReady() const { return bassReady_; }
    bool milesReady() const { return milesReady_; }

    // The Miles digital driver from start-up; null when Miles did not start.
    HDIGDRIVER milesDigital() const { return digital_; }

    // Loads every decoder plug-in of the program's plug-in folder into the
    // BASS layer, in name order (start-up does it; a command that decodes
    // music without starting the engines calls it alone). Failures are kept
    // by the layer (bassPluginSkips). BASS_PluginFree(0) frees them.
    static void loadBassPlugins();

  private:
    bool bassReady_ = false;
    bool milesReady_ = false;
    bool started_ = false;
    HDIGDRIVER digital_ = nullptr;
};

}  // namespace lumidex
