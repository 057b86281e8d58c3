// The menu tree against the table of captions, control names, shortcuts and
// design-time states, and the shortcuts reaching their commands.

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QTest>

#include "WindowTestSupport.h"

namespace lumidex::testing {
namespace {

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
