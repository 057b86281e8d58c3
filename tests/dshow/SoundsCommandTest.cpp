// lumidex-chart sounds: the path rules, the editor's error texts, and a report
// over a small folder with a loose file, a PAK entry and a missing file.
#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

#include <zip.h>

#include "FilgraphManager.h"
#include "SoundsCommand.h"
#include "ToneFile.h"

namespace lumidex::cli {
namespace {

TEST(SoundsPaths, JoinPathKeepsAbsoluteNamesAndAddsOneSeparator) {
    EXPECT_EQ(JoinPath(QStringLiteral("/a/b/"), QString()), QStringLiteral("/a/b/"));
    EXPECT_EQ(JoinPath(QStringLiteral("/a/b/"), QStringLiteral("../m/")),
              QStringLiteral("/a/b/../m/"));
    EXPECT_EQ(JoinPath(QStringLiteral("/a/b"), QStringLiteral("music")),
              QStringLiteral("/a/b/music"));
    EXPECT_EQ(JoinPath(QStringLiteral("/a/b\\"), QStringLiteral("m")), QStringLiteral("/a/b\\m"));
    EXPECT_EQ(JoinPath(QStringLiteral("/a/"), QStringLiteral("/srv/m/")),
              QStringLiteral("/srv/m/"));
    EXPECT_EQ(JoinPath(QStringLiteral("/a/"), QStringLiteral("\\m")), QStringLiteral("\\m"));
    EXPECT_EQ(JoinPath(QStringLiteral("/a/"), QStringLiteral("D:\\music")),
              QStringLiteral("D:\\music"));
}

TEST(SoundsErrors, NumbersShowAsTheEditorShowsThem) {
    const QString head = QStringLiteral("File open error!\nError code ");
    EXPECT_EQ(FileOpenErrorText(hresult(0xBA550000u + 2)),
              head + QStringLiteral("0xBA550002: File not found"));
    EXPECT_EQ(FileOpenErrorText(hresult(0xBA550000u - 1)),
              head + QStringLiteral("0xBA54FFFF: Unknown error"));
    EXPECT_EQ(FileOpenErrorText(hresult(0xA1100005u)),
              head + QStringLiteral("0xA1100005: Unsupported format"));
    EXPECT_EQ(FileOpenErrorText(VFW_E_NOT_FOUND),
              head + QStringLiteral("0x80040216: File not found"));
    EXPECT_EQ(FileOpenErrorText(E_ACCESSDENIED), head + QStringLiteral("0x80070005: "));
    // A run-time error carried as a result code shows as its own number.
    EXPECT_EQ(FileOpenErrorText(hresult(0x800A0035u)), head + QStringLiteral("53: File not found"));
    EXPECT_EQ(FileOpenErrorText(53), head + QStringLiteral("53: File not found"));
}

// A music folder with song/song.wav loose, song.pak holding song/inpak.wav,
// song/loose.wav (also loose: the loose file wins) and an empty entry.
class SoundsFixture : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(QDir(dir_.path()).mkpath(QStringLiteral("pvx_music/song")));
        musicDir_ = dir_.filePath(QStringLiteral("pvx_music/"));
        ASSERT_TRUE(test::writeTone(musicDir_ + QStringLiteral("song/song.wav"), 0.25));
        ASSERT_TRUE(test::writeTone(musicDir_ + QStringLiteral("song/loose.wav"), 0.25));
        ASSERT_TRUE(test::writeTone(dir_.filePath(QStringLiteral("packed.wav")), 0.2, 1, 22050));
        writePak(musicDir_ + QStringLiteral("song.pak"));
    }

    void writePak(const QString& path) {
        int error = 0;
        zip_t* pak =
            zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
        ASSERT_NE(pak, nullptr);
        const QByteArray packed = QFile::encodeName(dir_.filePath(QStringLiteral("packed.wav")));
        for (const char* name : {"song/inpak.wav", "song/loose.wav"})
            zip_file_add(pak, name, zip_source_file(pak, packed.constData(), 0, -1),
                         ZIP_FL_ENC_UTF_8);
        zip_file_add(pak, "song/empty.wav", zip_source_buffer(pak, nullptr, 0, 0),
                     ZIP_FL_ENC_UTF_8);
        ASSERT_EQ(zip_close(pak), 0);
    }

    QTemporaryDir dir_;
    QString musicDir_;
};

