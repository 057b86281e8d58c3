// The Miles layer and CMSS on a manual output.

#include <gtest/gtest.h>

#include <sndfile.h>

#include "AudioSystem.h"
#include "AudioTestSupport.h"
#include "Bass.h"
#include "CMSS.h"
#include "Miles.h"

namespace lumidex::test {
namespace {

using MilesLayer = ManualAudio;
using CMSSPlayer = ManualAudio;

HAUDIO load(const QByteArray& bytes) {
    return AIL_quick_load_mem(bytes.constData(), U32(bytes.size()));
}

TEST_F(MilesLayer, LoadsMp3AndWavOnly) {
    const QByteArray wav = wav16(4410);
    const QByteArray mp3Bytes = mp3(4410);
    for (const QByteArray& accepted : {wav, mp3Bytes}) {
        const HAUDIO h = load(accepted);
        ASSERT_NE(h, 0u);
        EXPECT_EQ(AIL_quick_status(h), QSTAT_LOADED);
        AIL_quick_unload(h);
        EXPECT_EQ(AIL_quick_status(h), 0);
    }
    const QByteArray refused[] = {
        ogg(4410),
        encode(SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 44100, 2, sine(4410, 2, 440, 44100)),
        encode(SF_FORMAT_AIFF | SF_FORMAT_PCM_16, 44100, 2, sine(4410, 2, 440, 44100)),
        QByteArray("ID3 but nothing after it"),
    };
    for (const QByteArray& bytes : refused) EXPECT_EQ(load(bytes), 0u);
}

TEST_F(MilesLayer, Mp3KeepsEveryDecodedFrame) {
    // libsndfile trims the encoder delay and padding from its own MP3s (BASS
    // reads exactly 44100 frames); Miles plays them, whole MPEG frames of 1152.
    const QByteArray bytes = mp3(44100);
    const HSTREAM bass = BASS_StreamCreateFile(TRUE, bytes.constData(), 0, QWORD(bytes.size()), 0);
    ASSERT_NE(bass, 0u);
    EXPECT_EQ(BASS_ChannelGetLength(bass, BASS_POS_BYTE), QWORD(44100 * 4));
    const HAUDIO miles = load(bytes);
    ASSERT_NE(miles, 0u);
    const auto status =
        audio::AudioSystem::instance().mixer()->status(audio::milesMixerStream(miles));
    ASSERT_TRUE(status.has_value());
    EXPECT_GT(status->format.frames, 44100);
    EXPECT_EQ(status->format.frames % 1152, 0);
    EXPECT_EQ(AIL_quick_ms_length(miles), S32(status->format.frames * 1000 / 44100));
}

TEST_F(MilesLayer, StatusPositionAndSpeed) {
    const QByteArray bytes = wav16(2 * 44100);
    const HAUDIO h = load(bytes);
    ASSERT_NE(h, 0u);
    EXPECT_EQ(AIL_quick_ms_length(h), 2000);
    AIL_quick_set_ms_position(h, 1234);
    EXPECT_EQ(AIL_quick_ms_position(h), 1234);
    EXPECT_EQ(AIL_quick_play(h, 0), 0);  // repeats are not offered
    ASSERT_EQ(AIL_quick_play(h, 1), 1);
    EXPECT_EQ(AIL_quick_status(h), QSTAT_PLAYING);
    advance(4410);
    EXPECT_EQ(AIL_quick_ms_position(h), 1334);
    AIL_quick_set_speed(h, 88200);
    advance(4410);
    EXPECT_EQ(AIL_quick_ms_position(h), 1534);
    AIL_quick_halt(h);
    EXPECT_EQ(AIL_quick_status(h), QSTAT_DONE);
    AIL_quick_play(h, 1);
    advance(44100);
    EXPECT_EQ(AIL_quick_status(h), QSTAT_DONE);
    EXPECT_EQ(AIL_quick_ms_position(h), 2000);
}

TEST_F(MilesLayer, VolumeWithCentredPan) {
    const QByteArray bytes = wavFloat(constant(1000, 2, 0.5f), 2);
    const HAUDIO h = load(bytes);
    AIL_quick_set_volume(h, 0.5f, 0.5f);
    AIL_quick_play(h, 1);
    const auto out = advance(10);
    EXPECT_EQ(out[0], 0.25f);
    EXPECT_EQ(out[1], 0.25f);
}

TEST_F(MilesLayer, HandlesAndRestart) {
    HDIGDRIVER dig = nullptr;
    HMDIDRIVER mdi = reinterpret_cast<HMDIDRIVER>(1);
    HDLSDEVICE dls = reinterpret_cast<HDLSDEVICE>(1);
    AIL_quick_handles(&dig, &mdi, &dls);
    EXPECT_NE(dig, nullptr);
    EXPECT_EQ(mdi, nullptr);
    EXPECT_EQ(dls, nullptr);
    EXPECT_EQ(AIL_set_DirectSound_HWND(dig, nullptr), 1);
    EXPECT_EQ(AIL_quick_startup(1, 0, 44100, 16, 2), 1);  // already running
    AIL_quick_shutdown();
    AIL_quick_shutdown();
    EXPECT_EQ(load(wav16(100)), 0u);  // not started
    AIL_quick_handles(&dig, nullptr, nullptr);
    EXPECT_EQ(dig, nullptr);
    EXPECT_EQ(AIL_quick_startup(1, 0, 44100, 16, 2), 1);
}

TEST(CMSSWithoutMiles, FrequencyAndDurationAreStored) {
    CMSS p;
    EXPECT_EQ(p.Frequency(), 44100);
    p.setFrequency(48000);
    EXPECT_EQ(p.Frequency(), 48000);
    EXPECT_EQ(p.Duration(), 0);
    EXPECT_FALSE(p.Active());
    EXPECT_EQ(p.Position(), 0);
    p.Play();
    p.StopPlay();
    p.Free();
    EXPECT_EQ(p.Frequency(), 48000);
}

TEST_F(CMSSPlayer, LoadPositionAndDescription) {
    ASSERT_TRUE(writeAll(musicDir + "k.wav", wav16(103415)));  // 2345.01 ms
    CMSS p;
    ASSERT_EQ(p.LoadFile(musicDir, "k.wav"), 0);
    EXPECT_DOUBLE_EQ(p.Duration(), 2.345);
    EXPECT_EQ(p.Mode(), "");
    EXPECT_EQ(p.Bits(), 0);
    p.setPosition(1.2345);  // 1234.5 ms rounds half to even
    EXPECT_EQ(AIL_quick_ms_position(p.Handle()), 1234);
    EXPECT_DOUBLE_EQ(p.Position(), 1.234);
    p.Play();
    EXPECT_TRUE(p.Active());
    p.StopPlay();
    EXPECT_FALSE(p.Active());
    p.setPosition(0);
    p.Play();
    advance(103415);
    EXPECT_FALSE(p.Active());

    // Loading again releases the old sound first; Free keeps duration and rate.
    const uint32_t first = p.Handle();
    ASSERT_TRUE(writeAll(musicDir + "s.mp3", mp3(4410)));
    ASSERT_EQ(p.LoadFile(musicDir, "s.mp3"), 0);
    EXPECT_NE(p.Handle(), first);
    EXPECT_EQ(AIL_quick_status(first), 0);
    p.setFrequency(22050);
    const double duration = p.Duration();
    p.Free();
    EXPECT_EQ(p.Handle(), 0u);
    EXPECT_EQ(p.Duration(), duration);
    EXPECT_EQ(p.Frequency(), 22050);
}

TEST_F(CMSSPlayer, RefusedAndMissingFiles) {
    ASSERT_TRUE(writeAll(musicDir + "k.ogg", ogg(4410)));
    CMSS p;
    EXPECT_EQ(p.LoadFile(musicDir, "k.ogg"), 5);
    EXPECT_EQ(p.Handle(), 0u);
    EXPECT_EQ(p.LoadFile(musicDir, "none.wav"), 3);
}

}  // namespace
}  // namespace lumidex::test
