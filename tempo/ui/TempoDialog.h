#pragma once
// The "Detect Tempo" dialog. Opening it starts the beat analysis of the
// chart's music on a worker thread (progress bar; "Cancel" stops it); it then
// shows the proposed tempo with its alternatives, the first beat and the
// "BGM Delay" that puts it on a beat line. "Apply" writes the chosen tempo
// into the first tempo segment and the delay, as one undo step.
//
// Tap tempo: "&Tap" (or T) along with the playing music; from the fourth tap
// the running tempo and first beat show, and "Apply T&apped" writes them the
// same way. A tap's time is the music's position when the music plays
// (musicTime answers it), otherwise the dialog's own clock, and then only
// the tempo is applied, the delay stays.
//
// Belongs to the window thread; the worker only analyses and posts back.

#include <QDialog>
#include <QElapsedTimer>

#include <atomic>
#include <functional>
#include <optional>

#include "ChartEdit.h"
#include "TapTempo.h"
#include "TempoAnalysis.h"

class QLabel;
class QListWidget;
class QProgressBar;
class QPushButton;
class QThread;

namespace lumidex::tempo {

class TempoDialog : public QDialog {
  public:
    using MusicTime = std::function<std::optional<double>()>;
    // musicDir and snd name the music as "&Open" finds it; applied runs after
    // a tempo was written (the window repaints).
    TempoDialog(ChartEdit& edits, const QString& musicDir, const QString& snd, MusicTime musicTime,
                std::function<void()> applied, QWidget* parent = nullptr);
    ~TempoDialog() override;

    QProgressBar* progress = nullptr;
    QLabel* lbResult = nullptr;
    QListWidget* lsTempo = nullptr;  // the proposal, then the alternatives
    QPushButton* cmdApply = nullptr;
    QPushButton* cmdCancel = nullptr;
    QLabel* lbTap = nullptr;
    QPushButton* cmdTap = nullptr;
    QPushButton* cmdApplyTap = nullptr;

    void cmdApply_Click();
    void cmdCancel_Click();
    void cmdTap_Click();
    void cmdApplyTap_Click();
    // Waits for the analysis to end (tests).
    void waitForAnalysis();

  protected:
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void start(const QString& musicDir, const QString& snd);
    void showReport(const TempoReport& report);
    void showTaps();

    ChartEdit& edits_;
    MusicTime musicTime_;
    std::function<void()> applied_;
    QThread* worker_ = nullptr;
    std::atomic<bool> cancel_{false};
    TempoReport report_;
    TapTempo taps_;
    QElapsedTimer clock_;
    bool tapsOnMusic_ = true;  // every tap of the run had the music's time
};

}  // namespace lumidex::tempo
