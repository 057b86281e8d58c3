// The on-disk cache: a second analysis of the same music comes from it with
// the same envelope; damaged, foreign and stale files are ignored and
// replaced; a folder that cannot be written only costs the caching.

#include <QCryptographicHash>
#include <QFile>

#include <functional>

#include "SoundBank.h"
#include "WaveformCache.h"
#include "WaveformFixtures.h"

namespace lumidex::test {
namespace {

using waveform::WaveformCache;

class WaveformCacheTest : public WaveformFiles {
  protected:
    void SetUp() override {
        bytes = wavFloat(clickTrack(3 * kRate + 77, {kRate, 2 * kRate}), 1, kRate);
        put(QStringLiteral("m.wav"), bytes);
    }
    QString cacheFile(int decoder = kDecoderBass) const {
        const audio::ByteView view{reinterpret_cast<const unsigned char*>(bytes.constData()),
                                   size_t(bytes.size())};
        return WaveformCache(cacheDir()).fileFor(WaveformCache::keyFor(view, decoder));
    }
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
        const QByteArray other = readAll(musicDir() + QStringLiteral("other.wav"));
        const audio::ByteView view{reinterpret_cast<const unsigned char*>(other.constData()),
                                   size_t(other.size())};
        return readAll(WaveformCache(cacheDir()).fileFor(WaveformCache::keyFor(view, 0)));
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
