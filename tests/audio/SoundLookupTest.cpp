// Where both players find a sound: the loose file first, then the PAK archive
// named after the first folder of the name; and the message shown for each
// engine's codes when a sound cannot be opened.

#include <gtest/gtest.h>

#include "AudioErrors.h"
#include "AudioTestSupport.h"
#include "CBass.h"
#include "CMSS.h"
#include "DShowTypes.h"
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
};

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
