// The window's test play items and the "&Help" boxes, through the menus.

#include <QAction>
#include <QRegularExpression>

#include "GameTestSupport.h"
#include "support/WindowFixture.h"

namespace lumidex::testing {
namespace {

class WindowTestPlayTest : public WindowTest {};

// The chart open in game/songs/abc/, the client in game/, with the text boxes
// as the user left them: the header typed there is what temp.xml holds.
TEST_F(WindowTestPlayTest, TestPlaySavesTheChartAsShownAndLeavesTheDocumentAlone) {
    const QString chart = writeFile("game/songs/abc/song.xml", kChart);
    const QString game = QFileInfo(path("game")).canonicalFilePath();
    const QString record = path("zelt.record");
    writeRecorder(game + "/zelt.exe", record, true);
    start({chart});
    control<QLineEdit>("txName")->setText("Edited Name");
    window->state.Modified = 1;
    mark();
    control<QAction>("mnPlayGame", 1)->trigger();
    EXPECT_EQ(waitForRecord(record), QStringList({game, "temp.xml"}));
    EXPECT_TRUE(readFile("game/temp.xml").contains("<TITLE Name=\"Edited Name\">"));
    EXPECT_EQ(window->state.Modified, 1);
    EXPECT_EQ(window->state.CurrentFile, chart);
    EXPECT_EQ(readFile("game/songs/abc/song.xml"), kChart);

    // A cleared "pvx_music Path" looks in game/songs/, where there is none.
    control<QLineEdit>("txMusicPath")->clear();
    mark();
    control<QAction>("mnPlayGame", 0)->trigger();
    ASSERT_EQ(shownSinceMark().size(), 1u);
    EXPECT_EQ(shownSinceMark()[0].text, "qorv.exe is not found, so the test can't be executed.");
}

TEST_F(WindowTestPlayTest, HelpBoxesShowTheInstructionsAndTheVersion) {
    start();
    std::vector<ScriptedDialogs::Shown> boxes;
    for (const char* item : {"mnHelpInstruction", "mnAbout"}) {
        mark();
        control<QAction>(item)->trigger();
        ASSERT_EQ(shownSinceMark().size(), 1u) << item;
        boxes.push_back(shownSinceMark()[0]);
        EXPECT_EQ(boxes.back().icon, MsgIcon::Information);
        EXPECT_EQ(boxes.back().buttons, MsgButtons::Ok);
        EXPECT_TRUE(boxes.back().title.isEmpty());  // the application title
    }
    // Eleven lines, "\n" apart: the instructions numbered 1 to 4, then the
    // notices, whose first one runs over two lines.
    EXPECT_FALSE(boxes[0].text.contains('\r'));
    QStringList firstWords;
    for (const QString& line : boxes[0].text.split('\n')) firstWords << line.section(' ', 0, 0);
    EXPECT_EQ(firstWords, QStringList({"Simple", "1.", "2.", "3.", "4.", "Notice:", "1.",
                                       "otherwise", "2.", "3.", "4."}));

    const QStringList lines = boxes[1].text.split('\n');
    ASSERT_EQ(lines.size(), 6);
    EXPECT_TRUE(QRegularExpression(R"(^Pelvaro Note Editor Version \d+\.\d+\.\d+\.\d+$)")
                    .match(lines[0])
                    .hasMatch())
        << lines[0].toStdString();
    EXPECT_EQ(lines[2], window->app.Version.LegalCopyright);
    for (const QString& line : lines) EXPECT_FALSE(line.trimmed().isEmpty());
}

}  // namespace
}  // namespace lumidex::testing
