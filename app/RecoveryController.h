#pragma once
// The recovery copy of the open chart (recovery/RecoveryStore.h): written a
// little after unsaved changes (RecoverySchedule) by a writer thread, removed
// when the chart is saved or another is opened or started, and removed with
// the lock when the window closes normally. At start-up the copies of editors
// that ended without closing are offered back, newest first, one box each;
// after a restore the rest wait for the next start.
//
// A copy that cannot be written (or a chart the saver refuses yet, such as
// one with an empty "Current BPM") is told once in the status bar and tried
// again later; editing never waits for it.

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <functional>
#include <memory>

#include "ChartEdit.h"
#include "RecoverySchedule.h"
#include "RecoveryWriter.h"
#include "WindowParts.h"

class QStatusBar;

namespace lumidex {

// Captions and texts of the offer and the status bar.
inline const QString kRestoreCaption = QStringLiteral("Restore");
inline const QString kDiscardCaption = QStringLiteral("Discard");
inline const QString kDecideLaterCaption = QStringLiteral("Decide later");
enum RecoveryChoice { kRestore = 0, kDiscard = 1, kDecideLater = 2 };

// What the window gives the controller besides its parts.
struct RecoveryParts {
    std::function<bool()> unsaved;         // the chart has changes its file lacks
    std::function<CopyRecord()> describe;  // where the chart came from, view, decoder
    // Opens a copy's chart as unsaved under its original name; false when
    // the text holds no chart.
    std::function<bool(const QByteArray&, const CopyRecord&)> restore;
    QStatusBar* statusBar = nullptr;
};

class RecoveryController : public QObject, private ChartEditListener {
  public:
    RecoveryController(const WindowParts& parts, RecoveryParts more, QObject* parent = nullptr);
    ~RecoveryController() override;

    // The chart is in its file, or another chart was opened: no copy.
    void chartSaved();
    // A normal exit: the copy and the lock go.
    void windowClosed();
    // Offers the orphaned copies; true when one was restored.
    bool offerOrphans();
    // Writes the copy now if one is due (the timer calls it).
    void writeDueCopy();
    // Waits until the writer has done every job given so far.
    void flush() { writer_.flush(); }

  private:
    void chartChanged(const ChartChange& change) override;
    void arm();
    void written(const RecoveryWriter::Result& result);
    qint64 now() const { return clock_.elapsed(); }

    WindowParts parts_;
    RecoveryParts more_;
    RecoveryStore store_;  // the window thread's view of the folder
    RecoverySchedule schedule_;
    QElapsedTimer clock_;
    QTimer timer_;
    bool hasCopy_ = false;   // a copy of this chart was written or restored
    bool warned_ = false;    // the failure was told in the status bar
    RecoveryWriter writer_;  // last: its thread stops before the rest goes
};

}  // namespace lumidex
