// The committed demo: it is what the generator writes today, loads without a
// complaint, uses every kind with a picture, finds its sounds through the
// editor's default music path, and its music keeps the chart's time.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <sndfile.h>

#include <set>

#include "ChartFile.h"
#include "DemoSong.h"
#include "ScriptedDialogs.h"
#include "SoundsCommand.h"

namespace lumidex {
namespace {

const QString kGameDir = QStringLiteral(LUMIDEX_SOURCE_DIR "/examples/demo");

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

struct SoundInfo {
    int rate = 0;
    int channels = 0;
    double seconds = 0;
};

SoundInfo soundInfo(const QString& path) {
    SF_INFO info{};
    SNDFILE* file = sf_open(QFile::encodeName(path).constData(), SFM_READ, &info);
    if (!file) return {};
    sf_close(file);
    return {info.samplerate, info.channels, static_cast<double>(info.frames) / info.samplerate};
}

TEST(DemoChart, TheCommittedChartAndKeySoundsAreWhatTheGeneratorMakes) {
    ChartDocument doc;
    demo::buildChart(doc);
    QTemporaryDir dir;
    ScriptedDialogs ui;
    ASSERT_EQ(SaveFile(doc, dir.filePath(QStringLiteral("demo.xml")), ui), 1);
    const QByteArray fresh = readAll(dir.filePath(QStringLiteral("demo.xml")));
    EXPECT_TRUE(fresh.startsWith("<?xml version=\"1.0\" encoding=\"gb18030\"?>\r\n"));
    EXPECT_EQ(readAll(kGameDir + QLatin1Char('/') + demo::kChartPath), fresh)
        << "examples/demo is stale: run lumidex-gen-demo";

    // The MP3 encoder's bytes may change with the library; the WAVs are ours.
    for (const demo::DemoKey& key : demo::demoKeys()) {
        const QString made = dir.filePath(QStringLiteral("key.wav"));
        ASSERT_TRUE(key.make().writeWav(made));
        EXPECT_EQ(readAll(kGameDir + QLatin1Char('/') + demo::kMusicFolder + key.snd),
                  readAll(made))
            << key.snd.toStdString() << " is stale: run lumidex-gen-demo";
    }
}

class LoadedDemo : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(LoadFile(doc_, kGameDir + QLatin1Char('/') + demo::kChartPath, 0, QString(), ui_,
                           &chartDir_),
                  1);
    }
    ChartDocument doc_;
    ScriptedDialogs ui_;
    QString chartDir_;
};

TEST_F(LoadedDemo, LoadsWithOnlyTheSuccessMessageAndEveryPicturedKind) {
    ASSERT_EQ(ui_.messages().size(), 1);
    EXPECT_TRUE(
        ui_.messages()[0].startsWith(QStringLiteral("File opened successfully, All Combo = ")));
    EXPECT_EQ(ui_.shown[0].icon, MsgIcon::None);

    std::set<int> kinds;
    for (int c = 0; c <= doc_.LastCoord; ++c) kinds.insert(doc_.cell(c).Kind);
    std::set<int> wanted = {5, 16, 17, 18, 19, 20, 21, 22, 23, 24, 26, 27, 32, 33, 34};
    for (int k = 128; k <= 145; ++k)
        if (!isLongBody(k)) wanted.insert(k);
    for (int kind : wanted) EXPECT_TRUE(kinds.count(kind)) << "kind " << kind << " missing";

    // The loaded chart is the generated one, note for note.
    ChartDocument built;
    demo::buildChart(built);
    EXPECT_EQ(doc_.LastCoord, built.LastCoord);
    for (int c = 0; c <= built.LastCoord; ++c) {
        EXPECT_EQ(doc_.cell(c).Kind, built.cell(c).Kind) << "coord " << c;
        EXPECT_EQ(doc_.cell(c).Speed, built.cell(c).Speed) << "coord " << c;
        EXPECT_EQ(doc_.cell(c).Tempo, built.cell(c).Tempo) << "coord " << c;
        if (!isLongEnd(built.cell(c).Kind)) {
            EXPECT_EQ(doc_.cell(c).FxSndIndex, built.cell(c).FxSndIndex) << "coord " << c;
        }
    }
    EXPECT_NE(doc_.cell(0).Tempo, doc_.cell(doc_.LastCoord).Tempo);  // a tempo change
}

TEST_F(LoadedDemo, EverySoundIsFoundThroughTheDefaultMusicPathAtTheEditorsRate) {
    const QString musicDir = JoinPath(chartDir_, doc_.Header.MusicPath);
    qint64 bytes = 0;
    for (int k = 0; k <= doc_.KeyCount; ++k) {
        const QString path = musicDir + doc_.keySound(k).Snd;
        ASSERT_TRUE(QFileInfo(path).isFile()) << path.toStdString();
        bytes += QFileInfo(path).size();
        const SoundInfo info = soundInfo(path);
        // The editor plays every sound at 44100 Hz whatever its own rate.
        EXPECT_EQ(info.rate, demo::kRate) << path.toStdString();
        EXPECT_EQ(info.channels, k == 0 ? 2 : 1);
    }
    EXPECT_LT(bytes, 600 * 1024);

    // The music outlasts the last note, and not by much.
    const double lastNote = require(doc_.CoordToFrames(doc_.LastCoord)) / 60;
    const double music = soundInfo(musicDir + doc_.keySound(0).Snd).seconds;
    EXPECT_GT(music, lastNote + 0.5);
    EXPECT_LT(music, 30);
}

TEST(DemoSong, TheMusicFollowsTheChartsTempoMap) {
    ChartDocument doc;
    demo::buildChart(doc);
    for (const demo::DemoNote& note : demo::demoNotes()) {
        const int coord = static_cast<int>(note.beat * demo::kCoordsPerBeat);
        EXPECT_NEAR(demo::beatSeconds(note.beat), require(doc.CoordToFrames(coord)) / 60, 1e-9)
            << "beat " << note.beat;
    }
}

}  // namespace
}  // namespace lumidex
