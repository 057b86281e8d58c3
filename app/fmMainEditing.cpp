// The window's side of editing: the palette, mouse and keys on the canvas,
// the key index box over the key strip and the "Music Info" boxes. Events
// are turned into the handlers' numbers here (buttons 1/2/4, shift 1/2/4,
// key codes) and the handlers forward to the rules in edit/.

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QScrollBar>
#include <QStatusBar>
#include <QTimer>

#include <algorithm>
#include <cmath>

#include "ChartView.h"
#include "HeaderFields.h"
#include "KeyIndexEditing.h"
#include "Numbers.h"
#include "PictureBox.h"
#include "fmMain.h"
#include "fmRandKind.h"

namespace lumidex {
namespace {

// The canvas rows of the view as it stands.
class ViewRows : public CanvasRows {
  public:
    explicit ViewRows(const ChartView& view) : view_(view) {}
    int HeightToCoord(int row) const override { return view_.HeightToCoord(row); }
    int CoordToHeight(int coord) const override { return view_.CoordToHeight(coord); }

  private:
    const ChartView& view_;
};

int buttonsOf(Qt::MouseButtons buttons) {
    return (buttons & Qt::LeftButton ? kButtonLeft : 0) |
           (buttons & Qt::RightButton ? kButtonRight : 0) |
           (buttons & Qt::MiddleButton ? kButtonMiddle : 0);
}

int shiftOf(Qt::KeyboardModifiers modifiers) {
    return (modifiers & Qt::ShiftModifier ? kShiftMask : 0) |
           (modifiers & Qt::ControlModifier ? kCtrlMask : 0) |
           (modifiers & Qt::AltModifier ? kAltMask : 0);
}

int keyCodeOf(int qtKey) {
    switch (qtKey) {
        case Qt::Key_Backspace:
            return kKeyBackspace;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            return kKeyEnter;
        case Qt::Key_Shift:
            return kKeyShift;
        case Qt::Key_Space:
            return kKeySpace;
        case Qt::Key_PageUp:
            return kKeyPgUp;
        case Qt::Key_PageDown:
            return kKeyPgDown;
        case Qt::Key_Left:
            return kKeyLeft;
        case Qt::Key_Up:
            return kKeyUp;
        case Qt::Key_Right:
            return kKeyRight;
        case Qt::Key_Down:
            return kKeyDown;
        default:
            return 0;
    }
}

// Focus that leaves for a menu or another window is not the user leaving the
// box: nothing is checked then.
bool leavesTheBox(const QFocusEvent* event) {
    return event->reason() != Qt::PopupFocusReason &&
           event->reason() != Qt::ActiveWindowFocusReason;
}

}  // namespace

void fmMain::connectEditing() {
    ViewState& vs = view->state();
    mouse_ = std::make_unique<MouseEditing>(
        edits, MouseMarks{vs.selectedKind, vs.mouseHeld, vs.lastEditedCoord}, randomKinds);
    for (QWidget* w : {static_cast<QWidget*>(picMain), static_cast<QWidget*>(picKey),
                       static_cast<QWidget*>(txFxSnd)})
        w->installEventFilter(this);
    for (QLineEdit* box : {txBPMO, txBPM, txLength, txLongCorrectVal, txDelay, txBGMVolume})
        box->installEventFilter(this);
    connect(txBGM, &QLineEdit::textEdited, this, [this] { Guarded([this] { txBGM_Change(); }); });
    connect(txName, &QLineEdit::textEdited, this, [this] { Guarded([this] { txName_Change(); }); });
    // The palette's selection border: a red line, apart from the pictures'
    // own yellow cell lines.
    for (QLabel* image : imgEle) {
        if (!image) continue;
        QPalette palette = image->palette();
        palette.setColor(QPalette::WindowText, QColor(255, 48, 48));
        image->setPalette(palette);
        image->setLineWidth(2);
    }
    // A chart can be typed in from scratch: the fields work without one.
    frMain->setEnabled(true);
}

void fmMain::chartReplaced() {
    mouse_->chartReplaced();
    keyboard.chartReplaced();
    for (int kind = 0; kind < kKindSlots; ++kind) setPaletteBorder(kind, false);
    fxSndCoord = -1;  // what the box held belonged to the old chart
    txFxSnd->hide();
}

bool fmMain::editingEventFilter(QObject* watched, QEvent* event) {
    const auto* mouse = dynamic_cast<QMouseEvent*>(event);
    const auto* key = dynamic_cast<QKeyEvent*>(event);
    if (watched == picMain) {
        const auto run = [&](void (fmMain::*handler)(int, int, int, int)) {
            const QPoint at = mouse->position().toPoint();
            Guarded([&] {
                (this->*handler)(buttonsOf(mouse->buttons()), shiftOf(mouse->modifiers()), at.x(),
                                 at.y());
            });
            return true;
        };
        switch (event->type()) {
            // The second press of a quick double click is a press too: a
            // note placed right after another is not lost.
            case QEvent::MouseButtonPress:
            case QEvent::MouseButtonDblClick:
                return run(&fmMain::picMain_MouseDown);
            case QEvent::MouseMove:
                return run(&fmMain::picMain_MouseMove);
            case QEvent::MouseButtonRelease:
                return run(&fmMain::picMain_MouseUp);
            case QEvent::KeyPress:
            case QEvent::KeyRelease: {
                // A held key repeats as release and press pairs. The releases
                // are not real: an arrow stays held (and blocked) until it is
                // let go. The repeated presses count, so a held Space or
                // Backspace goes on stepping.
                if (event->type() == QEvent::KeyRelease && key->isAutoRepeat()) return false;
                bool taken = false;
                const int code = keyCodeOf(key->key()), shift = shiftOf(key->modifiers());
                Guarded([&] {
                    taken = event->type() == QEvent::KeyPress ? picMain_KeyDown(code, shift)
                                                              : picMain_KeyUp(code, shift);
                });
                return taken;
            }
            case QEvent::FocusOut:
                Guarded([this] { picMain_LostFocus(); });
                return false;
            default:
                return false;
        }
    }
    if (watched == picKey && (event->type() == QEvent::MouseButtonPress ||
                              event->type() == QEvent::MouseButtonDblClick)) {
        const QPoint at = mouse->position().toPoint();
        Guarded([&] {
            picKey_MouseDown(buttonsOf(mouse->buttons()), shiftOf(mouse->modifiers()), at.x(),
                             at.y());
        });
        return true;
    }
    if (watched == txFxSnd) {
        if (event->type() == QEvent::KeyPress) {
            bool taken = false;
            Guarded(
                [&] { taken = txFxSnd_KeyDown(keyCodeOf(key->key()), shiftOf(key->modifiers())); });
            return taken;
        }
        if (event->type() == QEvent::FocusOut && txFxSnd->isVisible() &&
            leavesTheBox(static_cast<QFocusEvent*>(event))) {
            bool cancel = false;
            Guarded([&] { txFxSnd_Validate(cancel); });
            if (cancel) QTimer::singleShot(0, txFxSnd, [this] { txFxSnd->setFocus(); });
        }
        return false;
    }
    auto* box = qobject_cast<QLineEdit*>(watched);
    if (!box) return false;
    const bool enter = event->type() == QEvent::KeyPress &&
                       (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter);
    const bool leave =
        event->type() == QEvent::FocusOut && leavesTheBox(static_cast<QFocusEvent*>(event));
    if ((enter || leave) && !validateHeaderBox(box) && leave)
        QTimer::singleShot(0, box, [box] { box->setFocus(); });
    return false;
}

// ---- palette and mouse -------------------------------------------------------------

void fmMain::setPaletteBorder(int kind, bool on) {
    if (kind < 0 || kind >= kKindSlots || !imgEle[kind]) return;
    imgEle[kind]->setFrameStyle(on ? QFrame::Box | QFrame::Plain : QFrame::NoFrame);
}

void fmMain::imgEle_MouseDown(int index) {
    setPaletteBorder(view->state().selectedKind, false);
    setPaletteBorder(index, true);
    mouse_->selectKind(index);
    picMain->setFocus();
}

void fmMain::picMain_MouseDown(int button, int, int, int y) {
    if (mouse_->press(button, y, ViewRows(*view))) ReDrawNote();
    picMain->setFocus();
}

void fmMain::picMain_MouseMove(int button, int, int, int y) {
    if (mouse_->move(button, y, ViewRows(*view))) ReDrawNote();
}

void fmMain::picMain_MouseUp(int, int, int, int) {
    mouse_->release();
}

// ---- keyboard entry ------------------------------------------------------------------

void fmMain::chkKBInput_Click() {
    keyboardInput = chkKBInput->isChecked() ? 1 : 0;
    keyboard.reset();
    if (keyboardInput) picMain->setFocus();
}

// Where keyboard entry writes: the baseline of the view, which playback moves
// to the play position while it plays.
KeyContext fmMain::keyContext() const {
    const ViewState& vs = view->state();
    return KeyContext{vs.viewBase, vs.playing, vs.keyStep};
}

void fmMain::afterKey(const KeyOutcome& outcome) {
    if (keyContext().playing) return;
    if (outcome.scrollBy) {
        const int target = vsb->value() + *outcome.scrollBy;
        if (target >= 0 && target <= vsb->maximum()) {
            view->scrollTo(target, true);
            return;
        }
    }
    if (outcome.scrollBy || outcome.repaint) view->ReDrawNoteExact();
}

bool fmMain::picMain_KeyDown(int keyCode, int shift) {
    if (!keyboardInput || keyCode == 0) return false;
    const KeyOutcome outcome = keyboard.keyDown(keyCode, shift, keyContext());
    afterKey(outcome);
    return outcome.handled;
}

bool fmMain::picMain_KeyUp(int keyCode, int) {
    if (!keyboardInput || keyCode == 0) return false;
    const KeyOutcome outcome = keyboard.keyUp(keyCode, keyContext());
    afterKey(outcome);
    return outcome.handled;
}

void fmMain::picMain_LostFocus() {
    keyboard.reset();
}

// ---- the key index box -----------------------------------------------------------------

void fmMain::placeKeyBox(int coord, int top, const QString& text) {
    fxSndCoord = coord;
    txFxSnd->move(0, top);
    txFxSnd->setText(text);
    txFxSnd->selectAll();
}

void fmMain::picKey_MouseDown(int, int, int, int y) {
    // Clicking the strip leaves an open box first, as a click elsewhere does.
    if (txFxSnd->isVisible() && !commitKeyBox()) {
        ui_.beep();
        return;
    }
    const int c0 = view->HeightToCoord(y);
    if (c0 < 0) return;
    const std::optional<int> coord = noteNear(doc, c0);
    if (!coord) return;
    placeKeyBox(*coord, view->CoordToHeight(*coord) - 7, keyIndexText(doc.cell(*coord).FxSndIndex));
    txFxSnd->show();
    txFxSnd->raise();
    txFxSnd->setFocus();
}

// Stores the box's text in its note; false (nothing stored) when refused.
bool fmMain::commitKeyBox() {
    if (!commitKeyIndex(edits, fxSndCoord, txFxSnd->text())) return false;
    ReDrawNote();
    return true;
}

void fmMain::txFxSnd_Validate(bool& Cancel) {
    Cancel = !commitKeyBox();
    if (Cancel)
        ui_.beep();
    else
        txFxSnd->hide();
}

void fmMain::moveKeyBox(double d) {
    const int top = txFxSnd->y();
    if (d > 0 ? top <= -3 : top >= picKey->height()) return;
    const std::optional<int> moved = moveNote(edits, fxSndCoord, d);
    if (!moved) return;
    fxSndCoord = *moved;
    ReDrawNote();
    txFxSnd->move(0, int(roundHalfEven(top - kRowsPerCoord * d)));
}

void fmMain::pageKeyBox(int keyCode) {
    const int c = fxSndCoord;
    const bool up = keyCode == kKeyPgUp;
    if (up ? c > doc.LastCoord - 24 : c < kKeyBoxPage) return;
    if (!commitKeyBox()) {
        ui_.beep();
        return;
    }
    vsb->setValue(vsb->value() + (up ? vsb->pageStep() : -vsb->pageStep()));
    fxSndCoord = up ? c + kKeyBoxPage : c - kKeyBoxPage;
    txFxSnd->setText(inChart(fxSndCoord) ? QString::number(doc.cell(fxSndCoord).FxSndIndex)
                                         : QString());
    txFxSnd->selectAll();
}

bool fmMain::txFxSnd_KeyDown(int keyCode, int shift) {
    switch (keyCode) {
        case kKeyEnter:
            picMain->setFocus();
            return true;
        case kKeyPgUp:
        case kKeyPgDown:
            pageKeyBox(keyCode);
            return true;
        case kKeyUp:
        case kKeyDown: {
            const bool up = keyCode == kKeyUp;
            if (shift & kAltMask) {
                moveKeyBox(up ? view->state().altStep : -view->state().altStep);
                return true;
            }
            if (!commitKeyBox()) {
                ui_.beep();
                return true;
            }
            const ViewState& vs = view->state();
            const std::optional<int> next = up ? keyNoteAbove(doc, fxSndCoord, vs.lastDrawn)
                                               : keyNoteBelow(doc, fxSndCoord, vs.firstDrawn);
            if (next)
                placeKeyBox(*next, view->CoordToHeight(*next) - 7,
                            keyIndexText(doc.cell(*next).FxSndIndex));
            return true;
        }
        default:
            return false;
    }
}

// ---- "Music Info" --------------------------------------------------------------------------

// Checks a box the user changed; true when its entry was taken (or there was
// nothing to check).
bool fmMain::validateHeaderBox(QLineEdit* box) {
    if (!box || !box->isModified()) return true;
    using Validate = void (fmMain::*)(bool&);
    struct Handler {
        QLineEdit* box;
        Validate validate;
        HeaderBox kind;
    };
    const Handler handlers[] = {
        {txBPMO, &fmMain::txBPMO_Validate, HeaderBox::Tempo},
        {txBPM, &fmMain::txBPM_Validate, HeaderBox::Speed},
        {txLength, &fmMain::txLength_Validate, HeaderBox::Length},
        {txLongCorrectVal, &fmMain::txLongCorrectVal_Validate, HeaderBox::LongCorrection},
        {txDelay, &fmMain::txDelay_Validate, HeaderBox::Delay},
        {txBGMVolume, &fmMain::txBGMVolume_Validate, HeaderBox::BGMVolume}};
    const auto match = std::find_if(std::begin(handlers), std::end(handlers),
                                    [box](const Handler& h) { return h.box == box; });
    if (match == std::end(handlers)) return true;
    bool cancel = false;
    Guarded([&] { (this->*match->validate)(cancel); });
    if (cancel) {
        ui_.beep();
        // A beep alone does not say why.
        StatusBar->showMessage(headerRefusal(match->kind, box->text()), 5000);
        return false;
    }
    box->setModified(false);
    return true;
}

void fmMain::acceptPendingHeaderEdit() {
    validateHeaderBox(qobject_cast<QLineEdit*>(QApplication::focusWidget()));
}

void fmMain::txName_Change() {
    acceptName(edits, txName->text());
}

void fmMain::txBPMO_Validate(bool& Cancel) {
    Cancel = !acceptTempoField(edits, TempoField::Tempo, vsb->value(), txBPMO->text());
    if (!Cancel) ReDrawNote();
}

void fmMain::txBPM_Validate(bool& Cancel) {
    Cancel = !acceptTempoField(edits, TempoField::Speed, vsb->value(), txBPM->text());
    if (!Cancel) ReDrawNote();
}

void fmMain::txLength_Validate(bool& Cancel) {
    Cancel = !acceptLength(edits, txLength->text());
    if (Cancel) return;
    view->setScrollTop();  // the scroll bar comes into range and repaints if it moved
    ReDrawNote();
}

void fmMain::txLongCorrectVal_Validate(bool& Cancel) {
    Cancel = !acceptLongCorrection(edits, txLongCorrectVal->text());
}

void fmMain::txDelay_Validate(bool& Cancel) {
    Cancel = !acceptDelay(edits, txDelay->text());
    if (!Cancel) ReDrawNote();
}

void fmMain::txBGMVolume_Validate(bool& Cancel) {
    Cancel = !acceptBgmVolume(edits, txBGMVolume->text());
}

void fmMain::txBGM_Change() {
    acceptBgm(edits, txBGM->text());
}

// ---- random kinds --------------------------------------------------------------------------

void fmMain::mnRandKind_Click() {
    std::vector<int> offered;
    for (int kind = 0; kind < kKindSlots; ++kind)
        if (imgEle[kind]) offered.push_back(kind);
    fmRandKind dialog(randomKinds, offered, view->pictures(), ui_, this);
    dialog.exec();
}

}  // namespace lumidex
