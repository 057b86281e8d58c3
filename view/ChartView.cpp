#include "ChartView.h"

#include <QAction>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QWheelEvent>

#include <cmath>

#include "Numbers.h"
#include "StepLists.h"
#include "TextBoxText.h"

namespace lumidex {

namespace {

// Sets a flag for the life of a scope and restores it however the scope ends.
class FlagScope {
  public:
    FlagScope(bool& flag, bool value) : flag_(flag), old_(flag) { flag_ = value; }
    ~FlagScope() { flag_ = old_; }
    FlagScope(const FlagScope&) = delete;
    FlagScope& operator=(const FlagScope&) = delete;

  private:
    bool& flag_;
    bool old_;
};

StripStyle styleOf(const QWidget* strip) {
    StripStyle style;
    if (strip) {
        style.font = strip->font();
        style.background = strip->palette().color(QPalette::Window);
        style.text = strip->palette().color(QPalette::WindowText);
    }
    return style;
}

// A narrow face for the strips, so that tempo texts such as "187.5(93.75)"
// have room beside the canvas.
QFont stripFont() {
    QFont font;
    font.setFamilies({QStringLiteral("DejaVu Sans Condensed"),
                      QStringLiteral("Liberation Sans Narrow"), QStringLiteral("Arial Narrow"),
                      QStringLiteral("Tahoma")});
    font.setPixelSize(11);
    return font;
}

QImage& bufferOr(PictureBox* box, QImage& spare) {
    if (box) return box->buffer();
    if (spare.isNull()) spare = QImage(1, kDesignCanvasHeight, QImage::Format_RGB32);
    return spare;
}

int keyCodeOf(const QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_PageUp:
            return kKeyPageUp;
        case Qt::Key_PageDown:
            return kKeyPageDown;
        default:
            return 0;
    }
}

}  // namespace

ChartView::ChartView(ChartDocument& doc, const ViewControls& controls, QObject* parent)
    : QObject(parent),
      doc_(doc),
      c_(controls),
      pictures_(std::make_unique<NotePictures>(
          NotePictures::scaleFor(controls.picMain ? controls.picMain->devicePixelRatioF() : 1.0))),
      renderer_(doc, *pictures_) {
    if (c_.picMain) {
        c_.picMain->installEventFilter(this);
        if (c_.picMain->focusPolicy() == Qt::NoFocus) c_.picMain->setFocusPolicy(Qt::StrongFocus);
    }
    for (PictureBox* strip : {c_.picScale, c_.picKey}) {
        if (!strip) continue;
        strip->installEventFilter(this);
        strip->setFont(stripFont());
    }
    if (c_.vsb) c_.vsb->installEventFilter(this);
}

ChartView::~ChartView() = default;

// ---- start-up ----------------------------------------------------------------

void ChartView::fillList(QComboBox* list, const QStringList& items, int startIndex) {
    if (!list) return;
    if (list->count() == 0) list->addItems(items);
    list->setCurrentIndex(std::min(startIndex, list->count() - 1));
}

void ChartView::setUpScrollBar() {
    if (!c_.vsb) return;
    c_.vsb->setOrientation(Qt::Vertical);
    // Minimum at the bottom: moving the thumb up raises the view base, and
    // the wheel over the bar and its arrow keys move the same way.
    c_.vsb->setInvertedAppearance(true);
    c_.vsb->setInvertedControls(false);
    c_.vsb->setSingleStep(kArrowStep);
    updatePageStep();
    setScrollTop();
}

void ChartView::setUpStepLists() {
    fillList(c_.cbNormalize, normalizeList().items, normalizeList().startIndex);
    cbNormalize_Click();
    fillList(c_.cbVScroll, vScrollList().items, vScrollList().startIndex);
    cbVScroll_Click();
    fillList(c_.cbAltStep, altStepList().items, altStepList().startIndex);
    cbAltStep_Click();
    fillList(c_.cbKeyStep, keyStepList().items, keyStepList().startIndex);
    cbKeyStep_Click();
}

void ChartView::setUpControls() {
    setUpScrollBar();
    setUpStepLists();
    for (QAction* item : {c_.mnShowGrid, c_.mnShowPlayLine, c_.mnShowTrans})
        if (item) item->setCheckable(true);
}

