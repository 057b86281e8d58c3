// lumidex-chart, run as a separate process, finds the FFmpeg plug-in beside
// itself (or below lib/ in an installed tree): render places every key sound
// of a chart whose music is an M4A on the frame it has with the WAV of that
// music, and sounds lists the plug-in.

#include <QDir>
#include <QFile>

#include <set>

#include "PluginTestSupport.h"
#include "support/ChartText.h"
#include "support/ToolRun.h"

namespace lumidex::test {
namespace {

QByteArray chartWithMusic(const char* music) {
    return ChartText{"Song",
                     120,
                     music,
                     3,
                     48,
                     {{"kick.wav", "1.00"}},
                     {{0, 20, 1}, {7, 20, 1}, {12, 128, 1}, {29, 21, 1}}}
        .bytes();
}

// The frames of a render where a key sound (0.5 over music of 0.05) sounds.
std::set<int64_t> keyFrames(const QString& wav, int64_t* frames) {
    const QByteArray bytes = readAll(wav);
    auto decoder = audio::openSndfileDecoder(view(bytes), audio::containers(audio::Container::Wav));
    std::set<int64_t> keys;
    if (!decoder) return keys;
    const Samples all = decodeAll(*decoder);
    *frames = int64_t(all.size()) / 2;
    for (size_t i = 0; i < all.size(); i += 2)
        if (all[i] > 0.3f) keys.insert(int64_t(i / 2));
    return keys;
}

TEST(RenderWithPlugin, KeySoundsLandWhereTheyDoWithTheWavOfTheMusic) {
    QTemporaryDir dir;
    const QString music = dir.filePath("pvx_music/");
    Samples tone = sine(2 * 44100, 2, 440, 44100);
    for (float& v : tone) v *= 0.05f;
    const QByteArray wav = encode(SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100, 2, tone);
    ASSERT_TRUE(writeAll(music + "song.wav", wav));
    ASSERT_TRUE(writeAll(music + "song.m4a", ffmpegEncode(wav, "m4a", {"-c:a", "aac"})));
    ASSERT_TRUE(writeAll(music + "kick.wav", wavFloat({0.5f})));

    std::map<QString, std::set<int64_t>> keys;
    std::map<QString, int64_t> lengths;
    for (const char* song : {"song.wav", "song.m4a"}) {
        const QString chart = dir.filePath(QStringLiteral("songs/s/%1.xml").arg(song));
        ASSERT_TRUE(writeAll(chart, chartWithMusic(song)));
        const QString out = dir.filePath(QStringLiteral("%1.out.wav").arg(song));
        const ToolRun r = runTool({"render", chart, out});
        ASSERT_EQ(r.exitCode, 0) << r.out.toStdString();
        keys[song] = keyFrames(out, &lengths[song]);
    }
    EXPECT_EQ(keys["song.wav"].size(), 4u);
    EXPECT_EQ(keys["song.m4a"], keys["song.wav"]);
    EXPECT_EQ(lengths["song.m4a"], lengths["song.wav"]);
}

TEST(RenderWithPlugin, AnInstalledTreeFindsItsPlugInsBelowLibWhereverItIsMoved) {
    QTemporaryDir dir;
    const QString music = dir.filePath("pvx_music/");
    const QString plugins = dir.filePath("moved/lib/lumidex/plugins");
    const QString program = dir.filePath("moved/bin/lumidex-chart");
    ASSERT_TRUE(QDir().mkpath(plugins) && QDir().mkpath(dir.filePath("moved/bin")));
    ASSERT_TRUE(QFile::copy(LUMIDEX_CHART_TOOL, program));
    ASSERT_TRUE(QFile::copy(LUMIDEX_FFMPEG_PLUGIN, plugins + "/ffmpeg.so"));
    ASSERT_TRUE(writeAll(music + "song.m4a", encoded("m4a")));
    ASSERT_TRUE(writeAll(music + "kick.wav", wavFloat({0.5f})));
    const QString chart = dir.filePath("songs/s/s.xml");
    ASSERT_TRUE(writeAll(chart, chartWithMusic("song.m4a")));

    const ToolRun r = runTool({"sounds", chart, "--decoder", "bass"}, {}, program);
    EXPECT_EQ(r.exitCode, 0) << r.out.toStdString();
    EXPECT_TRUE(r.out.startsWith("BASS plug-ins in " + QDir(plugins).canonicalPath() +
                                 ":\n  ffmpeg 1.0 (ffmpeg.so): AAC (M4A, MP4, ADTS), "))
        << r.out.toStdString();
    EXPECT_TRUE(r.out.contains("pvx_music/song.m4a\n  bass: 3.000 s, 2 ch, 44100 Hz\n"))
        << r.out.toStdString();
}

}  // namespace
}  // namespace lumidex::test
