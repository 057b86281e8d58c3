// Start-up loads the decoder plug-ins from the plug-in folder, skipping every
// library that is not a plug-in of this interface with its reason; shutdown
// frees them, and a freed plug-in stays loaded while a stream decodes
// through it. The FFmpeg plug-in: every format the ffmpeg program writes
// opens through the first decoder; clicks decode on their frames, from the
// start and after seeks; damaged and hostile files are refused or end early.

#include <QElapsedTimer>
#include <QFile>

#include <dlfcn.h>

#include "AudioEngines.h"
#include "AudioSystem.h"
#include "Bass.h"
#include "PluginTestSupport.h"
#include "ScriptedDialogs.h"

namespace lumidex::test {
namespace {

// A BASS stream of a file image in memory.
HSTREAM stream(const QByteArray& bytes) {
    return BASS_StreamCreateFile(TRUE, bytes.constData(), 0, QWORD(bytes.size()), 0);
}

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
    ASSERT_TRUE(folder.copy(LUMIDEX_FFMPEG_PLUGIN, "a-ffmpeg.so"));
    ASSERT_TRUE(folder.write("b-notes.so", "these are my notes, not a library\n"));
    ASSERT_TRUE(folder.copy(LUMIDEX_OTHER_ABI_PLUGIN, "c-other.so"));
    ASSERT_TRUE(folder.copy(LUMIDEX_NO_ENTRY_PLUGIN, "d-none.so"));
    ASSERT_TRUE(QFile::link(folder.path("nowhere"), folder.path("e-gone.so")));
    ASSERT_TRUE(folder.write("readme.txt", "not even looked at"));
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
    EXPECT_EQ(BASS_PluginLoad(folder.path("a-ffmpeg.so").utf16(), BASS_UNICODE), 0u);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_ALREADY);

    // An M4A opens through the plug-in, which the stream names.
    const HSTREAM h = stream(encoded("m4a"));
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
    ASSERT_TRUE(folder.copy(LUMIDEX_FFMPEG_PLUGIN, "ffmpeg.so"));
    const QString file = folder.path("ffmpeg.so");
    ASSERT_TRUE(engines.startup(ui, {}));
    const QByteArray& m4a = encoded("m4a");
    const HSTREAM h = stream(m4a);
    ASSERT_NE(h, 0u);

    ASSERT_TRUE(BASS_PluginFree(audio::bassPlugins().at(0).handle));
    EXPECT_TRUE(audio::bassPlugins().empty());
    EXPECT_EQ(stream(m4a), 0u);  // no new stream goes through it
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_FILEFORM);
    EXPECT_FALSE(BASS_PluginFree(0x7777));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_HANDLE);

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
        ASSERT_TRUE(folder.copy(LUMIDEX_FFMPEG_PLUGIN, "ffmpeg.so"));
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
        const HSTREAM h = stream(bytes);
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
        std::vector<int> expected;
        for (int click : kClicks)
            expected.push_back(int(std::llround(double(click) * e.rate / kClickRate)) + e.shift);
        EXPECT_EQ(clickFrames(all, 2, e.rate, e.shift), expected);

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
    for (const auto& r : refused) {
        EXPECT_EQ(stream(r.bytes), 0u) << r.what;
        EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_FILEFORM) << r.what;
    }

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

}  // namespace
}  // namespace lumidex::test
