#include "WaveformCache.h"

#include <QCryptographicHash>
#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QStandardPaths>

namespace lumidex::waveform {

namespace {

constexpr quint32 kMagic = 0x4c4d5746;  // "LMWF"
constexpr quint32 kFormat = 1;          // the table's layout; a change makes old files stale
constexpr qsizetype kHashChunk = 1 << 20;
// Far more blocks than any music has (about 26 hours at 44.1 kHz): a count
// above it is damage, not music.
constexpr quint64 kMaxBlocks = quint64(1) << 32;

QByteArray checksum(const QByteArray& body) {
    return QCryptographicHash::hash(body, QCryptographicHash::Sha1);
}

QByteArray serialize(const QByteArray& key, const Analysis& analysis) {
    const PeakTable& table = *analysis.table;
    QByteArray body;
    QDataStream out(&body, QIODevice::WriteOnly);
    out.setByteOrder(QDataStream::LittleEndian);
    out << kMagic << kFormat << key << qint32(analysis.outcome) << qint32(table.sampleRate())
        << qint32(table.channels()) << qint64(table.frames()) << qint64(analysis.expectedFrames)
        << quint64(table.blocks());
    for (int64_t i = 0; i < table.blocks(); ++i) out << table.storedPeak(i) << table.storedRms(i);
    return body;
}

}  // namespace

QString WaveformCache::defaultFolder() {
    QString base = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
    if (base.isEmpty()) base = QDir::homePath() + QStringLiteral("/.cache");
    return base + QStringLiteral("/Lumidex/waveform");
}

QByteArray WaveformCache::keyFor(audio::ByteView bytes, int decoderChoice,
                                 const std::atomic<bool>* cancel) {
    QCryptographicHash hash(QCryptographicHash::Sha1);
    for (size_t at = 0; at < bytes.size; at += size_t(kHashChunk)) {
        if (cancel && cancel->load(std::memory_order_relaxed)) return {};
        const qsizetype n = qsizetype(std::min(bytes.size - at, size_t(kHashChunk)));
        hash.addData(QByteArrayView(reinterpret_cast<const char*>(bytes.data + at), n));
    }
    return hash.result().toHex() + '-' + QByteArray::number(decoderChoice) + "-v" +
           QByteArray::number(kFormat);
}

QString WaveformCache::fileFor(const QByteArray& key) const {
    return folder_ + QLatin1Char('/') + QString::fromLatin1(key) + QStringLiteral(".peaks");
}

Analysis WaveformCache::load(const QByteArray& key) const {
    QFile file(fileFor(key));
    if (key.isEmpty() || !file.open(QIODevice::ReadOnly)) return {};
    return parse(file.readAll(), key);
}

Analysis WaveformCache::parse(const QByteArray& all, const QByteArray& key) {
    const qsizetype sumSize = 20;
    if (all.size() < sumSize || checksum(all.left(all.size() - sumSize)) != all.right(sumSize))
        return {};
    QDataStream in(all);
    in.setByteOrder(QDataStream::LittleEndian);
    quint32 magic = 0, format = 0;
    QByteArray storedKey;
    qint32 outcome = 0, rate = 0, channels = 0;
    qint64 frames = 0, expected = 0;
    quint64 blocks = 0;
    in >> magic >> format >> storedKey >> outcome >> rate >> channels >> frames >> expected >>
        blocks;
    const bool sane =
        in.status() == QDataStream::Ok && magic == kMagic && format == kFormat &&
        storedKey == key && rate > 0 && channels > 0 && blocks <= kMaxBlocks &&
        (outcome == qint32(Outcome::Complete) || outcome == qint32(Outcome::EndedEarly) ||
         outcome == qint32(Outcome::Silent)) &&
        blocks > 0 && frames > qint64(blocks - 1) * PeakTable::kBlockFrames &&
        frames <= qint64(blocks) * PeakTable::kBlockFrames &&
        quint64(all.size() - sumSize - in.device()->pos()) == blocks * 4;
    if (!sane) return {};
    auto table = std::make_shared<PeakTable>(rate, channels);
    for (quint64 i = 0; i < blocks; ++i) {
        quint16 peak = 0, rms = 0;
        in >> peak >> rms;
        const int64_t start = int64_t(i) * PeakTable::kBlockFrames;
        table->appendStored(peak, rms,
                            int(std::min<int64_t>(PeakTable::kBlockFrames, frames - start)));
    }
    table->finish();
    Analysis analysis;
    analysis.outcome = Outcome(outcome);
    analysis.expectedFrames = expected;
    analysis.table = std::move(table);
    return analysis;
}

bool WaveformCache::store(const QByteArray& key, const Analysis& analysis, QString* error) const {
    if (!analysis.table || key.isEmpty()) return false;
    if (!QDir().mkpath(folder_)) {
        *error = QStringLiteral("cannot create %1").arg(folder_);
        return false;
    }
    QByteArray body = serialize(key, analysis);
    body += checksum(body);
    QSaveFile file(fileFor(key));
    if (!file.open(QIODevice::WriteOnly) || file.write(body) != body.size() || !file.commit()) {
        *error = file.errorString();
        return false;
    }
    return true;
}

}  // namespace lumidex::waveform
