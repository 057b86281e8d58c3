#include "RecoveryStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>

#include <algorithm>
#include <cerrno>
#include <csignal>

#include <unistd.h>

#include "FileIO.h"

namespace lumidex {
namespace {

const QString kLockSuffix = QStringLiteral(".lock");

// The instance name a process writes its files under.
QString instanceOf(const LockOwner& owner) {
    return QString::number(owner.pid) + QLatin1Char('-') + QString::number(owner.started);
}

}  // namespace

QString recoveryFolder() {
    QString state = qEnvironmentVariable("XDG_STATE_HOME");
    // The XDG base directory rules ignore a relative path.
    if (state.isEmpty() || QDir::isRelativePath(state))
        state = QDir::homePath() + QStringLiteral("/.local/state");
    return state + QStringLiteral("/lumidex/recovery");
}

QByteArray recordBytes(const CopyRecord& r) {
    const QJsonObject o{{QStringLiteral("name"), r.chartName},
                        {QStringLiteral("file"), r.chartFile},
                        {QStringLiteral("pak"), r.chartPak},
                        {QStringLiteral("dir"), r.chartDir},
                        {QStringLiteral("decoder"), r.decoder},
                        {QStringLiteral("scroll"), r.scroll},
                        {QStringLiteral("changed"), r.changed.toUTC().toString(Qt::ISODateWithMs)}};
    return QJsonDocument(o).toJson();
}

std::optional<CopyRecord> parseRecord(const QByteArray& bytes) {
    const QJsonDocument json = QJsonDocument::fromJson(bytes);
    if (!json.isObject()) return std::nullopt;
    const QJsonObject o = json.object();
    CopyRecord r;
    r.chartName = o.value(QStringLiteral("name")).toString();
    r.chartFile = o.value(QStringLiteral("file")).toString();
    r.chartPak = o.value(QStringLiteral("pak")).toString();
    r.chartDir = o.value(QStringLiteral("dir")).toString();
    r.decoder = o.value(QStringLiteral("decoder")).toInt();
    r.scroll = o.value(QStringLiteral("scroll")).toInt();
    r.changed =
        QDateTime::fromString(o.value(QStringLiteral("changed")).toString(), Qt::ISODateWithMs);
    return r;
}

std::optional<quint64> processStart(qint64 pid) {
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (pid <= 0 || !stat.open(QIODevice::ReadOnly)) return std::nullopt;
    const QByteArray text = stat.readAll();
    // The command name (field 2) is in parentheses and may hold spaces; the
    // start time is field 22, the 20th after it.
    const int close = text.lastIndexOf(')');
    if (close < 0) return std::nullopt;
    const QList<QByteArray> fields = text.mid(close + 2).split(' ');
    if (fields.size() < 20) return std::nullopt;
    bool ok = false;
    const quint64 start = fields[19].toULongLong(&ok);
    return ok ? std::optional<quint64>(start) : std::nullopt;
}

LockOwner currentProcess() {
    const qint64 pid = static_cast<qint64>(::getpid());
    return {pid, processStart(pid).value_or(0)};
}

QByteArray lockBytes(const LockOwner& owner) {
    return QByteArray::number(owner.pid) + ' ' + QByteArray::number(owner.started) + '\n';
}

bool lockIsStale(const QByteArray& lock) {
    const QList<QByteArray> fields = lock.trimmed().split(' ');
    bool pidOk = false, startOk = false;
    const qint64 pid = fields.value(0).toLongLong(&pidOk);
    const quint64 started = fields.value(1).toULongLong(&startOk);
    if (fields.size() != 2 || !pidOk || !startOk || pid <= 0) return true;
    // A process of another user answers EPERM: it exists.
    if (::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH) return true;
    const std::optional<quint64> now = processStart(pid);
    return now && *now != started;
}

RecoveryStore::RecoveryStore(QString folder, const LockOwner& owner)
    : folder_(std::move(folder)), owner_(owner), instance_(instanceOf(owner)) {}

QString RecoveryStore::path(const QString& instance, const char* suffix) const {
    return folder_ + QLatin1Char('/') + instance + QLatin1String(suffix);
}

int RecoveryStore::claim(QString* errorText) {
    if (!QDir().mkpath(folder_)) {
        if (errorText) *errorText = QStringLiteral("cannot create the folder ") + folder_;
        return 1;
    }
    return WriteFileBytes(path(instance_, ".lock"), lockBytes(owner_), errorText);
}

int RecoveryStore::writeCopy(const QByteArray& chart, const CopyRecord& record,
                             QString* errorText) {
    // The chart last: a copy is offered once its chart is there.
    if (WriteFileBytes(path(instance_, ".json"), recordBytes(record), errorText) != 0) return 1;
    return WriteFileBytes(path(instance_, ".xml"), chart, errorText);
}

void RecoveryStore::removeCopy() {
    QFile::remove(path(instance_, ".xml"));
    QFile::remove(path(instance_, ".json"));
}

void RecoveryStore::release() {
    removeCopy();
    QFile::remove(path(instance_, ".lock"));
}

std::vector<OrphanCopy> RecoveryStore::orphans() {
    const QDir dir(folder_);
    QSet<QString> live;
    for (const QString& lock : dir.entryList({QStringLiteral("*.lock")}, QDir::Files)) {
        const QString instance = lock.chopped(kLockSuffix.size());
        QByteArray bytes;
        if (ReadFileBytes(dir.filePath(lock), bytes) == 0 && !lockIsStale(bytes)) {
            live.insert(instance);
        } else if (!QFile::exists(path(instance, ".xml"))) {
            QFile::remove(path(instance, ".json"));
            QFile::remove(dir.filePath(lock));
        }
    }
    std::vector<OrphanCopy> found;
    for (const QString& xml : dir.entryList({QStringLiteral("*.xml")}, QDir::Files)) {
        const QString instance = xml.chopped(4);
        if (live.contains(instance)) continue;
        QByteArray bytes;
        ReadFileBytes(path(instance, ".json"), bytes);
        // A copy whose record is lost is still offered, as of its file's time.
        CopyRecord record = parseRecord(bytes).value_or(CopyRecord{});
        if (!record.changed.isValid())
            record.changed = QFileInfo(dir.filePath(xml)).lastModified().toUTC();
        found.push_back({instance, record});
    }
    std::sort(found.begin(), found.end(), [](const OrphanCopy& a, const OrphanCopy& b) {
        return a.record.changed > b.record.changed;
    });
    return found;
}

bool RecoveryStore::take(const OrphanCopy& orphan, QByteArray& chart) {
    // The rename is atomic: of two editors taking the same copy, one wins.
    // The copy becomes this instance's own and stays until the chart is saved.
    if (!QFile::rename(path(orphan.instance, ".xml"), path(instance_, ".xml"))) return false;
    QFile::remove(path(instance_, ".json"));
    QFile::rename(path(orphan.instance, ".json"), path(instance_, ".json"));
    QFile::remove(path(orphan.instance, ".lock"));
    return ReadFileBytes(path(instance_, ".xml"), chart) == 0;
}

void RecoveryStore::discard(const OrphanCopy& orphan) {
    for (const char* suffix : {".xml", ".json", ".lock"})
        QFile::remove(path(orphan.instance, suffix));
}

}  // namespace lumidex
