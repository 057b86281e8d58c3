// The window's test play items and the "&Help" boxes, through the menus.

#include <QAction>
#include <QLineEdit>
#include <QRegularExpression>

#include "GameTestSupport.h"
#include "app/WindowTestSupport.h"

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
    window->txName->setText("Edited Name");
    window->state.Modified = 1;
    mark();
    window->mnPlayGame[1]->trigger();
    EXPECT_EQ(waitForRecord(record), QStringList({game, "temp.xml"}));
    EXPECT_TRUE(readFile("game/temp.xml").contains("<TITLE Name=\"Edited Name\">"));
    EXPECT_EQ(window->state.Modified, 1);
    EXPECT_EQ(window->state.CurrentFile, chart);
    EXPECT_EQ(readFile("game/songs/abc/song.xml"), kChart);

    // A cleared "pvx_music Path" looks in game/songs/, where there is none.
    window->txMusicPath->clear();
    mark();
    window->mnPlayGame[0]->trigger();
    ASSERT_EQ(shownSinceMark().size(), 1u);
    EXPECT_EQ(shownSinceMark()[0].text, "qorv.exe is not found, so the test can't be executed.");
}

TEST_F(WindowTestPlayTest, InstructionsShowTheElevenLines) {
    start();
    mark();
    window->mnHelpInstruction->trigger();
    ASSERT_EQ(shownSinceMark().size(), 1u);
    const auto box = shownSinceMark()[0];
    EXPECT_EQ(box.icon, MsgIcon::Information);
    EXPECT_EQ(box.buttons, MsgButtons::Ok);
    EXPECT_TRUE(box.title.isEmpty());  // the application title
    const QStringList expected = {
        "Simple Instructions:",
        "1. If the value of AlignCoord is N, the minimal gap between notes is N. If opening and "
        "saving notes which have abnormal beats (eg. 3/4), you must set AlignCoord to 1 to "
        "prevent from normalising the notes to 3 coords or more.",
        "2. Click the number right to the obstacle to edit key index.",
        "3. While editing key indices, press Up(Down) key to jump to the next(previous) note, "
        "press PageUp(PageDown) key to scroll a page, press Alt+Up(Down) key to tune up(down) "
        "the note by 1 coord.",
        "4. To change BPM/speed, please click on \"Edit->Change Speed...\", enter the coord to "
        "change speed from, press \"Get BPM Info\", and enter new BPM/speed below.",
        "Notice:",
        "1. Keep the gap behind upleft, downleft, upright, downright notes >= 12 coords and the "
        "gap behind the jump notes >= 48 coords consciously, ",
        "otherwise please take responsibility of all consequences for what you are doing.",
        "2. Please set random note kinds before using random notes.",
        "3. For MP3 files, playing by Bass decoder is recommended. However, you should use Miles "
        "decoder to exactly set the delay when publishing your music.",
        "4. When using music in PAK files, please notice that the editor only recognises PAK "
        "files having the same prefix before \"/\" as the music path in \"pvx_music path\" "
        "directory."};
    EXPECT_FALSE(box.text.contains('\r'));
    EXPECT_EQ(box.text.split('\n'), expected);
}

TEST_F(WindowTestPlayTest, AboutShowsTheVersionAndTheNotice) {
    start();
    mark();
    window->mnAbout->trigger();
    ASSERT_EQ(shownSinceMark().size(), 1u);
    const auto box = shownSinceMark()[0];
    EXPECT_EQ(box.icon, MsgIcon::Information);
    EXPECT_TRUE(box.title.isEmpty());
    const QStringList lines = box.text.split('\n');
    ASSERT_EQ(lines.size(), 6);
    EXPECT_TRUE(QRegularExpression(R"(^Pelvaro Note Editor Version \d+\.\d+\.\d+\.\d+$)")
                    .match(lines[0])
                    .hasMatch())
        << lines[0].toStdString();
    EXPECT_EQ(lines[2], window->app.Version.LegalCopyright);
    EXPECT_FALSE(lines[2].isEmpty());
    for (const QString& line : lines) EXPECT_FALSE(line.trimmed().isEmpty());
}

}  // namespace
}  // namespace lumidex::testing
