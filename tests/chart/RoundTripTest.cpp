// Saving and reopening gives back the chart; what a file cannot hold is said
// at the open or the save, never dropped without a word.

#include <gtest/gtest.h>

#include "ChartFixtures.h"

namespace lumidex {
namespace {

using test::area;
using test::chartText;
using test::LoadedChart;
using test::notesOf;
using test::RoundTrip;

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
