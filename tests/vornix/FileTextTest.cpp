// ReadFileBytes, FileExists and the byte-order-mark table of
// BytesToText.

#include "FileText.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using lumidex::BytesToText;
using lumidex::FileExists;
using lumidex::ReadFileBytes;

namespace {

QByteArray bytesOf(std::initializer_list<int> values) {
    QByteArray b;
    for (int v : values) b.append(char(v));
    return b;
}

QString units(std::initializer_list<char16_t> values) {
    QString s;
    for (char16_t v : values) s += QChar(v);
    return s;
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(f.write(bytes), bytes.size());
}

}  // namespace

// ---- The byte-order-mark table, row by row ------------------------------

TEST(BytesToText, Utf32LittleEndian) {
    EXPECT_EQ(BytesToText(bytesOf({0xFF, 0xFE, 0, 0, 'H', 0, 0, 0, 0x2D, 0x4E, 0, 0}), 0),
              QStringLiteral("H中"));
    // The mark alone: empty text.
    EXPECT_EQ(BytesToText(bytesOf({0xFF, 0xFE, 0x00, 0x00}), 0), QString());
    // Row 1 comes before row 4: UTF-16 LE text whose first character is U+0000
    // is read as UTF-32 LE ("A" "B" as UTF-16 LE units after a NUL character
    // become one UTF-32 unit U+00420041, which is malformed).
    const QString s = BytesToText(bytesOf({0xFF, 0xFE, 0x00, 0x00, 'A', 0x00, 'B', 0x00}), 0);
    EXPECT_EQ(s, units({0xFFFD}));
}

TEST(BytesToText, Utf32BigEndian) {
    EXPECT_EQ(BytesToText(bytesOf({0, 0, 0xFE, 0xFF, 0, 0, 0, 'H', 0, 0x02, 0, 0}), 0),
              QStringLiteral("H\U00020000"));
    EXPECT_EQ(BytesToText(bytesOf({0, 0, 0xFE, 0xFF}), 0), QString());
}

TEST(BytesToText, Utf8WithMark) {
    const QByteArray withMark = QByteArray("\xEF\xBB\xBF") + QStringLiteral("歌曲").toUtf8();
    EXPECT_EQ(BytesToText(withMark, 0), QStringLiteral("歌曲"));
    // The 3-byte file EF BB BF is empty text.
    EXPECT_EQ(BytesToText(bytesOf({0xEF, 0xBB, 0xBF}), 0), QString());
    // Only the first U+FEFF goes.
    EXPECT_EQ(BytesToText(bytesOf({0xEF, 0xBB, 0xBF, 0xEF, 0xBB, 0xBF, 'A'}), 0),
              units({0xFEFF, 'A'}));
    // Without the mark the code page decides: GB18030 by default.
    const QByteArray noMark = QStringLiteral("歌曲").toUtf8();
    EXPECT_NE(BytesToText(noMark, 0), QStringLiteral("歌曲"));
    EXPECT_EQ(BytesToText(noMark, 65001), QStringLiteral("歌曲"));
}

TEST(BytesToText, Utf16LittleEndianTakesTheBytesAsUnits) {
    EXPECT_EQ(BytesToText(bytesOf({0xFF, 0xFE, 'A', 0, 0x2D, 0x4E}), 0), QStringLiteral("A中"));
    EXPECT_EQ(BytesToText(bytesOf({0xFF, 0xFE}), 0), QString());
    // FF FE 41: the odd byte is dropped, nothing is left.
    EXPECT_EQ(BytesToText(bytesOf({0xFF, 0xFE, 0x41}), 0), QString());
    EXPECT_EQ(BytesToText(bytesOf({0xFF, 0xFE, 'A', 0, 'B'}), 0), QStringLiteral("A"));
    // No conversion: an unpaired surrogate passes as it is.
    EXPECT_EQ(BytesToText(bytesOf({0xFF, 0xFE, 0x00, 0xD8, 'A', 0}), 0), units({0xD800, 'A'}));
}

TEST(BytesToText, Utf16BigEndian) {
    EXPECT_EQ(BytesToText(bytesOf({0xFE, 0xFF, 0, 'A', 0x4E, 0x2D}), 0), QStringLiteral("A中"));
    EXPECT_EQ(BytesToText(bytesOf({0xFE, 0xFF}), 0), QString());
}

TEST(BytesToText, NoMarkUsesTheCodePage) {
    // Code page 0 is GB18030, exactly like 54936.
    const QByteArray gb("\xB8\xE8\xC7\xFA.ogg");  // 歌曲.ogg
    EXPECT_EQ(BytesToText(gb, 0), QStringLiteral("歌曲.ogg"));
    EXPECT_EQ(BytesToText(gb, 54936), QStringLiteral("歌曲.ogg"));
    // GB18030's own form of U+FEFF is stripped too.
    EXPECT_EQ(BytesToText(QByteArray("\x84\x31\x95\x33"
                                     "A"),
                          0),
              QStringLiteral("A"));
    // Other code pages through iconv by name.
    EXPECT_EQ(BytesToText(QByteArray("caf\xE9"), 1252), QStringLiteral("café"));
    EXPECT_EQ(BytesToText(QByteArray("\x82\xA0"), 932), QStringLiteral("あ"));
    EXPECT_EQ(BytesToText(QByteArray("\xC7\xFA"), 936), QStringLiteral("曲"));
    // A code page iconv does not know converts to nothing.
    EXPECT_EQ(BytesToText(QByteArray("abc"), 12345), QString());
}

