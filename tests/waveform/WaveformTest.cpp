// The waveform: the peak table answers any stretch of music as the blocks
// it overlaps would, whichever levels it reads them from; the envelope on the
// canvas rows, where clicks land on the rows of their coords through tempo
// changes, speed sections, the delay and each decoder's start shift; bad
// music shows what could be decoded and says why; opening other music
// cancels the analysis under way. The on-disk cache: a second analysis of
// the same music comes from it with the same envelope; damaged, foreign and
// stale files are ignored and replaced; a folder that cannot be written only
// costs the caching.

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QFile>

#include <algorithm>
#include <cmath>
#include <functional>
#include <random>

#include "Analysis.h"
#include "ChartRows.h"
#include "PeakTable.h"
#include "SoundBank.h"
#include "WaveformCache.h"
#include "WaveformFixtures.h"
#include "WaveformSource.h"

namespace lumidex::test {
namespace {

using waveform::ChartRows;
using waveform::Outcome;
using waveform::PeakTable;
using waveform::RowEnvelope;
using waveform::WaveformCache;

// ---- the peak table ----------------------------------------------------------

// What the finest blocks overlapping [from, to) say, block by block.
waveform::Envelope blockByBlock(const PeakTable& t, double from, double to) {
    const int64_t a = std::max<int64_t>(0, int64_t(std::floor(from / PeakTable::kBlockFrames)));
    const int64_t b = std::min(t.blocks(), int64_t(std::ceil(to / PeakTable::kBlockFrames)));
    uint16_t peak = 0;
    double squares = 0;
    for (int64_t i = a; i < b; ++i) {
        peak = std::max(peak, t.storedPeak(i));
        squares += std::pow(t.storedRms(i) / 65535.0, 2);
    }
    return {float(peak / 65535.0), b > a ? float(std::sqrt(squares / double(b - a))) : 0};
}

TEST(PeakTable, AnyStretchAgreesWithItsBlocks) {
    std::mt19937 random(7);
    std::uniform_real_distribution<float> sample(-1, 1);
    PeakTable table(44100, 2);
    std::vector<float> block(2 * PeakTable::kBlockFrames);
    const int blocks = 5000;  // six levels
    for (int i = 0; i < blocks; ++i) {
        const float level = float(i % 97) / 97;
        for (float& s : block) s = sample(random) * level;
        table.appendBlock(block.data(), i + 1 < blocks ? PeakTable::kBlockFrames : 77);
    }
    table.finish();
    EXPECT_EQ(table.frames(), int64_t(blocks - 1) * PeakTable::kBlockFrames + 77);
    std::uniform_real_distribution<double> at(-500, double(table.frames()) + 500);
    for (int i = 0; i < 2000; ++i) {
        double from = at(random), to = at(random);
        if (i % 3 == 0) to = from + std::abs(to - from) / 300;  // short stretches too
        if (to < from) std::swap(from, to);
        const waveform::Envelope expected = blockByBlock(table, from, to);
        const waveform::Envelope got = table.span(from, to);
        ASSERT_EQ(got.peak, expected.peak) << from << ".." << to;
        ASSERT_NEAR(got.rms, expected.rms, 2e-3) << from << ".." << to;
    }
    EXPECT_EQ(table.span(-10, 0).peak, 0);  // before the music
    EXPECT_EQ(table.span(1e9, 2e9).peak, 0);
}

TEST(PeakTable, TenMinutesTakeLittleMemory) {
    PeakTable table(44100, 2);
    std::vector<float> block(2 * PeakTable::kBlockFrames, 0.25f);
    for (int64_t f = 0; f < 600 * 44100; f += PeakTable::kBlockFrames)
        table.appendBlock(block.data(), PeakTable::kBlockFrames);
    table.finish();
    EXPECT_LT(table.bytes(), size_t(2) << 20);
    EXPECT_NEAR(table.span(0, double(table.frames())).rms, 0.25, 1e-4);
}

// ---- rows ------------------------------------------------------------------

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
        for (double coord : kClickCoords) {
            expectClickOnRow(rowsAround(doc, *result.analysis.table, c.decoder, coord), 252,
                             "coord " + std::to_string(coord));
        }
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

// ---- the cache -------------------------------------------------------------

class WaveformCacheTest : public WaveformFiles {
  protected:
    void SetUp() override {
        bytes = wavFloat(clickTrack(3 * kRate + 77, {kRate, 2 * kRate}), 1, kRate);
        put(QStringLiteral("m.wav"), bytes);
    }
    // The cache file of the music m.wav holds (or of other music), for BASS.
    QString cacheFile(const QByteArray& music) const {
        const audio::ByteView view{reinterpret_cast<const unsigned char*>(music.constData()),
                                   size_t(music.size())};
        return WaveformCache(cacheDir()).fileFor(WaveformCache::keyFor(view, kDecoderBass));
    }
    QString cacheFile() const { return cacheFile(bytes); }
    static void expectSameTable(const waveform::PeakTable& a, const waveform::PeakTable& b) {
        ASSERT_EQ(a.blocks(), b.blocks());
        EXPECT_EQ(a.frames(), b.frames());
        EXPECT_EQ(a.sampleRate(), b.sampleRate());
        for (double at : {0.0, double(kRate), 1.5 * kRate, 2.0 * kRate}) {
            EXPECT_EQ(a.span(at, at + 300).peak, b.span(at, at + 300).peak);
            EXPECT_EQ(a.span(at, at + 300).rms, b.span(at, at + 300).rms);
        }
    }

