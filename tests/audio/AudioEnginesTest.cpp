// Start-up and shutdown of both engines, with an output that cannot open (no
// sound card) and with the null device. Where both players find a sound: the
// loose file first, then the PAK archive named after the first folder of the
// name; and the message shown for each engine's codes when a sound cannot be
// opened.

#include <gtest/gtest.h>

#include "AudioEngines.h"
#include "AudioErrors.h"
#include "AudioSystem.h"
#include "AudioTestSupport.h"
#include "Bass.h"
#include "CBass.h"
#include "CMSS.h"
#include "DShowTypes.h"
#include "PlayerSlots.h"
#include "RuntimeError.h"
#include "ScriptedDialogs.h"
#include "SoundFile.h"

namespace lumidex::test {
namespace {

// An output whose device never opens.
class NoSoundCard : public audio::AudioOutput {
  public:
    bool start(audio::Mixer&) override { return false; }
    void stop() override {}
    int latencyFrames() const override { return 0; }
};

// Both engines, and a key sound in dir for the players to load.
class Engines : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(writeAll(musicDir + "k.wav", wav16(441))); }
    void TearDown() override {
        engines.shutdown();
        audio::AudioSystem::instance().setOutputFactory({});
    }
    std::function<void(int)> disable() {
        return [this](int index) { disabled.push_back(index); };
    }
    QTemporaryDir dir;
    const QString musicDir = dir.path() + "/";
    AudioEngines engines;
    ScriptedDialogs ui;
    std::vector<int> disabled;
};

TEST_F(Engines, WithoutASoundCardBothEnginesSayItAndTheEditorGoesOn) {
    audio::AudioSystem::instance().setOutputFactory([] { return std::make_unique<NoSoundCard>(); });
    ASSERT_TRUE(engines.startup(ui, disable()));
    ASSERT_EQ(ui.shown.size(), 2u);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(ui.shown[i].text, QStringLiteral("Error while initialising audio device, you "
                                                   "may not be able to play with %1 module!")
                                        .arg(i == 0 ? "BASS" : "Miles"));
        EXPECT_EQ(ui.shown[i].icon, MsgIcon::Critical);
        EXPECT_EQ(ui.shown[i].buttons, MsgButtons::Ok);
        EXPECT_TRUE(ui.shown[i].title.isEmpty());
    }
    EXPECT_EQ(disabled, (std::vector<int>{0, 1}));
    EXPECT_FALSE(engines.bassReady());
    EXPECT_FALSE(engines.milesReady());
    EXPECT_EQ(engines.milesDigital(), nullptr);

    // Players then report the missing hardware instead of crashing.
    CBass bass;
    CMSS miles;
    EXPECT_EQ(bass.LoadFile(musicDir, "k.wav"), BASS_ERROR_INIT);
    EXPECT_EQ(miles.LoadFile(musicDir, "k.wav"), 5);
}

TEST_F(Engines, NullDeviceStartsSilently) {
    ASSERT_EQ(qgetenv("LUMIDEX_AUDIO"), "null");
    ASSERT_TRUE(engines.startup(ui, disable()));
    EXPECT_TRUE(ui.shown.empty());
    EXPECT_TRUE(disabled.empty());
    EXPECT_TRUE(engines.bassReady());
    EXPECT_TRUE(engines.milesReady());
    EXPECT_NE(engines.milesDigital(), nullptr);

    PlayerSlots players;
    ASSERT_EQ(players.bass(0).LoadFile(musicDir, "k.wav"), 0);
    ASSERT_EQ(players.miles(2000).LoadFile(musicDir, "k.wav"), 0);
    players.bass(0).Play();
    EXPECT_TRUE(players.bass(0).Active());
    EXPECT_EQ(players.existingBass(1), nullptr);
    EXPECT_THROW(players.bass(2001), RuntimeError);
    EXPECT_EQ(players.existingMiles(-1), nullptr);

    players.releaseAll();
    EXPECT_EQ(players.bass(0).Handle(), 0u);
    EXPECT_EQ(players.miles(2000).Handle(), 0u);
    engines.shutdown();
    engines.shutdown();
    EXPECT_FALSE(engines.bassReady());
    // A second start-up after shutdown works again.
    ASSERT_TRUE(engines.startup(ui, disable()));
    EXPECT_TRUE(ui.shown.empty());
}

