// ReadFileBytes, FileExists and the byte-order-mark table of
// BytesToText.

#include "ByteHelpers.h"
#include "FileText.h"

#include <QDir>
#include <QTemporaryDir>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using lumidex::BytesToText;
using lumidex::FileExists;
using lumidex::ReadFileBytes;
using namespace lumidex::testing;

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
        {bytesOf({0xFF, 0xFE, 0x00, 0x00, 'A', 0x00, 'B', 0x00}), 0, units({0xFFFD})},
        // UTF-32 BE.
        {bytesOf({0, 0, 0xFE, 0xFF, 0, 0, 0, 'H', 0, 0x02, 0, 0}), 0,
         QStringLiteral("H\U00020000")},
        {bytesOf({0, 0, 0xFE, 0xFF}), 0, QString()},
        // UTF-8; only the first U+FEFF goes.
        {QByteArray("\xEF\xBB\xBF") + song.toUtf8(), 0, song},
        {bytesOf({0xEF, 0xBB, 0xBF}), 0, QString()},
        {bytesOf({0xEF, 0xBB, 0xBF, 0xEF, 0xBB, 0xBF, 'A'}), 0, units({0xFEFF, 'A'})},
        // UTF-16 LE: the bytes are the units, unconverted (an unpaired
        // surrogate passes); an odd last byte is dropped; FF FE 00 is too
        // short for UTF-32.
        {bytesOf({0xFF, 0xFE, 'A', 0, 0x2D, 0x4E}), 0, QStringLiteral("A中")},
        {bytesOf({0xFF, 0xFE}), 0, QString()},
        {bytesOf({0xFF, 0xFE, 0x41}), 0, QString()},
        {bytesOf({0xFF, 0xFE, 'A', 0, 'B'}), 0, QStringLiteral("A")},
        {bytesOf({0xFF, 0xFE, 0x00, 0xD8, 'A', 0}), 0, units({0xD800, 'A'})},
        {bytesOf({0xFF, 0xFE, 0x00}), 0, QString()},
        // UTF-16 BE.
        {bytesOf({0xFE, 0xFF, 0, 'A', 0x4E, 0x2D}), 0, QStringLiteral("A中")},
        {bytesOf({0xFE, 0xFF}), 0, QString()},
        // No mark: the code page decides, 0 is GB18030 like 54936, whose own
        // form of U+FEFF is stripped too; UTF-8 without its mark is no UTF-8.
        {QByteArray("\xB8\xE8\xC7\xFA.ogg"), 0, song + ".ogg"},
        {QByteArray("\xB8\xE8\xC7\xFA.ogg"), 54936, song + ".ogg"},
        {bytesOf({0x84, 0x31, 0x95, 0x33, 'A'}), 0, QStringLiteral("A")},
        {bytesOf({0xC3, 0xA9}), 0, QStringLiteral("茅")},
        {bytesOf({0xC3, 0xA9}), 65001, QStringLiteral("é")},
        {QByteArray("caf\xE9"), 1252, QStringLiteral("café")},
        {QByteArray("\x82\xA0"), 932, QStringLiteral("あ")},
        {QByteArray("\xC7\xFA"), 936, QStringLiteral("曲")},
        {QByteArray("abc"), 12345, QString()},  // a code page iconv does not know
        // Too short for any mark: straight to the code page.
        {QByteArray("A"), 0, QStringLiteral("A")},
        {bytesOf({0xFF}), 0, units({0xFFFD})},
        {bytesOf({0xFF}), 1252, units({0x00FF})},
        {bytesOf({0xEF, 0xBB}), 1252, units({0x00EF, 0x00BB})},
        {QByteArray(), 0, QString()},
    };
    for (const Case& c : cases)
        EXPECT_EQ(BytesToText(c.bytes, c.codePage), c.expected)
            << c.bytes.toHex(' ').toStdString() << " in " << c.codePage;
}

TEST(ReadFileBytes, WholeFilesAndFailures) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QByteArray content, bytes("old");
    for (int i = 0; i < 300000; ++i) content.append(char(i * 7));
    const QString path = dir.filePath(QStringLiteral("谱面 chart.xml"));
    writeAll(path, content);
    QString why = QStringLiteral("stale");
    EXPECT_EQ(ReadFileBytes(path, bytes, &why), 0);
    EXPECT_EQ(bytes, content);
    EXPECT_TRUE(why.isEmpty());

    EXPECT_EQ(ReadFileBytes(dir.filePath("missing.xml"), bytes, &why), 1);
    EXPECT_EQ(why, QStringLiteral("file not found"));
    EXPECT_EQ(ReadFileBytes(dir.filePath("missing/deeper.xml"), bytes, &why), 1);
    EXPECT_EQ(ReadFileBytes(QString(), bytes, &why), 1);
    writeAll(path, QByteArray());
    EXPECT_EQ(ReadFileBytes(path, bytes, &why), 1);
    EXPECT_EQ(why, QStringLiteral("the file is empty"));
    EXPECT_EQ(ReadFileBytes(dir.path(), bytes, &why), 1);
    EXPECT_FALSE(why.isEmpty());
    // Character devices report size 0: not readable as a chart.
    EXPECT_EQ(ReadFileBytes(QStringLiteral("/dev/null"), bytes, &why), 1);
    if (::geteuid() != 0) {  // root reads every file
        writeAll(path, QByteArray("data"));
        ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0), 0);
        EXPECT_EQ(ReadFileBytes(path, bytes, &why), 1);
        EXPECT_EQ(why, QStringLiteral("permission denied"));
    }

    // 2 GiB exactly (a sparse file): refused before anything is read.
    const QString huge = dir.filePath("huge.xml");
    const int fd = ::open(QFile::encodeName(huge).constData(), O_CREAT | O_WRONLY, 0600);
    ASSERT_GE(fd, 0);
    const bool sized = ::ftruncate(fd, off_t(1) << 31) == 0;
    ::close(fd);
    if (!sized) GTEST_SKIP() << "cannot make a sparse 2 GiB file here";
    EXPECT_EQ(ReadFileBytes(huge, bytes, &why), 1);
    EXPECT_EQ(why, QStringLiteral("the file is 2 GiB or larger"));
    EXPECT_EQ(ReadFileBytes(huge, bytes), 1);  // without a reason wanted
}

TEST(FileExists, AnythingButABareDirectory) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString file = dir.filePath("音乐.ogg");
    writeAll(file, QByteArray("x"));
    writeAll(dir.filePath("empty"), QByteArray());
    ASSERT_TRUE(QDir(dir.path()).mkdir("sub"));
    ASSERT_TRUE(QFile::link(file, dir.filePath("link-to-file")));
    ASSERT_TRUE(QFile::link(dir.filePath("sub"), dir.filePath("link-to-dir")));
    ASSERT_TRUE(QFile::link(dir.filePath("gone"), dir.filePath("dangling")));
    for (const char* name : {"音乐.ogg", "empty", "link-to-file"})
        EXPECT_TRUE(FileExists(dir.filePath(name))) << name;
    for (const char* name : {"sub", "link-to-dir", "dangling", "missing"})
        EXPECT_FALSE(FileExists(dir.filePath(name))) << name;
    EXPECT_TRUE(FileExists(QStringLiteral("/dev/null")));
    EXPECT_FALSE(FileExists(QString()));
}
