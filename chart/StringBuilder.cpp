// The text a chart file is composed in, and its conversion to bytes.

#include <algorithm>
#include <charconv>

#include "ChartFile.h"
#include "FileText.h"
#include "Numbers.h"

namespace lumidex {

namespace {

bool isAscii(QStringView text) {
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x80; });
}

}  // namespace

void CStringBuilder::reserve(qsizetype units) {
    if (units > text_.size()) text_.resize(units);
}

char16_t* CStringBuilder::room(qsizetype units) {
    if (used_ + units > text_.size()) text_.resize(std::max(2 * text_.size(), used_ + units));
    char16_t* at = reinterpret_cast<char16_t*>(text_.data()) + used_;
    used_ += units;
    return at;
}

CStringBuilder& CStringBuilder::Append(QStringView newStr) {
    ascii_ = ascii_ && isAscii(newStr);
    std::copy(newStr.utf16(), newStr.utf16() + newStr.size(), room(newStr.size()));
    return *this;
}

CStringBuilder& CStringBuilder::Append(QLatin1StringView newStr) {
    const char* chars = newStr.data();
    char16_t* at = room(newStr.size());
    uchar any = 0;
    for (qsizetype i = 0; i < newStr.size(); ++i) {
        at[i] = char16_t(uchar(chars[i]));
        any |= uchar(chars[i]);
    }
    ascii_ = ascii_ && any < 0x80;
    return *this;
}

CStringBuilder& CStringBuilder::AppendLine(QStringView newStr) {
    return Append(newStr).Append(QLatin1StringView("\r\n"));
}

CStringBuilder& CStringBuilder::AppendLine(QLatin1StringView newStr) {
    return Append(newStr).Append(QLatin1StringView("\r\n"));
}

CStringBuilder& CStringBuilder::AppendNumber(int n) {
    char buf[16];
    const char* end = std::to_chars(buf, buf + sizeof buf, n).ptr;
    return Append(QLatin1StringView(buf, end - buf));
}

CStringBuilder& CStringBuilder::AppendRound2(double x) {
    char buf[32];
    const int length = round2Chars(x, buf);
    if (length > 0) return Append(QLatin1StringView(buf, length));
    return Append(numberText(round2(x)));
}

QByteArray CStringBuilder::ToAnsiArray(int /*lcid*/) const {
    // Every locale maps to the system code page, GB18030 here. Chart files
    // are almost entirely ASCII, which GB18030 keeps byte for byte; copying
    // such text directly keeps a save of the largest chart fast.
    const QStringView text = QStringView(text_).left(used_);
    return ascii_ ? text.toLatin1() : textToBytes(text.toString(), 0);
}

QString CStringBuilder::ToString() const {
    return text_.left(used_);
}

}  // namespace lumidex