TEST_F(SoundsFixture, SoundsAreLooseFilesFirstThenEntriesOfTheArchiveNamedBeforeTheSlash) {
    const SoundLocation loose = LocateSound(musicDir_, QStringLiteral("song/loose.wav"));
    EXPECT_EQ(loose.kind, SoundLocation::Loose);
    EXPECT_EQ(loose.path, musicDir_ + QStringLiteral("song/loose.wav"));

    const SoundLocation packed = LocateSound(musicDir_, QStringLiteral("song/inpak.wav"));
    EXPECT_EQ(packed.kind, SoundLocation::PakEntry);
    EXPECT_EQ(packed.path, musicDir_ + QStringLiteral("song.pak"));

    const SoundLocation empty = LocateSound(musicDir_, QStringLiteral("song/empty.wav"));
    EXPECT_EQ(empty.kind, SoundLocation::Missing);
    EXPECT_EQ(empty.path, musicDir_ + QStringLiteral("song.pak"));

    const SoundLocation bare = LocateSound(musicDir_, QStringLiteral("inpak.wav"));
    EXPECT_EQ(bare.kind, SoundLocation::Missing);
    EXPECT_TRUE(bare.path.isEmpty());  // no "/": no archive is tried

    EXPECT_EQ(LocateSound(musicDir_, QStringLiteral("/x.wav")).path,
              musicDir_ + QStringLiteral(".pak"));
}

TEST_F(SoundsFixture, TheReportNamesWhereEachSoundIsAndWhatEachDecoderMakesOfIt) {
    ASSERT_TRUE(test::writeTone(musicDir_ + QStringLiteral("song/tune.ogg"), 0.25, 2, 44100,
                                SF_FORMAT_OGG | SF_FORMAT_VORBIS));
    ChartDocument doc;
    doc.keySound(0) = {QStringLiteral("song/song.wav"), QStringLiteral("1.00")};
    doc.keySound(1) = {QStringLiteral("song/inpak.wav"), QStringLiteral("1.00")};
    doc.keySound(2) = {QStringLiteral("gone.wav"), QStringLiteral("1.00")};
    doc.keySound(3) = {QStringLiteral("song/tune.ogg"), QStringLiteral("1.00")};
    doc.KeyCount = 3;
    QString report;
    // Problems: DirectShow cannot reach the PAK entry; the missing file counts
    // once as missing and once per decoder; Miles refuses Ogg.
    EXPECT_EQ(reportSounds(doc, musicDir_, decodersNamed(QStringLiteral("all")), &report), 6);
    const QString head = QStringLiteral("File open error! Error code ");
    const QStringList expected = {
        QStringLiteral("music  song/song.wav"),
        QStringLiteral("  file: ") + musicDir_ + QStringLiteral("song/song.wav"),
        QStringLiteral("  bass: 0.250 s, 2 ch, 44100 Hz"),
        QStringLiteral("  miles: 0.250 s"),
        QStringLiteral("  dshow: 0.250 s, 2 ch, 44100 Hz"),
        QStringLiteral("key 1  song/inpak.wav"),
        QStringLiteral("  entry song/inpak.wav of ") + musicDir_ + QStringLiteral("song.pak"),
        QStringLiteral("  bass: 0.200 s, 1 ch, 22050 Hz"),
        QStringLiteral("  miles: 0.200 s"),
        QStringLiteral("  dshow: ") + head + QStringLiteral("0x80040216: File not found"),
        QStringLiteral("key 2  gone.wav"),
        QStringLiteral("  missing: no file ") + musicDir_ + QStringLiteral("gone.wav"),
        QStringLiteral("  bass: ") + head + QStringLiteral("0xBA550002: File not found"),
        QStringLiteral("  miles: ") + head + QStringLiteral("0xA1100003: File not found"),
        QStringLiteral("  dshow: ") + head + QStringLiteral("0x80040216: File not found"),
        QStringLiteral("key 3  song/tune.ogg"),
        QStringLiteral("  file: ") + musicDir_ + QStringLiteral("song/tune.ogg"),
        QStringLiteral("  bass: 0.250 s, 2 ch, 44100 Hz"),
        QStringLiteral("  miles: ") + head + QStringLiteral("0xA1100005: Unsupported format"),
        QStringLiteral("  dshow: 0.250 s, 2 ch, 44100 Hz"),
        QStringLiteral("Problems: 6"),
        QString(),
    };
    const QStringList lines = report.split(QLatin1Char('\n'));
    ASSERT_GE(lines.size(), expected.size());
    const QString tail = lines.mid(lines.size() - expected.size()).join(QLatin1Char('\n'));
    EXPECT_EQ(tail.toStdString(), expected.join(QLatin1Char('\n')).toStdString());
}

TEST(SoundsDecoders, DecoderNamesSelectColumns) {
    EXPECT_EQ(decodersNamed(QStringLiteral("dshow")), QStringList{QStringLiteral("dshow")});
    EXPECT_EQ(
        decodersNamed(QStringLiteral("all")),
        (QStringList{QStringLiteral("bass"), QStringLiteral("miles"), QStringLiteral("dshow")}));
    EXPECT_TRUE(decodersNamed(QStringLiteral("quicktime")).isEmpty());
}

}  // namespace
}  // namespace lumidex::cli