void ChartView::connectHandlers() {
    if (c_.vsb) connect(c_.vsb, &QScrollBar::valueChanged, this, [this] { vsb_Change(); });
    const auto onChoice = [this](QComboBox* list, void (ChartView::*handler)()) {
        if (list)
            connect(list, &QComboBox::currentIndexChanged, this,
                    [this, handler] { (this->*handler)(); });
    };
    onChoice(c_.cbVScroll, &ChartView::cbVScroll_Click);
    onChoice(c_.cbAltStep, &ChartView::cbAltStep_Click);
    onChoice(c_.cbKeyStep, &ChartView::cbKeyStep_Click);
    onChoice(c_.cbNormalize, &ChartView::cbNormalize_Click);
    const auto onTrigger = [this](QAction* item, void (ChartView::*handler)()) {
        if (item) connect(item, &QAction::triggered, this, [this, handler] { (this->*handler)(); });
    };
    onTrigger(c_.mnShowGrid, &ChartView::mnShowGrid_Click);
    onTrigger(c_.mnShowPlayLine, &ChartView::mnShowPlayLine_Click);
    onTrigger(c_.mnShowTrans, &ChartView::mnShowTrans_Click);
}

void ChartView::InitArea() {
    const auto checked = [](QAction* item) { return item && item->isChecked(); };
    DrawSwitches fromMenu;
    fromMenu.grid = checked(c_.mnShowGrid);
    fromMenu.baseline = checked(c_.mnShowPlayLine);
    fromMenu.transparent = checked(c_.mnShowTrans);
    state_.resetForNewChart(fromMenu);
}

void ChartView::setScrollTop() {
    if (c_.vsb) c_.vsb->setRange(0, scrollTop(doc_.LastCoord));
}

void ChartView::showMusicStart() {
    if (const auto value = musicStartValue(doc_.Delay, doc_.cell(0).Tempo)) scrollTo(*value);
}

void ChartView::updatePageStep() {
    if (c_.vsb) c_.vsb->setPageStep(pageStep(canvasHeight()));
}

int ChartView::canvasHeight() const {
    return c_.picMain ? c_.picMain->drawingSize().height() : kDesignCanvasHeight;
}

// ---- handlers ----------------------------------------------------------------

void ChartView::vsb_Change() {
    if (!c_.vsb || state_.playing || writingBack_) return;
    const int base =
        viewBaseForScroll(c_.vsb->value(), state_.exactScroll, scrollTop(doc_.LastCoord));
    state_.viewBase = base;
    if (c_.vsb->value() != base) {
        FlagScope writing(writingBack_, true);
        c_.vsb->setValue(base);
    }
    ReDrawNote();
}

void ChartView::cbVScroll_Click() {
    if (c_.cbVScroll) state_.wheelStep = wheelStepFromItem(c_.cbVScroll->currentText());
}

void ChartView::cbAltStep_Click() {
    if (c_.cbAltStep) state_.altStep = altStepFromItem(c_.cbAltStep->currentText());
}

void ChartView::cbKeyStep_Click() {
    if (c_.cbKeyStep) state_.keyStep = keyStepFromItem(c_.cbKeyStep->currentText());
}

void ChartView::cbNormalize_Click() {
    if (c_.cbNormalize) doc_.AlignCoord = alignCoordFromItem(c_.cbNormalize->currentText());
}

void ChartView::toggleSwitch(bool DrawSwitches::*which, QAction* item) {
    bool& value = state_.switches.*which;
    value = !value;
    if (item) item->setChecked(value);
    ReDrawNote();
}

void ChartView::mnShowGrid_Click() {
    toggleSwitch(&DrawSwitches::grid, c_.mnShowGrid);
}

void ChartView::mnShowPlayLine_Click() {
    toggleSwitch(&DrawSwitches::baseline, c_.mnShowPlayLine);
}

void ChartView::mnShowTrans_Click() {
    toggleSwitch(&DrawSwitches::transparent, c_.mnShowTrans);
}

void ChartView::picMain_MouseWheel(int delta) {
    if (c_.vsb)
        c_.vsb->setValue(wheelTarget(c_.vsb->value(), delta, state_.wheelStep, c_.vsb->maximum()));
}

bool ChartView::picMain_KeyDown(int keyCode) {
    if (keyCode != kKeyPageUp && keyCode != kKeyPageDown) return false;
    if (state_.playing || !c_.vsb) return true;
    const std::optional<int> target =
        pageKeyTarget(keyCode, c_.vsb->value(), c_.vsb->pageStep(), c_.vsb->maximum());
    if (target) c_.vsb->setValue(*target);
    return true;
}

