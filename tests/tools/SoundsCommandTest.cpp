// lumidex-chart sounds: a report over a small folder with
// a loose file, a PAK entry and a missing file.
#include <gtest/gtest.h>

#include <QRegularExpression>
#include <QTemporaryDir>

#include "AudioTestSupport.h"
#include "FilgraphManager.h"
#include "SoundsCommand.h"

namespace lumidex::cli {
namespace {

TEST(SoundsReport, NamesWhereEachSoundIsAndWhatEachDecoderMakesOfIt) {
    // A music folder with song/song.wav and song/tune.ogg loose, and song.pak
    // holding song/inpak.wav; gone.wav is nowhere.
    QTemporaryDir dir;
    const QString musicDir = dir.filePath("pvx_music/");
    ASSERT_TRUE(test::writeTone(musicDir + "song/song.wav", 0.25));
    ASSERT_TRUE(test::writeTone(musicDir + "song/tune.ogg", 0.25, 2, 44100,
                                SF_FORMAT_OGG | SF_FORMAT_VORBIS));
    ASSERT_TRUE(
        test::writeZip(musicDir + "song.pak", {{"song/inpak.wav", test::wav16(4410, 1, 22050)}}));

    ChartDocument doc;
    const char* names[] = {"song/song.wav", "song/inpak.wav", "gone.wav", "song/tune.ogg"};
    for (int k = 0; k < 4; ++k) doc.keySound(k) = {QString(names[k]), "1.00"};
    doc.KeyCount = 3;
    QString report;
    // Problems: DirectShow cannot reach the PAK entry; the missing file counts
    // once as missing and once per decoder; Miles refuses Ogg.
    EXPECT_EQ(reportSounds(doc, musicDir, decodersNamed("all"), &report), 6);
    // MUSIC/ stands for the music folder, ERR for the head of an error text.
    const QString expected = QStringLiteral(R"(music  song/song.wav
  file: MUSIC/song/song.wav
  bass: 0.250 s, 2 ch, 44100 Hz
  miles: 0.250 s
  dshow: 0.250 s, 2 ch, 44100 Hz
key 1  song/inpak.wav
  entry song/inpak.wav of MUSIC/song.pak
  bass: 0.200 s, 1 ch, 22050 Hz
  miles: 0.200 s
  dshow: ERR 0x80040216: File not found
key 2  gone.wav
  missing: no file MUSIC/gone.wav
  bass: ERR 0xBA550002: File not found
  miles: ERR 0xA1100003: File not found
  dshow: ERR 0x80040216: File not found
key 3  song/tune.ogg
  file: MUSIC/song/tune.ogg
  bass: 0.250 s, 2 ch, 44100 Hz
  miles: ERR 0xA1100005: Unsupported format
  dshow: 0.250 s, 2 ch, 44100 Hz
Problems: 6
)")
                                 .replace("MUSIC/", musicDir)
                                 .replace("ERR ", "File open error! Error code ");
    // A last line counts the output's underruns: how many depends on the
    // machine's load, not on the sounds.
    const qsizetype last = report.lastIndexOf("Underruns: ");
    ASSERT_GT(last, 0);
    EXPECT_TRUE(QRegularExpression("^Underruns: \\d+\n$").match(report.mid(last)).hasMatch());
    EXPECT_EQ(report.left(last).right(expected.size()).toStdString(), expected.toStdString());
    // One name selects its column, an unknown none.
    EXPECT_EQ(decodersNamed("dshow"), QStringList{"dshow"});
    EXPECT_TRUE(decodersNamed("quicktime").isEmpty());
}

}  // namespace
}  // namespace lumidex::cli
