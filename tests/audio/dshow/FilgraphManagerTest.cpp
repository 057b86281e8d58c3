// The DirectShow layer on short generated files under the null device, whose
// sink keeps real time: waits block on the graph (WaitForCompletion, GetState)
// or poll its position, always with a generous deadline and never a sleep.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QThread>

#include <cmath>

#include "AudioTestSupport.h"
#include "FilgraphManager.h"

namespace lumidex::test {
namespace {

constexpr double kToneSeconds = 1.0;
constexpr int kDeadlineMs = 10000;

class FilgraphTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(writeTone(path("tone.wav"), kToneSeconds)); }
    QString path(const QString& name) const { return dir_.filePath(name); }

    static double position(FilgraphManager& graph) {
        REFTIME at = -1;
        EXPECT_EQ(graph.get_CurrentPosition(&at), S_OK);
        return at;
    }
    static double duration(FilgraphManager& graph) {
        REFTIME length = -1;
        EXPECT_EQ(graph.get_Duration(&length), S_OK);
        return length;
    }
    static OAFilterState state(FilgraphManager& graph, int timeoutMs = 0) {
        OAFilterState s = -1;
        EXPECT_EQ(graph.GetState(timeoutMs, &s), S_OK);
        return s;
    }
    // {channels, rate} of the rendered file.
    static std::pair<int, int> format(FilgraphManager& graph) {
        FilgraphManager::AudioFormat f;
        EXPECT_EQ(graph.audioFormat(&f), S_OK);
        return {f.channels, f.rate};
    }

    // Polls until the position satisfies done, for at most timeoutMs.
    template <class Done>
    static bool waitForPosition(FilgraphManager& graph, Done done, int timeoutMs = kDeadlineMs) {
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < timeoutMs) {
            if (done(position(graph))) return true;
            QThread::yieldCurrentThread();
        }
        return false;
    }

    static HRESULT waitForEnd(FilgraphManager& graph, int timeoutMs = kDeadlineMs) {
        int32_t event = 0;
        const HRESULT result = graph.WaitForCompletion(timeoutMs, &event);
        EXPECT_EQ(event, result == S_OK ? EC_COMPLETE : 0);
        return result;
    }

    QTemporaryDir dir_;
};

// A file that cannot play fails with its code and leaves the graph empty. A
// file whose data the decoder rejects is refused as soon as it does, well
// before the open time-out (10 s) that only a silent stall runs into.
TEST_F(FilgraphTest, FilesThatCannotPlayFailAtOnceWithTheirCodesAndLeaveTheGraphEmpty) {
    ASSERT_TRUE(
        writeTone(path("tone.aiff"), kToneSeconds, 2, 44100, SF_FORMAT_AIFF | SF_FORMAT_PCM_16));
    const QByteArray aiff = readAll(path("tone.aiff"));
    // Ends inside the header, before the sound chunk; ends 7 frames into it.
    ASSERT_TRUE(writeAll(path("cut.aiff"), aiff.left(40)));
    ASSERT_TRUE(writeAll(path("short.aiff"), aiff.left(82)));
    ASSERT_TRUE(writeTone(path("silent.wav"), 0));
    ASSERT_TRUE(writeAll(path("notes.txt"), QByteArray(4096, 'x')));
    ASSERT_TRUE(writeAll(path("empty.wav"), QByteArray()));
    const std::pair<QString, HRESULT> cases[] = {{path("missing.wav"), VFW_E_NOT_FOUND},
                                                 {dir_.path(), VFW_E_NOT_FOUND},
                                                 {QString(), VFW_E_NOT_FOUND},
                                                 {path("notes.txt"), VFW_E_UNSUPPORTED_STREAM},
                                                 {path("cut.aiff"), VFW_E_UNSUPPORTED_STREAM},
                                                 {path("short.aiff"), VFW_E_UNSUPPORTED_STREAM},
                                                 {path("silent.wav"), VFW_E_UNSUPPORTED_STREAM}};
    FilgraphManager graph;
    for (const auto& [file, code] : cases) {
        SCOPED_TRACE(file.toStdString());
        QElapsedTimer clock;
        clock.start();
        EXPECT_EQ(graph.RenderFile(file), code);
        EXPECT_LT(clock.elapsed(), 10000);
        REFTIME length = -1;
        EXPECT_EQ(graph.get_Duration(&length), E_UNEXPECTED);
        EXPECT_EQ(length, 0);
    }
    EXPECT_TRUE(FAILED(graph.RenderFile(path("empty.wav"))));
    REFTIME at = -1;
    EXPECT_EQ(graph.get_CurrentPosition(&at), E_UNEXPECTED);
    EXPECT_EQ(graph.put_CurrentPosition(0), E_UNEXPECTED);
    // The playback loop still runs and stops graphs whose file failed.
    EXPECT_EQ(graph.Run(), S_OK);
    EXPECT_EQ(graph.Stop(), S_OK);
}

