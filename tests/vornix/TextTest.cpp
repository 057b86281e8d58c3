// Text: the converters of the maker's library (the two-pass contract,
// byte-order marks coming out as U+FEFF, malformed input, GB18030 both ways),
// and the byte-order-mark table of BytesToText.

#include <gtest/gtest.h>

#include "FileText.h"
#include "Vornix.h"

#include <functional>
#include <random>
#include <vector>

using namespace lumidex;

namespace {

QByteArray bytesOf(std::initializer_list<int> values) {
    QByteArray b;
    for (int v : values) b.append(char(v));
    return b;
}

using Converter = std::function<int32_t(const char*, int32_t, char16_t*, int32_t)>;

// Runs both passes the way BytesToText does, and checks that the fill
// reports what the size query promised and writes nothing past it.
QString twoPass(const Converter& convert, const QByteArray& bytes) {
    const int32_t units = convert(bytes.constData(), int32_t(bytes.size()), nullptr, 0);
    EXPECT_GE(units, 0);
    if (units <= 0) return {};
    std::vector<char16_t> buffer(size_t(units) + 8, char16_t(0xBEEF));
    EXPECT_EQ(convert(bytes.constData(), int32_t(bytes.size()), buffer.data(), units), units);
    for (size_t i = size_t(units); i < buffer.size(); ++i) EXPECT_EQ(buffer[i], 0xBEEF) << i;
    // (Not QString::fromUtf16, which would eat a leading U+FEFF.)
    return QString(reinterpret_cast<const QChar*>(buffer.data()), units);
}

const Converter kUtf8 = vornix::UTF8ToUTF16;
const Converter kUtf16Be = vornix::UTF16BEToUTF16;
const Converter kUtf32Le = vornix::UTF32ToUTF16;
const Converter kUtf32Be = vornix::UTF32BEToUTF16;
const Converter kGb18030 = [](const char* s, int32_t n, char16_t* d, int32_t c) {
    return vornix::cpConvertEncoding(vornix::cpMakeTrCode(256, 2), s, n, d, c);
};

const QString kFFFD = QString(QChar(0xFFFD));
const QString kBOM = QString(QChar(0xFEFF));

}  // namespace

TEST(Converters, SizeQueryFillAndNothingToConvert) {
    const QString text = QStringLiteral("Pelvaro 测试 \U00020000 end");
    const QByteArray utf8 = text.toUtf8();
    EXPECT_EQ(twoPass(kUtf8, utf8), text);
    // A destination smaller than the text is filled up to its capacity only.
    std::vector<char16_t> small(6, char16_t(0xBEEF));
    EXPECT_EQ(vornix::UTF8ToUTF16(utf8.constData(), int32_t(utf8.size()), small.data(), 4), 4);
    EXPECT_EQ(QString(reinterpret_cast<const QChar*>(small.data()), 4), QStringLiteral("Pelv"));
    EXPECT_EQ(small[4], 0xBEEF);
    // Nothing to convert or from, an unknown pair or encoding, no code.
    EXPECT_EQ(vornix::UTF8ToUTF16(utf8.constData(), 0, nullptr, 0), 0);
    EXPECT_EQ(vornix::UTF8ToUTF16(nullptr, 5, nullptr, 0), 0);
    EXPECT_EQ(vornix::UTF8ToUTF16(utf8.constData(), -3, nullptr, 0), 0);
    EXPECT_EQ(vornix::cpMakeTrCode(1, 2), 0);
    EXPECT_EQ(vornix::cpConvertEncoding(0, "abc", 3, nullptr, 0), 0);
    EXPECT_EQ(vornix::convertToUTF16("NO-SUCH-ENCODING", "abc", 3, nullptr, 0), 0);
}

