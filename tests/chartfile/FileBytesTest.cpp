// Composing bytes and writing them without ever damaging the old file.

#include <gtest/gtest.h>

#include <QDir>

#include <sys/resource.h>

#include <csignal>

#include "ChartFixtures.h"

namespace lumidex {
namespace {

TEST(StringBuilderTest, JoinsPiecesAndEncodes) {
    CStringBuilder sb;
    sb.Append("<A").Append(" x=\"歌\"").AppendLine(">");
    sb.AppendLine(QString(QChar(0xD800)) + "é");  // a lone surrogate cannot be encoded
    EXPECT_EQ(sb.count(), 6);
    EXPECT_EQ(sb.ToString(), QString("<A x=\"歌\">\r\n") + QChar(0xD800) + "é\r\n");
    EXPECT_EQ(sb.ToAnsiArray(), QByteArray("<A x=\"\xb8\xe8\">\r\n?\xa8\xa6\r\n"));
    EXPECT_EQ(sb.ToAnsiArrayByCP(1252), QByteArray("<A x=\"?\">\r\n?\xe9\r\n"));
}

struct WriteFileTest : ::testing::Test {
    QTemporaryDir dir;
    QString path = dir.filePath("chart.xml");
    QStringList files() const { return QDir(dir.path()).entryList(QDir::Files); }
};

TEST_F(WriteFileTest, ReplacesTheFileAndKeepsItsPermissions) {
    test::writeAll(path, "old text");
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther);
    const QFile::Permissions before = QFile::permissions(path);
    EXPECT_EQ(WriteFileBytes(path, "new"), 0);
    EXPECT_EQ(test::readAll(path), "new");
    EXPECT_EQ(QFile::permissions(path), before);
    EXPECT_EQ(files(), QStringList{"chart.xml"});
}

TEST_F(WriteFileTest, FailuresLeaveTheOldFileWhole) {
    EXPECT_EQ(WriteFileBytes(dir.path(), "x"), 1);  // a directory
    EXPECT_EQ(WriteFileBytes(dir.filePath("no/such/folder.xml"), "x"), 1);

    // The disk fills up part-way: the file-size limit stops the write after
    // 100 bytes.
    const QByteArray old(500, 'o');
    test::writeAll(path, old);
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 100;
    setrlimit(RLIMIT_FSIZE, &small);
    const int result = WriteFileBytes(path, QByteArray(100000, 'n'));
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);
    EXPECT_EQ(result, 1);
    EXPECT_EQ(test::readAll(path), old);
    EXPECT_EQ(files(), QStringList{"chart.xml"});
}

}  // namespace
}  // namespace lumidex
