// Writing files without ever damaging the old file.

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>

#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include "ChartFixtures.h"

namespace lumidex {
namespace {

struct WriteFileTest : ::testing::Test {
    QTemporaryDir dir;
    QString path = dir.filePath("chart.xml");
    QStringList files() const { return QDir(dir.path()).entryList(QDir::Files | QDir::Hidden); }
};

TEST_F(WriteFileTest, ReplacesTheFileAndKeepsItsPermissionsAndItsLink) {
    test::writeAll(path, "old text");
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther);
    const QFile::Permissions before = QFile::permissions(path);
    EXPECT_EQ(WriteFileBytes(path, "new"), 0);
    EXPECT_EQ(test::readAll(path), "new");
    EXPECT_EQ(QFile::permissions(path), before);
    EXPECT_EQ(files(), QStringList{"chart.xml"});

    // Through a link the file it names is written; the link stays.
    const QString link = dir.filePath("link.xml");
    ASSERT_TRUE(QFile::link(path, link));
    EXPECT_EQ(WriteFileBytes(link, "newer"), 0);
    EXPECT_EQ(QFileInfo(link).symLinkTarget(), path);
    EXPECT_EQ(test::readAll(path), "newer");

    // A link whose file does not exist yet writes that file.
    const QString dangling = dir.filePath("dangling.xml");
    ASSERT_TRUE(QFile::link("sub/new.xml", dangling));
    QDir(dir.path()).mkdir("sub");
    EXPECT_EQ(WriteFileBytes(dangling, "through"), 0);
    EXPECT_TRUE(QFileInfo(dangling).isSymLink());
    EXPECT_EQ(test::readAll(dir.filePath("sub/new.xml")), "through");
}

TEST_F(WriteFileTest, TemporariesOfKilledSavesGoAtTheNextSave) {
    // A process that has ended, and this one (which may be saving now).
    const pid_t child = ::fork();
    if (child == 0) ::_exit(0);
    ASSERT_GT(child, 0);
    ::waitpid(child, nullptr, 0);
    const QString dead = QString::number(child);
    const QString mine = QString::number(::getpid());
    for (const QString& name :
         QStringList{".chart.xml.lumidex-" + dead + "-0", ".other.xml.lumidex-" + dead + "-7",
                     ".chart.xml.lumidex-" + mine + "-99", ".chart.xml.lumidex-x-1",
                     "chart.xml.lumidex-" + dead + "-0"})
        test::writeAll(dir.filePath(name), "partial");
    EXPECT_EQ(WriteFileBytes(path, "new"), 0);
    EXPECT_EQ(files(), (QStringList{".chart.xml.lumidex-" + mine + "-99", ".chart.xml.lumidex-x-1",
                                    "chart.xml", "chart.xml.lumidex-" + dead + "-0"}));
}

TEST_F(WriteFileTest, FailuresLeaveTheOldFileWhole) {
    // (A folder and a missing folder are reported through the save.)
    QString why;
    EXPECT_EQ(WriteFileBytes(dir.filePath("out_\uFFFD.xml"), "x", &why), 1);
    EXPECT_EQ(why, "the file name is not valid UTF-8 text");

    // Each step failing in turn, as a full disk or a failing device makes it.
    const QByteArray old(500, 'o');
    test::writeAll(path, old);
    for (WriteStep step :
         {WriteStep::Write, WriteStep::Sync, WriteStep::Close, WriteStep::Rename}) {
        failWriteStepForTesting(step);
        EXPECT_EQ(WriteFileBytes(path, QByteArray(100000, 'n'), &why), 1) << int(step);
        failWriteStepForTesting(WriteStep::None);
        EXPECT_EQ(why, "the disk is full");
        EXPECT_EQ(test::readAll(path), old) << int(step);
        EXPECT_EQ(files(), QStringList{"chart.xml"}) << int(step);
    }
}

// A real full file system: a small tmpfs, which only root may mount.
class FullDisk {
  public:
    explicit FullDisk(const QString& folder) : folder_(QFile::encodeName(folder)) {
        mounted_ =
            ::geteuid() == 0 && ::mount("tmpfs", folder_.constData(), "tmpfs", 0, "size=64k") == 0;
    }
    ~FullDisk() {
        if (mounted_) ::umount2(folder_.constData(), MNT_DETACH);
    }
    bool mounted() const { return mounted_; }

    // Fills what is left with a file of its own.
    void fill() {
        QFile filler(QFile::decodeName(folder_) + "/filler");
        ASSERT_TRUE(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
        const QByteArray block(4096, 'f');
        while (filler.write(block) == block.size()) {
        }
    }

  private:
    QByteArray folder_;
    bool mounted_ = false;
};

TEST_F(WriteFileTest, AFullDiskKeepsTheOldChart) {
    FullDisk disk(dir.path());
    if (!disk.mounted()) GTEST_SKIP() << "mounting a small tmpfs needs root";
    const QByteArray old = test::exampleBytes();
    ASSERT_TRUE(test::writeAll(path, old));
    disk.fill();

    QString why;
    EXPECT_EQ(WriteFileBytes(path, QByteArray(200000, 'n'), &why), 1);
    EXPECT_EQ(why, "the disk is full");
    EXPECT_EQ(test::readAll(path), old);

    // The save reports it and leaves the chart as it was.
    auto doc = test::exampleChart();
    ScriptedDialogs ui;
    ui.messageAnswers = {MsgAnswer::Yes};
    for (int c = 0; c < 30000; c += 3) doc->setNote(c, 20, 1);
    doc->LastCoord = 30000;
    EXPECT_EQ(SaveFile(*doc, path, ui), 0);
    EXPECT_EQ(ui.messages().last(), "Error saving file, debug info:\ni=30001\nThe disk is full");
    EXPECT_EQ(test::readAll(path), old);
    EXPECT_EQ(files(), (QStringList{"chart.xml", "filler"}));
}

}  // namespace
}  // namespace lumidex
