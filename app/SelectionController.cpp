#include "SelectionController.h"

#include <QAction>
#include <QCursor>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>

#include "ChartView.h"
#include "Numbers.h"
#include "PictureBox.h"
#include "RowBands.h"
#include "Wiring.h"

namespace lumidex {
namespace {

const QColor kFill(70, 140, 255, 80);
const QColor kEdge(120, 180, 255);

}  // namespace

SelectionController::SelectionController(const WindowParts& parts, const SelectionWidgets& w)
    : parts_(parts), w_(w) {
    bands_.push_back(new RowBands(w_.picMain));
    for (QWidget* strip : w_.strips)
        if (strip) bands_.push_back(new RowBands(strip));
    // Installed after the mouse editing's filter, so this one sees presses first.
    w_.picMain->installEventFilter(this);
    parts_.view.addRepaintListener([this] { showBands(); });
    parts_.edits.addListener(this);

    // The items go below the clipboard's own "&Paste".
    const QList<QAction*> items = w_.mnEdit->actions();
    const qsizetype clipPaste = items.indexOf(w_.batch.mnPaste);
    QAction* before =
        clipPaste >= 0 && clipPaste + 1 < items.size() ? items[clipPaste + 1] : nullptr;
    QAction* copy = addItem(before, "mnSelCopy", QStringLiteral("Copy Selection"),
                            QKeySequence(Qt::CTRL | Qt::Key_C));
    QAction* cut = addItem(before, "mnSelCut", QStringLiteral("Cut Selection"),
                           QKeySequence(Qt::CTRL | Qt::Key_X));
    QAction* pasteAt = addItem(before, "mnSelPaste", QStringLiteral("Paste at Pointer"),
                               QKeySequence(Qt::CTRL | Qt::Key_V));
    QAction* erase = addItem(before, "mnSelDelete", QStringLiteral("Delete Selection"),
                             QKeySequence(Qt::Key_Delete));
    // Esc belongs to the canvas (playback pauses on it): the item only shows it.
    QAction* clear = addItem(before, "mnSelClear", QStringLiteral("Clear Selection\tEsc"), {});
    w_.mnEdit->insertSeparator(copy);
    Dialogs& ui = parts_.ui;
    wire(this, ui, copy, &QAction::triggered, [this] { mnSelCopy_Click(); });
    wire(this, ui, cut, &QAction::triggered, [this] { mnSelCut_Click(); });
    wire(this, ui, pasteAt, &QAction::triggered, [this] { mnSelPaste_Click(); });
    wire(this, ui, erase, &QAction::triggered, [this] { mnSelDelete_Click(); });
    wire(this, ui, clear, &QAction::triggered, [this] { mnSelClear_Click(); });
    needSpan_ = {copy, cut, erase, clear};
    // A range typed by hand is no longer the one highlighted.
    for (QLineEdit* box : {w_.batch.txFrom, w_.batch.txTo})
        connect(box, &QLineEdit::textEdited, this, [this] { select(std::nullopt); });
    select(std::nullopt);
}

SelectionController::~SelectionController() {
    parts_.edits.removeListener(this);
}

QAction* SelectionController::addItem(QAction* before, const char* name, const QString& caption,
                                      const QKeySequence& key) {
    auto* item = new QAction(caption, w_.mnEdit);
    item->setObjectName(QString::fromLatin1(name));
    item->setShortcut(key);
    w_.mnEdit->insertAction(before, item);
    return item;
}

// ---- the marking drag --------------------------------------------------------------

bool SelectionController::eventFilter(QObject* watched, QEvent* event) {
    if (watched != w_.picMain) return false;
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() != Qt::Key_Escape || !span_ || parts_.view.state().playing) return false;
        select(std::nullopt);
        return true;
    }
    return mouseEvent(event);
}

bool SelectionController::mouseEvent(QEvent* event) {
    const QEvent::Type type = event->type();
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonDblClick &&
        type != QEvent::MouseMove && type != QEvent::MouseButtonRelease)
        return false;
    const auto* mouse = static_cast<QMouseEvent*>(event);
    const int row = mouse->position().toPoint().y();
    const bool pressing = type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick;
    if (pressing && !anchor_) {
        if (mouse->buttons() != Qt::LeftButton || !(mouse->modifiers() & Qt::ShiftModifier))
            return false;
        anchor_ = parts_.view.HeightToCoord(row);
        w_.picMain->setFocus();
    }
    if (!anchor_) return false;
    guarded(parts_.ui, [&] { dragTo(row); });
    if (type == QEvent::MouseButtonRelease && mouse->buttons() == Qt::NoButton) anchor_.reset();
    return true;  // the whole drag is the marking's, whatever else is pressed
}

void SelectionController::dragTo(int row) {
    select(dragSpan(*anchor_, parts_.view.HeightToCoord(row), parts_.edits.doc().AlignCoord));
    showSpanInBoxes();
}

void SelectionController::select(std::optional<CoordSpan> span) {
    span_ = span;
    for (QAction* item : needSpan_) item->setEnabled(span_.has_value());
    showBands();
}

void SelectionController::showSpanInBoxes() {
    w_.batch.txFrom->setText(QString::number(span_->from));
    w_.batch.txTo->setText(QString::number(span_->to));
}

// The rows of the notes of the range: a note's picture reaches 7 rows either
// side of its coord's row, and time runs upward.
void SelectionController::showBands() {
    std::vector<RowBand> bands;
    if (span_) {
        const ChartView& view = parts_.view;
        bands.push_back({view.CoordToHeight(span_->to) - kNoteRowOffset,
                         view.CoordToHeight(span_->from) + kNoteRowOffset, kFill, kEdge});
    }
    for (RowBands* b : bands_) b->setBands(bands);
}

// ---- the keys ----------------------------------------------------------------------------

void SelectionController::mnSelCopy_Click() {
    if (!span_) return;
    showSpanInBoxes();
    w_.batch.mnCopy->trigger();
}

void SelectionController::mnSelCut_Click() {
    if (!span_) return;
    showSpanInBoxes();
    w_.batch.mnCut->trigger();
}

std::optional<int> SelectionController::pointerCoord() const {
    const QPoint at = w_.picMain->mapFromGlobal(QCursor::pos());
    if (!w_.picMain->isVisible() || !w_.picMain->rect().contains(at)) return std::nullopt;
    return parts_.view.HeightToCoord(at.y());
}

void SelectionController::mnSelPaste_Click() {
    const ViewState& vs = parts_.view.state();
    const PastePlace place{pointerCoord(), toInt32(roundHalfEven(vs.viewBase)), vs.playing};
    w_.batch.txPaste->setText(QString::number(pasteTarget(place, parts_.edits.doc().AlignCoord)));
    w_.batch.mnPaste->trigger();
}

void SelectionController::mnSelDelete_Click() {
    if (!span_) return;
    eraseNotes(parts_.edits, *span_);
    parts_.view.ReDrawNote();
}

}  // namespace lumidex
