#include "BatchController.h"

#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>

#include "ChartView.h"
#include "Wiring.h"
#include "fmBPM.h"

namespace lumidex {

BatchController::BatchController(const WindowParts& parts, BatchCommands& batch,
                                 const BatchWidgets& w, QWidget* window)
    : parts_(parts), batch_(batch), w_(w), window_(window) {
    Dialogs& ui = parts_.ui;
    wire(this, ui, w_.mnCut, &QAction::triggered, [this] { mnCut_Click(); });
    wire(this, ui, w_.mnCopy, &QAction::triggered, [this] { mnCopy_Click(); });
    wire(this, ui, w_.mnPaste, &QAction::triggered, [this] { mnPaste_Click(); });
    for (int i = 0; i < static_cast<int>(w_.mnObstacle.size()); ++i)
        wire(this, ui, w_.mnObstacle[i], &QAction::triggered, [this, i] { mnObstacle_Click(i); });
    for (int i = 0; i < static_cast<int>(w_.mnKeyFxSnd.size()); ++i)
        wire(this, ui, w_.mnKeyFxSnd[i], &QAction::triggered, [this, i] { mnKeyFxSnd_Click(i); });
    wire(this, ui, w_.mnSetBPM, &QAction::triggered, [this] { mnSetBPM_Click(); });
    wire(this, ui, w_.cmdCopy, &QPushButton::clicked, [this] { cmdCopy_Click(); });
    wire(this, ui, w_.cmdCut, &QPushButton::clicked, [this] { cmdCut_Click(); });
    wire(this, ui, w_.cmdPaste, &QPushButton::clicked, [this] { cmdPaste_Click(); });
}

ClipFields BatchController::clipFields() const {
    return {w_.chkCopyNote->isChecked(), w_.chkCopyFxSnd->isChecked(), w_.chkCopyBPM->isChecked()};
}

void BatchController::repaint() {
    parts_.view.ReDrawNote();
}

void BatchController::mnCopy_Click() {
    if (batch_.Copy(w_.txFrom->text(), w_.txTo->text(), clipFields())) repaint();
}

void BatchController::mnCut_Click() {
    if (batch_.Cut(w_.txFrom->text(), w_.txTo->text(), clipFields())) repaint();
}

void BatchController::mnPaste_Click() {
    if (batch_.Paste(w_.txPaste->text(), clipFields())) repaint();
}

void BatchController::mnObstacle_Click(int index) {
    if (index < 0 || index >= kKindTransforms) return;
    if (batch_.Transform(KindTransform(index), w_.txFrom->text(), w_.txTo->text())) repaint();
}

void BatchController::mnKeyFxSnd_Click(int index) {
    if (batch_.FillKeyIndex(index == 1, w_.txFrom->text(), w_.txTo->text())) repaint();
}

// One dialog at a time; showing it again brings the open one to the front.
void BatchController::mnSetBPM_Click() {
    auto* dialog = window_->findChild<fmBPM*>(QStringLiteral("fmBPM"), Qt::FindDirectChildrenOnly);
    if (!dialog)
        dialog = new fmBPM(
            batch_, [this] { repaint(); }, window_);
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
}

}  // namespace lumidex
