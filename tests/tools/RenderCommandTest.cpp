// lumidex-chart render, run as a separate process.

#include <sndfile.h>

#include "play/PlayTestSupport.h"
#include "support/ChartText.h"
#include "support/ToolRun.h"

namespace lumidex::test {
namespace {

ToolRun render(const QStringList& args) {
    return runTool(QStringList{QStringLiteral("render")} + args);
}

// The left channel of a WAV file; empty when it is not 44100 Hz stereo.
std::vector<float> readLeft(const QString& path) {
    SF_INFO info{};
    SNDFILE* file = sf_open(QFile::encodeName(path).constData(), SFM_READ, &info);
    if (!file) return {};
    std::vector<float> frames(size_t(info.frames) * 2);
    sf_readf_float(file, frames.data(), info.frames);
    sf_close(file);
    if (info.samplerate != 44100 || info.channels != 2) return {};
    return left(frames);
}

// 120 BPM (2.5 chart frames a coord), music starting 3 frames in: coord 0 is
// music time 0. Kick (0.5) on every 12th coord, snare (0.25, at volume 0.5)
// between them; a long-note end with a key that must stay silent.
const QByteArray kChart =
    ChartText{"Song",
              120,
              "song.wav",
              3,
              48,
              {{"kick.wav", "1.00"}, {"snare.wav", "0.5"}},
              {{0, 20, 1}, {6, 5, 2}, {12, 128, 1}, {24, 130, 2}, {36, 21, 1}}}
        .bytes();

class RenderCommand : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        // The chart's music directory is "../../pvx_music/".
        const QString music = dir.filePath("pvx_music/");
        chart = dir.filePath("songs/s/s.xml");
        ASSERT_TRUE(writeAll(chart, kChart));
        ASSERT_TRUE(writeAll(music + "song.wav", wavFloat(constant(88200, 1, 0.0f))));
        ASSERT_TRUE(writeAll(music + "kick.wav", wavFloat({0.5f})));
        ASSERT_TRUE(writeAll(music + "snare.wav", wavFloat({0.25f})));
        out = dir.filePath("out.wav");
    }
    QTemporaryDir dir;
    QString chart;
    QString out;
};

TEST_F(RenderCommand, EveryKeyOnItsFrame) {
    const ToolRun r = render({chart, out});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.endsWith("Placed 4 key sounds; music 2.000 s, output 2.000 s\n"))
        << r.out.toStdString();
    const std::vector<float> heard = readLeft(out);
    ASSERT_EQ(heard.size(), 88200u);
    // Coord c starts at 2.5 c chart frames, 2.5 c / 60 s: 1837.5 c output frames.
    const std::map<int64_t, float> want = {
        {0, 0.5f}, {11025, 0.125f}, {22050, 0.5f}, {66150, 0.5f}};
    std::map<int64_t, float> got;
    for (size_t i = 0; i < heard.size(); ++i)
        if (heard[i] != 0) got[int64_t(i)] = heard[i];
    EXPECT_EQ(got, want);
}

TEST_F(RenderCommand, SoundsAtOtherRatesKeepTheirFrames) {
    const QString music = dir.filePath("pvx_music/");
    for (const auto& [decoder, rate] :
         {std::pair{"bass", 96000}, std::pair{"miles", 22050}, std::pair{"bass", 48000}}) {
        ASSERT_TRUE(writeAll(music + "song.wav", wavFloat(constant(2 * rate, 1, 0.0f), 1, rate)));
        // A few frames: a single one may not get through a resampler.
        ASSERT_TRUE(writeAll(music + "kick.wav", wavFloat(constant(8, 1, 0.5f), 1, rate)));
        ASSERT_TRUE(writeAll(music + "snare.wav", wavFloat(constant(8, 1, 0.25f), 1, rate)));
        QFile::remove(out);
        const ToolRun r = render({chart, out, "--decoder", decoder});
        ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
        const std::vector<float> heard = readLeft(out);
        EXPECT_NEAR(double(heard.size()), 88200, kRenderBlock) << rate;
        std::vector<int64_t> onsets;
        for (size_t i = 0; i < heard.size(); ++i)
            if (heard[i] != 0 && (i == 0 || heard[i - 1] == 0)) onsets.push_back(int64_t(i));
        const std::vector<int64_t> want = {0, 11025, 22050, 66150};
        ASSERT_EQ(onsets.size(), want.size()) << rate;
        for (size_t i = 0; i < want.size(); ++i) EXPECT_NEAR(onsets[i], want[i], 2) << rate;
    }
}

TEST_F(RenderCommand, RefusesWhatItCannotPlayAndLeavesNoFile) {
    QFile::remove(dir.filePath("pvx_music/song.wav"));
    ToolRun r = render({chart, out});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.out.contains("File open error!\nError code 0xBA550002: File not found"));
    EXPECT_TRUE(r.err.contains("the music cannot be opened"));
    r = render({chart, out, "--decoder", "miles"});
    EXPECT_TRUE(r.out.contains("Error code 0xA1100003: File not found"));
    EXPECT_FALSE(QFile::exists(out));
    EXPECT_FALSE(QFile::exists(out + ".part"));

    for (const QStringList& bad : {QStringList{"--rate", "100"}, QStringList{"--from", "-1"},
                                   QStringList{"--decoder", "dshow"}}) {
        r = render(QStringList{chart, out} + bad);
        EXPECT_EQ(r.exitCode, 2) << bad.join(' ').toStdString();
    }
}

TEST_F(RenderCommand, NeverWritesOverItsInputsOrAnExistingFileUnasked) {
    const QString music = dir.filePath("pvx_music/song.wav");
    const QByteArray chartBytes = readAll(chart), musicBytes = readAll(music);
    writeAll(out, "keep");
    for (const QStringList& args : {QStringList{chart, out},
                                    {chart, chart, "--force"},
                                    {chart, music, "--force"},
                                    {chart, dir.filePath("pvx_music/kick.wav"), "--force"}}) {
        const ToolRun r = render(args);
        EXPECT_EQ(r.exitCode, 1) << args.join(' ').toStdString();
        EXPECT_TRUE(r.err.startsWith("lumidex-chart: ")) << r.err.toStdString();
    }
    EXPECT_EQ(readAll(out), "keep");
    EXPECT_EQ(readAll(chart), chartBytes);
    EXPECT_EQ(readAll(music), musicBytes);

    // A planted OUT.part link is neither followed nor removed.
    const QString precious = dir.filePath("precious.txt");
    writeAll(precious, "precious");
    ASSERT_TRUE(QFile::link(precious, out + ".part"));
    ToolRun r = render({chart, out, "--force"});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(readLeft(out).size(), 88200u);
    EXPECT_EQ(readAll(precious), "precious");

    // Nothing to play from past the end: nothing written.
    r = render({chart, dir.filePath("late.wav"), "--from", "30000"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains("nothing plays from coord 30000")) << r.err.toStdString();
    EXPECT_FALSE(QFile::exists(dir.filePath("late.wav")));
}

}  // namespace
}  // namespace lumidex::test
