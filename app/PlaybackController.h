#pragma once
// Playback and the music and key buttons: "&Open", "C&lose" and "&Play" of
// the music, "Open Key" and "Close Key", the "Playing Speed" sliders and the
// "Pla&y" menu's decoder and playback items. Each handler forwards to the
// sound bank and the playback engine (play/); which controls can be used is
// SoundControls' rule, shown here.

#include <QObject>

#include <functional>

#include "KeyPreview.h"
#include "Playback.h"
#include "SoundControls.h"
#include "WindowParts.h"
#include "WindowWidgets.h"

class QShortcut;
class QTimer;
class QWidget;

namespace lumidex {

struct PlaybackParts {
    SoundBank& sounds;
    Playback& playback;
    KeyPreview& keyPreview;
    std::function<QString()> musicDir;  // where the music and key sounds are looked for
};

class PlaybackController : public QObject {
  public:
    // window gets the Esc shortcut that pauses playback.
    PlaybackController(const WindowParts& parts, const PlaybackParts& play,
                       const PlaybackWidgets& w, QWidget* window);

    void mnDecoder_Click(int index);
    void cmdOpenBGM_Click();
    void cmdCloseBGM_Click();
    void cmdOpenKey_Click();
    void cmdCloseKey_Click();
    void mnPlayStart_Click() { cmdPlay_Click(); }
    void cmdPlay_Click();
    void mnPlayBGM_Click() {}  // read when playback starts next
    void mnPlayKeyNote_Click();
    void sldTempo_Change(int index);
    void cmdResetTempo_Click(int index);

    // Stops the music and every key sound, and gives the view back to the
    // scroll bar.
    void StopPlay();
    // One playback step, run by a timer once per display frame while playing:
    // the view follows the music and repaints when the coord changes.
    void playStep();
    // A key clicked in the key list played.
    void keyPreviewPlayed();

  private:
    void connectControls();
    void showStates();
    void setKeysOn(bool on);

    WindowParts parts_;
    PlaybackParts play_;
    PlaybackWidgets w_;
    SoundControls controls_;
    QTimer* playTimer_ = nullptr;
    QShortcut* escPlay_ = nullptr;  // Esc presses "&Pause" while playing
};

}  // namespace lumidex
