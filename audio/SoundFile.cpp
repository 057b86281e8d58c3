#include "SoundFile.h"

#include <QFileInfo>

#include <new>

#include "FileIO.h"
#include "Vornix.h"

namespace lumidex {

namespace {

// The archive and entry a name maps to; false for a name without "/".
bool pakFor(const QString& musicPath, const QString& fn, SoundLocation& where) {
    const int slash = fn.indexOf(QLatin1Char('/'));
    if (slash < 0) return false;
    where.path = musicPath + fn.left(slash) + QStringLiteral(".pak");
    where.entry = fn;
    return true;
}

int32_t pakEntrySize(const SoundLocation& where) {
    int16_t none = 0;
    return vornix::GetFileFromPakW(&none, 0, where.path, where.entry);
}

}  // namespace

SoundLocation locateSound(const QString& musicPath, const QString& fn) {
    SoundLocation where;
    const QString loose = musicPath + fn;
    if (FileExists(loose)) {
        where.kind = SoundLocation::Loose;
        where.path = loose;
        where.size = QFileInfo(loose).size();
        return where;
    }
    if (!pakFor(musicPath, fn, where)) return where;
    where.size = pakEntrySize(where);
    if (where.size > 0) where.kind = SoundLocation::PakEntry;
    return where;
}

bool readSoundFile(const QString& musicPath, const QString& fn, QByteArray& bytes) {
    bytes.clear();
    try {
        const QString loose = musicPath + fn;
        if (FileExists(loose)) return ReadFileBytes(loose, bytes) == 0;
        SoundLocation where;
        if (!pakFor(musicPath, fn, where)) return false;
        // One buffer of the entry's size, checked to its end: a damaged
        // entry is a read failure, not a sound of zeros.
        bytes = readPakEntry(where.path, where.entry);
        if (bytes.isEmpty()) return false;
        return true;
    } catch (const std::bad_alloc&) {
        bytes.clear();
        return false;
    }
}

}  // namespace lumidex
