#include "RemoveFile.h"

#include <QFile>

#include <unistd.h>
#include <cerrno>
#include <cstring>

#include "FileIO.h"
#include "RuntimeError.h"

namespace lumidex {

int windowsErrorOf(int errnoValue) {
    switch (errnoValue) {
        case ENOENT:
            return 2;
        case ENOTDIR:
            return 3;
        case EMFILE:
            return 4;
        case EACCES:
        case EPERM:
        case EISDIR:
        case EROFS:
            return 5;
        case EBUSY:
        case ETXTBSY:
            return 32;
        case EIO:
            return 29;
        case EINVAL:
            return 87;
        case ENOSPC:
            return 112;
        case EEXIST:
            return 183;
        case ENAMETOOLONG:
            return 123;
        default:
            return 31;
    }
}

int MapDllError(int windowsError) {
    switch (windowsError) {
        case 2:
            return 53;
        case 3:
            return 76;
        case 4:
            return 67;
        case 5:
        case 32:
        case 33:
            return 70;
        case 14:
            return 7;
        case 29:
        case 30:
            return 57;
        case 38:
            return 62;
        case 39:
        case 112:
            return 61;
        case 80:
        case 183:
            return 58;
        case 87:
            return 5;
        case 123:
            return 52;
        default:
            return windowsError;
    }
}

void RemoveFile(const QString& path) {
    // A name that cannot reach the system as the text it shows would delete
    // some other file.
    if (!fileNameProblem(path).isEmpty()) throw RuntimeError(rterr::BadFileName);
    if (::unlink(QFile::encodeName(path).constData()) == 0) return;
    const int error = errno;
    const int number = MapDllError(windowsErrorOf(error));
    QString description = RuntimeError::describe(number);
    if (description.isEmpty()) description = QString::fromLocal8Bit(std::strerror(error));
    throw RuntimeError(number, description);
}

}  // namespace lumidex
