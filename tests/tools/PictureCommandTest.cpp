// lumidex-chart picture, run as a separate process: the waveform is drawn
// on the rows of the coords the music plays at, beside the notes.

#include <QImage>

#include "support/ChartText.h"
#include "support/ToolRun.h"
#include "waveform/WaveformFixtures.h"

namespace lumidex::test {
namespace {

// 120 BPM, music starting 3 frames in: coord c is music time c x 2.5 / 60 s.
const QByteArray kChart = ChartText{"Song", 120, "song.wav", 3, 48, {}, {{24, 20, 0}}}.bytes();

constexpr int kWaveX = 45 + 2 + 62 + 2;  // the waveform strip's left edge
constexpr int kClickRow = 126;           // coord 24 with coords 0..48 in one column

class PictureCommand : public WaveformFiles {
  protected:
    void SetUp() override {
        // The chart's music directory is "../../pvx_music/".
        chart = dir.filePath("songs/a/a.xml");
        ASSERT_TRUE(writeAll(chart, kChart));
    }
    int run(const QStringList& args) {
        const ToolRun r = runTool(QStringList{"picture"} + args, {{"XDG_CACHE_HOME", cacheDir()}});
        out = r.out;
        return r.exitCode;
    }

    QString chart;
    QString out;
};

TEST_F(PictureCommand, DrawsTheClickOnTheRowOfItsCoord) {
    const long click = std::lround(24 * 2.5 / 60 * kRate);
    ASSERT_TRUE(writeAll(dir.filePath("pvx_music/song.wav"),
                         wavFloat(clickTrack(5 * kRate, {click}), 1, kRate)));
    const QString png = dir.filePath("a.png");
    ASSERT_EQ(run({chart, png, "--to", "48"}), 0) << out.toStdString();
    EXPECT_TRUE(out.contains("Waveform: 0:05 of music")) << out.toStdString();
    const QImage image(png);
    ASSERT_EQ(image.height(), 252);
    const int loud = kWaveX + 24 + 15;  // inside the click's peak, beyond the tone's
    EXPECT_NE(image.pixel(loud, kClickRow), qRgb(0, 0, 0));
    for (int row : {kClickRow - 5, kClickRow + 5}) EXPECT_EQ(image.pixel(loud, row), qRgb(0, 0, 0));
}

TEST_F(PictureCommand, WithoutMusicDrawsTheNotesAndSaysWhy) {
    const QString png = dir.filePath("a.png");
    EXPECT_EQ(run({chart, png, "--height", "150"}), 0);
    EXPECT_TRUE(out.contains("Waveform: the music file cannot be read"));
    EXPECT_EQ(QImage(png).height(), 150);
    EXPECT_EQ(run({chart, png, "--height", "5"}), 2);
    EXPECT_EQ(run({chart, png, "--decoder", "wav"}), 2);
}

}  // namespace
}  // namespace lumidex::test
