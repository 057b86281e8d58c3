#pragma once
// The decoding of chart bytes into text, and text back into bytes.

#include <QByteArray>
#include <QString>

namespace lumidex {

// Decodes bytes into text by their byte-order mark, else with codePage
// (0 = the system ANSI code page, GB18030 here). The mark is removed.
//   FF FE 00 00 UTF-32 LE (tested before UTF-16 LE), 00 00 FE FF UTF-32 BE,
//   EF BB BF UTF-8, FF FE UTF-16 LE (an odd last byte dropped), FE FF UTF-16 BE.
QString BytesToText(const QByteArray& bytes, int codePage);

// Text to bytes in a code page (0 = the system ANSI code page, GB18030 here),
// through the same iconv converter that BytesToText uses; every character the
// code page cannot hold becomes "?". Empty for an unknown code page.
QByteArray textToBytes(const QString& text, int codePage);
inline QByteArray encodeGB18030(const QString& text) {
    return textToBytes(text, 0);
}

// The iconv name of a Windows code page (0 and 54936 -> "GB18030",
// 936 -> "CP936", 65001 -> "UTF-8", 1252 -> "CP1252", ...).
QByteArray codePageName(int codePage);

}  // namespace lumidex
