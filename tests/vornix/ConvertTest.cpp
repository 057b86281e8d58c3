// The converters of the maker's library: the two-pass contract, byte-order
// marks coming out as U+FEFF, malformed input, GB18030 both ways.

#include "FileText.h"
#include "Vornix.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>
#include <random>
#include <vector>

namespace {

using Converter = std::function<int32_t(const char*, int32_t, char16_t*, int32_t)>;

// Runs both passes the way BytesToText does, and checks that the fill
// reports what the size query promised and writes nothing past it.
QString twoPass(const Converter& convert, const QByteArray& bytes) {
    const int32_t units = convert(bytes.constData(), int32_t(bytes.size()), nullptr, 0);
    EXPECT_GE(units, 0);
    if (units <= 0) return {};
    std::vector<char16_t> buffer(size_t(units) + 8, char16_t(0xBEEF));
    const int32_t written = convert(bytes.constData(), int32_t(bytes.size()), buffer.data(), units);
    EXPECT_EQ(written, units);
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

QByteArray bytesOf(std::initializer_list<int> values) {
    QByteArray b;
    for (int v : values) b.append(char(v));
    return b;
}

const QString kFFFD = QString(QChar(0xFFFD));
const QString kBOM = QString(QChar(0xFEFF));

}  // namespace

TEST(Converters, SizeQueryThenFill) {
    const QString text = QStringLiteral("Pelvaro 测试 \U00020000 end");
    EXPECT_EQ(twoPass(kUtf8, text.toUtf8()), text);

    // A destination smaller than the text is filled up to its capacity only.
    const QByteArray utf8 = text.toUtf8();
    std::vector<char16_t> small(6, char16_t(0xBEEF));
    EXPECT_EQ(vornix::UTF8ToUTF16(utf8.constData(), int32_t(utf8.size()), small.data(), 4), 4);
    EXPECT_EQ(QString(reinterpret_cast<const QChar*>(small.data()), 4), QStringLiteral("Pelv"));
    EXPECT_EQ(small[4], 0xBEEF);

    // Nothing to convert, or nothing to convert from.
    EXPECT_EQ(vornix::UTF8ToUTF16(utf8.constData(), 0, nullptr, 0), 0);
    EXPECT_EQ(vornix::UTF8ToUTF16(nullptr, 5, nullptr, 0), 0);
    EXPECT_EQ(vornix::UTF8ToUTF16(utf8.constData(), -3, nullptr, 0), 0);
}

TEST(Converters, ByteOrderMarkComesOutAsFEFF) {
    EXPECT_EQ(twoPass(kUtf8, bytesOf({0xEF, 0xBB, 0xBF, 'A'})), kBOM + "A");
    EXPECT_EQ(twoPass(kUtf16Be, bytesOf({0xFE, 0xFF, 0x00, 'A'})), kBOM + "A");
    EXPECT_EQ(twoPass(kUtf32Le, bytesOf({0xFF, 0xFE, 0, 0, 'A', 0, 0, 0})), kBOM + "A");
    EXPECT_EQ(twoPass(kUtf32Be, bytesOf({0, 0, 0xFE, 0xFF, 0, 0, 0, 'A'})), kBOM + "A");
    // The GB18030 form of U+FEFF.
    EXPECT_EQ(twoPass(kGb18030, bytesOf({0x84, 0x31, 0x95, 0x33, 'A'})), kBOM + "A");
}

TEST(Converters, WideEncodingsAndSupplementaryCharacters) {
    // U+20000 is a surrogate pair in UTF-16.
    EXPECT_EQ(twoPass(kUtf16Be, bytesOf({0xD8, 0x40, 0xDC, 0x00, 0x4E, 0x2D})),
              QStringLiteral("\U00020000中"));
    EXPECT_EQ(twoPass(kUtf32Le, bytesOf({0x00, 0x00, 0x02, 0x00, 0x2D, 0x4E, 0, 0})),
              QStringLiteral("\U00020000中"));
    EXPECT_EQ(twoPass(kUtf32Be, bytesOf({0, 0x02, 0x00, 0x00, 0, 0, 0x4E, 0x2D})),
              QStringLiteral("\U00020000中"));
}

TEST(Converters, MalformedInputIsReplacedAndTheRestKept) {
    // UTF-8: a stray byte, an overlong form, an encoded surrogate.
    EXPECT_EQ(twoPass(kUtf8, QByteArray("A\xFF"
                                        "B")),
              "A" + kFFFD + "B");
    EXPECT_EQ(twoPass(kUtf8, QByteArray("A\xC0\xAF"
                                        "B")),
              "A" + kFFFD + kFFFD + "B");
    EXPECT_EQ(twoPass(kUtf8, QByteArray("A\xED\xA0\x80"
                                        "B"))
                  .right(1),
              QStringLiteral("B"));
    // A sequence cut off at the end gives one replacement.
    EXPECT_EQ(twoPass(kUtf8, QByteArray("A\xE4\xB8")), "A" + kFFFD);
    // UTF-16 BE: an odd last byte, an unpaired surrogate.
    EXPECT_EQ(twoPass(kUtf16Be, bytesOf({0x00, 'A', 0x00})), "A" + kFFFD);
    EXPECT_EQ(twoPass(kUtf16Be, bytesOf({0xD8, 0x00, 0x00, 'A'})), kFFFD + "A");
    // UTF-32: beyond U+10FFFF and a surrogate value, then a good character;
    // a length that is not a multiple of 4.
    EXPECT_EQ(twoPass(kUtf32Le, bytesOf({0, 0, 0x11, 0, 0x00, 0xD8, 0, 0, 'A', 0, 0, 0})),
              kFFFD + kFFFD + "A");
    EXPECT_EQ(twoPass(kUtf32Be, bytesOf({0, 0, 0, 'A', 0, 0})), "A" + kFFFD);
    // GB18030: a four-byte form broken off after two bytes keeps what follows.
    EXPECT_EQ(twoPass(kGb18030, QByteArray("\x81\x30"
                                           "AB")),
              kFFFD + "0AB");
    EXPECT_EQ(twoPass(kGb18030, QByteArray("x\x81")), "x" + kFFFD);
    EXPECT_EQ(twoPass(kGb18030, QByteArray("\xFF")), kFFFD);
}

TEST(Converters, RandomBytesNeverCrashAndBothPassesAgree) {
    std::mt19937 rng(20261206);
    const std::vector<Converter> converters = {kUtf8, kUtf16Be, kUtf32Le, kUtf32Be, kGb18030};
    for (int round = 0; round < 300; ++round) {
        QByteArray bytes(int(rng() % 64), Qt::Uninitialized);
        for (auto& c : bytes) c = char(rng() % 4 == 0 ? 0x80 + rng() % 0x80 : rng() % 256);
        for (const Converter& convert : converters) {
            const QString text = twoPass(convert, bytes);
            // Never more units than bytes (so never more than a size query said).
            EXPECT_LE(text.size(), bytes.size());
        }
        for (int codePage : {0, 54936, 65001, 1252, 932, 1200, 12001}) {
            const QString text = lumidex::BytesToText(bytes, codePage);
            EXPECT_LE(text.size(), bytes.size());
        }
    }
}

TEST(Converters, TranscodingCode) {
    EXPECT_NE(vornix::cpMakeTrCode(256, 2), 0);
    EXPECT_EQ(vornix::cpMakeTrCode(256, 2), vornix::cpMakeTrCode(256, 2));
    // An unknown pair gives no code, and no code converts nothing.
    EXPECT_EQ(vornix::cpMakeTrCode(1, 2), 0);
    EXPECT_EQ(vornix::cpConvertEncoding(0, "abc", 3, nullptr, 0), 0);
    EXPECT_EQ(vornix::convertToUTF16("NO-SUCH-ENCODING", "abc", 3, nullptr, 0), 0);
}

TEST(Gb18030, KnownBytes) {
    // Two-byte (U+00E9 sits in the pinyin row), four-byte (U+0080, U+20000)
    // and ASCII forms.
    EXPECT_EQ(lumidex::encodeGB18030(QStringLiteral("中文")), QByteArray("\xD6\xD0\xCE\xC4"));
    EXPECT_EQ(lumidex::encodeGB18030(QStringLiteral("\u00E9")), QByteArray("\xA8\xA6"));
    EXPECT_EQ(lumidex::encodeGB18030(QStringLiteral("\u0080")), QByteArray("\x81\x30\x81\x30"));
    EXPECT_EQ(lumidex::encodeGB18030(QStringLiteral("\U00020000")), QByteArray("\x95\x32\x82\x36"));
    EXPECT_EQ(lumidex::BytesToText(QByteArray("\xD6\xD0\xCE\xC4"
                                              "ab"),
                                   0),
              QStringLiteral("中文ab"));
    EXPECT_EQ(lumidex::BytesToText(QByteArray("\x95\x32\x82\x36"), 54936),
              QStringLiteral("\U00020000"));
}

TEST(Gb18030, ChartWithChineseNamesRoundTrips) {
    const QString chart = QStringLiteral(
        "<?xml version=\"1.0\" encoding=\"gb18030\"?>\r\n"
        "<TITLE Name=\"夜空中最亮的星 «Ⅱ» 𠀀\">\r\n"
        "<BPM Frame=\"0\" BPM=\"150\"></BPM>\r\n"
        "<BGM Name=\"歌曲/夜空.ogg\" Volume=\"1.00\"></BGM>\r\n"
        "<EFFECT Snd=\"音效/鼓点①.wav\" Volume=\"0.80\"></EFFECT>\r\n"
        "<EFFECT Snd=\"Ünïcødé ハ 한.wav\" Volume=\"1\"></EFFECT>\r\n"
        "</TITLE>\r\n");
    const QByteArray bytes = lumidex::encodeGB18030(chart);
    EXPECT_EQ(bytes.count('?'), 2);  // those of <?xml ... ?> only
    EXPECT_EQ(lumidex::BytesToText(bytes, 0), chart);
    EXPECT_EQ(lumidex::BytesToText(bytes, 54936), chart);
    EXPECT_EQ(lumidex::TextToBytes(chart, 54936), bytes);
}

TEST(Gb18030, EveryCharacterRoundTrips) {
    // GB18030 holds all of Unicode: every BMP character but the surrogates,
    // and a sample of the supplementary planes. glibc's tables send a few
    // private-use characters (U+E78D..U+E796, U+E816...) that GB18030-2005
    // gave codes later given to real characters to those characters, so only
    // private-use characters may come back different.
    QString all;
    for (char32_t c = 1; c < 0x10000; ++c)
        if (c < 0xD800 || c > 0xDFFF) all += QChar(char16_t(c));
    for (char32_t c = 0x10000; c <= 0x10FFFF; c += 0x123) all += QString::fromUcs4(&c, 1);
    const QByteArray bytes = lumidex::encodeGB18030(all);
    const QString back = lumidex::BytesToText(bytes, 0);
    ASSERT_EQ(back.size(), all.size());
    QStringList differ;
    for (qsizetype i = 0; i < all.size(); ++i)
        if (back[i] != all[i] && !(all[i].unicode() >= 0xE000 && all[i].unicode() <= 0xF8FF))
            differ << QString::number(all[i].unicode(), 16);
    EXPECT_EQ(differ.join(' ').toStdString(), "");
}

TEST(Encoding, UnencodableCharactersBecomeQuestionMarks) {
    // An unpaired surrogate cannot be encoded at all.
    QString broken = QStringLiteral("a");
    broken += QChar(0xD800);
    broken += QStringLiteral("b");
    broken += QChar(0xDC00);
    EXPECT_EQ(lumidex::encodeGB18030(broken), QByteArray("a?b?"));
    // A high surrogate at the very end.
    EXPECT_EQ(lumidex::encodeGB18030(QStringLiteral("x") + QChar(0xD83D)), QByteArray("x?"));
    // Code pages that lack characters: one "?" per character, a pair included.
    EXPECT_EQ(lumidex::TextToBytes(QStringLiteral("é中\U0001F600z"), 1252), QByteArray("\xE9??z"));
    EXPECT_EQ(lumidex::TextToBytes(QStringLiteral("A中"), 20127), QByteArray("A?"));
    // In a wide code page the stand-in is a wide "?" too.
    EXPECT_EQ(lumidex::TextToBytes(QStringLiteral("A") + QChar(0xDC00), 1200),
              QByteArray("A\0?\0", 4));
    // An unknown code page gives nothing.
    EXPECT_TRUE(lumidex::TextToBytes(QStringLiteral("abc"), 99999).isEmpty());
    EXPECT_TRUE(lumidex::encodeGB18030(QString()).isEmpty());
}

TEST(Encoding, LongTextCrossesChunkBoundaries) {
    QString text;
    for (int i = 0; i < 20000; ++i)
        text += (i % 7 == 0) ? QStringLiteral("测") : QStringLiteral("x");
    text += QChar(0xD800);  // one stand-in after many chunks
    const QByteArray bytes = lumidex::encodeGB18030(text);
    EXPECT_EQ(bytes.right(1), QByteArray("?"));
    EXPECT_EQ(lumidex::BytesToText(bytes, 0), text.left(text.size() - 1) + "?");
}
