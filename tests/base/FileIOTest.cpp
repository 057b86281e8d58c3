// Reading files whole (ReadFileBytes), FileExists, and JoinPath, which puts
// a file name from a chart after its folder.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "FileIO.h"
#include "support/FileHelpers.h"

namespace lumidex {
namespace {

using test::writeAll;

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
    // Character devices report size 0: not readable as a chart. Only regular
    // files are read, so a pipe is never waited on.
    EXPECT_EQ(ReadFileBytes(QStringLiteral("/dev/null"), bytes, &why), 1);
    const QByteArray fifo = QFile::encodeName(dir.filePath("sound.wav"));
    ASSERT_EQ(::mkfifo(fifo.constData(), 0600), 0);
    EXPECT_EQ(ReadFileBytes(QFile::decodeName(fifo), bytes, &why), 1);
    EXPECT_EQ(why, "not a regular file");
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

TEST(JoinPath, JoinPathKeepsAbsoluteNamesAndAddsOneSeparator) {
    const std::tuple<const char*, const char*, const char*> cases[] = {
        {"/a/b/", "", "/a/b/"},           {"/a/b/", "../m/", "/a/b/../m/"},
        {"/a/b", "music", "/a/b/music"},  {"/a/b\\", "m", "/a/b\\m"},
        {"/a/", "/srv/m/", "/srv/m/"},    {"/a/", "\\m", "\\m"},
        {"/a/", "D:\\music", "D:\\music"}};
    for (const auto& [base, name, joined] : cases)
        EXPECT_EQ(JoinPath(base, name), QString(joined)) << base << " + " << name;
}

}  // namespace
}  // namespace lumidex
