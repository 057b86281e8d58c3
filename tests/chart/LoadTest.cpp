// Reading charts: what the model holds after a load, rounding to the grid,
// long-note ends, capacities and files that cannot be read. Saving and
// reopening gives back the chart; what a file cannot hold is said at the
// open or the save, never dropped without a word.

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

const QString kSaved = "File saved successfully, All Combo = ";

// The open message's lines after the combo and frame total.
QStringList reportOf(const LoadedChart& c) {
    return c.ui.messages().value(0).split('\n').mid(2);
}

TEST(RoundTripTest, TempoTheChartCannotHoldIsRepairedAndEveryNotePlaced) {
    QString notes;
    for (int i = 0; i <= 48; ++i) notes += area(12 * i, 20, 1);
    struct Case {
        QString tempo;
        QString report;
        double speed, tempoAt600;
    } cases[] = {
        {R"(<BPM Frame="0" BPM="150"></BPM><BPM Frame="240" BPM="0"></BPM>)",
         "BPM element 2 holds no usable tempo (1 to 10000) or frame: left out.", 150, 150},
        {R"(<BPM Frame="0" BPM="150" OriginalBPM="0"></BPM>)",
         "BPM element 1 holds a tempo or speed outside 1 to 10000: the other of the two taken "
         "for both.",
         150, 150},
        {R"(<BPM Frame="0" BPM="1.7976931348623157e308" OriginalBPM="120"></BPM>)",
         "BPM element 1 holds a tempo or speed outside 1 to 10000: the other of the two taken "
         "for both.",
         120, 120},
        {R"(<BGM Name="m.mp3"></BGM>)",
         "No BPM element holds a usable tempo (1 to 10000): tempo and speed 120 taken.", 120, 120},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.tempo.toStdString());
        LoadedChart c(("<TITLE>" + k.tempo + notes + "</TITLE>").toUtf8());
        EXPECT_EQ(reportOf(c), QStringList{k.report});
        EXPECT_EQ(c.ui.shown.at(0).icon, MsgIcon::Exclamation);
        EXPECT_EQ(c.doc.Combo, 49);
        EXPECT_EQ(c.doc.cell(576).Kind, 20);
        EXPECT_EQ(c.doc.cell(600).Speed, k.speed);
        EXPECT_EQ(c.doc.cell(600).Tempo, k.tempoAt600);
        EXPECT_EQ(c.doc.Header.BPM.toDouble(), k.speed);
        const RoundTrip saved(c.doc);
        EXPECT_EQ(saved.bytes.count("<AREA"), 49);
        EXPECT_EQ(notesOf(saved.reopened->doc), notesOf(c.doc));
    }
}

TEST(RoundTripTest, HeaderValuesAndNotesTheChartCannotHoldAreSaid) {
    const QString body = area(40000, 20, 1) + area(-100, 21, 1) + area(0, 22, 2) +
                         area(30000, 23, 3) + area(30000.6, 20, 4) + area(12, 7, 5) +
                         area(24, 100, 6) + area(36, 200) + area(48, 300) + area(60, 129) +
                         R"(<AREA Coord="1e999" Kind="20"></AREA>)";
    LoadedChart c(chartText(body, R"(<LONGCRT Value="1e10"></LONGCRT>)")
                      .replace(R"(<DELAY Value="0">)", R"(<DELAY Value="1e300">)"));
    EXPECT_EQ(notesOf(c.doc), "0:22/2 12:7/5 24:100/6 30000:23/3 ");
    EXPECT_EQ(
        reportOf(c),
        (QStringList{"4 notes lie outside coords 0 to 30000: not stored.",
                     "2 notes have a kind a chart cannot hold (above 145): not stored.",
                     "2 notes have a kind without a picture (1 to 4, 6 to 15, 35 to 127): kept and "
                     "saved as it is.",
                     "DELAY \"1e300\" was not taken: The delay must be from -5184000 to 5184000 "
                     "frames (a day either way).",
                     "LONGCRT \"1e10\" was not taken: The long-note correction must be from -1200 "
                     "to 1200."}));
    EXPECT_EQ(c.doc.Delay, 0);
    EXPECT_EQ(c.doc.LongCorrection, 4);
    // Kept kinds are written back as they are.
    const RoundTrip saved(c.doc);
    EXPECT_TRUE(saved.bytes.contains(R"(<AREA Coord="12" Kind="7" Level="0" FxSndIndex="5">)"));
    EXPECT_EQ(notesOf(saved.reopened->doc), notesOf(c.doc));
}

