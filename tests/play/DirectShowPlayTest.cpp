// DirectShow cannot place a sound to the sample: each step fires the key of
// every note crossed since the step before. GStreamer plays in real time, so
// the test steps as fast as it can until the music is over.

#include <QElapsedTimer>
#include <QThread>

#include "PlayTestSupport.h"

namespace lumidex::test {
namespace {

TEST_F(PlayFixture, DirectShowFiresEveryCrossedNoteOnce) {
    writeKeys(2205);                      // GStreamer wants more than a sample
    doc.fillSpeedTempoFrom(0, 600, 600);  // a coord every 8 ms: several per step
    doc.Delay = 0;
    doc.LastCoord = 400;
    for (int c = 0; c <= 400; ++c) doc.setNote(c, c % 7 == 0 ? 130 : 20, int16_t(c % 9));
    openSounds(1.0, kDecoderDShow);
    ASSERT_TRUE(playback.start(0, PlaySwitches{true, true, 44100}));
    int last = 0;
    QElapsedTimer deadline;
    deadline.start();
    for (Playback::Step s; (s = playback.step()).running && deadline.elapsed() < 20000;) {
        EXPECT_GE(s.coord, last);
        last = s.coord;
        QThread::yieldCurrentThread();
    }
    playback.stop();
    ASSERT_GT(last, 80);  // most of the second was heard
    int notes = 0;
    for (int c = 0; c <= last; ++c) notes += noteKey(doc, c) != 0 ? 1 : 0;
    EXPECT_EQ(playback.keysStarted(), notes);
}

}  // namespace
}  // namespace lumidex::test
