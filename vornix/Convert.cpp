// Text conversion of the maker's library, all through glibc iconv.
//
// Every converter is a thin wrapper over one loop (convertToUTF16) that runs
// iconv in chunks, counts the UTF-16 units the whole source gives and writes
// as many of them as the destination holds. The size query and the fill run
// the same loop, so they always agree.

#include "Vornix.h"

#include <QChar>

#include <iconv.h>
#include <strings.h>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <iterator>

namespace vornix {

namespace {

// QString holds native-endian UTF-16; iconv must produce and read the same.
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
constexpr const char* kNativeUtf16 = "UTF-16LE";
#else
constexpr const char* kNativeUtf16 = "UTF-16BE";
#endif

constexpr char16_t kReplacement = 0xFFFD;

// The transcoding code cpMakeTrCode hands out for its one known pair
// (256 = GB18030 bytes, 2 = UTF-16 units).
constexpr int16_t kFromGB18030 = 256;
constexpr int16_t kToUTF16 = 2;
constexpr int32_t kTrGB18030ToUTF16 = (int32_t(kFromGB18030) << 16) | kToUTF16;

// How many bytes one malformed unit of an encoding takes, so a refused
// sequence is stepped over unit by unit: 2 for UTF-16/UCS-2, 4 for
// UTF-32/UCS-4, 1 for everything else (byte encodings resynchronise on the
// next byte).
size_t unitBytes(const char* code) {
    auto startsWith = [code](const char* prefix) {
        return strncasecmp(code, prefix, std::strlen(prefix)) == 0;
    };
    if (startsWith("UTF-16") || startsWith("UTF16") || startsWith("UCS-2") || startsWith("UCS2"))
        return 2;
    if (startsWith("UTF-32") || startsWith("UTF32") || startsWith("UCS-4") || startsWith("UCS4"))
        return 4;
    return 1;
}

// An open iconv descriptor, closed on every way out.
class Iconv {
  public:
    Iconv(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~Iconv() {
        if (ok()) iconv_close(cd_);
    }
    Iconv(const Iconv&) = delete;
    Iconv& operator=(const Iconv&) = delete;

    bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
    iconv_t get() const { return cd_; }
    // Back to the initial shift state after a refused sequence.
    void reset() { iconv(cd_, nullptr, nullptr, nullptr, nullptr); }

  private:
    iconv_t cd_;
};

// Counts every unit and writes those that fit.
class Utf16Sink {
  public:
    Utf16Sink(char16_t* dst, int32_t cap) : dst_(dst), cap_(dst ? std::max(cap, 0) : 0) {}

    void put(const char16_t* units, int64_t n) {
        if (count_ < cap_) {
            const int64_t room = std::min<int64_t>(n, cap_ - count_);
            std::memcpy(dst_ + count_, units, size_t(room) * sizeof(char16_t));
        }
        count_ += n;
    }
    void put(char16_t unit) { put(&unit, 1); }

    int32_t total() const { return int32_t(std::min<int64_t>(count_, INT32_MAX)); }
    int32_t written() const { return int32_t(std::min<int64_t>(count_, cap_)); }
    bool filling() const { return cap_ > 0; }