TEST_F(FilgraphTest, RenderedStoppedAtZeroThenRunAdvancesAndStopHoldsWithoutRewinding) {
    FilgraphManager graph;
    ASSERT_EQ(graph.RenderFile(path("tone.wav")), S_OK);
    EXPECT_EQ(state(graph), State_Stopped);
    EXPECT_NEAR(duration(graph), kToneSeconds, 0.001);
    EXPECT_EQ(position(graph), 0.0);
    EXPECT_EQ(format(graph), std::make_pair(2, 44100));

    ASSERT_EQ(graph.Run(), S_OK);
    EXPECT_EQ(state(graph, 2000), State_Running);
    double last = 0;
    ASSERT_TRUE(waitForPosition(graph, [&](double at) {
        EXPECT_GE(at, last);  // never backwards while playing
        last = at;
        return at >= 0.2;
    }));
    ASSERT_EQ(graph.Stop(), S_OK);
    EXPECT_EQ(state(graph, 2000), State_Stopped);
    const double held = position(graph);
    EXPECT_GE(held, 0.2);
    EXPECT_LT(held, kToneSeconds);
    EXPECT_EQ(waitForEnd(graph, 100), E_ABORT);  // a stopped graph does not play on
    EXPECT_EQ(position(graph), held);
}

TEST_F(FilgraphTest, SeeksAreClampedAndAGraphAtItsEndReportsTheDurationUntilRewound) {
    FilgraphManager graph;
    ASSERT_EQ(graph.RenderFile(path("tone.wav")), S_OK);
    EXPECT_EQ(graph.put_CurrentPosition(std::nan("")), E_INVALIDARG);
    EXPECT_EQ(graph.put_CurrentPosition(HUGE_VAL), E_INVALIDARG);
    EXPECT_EQ(graph.put_CurrentPosition(-3), S_OK);
    EXPECT_EQ(position(graph), 0.0);
    EXPECT_EQ(graph.put_CurrentPosition(0.7), S_OK);
    EXPECT_DOUBLE_EQ(position(graph), 0.7);

    ASSERT_EQ(graph.Run(), S_OK);
    ASSERT_EQ(waitForEnd(graph), S_OK);
    const double length = duration(graph);
    EXPECT_EQ(position(graph), length);
    EXPECT_EQ(state(graph), State_Running);  // a finished graph stays running, as the loop expects

    // A key sound is retriggered by a seek to 0 on the running graph: the end
    // it had reached no longer counts, and it plays again from the start.
    EXPECT_EQ(graph.put_CurrentPosition(0), S_OK);
    EXPECT_LT(position(graph), 0.5);
    ASSERT_TRUE(waitForPosition(graph, [](double at) { return at > 0.05 && at < 0.9; }));
    ASSERT_EQ(waitForEnd(graph), S_OK);
    EXPECT_EQ(position(graph), length);

    EXPECT_EQ(graph.put_CurrentPosition(99), S_OK);
    EXPECT_EQ(waitForEnd(graph), S_OK);
    EXPECT_EQ(position(graph), length);
}

TEST_F(FilgraphTest, RenderingAgainReplacesTheFileAndKeepsTheVolume) {
    ASSERT_TRUE(writeTone(path("mono.ogg"), 0.5, 1, 22050, SF_FORMAT_OGG | SF_FORMAT_VORBIS));
    // libsndfile writes MP3 frames without a header that counts them.
    ASSERT_TRUE(
        writeTone(path("bare.mp3"), 2.0, 2, 44100, SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III));
    FilgraphManager graph;
    ASSERT_EQ(graph.put_Volume(-1200), S_OK);
    ASSERT_EQ(graph.RenderFile(path("tone.wav")), S_OK);
    ASSERT_EQ(graph.RenderFile(path("mono.ogg")), S_OK);
    EXPECT_NEAR(duration(graph), 0.5, 0.01);
    EXPECT_EQ(format(graph), std::make_pair(1, 22050));
    int32_t volume = 0;
    EXPECT_EQ(graph.get_Volume(&volume), S_OK);
    EXPECT_EQ(volume, -1200);
    // An MP3 that does not state its length still reports it (the encoder
    // pads a few milliseconds).
    ASSERT_EQ(graph.RenderFile(path("bare.mp3")), S_OK);
    EXPECT_NEAR(duration(graph), 2.0, 0.1);
}

TEST(FilgraphArguments, VolumesOutOfRangeAndNullResultPointersAreRefused) {
    EXPECT_NEAR(volumeToAmplitude(-2000), 0.1, 1e-12);  // hundredths of a decibel
    EXPECT_EQ(volumeToAmplitude(kVolumeSilent), 0.0);
    FilgraphManager graph;
    EXPECT_EQ(graph.put_Volume(kVolumeSilent), S_OK);
    EXPECT_EQ(graph.put_Volume(1), E_INVALIDARG);
    EXPECT_EQ(graph.put_Volume(-10001), E_INVALIDARG);
    int32_t volume = 0;
    graph.get_Volume(&volume);
    EXPECT_EQ(volume, kVolumeSilent);
    EXPECT_EQ(graph.GetState(0, nullptr), E_POINTER);
    EXPECT_EQ(graph.get_Duration(nullptr), E_POINTER);
    EXPECT_EQ(graph.get_CurrentPosition(nullptr), E_POINTER);
    EXPECT_EQ(graph.get_Volume(nullptr), E_POINTER);
    EXPECT_EQ(graph.audioFormat(nullptr), E_POINTER);
}

}  // namespace
}  // namespace lumidex::test
