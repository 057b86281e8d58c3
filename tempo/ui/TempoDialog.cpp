#include "TempoDialog.h"

#include <QDialogButtonBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QThread>
#include <QVBoxLayout>

#include "SoundFile.h"
#include "TempoApply.h"

namespace lumidex::tempo {
namespace {

QString tempoRow(double bpm, double confidence) {
    return QStringLiteral("%1 BPM (confidence %2)").arg(bpm, 0, 'f', 4).arg(confidence, 0, 'f', 2);
}

}  // namespace

TempoDialog::TempoDialog(ChartEdit& edits, const QString& musicDir, const QString& snd,
                         MusicTime musicTime, std::function<void()> applied, QWidget* parent)
    : QDialog(parent),
      edits_(edits),
      musicTime_(std::move(musicTime)),
      applied_(std::move(applied)) {
    setObjectName(QStringLiteral("TempoDialog"));
    setWindowTitle(QStringLiteral("Detect Tempo"));
    auto* layout = new QVBoxLayout(this);
    lbResult = new QLabel(QStringLiteral("Analysing the music..."), this);
    lbResult->setWordWrap(true);
    progress = new QProgressBar(this);
    progress->setRange(0, 1000);
    lsTempo = new QListWidget(this);
    layout->addWidget(lbResult);
    layout->addWidget(progress);
    layout->addWidget(lsTempo);

    auto* tap = new QGroupBox(QStringLiteral("Tap Tempo"), this);
    auto* tapLayout = new QVBoxLayout(tap);
    lbTap = new QLabel(tap);
    cmdTap = new QPushButton(QStringLiteral("&Tap"), tap);
    cmdApplyTap = new QPushButton(QStringLiteral("Apply T&apped"), tap);
    tapLayout->addWidget(lbTap);
    tapLayout->addWidget(cmdTap);
    tapLayout->addWidget(cmdApplyTap);
    layout->addWidget(tap);

    auto* buttons = new QDialogButtonBox(this);
    cmdApply = buttons->addButton(QStringLiteral("Apply"), QDialogButtonBox::AcceptRole);
    cmdCancel = buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
    layout->addWidget(buttons);
    cmdApply->setEnabled(false);
    connect(cmdApply, &QPushButton::clicked, this, &TempoDialog::cmdApply_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &TempoDialog::cmdCancel_Click);
    connect(cmdTap, &QPushButton::clicked, this, &TempoDialog::cmdTap_Click);
    connect(cmdApplyTap, &QPushButton::clicked, this, &TempoDialog::cmdApplyTap_Click);
    clock_.start();
    showTaps();
    start(musicDir, snd);
}

TempoDialog::~TempoDialog() {
    cancel_ = true;
    waitForAnalysis();
}

void TempoDialog::start(const QString& musicDir, const QString& snd) {
    worker_ = QThread::create([this, musicDir, snd] {
        QByteArray bytes;
        TempoReport report;
        if (!readSoundFile(musicDir, snd, bytes)) {
            report.outcome = TempoReport::Unreadable;
            report.message = QStringLiteral("The music cannot be read: %1").arg(musicDir + snd);
        } else {
            report = analyseMusic(bytes, [this](double fraction) {
                QMetaObject::invokeMethod(
                    this, [this, fraction] { progress->setValue(int(fraction * 1000)); },
                    Qt::QueuedConnection);
                return !cancel_;
            });
        }
        QMetaObject::invokeMethod(
            this, [this, report] { showReport(report); }, Qt::QueuedConnection);
    });
    worker_->start();
}

void TempoDialog::waitForAnalysis() {
    if (!worker_) return;
    worker_->wait();
    delete worker_;
    worker_ = nullptr;
}

void TempoDialog::showReport(const TempoReport& report) {
    waitForAnalysis();
    report_ = report;
    progress->setValue(progress->maximum());
    lsTempo->clear();
    if (report.outcome != TempoReport::Beat) {
        lbResult->setText(report.message);
        return;
    }
    const BeatAnalysis& b = report.beat;
    QString text = QStringLiteral(
                       "First beat at %1 s. \"BGM Delay\" %2 frames puts it on a beat line (BASS "
                       "and Miles start the music 3 frames after the chart position; the delay "
                       "includes them).")
                       .arg(b.firstBeat, 0, 'f', 4)
                       .arg(report.delay, 0, 'f', 3);
    if (!b.steady)
        text += QStringLiteral(" The tempo changes: %1 spans keep one tempo; the first is shown.")
                    .arg(b.spans.size());
    lbResult->setText(text);
    lsTempo->addItem(tempoRow(b.bpm, b.confidence));
    for (const TempoCandidate& c : b.alternatives) lsTempo->addItem(tempoRow(c.bpm, c.confidence));
    lsTempo->setCurrentRow(0);
    cmdApply->setEnabled(true);
}

void TempoDialog::cmdApply_Click() {
    const int row = lsTempo->currentRow();
    if (report_.outcome != TempoReport::Beat || row < 0) return;
    const BeatAnalysis& b = report_.beat;
    const double bpm = row == 0 ? b.bpm : b.alternatives[size_t(row - 1)].bpm;
    applyTempo(edits_, bpm, delayFor(bpm, b.firstBeat));
    if (applied_) applied_();
    accept();
}

void TempoDialog::cmdCancel_Click() {
    cancel_ = true;
    reject();
}

void TempoDialog::cmdTap_Click() {
    const std::optional<double> music = musicTime_ ? musicTime_() : std::nullopt;
    const double now = music ? *music : double(clock_.nsecsElapsed()) / 1e9;
    const int before = taps_.taps();
    taps_.tap(now);
    if (taps_.taps() <= before) tapsOnMusic_ = true;  // a new run
    tapsOnMusic_ = tapsOnMusic_ && music.has_value();
    showTaps();
}

void TempoDialog::cmdApplyTap_Click() {
    if (!taps_.ready()) return;
    const double bpm = taps_.bpm();
    applyTempo(edits_, bpm, tapsOnMusic_ ? delayFor(bpm, taps_.firstBeat()) : edits_.doc().Delay);
    if (applied_) applied_();
    accept();
}

void TempoDialog::showTaps() {
    cmdApplyTap->setEnabled(taps_.ready());
    if (!taps_.ready()) {
        lbTap->setText(QStringLiteral("Tap along with the music: %1 of %2 taps")
                           .arg(taps_.taps())
                           .arg(TapTempo::kNeeded));
        return;
    }
    QString text =
        QStringLiteral("%1 BPM from %2 taps").arg(taps_.bpm(), 0, 'f', 2).arg(taps_.taps());
    if (tapsOnMusic_)
        text += QStringLiteral("; first beat at %1 s, delay %2 frames")
                    .arg(taps_.firstBeat(), 0, 'f', 3)
                    .arg(delayFor(taps_.bpm(), taps_.firstBeat()), 0, 'f', 3);
    lbTap->setText(text);
}

void TempoDialog::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_T && !event->isAutoRepeat()) {
        cmdTap_Click();
        return;
    }
    QDialog::keyPressEvent(event);
}

}  // namespace lumidex::tempo
