#include "KeyBoxController.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTimer>

#include "ChartView.h"
#include "Numbers.h"
#include "PictureBox.h"
#include "ViewRows.h"
#include "Wiring.h"

namespace lumidex {

KeyBoxController::KeyBoxController(const WindowParts& parts, const KeyBoxWidgets& w)
    : parts_(parts), w_(w), box_(parts.edits, *this) {
    w_.picKey->installEventFilter(this);
    w_.txFxSnd->installEventFilter(this);
    parts_.edits.addListener(this);
}

KeyBoxController::~KeyBoxController() {
    parts_.edits.removeListener(this);
}

bool KeyBoxController::eventFilter(QObject* watched, QEvent* event) {
    if (watched == w_.txFxSnd) return boxEvent(event);
    if (event->type() != QEvent::MouseButtonPress && event->type() != QEvent::MouseButtonDblClick)
        return false;
    const auto* mouse = static_cast<QMouseEvent*>(event);
    const QPoint at = mouse->position().toPoint();
    guarded(parts_.ui, [&] {
        picKey_MouseDown(buttonsOf(mouse->buttons()), shiftOf(mouse->modifiers()), at.x(), at.y());
    });
    return true;
}

// A refused text keeps the focus in the box.
bool KeyBoxController::boxEvent(QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        bool taken = false;
        guarded(parts_.ui,
                [&] { taken = txFxSnd_KeyDown(keyCodeOf(key->key()), shiftOf(key->modifiers())); });
        return taken;
    }
    if (event->type() == QEvent::FocusOut && w_.txFxSnd->isVisible() &&
        leavesTheBox(static_cast<QFocusEvent*>(event))) {
        bool cancel = false;
        guarded(parts_.ui, [&] { txFxSnd_Validate(cancel); });
        if (cancel) QTimer::singleShot(0, w_.txFxSnd, [this] { w_.txFxSnd->setFocus(); });
    }
    return false;
}

void KeyBoxController::picKey_MouseDown(int, int, int, int y) {
    box_.click(y, ViewRows(parts_.view));
}

bool KeyBoxController::txFxSnd_KeyDown(int keyCode, int shift) {
    const ViewState& vs = parts_.view.state();
    const ViewRows rows(parts_.view);
    return box_.keyDown(keyCode, shift, KeyBoxView{rows, vs.firstDrawn, vs.lastDrawn, vs.altStep});
}

void KeyBoxController::txFxSnd_Validate(bool& Cancel) {
    Cancel = !box_.leave();
}

// ---- the box as the rules see it -------------------------------------------------

bool KeyBoxController::isOpen() const {
    return w_.txFxSnd->isVisible();
}
QString KeyBoxController::text() const {
    return w_.txFxSnd->text();
}
int KeyBoxController::top() const {
    return w_.txFxSnd->y();
}
int KeyBoxController::stripHeight() const {
    return w_.picKey->height();
}
void KeyBoxController::open() {
    w_.txFxSnd->show();
    w_.txFxSnd->raise();
    w_.txFxSnd->setFocus();
}
void KeyBoxController::close() {
    w_.txFxSnd->hide();
}
void KeyBoxController::place(int row, const QString& text) {
    w_.txFxSnd->move(0, row);
    showText(text);
}
void KeyBoxController::showText(const QString& text) {
    w_.txFxSnd->setText(text);
    w_.txFxSnd->selectAll();
}
void KeyBoxController::moveWithNote(double d) {
    w_.txFxSnd->move(0, int(roundHalfEven(w_.txFxSnd->y() - kRowsPerCoord * d)));
}
void KeyBoxController::scrollPage(bool up) {
    QScrollBar* vsb = w_.vsb;
    vsb->setValue(vsb->value() + (up ? vsb->pageStep() : -vsb->pageStep()));
}
void KeyBoxController::focusCanvas() {
    w_.picMain->setFocus();
}
void KeyBoxController::repaint() {
    parts_.view.ReDrawNote();
}
void KeyBoxController::beep() {
    parts_.ui.beep();
}

}  // namespace lumidex
