#pragma once
// The recovery copies in the user's state folder
// ($XDG_STATE_HOME/lumidex/recovery, by default ~/.local/state/lumidex/recovery).
// Each running editor is one instance, named "<pid>-<process start time>",
// and owns three files there:
//   <instance>.lock  its process id and start time, while it runs
//   <instance>.xml   the chart text, as a save writes it
//   <instance>.json  the record: where the chart came from and when it changed
// A lock whose process is gone, or whose process id now belongs to a process
// started at another time (the id was reused), is stale: that editor ended
// without removing its copy, which is then an orphan to offer back.
// Every file goes through WriteFileBytes, so a copy is whole or not there.
//
// Not thread-safe: one thread uses a store at a time (the writer's, once it
// runs; the window's at start-up, before it does).

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <optional>
#include <vector>

namespace lumidex {

// The folder copies are kept in, from the environment (not created).
QString recoveryFolder();

// Where a copy came from, and when.
struct CopyRecord {
    QString chartName;  // the music name of the chart's header
    QString chartFile;  // its file, or the entry of chartPak; empty for a new chart
    QString chartPak;   // the archive it was read from, or empty
    QString chartDir;   // the folder its sounds are found from
    int decoder = 0;    // the "Pla&y" menu's decoder choice
    int scroll = 0;     // the view's scroll position
    QDateTime changed;  // the last change the copy holds (UTC)
};
QByteArray recordBytes(const CopyRecord& record);
std::optional<CopyRecord> parseRecord(const QByteArray& bytes);

// A process identity as a lock holds it.
struct LockOwner {
    qint64 pid = 0;
    quint64 started = 0;  // clock ticks after boot, from /proc/<pid>/stat
};
LockOwner currentProcess();
// The start time of process pid; nothing when there is no such process.
std::optional<quint64> processStart(qint64 pid);
QByteArray lockBytes(const LockOwner& owner);
// True when the lock's editor is gone: unreadable text, no such process, or
// a process started at another time.
bool lockIsStale(const QByteArray& lock);

// A copy left by an editor that is gone.
struct OrphanCopy {
    QString instance;
    CopyRecord record;
};

class RecoveryStore {
  public:
    RecoveryStore(QString folder, const LockOwner& owner);

    const QString& instance() const { return instance_; }
    QString path(const QString& instance, const char* suffix) const;

    // Creates the folder and this instance's lock. 0 on success, 1 on
    // failure (errorText tells why).
    int claim(QString* errorText = nullptr);
    // Writes this instance's copy: the record, then the chart text.
    int writeCopy(const QByteArray& chart, const CopyRecord& record, QString* errorText = nullptr);
    // Removes this instance's copy (the lock stays).
    void removeCopy();
    // Removes the copy and the lock: the editor ends normally.
    void release();

    // The orphans, newest first. Stale locks without a chart are removed
    // with their record.
    std::vector<OrphanCopy> orphans();
    // Makes an orphan this instance's own copy (so no other editor offers it
    // again) and reads its chart text; false when it is gone (another editor
    // took it) or cannot be read.
    bool take(const OrphanCopy& orphan, QByteArray& chart);
    // Removes an orphan's files.
    void discard(const OrphanCopy& orphan);

  private:
    QString folder_;
    LockOwner owner_;
    QString instance_;
};

}  // namespace lumidex
