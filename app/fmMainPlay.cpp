// The "Pla&y" menu, the music and key buttons and the playing speed: each
// handler forwards to the sound bank and the playback engine (play/) and
// keeps the controls in step.

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QShortcut>
#include <QSlider>
#include <QTimer>

#include "ChartView.h"
#include "Numbers.h"
#include "SoundFile.h"
#include "WaveformController.h"
#include "fmMain.h"

namespace lumidex {

namespace {

// One playback step per display frame.
constexpr int kStepMs = 16;

}  // namespace

void fmMain::setUpPlayback() {
    sounds = std::make_unique<SoundBank>(players);
    playback = std::make_unique<Playback>(doc, *sounds);
    playTimer_ = new QTimer(this);
    playTimer_->setTimerType(Qt::PreciseTimer);
    playTimer_->setInterval(kStepMs);
    connect(playTimer_, &QTimer::timeout, this, [this] { Guarded([this] { playStep(); }); });
    escPlay_ = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    escPlay_->setEnabled(false);
    connect(escPlay_, &QShortcut::activated, this, [this] { cmdPlay->click(); });
}

QString fmMain::musicDir() const {
    return JoinPath(state.ChartDir, txMusicPath->text());
}

// ---- decoder, music and keys ------------------------------------------------------

void fmMain::mnDecoder_Click(int index) {
    StopPlay();
    cmdCloseBGM_Click();
    cmdCloseKey_Click();
    for (int i = 0; i < static_cast<int>(mnDecoder.size()); ++i)
        mnDecoder[i]->setChecked(i == index);
    sounds->setDecoder(index);
    waveform->showMusic(musicDir(), txBGM->text(), index);
    // The playing speed exists for BASS and Miles only.
    const bool speed = index != kDecoderDShow;
    const std::initializer_list<QWidget*> speedControls = {lbSampleRate, lbSampleRateText,
                                                           sldTempo[1], cmdResetTempo[1]};
    for (QWidget* control : speedControls) control->setEnabled(speed);
}

void fmMain::cmdOpenBGM_Click() {
    doc.keySound(0).Snd = txBGM->text();
    if (!sounds->openMusic(doc, musicDir(), ui_)) return;
    waveform->showMusic(musicDir(), doc.keySound(0).Snd, sounds->decoder());
    cmdOpenBGM->setEnabled(false);
    cmdCloseBGM->setEnabled(true);
    cmdPlay->setEnabled(true);
    cmdPlay->setText(QStringLiteral("&Play"));
    txMusicPath->setEnabled(false);
    txBGM->setEnabled(false);
}

void fmMain::cmdCloseBGM_Click() {
    StopPlay();
    sounds->closeMusic();
    cmdOpenBGM->setEnabled(true);
    cmdCloseBGM->setEnabled(false);
    cmdPlay->setEnabled(false);
    txMusicPath->setEnabled(true);
    txBGM->setEnabled(true);
}

void fmMain::cmdOpenKey_Click() {
    sounds->openKeys(doc, musicDir(), ui_);
    cmdOpenKey->setEnabled(false);
    cmdCloseKey->setEnabled(true);
    mnPlayKeyNote->setEnabled(true);
    mnPlayKeyNote->setChecked(true);
    playback->setKeys(true);
}

void fmMain::cmdCloseKey_Click() {
    mnPlayKeyNote->setChecked(false);
    playback->setKeys(false);
    sounds->closeKeys();
    keyPreview.releaseGraphs();
    cmdOpenKey->setEnabled(true);
    cmdCloseKey->setEnabled(false);
    mnPlayKeyNote->setEnabled(false);
}

// ---- playing ------------------------------------------------------------------------

void fmMain::mnPlayStart_Click() {
    cmdPlay_Click();
}

// Pressed while the music plays, it stops everything; a later press starts
// again from the view.
void fmMain::cmdPlay_Click() {
    if (playback->running() || playback->musicPlaying()) {
        StopPlay();
        return;
    }
    PlaySwitches switches = playback->switches();
    switches.music = mnPlayBGM->isChecked();
    switches.keys = mnPlayKeyNote->isChecked();
    if (!playback->start(vsb->value(), switches)) return;
    view->state().playing = true;
    cmdPlay->setText(QStringLiteral("&Pause"));
    escPlay_->setEnabled(true);
    playTimer_->start();
    playStep();
}

void fmMain::playStep() {
    if (!playback->running()) {
        playTimer_->stop();
        return;
    }
    const Playback::Step step = playback->step();
    if (!step.running) {
        StopPlay();
        return;
    }
    ViewState& shown = view->state();
    shown.viewFrame = step.viewFrame;
    if (!step.coordChanged) return;
    shown.viewBase = step.viewBase;
    vsb->setValue(step.viewBase);  // the scroll handler leaves the view alone while playing
    ReDrawNote();
}

void fmMain::StopPlay() {
    playTimer_->stop();
    playback->stop();
    view->state().playing = false;
    ReDrawNote();
    cmdPlay->setText(QStringLiteral("&Play"));
    escPlay_->setEnabled(false);
}

void fmMain::mnPlayBGM_Click() {
    // Read when playback starts next.
}

void fmMain::mnPlayKeyNote_Click() {
    playback->setKeys(mnPlayKeyNote->isChecked());
}

// ---- playing speed --------------------------------------------------------------------

void fmMain::sldTempo_Change(int index) {
    if (index != 1) return;  // the first slider has no effect on playback
    const float frequency = playingFrequency(sldTempo[1]->value());
    lbSampleRate->setText(QString::number(toInt32(frequency)));
    playback->setFrequency(frequency);
}

void fmMain::cmdResetTempo_Click(int index) {
    sldTempo[index]->setValue(index == 0 ? 100 : 0);
}

}  // namespace lumidex