  private:
    char16_t* dst_;
    int64_t cap_;
    int64_t count_ = 0;
};

}  // namespace

namespace {

// Runs iconv over one stretch of the source, counting (and, when filling,
// writing) the units it gives. Refused sequences become U+FFFD one unit at a
// time; an incomplete sequence ends the stretch with one U+FFFD.
void decodeStretch(Iconv& cd, size_t unit, const char* src, size_t srcLen, Utf16Sink& sink) {
    char16_t chunk[4096];
    char* in = const_cast<char*>(src);
    size_t inLeft = srcLen;
    while (inLeft > 0) {
        char* out = reinterpret_cast<char*>(chunk);
        size_t outLeft = sizeof chunk;
        const size_t r = iconv(cd.get(), &in, &inLeft, &out, &outLeft);
        const int err = errno;
        sink.put(chunk, int64_t(sizeof chunk - outLeft) / 2);
        if (r != size_t(-1)) continue;  // inLeft is 0 now
        if (err == E2BIG) continue;     // chunk full: go on with the rest
        sink.put(kReplacement);
        if (err == EILSEQ) {
            // A sequence iconv refuses: step over one unit and go on.
            const size_t skip = std::min(unit, inLeft);
            in += skip;
            inLeft -= skip;
            cd.reset();
            continue;
        }
        break;  // EINVAL (incomplete sequence at the end) or anything else
    }
    // Flush a stateful decoder (nothing for the encodings the program uses).
    char* out = reinterpret_cast<char*>(chunk);
    size_t outLeft = sizeof chunk;
    if (iconv(cd.get(), nullptr, nullptr, &out, &outLeft) != size_t(-1))
        sink.put(chunk, int64_t(sizeof chunk - outLeft) / 2);
    cd.reset();
}

enum class AsciiSuperset { No, Utf8, Gb18030 };

AsciiSuperset asciiSuperset(const char* code) {
    if (strcasecmp(code, "UTF-8") == 0 || strcasecmp(code, "UTF8") == 0) return AsciiSuperset::Utf8;
    if (strcasecmp(code, "GB18030") == 0) return AsciiSuperset::Gb18030;
    return AsciiSuperset::No;
}

// Bytes of the character whose first byte is at p (p[0] >= 0x80): GB18030
// has two- and four-byte characters, the second byte of a four-byte one a
// digit. UTF-8 continuation bytes are never below 0x80, so for UTF-8 a
// stretch simply runs to the next byte below 0x80.
size_t characterBytes(AsciiSuperset kind, const unsigned char* p, size_t left) {
    if (kind == AsciiSuperset::Utf8 || left < 2 || p[0] == 0x80 || p[0] == 0xFF) return 1;
    if (p[1] >= 0x30 && p[1] <= 0x39) return std::min<size_t>(4, left);
    return 2;
}

// Text that is mostly ASCII (chart files are) is copied byte for byte; only
// the stretches with other characters go through iconv. The answers equal
// those of one iconv pass over the whole source.
void decodeAsciiSuperset(Iconv& cd, AsciiSuperset kind, const char* src, size_t n,
                         Utf16Sink& sink) {
    const auto* b = reinterpret_cast<const unsigned char*>(src);
    char16_t ascii[1024];
    size_t i = 0;
    while (i < n) {
        size_t k = 0;
        while (i < n && b[i] < 0x80 && k < std::size(ascii)) ascii[k++] = b[i++];
        sink.put(ascii, int64_t(k));
        const size_t start = i;
        while (i < n && b[i] >= 0x80) i += characterBytes(kind, b + i, n - i);
        if (i > start) decodeStretch(cd, 1, src + start, i - start, sink);
    }
}

}  // namespace

int32_t convertToUTF16(const char* fromCode, const char* src, int32_t srcLen, char16_t* dst,
                       int32_t cap) {
    if (!fromCode || !src || srcLen <= 0) return 0;
    Iconv cd(kNativeUtf16, fromCode);
    if (!cd.ok()) return 0;
    Utf16Sink sink(dst, cap);
    const AsciiSuperset kind = asciiSuperset(fromCode);
    if (kind != AsciiSuperset::No)
        decodeAsciiSuperset(cd, kind, src, size_t(srcLen), sink);
    else
        decodeStretch(cd, unitBytes(fromCode), src, size_t(srcLen), sink);
    return sink.filling() ? sink.written() : sink.total();
}

QByteArray convertFromUTF16(const QString& text, const char* toCode, bool* ok) {
    if (ok) *ok = false;
    if (!toCode) return {};
    Iconv cd(toCode, kNativeUtf16);
    if (!cd.ok()) return {};
    if (ok) *ok = true;

    QByteArray result;
    result.reserve(text.size() + text.size() / 2);
    char chunk[8192];
    auto convert = [&](char** in, size_t* inLeft) {
        char* out = chunk;
        size_t outLeft = sizeof chunk;
        const size_t r = iconv(cd.get(), in, inLeft, &out, &outLeft);
        const int err = errno;
        result.append(chunk, qsizetype(sizeof chunk - outLeft));
        return r == size_t(-1) ? err : 0;
    };
    // The stand-in "?" goes through the same descriptor, so it comes out in
    // the target encoding (one byte for GB18030, two for UTF-16...).
    auto putQuestionMark = [&] {
        static const char16_t question[] = {u'?'};
        char* qin = const_cast<char*>(reinterpret_cast<const char*>(question));
        size_t qleft = sizeof question;
        while (qleft > 0 && convert(&qin, &qleft) == E2BIG) {
        }
    };

    const char16_t* units = reinterpret_cast<const char16_t*>(text.utf16());
    char* in = const_cast<char*>(reinterpret_cast<const char*>(units));
    size_t inLeft = size_t(text.size()) * 2;
    while (inLeft > 0) {
        const int err = convert(&in, &inLeft);
        if (err == 0 || err == E2BIG) continue;
        // The character at `in` cannot be encoded, or is an unpaired
        // surrogate, or (EINVAL) a high surrogate ends the text.
        putQuestionMark();
        if (err != EILSEQ) break;
        const size_t at = size_t(in - reinterpret_cast<const char*>(units)) / 2;
        const bool pair = at + 1 < size_t(text.size()) && QChar::isHighSurrogate(units[at]) &&
                          QChar::isLowSurrogate(units[at + 1]);
        const size_t skip = std::min<size_t>(pair ? 4 : 2, inLeft);
        in += skip;
        inLeft -= skip;
        cd.reset();
    }
    char* out = chunk;
    size_t outLeft = sizeof chunk;
    if (iconv(cd.get(), nullptr, nullptr, &out, &outLeft) != size_t(-1))
        result.append(chunk, qsizetype(sizeof chunk - outLeft));
    return result;
}

int32_t UTF8ToUTF16(const char* src, int32_t srcLen, char16_t* dst, int32_t cap) {
    return convertToUTF16("UTF-8", src, srcLen, dst, cap);
}

// The explicit-endian names: iconv's plain "UTF-16"/"UTF-32" would swallow the
// byte-order mark, and the contract is that it comes out as U+FEFF.
int32_t UTF16BEToUTF16(const char* src, int32_t srcLen, char16_t* dst, int32_t cap) {
    return convertToUTF16("UTF-16BE", src, srcLen, dst, cap);
}

int32_t UTF32ToUTF16(const char* src, int32_t srcLen, char16_t* dst, int32_t cap) {
    return convertToUTF16("UTF-32LE", src, srcLen, dst, cap);
}

int32_t UTF32BEToUTF16(const char* src, int32_t srcLen, char16_t* dst, int32_t cap) {
    return convertToUTF16("UTF-32BE", src, srcLen, dst, cap);
}

int32_t cpMakeTrCode(int16_t from, int16_t to) {
    return (from == kFromGB18030 && to == kToUTF16) ? kTrGB18030ToUTF16 : 0;
}

int32_t cpConvertEncoding(int32_t trCode, const char* src, int32_t srcLen, char16_t* dst,
                          int32_t cap) {
    if (trCode != kTrGB18030ToUTF16) return 0;
    return convertToUTF16("GB18030", src, srcLen, dst, cap);
}

}  // namespace vornix
