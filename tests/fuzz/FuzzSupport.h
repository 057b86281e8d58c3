#pragma once
// Shared by the fuzz targets: a check that stops the run with a message (so
// libFuzzer keeps the input) and a scratch file for code that reads files.

#include <fcntl.h>
#include <unistd.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace lumidex::fuzz {

// A broken promise of the code under test is a finding like a crash.
inline void check(bool ok, const char* what) {
    if (ok) return;
    std::fprintf(stderr, "fuzz check failed: %s\n", what);
    std::abort();
}

inline QByteArray bytesOf(const uint8_t* data, size_t size) {
    return QByteArray(reinterpret_cast<const char*>(data), qsizetype(size));
}

// One file per process, rewritten for every input: in /dev/shm when there is
// one (no disk writes), else in the temporary folder. Removed at exit.
class ScratchFile {
  public:
    explicit ScratchFile(const char* name) {
        const QString dir =
            QDir(QStringLiteral("/dev/shm")).exists() && ::access("/dev/shm", W_OK) == 0
                ? QStringLiteral("/dev/shm")
                : QDir::tempPath();
        path_ = dir + QStringLiteral("/lumidex-fuzz-%1-%2").arg(::getpid()).arg(name);
        encoded_ = QFile::encodeName(path_);
    }
    ~ScratchFile() { ::unlink(encoded_.constData()); }
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;

    const QString& path() const { return path_; }

    void write(const uint8_t* data, size_t size) const {
        const int fd = ::open(encoded_.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        check(fd >= 0, "scratch file cannot be created");
        size_t done = 0;
        while (done < size) {
            const ssize_t n = ::write(fd, data + done, size - done);
            check(n > 0, "scratch file cannot be written");
            done += size_t(n);
        }
        ::close(fd);
    }

  private:
    QString path_;
    QByteArray encoded_;
};

}  // namespace lumidex::fuzz
