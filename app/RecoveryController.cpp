#include "RecoveryController.h"

#include <QStatusBar>

#include "ChartFile.h"

namespace lumidex {
namespace {

// The offer of one orphaned copy.
QString offerText(const CopyRecord& r) {
    const QString name = r.chartName.isEmpty() ? QStringLiteral("(no name)") : r.chartName;
    QString file = r.chartFile.isEmpty() ? QStringLiteral("(never saved)") : r.chartFile;
    if (!r.chartPak.isEmpty()) file = r.chartPak + QStringLiteral(": ") + file;
    return QStringLiteral(
               "An editor ended without saving this chart:\n\n%1\n%2\nLast changed %3\n\n"
               "Restore it?")
        .arg(name, file, r.changed.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
}

}  // namespace

RecoveryController::RecoveryController(const WindowParts& parts, RecoveryParts more,
                                       QObject* parent)
    : QObject(parent),
      parts_(parts),
      more_(std::move(more)),
      store_(recoveryFolder(), currentProcess()),
      writer_(store_, [this](const RecoveryWriter::Result& result) {
          QMetaObject::invokeMethod(
              this, [this, result] { written(result); }, Qt::QueuedConnection);
      }) {
    clock_.start();
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, [this] { writeDueCopy(); });
    parts_.edits.addListener(this);
}

RecoveryController::~RecoveryController() {
    parts_.edits.removeListener(this);
}

void RecoveryController::chartChanged(const ChartChange&) {
    schedule_.changed(now());
    arm();
}

void RecoveryController::arm() {
    if (const std::optional<qint64> at = schedule_.dueAt())
        timer_.start(static_cast<int>(std::max<qint64>(0, *at - now())));
    else
        timer_.stop();
}

void RecoveryController::writeDueCopy() {
    if (!schedule_.due(now())) return arm();
    if (!more_.unsaved()) return chartSaved();
    CopyRecord record = more_.describe();
    record.changed = QDateTime::currentDateTimeUtc();
    // Composing the largest chart takes longer than a keystroke may wait; the
    // copy of the document is quick, and the writer composes from it.
    auto snapshot = std::make_shared<const ChartDocument>(parts_.doc);
    schedule_.taken();
    writer_.write([snapshot] { return composeChart(*snapshot).bytes; }, std::move(record));
    hasCopy_ = true;
}

void RecoveryController::written(const RecoveryWriter::Result& result) {
    if (result.ok) {
        warned_ = false;
        return;
    }
    schedule_.failed(now());
    arm();
    if (warned_ || !more_.statusBar) return;
    warned_ = true;
    more_.statusBar->showMessage(QStringLiteral("The recovery copy cannot be written (%1); "
                                                "trying again later.")
                                     .arg(result.error));
}

void RecoveryController::chartSaved() {
    schedule_.clear();
    timer_.stop();
    if (hasCopy_) writer_.remove();
    hasCopy_ = false;
}

void RecoveryController::windowClosed() {
    schedule_.clear();
    timer_.stop();
    writer_.release();
    hasCopy_ = false;
}

bool RecoveryController::offerOrphans() {
    for (const OrphanCopy& orphan : store_.orphans()) {
        const int choice = parts_.ui.choose(
            offerText(orphan.record), {kRestoreCaption, kDiscardCaption, kDecideLaterCaption});
        if (choice == kDiscard) store_.discard(orphan);
        if (choice != kRestore) continue;
        QByteArray chart;
        // The lock first, so no other editor takes the copy for an orphan.
        if (store_.claim() != 0 || !store_.take(orphan, chart)) continue;
        hasCopy_ = true;
        if (more_.restore(chart, orphan.record)) return true;
    }
    return false;
}

}  // namespace lumidex
