// Start-up and shutdown of both engines, with an output that cannot open (no
// sound card) and with the null device.

#include <gtest/gtest.h>

#include "AudioEngines.h"
#include "AudioSystem.h"
#include "AudioTestSupport.h"
#include "Bass.h"
#include "CBass.h"
#include "CMSS.h"
#include "PlayerSlots.h"
#include "RuntimeError.h"
#include "ScriptedDialogs.h"

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

}  // namespace
}  // namespace lumidex::test
