// The Miles layer and CMSS on a manual output.

#include <gtest/gtest.h>

#include "AudioSystem.h"
#include "AudioTestSupport.h"
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
    // Told apart by their first bytes: RIFF or RF64 WAVE, or an MPEG frame.
    const QByteArray wav = wav16(4410);
    const QByteArray rf64 = tone(SF_FORMAT_RF64 | SF_FORMAT_PCM_16, 4410);
    const QByteArray mp3Bytes = mp3(4410);
    for (const QByteArray& accepted : {wav, rf64, mp3Bytes}) {
        const HAUDIO h = load(accepted);
        ASSERT_NE(h, 0u);
        EXPECT_EQ(AIL_quick_status(h), QSTAT_LOADED);
        AIL_quick_unload(h);
        EXPECT_EQ(AIL_quick_status(h), 0);
    }
    const QByteArray refused[] = {
        ogg(4410),
        tone(SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 4410),
        tone(SF_FORMAT_AIFF | SF_FORMAT_PCM_16, 4410),
        QByteArray("ID3 but nothing after it"),
        QByteArray("RIFF....WAVE but nothing after it"),
    };
    for (const QByteArray& bytes : refused) EXPECT_EQ(load(bytes), 0u);
}

TEST_F(MilesLayer, Mp3KeepsEveryDecodedFrame) {
    // libsndfile trims the encoder delay and padding from its own MP3s (the
    // BASS layer reads exactly the frames written); Miles plays them, whole
    // MPEG frames of 1152. Miles plays from the caller's memory.
    const QByteArray bytes = mp3(44100);
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
    EXPECT_EQ(AIL_quick_startup(1, 0, 44100, 16, 2), 1);  // already running
    AIL_quick_shutdown();
    AIL_quick_shutdown();
    EXPECT_EQ(load(wav16(100)), 0u);  // not started
    HDIGDRIVER dig = reinterpret_cast<HDIGDRIVER>(1);
    AIL_quick_handles(&dig, nullptr, nullptr);
    EXPECT_EQ(dig, nullptr);
    EXPECT_EQ(AIL_quick_startup(1, 0, 44100, 16, 2), 1);
}

TEST_F(CMSSPlayer, LoadsSeeksReloadsAndRefuses) {
    CMSS p;
    ASSERT_EQ(loadSound(p, wav16(103415)), 0);  // 2345.01 ms
    EXPECT_DOUBLE_EQ(p.Duration(), 2.345);
    p.setPosition(1.2345);  // 1234.5 ms rounds half to even
    EXPECT_EQ(AIL_quick_ms_position(p.Handle()), 1234);
    EXPECT_DOUBLE_EQ(p.Position(), 1.234);
    p.Play();
    EXPECT_TRUE(p.Active());
    p.StopPlay();
    EXPECT_FALSE(p.Active());

    // Loading again releases the old sound first; Free keeps the duration.
    const uint32_t first = p.Handle();
    ASSERT_EQ(loadSound(p, mp3(4410), "s.mp3"), 0);
    EXPECT_NE(p.Handle(), first);
    EXPECT_EQ(AIL_quick_status(first), 0);
    const double duration = p.Duration();
    p.Free();
    EXPECT_EQ(p.Handle(), 0u);
    EXPECT_EQ(p.Duration(), duration);

    // A refused file leaves it empty, and an empty player does nothing.
    ASSERT_EQ(loadSound(p, mp3(4410), "s.mp3"), 0);
    EXPECT_EQ(loadSound(p, ogg(4410), "k.ogg"), 5);
    EXPECT_EQ(p.Handle(), 0u);
    p.Play();
    p.StopPlay();
    EXPECT_FALSE(p.Active());
    EXPECT_EQ(p.Position(), 0);
}

}  // namespace
}  // namespace lumidex::test
