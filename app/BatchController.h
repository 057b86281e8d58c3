#pragma once
// The batch commands: the "Clipboard" panel and the Edit menu's copy, cut
// and paste, the "--Batch Operation--" group and "C&hange Speed......". Each
// handler reads its controls and forwards to BatchCommands; a command that
// changed the chart marks it modified (also when the values written equal
// the old ones) and repaints.

#include <QObject>

#include <functional>

#include "BatchCommands.h"
#include "WindowParts.h"
#include "WindowWidgets.h"

class QWidget;

namespace lumidex {

class BatchController : public QObject {
  public:
    // changed runs after a command changed the chart; window is the parent
    // of "C&hange Speed......".
    BatchController(const WindowParts& parts, BatchCommands& batch, const BatchWidgets& w,
                    std::function<void()> changed, QWidget* window);

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

    WindowParts parts_;
    BatchCommands& batch_;
    BatchWidgets w_;
    std::function<void()> changed_;
    QWidget* window_;
};

}  // namespace lumidex
