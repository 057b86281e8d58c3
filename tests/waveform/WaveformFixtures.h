#pragma once
// Synthetic music for the waveform tests: a quiet tone with loud clicks at
// chosen source frames, written where the players look for the music.

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <vector>

#include "AudioTestSupport.h"
#include "ChartDocument.h"
#include "WaveformJob.h"

namespace lumidex::test {

constexpr int kRate = 44100;
constexpr float kToneLevel = 0.1f;
constexpr float kClickLevel = 0.9f;
constexpr int kClickFrames = 8;

// A 220 Hz tone of kToneLevel in every channel, with clicks of kClickLevel
// starting at the given frames (in the last channel only when there are
// several: folding the channels must find them).
inline Samples clickTrack(int frames, const std::vector<long>& clicks, int channels = 1) {
    Samples s = sine(frames, channels, 220, kRate);
    for (float& v : s) v *= kToneLevel / 0.5f;  // sine() is 0.5 high
    for (long at : clicks)
        for (long f = at; f < at + kClickFrames && f < frames; ++f)
            s[size_t(f * channels + channels - 1)] = kClickLevel;
    return s;
}

// A chart at 120 BPM from coord 0, 180 BPM from coord 96 and a speed section
// (scroll twice as fast) over coords 150..199.
inline void timeChart(ChartDocument& doc, double delay) {
    doc.fillSpeedTempoFrom(0, 120, 120);
    doc.fillSpeedTempoFrom(96, 180, 180);
    doc.fillSpeedTempoFrom(150, 360, 180);
    doc.fillSpeedTempoFrom(200, 180, 180);
    doc.Delay = delay;
    doc.LastCoord = 400;
}

// Analyses music files in a scratch folder, with a cache of its own.
class WaveformFiles : public ::testing::Test {
  protected:
    QString musicDir() const { return dir.path() + QStringLiteral("/"); }
    QString cacheDir() const { return dir.path() + QStringLiteral("/cache"); }
    void put(const QString& name, const QByteArray& bytes) {
        ASSERT_TRUE(writeAll(musicDir() + name, bytes));
    }
    waveform::WaveformResult analyseFile(const QString& name, int decoder = 0) {
        waveform::WaveformJob job({musicDir(), name, decoder, cacheDir()});
        job.wait();
        return job.result();
    }

    QTemporaryDir dir;
};

}  // namespace lumidex::test