TEST(RoundTripTest, LengthIsReadBack) {
    const std::pair<QString, int> cases[] = {
        {R"(<LENGTH Value="400"></LENGTH>)", 400},  {R"(<LENGTH Value="50"></LENGTH>)", 81},
        {R"(<LENGTH Value="30001"></LENGTH>)", 81}, {R"(<LENGTH Value="x"></LENGTH>)", 81},
        {R"(<LENGTH Value="-1"></LENGTH>)", 81},
    };
    for (const auto& [length, last] : cases) {
        LoadedChart c(chartText(area(0, 20) + area(81, 21), length));
        EXPECT_EQ(c.doc.LastCoord, last) << length.toStdString();
        EXPECT_EQ(c.doc.Header.Length, QString::number(last));
    }
    // A damaged last element raises the length once; it stays on the next save.
    LoadedChart damaged(chartText(area(0, 20) + "<AREA Coord=\"500\" Kind="));
    EXPECT_EQ(damaged.doc.LastCoord, 500);
    EXPECT_EQ(RoundTrip(damaged.doc).reopened->doc.LastCoord, 500);
    EXPECT_TRUE(damaged.ui.messages().at(0).endsWith("Frames = 1144"));
}

TEST(RoundTripTest, LongNotesKeepTheirHeadAndLength) {
    struct Case {
        QString header;  // tempo, correction
        int head, end;
        int reopenedEnd;  // where the end comes back
    } cases[] = {
        {"", 100, 101, 112},
        {"", 100, 103, 112},
        {"", 100, 106, 112},
        {"", 100, 107, 112},
        {"", 100, 109, 112},
        {"", 100, 111, 112},
        {"", 100, 136, 136},
        {R"(<BPM Frame="0" BPM="60" OriginalBPM="120"></BPM>)", 0, 36, 36},
        {R"(<LONGCRT Value="-4"></LONGCRT>)", 0, 36, 36},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(::testing::Message() << k.header.toStdString() << " " << k.end);
        QByteArray text = chartText(QString(), k.header);
        if (k.header.startsWith("<BPM")) text.replace(R"(<BPM Frame="0" BPM="150"></BPM>)", "");
        LoadedChart c(text);
        c.doc.setNote(k.head, 128, 1);
        c.doc.setNote(k.end, 130, 0);
        c.doc.LastCoord = 200;
        RoundTrip once(c.doc);
        ASSERT_TRUE(once.reopened);
        EXPECT_EQ(notesOf(once.reopened->doc),
                  std::to_string(k.head) + ":128/1 " + std::to_string(k.reopenedEnd) + ":130/0 ");
        // A moved end is said; an end that comes back is not.
        EXPECT_EQ(once.saveMessage.contains("Reopened"), k.end != k.reopenedEnd)
            << once.saveMessage.toStdString();
        // Saving again changes nothing more.
        EXPECT_EQ(RoundTrip(once.reopened->doc).bytes, once.bytes);
    }
}

TEST(RoundTripTest, SaveSaysWhatTheFileGivesBackDifferently) {
    auto doc = test::exampleChart();
    doc->setNote(60, 20, 1);                  // above the note length: not written
    doc->keySound(1).Snd = "x\" Volume=\"9";  // a quote the file cannot hold
    const RoundTrip saved(*doc);
    EXPECT_TRUE(saved.saveMessage.startsWith(kSaved));
    EXPECT_TRUE(saved.saveMessage.endsWith(
        "\nReopened, this file gives a different chart: 1 note differs (the first at coord 60); "
        "the file name of key sound 1, the volume of key sound 1 come back different."))
        << saved.saveMessage.toStdString();
}

TEST(RoundTripTest, NumbersAreKeptAsTheFileWritesThem) {
    // More digits than a file writes: the open keeps what the file gives
    // back, so every later save writes the same bytes.
    LoadedChart c(chartText(area(0, 20) + area(700, 21),
                            R"(<BPM Frame="100.005" BPM="133.333333333333333" )"
                            R"(OriginalBPM="97.1234567890123456"></BPM>)")
                      .replace(R"(<DELAY Value="0">)", R"(<DELAY Value="0.1234567890123456789">)"));
    EXPECT_EQ(c.doc.Delay, 0.123456789012346);
    EXPECT_EQ(c.doc.cell(700).Tempo, 97.1234567890124);
    const RoundTrip once(c.doc);
    EXPECT_FALSE(once.saveMessage.contains("Reopened")) << once.saveMessage.toStdString();
    EXPECT_EQ(RoundTrip(once.reopened->doc).bytes, once.bytes);
}

TEST(RoundTripTest, UtfEightDeclaredWithoutMarkIsReadAsUtfEight) {
    const QByteArray utf8 = R"(<?xml version="1.0" encoding="UTF-8"?><TITLE Name="曲名">)"
                            R"(<BPM Frame="0" BPM="150"></BPM></TITLE>)";
    EXPECT_EQ(LoadedChart(utf8).doc.Header.Name, "曲名");
    // Bytes that are not UTF-8 are read as GB18030 whatever they declare.
    QByteArray gb = utf8;
    gb.replace("曲名", "\xc7\xfa\xc3\xfb");
    EXPECT_EQ(LoadedChart(gb).doc.Header.Name, "曲名");
    EXPECT_NE(LoadedChart(QByteArray(utf8).replace("UTF-8", "gb18030")).doc.Header.Name, "曲名");
}

}  // namespace
}  // namespace lumidex