TEST(Converters, MarksSupplementaryCharactersAndMalformedInput) {
    const QString pair = QStringLiteral("\U00020000中");  // U+20000 is a surrogate pair
    struct Case {
        const Converter& convert;
        QByteArray bytes;
        QString expected;
    };
    const Case cases[] = {
        // A byte-order mark comes out as U+FEFF (GB18030 has a form of it too).
        {kUtf8, bytesOf({0xEF, 0xBB, 0xBF, 'A'}), kBOM + "A"},
        {kUtf16Be, bytesOf({0xFE, 0xFF, 0x00, 'A'}), kBOM + "A"},
        {kUtf32Le, bytesOf({0xFF, 0xFE, 0, 0, 'A', 0, 0, 0}), kBOM + "A"},
        {kUtf32Be, bytesOf({0, 0, 0xFE, 0xFF, 0, 0, 0, 'A'}), kBOM + "A"},
        {kGb18030, bytesOf({0x84, 0x31, 0x95, 0x33, 'A'}), kBOM + "A"},
        {kUtf16Be, bytesOf({0xD8, 0x40, 0xDC, 0x00, 0x4E, 0x2D}), pair},
        {kUtf32Le, bytesOf({0x00, 0x00, 0x02, 0x00, 0x2D, 0x4E, 0, 0}), pair},
        {kUtf32Be, bytesOf({0, 0x02, 0x00, 0x00, 0, 0, 0x4E, 0x2D}), pair},
        // UTF-8: a stray byte, an overlong form, an encoded surrogate, a
        // sequence cut off at the end.
        {kUtf8, bytesOf({'A', 0xFF, 'B'}), "A" + kFFFD + "B"},
        {kUtf8, bytesOf({'A', 0xC0, 0xAF, 'B'}), "A" + kFFFD + kFFFD + "B"},
        {kUtf8, bytesOf({'A', 0xED, 0xA0, 0x80, 'B'}), "A" + kFFFD + kFFFD + kFFFD + "B"},
        {kUtf8, bytesOf({'A', 0xE4, 0xB8}), "A" + kFFFD},
        // UTF-16 BE: an odd last byte, an unpaired surrogate.
        {kUtf16Be, bytesOf({0x00, 'A', 0x00}), "A" + kFFFD},
        {kUtf16Be, bytesOf({0xD8, 0x00, 0x00, 'A'}), kFFFD + "A"},
        // UTF-32: beyond U+10FFFF, a surrogate value, a length not a multiple of 4.
        {kUtf32Le, bytesOf({0, 0, 0x11, 0, 0x00, 0xD8, 0, 0, 'A', 0, 0, 0}), kFFFD + kFFFD + "A"},
        {kUtf32Be, bytesOf({0, 0, 0, 'A', 0, 0}), "A" + kFFFD},
        // GB18030: a four-byte form broken off after two bytes keeps what follows.
        {kGb18030, bytesOf({0x81, 0x30, 'A', 'B'}), kFFFD + "0AB"},
        {kGb18030, bytesOf({'x', 0x81}), "x" + kFFFD},
        {kGb18030, bytesOf({0xFF}), kFFFD},
    };
    for (const Case& c : cases)
        EXPECT_EQ(twoPass(c.convert, c.bytes), c.expected) << c.bytes.toHex(' ').toStdString();
}

TEST(Converters, RandomBytesNeverCrashAndBothPassesAgree) {
    std::mt19937 rng(20261206);
    for (int round = 0; round < 300; ++round) {
        QByteArray bytes(int(rng() % 64), Qt::Uninitialized);
        for (auto& c : bytes) c = char(rng() % 4 == 0 ? 0x80 + rng() % 0x80 : rng() % 256);
        // Never more units than bytes (so never more than a size query said).
        for (const Converter* convert : {&kUtf8, &kUtf16Be, &kUtf32Le, &kUtf32Be, &kGb18030})
            EXPECT_LE(twoPass(*convert, bytes).size(), bytes.size());
        for (int codePage : {0, 54936, 65001, 1252, 932, 1200, 12001})
            EXPECT_LE(BytesToText(bytes, codePage).size(), bytes.size());
    }
}

TEST(Gb18030, KnownBytesBothWays) {
    // Two-byte (U+00E9 sits in the pinyin row), four-byte and ASCII forms.
    const std::pair<QString, QByteArray> cases[] = {
        {QStringLiteral("中文ab"), QByteArray("\xD6\xD0\xCE\xC4"
                                              "ab")},
        {QStringLiteral("\u00E9"), QByteArray("\xA8\xA6")},
        {QStringLiteral("\u0080"), QByteArray("\x81\x30\x81\x30")},
        {QStringLiteral("\U00020000"), QByteArray("\x95\x32\x82\x36")},
    };
    for (const auto& [text, bytes] : cases) {
        EXPECT_EQ(encodeGB18030(text), bytes);
        EXPECT_EQ(textToBytes(text, 54936), bytes);
        EXPECT_EQ(BytesToText(bytes, 0), text);
        EXPECT_EQ(BytesToText(bytes, 54936), text);
    }
}

TEST(Encoding, UnencodableCharactersBecomeQuestionMarks) {
    // Unpaired surrogates (one at the very end) cannot be encoded at all.
    EXPECT_EQ(encodeGB18030(QStringLiteral("a") + QChar(0xD800) + "b" + QChar(0xDC00)),
              QByteArray("a?b?"));
    EXPECT_EQ(encodeGB18030(QStringLiteral("x") + QChar(0xD83D)), QByteArray("x?"));
    // Code pages that lack characters: one "?" per character, a pair included.
    EXPECT_EQ(textToBytes(QStringLiteral("é中\U0001F600z"), 1252), QByteArray("\xE9??z"));
    // In a wide code page the stand-in is a wide "?" too.
    EXPECT_EQ(textToBytes(QStringLiteral("A") + QChar(0xDC00), 1200), QByteArray("A\0?\0", 4));
    // An unknown code page gives nothing.
    EXPECT_TRUE(textToBytes(QStringLiteral("abc"), 99999).isEmpty());
    EXPECT_TRUE(encodeGB18030(QString()).isEmpty());

    // Two-byte, four-byte and surrogate-pair characters across many chunks
    // both ways, then a stand-in.
    QString text;
    const QString pieces[] = {QStringLiteral("测"), QStringLiteral("\u0080"),
                              QStringLiteral("\U00020000"), QStringLiteral("x")};
    for (int i = 0; i < 20000; ++i) text += pieces[i % 4];
    const QByteArray bytes = encodeGB18030(text + QChar(0xD800));
    EXPECT_EQ(bytes.right(1), QByteArray("?"));
    EXPECT_EQ(BytesToText(bytes, 0), text + "?");
}

