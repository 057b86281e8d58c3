// The window as a desktop shows it: its state after start-up (its chart
// folder being the program's) and the chart named on the command line (a
// path, or an entry of a PAK archive), the title and status bar naming the
// chart and its unsaved changes, a canvas that grows with the window, the
// size and position kept between runs, text boxes showing the start of
// their text.

#include <QAction>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QStatusBar>

#include "MusicHints.h"
#include "NewChart.h"
#include "support/WindowFixture.h"
#include "support/ZipHelpers.h"

namespace lumidex::testing {
namespace {

class DesktopWindowTest : public WindowTest {
  protected:
    QString title() const { return window->windowHandle()->title(); }
    QString status() const { return control<QLabel>("lbStatusFile")->text(); }

    // Resizes the shown window and waits until the canvas has followed.
    void resizeTo(QSize size) {
        window->resize(size);
        ASSERT_TRUE(QTest::qWaitFor([&] { return window->size() == size; }, 5000));
    }

    // A shown window, its placement in settings, and the next one after it.
    void startPlaced(QSettings& settings) {
        start({}, &settings);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }
    void restart(QSettings& settings) {
        window->close();
        startPlaced(settings);
    }
};

TEST_F(DesktopWindowTest, WithoutArgumentsTheWindowIsEmptyAtItsDesignSizesAndGuidesToTheMusic) {
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

TEST_F(DesktopWindowTest, ChartPathOrPakEntryOnTheCommandLineIsOpened) {
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
        EXPECT_TRUE(control<QGroupBox>("frMain")->isEnabled());
        if (args.size() == 2 || args[0] == missing) {
            EXPECT_EQ(control<QListWidget>("lsKey")->count(), 0);
            EXPECT_TRUE(ui.messages().filter(QStringLiteral("File opened")).isEmpty());
            EXPECT_EQ(ui.shown.size(), args[0] == missing ? 1u : 0u);
            EXPECT_TRUE(ui.shown.empty() || ui.shown[0].icon == MsgIcon::Exclamation);
            continue;
        }
        EXPECT_EQ(w.state.ChartDir, dir.path() + QLatin1Char('/'));
        EXPECT_EQ(w.state.Modified, 0);
        // A chart from an archive is named as archive and entry.
        EXPECT_EQ(title(), "Pelvaro Note Editor - " +
                               (args.size() == 3 ? "charts.pak: " + entry : QString("song.xml")));
        EXPECT_EQ(status(), args.size() == 3 ? pak + ": " + entry : chart);
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
TEST_F(DesktopWindowTest, CtrlOReachesOpen) {
    start();
    mark();
    ui.fileAnswers = {QString()};
    shortcut(Qt::Key_O, Qt::ControlModifier);
    ASSERT_EQ(shownSinceMark().size(), 1u);
    EXPECT_EQ(shownSinceMark()[0].kind, ScriptedDialogs::Kind::Open);
}

TEST_F(DesktopWindowTest, TitleAndStatusBarNameTheChartAndItsChanges) {
    start();
    const QString app = QStringLiteral("Pelvaro Note Editor");
    EXPECT_EQ(title(), app);
    EXPECT_EQ(status(), QString());

    ui.fileAnswers = {writeChart()};
    window->mnOpen_Click(0);
    EXPECT_EQ(title(), app + " - song.xml");
    EXPECT_EQ(status(), path("song.xml"));

    window->setModified(true);  // as an edit does
    EXPECT_EQ(title(), app + " - song.xml*");
    EXPECT_EQ(status(), path("song.xml") + " (unsaved changes)");

    // Saving as writes what the header boxes hold and names the new file.
    control<QLineEdit>("txName")->setText(QStringLiteral("Renamed"));
    ui.fileAnswers = {path("out [*].xml")};
    mark();
    window->mnSave_Click();
    ASSERT_FALSE(shownSinceMark().empty());
    EXPECT_EQ(shownSinceMark()[0].text, QStringLiteral("Pelvaro XML File(*.xml)|*.xml"));
    EXPECT_TRUE(readFile("out [*].xml").contains("<TITLE Name=\"Renamed\">"));
    EXPECT_EQ(title(), app + " - out [*].xml");
    EXPECT_EQ(status(), path("out [*].xml"));
    EXPECT_EQ(window->state.Modified, 0);
}

TEST_F(DesktopWindowTest, CanvasGrowsWithTheWindowAndTheWorkspaceKeepsItsSize) {
    start({writeChart()});
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    fmMain& w = *window;
    const QSize design = w.size(), workspace = control<QGroupBox>("frMain")->size();
    EXPECT_EQ(w.minimumSize(), design);
    EXPECT_EQ(control<PictureBox>("picMain")->size(), QSize(62, 469));

    // (The view pages and draws by the canvas size: ChartViewTest.)
    resizeTo(design + QSize(300, 400));
    EXPECT_EQ(control<PictureBox>("picMain")->size(), QSize(62, 869));
    for (const char* strip : {"picScale", "picKey"}) EXPECT_EQ(control(strip)->height(), 869);
    EXPECT_EQ(control<QScrollBar>("vsb")->height(), 873);
    EXPECT_EQ(control<QGroupBox>("frMain")->size(), workspace);

    // Side by side inside the window, nothing overlapping.
    const auto inWindow = [&w](QWidget* widget) {
        return QRect(widget->mapTo(&w, QPoint(0, 0)), widget->size());
    };
    const QRect canvasArea = inWindow(control<PictureBox>("picScale")->parentWidget()) |
                             inWindow(control<QScrollBar>("vsb"));
    EXPECT_FALSE(canvasArea.intersects(inWindow(control<QGroupBox>("frMain"))));
    EXPECT_TRUE(w.rect().contains(canvasArea));
    EXPECT_TRUE(w.rect().contains(inWindow(control<QGroupBox>("frMain"))));

    resizeTo(design);  // no smaller than the design size
    w.resize(design - QSize(100, 100));
    EXPECT_EQ(w.size(), design);
    EXPECT_EQ(control<PictureBox>("picMain")->size(), QSize(62, 469));
}

TEST_F(DesktopWindowTest, SizeAndPositionAreKeptBetweenRuns) {
    QSettings settings(path("lumidex.conf"), QSettings::IniFormat);
    startPlaced(settings);
    const QSize design = window->size();
    const QSize larger = design + QSize(120, 80);
    resizeTo(larger);
    restart(settings);
    EXPECT_EQ(window->size(), larger);
    window->close();

    QSettings none(path("none.conf"), QSettings::IniFormat);
    startPlaced(none);
    EXPECT_EQ(window->size(), design);
}

TEST_F(DesktopWindowTest, RecentChartsOutliveARestartAndAMissingOneIsDropped) {
    const auto items = [this] {
        QStringList shown;
        for (QAction* a : control<QMenu>("mnRecent")->actions())
            if (a->isVisible()) shown << a->text();
        return shown.join('|');
    };
    QSettings settings(path("lumidex.conf"), QSettings::IniFormat);
    startPlaced(settings);
    EXPECT_FALSE(control<QMenu>("mnRecent")->isEnabled());
    ui.fileAnswers = {writeChart(), writeChart("b&b.xml"), path("saved.xml")};
    window->mnOpen_Click(0);
    window->mnOpen_Click(0);
    window->mnSave_Click();
    restart(settings);
    const QString saved = path("saved.xml"), song = path("song.xml"), bb = path("b&&b.xml");
    EXPECT_EQ(items(), "&1 " + saved + "|&2 " + bb + "|&3 " + song);
    ASSERT_TRUE(QFile::remove(saved));
    mark();
    control<QAction>("mnRecentChart", 0)->trigger();  // gone: reported and dropped
    ASSERT_EQ(shownSinceMark().size(), 1u);
    EXPECT_TRUE(shownSinceMark()[0].text.startsWith("The chart file no longer exists:\n" + saved));
    EXPECT_EQ(items(), "&1 " + bb + "|&2 " + song);
    control<QAction>("mnRecentChart", 1)->trigger();
    EXPECT_EQ(window->state.ChartFile, song);
    EXPECT_EQ(items(), "&1 " + song + "|&2 " + bb);  // the menu follows an open at once
    window->close();
}

TEST_F(DesktopWindowTest, WaveformItemsHideTheStripAndOutliveARestart) {
    const auto gain = [this] {
        for (QAction* a : control<QMenu>("mnWaveformGain")->actions())
            if (a->isChecked()) return a->text();
        return QString();
    };
    const auto strip = [this] { return control<QWidget>("picWaveFrame"); };
    QSettings settings(path("lumidex.conf"), QSettings::IniFormat);
    startPlaced(settings);
    EXPECT_TRUE(control<QAction>("mnWaveform")->isChecked());  // on by default
    EXPECT_TRUE(strip()->isVisible());
    EXPECT_EQ(gain(), "x1");
    const int wide = window->minimumWidth();
    control<QAction>("mnWaveform")->trigger();
    EXPECT_FALSE(strip()->isVisible());
    EXPECT_EQ(window->minimumWidth(), wide - strip()->maximumWidth());
    control<QMenu>("mnWaveformGain")->actions().at(2)->trigger();
    restart(settings);
    EXPECT_FALSE(control<QAction>("mnWaveform")->isChecked());
    EXPECT_FALSE(strip()->isVisible());
    EXPECT_EQ(gain(), "x4");
    control<QAction>("mnWaveform")->trigger();
    EXPECT_TRUE(strip()->isVisible());
    EXPECT_EQ(window->minimumWidth(), wide);
    restart(settings);
    EXPECT_TRUE(control<QAction>("mnWaveform")->isChecked());
    EXPECT_TRUE(strip()->isVisible());
    window->close();
}

TEST_F(DesktopWindowTest, TextBoxesShowTheStartOfWhatTheProgramWrote) {
    start();  // of the boxes only the music folder holds a text yet
    ASSERT_FALSE(control<QLineEdit>("txMusicPath")->text().isEmpty());
    EXPECT_EQ(control<QLineEdit>("txMusicPath")->cursorPosition(), 0);
    test::ChartText chart = windowChart();
    chart.name = "A song with a title far wider than its box";
    start({writeFile("long.xml", chart.bytes())});
    EXPECT_EQ(control<QLineEdit>("txName")->cursorPosition(), 0);
    EXPECT_TRUE(control<QLineEdit>("txName")->text().startsWith("A song"));
}

}  // namespace
}  // namespace lumidex::testing
