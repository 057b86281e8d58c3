#pragma once
// The "Music Info" boxes. A number box is checked when it is left (or Enter
// is pressed in it) after the user changed its text: a refused entry beeps
// and keeps the focus there, an accepted one is one edit step
// (edit/HeaderFields.h). The music name and file take every change typed,
// a run of typing in one box being one undo step (edit/TypingRun.h).
// The boxes show the chart's header texts and, for a save, give them back.

#include <QObject>

#include "ChartDocument.h"
#include "TypingRun.h"
#include "WindowParts.h"
#include "WindowWidgets.h"

namespace lumidex {

class MusicInfoBoxes : public QObject {
  public:
    MusicInfoBoxes(const WindowParts& parts, const MusicInfoWidgets& w, UndoHistory& history);

    // The boxes' texts into h, and h shown in the boxes.
    void storeHeader(HeaderTexts& h) const;
    void showHeader(const HeaderTexts& h);
    // Takes the entry of a box the user is still typing in, as leaving it
    // would, so the question about unsaved changes or an undo knows of it.
    void acceptPendingHeaderEdit();
    // The "pvx_music Path" text.
    QString musicPath() const;

    // Each runs when its box is left after the user changed its text;
    // Cancel refuses the entry.
    void txBPMO_Validate(bool& Cancel);
    void txBPM_Validate(bool& Cancel);
    void txLength_Validate(bool& Cancel);
    void txLongCorrectVal_Validate(bool& Cancel);
    void txDelay_Validate(bool& Cancel);
    void txBGMVolume_Validate(bool& Cancel);
    void txBGM_Change();
    void txName_Change();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    bool validateHeaderBox(QLineEdit* box);
    void typed(QLineEdit* box, const std::function<void()>& change);

    WindowParts parts_;
    MusicInfoWidgets w_;
    TypingRun run_;
};

}  // namespace lumidex
