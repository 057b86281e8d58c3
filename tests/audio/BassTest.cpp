// The BASS layer and CBass on a manual output.

#include <gtest/gtest.h>

#include "AudioTestSupport.h"
#include "Bass.h"
#include "CBass.h"
#include "RuntimeError.h"

namespace lumidex::test {
namespace {

using BassLayer = ManualAudio;
using CBassPlayer = ManualAudio;

TEST_F(BassLayer, AcceptsEveryFormatItDecodes) {
    struct Case {
        int format, rate, channels;
        DWORD ctype;
    };
    const Case cases[] = {
        {SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100, 2, BASS_CTYPE_STREAM_WAV_PCM},
        {SF_FORMAT_WAV | SF_FORMAT_PCM_U8, 22050, 1, BASS_CTYPE_STREAM_WAV_PCM},
        {SF_FORMAT_WAV | SF_FORMAT_FLOAT, 44100, 2, BASS_CTYPE_STREAM_WAV_FLOAT},
        {SF_FORMAT_AIFF | SF_FORMAT_PCM_24, 48000, 2, BASS_CTYPE_STREAM_AIFF},
        {SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 44100, 1, BASS_CTYPE_STREAM_FLAC},
        {SF_FORMAT_OGG | SF_FORMAT_VORBIS, 44100, 2, BASS_CTYPE_STREAM_OGG},
        {SF_FORMAT_OGG | SF_FORMAT_OPUS, 48000, 2, BASS_CTYPE_STREAM_OPUS},
        {SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III, 44100, 2, BASS_CTYPE_STREAM_MP3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.ctype);
        const QByteArray bytes = tone(c.format, 9000, c.channels, c.rate);
        ASSERT_FALSE(bytes.isEmpty());
        const HSTREAM h = streamOf(bytes);
        ASSERT_NE(h, 0u) << BASS_ErrorGetCode();
        BASS_CHANNELINFO info{};
        ASSERT_TRUE(BASS_ChannelGetInfo(h, &info));
        EXPECT_EQ(info.freq, DWORD(c.rate));
        EXPECT_EQ(info.chans, DWORD(c.channels));
        EXPECT_EQ(info.ctype, c.ctype);
        EXPECT_EQ(info.flags, 0u);  // always 16-bit positions
        EXPECT_EQ(BASS_ChannelGetLength(h, BASS_POS_BYTE), QWORD(9000 * c.channels * 2));
        // It decodes to the end and stops.
        ASSERT_TRUE(BASS_ChannelPlay(h, FALSE));
        bool heard = false;
        for (int i = 0; i < 20 && BASS_ChannelIsActive(h); ++i)
            heard |= firstSound(advance(1024)) != -1;
        EXPECT_EQ(BASS_ChannelIsActive(h), BASS_ACTIVE_STOPPED);
        EXPECT_TRUE(heard);
        EXPECT_TRUE(BASS_StreamFree(h));
    }
}

TEST_F(BassLayer, RefusesWhatItDoesNotDecodeWithError41) {
    const QByteArray au = tone(SF_FORMAT_AU | SF_FORMAT_PCM_16, 1000, 1);
    ASSERT_FALSE(au.isEmpty());  // libsndfile reads it, BASS does not
    const QByteArray text("This is not a sound file at all, just some words.");
    for (const QByteArray& bytes : {au, text}) {
        EXPECT_EQ(bassFailure(streamOf(bytes)), BASS_ERROR_FILEFORM);
    }
    EXPECT_EQ(bassFailure(BASS_StreamCreateFile(TRUE, text.constData(), 0, 0, BASS_UNICODE)),
              BASS_ERROR_FILEFORM);
}

TEST_F(BassLayer, ReportsHandleAndInitialisationErrors) {
    EXPECT_EQ(bassFailure(BASS_Init(-1, 44100, 0, nullptr, nullptr)), BASS_ERROR_ALREADY);
    EXPECT_EQ(bassFailure(BASS_StreamFree(0)), BASS_ERROR_HANDLE);
    EXPECT_EQ(BASS_ChannelIsActive(0x7777), BASS_ACTIVE_STOPPED);
    EXPECT_EQ(BASS_ChannelGetPosition(0, BASS_POS_BYTE), QWORD(-1));
    EXPECT_LT(BASS_ChannelBytes2Seconds(0, 100), 0);

    const QByteArray bytes = wav16(100);
    const HSTREAM h = streamOf(bytes);
    ASSERT_NE(h, 0u);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_OK);

