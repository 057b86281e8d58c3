// Start-up: the state of the window after start-up (its chart folder being
// the program's), and the chart named on the command line (a path, or an
// entry of a PAK archive).

#include <QAction>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QStatusBar>
#include <QTest>

#include "MusicHints.h"
#include "NewChart.h"
#include "PictureBox.h"
#include "support/WindowFixture.h"
#include "support/ZipHelpers.h"

namespace lumidex::testing {
namespace {

TEST_F(WindowTest, WithoutArgumentsTheWindowIsEmptyAtItsDesignSizesAndGuidesToTheMusic) {
    start();
    fmMain& w = *window;
    EXPECT_EQ(w.state.ChartDir, dir.path() + QLatin1Char('/'));
    EXPECT_TRUE(w.state.CurrentFile.isEmpty());
    EXPECT_EQ(control<QScrollBar>("vsb")->maximum(), 72);
    EXPECT_TRUE(control<QGroupBox>("frMain")->isEnabled());  // a chart can be typed in from scratch
    EXPECT_FALSE(control<QPushButton>("cmdPlay")->isEnabled());
    EXPECT_EQ(control<QLineEdit>("txFxSnd")->parentWidget(), control<PictureBox>("picKey"));
    EXPECT_FALSE(control<QLineEdit>("txFxSnd")->isVisible());
    int shownImages = 0;
    for (QLabel* image : controls<QLabel>("imgEle")) shownImages += image && image->isVisible();
    EXPECT_EQ(shownImages, 29);  // the six long-note bodies are hidden
    // The new chart's boxes show prompts as placeholders; the status bar
    // guides to the music.
    for (auto [box, prompt] : {std::pair{"txName", kMusicNamePrompt},
                               {"txBPMO", kBpmPrompt},
                               {"txBPM", kSpeedPrompt},
                               {"txLength", kLengthPrompt}}) {
        EXPECT_TRUE(control<QLineEdit>(box)->text().isEmpty());
        EXPECT_EQ(control<QLineEdit>(box)->placeholderText(), prompt);
    }
    QStatusBar* status = control<QStatusBar>("StatusBar");
    control<QAction>("mnPlayStart")->trigger();
    EXPECT_EQ(status->currentMessage(), kOpenMusicFirst);
    control<QPushButton>("cmdOpenBGM")->click();  // looked for from the program's folder
    EXPECT_EQ(status->currentMessage(),
              "Looked for the music at " + QDir::cleanPath(dir.path() + "/../../pvx_music/mr.mp3"));
}

TEST_F(WindowTest, ChartPathOrPakEntryOnTheCommandLineIsOpened) {
    const QString chart = writeChart(), pak = path("charts.pak");
    ASSERT_TRUE(test::writeZip(pak, {{"songs/abc.xml", kChart}}));
    const QString entry = QStringLiteral("songs/abc.xml"), missing = path("missing.xml");
    // An entry of an archive has no file name of its own; too few archive
    // arguments or an unreadable chart open nothing, the latter with a report.
    for (const QStringList& args : {QStringList{chart}, QStringList{"-p", pak, entry},
                                    QStringList{"-p", pak}, QStringList{missing}}) {
        SCOPED_TRACE(args.join(' ').toStdString());
        ui.shown.clear();
        start(args);
        fmMain& w = *window;
        EXPECT_EQ(w.state.CurrentFile, args == QStringList{chart} ? chart : QString());
        if (args.size() == 2 || args[0] == missing) {
            EXPECT_TRUE(control<QGroupBox>("frMain")->isEnabled());
            EXPECT_EQ(control<QListWidget>("lsKey")->count(), 0);
            EXPECT_TRUE(ui.messages().filter(QStringLiteral("File opened")).isEmpty());
            EXPECT_EQ(ui.shown.size(), args[0] == missing ? 1u : 0u);
            EXPECT_TRUE(ui.shown.empty() || ui.shown[0].icon == MsgIcon::Exclamation);
            continue;
        }
        EXPECT_EQ(w.state.ChartDir, dir.path() + QLatin1Char('/'));
        EXPECT_EQ(w.state.Modified, 0);
        EXPECT_TRUE(control<QGroupBox>("frMain")->isEnabled());
        EXPECT_EQ(control<QScrollBar>("vsb")->maximum(), 48 + 72);
        EXPECT_EQ(control<QScrollBar>("vsb")->value(), 9);     // 12 frames / 60 x 150 x 0.2, plus 3
        EXPECT_EQ(control<QListWidget>("lsKey")->count(), 2);  // its lines: PanelWiring
        for (auto [box, text] : {std::pair{control<QLineEdit>("txName"), "Song"},
                                 {control<QLineEdit>("txBPM"), "150"},
                                 {control<QLineEdit>("txLength"), "48"},
                                 {control<QLineEdit>("txDelay"), "12"}})
            EXPECT_EQ(box->text(), QLatin1String(text));
        EXPECT_TRUE(ui.messages().last().startsWith(QStringLiteral("File opened successfully")));
        mark();
        window->mnSave_Click();  // the file name offered
        ASSERT_FALSE(shownSinceMark().empty());
        EXPECT_EQ(shownSinceMark()[0].kind, ScriptedDialogs::Kind::Save);
        EXPECT_EQ(shownSinceMark()[0].initial, w.state.CurrentFile);
    }
}

// (Ctrl+S: DocumentCommandsTest.CtrlSWritesTheOwnFileAndOtherwiseAsksForOne.)
TEST_F(WindowTest, CtrlOReachesOpen) {
    start();
    mark();
    ui.fileAnswers = {QString()};
    shortcut(Qt::Key_O, Qt::ControlModifier);
    ASSERT_EQ(shownSinceMark().size(), 1u);
    EXPECT_EQ(shownSinceMark()[0].kind, ScriptedDialogs::Kind::Open);
}

}  // namespace
}  // namespace lumidex::testing
