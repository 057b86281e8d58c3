// Reading charts: what the model holds after a load, rounding to the grid,
// long-note ends, capacities and files that cannot be read.

#include <gtest/gtest.h>

#include "ChartFixtures.h"
#include "Vornix.h"
#include "support/ZipHelpers.h"

namespace lumidex {
namespace {

using test::area;
using test::chartText;
using test::LoadedChart;
using test::notesOf;
using test::RoundTrip;

// Loading what the writer wrote and writing it again changes no byte.
TEST(LoadTest, WriterOutputSurvivesLoadAndSave) {
    auto doc = test::exampleChart();
    doc->fillSpeedTempoFrom(480, 300, 150);
    doc->fillSpeedTempoFrom(960, 150, 150);
    doc->fillSpeedTempoFrom(1200, 150, 120);
    doc->LongCorrection = 6;
    doc->Header.Name = "歌曲 \"&";
    doc->keySound(2) = {"音/b.ogg", "0.50"};
    doc->KeyCount = 2;
    doc->LastCoord = 1400;
    doc->setNote(500, 21, 2);  // positions 520 (speed twice the tempo)
    doc->setNote(1210, 137, 2);
    doc->setNote(1270, 139, 0);
    doc->setNote(1400, 24, 0);
    const RoundTrip once(*doc);
    ASSERT_EQ(once.reopened ? once.reopened->result : 0, 1);
    const QByteArray& bytes = once.bytes;
    for (const char* line : {"<BPM Frame=\"950\" BPM=\"300\" OriginalBPM=\"150\"></BPM>\r\n",
                             "<BPM Frame=\"1910\" BPM=\"150\"></BPM>\r\n",
                             "<BPM Frame=\"2390\" BPM=\"150\" OriginalBPM=\"120\"></BPM>\r\n",
                             "<DELAY Value=\"10\"></DELAY>\r\n<LONGCRT Value=\"6\"></LONGCRT>\r\n",
                             "<AREA Coord=\"520\" Kind=\"21\""})
        EXPECT_TRUE(bytes.contains(line)) << line;
    EXPECT_TRUE(bytes.contains("<TITLE Name=\"\xb8\xe8\xc7\xfa \"&\">"));
    EXPECT_EQ(once.reopened->doc.Header.Name, doc->Header.Name);
    EXPECT_EQ(RoundTrip(once.reopened->doc).bytes, bytes);
}

TEST(LoadTest, NotesAreRoundedToTheGrid) {
    struct Case {
        double align;
        int flags;
        double position;
        int coord;
    };
    for (const Case& k :
         {Case{3, 0, 13, 12}, Case{3, 0, 14, 15}, Case{2, 0, 3, 4}, Case{2, 0, 5, 4},
          Case{1, 0, 12.3, 12}, Case{1, 1, 12.3, 13}, Case{1, 1, 0, 1}}) {
        SCOPED_TRACE(::testing::Message() << k.align << " " << k.flags << " " << k.position);
        LoadedChart c(chartText(area(k.position, 20, 7)), k.align, k.flags);
        EXPECT_EQ(notesOf(c.doc), std::to_string(k.coord) + ":20/7 ");
        EXPECT_EQ(c.doc.LastCoord, k.coord);
    }
}

TEST(LoadTest, LongNoteEndsSnapToBeatsAfterTheStart) {
    LoadedChart late(chartText(area(48, 128, 3) + area(60, 129) + area(70, 130)));
    EXPECT_EQ(notesOf(late.doc), "48:128/3 72:130/0 ");
    EXPECT_EQ(late.doc.LastCoord, 72);
    LoadedChart near(chartText(area(48, 128, 3) + area(62, 130)));
    EXPECT_EQ(near.ui.messages(),
              QStringList{"File opened successfully, All Combo = 2\nFrames = 264"});
    EXPECT_EQ(near.ui.shown.at(0).icon, MsgIcon::None);
    EXPECT_EQ(near.ui.busyDepth, 0);
    EXPECT_EQ(notesOf(near.doc), "48:128/3 60:130/0 ");
}

TEST(LoadTest, AutoPlayAndTheLaterNoteAtACoord) {
    LoadedChart c(chartText(R"(<AREA Coord="12" Kind="26" FxSndIndex="4" AutoPlay="1"></AREA>)" +
                            area(24, 20, 1) + area(24.2, 21, 2) + area(36, 22) + area(36, 0)));
    EXPECT_EQ(notesOf(c.doc), "12:5/4 24:21/2 ");
    // The combo is that of the notes kept (the auto-play row counts none),
    // and the author is told of the two replaced.
    EXPECT_EQ(c.ui.messages(), QStringList{"File opened successfully, All Combo = 1\nFrames = "
                                           "216\n2 notes were replaced by a later note at the "
                                           "same coord."});
    EXPECT_EQ(c.doc.Combo, 1);
}

TEST(LoadTest, UnreadableFilesLeaveTheDocumentUntouched) {
    QTemporaryDir dir;
    const auto file = [&](const char* name, const QByteArray& bytes) {
        const QString path = dir.filePath(name);
        test::writeAll(path, bytes);
        return path;
    };
    // Larger than any chart: refused by its size before a byte is read.
    const QString huge = file("huge.xml", "<TITLE>");
    ASSERT_TRUE(QFile::resize(huge, (qint64(64) << 20) + 1));
    // A name that is not UTF-8 reaches the program as text holding U+FFFD.
    const QByteArray rawName = QFile::encodeName(dir.path()) + "/bad_\xff.xml";
    test::writeAll(QFile::decodeName(rawName), test::exampleBytes());
    const std::pair<QString, QString> cases[] = {
        {file("empty.xml", ""), "the file is empty."},  // the read's reasons: TextTest
        {huge, "the file is larger than 64 MiB."},
        {QFile::decodeName(rawName), "the file name is not valid UTF-8 text."},
        {file("picture.png", QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16)),
         "it holds no chart (no TITLE, BPM, BGM, DELAY, LONGCRT, LENGTH, EFFECT or AREA "
         "element)."},
        {file("notes.txt", "<html><body>BPM 150</body></html>"), "it holds no chart"},
    };
    auto doc = test::exampleChart();
    const QByteArray before = composeChart(*doc).bytes;
    for (const auto& [path, reason] : cases) {
        ScriptedDialogs ui;
        EXPECT_EQ(LoadFile(*doc, path, 0, QString(), ui), 0);
        ASSERT_EQ(ui.shown.size(), 1u);
        EXPECT_TRUE(
            ui.shown[0].text.startsWith("Cannot open chart file \"" + path + "\": " + reason))
            << ui.shown[0].text.toStdString();
        EXPECT_EQ(ui.shown[0].icon, MsgIcon::Exclamation);
        EXPECT_EQ(ui.busyDepth, 0);
    }
    EXPECT_EQ(composeChart(*doc).bytes, before);
    EXPECT_EQ(doc->Header.Name, "Song");
}

TEST(LoadTest, ElementsOutOfCoordOrderKeepEveryNote) {
    // Notes written out of order, a long note whose end comes first in the
    // file, and a damaged element at the end: the length reaches the highest
    // note, so saving again writes every note that was loaded.
    const QString body = area(120, 21) + area(24, 128) + area(60, 130) + area(84, 20) +
                         QStringLiteral("<AREA Coord=");
    LoadedChart c(chartText(body));
    ASSERT_EQ(c.result, 1);
    EXPECT_EQ(c.doc.LastCoord, 120);
    EXPECT_EQ(c.doc.Header.Length, "120");
    EXPECT_EQ(notesOf(c.doc), "24:128/0 60:130/0 84:20/0 120:21/0 ");
    EXPECT_EQ(notesOf(LoadedChart(composeChart(c.doc).bytes).doc), notesOf(c.doc));
}

TEST(LoadTest, ValuesBeyondTheCapacitiesAreNotStored) {
    QString body;
    for (int i = 0; i < 1001; ++i) body += R"(<BPM Frame="0" BPM="150"></BPM>)";
    for (int i = 1; i <= 2001; ++i) body += QString(R"(<EFFECT Snd="k%1.wav"></EFFECT>)").arg(i);
    body += area(12, 300, 1) + area(24, 20, 40000) + area(36, 21, 2) + area(30000.7, 22, 3);
    LoadedChart c(chartText(body, R"(<LONGCRT Value="1e999"></LONGCRT>)"));
    ASSERT_EQ(c.result, 1);
    EXPECT_EQ(c.doc.TempoCount, 1000);
    EXPECT_EQ(c.doc.KeyCount, 2000);
    EXPECT_EQ(c.doc.keySound(2000).Snd, "k2000.wav");
    EXPECT_EQ(c.doc.keySound(1).Volume, kPickError);
    EXPECT_EQ(notesOf(c.doc), "24:20/0 36:21/2 ");  // no kind 300, key 40000 or coord 30001
    EXPECT_EQ(c.doc.LongCorrection, 4);
    EXPECT_EQ(c.doc.Header.LongCorrectVal, "4");
    EXPECT_EQ(c.doc.LastCoord, 36);  // the note off the chart is not stored
    EXPECT_NO_THROW(composeChart(c.doc));
}

TEST(LoadTest, ChartDirAndPakEntries) {
    QTemporaryDir dir;
    QDir(dir.path()).mkdir("sub");
    const QString pak = dir.filePath("sub/charts.pak");
    const QByteArray text = test::exampleBytes(), zeros((qint64(64) << 20) + 1, '\0');
    ASSERT_TRUE(test::writeZip(pak, {{"song/song.xml", text}, {"song/big.xml", zeros}}));
    ChartDocument doc;
    ScriptedDialogs ui;
    QString chartDir;
    ASSERT_EQ(
        LoadFile(doc, "song/song.xml", 0, dir.filePath("sub/../sub/charts.pak"), ui, &chartDir), 1);
    EXPECT_EQ(chartDir, dir.path() + "/sub/");
    EXPECT_EQ(doc.Header.MusicPath, "");
    EXPECT_EQ(doc.cell(48).Kind, 130);

    // An entry larger than any chart is refused by the size the archive
    // gives, before it is inflated.
    for (const auto& [entry, reason] :
         {std::pair{"song/other.xml",
                    "the archive holds no readable, non-empty entry of that name."},
          {"song/big.xml", "the entry is larger than 64 MiB."}}) {
        EXPECT_EQ(LoadFile(doc, entry, 0, pak, ui), 0);
        EXPECT_EQ(ui.messages().last(),
                  QString("Cannot read chart \"%1\" from the archive \"%2\": %3")
                      .arg(entry, pak, reason));
        EXPECT_EQ(doc.cell(48).Kind, 130);
    }

    test::writeAll(dir.filePath("sub/plain.xml"), text);
    ASSERT_EQ(LoadFile(doc, dir.filePath("sub/./plain.xml"), 0, QString(), ui, &chartDir), 1);
    EXPECT_EQ(chartDir, dir.path() + "/sub/");
}

}  // namespace
}  // namespace lumidex
