// Opening the music and key sounds with each decoder, the messages shown when
// that fails, and the status bar's hints: the full path "&Open" looked at, and
// that "&Play" needs the music opened first.

#include "MusicHints.h"
#include "PlayTestSupport.h"

namespace lumidex::test {
namespace {

class SoundBankTest : public PlayFixture {
  protected:
    // What opening the music shows with the decoder.
    QStringList openMusic(int decoder, const QString& snd) {
        doc.keySound(0).Snd = snd;
        bank.setDecoder(decoder);
        ScriptedDialogs ui;
        const bool opened = bank.openMusic(doc, musicDir, ui);
        EXPECT_EQ(opened, ui.messages().isEmpty());
        return ui.messages();
    }
};

TEST_F(SoundBankTest, MusicThatCannotBeOpenedShowsItsErrorNumber) {
    ASSERT_TRUE(writeAll(musicDir + "noise.wav", QByteArray(4000, 'x')));
    ASSERT_TRUE(writeAll(musicDir + "song.ogg", ogg(4410)));
    ASSERT_TRUE(writeAll(musicDir + "song.wav", wav16(4410)));
    const struct {
        int decoder;
        const char* snd;
        const char* shown;  // after "File open error!\nError code "
    } cases[] = {
        {kDecoderBass, "missing.mp3", "0xBA550002: File not found"},
        {kDecoderBass, "noise.wav", "0xBA550029: Unsupported format"},
        {kDecoderMiles, "missing.mp3", "0xA1100003: File not found"},
        {kDecoderMiles, "song.ogg", "0xA1100005: Unsupported format"},
        {kDecoderDShow, "missing.mp3", "0x80040216: File not found"},
        {kDecoderBass, "song.wav", nullptr},
        {kDecoderMiles, "song.wav", nullptr},
        {kDecoderDShow, "song.wav", nullptr},
    };
    for (const auto& c : cases) {
        const QStringList shown = openMusic(c.decoder, QString::fromUtf8(c.snd));
        const QStringList want =
            c.shown ? QStringList{QStringLiteral("File open error!\nError code ") + c.shown}
                    : QStringList{};
        EXPECT_EQ(shown, want) << c.decoder << " " << c.snd;
        bank.closeMusic();
    }
}

TEST_F(SoundBankTest, KeysThatFailAreNamedInOneMessageAndTheOthersLoad) {
    ASSERT_TRUE(writeAll(musicDir + "noise.wav", QByteArray(4000, 'x')));
    doc.keySound(2).Snd = QStringLiteral("missing.wav");
    doc.keySound(5).Snd = QStringLiteral("noise.wav");
    for (int decoder : {kDecoderBass, kDecoderMiles, kDecoderDShow}) {
        bank.setDecoder(decoder);
        ScriptedDialogs ui;
        bank.openKeys(doc, musicDir, ui);
        EXPECT_EQ(ui.messages(), QStringList{QStringLiteral(
                                     "These KEY mp3s cannot be opened:\nmissing.wav\nnoise.wav\n")})
            << decoder;
        const bool mixer = decoder != kDecoderDShow;
        EXPECT_EQ(bank.key(1).loaded(), mixer);
        EXPECT_EQ(bank.keyGraph(1) != nullptr, !mixer);
        EXPECT_FALSE(bank.key(2).loaded());
        // Closing leaves none of this chart's keys, though the next has none.
        doc.KeyCount = 0;
        bank.closeKeys();
        for (int k = 1; k <= kKeys; ++k)
            EXPECT_TRUE(!bank.key(k).loaded() && !bank.keyGraph(k)) << k;
        bank.openKeys(doc, musicDir, ui);
        EXPECT_EQ(ui.messages().size(), 1);  // no keys, no second message
        doc.KeyCount = kKeys;
    }
}

TEST_F(SoundBankTest, DirectShowVolumes) {
    const std::pair<double, int32_t> cases[] = {{1, 0},
                                                {0.5, -693},
                                                {0.8, -223},
                                                {0, kVolumeSilent},
                                                {-1, kVolumeSilent},
                                                {1e-9, kVolumeSilent},
                                                {2, 0}};
    for (const auto& [v, volume] : cases) EXPECT_EQ(graphVolume(v), volume) << v;
}

TEST_F(SoundBankTest, OpenNamesTheFullPathAndPlayAsksForTheMusicFirst) {
    EXPECT_EQ(musicLookedAt("/songs/abc/../../pvx_music/", "mr.mp3"),
              "Looked for the music at /pvx_music/mr.mp3");
    ASSERT_TRUE(writeAll(musicDir + "music.wav", wav16(4410)));
    EXPECT_EQ(playRefusal(bank), kOpenMusicFirst);
    ScriptedDialogs ui;
    ASSERT_TRUE(bank.openMusic(doc, musicDir, ui));
    EXPECT_EQ(playRefusal(bank), QString());
}

}  // namespace
}  // namespace lumidex::test
