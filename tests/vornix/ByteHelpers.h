#pragma once
// Bytes given as numbers, and whole files read and written, for the tests of
// the library layer and the text decoder.

#include <gtest/gtest.h>

#include <QByteArray>
#include <QFile>
#include <QString>

#include <initializer_list>

namespace lumidex::testing {

inline QByteArray bytesOf(std::initializer_list<int> values) {
    QByteArray b;
    for (int v : values) b.append(char(v));
    return b;
}

inline QString units(std::initializer_list<char16_t> values) {
    QString s;
    for (char16_t v : values) s += QChar(v);
    return s;
}

inline QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline void writeAll(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(f.write(bytes), bytes.size());
}

}  // namespace lumidex::testing