TEST(BytesToText, ShortFilesSkipTheMarksTheyCannotHold) {
    // A 1-byte file has no mark test: straight to the code page.
    EXPECT_EQ(BytesToText(QByteArray("A"), 0), QStringLiteral("A"));
    EXPECT_EQ(BytesToText(bytesOf({0xFF}), 0), units({0xFFFD}));
    EXPECT_EQ(BytesToText(bytesOf({0xFF}), 1252), units({0x00FF}));
    EXPECT_EQ(BytesToText(bytesOf({0xEF}), 1252), units({0x00EF}));
    // Two bytes EF BB are no UTF-8 mark.
    EXPECT_EQ(BytesToText(bytesOf({0xEF, 0xBB}), 1252), units({0x00EF, 0x00BB}));
    // Three bytes FF FE 00 are UTF-16 LE (row 1 needs 4 bytes).
    EXPECT_EQ(BytesToText(bytesOf({0xFF, 0xFE, 0x00}), 0), QString());
    // Nothing at all.
    EXPECT_EQ(BytesToText(QByteArray(), 0), QString());
}

TEST(CodePageName, Names) {
    EXPECT_EQ(lumidex::codePageName(0), QByteArray("GB18030"));
    EXPECT_EQ(lumidex::codePageName(54936), QByteArray("GB18030"));
    EXPECT_EQ(lumidex::codePageName(936), QByteArray("CP936"));
    EXPECT_EQ(lumidex::codePageName(65001), QByteArray("UTF-8"));
    EXPECT_EQ(lumidex::codePageName(1252), QByteArray("CP1252"));
    EXPECT_EQ(lumidex::codePageName(28592), QByteArray("ISO-8859-2"));
}

// ---- ReadFileBytes and FileExists ---------------------------------------

TEST(ReadFileBytes, ReadsTheWholeFile) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QByteArray content;
    for (int i = 0; i < 300000; ++i) content.append(char(i * 7));
    const QString path = dir.filePath(QStringLiteral("谱面 chart.xml"));
    writeFile(path, content);
    QByteArray bytes("old");
    QString why = QStringLiteral("stale");
    EXPECT_EQ(ReadFileBytes(path, bytes, &why), 0);
    EXPECT_EQ(bytes, content);
    EXPECT_TRUE(why.isEmpty());

    writeFile(path, QByteArray("x"));
    EXPECT_EQ(ReadFileBytes(path, bytes), 0);
    EXPECT_EQ(bytes, QByteArray("x"));
}

TEST(ReadFileBytes, Failures) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QByteArray bytes;
    QString why;

    EXPECT_EQ(ReadFileBytes(dir.filePath("missing.xml"), bytes, &why), 1);
    EXPECT_EQ(why, QStringLiteral("file not found"));
    EXPECT_EQ(ReadFileBytes(dir.filePath("missing/deeper.xml"), bytes, &why), 1);
    EXPECT_EQ(ReadFileBytes(QString(), bytes, &why), 1);

    const QString empty = dir.filePath("empty.xml");
    writeFile(empty, QByteArray());
    EXPECT_EQ(ReadFileBytes(empty, bytes, &why), 1);
    EXPECT_EQ(why, QStringLiteral("the file is empty"));

    EXPECT_EQ(ReadFileBytes(dir.path(), bytes, &why), 1);
    EXPECT_FALSE(why.isEmpty());

    // Character devices report size 0: not readable as a chart.
    EXPECT_EQ(ReadFileBytes(QStringLiteral("/dev/null"), bytes, &why), 1);

    // 2 GiB exactly (a sparse file): refused before anything is read.
    const QString huge = dir.filePath("huge.xml");
    {
        const int fd = ::open(QFile::encodeName(huge).constData(), O_CREAT | O_WRONLY, 0600);
        ASSERT_GE(fd, 0);
        const bool sized = ::ftruncate(fd, off_t(1) << 31) == 0;
        ::close(fd);
        if (!sized) GTEST_SKIP() << "cannot make a sparse 2 GiB file here";
    }
    EXPECT_EQ(ReadFileBytes(huge, bytes, &why), 1);
    EXPECT_EQ(why, QStringLiteral("the file is 2 GiB or larger"));
    EXPECT_EQ(ReadFileBytes(huge, bytes), 1);  // without a reason wanted
}

TEST(ReadFileBytes, PermissionDenied) {
    if (::geteuid() == 0) GTEST_SKIP() << "root reads every file";
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath("locked.xml");
    writeFile(path, QByteArray("data"));
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0), 0);
    QByteArray bytes;
    QString why;
    EXPECT_EQ(ReadFileBytes(path, bytes, &why), 1);
    EXPECT_EQ(why, QStringLiteral("permission denied"));
}

TEST(FileExists, AnythingButABareDirectory) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString file = dir.filePath("音乐.ogg");
    writeFile(file, QByteArray("x"));
    const QString emptyFile = dir.filePath("empty");
    writeFile(emptyFile, QByteArray());
    ASSERT_TRUE(QDir(dir.path()).mkdir("sub"));
    ASSERT_TRUE(QFile::link(file, dir.filePath("link-to-file")));
    ASSERT_TRUE(QFile::link(dir.filePath("sub"), dir.filePath("link-to-dir")));
    ASSERT_TRUE(QFile::link(dir.filePath("gone"), dir.filePath("dangling")));

    EXPECT_TRUE(FileExists(file));
    EXPECT_TRUE(FileExists(emptyFile));
    EXPECT_TRUE(FileExists(dir.filePath("link-to-file")));
    EXPECT_TRUE(FileExists(QStringLiteral("/dev/null")));
    EXPECT_FALSE(FileExists(dir.filePath("sub")));
    EXPECT_FALSE(FileExists(dir.filePath("link-to-dir")));
    EXPECT_FALSE(FileExists(dir.filePath("dangling")));
    EXPECT_FALSE(FileExists(dir.filePath("missing")));
    EXPECT_FALSE(FileExists(QString()));
}
