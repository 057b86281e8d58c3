// What the status bar is told when the music is not there: the full path
// "&Open" looked at, and that "&Play" needs the music opened first.

#include "MusicHints.h"
#include "PlayTestSupport.h"

namespace lumidex::test {
namespace {

using MusicHints = PlayFixture;

TEST_F(MusicHints, OpenNamesTheFullPathAndPlayAsksForTheMusicFirst) {
    EXPECT_EQ(musicLookedAt("/songs/abc/../../pvx_music/", "mr.mp3"),
              "Looked for the music at /pvx_music/mr.mp3");
    EXPECT_EQ(musicLookedAt("/songs/abc/music", "/drums/mr.mp3"),
              "Looked for the music at /songs/abc/music/drums/mr.mp3");

    ASSERT_TRUE(writeAll(musicDir + "music.wav", wav16(4410)));
    for (int decoder : {kDecoderBass, kDecoderMiles, kDecoderDShow}) {
        SCOPED_TRACE(decoder);
        bank.setDecoder(decoder);
        EXPECT_EQ(playRefusal(bank), kOpenMusicFirst);
        ScriptedDialogs ui;
        ASSERT_TRUE(bank.openMusic(doc, musicDir, ui));
        EXPECT_EQ(playRefusal(bank), QString());
        bank.closeMusic();
        EXPECT_EQ(playRefusal(bank), kOpenMusicFirst);
    }
}

}  // namespace
}  // namespace lumidex::test
