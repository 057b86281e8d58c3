// Writing charts: the exact file text, the header checks, the overwrite
// question and the failure message.

#include <gtest/gtest.h>

#include <QDir>

#include "ChartFixtures.h"

namespace lumidex {
namespace {

using test::exampleBytes;
using test::exampleChart;
using test::readAll;

struct SaveTest : ::testing::Test {
    QTemporaryDir dir;
    ScriptedDialogs ui;
    std::unique_ptr<ChartDocument> doc = exampleChart();
    QString path = dir.filePath("out.xml");
};

TEST_F(SaveTest, ExampleIsWrittenByteForByte) {
    doc->Combo = 99;
    ASSERT_EQ(SaveFile(*doc, path, ui), 1);
    EXPECT_EQ(readAll(path), exampleBytes());
    EXPECT_EQ(ui.messages(), QStringList{"File saved successfully, All Combo = 3\nFrames = 240"});
    EXPECT_EQ(ui.shown.at(0).icon, MsgIcon::None);
    EXPECT_EQ(doc->Combo, 3);
}

TEST_F(SaveTest, RefusalsAndFailuresWriteNothing) {
    const auto expectRefused = [&](const QString& target, const QString& text) {
        ui.shown.clear();
        EXPECT_EQ(SaveFile(*doc, target, ui), 0);
        ASSERT_EQ(ui.messages(), QStringList{text});
        EXPECT_EQ(ui.shown.at(0).icon, MsgIcon::Exclamation);
    };
    // The header checks come first, every missing field named in one message.
    doc->Header.BPMO = doc->Header.BPM = doc->Header.Length = "";
    expectRefused(path, "Please enter BPM\nPlease enter speed\nPlease enter note length");
    doc->Header.BPMO = "150";
    doc->Header.Length = "Please enter note length";
    expectRefused(path, "Please enter speed\nPlease enter note length");
    doc->Header.BPM = "1.5e2";
    expectRefused(path, "Please enter note length");
    doc->Header.Length = "48";
    ui.shown.clear();
    EXPECT_EQ(SaveFile(*doc, "", ui), 0);  // no name: silently
    EXPECT_TRUE(ui.shown.empty());

    // Only the write failed: the coord loop has finished; the reason follows.
    expectRefused(dir.path(), "Error saving file, debug info:\ni=49\nThe path is a folder");
    expectRefused(dir.filePath("missing/out.xml"),
                  "Error saving file, debug info:\ni=49\nFile not found");
    // A name that was not UTF-8 when it was given is never written as another.
    const QString undecodable = dir.filePath("out_\uFFFD.xml");
    expectRefused(undecodable,
                  "Cannot save to \"" + undecodable + "\": the file name is not valid UTF-8 text.");
    doc->KeyCount = 2001;
    expectRefused(path, "Error saving file, debug info:\ni=2001\nSubscript out of range");
    doc->KeyCount = 1;
    doc->LastCoord = 30001;
    expectRefused(path, "Error saving file, debug info:\ni=30001\nSubscript out of range");
    // A cell without tempo cannot be timed.
    doc->LastCoord = 48;
    doc->setSpeedTempo(30, 0, 0);
    expectRefused(path, "Error saving file, debug info:\ni=31\nDivision by zero");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList());
    EXPECT_EQ(doc->Combo, 0);
}

TEST_F(SaveTest, AsksBeforeOverwriting) {
    test::writeAll(path, "old");
    ui.messageAnswers = {MsgAnswer::No};
    EXPECT_EQ(SaveFile(*doc, path, ui), 0);
    EXPECT_EQ(readAll(path), "old");
    ASSERT_EQ(ui.messages(), QStringList{"File already exists, overwrite?"});
    EXPECT_EQ(ui.shown.at(0).icon, MsgIcon::Question);
    EXPECT_EQ(ui.shown.at(0).buttons, MsgButtons::YesNo);

    ui.messageAnswers = {MsgAnswer::Yes};
    EXPECT_EQ(SaveFile(*doc, path, ui), 1);
    EXPECT_EQ(readAll(path), exampleBytes());
}

TEST_F(SaveTest, LongNotesAndKindsWithoutLines) {
    doc->InitArea();
    doc->fillSpeedTempoFrom(0, 150, 150);
    doc->LastCoord = 100;
    doc->setNote(0, 134, 3);   // head
    doc->setNote(5, 135, 0);   // a stored body: no line of its own, weight 0
    doc->setNote(26, 136, 0);  // d = 26 + 4 = 30: steps 2
    doc->setNote(40, 8, 1);    // unused kinds are written back as they are
    doc->setNote(41, 146, 1);  // kinds above 145 are not
    doc->setNote(60, 25, 2);   // 16..34 are written whatever their weight
    doc->setNote(70, 24, 0);   // weight 2
    ASSERT_EQ(SaveFile(*doc, path, ui), 1);
    const QString text = QString::fromLatin1(readAll(path));
    const QString areas = text.mid(text.indexOf("<AREA"));
    EXPECT_EQ(areas.toStdString(),
              "<AREA Coord=\"0\" Kind=\"134\" Level=\"5\" FxSndIndex=\"3\"></AREA>\r\n"
              "<AREA Coord=\"12\" Kind=\"135\" Level=\"5\" FxSndIndex=\"0\"></AREA>\r\n"
              "<AREA Coord=\"24\" Kind=\"136\" Level=\"5\" FxSndIndex=\"0\"></AREA>\r\n"
              "<AREA Coord=\"40\" Kind=\"8\" Level=\"0\" FxSndIndex=\"1\"></AREA>\r\n"
              "<AREA Coord=\"60\" Kind=\"25\" Level=\"0\" FxSndIndex=\"2\"></AREA>\r\n"
              "<AREA Coord=\"70\" Kind=\"24\" Level=\"4\" FxSndIndex=\"0\"></AREA>\r\n"
              "</TITLE>\r\n");
    EXPECT_EQ(doc->Combo, 4);
}

// An end whose head was erased is written where it stands, and no note is
// invented for it, before or after a finished long note (24 to 48).
TEST_F(SaveTest, StrayEndsAreWrittenWhereTheyStandAndInventNoNotes) {
    doc->LastCoord = 100;
    doc->setNote(90, 142, 0);
    ASSERT_EQ(SaveFile(*doc, path, ui), 1);
    QByteArray bytes = readAll(path);
    EXPECT_TRUE(
        bytes.contains("\r\n<AREA Coord=\"90\" Kind=\"142\" Level=\"5\" FxSndIndex=\"0\">"));
    EXPECT_EQ(bytes.count("Kind=\"129\""), 1);
    EXPECT_EQ(bytes.count("Kind=\"130\""), 1);

    doc->setNote(24, 0, 0);
    ASSERT_EQ(SaveFile(*doc, dir.filePath("headless.xml"), ui), 1);
    bytes = readAll(dir.filePath("headless.xml"));
    EXPECT_TRUE(
        bytes.contains("\r\n<AREA Coord=\"48\" Kind=\"130\" Level=\"5\" FxSndIndex=\"0\">"));
    EXPECT_FALSE(bytes.contains("Kind=\"1\"") || bytes.contains("Kind=\"2\""));
}

}  // namespace
}  // namespace lumidex
