// "&Undo" and "&Redo" of the Edit menu: the window's side of the undo
// history. Each item names the step it would take ("&Undo Paste") and is
// enabled only when there is one; after a step is taken back or again, the
// canvas, the read-outs, the key list and the "Music Info" boxes show the
// chart as it now is.

#include <QAction>

#include "ChartView.h"
#include "MusicInfoBoxes.h"
#include "WindowWidgets.h"
#include "fmMain.h"

namespace lumidex {
namespace {

// "&Undo" or "&Undo Paste"; an "&" in the step's name is shown as itself.
QString menuText(const QString& verb, QString action) {
    if (action.isEmpty()) return verb;
    return verb + QLatin1Char(' ') + action.replace(QLatin1Char('&'), QLatin1String("&&"));
}

}  // namespace

void fmMain::mnUndo_Click() {
    UndoProc();
}

// Text still being typed into a "Music Info" box is the latest change, so
// it is taken first and is what the undo takes back.
void fmMain::UndoProc() {
    musicInfo->acceptPendingHeaderEdit();
    showRestored(history.undo());
}

void fmMain::mnRedo_Click() {
    showRestored(history.redo());
}

void fmMain::refreshUndoMenu() {
    w_->mnUndo->setText(menuText(QStringLiteral("&Undo"), history.undoAction()));
    w_->mnUndo->setEnabled(history.canUndo());
    w_->mnRedo->setText(menuText(QStringLiteral("&Redo"), history.redoAction()));
    w_->mnRedo->setEnabled(history.canRedo());
}

// The key list follows every change by itself (chartChanged). The scroll
// range follows the chart length put back.
void fmMain::showRestored(const std::optional<ChartChange>& change) {
    if (!change) return;
    if (change->scalarsBefore) {
        showHeader();
        view->setScrollTop();
    }
    ReDrawNote();
}

}  // namespace lumidex
