// The envelope on the canvas rows: clicks land on the rows of their coords
// through tempo changes, speed sections, the delay and each decoder's start
// shift; bad music shows what could be decoded and says why; opening other
// music cancels the analysis under way.

#include <QCoreApplication>

#include <algorithm>
#include <cmath>

#include "Analysis.h"
#include "ChartRows.h"
#include "SoundBank.h"
#include "WaveformFixtures.h"
#include "WaveformSource.h"

namespace lumidex::test {
namespace {

using waveform::ChartRows;
using waveform::Outcome;
using waveform::RowEnvelope;

constexpr int kHeight = 469;
// After 90 frames; 175.5 lies inside the speed section, where a coord's time
// still follows the tempo, not the scroll speed.
const std::vector<double> kClickCoords = {48, 60, 96, 120, 160, 175.5, 199, 240};

// The source frame at which the music plays the start of a coord, when
// playback starts the music `shift` frames later in the file than the chart
// position it stands for.
long clickFrame(const ChartDocument& doc, double coord, double shift) {
    const int whole = int(coord);  // within a coord, time runs evenly
    const double start = *doc.CoordToFrames(whole);
    const double at = start + (coord - whole) * (*doc.CoordToFrames(whole + 1) - start);
    const double frames = at - (doc.Delay - shift);
    return std::lround(frames / 60 * kRate);
}

std::vector<RowEnvelope> rowsAround(const ChartDocument& doc, const waveform::PeakTable& table,
                                    int decoder, double coord) {
    // The coord 21 coords above the view base: row 350 - 98 = 252.
    const ChartRows rows(doc, decoder, kRate);
    return waveform::rowEnvelopes(table, rows.spans(coord - 21, kHeight));
}

// The click is loud on its row and nowhere beyond the rows next to it.
void expectClickOnRow(const std::vector<RowEnvelope>& rows, int row, const std::string& what) {
    SCOPED_TRACE(what);
    ASSERT_TRUE(rows[size_t(row)].known);
    EXPECT_GE(rows[size_t(row)].envelope.peak, kClickLevel - 0.01f);
    for (int r = row - 12; r <= row + 12; ++r) {
        if (std::abs(r - row) > 1) {
            EXPECT_LT(rows[size_t(r)].envelope.peak, 0.2f) << "row " << r;
        }
    }
}

class ClickRows : public WaveformFiles {};

TEST_F(ClickRows, LandOnTheRowsOfTheirCoords) {
    struct Case {
        const char* name;
        int decoder;
        double delay;
        double shift;  // frames
    };
    const Case cases[] = {
        {"BASS, no delay", kDecoderBass, 0, 3},
        {"BASS, delay 90", kDecoderBass, 90, 3},
        {"Miles, delay 90", kDecoderMiles, 90, 3},
        {"DirectShow, delay 45", kDecoderDShow, 45, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ChartDocument doc;
        timeChart(doc, c.delay);
        std::vector<long> clicks;
        for (double coord : kClickCoords) clicks.push_back(clickFrame(doc, coord, c.shift));
        put("m.wav", wavFloat(clickTrack(20 * kRate, clicks), 1, kRate));
        const waveform::WaveformResult result = analyseFile("m.wav", c.decoder);
        ASSERT_TRUE(result.analysis.table) << result.message.toStdString();
        for (double coord : kClickCoords)
            expectClickOnRow(rowsAround(doc, *result.analysis.table, c.decoder, coord), 252,
                             "coord " + std::to_string(coord));
    }
}

TEST_F(ClickRows, ShowNothingOutsideTheChartOrTheMusic) {
    ChartDocument doc;
    timeChart(doc, 600);  // the music starts 10 s after coord 0
    put("m.wav", wavFloat(clickTrack(kRate, {}), 1, kRate));
    const auto table = analyseFile("m.wav").analysis.table;
    ASSERT_TRUE(table);
    const ChartRows rows(doc, kDecoderBass, kRate);
    const auto envelopes = waveform::rowEnvelopes(*table, rows.spans(0, kHeight));
    EXPECT_FALSE(envelopes[400].known);  // below coord 0
    EXPECT_FALSE(envelopes[300].known);  // coord 10.7: before the music
    ChartDocument untimed;               // no tempo anywhere
    EXPECT_FALSE(ChartRows(untimed, kDecoderBass, kRate).spans(100, kHeight)[300].known);
}

// A decoder that announces more frames than it delivers.
class ShortDecoder : public audio::Decoder {
  public:
    ShortDecoder(int64_t announced, int64_t delivered) : left_(delivered) {
        format_.sampleRate = kRate;
        format_.channels = 2;
        format_.frames = announced;
    }
    int64_t read(float* out, int64_t frames) override {
        const int64_t n = std::min(frames, left_);
        std::fill(out, out + 2 * n, 0.5f);
        left_ -= n;
        return n;
    }
    bool seek(int64_t) override { return false; }

  private:
    int64_t left_;
};

TEST(WaveformAnalysis, SaysWhatItCouldDecode) {
    std::atomic<bool> go{false};
    ShortDecoder cut(10 * kRate, 4 * kRate);
    const waveform::Analysis early = waveform::analyse(cut, go);
    EXPECT_EQ(early.outcome, Outcome::EndedEarly);
    EXPECT_NEAR(early.table->seconds(), 4.0, 0.01);
    EXPECT_EQ(waveform::describe(early).toStdString(),
              "Waveform: the music ends early; only the first 0:04 could be decoded");
    ShortDecoder whole(3 * kRate, 3 * kRate);
    EXPECT_EQ(waveform::analyse(whole, go).outcome, Outcome::Complete);
    std::atomic<bool> stop{true};
    ShortDecoder cancelled(3 * kRate, 3 * kRate);
    EXPECT_EQ(waveform::analyse(cancelled, stop).outcome, Outcome::Cancelled);
}

class BadMusic : public WaveformFiles {};

TEST_F(BadMusic, ShowsWhatItKnowsAndSaysWhy) {
    struct Case {
        const char* name;
        QByteArray bytes;
        bool table;
        const char* message;
    };
    Samples eight = clickTrack(kRate, {kRate / 2}, 8);
    const Case cases[] = {
        {"not music", QByteArray("this is no sound file at all", 28), false,
         "Waveform: the music cannot be decoded"},
        {"silence", wavFloat(constant(2 * kRate, 1, 0), 1, kRate), true,
         "Waveform: the music is silent (0:02)"},
        {"8 channels", wavFloat(eight, 8, kRate), true, "Waveform: 0:01 of music"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        put(QStringLiteral("m.wav"), c.bytes);
        const waveform::WaveformResult r = analyseFile(QStringLiteral("m.wav"));
        EXPECT_EQ(r.analysis.table != nullptr, c.table);
        EXPECT_EQ(r.message.toStdString(), c.message);
    }
    // The click in the eighth channel is found when the channels are folded.
    const auto table = analyseFile(QStringLiteral("m.wav")).analysis.table;
    EXPECT_NEAR(table->span(kRate / 2, kRate / 2 + 8).peak, kClickLevel, 0.01);
    EXPECT_EQ(analyseFile(QStringLiteral("missing.wav")).message.toStdString(),
              "Waveform: the music file cannot be read");
}

TEST_F(WaveformFiles, OpeningOtherMusicCancelsTheAnalysisUnderWay) {
    put(QStringLiteral("long.wav"), tone(SF_FORMAT_WAV | SF_FORMAT_PCM_16, 60 * kRate, 2));
    put(QStringLiteral("short.wav"), wavFloat(clickTrack(kRate, {}), 1, 22050));
    waveform::WaveformSource source(cacheDir());
    int changes = 0;
    source.setOnChanged([&] { ++changes; });
    source.open(musicDir(), QStringLiteral("long.wav"), kDecoderBass);
    EXPECT_TRUE(source.busy());
    source.open(musicDir(), QStringLiteral("short.wav"), kDecoderBass);  // another chart
    source.settle();
    ASSERT_TRUE(source.table());
    EXPECT_EQ(source.table()->sampleRate(), 22050);
    EXPECT_EQ(changes, 1);
    // The first job's news, arriving late, changes nothing.
    QCoreApplication::processEvents();
    EXPECT_EQ(source.table()->sampleRate(), 22050);
    EXPECT_EQ(changes, 1);
    source.close();
    EXPECT_FALSE(source.table());
}

}  // namespace
}  // namespace lumidex::test
