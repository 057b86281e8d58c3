// Start-up loads the decoder plug-ins from the plug-in folder, skipping every
// library that is not a plug-in of this interface with its reason; shutdown
// frees them, and a freed plug-in stays loaded while a stream decodes
// through it. The FFmpeg plug-in: every format the ffmpeg program writes
// opens through the first decoder; clicks decode on their frames, from the
// start and after seeks; damaged and hostile files are refused or end early.
// lumidex-chart, run as a separate process, finds the plug-in beside itself
// (or below lib/ in an installed tree): render places every key sound of a
// chart whose music is an M4A on the frame it has with the WAV of that music,
// and sounds lists the plug-in.

#include <QDir>
#include <QElapsedTimer>
#include <QFile>

#include <dlfcn.h>

#include <cmath>
#include <map>
#include <memory>
#include <set>

#include "AudioEngines.h"
#include "AudioSystem.h"
#include "AudioTestSupport.h"
#include "Bass.h"
#include "DecoderPlugin.h"
#include "ScriptedDialogs.h"
#include "support/ChartText.h"
#include "support/ToolRun.h"

namespace lumidex::test {
namespace {

// Sounds with clicks on known frames, encoded by the ffmpeg program into the
// formats the FFmpeg plug-in reads.
constexpr int kClickRate = 44100;
constexpr int kClickFrames = 3 * kClickRate;
// Frames of the source WAV holding a click (0.8 on both channels, over a
// quiet tone).
const std::vector<int> kClicks = {3000, 22050, 50000, 80001, 130000};

// The source: 16-bit stereo WAV at 44100 Hz, kClickFrames long.
const QByteArray& clickWav() {
    static const QByteArray wav = [] {
        Samples s = sine(kClickFrames, 2, 440, kClickRate);
        for (float& v : s) v *= 0.05f;
        for (int click : kClicks) s[2 * click] = s[2 * click + 1] = 0.8f;
        return encode(SF_FORMAT_WAV | SF_FORMAT_PCM_16, kClickRate, 2, s);
    }();
    return wav;
}

// One encoded format: a file extension and the ffmpeg codec options.
struct Encoding {
    const char* ext;
    const char* codec;
    int rate;      // the rate the file decodes at
    int shift;     // frames the ffmpeg program's own decode moves the clicks by
    float within;  // how far a decoded sample may stray after a seek
};
const std::vector<Encoding>& encodings() {
    // The ffmpeg program's WMA encoder writes its stream a frame (2048
    // samples) ahead of the source, and its own decoder plays it that way.
    // AAC and Opus decoders carry state (noise generators, prediction) that a
    // seek cannot restore exactly; a misplaced frame would differ by far more.
    static const std::vector<Encoding> list = {
        {"m4a", "aac", 44100, 0, 0.01f},
        {"opus", "libopus", 48000, 0, 0.02f},
        {"wv", "wavpack", 44100, 0, 0.0f},
        {"wma", "wmav2", 44100, -2048, 0.0f},
    };
    return list;
}

// Any WAV encoded by the ffmpeg program with extra options.
QByteArray ffmpegEncode(const QByteArray& wav, const QString& ext, const QStringList& options) {
    QTemporaryDir dir;
    const QString in = dir.filePath("in.wav");
    const QString out = dir.filePath("out." + ext);
    if (!writeAll(in, wav)) return {};
    const QStringList args =
        QStringList{"-v", "error", "-y", "-i", in} + options + QStringList{out};
    return runTool(args, {}, QStringLiteral("ffmpeg")).exitCode == 0 ? readAll(out) : QByteArray();
}

// clickWav() encoded by the ffmpeg program (made once per run); empty when
// the program fails.
const QByteArray& encoded(const char* ext) {
    static std::map<QString, QByteArray> made;
    QByteArray& bytes = made[QString::fromLatin1(ext)];
    if (bytes.isEmpty()) {
        for (const Encoding& e : encodings()) {
            if (QLatin1String(e.ext) == QLatin1String(ext)) {
                bytes = ffmpegEncode(clickWav(), ext,
                                     {"-c:a", e.codec, "-b:a", "192k", "-strict", "-2"});
            }
        }
    }
    return bytes;
}

// The FFmpeg plug-in as built, loaded straight from its file.
std::shared_ptr<audio::DecoderPlugin> ffmpegPlugin() {
    static const auto plugin =
        audio::DecoderPlugin::load(QStringLiteral(LUMIDEX_FFMPEG_PLUGIN)).plugin;
    return plugin;
}

// Every frame a decoder gives, interleaved.
Samples decodeAll(audio::Decoder& decoder) {
    const int channels = decoder.format().channels;
    Samples all;
    Samples block(4096 * size_t(channels));
    while (const int64_t n = decoder.read(block.data(), 4096))
        all.insert(all.end(), block.begin(), block.begin() + n * channels);
    return all;
}

// A plug-in folder for the BASS layer, restored to the program's own after.
class PluginFolder {
  public:
    PluginFolder() { audio::setBassPluginFolder(dir_.path()); }
    ~PluginFolder() { audio::setBassPluginFolder(QString()); }
    QString path(const QString& name) const { return dir_.filePath(name); }

