// Start-up: the application information, the state and the menus after
// start-up, and the chart named on the command line (a path, or an entry of a
// PAK archive).

#include <zip.h>

#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTest>

#include "PictureBox.h"
#include "WindowTestSupport.h"

namespace lumidex::testing {
namespace {

class StartupTest : public WindowTest {
  protected:
    // A PAK archive (a ZIP file) holding the test chart as songs/abc.xml.
    QString writePak(const QString& name) {
        zip_t* archive = zip_open(QFile::encodeName(path(name)).constData(), ZIP_CREATE, nullptr);
        if (!archive) ADD_FAILURE() << "cannot write " << name.toStdString();
        zip_source_t* source = zip_source_buffer(archive, kChart.constData(), kChart.size(), 0);
        EXPECT_GE(zip_file_add(archive, "songs/abc.xml", source, ZIP_FL_ENC_UTF_8), 0);
        EXPECT_EQ(zip_close(archive), 0);
        return path(name);
    }
};

TEST(AppInfo, DerivesNamesFromTheExecutablePath) {
    const AppInfo info = makeAppInfo(QStringLiteral("/opt/lx/bin/lumidex"),
                                     {QStringLiteral("./lumidex"), QStringLiteral("my song.xml")});
    EXPECT_EQ(info.ExeName, QStringLiteral("lumidex"));
    EXPECT_EQ(info.AppDir, QStringLiteral("/opt/lx/bin/"));
    EXPECT_EQ(info.ArgCount, 2);
    EXPECT_EQ(info.Args[1], QStringLiteral("my song.xml"));
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\d+\\.\\d+\\.\\d+\\.\\d+$"))
                    .match(info.Version.FileVersion)
                    .hasMatch());
    EXPECT_FALSE(info.Version.LegalCopyright.isEmpty());

    const AppInfo bare = makeAppInfo(QStringLiteral("/opt/lx/bin/lumidex"), {});
    EXPECT_EQ(bare.ArgCount, 1);
    EXPECT_EQ(bare.Args, QStringList{QStringLiteral("/opt/lx/bin/lumidex")});
}

TEST_F(StartupTest, WithoutArgumentsTheWindowIsEmptyAtItsDesignSizes) {
    start();
    fmMain& w = *window;
    EXPECT_EQ(w.state.ChartDir, dir.path() + QLatin1Char('/'));
    EXPECT_TRUE(w.state.CurrentFile.isEmpty());
    EXPECT_EQ(w.vsb->maximum(), 72);
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Pelvaro Note Editor"));
    EXPECT_FALSE(w.frMain->isEnabled());
    EXPECT_FALSE(w.cmdPlay->isEnabled());
    EXPECT_EQ(w.picMain->size(), QSize(62, 469));
    EXPECT_EQ(w.txFxSnd->parentWidget(), w.picKey);
    EXPECT_FALSE(w.txFxSnd->isVisible());
    int images = 0, shownImages = 0;
    for (QLabel* image : w.imgEle) {
        images += image != nullptr;
        shownImages += image && image->isVisible();
    }
    EXPECT_EQ(images, 35);
    EXPECT_EQ(shownImages, 29);  // the six long-note bodies are hidden

    QStringList texts;
    for (const QLineEdit* box : {w.txName, w.txBPMO, w.txBPM, w.txLength, w.txLongCorrectVal,
                                 w.txDelay, w.txBGMVolume, w.txBGM, w.txMusicPath})
        texts << box->text();
    for (const QComboBox* list : {w.cbNormalize, w.cbVScroll, w.cbAltStep, w.cbKeyStep})
        texts << list->currentText();
    EXPECT_EQ(texts, QStringList({"Please enter music name", "Please enter BPM",
                                  "Please enter speed", "Please enter note length", "4", "0",
                                  "1.00", "mr.mp3", "../../pvx_music/", "1", "96", "1", "3"}));
    EXPECT_EQ(w.cbKeyStep->count(), 15);
}

TEST_F(StartupTest, ChartPathOrPakEntryOnTheCommandLineIsOpened) {
    const QString chart = writeChart(), pak = writePak(QStringLiteral("charts.pak"));
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
            EXPECT_FALSE(w.frMain->isEnabled());
            EXPECT_EQ(w.lsKey->count(), 0);
            EXPECT_TRUE(ui.messages().filter(QStringLiteral("File opened")).isEmpty());
            EXPECT_EQ(ui.shown.size(), args[0] == missing ? 1u : 0u);
            EXPECT_TRUE(ui.shown.empty() || ui.shown[0].icon == MsgIcon::Exclamation);
            continue;
        }
        EXPECT_EQ(w.state.ChartDir, dir.path() + QLatin1Char('/'));
        EXPECT_EQ(w.state.Modified, 0);
        EXPECT_TRUE(w.frMain->isEnabled());
        EXPECT_EQ(w.vsb->maximum(), 48 + 72);
        EXPECT_EQ(w.vsb->value(), 9);  // 12 frames / 60 x 150 x 0.2, plus 3
        ASSERT_EQ(w.lsKey->count(), 2);
        EXPECT_EQ(w.lsKey->item(0)->text(), QStringLiteral("[1]1.00 kick.wav"));
        EXPECT_EQ(w.lsKey->item(1)->text(), QStringLiteral("[2]0.5 snare.wav"));
        for (auto [box, text] :
             {std::pair{w.txName, "Song"}, {w.txBPM, "150"}, {w.txLength, "48"}, {w.txDelay, "12"}})
            EXPECT_EQ(box->text(), QLatin1String(text));
        EXPECT_TRUE(ui.messages().last().startsWith(QStringLiteral("File opened successfully")));
        mark();
        window->mnSave_Click();  // the file name offered
        ASSERT_FALSE(shownSinceMark().empty());
        EXPECT_EQ(shownSinceMark()[0].kind, ScriptedDialogs::Kind::Save);
        EXPECT_EQ(shownSinceMark()[0].initial, w.state.CurrentFile);
    }
}

