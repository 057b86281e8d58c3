// The committed demo: it is what the generator writes today, loads without a
// complaint, uses every kind with a picture, finds its sounds through the
// editor's default music path, and its music keeps the chart's time.
#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <sndfile.h>

#include <set>

#include "ChartFile.h"
#include "DemoSong.h"
#include "FileIO.h"
#include "ScriptedDialogs.h"

#include "support/FileHelpers.h"

namespace lumidex {
namespace {

using test::readAll;

const QString kGameDir = QStringLiteral(LUMIDEX_SOURCE_DIR "/examples/demo");

SF_INFO soundInfo(const QString& path) {
    SF_INFO info{};
    if (SNDFILE* file = sf_open(QFile::encodeName(path).constData(), SFM_READ, &info))
        sf_close(file);
    return info;
}

TEST(DemoChart, TheCommittedChartAndKeySoundsAreWhatTheGeneratorMakes) {
    ChartDocument doc;
    demo::buildChart(doc);
    QTemporaryDir dir;
    ScriptedDialogs ui;
    ASSERT_EQ(SaveFile(doc, dir.filePath("demo.xml"), ui), 1);
    const QByteArray fresh = readAll(dir.filePath("demo.xml"));
    EXPECT_TRUE(fresh.startsWith("<?xml version=\"1.0\" encoding=\"gb18030\"?>\r\n"));
    EXPECT_EQ(readAll(kGameDir + QLatin1Char('/') + demo::kChartPath), fresh)
        << "examples/demo is stale: run lumidex-gen-demo";

    // The MP3 encoder's bytes may change with the library; the WAVs are ours.
    for (const demo::DemoKey& key : demo::demoKeys()) {
        const QString made = dir.filePath("key.wav");
        ASSERT_TRUE(key.make().writeWav(made));
        EXPECT_EQ(readAll(kGameDir + QLatin1Char('/') + demo::kMusicFolder + key.snd),
                  readAll(made))
            << key.snd.toStdString() << " is stale: run lumidex-gen-demo";
    }
}

TEST(DemoChart, LoadsWithOnlyTheSuccessMessageAndFindsItsSoundsAtTheEditorsRate) {
    ChartDocument doc;
    ScriptedDialogs ui;
    QString chartDir;
    ASSERT_EQ(
        LoadFile(doc, kGameDir + QLatin1Char('/') + demo::kChartPath, 0, QString(), ui, &chartDir),
        1);
    ASSERT_EQ(ui.messages().size(), 1);
    EXPECT_TRUE(ui.messages()[0].startsWith("File opened successfully, All Combo = "));
    EXPECT_EQ(ui.shown[0].icon, MsgIcon::None);

    // It uses every kind with a picture, and a tempo change.
    std::set<int> kinds;
    for (int c = 0; c <= doc.LastCoord; ++c) kinds.insert(doc.cell(c).Kind);
    std::set<int> wanted = {5, 16, 17, 18, 19, 20, 21, 22, 23, 24, 26, 27, 32, 33, 34};
    for (int k = 128; k <= 145; ++k)
        if (!isLongBody(k)) wanted.insert(k);
    for (int kind : wanted) EXPECT_TRUE(kinds.count(kind)) << "kind " << kind << " missing";
    EXPECT_NE(doc.cell(0).Tempo, doc.cell(doc.LastCoord).Tempo);
    // The loaded chart is the generated one, note for note.
    ChartDocument built;
    demo::buildChart(built);
    EXPECT_EQ(composeChart(doc).bytes, composeChart(built).bytes);

    // Every sound is found through the default music path; the editor plays
    // every sound at 44100 Hz whatever its own rate.
    const QString musicDir = JoinPath(chartDir, doc.Header.MusicPath);
    qint64 bytes = 0;
    for (int k = 0; k <= doc.KeyCount; ++k) {
        const QString path = musicDir + doc.keySound(k).Snd;
        ASSERT_TRUE(QFileInfo(path).isFile()) << path.toStdString();
        bytes += QFileInfo(path).size();
        EXPECT_EQ(soundInfo(path).samplerate, demo::kRate) << path.toStdString();
        EXPECT_EQ(soundInfo(path).channels, k == 0 ? 2 : 1);
    }
    EXPECT_LT(bytes, 600 * 1024);
    // The music outlasts the last note, and not by much.
    const SF_INFO music = soundInfo(musicDir + doc.keySound(0).Snd);
    const double seconds = double(music.frames) / music.samplerate;
    EXPECT_GT(seconds, require(doc.CoordToFrames(doc.LastCoord)) / 60 + 0.5);
    EXPECT_LT(seconds, 30);
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
