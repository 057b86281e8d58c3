// lumidex-chart resave and info, its failures and its arguments, run as a
// separate process.

#include <gtest/gtest.h>

#include <QDir>
#include <QProcess>

#include "chart/ChartFixtures.h"
#include "support/ToolRun.h"

namespace lumidex::test {
namespace {

struct ChartTool : ::testing::Test {
    QTemporaryDir dir;
    QString in = dir.filePath("in.xml"), out = dir.filePath("out.xml");
    void SetUp() override { test::writeAll(in, test::exampleBytes()); }
};

const QString kOpened = "File opened successfully, All Combo = 3\nFrames = 240\n";

TEST_F(ChartTool, ResavePrintsBothMessagesAndAsksBeforeOverwriting) {
    ToolRun r = runTool({"resave", in, out});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, kOpened + "File saved successfully, All Combo = 3\nFrames = 240\n");
    EXPECT_EQ(test::readAll(out), test::exampleBytes());

    test::writeAll(out, "keep");
    r = runTool({"resave", in, out});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, kOpened + "File already exists, overwrite?\n");
    EXPECT_EQ(test::readAll(out), "keep");

    r = runTool({"resave", "--force", in, out, "--align", "4"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(test::readAll(out), test::exampleBytes());

    r = runTool({"resave", in, dir.path(), "--force"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, kOpened + "Error saving file, debug info:\ni=49\nThe path is a folder\n");
}

TEST_F(ChartTool, InfoDescribesTheChart) {
    const ToolRun r = runTool({"info", in, "--rounded"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out.section('\n', 2),
              "Name: Song\nBPM: 150\nSpeed: 150\nMusic: song.mp3\nMusic volume: 1.00\n"
              "Delay: 10\nLong-note correction: 4\nLength: 48\nTempo changes: 1\n"
              "  coord 0: tempo 150, speed 150\nKey sounds: 1\n  1: kick.wav, volume 1.00\n");
}

TEST_F(ChartTool, OutputThatCannotBeWrittenAndWhatTheFileHoldsDifferently) {
    for (const char* command : {"info", "check"}) {
        QProcess shell;
        shell.start("/bin/sh",
                    {"-c", R"(exec "$0" "$1" "$2" > /dev/full)", LUMIDEX_CHART_TOOL, command, in});
        ASSERT_TRUE(shell.waitForFinished(60000));
        EXPECT_EQ(shell.exitCode(), 1) << command;
        EXPECT_TRUE(shell.readAllStandardError().contains("standard output cannot be written"));
    }

    test::writeAll(in, test::chartText(test::area(-100, 20) + test::area(12, 7)));
    ToolRun r = runTool({"check", in});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(
        r.out.startsWith("file-repaired file: 1 note lies outside coords 0 to 30000: not stored.\n"
                         "file-repaired file: 1 note has a kind without a picture"))
        << r.out.toStdString();
    EXPECT_TRUE(r.out.contains("kind-unused coord 12: a note of kind 7"));
}

TEST_F(ChartTool, FailuresAndBadArguments) {
    // The loader's own reasons are printed (their wording is the loader's).
    ToolRun r = runTool({"info", "song.xml", "--pak", dir.filePath("none.pak")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.out.contains("the archive was not found")) << r.out.toStdString();
    const QString picture = dir.filePath("picture.png");
    test::writeAll(picture, "\x89PNG\r\n\x1a\n");
    r = runTool({"resave", picture, out});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.out.startsWith("Cannot open chart file \"")) << r.out.toStdString();
    EXPECT_FALSE(QFile::exists(out));

    // A name that is not UTF-8 is refused, never written as another name.
    QProcess shell;
    shell.start("/bin/sh", {"-c", R"(exec "$0" resave "$1" "$2/out_$(printf '\377').xml")",
                            LUMIDEX_CHART_TOOL, in, dir.path()});
    ASSERT_TRUE(shell.waitForFinished(60000));
    EXPECT_EQ(shell.exitCode(), 1);
    EXPECT_TRUE(shell.readAllStandardOutput().contains("the file name is not valid UTF-8 text"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), (QStringList{"in.xml", "picture.png"}));

    for (const QStringList& args :
         {QStringList{"bogus"}, {"resave", in}, {"info", in, "--align", "5"}}) {
        r = runTool(args);
        EXPECT_EQ(r.exitCode, 2) << args.join(' ').toStdString();
        EXPECT_TRUE(r.out.isEmpty());
        EXPECT_TRUE(r.err.startsWith("lumidex-chart: ")) << r.err.toStdString();
    }
    r = runTool({"--help"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_TRUE(r.out.contains("resave IN OUT [--align N] [--rounded] [--pak PAKFILE] [--force]"));
}

}  // namespace
}  // namespace lumidex::test