TEST(BytesToText, ByteOrderMarkTableThenTheCodePage) {
    const QString song = QStringLiteral("歌曲");
    struct Case {
        QByteArray bytes;
        int codePage;
        QString expected;
    };
    const Case cases[] = {
        // UTF-32 LE; the mark alone is empty text. It is tested before UTF-16
        // LE, so UTF-16 LE text whose first character is U+0000 is read as
        // UTF-32 LE (U+00420041 is malformed).
        {bytesOf({0xFF, 0xFE, 0, 0, 'H', 0, 0, 0, 0x2D, 0x4E, 0, 0}), 0, QStringLiteral("H中")},
        {bytesOf({0xFF, 0xFE, 0x00, 0x00}), 0, QString()},
        {bytesOf({0xFF, 0xFE, 0x00, 0x00, 'A', 0x00, 'B', 0x00}), 0, kFFFD},
        // UTF-32 BE.
        {bytesOf({0, 0, 0xFE, 0xFF, 0, 0, 0, 'H', 0, 0x02, 0, 0}), 0,
         QStringLiteral("H\U00020000")},
        {bytesOf({0, 0, 0xFE, 0xFF}), 0, QString()},
        // UTF-8; only the first U+FEFF goes.
        {QByteArray("\xEF\xBB\xBF") + song.toUtf8(), 0, song},
        {bytesOf({0xEF, 0xBB, 0xBF}), 0, QString()},
        {bytesOf({0xEF, 0xBB, 0xBF, 0xEF, 0xBB, 0xBF, 'A'}), 0, kBOM + "A"},
        // UTF-16 LE: the bytes are the units, unconverted (an unpaired
        // surrogate passes); an odd last byte is dropped; FF FE 00 is too
        // short for UTF-32.
        {bytesOf({0xFF, 0xFE, 'A', 0, 0x2D, 0x4E}), 0, QStringLiteral("A中")},
        {bytesOf({0xFF, 0xFE}), 0, QString()},
        {bytesOf({0xFF, 0xFE, 0x41}), 0, QString()},
        {bytesOf({0xFF, 0xFE, 'A', 0, 'B'}), 0, QStringLiteral("A")},
        {bytesOf({0xFF, 0xFE, 0x00, 0xD8, 'A', 0}), 0, QChar(0xD800) + QStringLiteral("A")},
        {bytesOf({0xFF, 0xFE, 0x00}), 0, QString()},
        // UTF-16 BE.
        {bytesOf({0xFE, 0xFF, 0, 'A', 0x4E, 0x2D}), 0, QStringLiteral("A中")},
        {bytesOf({0xFE, 0xFF}), 0, QString()},
        // No mark: the code page decides (0 is GB18030, like 54936), and
        // GB18030's own form of U+FEFF is stripped too; UTF-8 without its mark
        // is no UTF-8.
        {bytesOf({0x84, 0x31, 0x95, 0x33, 'A'}), 0, QStringLiteral("A")},
        {bytesOf({0xC3, 0xA9}), 0, QStringLiteral("茅")},
        {bytesOf({0xC3, 0xA9}), 65001, QStringLiteral("é")},
        {QByteArray("caf\xE9"), 1252, QStringLiteral("café")},
        {QByteArray("\x82\xA0"), 932, QStringLiteral("あ")},
        {QByteArray("\xC7\xFA"), 936, QStringLiteral("曲")},
        {QByteArray("abc"), 12345, QString()},  // a code page iconv does not know
        // Too short for any mark: straight to the code page.
        {QByteArray("A"), 0, QStringLiteral("A")},
        {bytesOf({0xFF}), 0, kFFFD},
        {bytesOf({0xFF}), 1252, QStringLiteral("\u00FF")},
        {bytesOf({0xEF, 0xBB}), 1252, QStringLiteral("\u00EF\u00BB")},
        {QByteArray(), 0, QString()},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(BytesToText(c.bytes, c.codePage), c.expected)
            << c.bytes.toHex(' ').toStdString() << " in " << c.codePage;
    }
}
