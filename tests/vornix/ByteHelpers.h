#pragma once
// Bytes given as numbers, and whole files read and written, for the tests of
// the library layer and the text decoder.

#include <gtest/gtest.h>

#include <QByteArray>
#include <QFile>
#include <QString>

#include <initializer_list>

#include "support/FileHelpers.h"

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

using test::readAll;
using test::writeAll;

}  // namespace lumidex::testing