using SoundLookup = ManualAudio;

// One music folder holds every case: song.pak, a loose song/both.wav that
// song.pak holds too, ".pak" (named after nothing) and x.wav.pak.
TEST_F(SoundLookup, LooseFileFirstThenTheArchiveNamedAfterTheFirstFolder) {
    ASSERT_TRUE(writeZip(musicDir + "song.pak", {{"song/song.wav", wav16(441, 1)},
                                                 {"song/deeper/k.wav", wav16(441, 2)},
                                                 {"song/both.wav", wav16(441, 1)},
                                                 {"song/empty.wav", QByteArray()},
                                                 {"song/k.ogg", ogg(4410)},
                                                 {"song/k.txt", "hello"}}));
    ASSERT_TRUE(writeAll(musicDir + "song/both.wav", wav16(441, 2)));
    ASSERT_TRUE(writeZip(musicDir + ".pak", {{"/x.mp3", mp3(4410)}, {"x.wav", wav16(441)}}));
    ASSERT_TRUE(writeZip(musicDir + "x.wav.pak", {{"x.wav", wav16(441)}}));

    struct Case {
        const char* fn;
        int bass, miles;  // LoadFile results
        SoundLocation::Kind kind;
        const char* pak;   // the archive, for an entry
        const char* mode;  // CBass's, when it loads
    };
    using L = SoundLocation;
    const Case cases[] = {
        {"song/song.wav", 0, 0, L::PakEntry, "song.pak", "Mono"},
        {"song/deeper/k.wav", 0, 0, L::PakEntry, "song.pak", "Stereo"},
        {"song/both.wav", 0, 0, L::Loose, "", "Stereo"},  // the loose file wins
        {"song/other.wav", 2, 3, L::Missing, "", ""},
        {"else/song.wav", 2, 3, L::Missing, "", ""},  // else.pak does not exist
        {"/x.mp3", 0, 0, L::PakEntry, ".pak", "Stereo"},
        {"x.wav", 2, 3, L::Missing, "", ""},  // a name without a slash tries no archive
        {"song/empty.wav", 2, 3, L::Missing, "", ""},
        // Each player refuses what it cannot decode.
        {"song/k.ogg", 0, 5, L::PakEntry, "song.pak", "Stereo"},
        {"song/k.txt", 41, 5, L::PakEntry, "song.pak", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fn);
        CBass bass;
        CMSS miles;
        EXPECT_EQ(bass.LoadFile(musicDir, c.fn), c.bass);
        EXPECT_EQ(miles.LoadFile(musicDir, c.fn), c.miles);
        if (*c.mode) {
            EXPECT_EQ(bass.Mode(), c.mode);  // which file was loaded
        }
        const SoundLocation where = locateSound(musicDir, c.fn);
        EXPECT_EQ(where.kind, c.kind);
        if (c.kind == L::PakEntry) {
            EXPECT_EQ(where.path, musicDir + c.pak);
            EXPECT_EQ(where.entry, c.fn);
        }
    }
}

// The sound bank and sounds report tests show the rest: BASS's and
// DirectShow's file not found, Miles's file not found and unsupported format.
TEST(AudioErrors, NumbersShowAsTheEditorShowsThem) {
    const std::pair<int32_t, const char*> cases[] = {
        {bassErrorNumber(-1), "0xBA54FFFF: Unknown error"},
        {bassErrorNumber(8), "0xBA550008: Audio hardware not found"},
        {bassErrorNumber(41), "0xBA550029: Unsupported format"},
        {bassErrorNumber(3), "0xBA550003: "},
        {milesErrorNumber(2), "0xA1100002: "},
        {E_ACCESSDENIED, "0x80070005: "},
        // A run-time error carried as a result code shows as its own number.
        {hresult(0x800A0035u), "53: File not found"},
        {53, "53: File not found"}};
    for (const auto& [code, text] : cases)
        EXPECT_EQ(fileOpenErrorText(code), QStringLiteral("File open error!\nError code ") + text);
}

}  // namespace
}  // namespace lumidex::test
