// The piece list a chart file is composed in, and its conversion to bytes.

#include <iconv.h>

#include <cerrno>
#include <memory>

#include "ChartFile.h"
#include "FileText.h"
#include "RuntimeError.h"

namespace lumidex {

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
    // Every locale maps to the system code page, which is GB18030 here.
    return ToAnsiArrayByCP(0);
}

QByteArray CStringBuilder::ToAnsiArrayByCP(int codePage) const {
    return EncodeText(ToString(), codePageName(codePage));
}

QByteArray CStringBuilder::ToArray() const {
    const QString text = ToString();
    QByteArray bytes;
    bytes.reserve(text.size() * 2);
    for (const QChar ch : text) {
        bytes.append(static_cast<char>(ch.unicode() & 0xFF));
        bytes.append(static_cast<char>(ch.unicode() >> 8));
    }
    return bytes;
}

QString CStringBuilder::ToString() const { return parts_.join(QString()); }

void CStringBuilder::Reset() { parts_.clear(); }

namespace {

bool isAscii(const QString& text) {
    for (const QChar ch : text)
        if (ch.unicode() >= 0x80) return false;
    return true;
}

struct IconvCloser {
    void operator()(void* cd) const { iconv_close(static_cast<iconv_t>(cd)); }
};

// Code units of the character at src: 2 for a surrogate pair, else 1.
size_t unitsAt(const char16_t* src, size_t unitsLeft) {
    return (unitsLeft >= 2 && QChar::isHighSurrogate(src[0]) && QChar::isLowSurrogate(src[1])) ? 2
                                                                                                : 1;
}

}  // namespace

QByteArray EncodeText(const QString& text, const QByteArray& encoding) {
    // Chart files are almost entirely ASCII, which every code page here keeps
    // as it is; converting them byte for byte keeps a save of the largest
    // chart fast.
    if (isAscii(text)) return text.toLatin1();

    iconv_t raw = iconv_open(encoding.constData(), "UTF-16LE");
    if (raw == reinterpret_cast<iconv_t>(-1)) throw RuntimeError(rterr::InvalidCall);
    std::unique_ptr<void, IconvCloser> cd(raw);

    // Four bytes hold any character of GB18030 or UTF-8; a surrogate pair
    // (two units) never needs more than four.
    QByteArray out(text.size() * 4 + 16, Qt::Uninitialized);
    const char16_t* units = reinterpret_cast<const char16_t*>(text.utf16());
    char* in = reinterpret_cast<char*>(const_cast<char16_t*>(units));
    size_t inLeft = static_cast<size_t>(text.size()) * 2;
    char* dst = out.data();
    size_t outLeft = static_cast<size_t>(out.size());

    const auto grow = [&] {
        const qsizetype used = dst - out.data();
        out.resize(out.size() * 2);
        dst = out.data() + used;
        outLeft = static_cast<size_t>(out.size() - used);
    };

    while (inLeft > 0) {
        if (iconv(raw, &in, &inLeft, &dst, &outLeft) != static_cast<size_t>(-1)) break;
        if (errno == E2BIG) {
            grow();
            continue;
        }
        if (errno != EILSEQ && errno != EINVAL) throw RuntimeError(rterr::InvalidCall);
        // A character the encoding cannot hold, or a lone surrogate.
        if (outLeft == 0) grow();
        *dst++ = '?';
        --outLeft;
        const size_t skip = unitsAt(reinterpret_cast<const char16_t*>(in), inLeft / 2) * 2;
        in += skip;
        inLeft -= skip;
    }
    out.resize(dst - out.data());
    return out;
}

}  // namespace lumidex
