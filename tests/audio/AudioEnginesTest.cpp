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

class Engines : public ::testing::Test {
  protected:
    void TearDown() override {
        engines.shutdown();
        audio::AudioSystem::instance().setOutputFactory({});
    }
    std::function<void(int)> disable() {
        return [this](int index) { disabled.push_back(index); };
    }
    AudioEngines engines;
    ScriptedDialogs ui;
    std::vector<int> disabled;
};

TEST_F(Engines, WithoutASoundCardBothEnginesSayItAndTheEditorGoesOn) {
    audio::AudioSystem::instance().setOutputFactory([] { return std::make_unique<NoSoundCard>(); });
    ASSERT_TRUE(engines.startup(ui, disable()));
    ASSERT_EQ(ui.shown.size(), 2u);
    EXPECT_EQ(
        ui.shown[0].text,
        "Error while initialising audio device, you may not be able to play with BASS module!");
    EXPECT_EQ(
        ui.shown[1].text,
        "Error while initialising audio device, you may not be able to play with Miles module!");
    for (const auto& box : ui.shown) {
        EXPECT_EQ(box.icon, MsgIcon::Critical);
        EXPECT_EQ(box.buttons, MsgButtons::Ok);
        EXPECT_TRUE(box.title.isEmpty());
    }
    EXPECT_EQ(disabled, (std::vector<int>{0, 1}));
    EXPECT_FALSE(engines.bassReady());
    EXPECT_FALSE(engines.milesReady());
    EXPECT_EQ(engines.milesDigital(), nullptr);

    // Players then report the missing hardware instead of crashing.
    QTemporaryDir dir;
    ASSERT_TRUE(writeAll(dir.path() + "/k.wav", wav16(441)));
    CBass bass;
    CMSS miles;
    EXPECT_EQ(bass.LoadFile(dir.path() + "/", "k.wav"), BASS_ERROR_INIT);
    EXPECT_EQ(miles.LoadFile(dir.path() + "/", "k.wav"), 5);
    engines.shutdown();
    engines.shutdown();
}

TEST_F(Engines, NullDeviceStartsSilently) {
    ASSERT_EQ(qgetenv("LUMIDEX_AUDIO"), "null");
    ASSERT_TRUE(engines.startup(ui, disable()));
    EXPECT_TRUE(ui.shown.empty());
    EXPECT_TRUE(disabled.empty());
    EXPECT_TRUE(engines.bassReady());
    EXPECT_TRUE(engines.milesReady());
    EXPECT_NE(engines.milesDigital(), nullptr);

    QTemporaryDir dir;
    ASSERT_TRUE(writeAll(dir.path() + "/k.wav", wav16(441)));
    PlayerSlots players;
    ASSERT_EQ(players.bass(0).LoadFile(dir.path() + "/", "k.wav"), 0);
    ASSERT_EQ(players.miles(2000).LoadFile(dir.path() + "/", "k.wav"), 0);
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
