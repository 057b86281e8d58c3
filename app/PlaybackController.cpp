#include "PlaybackController.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QShortcut>
#include <QSlider>
#include <QStatusBar>
#include <QTimer>

#include "ChartView.h"
#include "MusicHints.h"
#include "Numbers.h"
#include "Wiring.h"

namespace lumidex {
namespace {

// One playback step per display frame.
constexpr int kStepMs = 16;
// How long a hint about the music stays in the status bar.
constexpr int kHintMs = 15000;

}  // namespace

PlaybackController::PlaybackController(const WindowParts& parts, const PlaybackParts& play,
                                       const PlaybackWidgets& w, QWidget* window)
    : parts_(parts), play_(play), w_(w) {
    playTimer_ = new QTimer(this);
    playTimer_->setTimerType(Qt::PreciseTimer);
    playTimer_->setInterval(kStepMs);
    escPlay_ = new QShortcut(QKeySequence(Qt::Key_Escape), window);
    escPlay_->setEnabled(false);
    connectControls();
    showStates();
}

void PlaybackController::connectControls() {
    Dialogs& ui = parts_.ui;
    wire(this, ui, playTimer_, &QTimer::timeout, [this] { playStep(); });
    connect(escPlay_, &QShortcut::activated, this, [this] { w_.cmdPlay->click(); });
    wire(this, ui, w_.cmdOpenBGM, &QPushButton::clicked, [this] { cmdOpenBGM_Click(); });
    wire(this, ui, w_.cmdCloseBGM, &QPushButton::clicked, [this] { cmdCloseBGM_Click(); });
    wire(this, ui, w_.cmdPlay, &QPushButton::clicked, [this] { cmdPlay_Click(); });
    wire(this, ui, w_.cmdOpenKey, &QPushButton::clicked, [this] { cmdOpenKey_Click(); });
    wire(this, ui, w_.cmdCloseKey, &QPushButton::clicked, [this] { cmdCloseKey_Click(); });
    wire(this, ui, w_.mnPlayStart, &QAction::triggered, [this] { mnPlayStart_Click(); });
    wire(this, ui, w_.mnPlayBGM, &QAction::triggered, [this] { mnPlayBGM_Click(); });
    wire(this, ui, w_.mnPlayKeyNote, &QAction::triggered, [this] { mnPlayKeyNote_Click(); });
    for (int i = 0; i < static_cast<int>(w_.mnDecoder.size()); ++i)
        wire(this, ui, w_.mnDecoder[i], &QAction::triggered, [this, i] { mnDecoder_Click(i); });
    for (int i = 0; i < 2; ++i) {
        wire(this, ui, w_.cmdResetTempo[i], &QPushButton::clicked,
             [this, i] { cmdResetTempo_Click(i); });
        wire(this, ui, w_.sldTempo[i], &QSlider::valueChanged, [this, i] { sldTempo_Change(i); });
    }
}

void PlaybackController::showStates() {
    const SoundControlStates& s = controls_.states();
    w_.cmdOpenBGM->setEnabled(s.openMusic);
    w_.cmdCloseBGM->setEnabled(s.closeMusic);
    w_.cmdPlay->setEnabled(s.play);
    w_.txMusicPath->setEnabled(s.musicFile);
    w_.txBGM->setEnabled(s.musicFile);
    w_.cmdOpenKey->setEnabled(s.openKeys);
    w_.cmdCloseKey->setEnabled(s.closeKeys);
    w_.mnPlayKeyNote->setEnabled(s.keyItem);
    for (QWidget* control :
         {static_cast<QWidget*>(w_.lbSampleRate), static_cast<QWidget*>(w_.lbSampleRateText),
          static_cast<QWidget*>(w_.sldTempo[1]), static_cast<QWidget*>(w_.cmdResetTempo[1])})
        control->setEnabled(s.speed);
}

// ---- decoder, music and keys ------------------------------------------------------

void PlaybackController::mnDecoder_Click(int index) {
    StopPlay();
    cmdCloseBGM_Click();
    cmdCloseKey_Click();
    for (int i = 0; i < static_cast<int>(w_.mnDecoder.size()); ++i)
        w_.mnDecoder[i]->setChecked(i == index);
    play_.sounds.setDecoder(index);
    controls_.decoderChosen(index);
    showStates();
}

// The music named in "BGM Path" is key slot 0: every change to the box is
// stored there as it is typed (HeaderFields), and a load shows it. While a
// failure's message box is up, the status bar says which file was looked
// for (beside the program itself for a chart not yet saved).
void PlaybackController::cmdOpenBGM_Click() {
    const QString dir = play_.musicDir();
    w_.StatusBar->showMessage(musicLookedAt(dir, parts_.doc.keySound(0).Snd), kHintMs);
    if (!play_.sounds.openMusic(parts_.doc, dir, parts_.ui)) return;
    w_.StatusBar->clearMessage();
    controls_.musicOpened();
    showStates();
    w_.cmdPlay->setText(QStringLiteral("&Play"));
}

void PlaybackController::cmdCloseBGM_Click() {
    StopPlay();
    play_.sounds.closeMusic();
    controls_.musicClosed();
    showStates();
}

void PlaybackController::cmdOpenKey_Click() {
    play_.sounds.openKeys(parts_.doc, play_.musicDir(), parts_.ui);
    controls_.keysOpened();
    showStates();
    setKeysOn(true);
}

void PlaybackController::cmdCloseKey_Click() {
    setKeysOn(false);
    play_.sounds.closeKeys();
    play_.keyPreview.releaseGraphs();
    controls_.keysClosed();
    showStates();
}

void PlaybackController::keyPreviewPlayed() {
    controls_.previewPlayed();
    showStates();
}

// "Play &Key" is ticked when the key sounds open and cleared when they close.
void PlaybackController::setKeysOn(bool on) {
    w_.mnPlayKeyNote->setChecked(on);
    play_.playback.setKeys(on);
}

void PlaybackController::mnPlayKeyNote_Click() {
    play_.playback.setKeys(w_.mnPlayKeyNote->isChecked());
}

// ---- playing ------------------------------------------------------------------------

// Pressed while the music plays, it stops everything; a later press starts
// again from the view.
void PlaybackController::cmdPlay_Click() {
    Playback& playback = play_.playback;
    if (playback.running() || playback.musicPlaying()) {
        StopPlay();
        return;
    }
    PlaySwitches switches = playback.switches();
    switches.music = w_.mnPlayBGM->isChecked();
    switches.keys = w_.mnPlayKeyNote->isChecked();
    if (!playback.start(w_.vsb->value(), switches)) {
        if (const QString why = playRefusal(play_.sounds); !why.isEmpty())
            w_.StatusBar->showMessage(why, kHintMs);
        return;
    }
    parts_.view.state().playing = true;
    w_.cmdPlay->setText(QStringLiteral("&Pause"));
    escPlay_->setEnabled(true);
    playTimer_->start();
    playStep();
}

void PlaybackController::playStep() {
    if (!play_.playback.running()) {
        playTimer_->stop();
        return;
    }
    const Playback::Step step = play_.playback.step();
    if (!step.running) {
        StopPlay();
        return;
    }
    ViewState& shown = parts_.view.state();
    shown.viewFrame = step.viewFrame;
    if (!step.coordChanged) return;
    shown.viewBase = step.viewBase;
    w_.vsb->setValue(step.viewBase);  // the scroll handler leaves the view alone while playing
    parts_.view.ReDrawNote();
}

void PlaybackController::StopPlay() {
    playTimer_->stop();
    play_.playback.stop();
    parts_.view.state().playing = false;
    parts_.view.ReDrawNote();
    w_.cmdPlay->setText(QStringLiteral("&Play"));
    escPlay_->setEnabled(false);
}

// ---- playing speed --------------------------------------------------------------------

void PlaybackController::sldTempo_Change(int index) {
    if (index != 1) return;  // the first slider has no effect on playback
    const float frequency = playingFrequency(w_.sldTempo[1]->value());
    w_.lbSampleRate->setText(QString::number(toInt32(frequency)));
    play_.playback.setFrequency(frequency);
}

void PlaybackController::cmdResetTempo_Click(int index) {
    w_.sldTempo[index]->setValue(index == 0 ? 100 : 0);
}

}  // namespace lumidex
