#include "CanvasEditing.h"

#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollBar>

#include "ChartView.h"
#include "PictureBox.h"
#include "ViewRows.h"
#include "Wiring.h"
#include "fmRandKind.h"

namespace lumidex {

CanvasEditing::CanvasEditing(const WindowParts& parts, const CanvasWidgets& w,
                             RandomKindSet& randomKinds)
    : parts_(parts), w_(w), randomKinds_(randomKinds), keyboard_(parts.edits) {
    ViewState& vs = parts_.view.state();
    mouse_ = std::make_unique<MouseEditing>(
        parts_.edits, MouseMarks{vs.selectedKind, vs.mouseHeld, vs.lastEditedCoord}, randomKinds);
    w_.picMain->installEventFilter(this);
    // The palette's selection border: a red line, apart from the pictures'
    // own yellow cell lines. Kind 0 (erase) keeps its all-black image.
    for (int kind = 0; kind < kKindSlots; ++kind) {
        QLabel* image = w_.imgEle[kind];
        if (!image) continue;
        if (kind > 0) image->setPixmap(parts_.view.pictures().palettePixmap(kind));
        QPalette palette = image->palette();
        palette.setColor(QPalette::WindowText, QColor(255, 48, 48));
        image->setPalette(palette);
        image->setLineWidth(2);
        image->installEventFilter(this);
    }
    Dialogs& ui = parts_.ui;
    wire(this, ui, w_.cmdFocus, &QPushButton::clicked, [this] { cmdFocus_Click(); });
    wire(this, ui, w_.chkKBInput, &QCheckBox::clicked, [this] { chkKBInput_Click(); });
    wire(this, ui, w_.mnRandKind, &QAction::triggered, [this] { mnRandKind_Click(); });
    parts_.edits.addListener(this);
}

CanvasEditing::~CanvasEditing() {
    parts_.edits.removeListener(this);
}

void CanvasEditing::chartReplaced() {
    mouse_->chartReplaced();
    keyboard_.chartReplaced();
    for (int kind = 0; kind < kKindSlots; ++kind) setPaletteBorder(kind, false);
}

bool CanvasEditing::eventFilter(QObject* watched, QEvent* event) {
    if (watched == w_.picMain) return canvasEvent(event);
    const QVariant index = watched->property("index");
    if (event->type() == QEvent::MouseButtonPress && index.isValid()) {
        guarded(parts_.ui, [this, &index] { imgEle_MouseDown(index.toInt()); });
        return true;
    }
    return false;
}

bool CanvasEditing::canvasEvent(QEvent* event) {
    const auto run = [&](void (CanvasEditing::*handler)(int, int, int, int)) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        const QPoint at = mouse->position().toPoint();
        guarded(parts_.ui, [&] {
            (this->*handler)(buttonsOf(mouse->buttons()), shiftOf(mouse->modifiers()), at.x(),
                             at.y());
        });
        return true;
    };
    switch (event->type()) {
        // The second press of a quick double click is a press too: a note
        // placed right after another is not lost.
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
            return run(&CanvasEditing::picMain_MouseDown);
        case QEvent::MouseMove:
            return run(&CanvasEditing::picMain_MouseMove);
        case QEvent::MouseButtonRelease:
            return run(&CanvasEditing::picMain_MouseUp);
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
            return keyEvent(event);
        case QEvent::FocusOut:
            guarded(parts_.ui, [this] { picMain_LostFocus(); });
            return false;
        default:
            return false;
    }
}

// A held key repeats as release and press pairs. The releases are not real:
// an arrow stays held (and blocked) until it is let go. The repeated presses
// count, so a held Space or Backspace goes on stepping.
bool CanvasEditing::keyEvent(QEvent* event) {
    const auto* key = static_cast<QKeyEvent*>(event);
    if (event->type() == QEvent::KeyRelease && key->isAutoRepeat()) return false;
    bool taken = false;
    const int code = keyCodeOf(key->key()), shift = shiftOf(key->modifiers());
    guarded(parts_.ui, [&] {
        taken = event->type() == QEvent::KeyPress ? picMain_KeyDown(code, shift)
                                                  : picMain_KeyUp(code, shift);
    });
    return taken;
}

// ---- palette and mouse -------------------------------------------------------------

void CanvasEditing::setPaletteBorder(int kind, bool on) {
    if (kind < 0 || kind >= kKindSlots || !w_.imgEle[kind]) return;
    w_.imgEle[kind]->setFrameStyle(on ? QFrame::Box | QFrame::Plain : QFrame::NoFrame);
}

void CanvasEditing::imgEle_MouseDown(int index) {
    setPaletteBorder(parts_.view.state().selectedKind, false);
    setPaletteBorder(index, true);
    mouse_->selectKind(index);
    w_.picMain->setFocus();
}

void CanvasEditing::picMain_MouseDown(int button, int, int, int y) {
    if (mouse_->press(button, y, ViewRows(parts_.view))) parts_.view.ReDrawNote();
    w_.picMain->setFocus();
}

void CanvasEditing::picMain_MouseMove(int button, int, int, int y) {
    if (mouse_->move(button, y, ViewRows(parts_.view))) parts_.view.ReDrawNote();
}

void CanvasEditing::picMain_MouseUp(int, int, int, int) {
    mouse_->release();
}

// ---- keyboard entry ------------------------------------------------------------------

void CanvasEditing::chkKBInput_Click() {
    keyboardInput_ = w_.chkKBInput->isChecked();
    keyboard_.reset();
    if (keyboardInput_) w_.picMain->setFocus();
}

void CanvasEditing::cmdFocus_Click() {
    w_.picMain->setFocus();
}

// Where keyboard entry writes: the baseline of the view, which playback moves
// to the play position while it plays.
KeyContext CanvasEditing::keyContext() const {
    const ViewState& vs = parts_.view.state();
    return KeyContext{vs.viewBase, vs.playing, vs.keyStep};
}

void CanvasEditing::afterKey(const KeyOutcome& outcome) {
    if (keyContext().playing) return;
    if (outcome.scrollBy) {
        const int target = w_.vsb->value() + *outcome.scrollBy;
        if (target >= 0 && target <= w_.vsb->maximum()) {
            parts_.view.scrollTo(target, true);
            return;
        }
    }
    if (outcome.scrollBy || outcome.repaint) parts_.view.ReDrawNoteExact();
}

bool CanvasEditing::picMain_KeyDown(int keyCode, int shift) {
    if (!keyboardInput_ || keyCode == 0) return false;
    const KeyOutcome outcome = keyboard_.keyDown(keyCode, shift, keyContext());
    afterKey(outcome);
    return outcome.handled;
}

bool CanvasEditing::picMain_KeyUp(int keyCode, int) {
    if (!keyboardInput_ || keyCode == 0) return false;
    const KeyOutcome outcome = keyboard_.keyUp(keyCode, keyContext());
    afterKey(outcome);
    return outcome.handled;
}

void CanvasEditing::picMain_LostFocus() {
    keyboard_.reset();
}

// ---- random kinds --------------------------------------------------------------------------

void CanvasEditing::mnRandKind_Click() {
    std::vector<int> offered;
    for (int kind = 0; kind < kKindSlots; ++kind)
        if (w_.imgEle[kind]) offered.push_back(kind);
    fmRandKind dialog(randomKinds_, offered, parts_.view.pictures(), parts_.ui,
                      w_.picMain->window());
    dialog.exec();
}

}  // namespace lumidex