    QByteArray bytes;
};

TEST_F(WaveformCacheTest, SecondAnalysisComesFromTheCacheUnchanged) {
    const waveform::WaveformResult first = analyseFile(QStringLiteral("m.wav"));
    ASSERT_FALSE(first.fromCache);
    EXPECT_TRUE(QFile::exists(cacheFile()));
    const waveform::WaveformResult second = analyseFile(QStringLiteral("m.wav"));
    ASSERT_TRUE(second.fromCache);
    expectSameTable(*first.analysis.table, *second.analysis.table);
    EXPECT_EQ(second.message, first.message);
    // Each decoder has its own entry: their frames need not agree.
    EXPECT_FALSE(analyseFile(QStringLiteral("m.wav"), kDecoderMiles).fromCache);
}

TEST_F(WaveformCacheTest, DamagedForeignOrStaleEntriesAreRebuilt) {
    struct Case {
        const char* name;
        std::function<QByteArray(const QByteArray&)> spoil;
    };
    const QByteArray otherMusic = [this] {
        put(QStringLiteral("other.wav"), wavFloat(clickTrack(kRate, {}), 1, kRate));
        analyseFile(QStringLiteral("other.wav"));
        return readAll(cacheFile(readAll(musicDir() + QStringLiteral("other.wav"))));
    }();
    const Case cases[] = {
        {"a flipped byte",
         [](QByteArray f) {
             f[f.size() / 2] = char(f[f.size() / 2] ^ 1);
             return f;
         }},
        {"cut short", [](const QByteArray& f) { return f.left(f.size() - 9); }},
        {"empty", [](const QByteArray&) { return QByteArray(); }},
        {"another music's table", [&](const QByteArray&) { return otherMusic; }},
        {"an older format with a good checksum",
         [](const QByteArray& f) {
             QByteArray body = f.left(f.size() - 20);
             body[4] = 0;  // the format number
             return body + QCryptographicHash::hash(body, QCryptographicHash::Sha1);
         }},
    };
    analyseFile(QStringLiteral("m.wav"));
    const QByteArray good = readAll(cacheFile());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(writeAll(cacheFile(), c.spoil(good)));
        const waveform::WaveformResult r = analyseFile(QStringLiteral("m.wav"));
        EXPECT_FALSE(r.fromCache);
        ASSERT_TRUE(r.analysis.table);
        EXPECT_EQ(readAll(cacheFile()), good);  // rebuilt
    }
}

TEST_F(WaveformCacheTest, AFolderThatCannotBeMadeOnlyCostsTheCaching) {
    ASSERT_TRUE(writeAll(cacheDir(), "a file where the folder should be"));
    const waveform::WaveformResult r = analyseFile(QStringLiteral("m.wav"));
    ASSERT_TRUE(r.analysis.table);
    EXPECT_EQ(r.message.toStdString(), "Waveform: 0:03 of music (not cached: cannot create " +
                                           cacheDir().toStdString() + ")");
}

}  // namespace
}  // namespace lumidex::test
