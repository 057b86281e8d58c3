#pragma once
// Where a player finds a sound: the loose file first, then an entry of a PAK
// archive. With music directory D and name abc/abc.mp3, the loose file is
// D + "abc/abc.mp3"; when it does not exist the sound is the entry
// "abc/abc.mp3" (the whole name) of the archive D + "abc.pak" (the part of the
// name before its first "/"). A name without "/" has no archive; a name
// starting with "/" names the archive D + ".pak".

#include <QByteArray>
#include <QString>

#include <cstdint>

namespace lumidex {

struct SoundLocation {
    enum Kind { Loose, PakEntry, Missing };
    Kind kind = Missing;
    QString path;      // the loose file, or the archive (also when the entry is missing)
    QString entry;     // the entry name inside the archive
    int64_t size = 0;  // bytes of the file or entry, when found
};

// Where the sound is, without reading it. A PakEntry is an entry of more than
// 0 bytes that can be read; an empty or damaged entry is Missing.
SoundLocation locateSound(const QString& musicPath, const QString& fn);

// Reads the sound into bytes. False when the loose file exists but cannot be
// read, or when neither it nor a readable PAK entry of at least one byte
// exists.
bool readSoundFile(const QString& musicPath, const QString& fn, QByteArray& bytes);

}  // namespace lumidex
