// The batch commands of the main window: the "Clipboard" panel and the Edit
// menu's copy, cut and paste, the "--Batch Operation--" group and "C&hange
// Speed......". Each handler reads its controls and forwards to
// BatchCommands; a command that changed the chart marks it modified (also
// when the values written equal the old ones) and repaints.

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
    if (!batch.Cut(txFrom->text(), txTo->text(), clipFields(*this))) return;
    setModified(true);
    ReDrawNote();
}

void fmMain::mnPaste_Click() {
    if (!batch.Paste(txPaste->text(), clipFields(*this))) return;
    setModified(true);
    ReDrawNote();
}

void fmMain::mnObstacle_Click(int index) {
    if (index < 0 || index >= kKindTransforms) return;
    if (!batch.Transform(KindTransform(index), txFrom->text(), txTo->text())) return;
    setModified(true);
    ReDrawNote();
}

// A fill that changed key indices marks the chart modified through the edit
// step, so the save question guards it.
void fmMain::mnKeyFxSnd_Click(int index) {
    if (batch.FillKeyIndex(index == 1, txFrom->text(), txTo->text())) ReDrawNote();
}

// One dialog at a time; showing it again brings the open one to the front.
void fmMain::mnSetBPM_Click() {
    auto* dialog = findChild<fmBPM*>(QStringLiteral("fmBPM"), Qt::FindDirectChildrenOnly);
    if (!dialog) {
        dialog = new fmBPM(
            batch,
            [this] {
                setModified(true);
                ReDrawNote();
            },
            this);
    }
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
}

}  // namespace lumidex