    // BASS_Free takes every stream with it; nothing loads until BASS_Init.
    ASSERT_TRUE(BASS_Free());
    EXPECT_FALSE(BASS_ChannelPlay(h, FALSE));
    EXPECT_EQ(bassFailure(streamOf(bytes)), BASS_ERROR_INIT);
    EXPECT_FALSE(BASS_Free());
    ASSERT_TRUE(BASS_Init(-1, 44100, 0, nullptr, nullptr));
    EXPECT_EQ(bassFailure(BASS_ChannelIsActive(h)), BASS_ERROR_HANDLE);  // handles are never reused
}

TEST_F(BassLayer, LoadsPlugInsOnlyFromTheProgramsOwnFolder) {
    const QString planted = musicDir + QStringLiteral("planted.so");
    ASSERT_TRUE(writeAll(planted, "not a library"));
    EXPECT_EQ(bassFailure(BASS_PluginLoad(planted.utf16(), BASS_UNICODE)), BASS_ERROR_FILEOPEN);
    EXPECT_EQ(bassFailure(BASS_PluginLoad("missing.so", 0)), BASS_ERROR_FILEOPEN);
    EXPECT_TRUE(BASS_PluginFree(0));
}

TEST_F(CBassPlayer, PositionsInBytesAndSeconds) {
    CBass p;
    ASSERT_EQ(loadSound(p, wav16(3 * 44100)), 0);
    EXPECT_EQ(p.BytesPerSecond(), 176400);
    EXPECT_DOUBLE_EQ(p.Duration(), 3.0);
    p.setPosition(1.5);
    EXPECT_EQ(BASS_ChannelGetPosition(p.Handle(), BASS_POS_BYTE), 264600u);
    EXPECT_DOUBLE_EQ(p.Position(), 1.5);
    p.Play();
    advance(4410);
    EXPECT_DOUBLE_EQ(p.Position(), 1.6);
    // Restart from 0 while playing, as a key trigger does.
    p.setPosition(0);
    p.Play();
    EXPECT_TRUE(p.Active());
    advance(441);
    EXPECT_DOUBLE_EQ(p.Position(), 0.01);
    advance(3 * 44100);
    EXPECT_FALSE(p.Active());
    EXPECT_DOUBLE_EQ(p.Position(), 3.0);
    // Past the end it rests there; playing from there is over at once.
    p.setPosition(10);
    EXPECT_DOUBLE_EQ(p.Position(), 3.0);
    p.Play();
    EXPECT_FALSE(p.Active());
}

TEST_F(CBassPlayer, DescribesTheSound) {
    const std::pair<QByteArray, const char*> modes[] = {
        {wav16(100, 4), "4 MultiChannel"},
        {tone(SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 100, 6), "6 MultiChannel"},
        {wav16(100, 2), "Stereo"},
        {wav16(44100, 1), "Mono"}};
    CBass p;
    for (const auto& [bytes, mode] : modes) {
        ASSERT_EQ(loadSound(p, bytes), 0);
        EXPECT_EQ(p.Mode(), mode);
    }
    // The last, a second of 16-bit mono.
    EXPECT_EQ(p.Bits(), 16);
    EXPECT_EQ(p.BytesPerSecond(), 88200);
    EXPECT_EQ(p.BitsPerSecond(176444), 1412);               // 176444 bytes over 1 s
    EXPECT_THROW(p.BitsPerSecond(20000000), RuntimeError);  // does not fit 16 bits
    EXPECT_FLOAT_EQ(p.Volume(), 1.0f);

    // 600 MHz stereo: more bytes a second than 32 bits hold.
    ASSERT_EQ(loadSound(p, wav16(100, 2, 600000000)), 0);
    EXPECT_THROW(p.BytesPerSecond(), RuntimeError);
    EXPECT_THROW(p.setPosition(1), RuntimeError);

    ASSERT_EQ(loadSound(p, wav16(0)), 0);
    try {
        p.BitsPerSecond(44);
        FAIL() << "no error for a sound of no duration";
    } catch (const RuntimeError& e) {
        EXPECT_EQ(e.number(), rterr::DivisionByZero);
    }
}

TEST_F(CBassPlayer, VolumeAndFrequencyShapeWhatIsHeard) {
    CBass p;
    // The playing frequency is a speed: 44100 is a 48 kHz file's own speed.
    ASSERT_EQ(loadSound(p, wavFloat(constant(48000, 2, 0.5f), 2, 48000)), 0);
    EXPECT_EQ(p.Frequency(), 44100);
    p.setVolume(0.5f);
    p.setFrequency(88200);
    EXPECT_EQ(p.Frequency(), 88200);  // read back through the mixer
    p.Play();
    const auto out = advance(30000);
    EXPECT_NEAR(out[2 * 10000], 0.25f, 1e-3);
    EXPECT_NEAR(out[2 * 10000 + 1], 0.25f, 1e-3);
    EXPECT_FALSE(p.Active());  // a second at double speed is over in half of one
    EXPECT_EQ(out[2 * 29999], 0.0f);
}

TEST_F(CBassPlayer, EmptyAndReloadedPlayers) {
    CBass p;
    p.Play();
    p.StopPlay();
    EXPECT_FALSE(p.Active());
    EXPECT_EQ(p.Position(), 0);
    EXPECT_EQ(p.Duration(), 0);
    EXPECT_EQ(p.Frequency(), 0);
    p.Free();
    p.Free();
    EXPECT_EQ(p.Handle(), 0u);

    ASSERT_EQ(loadSound(p, wav16(44100)), 0);
    const uint32_t first = p.Handle();
    p.Play();
    // Loading again (Open Key after a preview) releases the sound still playing.
    ASSERT_EQ(loadSound(p, wav16(22050)), 0);
    EXPECT_NE(p.Handle(), first);
    EXPECT_EQ(bassFailure(BASS_ChannelIsActive(first)), BASS_ERROR_HANDLE);
    EXPECT_DOUBLE_EQ(p.Duration(), 0.5);

    // A failed load leaves the player empty.
    EXPECT_EQ(loadSound(p, "RIFF....WAVEjunk"), BASS_ERROR_FILEFORM);
    EXPECT_EQ(p.Handle(), 0u);
}

}  // namespace
}  // namespace lumidex::test
