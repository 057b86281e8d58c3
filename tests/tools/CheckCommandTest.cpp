// lumidex-chart check, run as a process on a chart file, its sounds and the
// demo chart. What the checks find is tested in the core (tests/keys).

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "AudioTestSupport.h"
#include "support/ChartText.h"
#include "support/ToolRun.h"

namespace lumidex::test {
namespace {

ToolRun check(const QStringList& args) {
    return runTool(QStringList{"check"} + args);
}
std::string joined(const QStringList& lines) {
    return lines.join(QLatin1Char('\n')).toStdString();
}

TEST(CheckCommand, ReportsAChartsFindingsAndItsSounds) {
    QTemporaryDir dir;
    // The note findings are the chart check's (above); here one of them and
    // the sounds: the music and key 2 missing, key 3 an OGG.
    ChartText chart{"Check", 150, "song.mp3"};
    chart.keys = {{"kick.wav", "1.00"}, {"gone.wav", "1.00"}, {"tone.ogg", "1.00"}};
    chart.notes = {{0, 16, 1}, {12, 16, 9}, {24, 16, 2}, {36, 16, 3}};
    const QString fn = dir.filePath(QStringLiteral("check.xml"));
    ASSERT_TRUE(writeAll(fn, chart.bytes()));
    ASSERT_TRUE(writeTone(dir.filePath(QStringLiteral("kick.wav")), 0.05));
    ASSERT_TRUE(writeAll(dir.filePath(QStringLiteral("tone.ogg")), ogg(2205)));

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
    EXPECT_EQ(check({QStringLiteral("/no/such/chart.xml")}).exitCode, 1);
}

}  // namespace
}  // namespace lumidex::test
