// Start-up loads the decoder plug-ins from the plug-in folder, skipping every
// library that is not a plug-in of this interface with its reason; shutdown
// frees them, and a freed plug-in stays loaded while a stream decodes
// through it.

#include <QFile>

#include <dlfcn.h>

#include "AudioEngines.h"
#include "AudioSystem.h"
#include "Bass.h"
#include "PluginTestSupport.h"
#include "ScriptedDialogs.h"

namespace lumidex::test {
namespace {

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
    HSTREAM stream(const QByteArray& bytes) {
        return BASS_StreamCreateFile(TRUE, bytes.constData(), 0, QWORD(bytes.size()), 0);
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
    auto* output = dynamic_cast<audio::ManualOutput*>(audio::AudioSystem::instance().output());
    ASSERT_NE(output, nullptr);
    const std::vector<float> heard = left(output->advance(100));
    // The click on frame 22050.
    EXPECT_EQ(std::max_element(heard.begin(), heard.end()) - heard.begin(), 50);

    ASSERT_TRUE(BASS_StreamFree(h));
    EXPECT_FALSE(isLoaded(file));
}

}  // namespace
}  // namespace lumidex::test
