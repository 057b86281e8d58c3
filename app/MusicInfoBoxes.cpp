#include "MusicInfoBoxes.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMainWindow>
#include <QScrollBar>
#include <QStatusBar>
#include <QTimer>

#include <algorithm>
#include <chrono>

#include "ChartView.h"
#include "HeaderFields.h"
#include "TextBoxText.h"
#include "Wiring.h"

namespace lumidex {

MusicInfoBoxes::MusicInfoBoxes(const WindowParts& parts, const MusicInfoWidgets& w,
                               UndoHistory& history)
    : parts_(parts), w_(w), run_(history) {
    for (QLineEdit* box : {w_.txBPMO, w_.txBPM, w_.txLength, w_.txLongCorrectVal, w_.txDelay,
                           w_.txBGMVolume, w_.txName, w_.txBGM})
        box->installEventFilter(this);
    wire(this, parts_.ui, w_.txBGM, &QLineEdit::textEdited, [this] { txBGM_Change(); });
    wire(this, parts_.ui, w_.txName, &QLineEdit::textEdited, [this] { txName_Change(); });
}

void MusicInfoBoxes::storeHeader(HeaderTexts& h) const {
    h.Name = w_.txName->text();
    h.BPM = w_.txBPM->text();
    h.BPMO = w_.txBPMO->text();
    h.BGM = w_.txBGM->text();
    h.BGMVolume = w_.txBGMVolume->text();
    h.Delay = w_.txDelay->text();
    h.LongCorrectVal = w_.txLongCorrectVal->text();
    h.Length = w_.txLength->text();
    h.MusicPath = w_.txMusicPath->text();
}

void MusicInfoBoxes::showHeader(const HeaderTexts& h) {
    showText(w_.txName, h.Name);
    showText(w_.txBPM, h.BPM);
    showText(w_.txBPMO, h.BPMO);
    showText(w_.txBGM, h.BGM);
    showText(w_.txBGMVolume, h.BGMVolume);
    showText(w_.txDelay, h.Delay);
    showText(w_.txLongCorrectVal, h.LongCorrectVal);
    showText(w_.txLength, h.Length);
    showText(w_.txMusicPath, h.MusicPath);
}

QString MusicInfoBoxes::musicPath() const {
    return w_.txMusicPath->text();
}

bool MusicInfoBoxes::eventFilter(QObject* watched, QEvent* event) {
    auto* box = qobject_cast<QLineEdit*>(watched);
    if (!box) return false;
    const auto* key = event->type() == QEvent::KeyPress ? static_cast<QKeyEvent*>(event) : nullptr;
    const bool enter = key && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter);
    const bool leave =
        event->type() == QEvent::FocusOut && leavesTheBox(static_cast<QFocusEvent*>(event));
    if (leave) run_.end();
    if ((enter || leave) && !validateHeaderBox(box) && leave)
        QTimer::singleShot(0, box, [box] { box->setFocus(); });
    return false;
}

// Checks a box the user changed; true when its entry was taken (or there was
// nothing to check).
bool MusicInfoBoxes::validateHeaderBox(QLineEdit* box) {
    if (!box || !box->isModified()) return true;
    using Validate = void (MusicInfoBoxes::*)(bool&);
    struct Handler {
        QLineEdit* box;
        Validate validate;
        HeaderBox kind;
    };
    const Handler handlers[] = {
        {w_.txBPMO, &MusicInfoBoxes::txBPMO_Validate, HeaderBox::Tempo},
        {w_.txBPM, &MusicInfoBoxes::txBPM_Validate, HeaderBox::Speed},
        {w_.txLength, &MusicInfoBoxes::txLength_Validate, HeaderBox::Length},
        {w_.txLongCorrectVal, &MusicInfoBoxes::txLongCorrectVal_Validate,
         HeaderBox::LongCorrection},
        {w_.txDelay, &MusicInfoBoxes::txDelay_Validate, HeaderBox::Delay},
        {w_.txBGMVolume, &MusicInfoBoxes::txBGMVolume_Validate, HeaderBox::BGMVolume}};
    const auto match = std::find_if(std::begin(handlers), std::end(handlers),
                                    [box](const Handler& h) { return h.box == box; });
    if (match == std::end(handlers)) return true;
    bool cancel = false;
    guarded(parts_.ui, [&] { (this->*match->validate)(cancel); });
    if (cancel) {
        parts_.ui.beep();
        // A beep alone does not say why.
        if (auto* window = qobject_cast<QMainWindow*>(box->window()))
            window->statusBar()->showMessage(headerRefusal(match->kind, box->text()), 5000);
        return false;
    }
    box->setModified(false);
    return true;
}

void MusicInfoBoxes::acceptPendingHeaderEdit() {
    validateHeaderBox(qobject_cast<QLineEdit*>(QApplication::focusWidget()));
}

void MusicInfoBoxes::typed(QLineEdit* box, const std::function<void()>& change) {
    using namespace std::chrono;
    const auto now = duration_cast<milliseconds>(steady_clock::now().time_since_epoch());
    run_.typed(box, now.count(), change);
}

void MusicInfoBoxes::txName_Change() {
    typed(w_.txName, [this] { acceptName(parts_.edits, w_.txName->text()); });
}

void MusicInfoBoxes::txBPMO_Validate(bool& Cancel) {
    Cancel = !acceptTempoField(parts_.edits, TempoField::Tempo, w_.vsb->value(), w_.txBPMO->text());
    if (!Cancel) parts_.view.ReDrawNote();
}

void MusicInfoBoxes::txBPM_Validate(bool& Cancel) {
    Cancel = !acceptTempoField(parts_.edits, TempoField::Speed, w_.vsb->value(), w_.txBPM->text());
    if (!Cancel) parts_.view.ReDrawNote();
}

void MusicInfoBoxes::txLength_Validate(bool& Cancel) {
    Cancel = !acceptLength(parts_.edits, w_.txLength->text());
    if (Cancel) return;
    parts_.view.setScrollTop();  // the scroll bar comes into range and repaints if it moved
    parts_.view.ReDrawNote();
}

void MusicInfoBoxes::txLongCorrectVal_Validate(bool& Cancel) {
    Cancel = !acceptLongCorrection(parts_.edits, w_.txLongCorrectVal->text());
}

void MusicInfoBoxes::txDelay_Validate(bool& Cancel) {
    Cancel = !acceptDelay(parts_.edits, w_.txDelay->text());
    if (!Cancel) parts_.view.ReDrawNote();
}

void MusicInfoBoxes::txBGMVolume_Validate(bool& Cancel) {
    Cancel = !acceptBgmVolume(parts_.edits, w_.txBGMVolume->text());
}

void MusicInfoBoxes::txBGM_Change() {
    typed(w_.txBGM, [this] { acceptBgm(parts_.edits, w_.txBGM->text()); });
}

}  // namespace lumidex
