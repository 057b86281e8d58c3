// Whole-file reading and writing straight on the system calls, so every step
// that can fail is seen and answered.

#include "FileIO.h"

#include <QFile>

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>

namespace lumidex {

namespace {

std::atomic<WriteStep> failingStep{WriteStep::None};

// Closes a file descriptor on every way out, unless released.
class Fd {
  public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0) ::close(fd_);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }

  private:
    int fd_;
};

// errno as a reason the user can act on.
QString reasonOf(int err) {
    switch (err) {
        case ENOENT:
        case ENOTDIR:
            return QStringLiteral("file not found");
        case EACCES:
        case EPERM:
            return QStringLiteral("permission denied");
        case EISDIR:
            return QStringLiteral("the path is a folder");
        case ENAMETOOLONG:
            return QStringLiteral("the file name is too long");
        case EMFILE:
        case ENFILE:
            return QStringLiteral("too many files are open");
        case ENOSPC:
            return QStringLiteral("the disk is full");
        case EDQUOT:
            return QStringLiteral("the disk quota is used up");
        case EROFS:
            return QStringLiteral("the file system is read-only");
        case EFBIG:
            return QStringLiteral("the file is too large for the file system");
        case EIO:
            return QStringLiteral("device I/O error");
        case ENOMEM:
            return QStringLiteral("out of memory");
        default:
            return QString::fromLocal8Bit(std::strerror(err));
    }
}

// A step's errno, or the one a test asked to see there.
int stepError(WriteStep step, int realResult) {
    if (failingStep.load(std::memory_order_relaxed) == step) return ENOSPC;
    return realResult < 0 ? errno : 0;
}

bool writeAll(int fd, const char* data, qsizetype size, int* err) {
    if (failingStep.load(std::memory_order_relaxed) == WriteStep::Write && size > 0) {
        // Half the bytes land, as when the disk fills up part-way.
        const ssize_t half [[maybe_unused]] = ::write(fd, data, size_t(size / 2));
        *err = ENOSPC;
        return false;
    }
    qsizetype done = 0;
    while (done < size) {
        const ssize_t r = ::write(fd, data + done, size_t(size - done));
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) {
            *err = r < 0 ? errno : ENOSPC;
            return false;
        }
        done += r;
    }
    return true;
}

QByteArray folderOf(const QByteArray& name);

// The file a path writes: the target of a link, followed link by link to its
// end (which need not exist yet: a dangling link writes the file it names),
// else the path itself.
QByteArray writeTarget(QByteArray name) {
    for (int depth = 0; depth < 40; ++depth) {
        struct stat st {};
        if (::lstat(name.constData(), &st) != 0 || !S_ISLNK(st.st_mode)) return name;
        char link[PATH_MAX];
        const ssize_t n = ::readlink(name.constData(), link, sizeof link - 1);
        if (n <= 0) return name;
        const QByteArray target(link, qsizetype(n));
        name = target.startsWith('/') ? target : folderOf(name) + '/' + target;
    }
    return name;  // a loop of links: the rename reports it
}

QByteArray folderOf(const QByteArray& name) {
    const qsizetype slash = name.lastIndexOf('/');
    if (slash < 0) return QByteArrayLiteral(".");
    if (slash == 0) return QByteArrayLiteral("/");
    return name.left(slash);
}

// True for the name of a temporary file of a process that no longer runs:
// ".NAME.lumidex-PID-N" with no process PID.
bool isStaleTemporary(const char* entry) {
    if (entry[0] != '.') return false;
    const char* mark = std::strstr(entry, ".lumidex-");
    if (!mark) return false;
    const char* digits = mark + 9;
    char* end = nullptr;
    const long pid = std::strtol(digits, &end, 10);
    if (end == digits || *end != '-' || pid <= 0 || pid == ::getpid()) return false;
    const char* counter = end + 1;
    if (*counter == '\0') return false;
    for (const char* c = counter; *c; ++c)
        if (*c < '0' || *c > '9') return false;
    return ::kill(pid_t(pid), 0) != 0 && errno == ESRCH;
}

// Removes the temporary files that saves killed part-way left in folder.
void removeStaleTemporaries(const QByteArray& folder) {
    DIR* dir = ::opendir(folder.constData());
    if (!dir) return;
    while (const dirent* entry = ::readdir(dir))
        if (isStaleTemporary(entry->d_name)) ::unlinkat(::dirfd(dir), entry->d_name, 0);
    ::closedir(dir);
}

