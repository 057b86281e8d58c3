#include "WaveformController.h"

#include <QAction>
#include <QActionGroup>
#include <QBoxLayout>
#include <QEvent>
#include <QFrame>
#include <QMenu>
#include <QPushButton>
#include <QSettings>
#include <QStatusBar>
#include <QTimer>

#include <algorithm>

#include "ChartView.h"
#include "PictureBox.h"
#include "SoundBank.h"
#include "WaveformCache.h"
#include "WaveformPainter.h"

namespace lumidex {

namespace {

const QString kShownKey = QStringLiteral("waveform/shown");
const QString kGainKey = QStringLiteral("waveform/gain");
constexpr float kGains[] = {1, 2, 4, 8, 16};
constexpr int kProgressMs = 100;
constexpr int kMessageMs = 8000;
constexpr int kFrameLine = 2;  // the sunken frame's line, as the canvas has

}  // namespace

WaveformController::WaveformController(const ChartDocument& doc, ChartView& view,
                                       QString cacheFolder, QObject* parent)
    : QObject(parent),
      doc_(doc),
      view_(view),
      source_(cacheFolder.isEmpty() ? waveform::WaveformCache::defaultFolder() : cacheFolder),
      strip_(new PictureBox),
      shownPart_(strip_),
      progressTimer_(new QTimer(this)) {
    strip_->setObjectName(QStringLiteral("picWave"));
    strip_->setFixedWidth(waveform::kStripWidth);
    strip_->hide();
    source_.setOnChanged([this] { analysisChanged(); });
    progressTimer_->setInterval(kProgressMs);
    connect(progressTimer_, &QTimer::timeout, this, [this] { showProgress(); });
    view_.addRepaintListener([this] { repaint(); });
    strip_->installEventFilter(this);
}

bool WaveformController::eventFilter(QObject* watched, QEvent* event) {
    if (watched == strip_ && event->type() == QEvent::Resize)
        QMetaObject::invokeMethod(
            this, [this] { repaint(); }, Qt::QueuedConnection);
    return false;
}

WaveformController::~WaveformController() {
    if (window_) window_->edits.removeListener(this);
    if (!strip_->parent()) delete strip_;  // never placed in a window
}

void WaveformController::attach(const WaveformWindow& window) {
    window_ = std::make_unique<WaveformWindow>(window);
    if (window.picMain) placeBeside(window.picMain);
    if (window.mnView) addMenuItems(window.mnView);
    setStatusBar(window.statusBar);
    window.edits.addListener(this);
    // "&Open" has run by the time this hears the click: a music it could not
    // open has nothing to show, and its message stays in the status bar.
    if (window.cmdOpenBGM)
        connect(window.cmdOpenBGM, &QPushButton::clicked, this, [this] {
            if (window_->sounds.music().loaded() || window_->sounds.musicGraph())
                showWindowMusic(false);
        });
    for (QAction* item : window.mnDecoder)
        if (item) connect(item, &QAction::triggered, this, [this] { showWindowMusic(false); });
}

// The window fills in the chart's folder and boxes after the chart is in:
// the music is looked for once that is done.
void WaveformController::chartReplaced() {
    QMetaObject::invokeMethod(
        this, [this] { showWindowMusic(true); }, Qt::QueuedConnection);
}

void WaveformController::showWindowMusic(bool again) {
    showMusic(window_->musicDir(), doc_.keySound(0).Snd, window_->sounds.decoder(), again);
}

void WaveformController::placeBeside(QWidget* canvas) {
    QWidget* canvasFrame = canvas->parentWidget();
    auto* row =
        canvasFrame ? qobject_cast<QBoxLayout*>(canvasFrame->parentWidget()->layout()) : nullptr;
    if (!row) return;
    auto* frame = new QFrame;
    frame->setObjectName(QStringLiteral("picWaveFrame"));
    frame->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    frame->setLineWidth(2);
    frame->setFixedWidth(waveform::kStripWidth + 2 * kFrameLine);
    frame->setMinimumHeight(canvas->minimumHeight() + 2 * kFrameLine);
    strip_->setMinimumHeight(canvas->minimumHeight());
    auto* inside = new QVBoxLayout(frame);
    inside->setContentsMargins(0, 0, 0, 0);
    inside->addWidget(strip_);
    row->insertWidget(row->indexOf(canvasFrame) + 1, frame);
    shownPart_ = frame;
    strip_->show();
    frame->setVisible(shown());
}

void WaveformController::addMenuItems(QMenu* viewMenu) {
    viewMenu->addSeparator();
    mnWaveform_ = viewMenu->addAction(QStringLiteral("Waveform"));
    mnWaveform_->setObjectName(QStringLiteral("mnWaveform"));
    mnWaveform_->setCheckable(true);
    mnWaveform_->setChecked(wantShown_);
    connect(mnWaveform_, &QAction::toggled, this, [this](bool on) { setShown(on); });
    QMenu* gains = viewMenu->addMenu(QStringLiteral("Waveform &Gain"));
    gains->setObjectName(QStringLiteral("mnWaveformGain"));
    gainGroup_ = new QActionGroup(this);
    for (float g : kGains) {
        QAction* item = gains->addAction(QStringLiteral("x%1").arg(double(g)));
        item->setCheckable(true);
        item->setData(g);
        item->setChecked(g == gain_);
        item->setActionGroup(gainGroup_);
        connect(item, &QAction::triggered, this, [this, g] { setGain(g); });
    }
}

void WaveformController::useSettings(QSettings* settings) {
    settings_ = settings;
    if (!settings_) return;
    const float gain = settings_->value(kGainKey, 1.0f).toFloat();
    for (QAction* item : gainGroup_ ? gainGroup_->actions() : QList<QAction*>())
        item->setChecked(item->data().toFloat() == gain);
    gain_ = gain;
    setShown(settings_->value(kShownKey, true).toBool());
}

void WaveformController::showMusic(const QString& musicDir, const QString& snd, int decoder,
                                   bool again) {
    if (!again && hasMusic_ && shownMusic_.musicDir == musicDir && shownMusic_.snd == snd &&
        shownMusic_.decoder == decoder)
        return;
    hasMusic_ = true;
    shownMusic_ = waveform::WaveformRequest{musicDir, snd, decoder, {}};
    source_.open(musicDir, snd, decoder);
    progressTimer_->start();
    showProgress();
    updateVisibility();
    repaint();
}

bool WaveformController::shown() const {
    return wantShown_;
}

void WaveformController::setShown(bool on) {
    wantShown_ = on;
    if (settings_) settings_->setValue(kShownKey, on);
    if (mnWaveform_ && mnWaveform_->isChecked() != on) mnWaveform_->setChecked(on);
    updateVisibility();
    repaint();
}

void WaveformController::setGain(float gain) {
    gain_ = gain;
    if (settings_) settings_->setValue(kGainKey, gain);
    repaint();
}

void WaveformController::repaint() {
    if (!shown()) return;
    const ViewState& state = view_.state();
    waveform::StripView look;
    look.viewBase = state.viewBase < 0 ? 0 : state.viewBase;
    look.decoder = source_.decoder();
    look.gain = gain_;
    if (state.playing) look.playFrame = state.viewFrame;
    waveform::paintStrip(strip_->buffer(), doc_, source_.table().get(), look);
    strip_->present();
}

void WaveformController::analysisChanged() {
    progressTimer_->stop();
    say(source_.message());
    repaint();
}

void WaveformController::showProgress() {
    if (!source_.busy()) return;
    say(QStringLiteral("Waveform: analysing the music... %1%").arg(int(source_.progress() * 100)));
}

// A window that holds the strip grows or shrinks by its frame, so the
// panels beside the view keep their room.
void WaveformController::updateVisibility() {
    const bool show = shown();
    QWidget* window = shownPart_->window();
    const bool placed = shownPart_ != strip_ && window;
    if (placed && shownPart_->isVisibleTo(window) == show) return;
    shownPart_->setVisible(show);
    if (!placed) return;
    const int delta = show ? shownPart_->maximumWidth() : -shownPart_->maximumWidth();
    window->setMinimumWidth(std::max(0, window->minimumWidth() + delta));
    window->resize(window->width() + delta, window->height());
}

void WaveformController::say(const QString& text) {
    if (statusBar_ && !text.isEmpty()) statusBar_->showMessage(text, kMessageMs);
}

}  // namespace lumidex
