#pragma once
// The "Change Speed" dialog: shows the tempo and speed in force at a coord
// and rewrites that tempo segment from the coord on. Shown modelessly from
// "C&hange Speed......"; the main window stays usable beside it.
//
// Enter runs the default button, which follows the focus: in the coord box
// it is "&Get BPM Info", in the speed box "&Change"; the tempo box leaves it
// as it was. Refused input beeps and keeps the dialog open. Closing the
// dialog (Cancel, Escape, the close box, or after a change) forgets what was
// typed: the next opening starts with empty boxes.

#include <QDialog>

#include <functional>

#include "BatchCommands.h"

class QLineEdit;
class QPushButton;

namespace lumidex {

class fmBPM : public QDialog {
  public:
    // changed runs after a change was applied (the window marks the chart
    // modified and repaints).
    fmBPM(BatchCommands& commands, std::function<void()> changed, QWidget* parent = nullptr);

    QLineEdit* txCoord = nullptr;  // "Enter Coord:"
    QLineEdit* txBPMO = nullptr;   // "Current BPM:"
    QLineEdit* txBPM = nullptr;    // "Current Speed:"
    QPushButton* cmdGetInfo = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;

    void cmdGetInfo_Click();
    void cmdOK_Click();
    void cmdCancel_Click();
    void txCoord_GotFocus();
    void txBPM_GotFocus();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void hideEvent(QHideEvent* event) override;

  private:
    BatchCommands& commands_;
    std::function<void()> changed_;
};

}  // namespace lumidex
