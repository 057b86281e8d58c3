// Where both players find a sound: the loose file first, then the PAK archive
// named after the first folder of the name.

#include <gtest/gtest.h>

#include "AudioTestSupport.h"
#include "CBass.h"
#include "CMSS.h"
#include "SoundFile.h"
#include "Vornix.h"

namespace lumidex::test {
namespace {

class SoundLookup : public ManualAudio {
  protected:
    void TearDown() override {
        vornix::closePakCache();
        ManualAudio::TearDown();
    }
    // LoadFile results of both players: {CBass, CMSS}.
    std::pair<int, int> load(const QString& fn, QString* mode = nullptr) {
        CBass bass;
        CMSS miles;
        const int b = bass.LoadFile(musicDir, fn);
        if (mode) *mode = bass.Mode();
        return {b, miles.LoadFile(musicDir, fn)};
    }
};

TEST_F(SoundLookup, ArchiveNamedAfterTheFirstFolderHoldsTheWholeName) {
    ASSERT_TRUE(writeZip(musicDir + "song.pak",
                         {{"song/song.wav", wav16(441, 1)}, {"song/deeper/k.wav", wav16(441, 2)}}));
    QString mode;
    EXPECT_EQ(load("song/song.wav", &mode), std::make_pair(0, 0));
    EXPECT_EQ(mode, "Mono");
    EXPECT_EQ(load("song/deeper/k.wav"), std::make_pair(0, 0));
    EXPECT_EQ(load("song/other.wav"), std::make_pair(2, 3));
    EXPECT_EQ(load("else/song.wav"), std::make_pair(2, 3));  // else.pak does not exist

    const SoundLocation where = locateSound(musicDir, "song/song.wav");
    EXPECT_EQ(where.kind, SoundLocation::PakEntry);
    EXPECT_EQ(where.path, musicDir + "song.pak");
    EXPECT_EQ(where.entry, "song/song.wav");
}

TEST_F(SoundLookup, LooseFileWins) {
    ASSERT_TRUE(writeZip(musicDir + "song.pak", {{"song/song.wav", wav16(441, 1)}}));
    ASSERT_TRUE(writeAll(musicDir + "song/song.wav", wav16(441, 2)));
    QString mode;
    EXPECT_EQ(load("song/song.wav", &mode), std::make_pair(0, 0));
    EXPECT_EQ(mode, "Stereo");
    EXPECT_EQ(locateSound(musicDir, "song/song.wav").kind, SoundLocation::Loose);
}

TEST_F(SoundLookup, LeadingSlashNamesTheArchiveAfterNothing) {
    ASSERT_TRUE(writeZip(musicDir + ".pak", {{"/x.mp3", mp3(4410)}}));
    EXPECT_EQ(load("/x.mp3"), std::make_pair(0, 0));
    EXPECT_EQ(locateSound(musicDir, "/x.mp3").path, musicDir + ".pak");
}

TEST_F(SoundLookup, NameWithoutSlashTriesNoArchive) {
    ASSERT_TRUE(writeZip(musicDir + "x.wav.pak", {{"x.wav", wav16(441)}}));
    ASSERT_TRUE(writeZip(musicDir + ".pak", {{"x.wav", wav16(441)}}));
    EXPECT_EQ(load("x.wav"), std::make_pair(2, 3));
    EXPECT_EQ(locateSound(musicDir, "x.wav").kind, SoundLocation::Missing);
}

TEST_F(SoundLookup, EmptyEntryCountsAsMissing) {
    ASSERT_TRUE(writeZip(musicDir + "song.pak", {{"song/empty.wav", QByteArray()}}));
    EXPECT_EQ(load("song/empty.wav"), std::make_pair(2, 3));
    EXPECT_EQ(locateSound(musicDir, "song/empty.wav").kind, SoundLocation::Missing);
}

TEST_F(SoundLookup, EachPlayerRefusesWhatItCannotDecode) {
    ASSERT_TRUE(
        writeZip(musicDir + "song.pak", {{"song/k.ogg", ogg(4410)}, {"song/k.txt", "hello"}}));
    EXPECT_EQ(load("song/k.ogg"), std::make_pair(0, 5));
    EXPECT_EQ(load("song/k.txt"), std::make_pair(41, 5));
}

}  // namespace
}  // namespace lumidex::test
