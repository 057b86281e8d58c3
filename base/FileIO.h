#pragma once
// Whole-file reading and writing, and the existence test. Every path is text;
// it reaches the system as UTF-8 bytes. A path holding U+FFFD is refused: it
// is what a file name that is not valid UTF-8 turns into when it is decoded,
// and using it would read or write a different file from the one asked for.

#include <QByteArray>
#include <QString>

#include <cstdint>

namespace lumidex {

// The largest file ReadFileBytes reads unless told otherwise: one byte under
// 2 GiB.
inline constexpr qint64 kMaxFileBytes = (qint64(1) << 31) - 1;

// Reads the whole file into bytes. 0 when bytes hold the whole file; 1 when
// the file cannot be opened, is not a regular file (a pipe, a device: never
// waited on), is empty, is larger than maxBytes, or reads short
// (bytes are then undefined). The size is checked before anything is read.
// Never throws. When errorText is given it receives a short reason on failure
// ("file not found", "the file is empty", ...), for messages that name it.
int ReadFileBytes(const QString& path, QByteArray& bytes, QString* errorText = nullptr,
                  qint64 maxBytes = kMaxFileBytes);

// True when the path names something other than a bare directory (an
// ordinary file, a link to one, a device...). Never fails.
bool FileExists(const QString& path);

// The editor's path join: name when it is absolute (holds ":" or starts with
// "/" or "\"), base when name is empty, else base and name with one separator
// between them. Both "/" and "\" count as separators.
QString JoinPath(const QString& base, const QString& name);

// Writes bytes to path without ever damaging the file already there: the
// bytes go to a new temporary file in the same folder, which is written in
// full, synced to the disk and closed, and only then renamed over path (and
// the folder synced, so the rename itself survives a crash). Any failure
// removes the temporary file and leaves the old file byte for byte as it was.
// A path that is a link writes the file it points to (also when that does
// not exist yet); an existing file keeps its permissions. Temporary files of
// saves killed part-way (".NAME.lumidex-PID-N" of a process that is gone)
// are removed from the folder. 0 on success, 1 on failure; errorText receives the reason
// ("the disk is full", "permission denied", ...).
int WriteFileBytes(const QString& path, const QByteArray& bytes, QString* errorText = nullptr);

// The writing of WriteFileBytes for a writer that streams its bytes (a
// rendered sound): open() creates a new temporary file, with a name nobody
// else has (O_EXCL), beside the file path names (the file a link names,
// even a link whose file does not exist yet); the caller writes to fd();
// commit() syncs, closes and renames it over the target. The temporary file
// is removed on every other way out, so the target is either the old file or
// the complete new one. Temporary files that killed saves left in the folder
// are removed when the next one is created there. errorText receives the
// reason of a failure.
class AtomicFile {
  public:
    AtomicFile() = default;
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    bool open(const QString& path, QString* errorText = nullptr);
    int fd() const { return fd_; }
    bool commit(QString* errorText = nullptr);

  private:
    bool fail(int err, QString* errorText);

    QByteArray target_;
    QByteArray tempName_;
    int fd_ = -1;
};

// The reason a path cannot be used as a file name, or an empty text when it
// can: an empty path, or one holding U+FFFD or a NUL character.
QString fileNameProblem(const QString& path);

// The steps of WriteFileBytes that can fail on their own. Tests make one of
// them fail (as a full disk or a failing device would) to check that the old
// file survives each.
enum class WriteStep { None, Write, Sync, Close, Rename };
void failWriteStepForTesting(WriteStep step);

}  // namespace lumidex