  private:
    QTemporaryDir dir_;
};

class PluginStartup : public ::testing::Test {
  protected:
    void SetUp() override {
        audio::AudioSystem::instance().setOutputFactory(
            [] { return std::make_unique<audio::ManualOutput>(); });
    }
    void TearDown() override {
        engines.shutdown();
        audio::AudioSystem::instance().setOutputFactory({});
    }
    PluginFolder folder;
    AudioEngines engines;
    ScriptedDialogs ui;
};

// Whether the library at path is loaded in the process now.
bool isLoaded(const QString& path) {
    void* h = dlopen(QFile::encodeName(path).constData(), RTLD_NOW | RTLD_NOLOAD);
    if (h) dlclose(h);
    return h != nullptr;
}

TEST_F(PluginStartup, LoadsThePlugInsOfTheFolderAndSaysWhyTheOthersWereSkipped) {
    ASSERT_TRUE(QFile::copy(LUMIDEX_FFMPEG_PLUGIN, folder.path("a-ffmpeg.so")));
    ASSERT_TRUE(writeAll(folder.path("b-notes.so"), "these are my notes, not a library\n"));
    ASSERT_TRUE(QFile::copy(LUMIDEX_OTHER_ABI_PLUGIN, folder.path("c-other.so")));
    ASSERT_TRUE(QFile::copy(LUMIDEX_NO_ENTRY_PLUGIN, folder.path("d-none.so")));
    ASSERT_TRUE(QFile::link(folder.path("nowhere"), folder.path("e-gone.so")));
    ASSERT_TRUE(writeAll(folder.path("readme.txt"), "not even looked at"));
    ASSERT_TRUE(engines.startup(ui, {}));
    EXPECT_TRUE(ui.shown.empty());

    const auto loaded = audio::bassPlugins();
    ASSERT_EQ(loaded.size(), 1u);
    EXPECT_EQ(loaded[0].name, "ffmpeg");
    EXPECT_EQ(loaded[0].file, folder.path("a-ffmpeg.so"));
    for (const char* format : {"AAC (M4A, MP4, ADTS)", "Opus", "WMA", "WavPack", "TTA", "AC-3"})
        EXPECT_TRUE(loaded[0].formats.contains(format)) << format;

    const std::map<QString, QString> reasons = {
        {"b-notes.so", "not a loadable library"},
        {"c-other.so", "plug-in interface version 2; this program reads version 1"},
        {"d-none.so", "no lumidex_decoder_entry function: not a decoder plug-in"},
        {"e-gone.so", "the file cannot be read"}};
    const auto skipped = audio::bassPluginSkips();
    ASSERT_EQ(skipped.size(), reasons.size());
    for (const audio::BassPluginSkip& s : skipped) {
        const QString name = QFileInfo(s.file).fileName();
        EXPECT_TRUE(s.reason.startsWith(reasons.at(name)))
            << name.toStdString() << ": " << s.reason.toStdString();
    }
    // Once is enough; the same library again is refused.
    EXPECT_EQ(bassFailure(BASS_PluginLoad(folder.path("a-ffmpeg.so").utf16(), BASS_UNICODE)),
              BASS_ERROR_ALREADY);

    // An M4A opens through the plug-in, which the stream names.
    const HSTREAM h = streamOf(encoded("m4a"));
    ASSERT_NE(h, 0u);
    BASS_CHANNELINFO info{};
    ASSERT_TRUE(BASS_ChannelGetInfo(h, &info));
    EXPECT_EQ(info.plugin, loaded[0].handle);
    EXPECT_EQ(info.ctype, BASS_CTYPE_STREAM_PLUGIN);
    BASS_StreamFree(h);

    engines.shutdown();
    EXPECT_TRUE(audio::bassPlugins().empty());
    EXPECT_TRUE(audio::bassPluginSkips().empty());
    EXPECT_FALSE(isLoaded(folder.path("a-ffmpeg.so")));
}

TEST_F(PluginStartup, AFreedPlugInStaysLoadedUntilItsLastStreamIsFreed) {
    ASSERT_TRUE(QFile::copy(LUMIDEX_FFMPEG_PLUGIN, folder.path("ffmpeg.so")));
    const QString file = folder.path("ffmpeg.so");
    ASSERT_TRUE(engines.startup(ui, {}));
    const QByteArray& m4a = encoded("m4a");
    const HSTREAM h = streamOf(m4a);
    ASSERT_NE(h, 0u);

    ASSERT_TRUE(BASS_PluginFree(audio::bassPlugins().at(0).handle));
    EXPECT_TRUE(audio::bassPlugins().empty());
    EXPECT_EQ(bassFailure(streamOf(m4a)), BASS_ERROR_FILEFORM);  // no new stream goes through it
    EXPECT_EQ(bassFailure(BASS_PluginFree(0x7777)), BASS_ERROR_HANDLE);

    // The stream still plays, and its decoder still opens and seeks.
    EXPECT_TRUE(isLoaded(file));
    ASSERT_TRUE(BASS_ChannelSetPosition(h, 22000 * 4, BASS_POS_BYTE));
    ASSERT_TRUE(BASS_ChannelPlay(h, FALSE));
    ASSERT_NE(manualOutput(), nullptr);
    const std::vector<float> heard = left(manualOutput()->advance(100));
    // The click on frame 22050.
    EXPECT_EQ(std::max_element(heard.begin(), heard.end()) - heard.begin(), 50);

    ASSERT_TRUE(BASS_StreamFree(h));
    EXPECT_FALSE(isLoaded(file));
}

class FfmpegPlugin : public ManualAudio {
  protected:
    void SetUp() override {
        ManualAudio::SetUp();
        ASSERT_TRUE(QFile::copy(LUMIDEX_FFMPEG_PLUGIN, folder.path("ffmpeg.so")));
        plugin = BASS_PluginLoad(folder.path("ffmpeg.so").utf16(), BASS_UNICODE);
        ASSERT_NE(plugin, 0u);
    }
    void TearDown() override {
        BASS_PluginFree(0);
        ManualAudio::TearDown();
    }
    PluginFolder folder;
    HPLUGIN plugin = 0;
};

int64_t framesAt(int rate) {
    return int64_t(kClickFrames) * rate / kClickRate;
}

TEST_F(FfmpegPlugin, EveryFormatOpensThroughTheFirstDecoder) {
    for (const Encoding& e : encodings()) {
        SCOPED_TRACE(e.ext);
        const QByteArray& bytes = encoded(e.ext);
        ASSERT_FALSE(bytes.isEmpty());
        const HSTREAM h = streamOf(bytes);
        ASSERT_NE(h, 0u) << BASS_ErrorGetCode();
        BASS_CHANNELINFO info{};
        ASSERT_TRUE(BASS_ChannelGetInfo(h, &info));
        EXPECT_EQ(info.freq, DWORD(e.rate));
        EXPECT_EQ(info.chans, 2u);
        // Opus is libsndfile's; the others come through the plug-in.
        EXPECT_EQ(info.plugin, QLatin1String(e.ext) == "opus" ? 0u : plugin);
        const double seconds =
            BASS_ChannelBytes2Seconds(h, BASS_ChannelGetLength(h, BASS_POS_BYTE));
        EXPECT_NEAR(seconds, 3.0, 0.05);
        BASS_StreamFree(h);
    }
}

TEST_F(FfmpegPlugin, ClicksDecodeOnTheirFramesFromTheStartAndAfterSeeks) {
    auto ffmpeg = ffmpegPlugin();
    ASSERT_NE(ffmpeg, nullptr);
    for (const Encoding& e : encodings()) {
        SCOPED_TRACE(e.ext);
        const QByteArray& bytes = encoded(e.ext);
        auto decoder = ffmpeg->open(view(bytes));
        ASSERT_NE(decoder, nullptr);
        const Samples all = decodeAll(*decoder);
        const int64_t frames = int64_t(all.size()) / 2;
        // Priming and padding removed: the length of the source, where the
        // container states it to the frame.
        if (e.shift == 0) {
            EXPECT_EQ(frames, framesAt(e.rate));
            EXPECT_EQ(decoder->format().frames, frames);
        }
        // Each click is the loudest left sample within 2000 frames of its place.
        for (int click : kClicks) {
            const int64_t at = std::llround(double(click) * e.rate / kClickRate) + e.shift;
            int64_t best = -1;
            for (int64_t f = std::max<int64_t>(0, at - 2000); f < std::min(frames, at + 2000); ++f)
                if (best < 0 || std::fabs(all[2 * f]) > std::fabs(all[2 * best])) best = f;
            EXPECT_EQ(best, at) << "click " << click;
        }

        // Seeks anywhere, back and forth, read what reading from the start read.
        for (int64_t to : {int64_t(50000), int64_t(1), int64_t(22049), int64_t(130000), int64_t(0),
                           int64_t(99999), int64_t(20000), frames - 700}) {
            ASSERT_TRUE(decoder->seek(to)) << to;
            Samples got(2 * 1024);
            const int64_t n = decoder->read(got.data(), 1024);
            ASSERT_EQ(n, std::min<int64_t>(1024, frames - to)) << to;
            float worst = 0;
            for (int64_t i = 0; i < 2 * n; ++i)
                worst = std::max(worst, std::fabs(got[size_t(i)] - all[size_t(2 * to + i)]));
            EXPECT_LE(worst, e.within) << "after a seek to " << to;
        }
        EXPECT_TRUE(decoder->seek(frames));
        Samples none(2);
        EXPECT_EQ(decoder->read(none.data(), 1), 0);
    }
}

// A WavPack file whose header claims 27 hours for its 3 seconds.
QByteArray claimingHours() {
    QByteArray wv = encoded("wv");
    if (wv.size() > 16) {
        const uint32_t total = 0xF0000000u / 2;
        for (int i = 0; i < 4; ++i) wv[12 + i] = char((total >> (8 * i)) & 0xFF);
    }
    return wv;
}

TEST_F(FfmpegPlugin, DamagedAndHostileFilesAreRefusedOrEndWithTheirData) {
    const QByteArray& m4a = encoded("m4a");
    QByteArray scrambled = m4a;
    for (int i = scrambled.size() / 3; i < scrambled.size() * 2 / 3; i += 7) scrambled[i] = char(i);
    const struct {
        const char* what;
        QByteArray bytes;
    } refused[] = {
        {"garbage", QByteArray(5000, '\x5a')},
        {"text", "ftyp M4A, honestly"},
        {"truncated M4A", m4a.left(m4a.size() / 2)},
        {"M4A header only", m4a.left(64)},
        {"an image", QByteArray("\x89PNG\r\n\x1a\n", 8) + QByteArray(2000, '\0')},
    };
    for (const auto& r : refused)
        EXPECT_EQ(bassFailure(streamOf(r.bytes)), BASS_ERROR_FILEFORM) << r.what;

    auto ffmpeg = ffmpegPlugin();
    for (const QByteArray& bytes : {scrambled, claimingHours()}) {
        QElapsedTimer timer;
        timer.start();
        auto decoder = ffmpeg->open(view(bytes));
        ASSERT_NE(decoder, nullptr);
        // Decoding stops with the data, whatever the header says.
        EXPECT_LE(int64_t(decodeAll(*decoder).size()) / 2, framesAt(44100) + 4096);
        const int64_t claimed = decoder->format().frames;
        if (claimed > int64_t(3600) * 44100) {
            EXPECT_FALSE(decoder->seek(claimed / 2));
            EXPECT_FALSE(decoder->seek(claimed - 1));
        }
        EXPECT_LT(timer.elapsed(), 5000);
    }
}

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

TEST(RenderWithPlugin, KeySoundsLandAsWithTheWavAndAMovedInstalledTreeFindsThePlugIn) {
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

    // The program and plug-in moved into an installed tree: sounds finds the
    // plug-in below lib/ and lists it.
    const QString plugins = dir.filePath("moved/lib/lumidex/plugins");
    const QString program = dir.filePath("moved/bin/lumidex-chart");
    ASSERT_TRUE(QDir().mkpath(plugins) && QDir().mkpath(dir.filePath("moved/bin")));
    ASSERT_TRUE(QFile::copy(LUMIDEX_CHART_TOOL, program));
    ASSERT_TRUE(QFile::copy(LUMIDEX_FFMPEG_PLUGIN, plugins + "/ffmpeg.so"));
    const ToolRun r =
        runTool({"sounds", dir.filePath("songs/s/song.m4a.xml"), "--decoder", "bass"}, {}, program);
    EXPECT_EQ(r.exitCode, 0) << r.out.toStdString();
    EXPECT_TRUE(r.out.startsWith("BASS plug-ins in " + QDir(plugins).canonicalPath() +
                                 ":\n  ffmpeg 1.0 (ffmpeg.so): AAC (M4A, MP4, ADTS), "))
        << r.out.toStdString();
    EXPECT_TRUE(r.out.contains("pvx_music/song.m4a\n  bass: 2.000 s, 2 ch, 44100 Hz\n"))
        << r.out.toStdString();
}

}  // namespace
}  // namespace lumidex::test
