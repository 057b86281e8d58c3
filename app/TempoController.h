#pragma once
// "Detect Tempo..." in the Edit menu: opens the beat analysis dialog
// (tempo/ui) on the chart's music, found as "&Open" finds it, afresh each
// time. Taps in the dialog take the music's position while it plays.

#include <QObject>

#include <functional>

#include "WindowParts.h"

class QAction;
class QMenu;
class QWidget;

namespace lumidex {

class Playback;
class SoundBank;

struct TempoParts {
    Playback& playback;
    SoundBank& sounds;
    std::function<QString()> musicDir;
    std::function<void()> applied;  // a tempo was written: show the header, repaint
};

class TempoController : public QObject {
  public:
    // Adds its item to editMenu; window is the dialog's parent.
    TempoController(const WindowParts& parts, TempoParts tempo, QMenu* editMenu, QWidget* window);

    QAction* mnDetectTempo = nullptr;
    void mnDetectTempo_Click();

  private:
    WindowParts parts_;
    TempoParts tempo_;
    QWidget* window_;
};

}  // namespace lumidex