void ChartView::wheelTurned(const QWheelEvent& event) {
    // A fine-grained wheel (touchpad) sends parts of a notch; they add up to
    // whole notches before the view moves.
    wheelRemainder_ += event.angleDelta().y();
    const int whole = wheelRemainder_ / kWheelNotch * kWheelNotch;
    wheelRemainder_ -= whole;
    if (whole != 0) picMain_MouseWheel(whole);
}

bool ChartView::eventFilter(QObject* watched, QEvent* event) {
    const bool onCanvas = c_.picMain && watched == c_.picMain;
    switch (event->type()) {
        case QEvent::Wheel:
            // The strips, the canvas and the scroll bar all scroll by the
            // VScroll step, focused or not (the filter is installed on no
            // other widget).
            wheelTurned(*static_cast<QWheelEvent*>(event));
            event->accept();
            return true;
        case QEvent::KeyPress:
            return onCanvas && picMain_KeyDown(keyCodeOf(static_cast<QKeyEvent*>(event)));
        case QEvent::Resize:
            if (watched == c_.vsb) return false;
            // A new size leaves an empty buffer: paint it again at once.
            if (onCanvas) updatePageStep();
            ReDrawNote();
            return false;
        default:
            return false;
    }
}

// ---- scrolling and repainting ------------------------------------------------

void ChartView::scrollTo(int value, bool exact) {
    if (!c_.vsb) return;
    FlagScope flag(state_.exactScroll, exact);
    c_.vsb->setValue(value);
}

void ChartView::setStatusText(QWidget* box, const QString& text) {
    if (auto* label = qobject_cast<QLabel*>(box)) {
        if (label->text() != text) label->setText(text);
    } else if (auto* edit = qobject_cast<QLineEdit*>(box)) {
        // A box the user is typing in keeps what is typed.
        if (edit->text() != text && !edit->hasFocus()) showText(edit, text);
    }
}

void ChartView::RefreshState() {
    setStatusText(c_.lbCombo, QString::number(doc_.Combo));
    const double shown = state_.viewFrame - doc_.Delay;
    setStatusText(c_.lbFrame, numberText(shown));
    setStatusText(c_.lbTime, timeText(shown));
    // The tempo boxes show the cell under the baseline. A cell without tempo
    // (no chart loaded yet) leaves them as they are, so their prompts stay.
    const double base = roundHalfEven(state_.viewBase);
    if (base < 0 || base > kMaxCoord) return;
    const NoteEntry& cell = doc_.cell(static_cast<int>(base));
    if (cell.Tempo == 0) return;
    setStatusText(c_.txBPMO, numberText(cell.Tempo));
    setStatusText(c_.txBPM, numberText(cell.Speed));
}

void ChartView::usePicturesForScreen() {
    if (!c_.picMain) return;
    const int scale = NotePictures::scaleFor(c_.picMain->devicePixelRatioF());
    if (scale == pictures_->scale()) return;
    pictures_ = std::make_unique<NotePictures>(scale);
    renderer_.setPictures(*pictures_);
}

void ChartView::ReDrawNote() {
    if (state_.redrawBusy) return;
    FlagScope busy(state_.redrawBusy, true);
    if (!state_.playing) {
        if (!state_.exactScroll && c_.vsb)
            state_.viewBase = viewBaseForScroll(c_.vsb->value(), false, scrollTop(doc_.LastCoord));
        // A chart without tempo has no time: the frame reads 0.
        state_.viewFrame =
            doc_.CoordToFrames(static_cast<int>(roundHalfEven(state_.viewBase))).value_or(0.0);
    }
    RefreshState();
    usePicturesForScreen();
    renderer_.setSwitches(state_.switches);
    renderer_.setScaleStyle(styleOf(c_.picScale));
    renderer_.setKeyStyle(styleOf(c_.picKey));
    report_ = renderer_.render(state_.viewBase, bufferOr(c_.picMain, spareCanvas_),
                               bufferOr(c_.picScale, spareScale_), bufferOr(c_.picKey, spareKey_));
    state_.firstDrawn = report_.drawn.first;
    state_.lastDrawn = report_.drawn.last;
    for (PictureBox* box : {c_.picMain, c_.picScale, c_.picKey})
        if (box) box->present();
    for (const auto& listener : repaintListeners_) listener();
}

void ChartView::ReDrawNoteExact() {
    FlagScope flag(state_.exactScroll, true);
    ReDrawNote();
}

}  // namespace lumidex
