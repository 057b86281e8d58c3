#pragma once
// The batch commands: the "Clipboard" panel and the Edit menu's copy, cut
// and paste, the "--Batch Operation--" group and "C&hange Speed......". Each
// handler reads its controls, forwards to BatchCommands and repaints; the
// chart is marked modified by the edit step a command makes, only when that
// step changed something.

#include <QObject>

#include "BatchCommands.h"
#include "WindowParts.h"
#include "WindowWidgets.h"

class QWidget;

namespace lumidex {

class BatchController : public QObject {
  public:
    // window is the parent of "C&hange Speed......".
    BatchController(const WindowParts& parts, BatchCommands& batch, const BatchWidgets& w,
                    QWidget* window);

    void mnCut_Click();
    void mnCopy_Click();
    void mnPaste_Click();
    void mnObstacle_Click(int index);
    void mnKeyFxSnd_Click(int index);
    void mnSetBPM_Click();
    void cmdCopy_Click() { mnCopy_Click(); }
    void cmdCut_Click() { mnCut_Click(); }
    void cmdPaste_Click() { mnPaste_Click(); }

  private:
    ClipFields clipFields() const;
    void repaint();

    WindowParts parts_;
    BatchCommands& batch_;
    BatchWidgets w_;
    QWidget* window_;
};

}  // namespace lumidex
