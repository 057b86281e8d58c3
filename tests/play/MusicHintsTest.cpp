// The status bar's hints: the full path "&Open" looked at, and that "&Play"
// needs the music opened first.

#include "MusicHints.h"
#include "PlayTestSupport.h"

namespace lumidex::test {
namespace {

using MusicHints = PlayFixture;

TEST_F(MusicHints, OpenNamesTheFullPathAndPlayAsksForTheMusicFirst) {
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
