// The piece list a chart file is composed in, and its conversion to bytes.

#include "ChartFile.h"
#include "FileText.h"

namespace lumidex {

namespace {

bool isAscii(const QString& text) {
    for (const QChar ch : text)
        if (ch.unicode() >= 0x80) return false;
    return true;
}

}  // namespace

CStringBuilder& CStringBuilder::Append(const QString& newStr) {
    parts_.append(newStr);
    return *this;
}

CStringBuilder& CStringBuilder::AppendLine(const QString& newStr) {
    static const QString crlf = QStringLiteral("\r\n");
    parts_.append(newStr);
    parts_.append(crlf);
    return *this;
}

QByteArray CStringBuilder::ToAnsiArray(int /*lcid*/) const {
    // Every locale maps to the system code page, GB18030 here. Chart files
    // are almost entirely ASCII, which GB18030 keeps byte for byte; copying
    // such text directly keeps a save of the largest chart fast.
    const QString text = ToString();
    return isAscii(text) ? text.toLatin1() : textToBytes(text, 0);
}

QString CStringBuilder::ToString() const {
    return parts_.join(QString());
}

}  // namespace lumidex
