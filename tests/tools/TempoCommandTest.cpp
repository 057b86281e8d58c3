// lumidex-chart tempo, run as a process on a generated song of known tempo
// and first beat, on a chart naming it, and on silence.

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include "SongMaker.h"
#include "TempoAnalysis.h"
#include "support/ChartText.h"
#include "support/FileHelpers.h"
#include "support/ToolRun.h"

namespace lumidex::tempo {
namespace {

using testing::makeSong;
using testing::Style;

test::ToolRun tempo(const QStringList& args) {
    return test::runTool(QStringList{"tempo"} + args);
}

TEST(TempoCommand, MusicFileOrChartJsonAndExitCodes) {
    QTemporaryDir dir;
    const QString music = dir.filePath("pvx_music/a/song.wav");
    const std::vector<float> song = makeSong({Style::Rock, 112.4, 1.3, 16, 1, 0.01, 44100, 2});
    ASSERT_TRUE(test::writeAll(music, testing::wavFile(song, 44100)));
    const QString chart = dir.filePath("songs/a/a.xml");
    ASSERT_TRUE(test::writeAll(chart, test::ChartText{"a", 120, "a/song.wav", 0, 100}.bytes()));
    const QString silent = dir.filePath("silent.wav");
    ASSERT_TRUE(test::writeAll(silent, testing::wavFile(std::vector<float>(44100 * 8), 44100)));

    for (const QString& file : {music, chart}) {
        const test::ToolRun run = tempo({file, "--json"});
        ASSERT_EQ(run.exitCode, 0) << run.out.toStdString();
        const QJsonObject o = QJsonDocument::fromJson(run.out.toUtf8()).object();
        const double bpm = o["bpm"].toDouble(), firstBeat = o["first_beat"].toDouble();
        EXPECT_NEAR(bpm, 112.4, 0.02);
        EXPECT_NEAR(firstBeat, 1.3, 0.005);
        EXPECT_NEAR(o["delay"].toDouble(), delayFor(bpm, firstBeat), 0.01);
        EXPECT_TRUE(o["steady"].toBool());
        EXPECT_GT(o["confidence"].toDouble(), 0.5);
        EXPECT_TRUE(o["alternatives"].toArray().first().toObject().contains("confidence"));
    }
    const test::ToolRun text = tempo({music});
    EXPECT_TRUE(text.out.contains("3 frames")) << text.out.toStdString();
    EXPECT_EQ(tempo({silent}).exitCode, 1);
    EXPECT_EQ(tempo({dir.filePath("missing.xml")}).exitCode, 1);
    EXPECT_EQ(tempo({}).exitCode, 2);
    EXPECT_EQ(tempo({music, "--bpm"}).exitCode, 2);
}
}  // namespace
}  // namespace lumidex::tempo