// Creates a new file beside target, named after it, that nobody else has.
// The mode follows the umask, like any new file; fd is -1 on failure.
int createTemporary(const QByteArray& target, QByteArray* tempName) {
    static std::atomic<unsigned> counter{0};
    const QByteArray folder = folderOf(target);
    removeStaleTemporaries(folder);
    const QByteArray base = target.mid(target.lastIndexOf('/') + 1);
    for (int attempt = 0; attempt < 100; ++attempt) {
        *tempName = folder + "/." + base.left(200) + ".lumidex-" + QByteArray::number(::getpid()) +
                    "-" + QByteArray::number(counter.fetch_add(1));
        const int fd = ::open(tempName->constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    errno = EEXIST;
    return -1;
}

void syncFolder(const QByteArray& folder) {
    // A folder that cannot be synced (some file systems refuse) does not undo
    // a rename that has already happened; the new file is in place either way.
    Fd dir(::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() >= 0) ::fsync(dir.get());
}

}  // namespace

QString fileNameProblem(const QString& path) {
    if (path.isEmpty()) return QStringLiteral("file not found");
    if (path.contains(QChar(0xFFFD)))
        return QStringLiteral("the file name is not valid UTF-8 text");
    if (path.contains(QChar(0))) return QStringLiteral("the file name holds a NUL character");
    return QString();
}

void failWriteStepForTesting(WriteStep step) {
    failingStep.store(step);
}

int ReadFileBytes(const QString& path, QByteArray& bytes, QString* errorText, qint64 maxBytes) {
    auto fail = [errorText](const QString& why) {
        if (errorText) *errorText = why;
        return 1;
    };
    if (const QString problem = fileNameProblem(path); !problem.isEmpty()) return fail(problem);
    const QByteArray name = QFile::encodeName(path);

    // Opening never waits (a pipe would until a writer comes), and only
    // regular files are read.
    Fd fd(::open(name.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (fd.get() < 0) return fail(reasonOf(errno));

    struct stat st {};
    if (::fstat(fd.get(), &st) != 0) return fail(QStringLiteral("read error"));
    if (S_ISDIR(st.st_mode)) return fail(QStringLiteral("the path is a folder"));
    if (!S_ISREG(st.st_mode)) return fail(QStringLiteral("not a regular file"));
    if (st.st_size <= 0) return fail(QStringLiteral("the file is empty"));
    if (st.st_size > maxBytes) {
        if (maxBytes >= kMaxFileBytes) return fail(QStringLiteral("the file is 2 GiB or larger"));
        return fail(QStringLiteral("the file is larger than %1 MiB").arg(maxBytes >> 20));
    }

    const qsizetype size = qsizetype(st.st_size);
    try {
        bytes = QByteArray(size, Qt::Uninitialized);
    } catch (const std::bad_alloc&) {
        return fail(QStringLiteral("out of memory"));
    }
    qsizetype got = 0;
    while (got < size) {
        const ssize_t r = ::read(fd.get(), bytes.data() + got, size_t(size - got));
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) break;
        got += r;
    }
    if (got != size) return fail(QStringLiteral("read error"));
    if (errorText) errorText->clear();
    return 0;
}

bool FileExists(const QString& path) {
    if (!fileNameProblem(path).isEmpty()) return false;
    const QByteArray name = QFile::encodeName(path);
    struct stat st {};
    if (::stat(name.constData(), &st) != 0) return false;
    return !S_ISDIR(st.st_mode);
}

AtomicFile::~AtomicFile() {
    if (fd_ >= 0) ::close(fd_);
    if (!tempName_.isEmpty()) ::unlink(tempName_.constData());
}

bool AtomicFile::fail(int err, QString* errorText) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    if (!tempName_.isEmpty()) ::unlink(tempName_.constData());
    tempName_.clear();
    if (errorText) *errorText = reasonOf(err);
    return false;
}

bool AtomicFile::open(const QString& path, QString* errorText) {
    if (const QString problem = fileNameProblem(path); !problem.isEmpty()) {
        if (errorText) *errorText = problem;
        return false;
    }
    target_ = writeTarget(QFile::encodeName(path));
    struct stat old {};
    const bool replacing = ::stat(target_.constData(), &old) == 0;
    if (replacing && S_ISDIR(old.st_mode)) {
        if (errorText) *errorText = QStringLiteral("the path is a folder");
        return false;
    }
    fd_ = createTemporary(target_, &tempName_);
    if (fd_ < 0) {
        tempName_.clear();
        return fail(errno, errorText);
    }
    if (replacing) ::fchmod(fd_, old.st_mode & 07777);
    return true;
}

bool AtomicFile::commit(QString* errorText) {
    int err = 0;
    if ((err = stepError(WriteStep::Sync, ::fsync(fd_))) != 0) return fail(err, errorText);
    if ((err = stepError(WriteStep::Close, ::close(std::exchange(fd_, -1)))) != 0)
        return fail(err, errorText);
    const bool renameFails = failingStep.load(std::memory_order_relaxed) == WriteStep::Rename;
    const int renamed = renameFails ? -1 : ::rename(tempName_.constData(), target_.constData());
    if ((err = stepError(WriteStep::Rename, renamed)) != 0) return fail(err, errorText);
    tempName_.clear();
    syncFolder(folderOf(target_));
    if (errorText) errorText->clear();
    return true;
}

int WriteFileBytes(const QString& path, const QByteArray& bytes, QString* errorText) {
    AtomicFile file;
    if (!file.open(path, errorText)) return 1;
    int err = 0;
    if (!writeAll(file.fd(), bytes.constData(), bytes.size(), &err)) {
        if (errorText) *errorText = reasonOf(err);
        return 1;
    }
    return file.commit(errorText) ? 0 : 1;
}

QString JoinPath(const QString& base, const QString& name) {
    if (name.isEmpty()) return base;
    if (name.contains(QLatin1Char(':')) || name.startsWith(QLatin1Char('/')) ||
        name.startsWith(QLatin1Char('\\')))
        return name;
    if (base.endsWith(QLatin1Char('/')) || base.endsWith(QLatin1Char('\\'))) return base + name;
    return base + QLatin1Char('/') + name;
}

}  // namespace lumidex
