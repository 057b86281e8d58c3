#pragma once
// Whole-file reading, the existence test and the decoding of chart bytes into
// text (module mFSO).

#include <QByteArray>
#include <QString>

namespace lumidex {

// Reads the whole file into bytes. 0 when bytes hold the whole file; 1 when
// the file cannot be opened, is empty, is 2 GiB or larger, or reads short
// (bytes are then undefined). Never throws. When errorText is given it
// receives a short reason on failure ("file not found", "the file is empty",
// ...), for messages that name the reason.
int ReadFileBytes(const QString& path, QByteArray& bytes, QString* errorText = nullptr);

// True when the path names something other than a bare directory (an
// ordinary file, a link to one, a device...). Never fails.
bool FileExists(const QString& path);

// Decodes bytes into text by their byte-order mark, else with codePage
// (0 = the system ANSI code page, GB18030 here). The mark is removed.
//   FF FE 00 00 UTF-32 LE (tested before UTF-16 LE), 00 00 FE FF UTF-32 BE,
//   EF BB BF UTF-8, FF FE UTF-16 LE (an odd last byte dropped), FE FF UTF-16 BE.
QString BytesToText(const QByteArray& bytes, int codePage);

// Text to bytes in a code page (0 = the system ANSI code page, GB18030 here),
// through the same iconv converter that BytesToText uses; every character the
// code page cannot hold becomes "?". Empty for an unknown code page.
QByteArray TextToBytes(const QString& text, int codePage);
inline QByteArray encodeGB18030(const QString& text) { return TextToBytes(text, 0); }

// The iconv name of a Windows code page (0 and 54936 -> "GB18030",
// 936 -> "CP936", 65001 -> "UTF-8", 1252 -> "CP1252", ...).
QByteArray codePageName(int codePage);

}  // namespace lumidex
