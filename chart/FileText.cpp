// The decoding of chart bytes into text and back.

#include "FileText.h"

#include "Vornix.h"

#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <new>

namespace lumidex {

namespace {

// The two passes over one converter: a size query, then a fill
// of a text of exactly that size (the fill's result is not looked at).
template <class Convert>
QString twoPass(const QByteArray& bytes, Convert&& convert) {
    const char* src = bytes.constData();
    const int32_t n = int32_t(bytes.size());
    const int32_t units = convert(src, n, nullptr, 0);
    if (units <= 0) return QString();
    QString text(units, QChar(u' '));
    convert(src, n, reinterpret_cast<char16_t*>(text.data()), units);
    return text;
}

}  // namespace

QString BytesToText(const QByteArray& bytes, int codePage) {
    const qsizetype n = bytes.size();
    const auto* b = reinterpret_cast<const unsigned char*>(bytes.constData());
    auto lead = [&](std::initializer_list<unsigned char> mark) {
        if (n < qsizetype(mark.size())) return false;
        return std::memcmp(b, mark.begin(), mark.size()) == 0;
    };

    QString text;
    if (lead({0xFF, 0xFE, 0x00, 0x00})) {
        text = twoPass(bytes, vornix::UTF32ToUTF16);
    } else if (lead({0x00, 0x00, 0xFE, 0xFF})) {
        text = twoPass(bytes, vornix::UTF32BEToUTF16);
    } else if (lead({0xEF, 0xBB, 0xBF})) {
        text = twoPass(bytes, vornix::UTF8ToUTF16);
    } else if (lead({0xFF, 0xFE})) {
        // The bytes are the code units, low byte first; an odd last byte is
        // dropped.
        const qsizetype units = n / 2;
        text = QString(units, Qt::Uninitialized);
        char16_t* out = reinterpret_cast<char16_t*>(text.data());
        for (qsizetype i = 0; i < units; ++i) out[i] = char16_t(b[2 * i] | (b[2 * i + 1] << 8));
    } else if (lead({0xFE, 0xFF})) {
        text = twoPass(bytes, vornix::UTF16BEToUTF16);
    } else if (codePage == 0 || codePage == 54936) {
        // A fresh transcoding code before each pass, as the program does.
        const char* src = bytes.constData();
        const int32_t len = int32_t(n);
        const int32_t units =
            vornix::cpConvertEncoding(vornix::cpMakeTrCode(256, 2), src, len, nullptr, 0);
        if (units > 0) {
            text = QString(units, QChar(u' '));
            vornix::cpConvertEncoding(vornix::cpMakeTrCode(256, 2), src, len,
                                      reinterpret_cast<char16_t*>(text.data()), units);
        }
    } else {
        const QByteArray code = codePageName(codePage);
        text = twoPass(bytes, [&code](const char* src, int32_t len, char16_t* dst, int32_t cap) {
            return vornix::convertToUTF16(code.constData(), src, len, dst, cap);
        });
    }
    if (!text.isEmpty() && text.at(0).unicode() == 0xFEFF) text.remove(0, 1);
    return text;
}

QByteArray textToBytes(const QString& text, int codePage) {
    return vornix::convertFromUTF16(text, codePageName(codePage).constData());
}

QByteArray codePageName(int codePage) {
    switch (codePage) {
        case 0:
        case 54936:
            return "GB18030";
        case 936:
            return "CP936";
        case 20936:
            return "GB2312";
        case 950:
            return "BIG5";
        case 932:
            return "CP932";
        case 949:
            return "CP949";
        case 1361:
            return "JOHAB";
        case 1200:
            return "UTF-16LE";
        case 1201:
            return "UTF-16BE";
        case 12000:
            return "UTF-32LE";
        case 12001:
            return "UTF-32BE";
        case 65000:
            return "UTF-7";
        case 65001:
            return "UTF-8";
        case 20127:
            return "ASCII";
        case 10000:
            return "MACINTOSH";
        case 20866:
            return "KOI8-R";
        case 21866:
            return "KOI8-U";
        case 20932:
        case 51932:
            return "EUC-JP";
        case 51949:
            return "EUC-KR";
        case 50220:
        case 50221:
        case 50222:
            return "ISO-2022-JP";
        default:
            break;
    }
    if (codePage >= 28591 && codePage <= 28606 && codePage != 28600 && codePage != 28602)
        return "ISO-8859-" + QByteArray::number(codePage - 28590);
    // 437, 850, 866, 874, 1250..1258 and the other Windows and IBM pages
    // carry their number in iconv's name too.
    return "CP" + QByteArray::number(codePage);
}

}  // namespace lumidex
