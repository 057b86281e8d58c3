#include "RuntimeError.h"

namespace lumidex {

RuntimeError::RuntimeError(int number) : RuntimeError(number, describe(number)) {}

RuntimeError::RuntimeError(int number, QString description)
    : number_(number), description_(std::move(description)) {
    what_ = QStringLiteral("%1: %2").arg(number_).arg(description_).toStdString();
}

QString RuntimeError::describe(int number) {
    switch (number) {
        case 5:
            return QStringLiteral("Invalid procedure call or argument");
        case 6:
            return QStringLiteral("Overflow");
        case 7:
            return QStringLiteral("Out of memory");
        case 9:
            return QStringLiteral("Subscript out of range");
        case 11:
            return QStringLiteral("Division by zero");
        case 52:
            return QStringLiteral("Bad file name or number");
        case 53:
            return QStringLiteral("File not found");
        case 57:
            return QStringLiteral("Device I/O error");
        case 58:
            return QStringLiteral("File already exists");
        case 61:
            return QStringLiteral("Disk full");
        case 62:
            return QStringLiteral("Input past end of file");
        case 67:
            return QStringLiteral("Too many files");
        case 70:
            return QStringLiteral("Permission denied");
        case 75:
            return QStringLiteral("Path/File access error");
        case 76:
            return QStringLiteral("Path not found");
        default:
            return QString();
    }
}

}  // namespace lumidex
