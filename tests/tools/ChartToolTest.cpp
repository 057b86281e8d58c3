// lumidex-chart resave, info and check, their failures and their arguments,
// run as a separate process. What the checks find is tested in the core
// (tests/chart/ChartCheckTest); check here reports one finding and the sounds.

#include <gtest/gtest.h>

#include <QDir>

#include "AudioTestSupport.h"
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

ToolRun check(const QStringList& args) {
    return runTool(QStringList{"check"} + args);
}
// The tool run by a shell script, which gets the tool's path as $0.
ToolRun shell(const QString& script, const QStringList& args) {
    return runTool(QStringList{"-c", script, LUMIDEX_CHART_TOOL} + args, {}, "/bin/sh");
}
std::string joined(const QStringList& lines) {
    return lines.join(QLatin1Char('\n')).toStdString();
}

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
        const ToolRun r = shell(R"(exec "$0" "$1" "$2" > /dev/full)", {command, in});
        EXPECT_EQ(r.exitCode, 1) << command;
        EXPECT_TRUE(r.err.contains("standard output cannot be written"));
    }

    test::writeAll(in, test::chartText(test::area(-100, 20) + test::area(12, 7)));
    const ToolRun r = check({in});
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
    r = shell(R"(exec "$0" resave "$1" "$2/out_$(printf '\377').xml")", {in, dir.path()});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.out.contains("the file name is not valid UTF-8 text"));
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

TEST_F(ChartTool, CheckReportsAChartsFindingsAndItsSounds) {
    // The note findings are the chart check's (above); here one of them and
    // the sounds: the music and key 2 missing, key 3 an OGG.
    ChartText chart{"Check", 150, "song.mp3"};
    chart.keys = {{"kick.wav", "1.00"}, {"gone.wav", "1.00"}, {"tone.ogg", "1.00"}};
    chart.notes = {{0, 16, 1}, {12, 16, 9}, {24, 16, 2}, {36, 16, 3}};
    const QString fn = dir.filePath("check.xml");
    ASSERT_TRUE(writeAll(fn, chart.bytes()));
    ASSERT_TRUE(writeTone(dir.filePath("kick.wav"), 0.05));
    ASSERT_TRUE(writeAll(dir.filePath("tone.ogg"), ogg(2205)));

    const QStringList common = {"key-past-list coord 12", "sound-missing music",
                                "sound-missing key 2"};
    ToolRun run = check({fn, "--music-path", ""});
    EXPECT_EQ(run.exitCode, 1);
    QStringList places;
    for (const QString& line : run.lines()) places << line.section(QLatin1Char(':'), 0, 0);
    EXPECT_EQ(joined(places), joined(common));

    // Miles opens MP3 and WAV only.
    run = check({fn, "--music-path", "", "--decoder", "miles"});
    EXPECT_EQ(run.exitCode, 1);
    ASSERT_EQ(run.lines().size(), common.size() + 1);
    EXPECT_TRUE(
        run.lines().back().startsWith("sound-unplayable key 3: miles does not open tone.ogg"))
        << run.lines().back().toStdString();
}

TEST(CheckCommand, DemoChartIsCleanAndBadArgumentsAreRefused) {
    const QString demo = QStringLiteral(LUMIDEX_SOURCE_DIR "/examples/demo/songs/demo/demo.xml");
    const ToolRun clean = check({demo});
    EXPECT_EQ(clean.exitCode, 0);
    EXPECT_TRUE(clean.lines().isEmpty()) << clean.lines().join('\n').toStdString();
    EXPECT_EQ(check({}).exitCode, 2);
    EXPECT_EQ(check({demo, "--decoder", "wave"}).exitCode, 2);
    EXPECT_EQ(check({demo, "extra"}).exitCode, 2);
    EXPECT_EQ(check({"/no/such/chart.xml"}).exitCode, 1);
}

}  // namespace
}  // namespace lumidex::test