// "caption | name(index) | shortcut | state", or "-" for a separator.
QString describe(const QAction* action) {
    if (action->isSeparator()) return QStringLiteral("-");
    QString name = action->objectName();
    if (action->property("index").isValid())
        name += QStringLiteral("(%1)").arg(action->property("index").toInt());
    QStringList state;
    if (!action->isEnabled()) state << QStringLiteral("disabled");
    if (action->isCheckable()) state << (action->isChecked() ? "checked" : "unchecked");
    return QStringList{action->text(), name,
                       action->shortcut().toString(QKeySequence::PortableText), state.join(' ')}
        .join(QStringLiteral(" | "));
}

TEST_F(WindowTest, MenusMatchTheTableAfterStartUp) {
    const std::vector<std::pair<const char*, QStringList>> table = {
        {"&File",
         {"&New | mnNew | Ctrl+N | ", "&Open XML File... | mnOpen(0) | Ctrl+O | ",
          "Open Rounded X&ML File... | mnOpen(1) |  | ", "&Save XML File... | mnSave | Ctrl+S | ",
          "-", "E&xit | mnExit |  | "}},
        {"&Edit",
         {"Undo (Not Implemented) | mnUndo | Alt+Backspace | disabled",
          "-",
          "Cu&t | mnCut | Shift+Del | ",
          "&Copy | mnCopy | Ctrl+Ins | ",
          "&Paste | mnPaste | Shift+Ins | ",
          "-",
          "--Batch Operation-- | mnBatchCaption |  | disabled",
          "&Star To Obstacle | mnObstacle(0) |  | ",
          "&Obstacle To Star | mnObstacle(1) |  | ",
          "Inverse &Left && Right | mnObstacle(2) |  | ",
          "Inverse &Up && Down | mnObstacle(3) |  | ",
          "&Mirror | mnObstacle(4) |  | ",
          "&Randomise | mnObstacle(5) |  | ",
          "S&et Random Note Kinds... | mnRandKind |  | ",
          "-",
          "Add &Key... | mnKeyAdd |  | ",
          "&Batch Add Key... | mnKeyAddBatch |  | ",
          "Ed&it Key... | mnKeyEdit |  | ",
          "&Delete Key... | mnKeyDelete |  | ",
          "Pur&ge Unused Key... | mnKeyPurge |  | ",
          "&Fill Key Index Repeatly | mnKeyFxSnd(0) |  | ",
          "Fill Key Index &Ascendingly | mnKeyFxSnd(1) |  | ",
          "-",
          "C&hange Speed...... | mnSetBPM |  | "}},
        {"&View",
         {"Show &Grid | mnShowGrid |  | unchecked",
          "Show &Inversed Baseline | mnShowPlayLine |  | unchecked",
          "&Transparent Drawing | mnShowTrans |  | unchecked"}},
        {"Pla&y",
         {"&Play / Pause | mnPlayStart |  | ", "Test Music Using &qorv | mnPlayGame(0) | F5 | ",
          "Test Music Using &zelt | mnPlayGame(1) | F6 | ", "-",
          "Use Internal &Bass MP3 Decoder (Supports MP3/OGG(Vorbis)/WAV(PCM)/AIFF(PCM) format, "
          "more formats available through plugin system) | mnDecoder(0) |  | checked",
          "Use Game's Mile&s MP3 Decoder (Supports MP3(CBR)/WAV format only) | mnDecoder(1) |  | "
          "unchecked",
          "Use System DirectSh&ow Decoder (Supports more formats) | mnDecoder(2) |  | unchecked",
          "-", "Play BG&M | mnPlayBGM |  | checked",
          "Play &Key | mnPlayKeyNote |  | disabled unchecked"}},
        {"&Help", {"&Instructions... | mnHelpInstruction | F1 | ", "&About... | mnAbout |  | "}},
    };
    start();
    const QList<QAction*> top = window->menuBar()->actions();
    ASSERT_EQ(top.size(), qsizetype(table.size()));
    for (size_t m = 0; m < table.size(); ++m) {
        QMenu* menu = top[qsizetype(m)]->menu();
        ASSERT_NE(menu, nullptr);
        EXPECT_EQ(menu->title(), QLatin1String(table[m].first));
        QStringList items;
        for (const QAction* action : menu->actions()) items << describe(action);
        EXPECT_EQ(items.join('\n').toStdString(), table[m].second.join('\n').toStdString());
    }
}

TEST_F(WindowTest, ShortcutsReachTheirHandlers) {
    start();  // the header boxes still hold their prompts: saving is refused
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    mark();
    ui.fileAnswers = {QString(), path(QStringLiteral("out.xml"))};
    QTest::keyClick(window.get(), Qt::Key_O, Qt::ControlModifier);
    window->state.Modified = 1;
    QTest::keyClick(window.get(), Qt::Key_S, Qt::ControlModifier);
    const auto shown = shownSinceMark();
    ASSERT_EQ(shown.size(), 3u);
    EXPECT_EQ(shown[0].kind, ScriptedDialogs::Kind::Open);
    EXPECT_EQ(shown[1].kind, ScriptedDialogs::Kind::Save);
    EXPECT_EQ(shown[2].text, QStringLiteral("Please enter BPM"));
    EXPECT_FALSE(QFile::exists(path(QStringLiteral("out.xml"))));
    EXPECT_TRUE(window->state.CurrentFile.isEmpty());
    EXPECT_EQ(window->state.Modified, 1);
}

}  // namespace
}  // namespace lumidex::testing
