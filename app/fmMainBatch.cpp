// The batch commands of the main window: the "Clipboard" panel and the Edit
// menu's copy, cut and paste, the "--Batch Operation--" group and "C&hange
// Speed......". Each handler reads its controls and forwards to
// BatchCommands, and repaints; the chart is marked modified by the edit step
// a command makes, only when that step changed something.

#include <QCheckBox>
#include <QLineEdit>

#include "fmBPM.h"
#include "fmMain.h"

namespace lumidex {
namespace {

ClipFields clipFields(const fmMain& w) {
    return {w.chkCopyNote->isChecked(), w.chkCopyFxSnd->isChecked(), w.chkCopyBPM->isChecked()};
}

}  // namespace

void fmMain::mnCopy_Click() {
    if (batch.Copy(txFrom->text(), txTo->text(), clipFields(*this))) ReDrawNote();
}

void fmMain::mnCut_Click() {
    if (batch.Cut(txFrom->text(), txTo->text(), clipFields(*this))) ReDrawNote();
}

void fmMain::mnPaste_Click() {
    if (batch.Paste(txPaste->text(), clipFields(*this))) ReDrawNote();
}

void fmMain::mnObstacle_Click(int index) {
    if (index < 0 || index >= kKindTransforms) return;
    if (batch.Transform(KindTransform(index), txFrom->text(), txTo->text())) ReDrawNote();
}

void fmMain::mnKeyFxSnd_Click(int index) {
    if (batch.FillKeyIndex(index == 1, txFrom->text(), txTo->text())) ReDrawNote();
}

// One dialog at a time; showing it again brings the open one to the front.
void fmMain::mnSetBPM_Click() {
    auto* dialog = findChild<fmBPM*>(QStringLiteral("fmBPM"), Qt::FindDirectChildrenOnly);
    if (!dialog) {
        dialog = new fmBPM(
            batch, [this] { ReDrawNote(); }, this);
    }
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
}

}  // namespace lumidex
