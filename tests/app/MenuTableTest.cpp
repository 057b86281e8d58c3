// The menu tree against the table of captions, control names, shortcuts and
// design-time states, and the controls the other parts of the program rely on.

#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollBar>
#include <QSlider>
#include <QTest>

#include "PictureBox.h"
#include "WindowTestSupport.h"

namespace lumidex::testing {
namespace {

enum State { Normal, Disabled, Checked, Unchecked, DisabledUnchecked };

struct MenuRow {
    const char* caption;  // nullptr: a separator
    const char* name;
    int index;  // -1: not in a control array
    const char* shortcut;
    State state;
};

struct MenuTableEntry {
    const char* caption;
    std::vector<MenuRow> rows;
};

const MenuRow kSeparator{nullptr, "", -1, "", Normal};

const std::vector<MenuTableEntry>& menuTable() {
    static const std::vector<MenuTableEntry> table = {
        {"&File",
         {{"&New", "mnNew", -1, "Ctrl+N", Normal},
          {"&Open XML File...", "mnOpen", 0, "Ctrl+O", Normal},
          {"Open Rounded X&ML File...", "mnOpen", 1, "", Normal},
          {"&Save XML File...", "mnSave", -1, "Ctrl+S", Normal},
          kSeparator,
          {"E&xit", "mnExit", -1, "", Normal}}},
        {"&Edit",
         {{"Undo (Not Implemented)", "mnUndo", -1, "Alt+Backspace", Disabled},
          kSeparator,
          {"Cu&t", "mnCut", -1, "Shift+Del", Normal},
          {"&Copy", "mnCopy", -1, "Ctrl+Ins", Normal},
          {"&Paste", "mnPaste", -1, "Shift+Ins", Normal},
          kSeparator,
          {"--Batch Operation--", "mnBatchCaption", -1, "", Disabled},
          {"&Star To Obstacle", "mnObstacle", 0, "", Normal},
          {"&Obstacle To Star", "mnObstacle", 1, "", Normal},
          {"Inverse &Left && Right", "mnObstacle", 2, "", Normal},
          {"Inverse &Up && Down", "mnObstacle", 3, "", Normal},
          {"&Mirror", "mnObstacle", 4, "", Normal},
          {"&Randomise", "mnObstacle", 5, "", Normal},
          {"S&et Random Note Kinds...", "mnRandKind", -1, "", Normal},
          kSeparator,
          {"Add &Key...", "mnKeyAdd", -1, "", Normal},
          {"&Batch Add Key...", "mnKeyAddBatch", -1, "", Normal},
          {"Ed&it Key...", "mnKeyEdit", -1, "", Normal},
          {"&Delete Key...", "mnKeyDelete", -1, "", Normal},
          {"Pur&ge Unused Key...", "mnKeyPurge", -1, "", Normal},
          {"&Fill Key Index Repeatly", "mnKeyFxSnd", 0, "", Normal},
          {"Fill Key Index &Ascendingly", "mnKeyFxSnd", 1, "", Normal},
          kSeparator,
          {"C&hange Speed......", "mnSetBPM", -1, "", Normal}}},
        {"&View",
         {{"Show &Grid", "mnShowGrid", -1, "", Unchecked},
          {"Show &Inversed Baseline", "mnShowPlayLine", -1, "", Unchecked},
          {"&Transparent Drawing", "mnShowTrans", -1, "", Unchecked}}},
        {"Pla&y",
         {{"&Play / Pause", "mnPlayStart", -1, "", Normal},
          {"Test Music Using &qorv", "mnPlayGame", 0, "F5", Normal},
          {"Test Music Using &zelt", "mnPlayGame", 1, "F6", Normal},
          kSeparator,
          {"Use Internal &Bass MP3 Decoder (Supports MP3/OGG(Vorbis)/WAV(PCM)/AIFF(PCM) format, "
           "more formats available through plugin system)",
           "mnDecoder", 0, "", Checked},
          {"Use Game's Mile&s MP3 Decoder (Supports MP3(CBR)/WAV format only)", "mnDecoder", 1, "",
           Unchecked},
          {"Use System DirectSh&ow Decoder (Supports more formats)", "mnDecoder", 2, "", Unchecked},
          kSeparator,
          {"Play BG&M", "mnPlayBGM", -1, "", Checked},
          {"Play &Key", "mnPlayKeyNote", -1, "", DisabledUnchecked}}},
        {"&Help",
         {{"&Instructions...", "mnHelpInstruction", -1, "F1", Normal},
          {"&About...", "mnAbout", -1, "", Normal}}},
    };
    return table;
}

void expectRow(const QAction* action, const MenuRow& row) {
    if (!row.caption) {
        EXPECT_TRUE(action->isSeparator());
        return;
    }
    SCOPED_TRACE(row.caption);
    EXPECT_EQ(action->text(), QString::fromUtf8(row.caption));
    EXPECT_EQ(action->objectName(), QLatin1String(row.name));
    EXPECT_EQ(action->property("index").isValid() ? action->property("index").toInt() : -1,
              row.index);
    EXPECT_EQ(action->shortcut().toString(QKeySequence::PortableText), QLatin1String(row.shortcut));
    EXPECT_EQ(action->isEnabled(), row.state != Disabled && row.state != DisabledUnchecked);
    EXPECT_EQ(action->isCheckable(),
              row.state == Checked || row.state == Unchecked || row.state == DisabledUnchecked);
    EXPECT_EQ(action->isChecked(), row.state == Checked);
}

TEST_F(WindowTest, MenusMatchTheTableAfterStartUp) {
    start();
    const QList<QAction*> top = window->menuBar()->actions();
    ASSERT_EQ(top.size(), static_cast<qsizetype>(menuTable().size()));
    for (size_t m = 0; m < menuTable().size(); ++m) {
        const MenuTableEntry& entry = menuTable()[m];
        QMenu* menu = top[static_cast<qsizetype>(m)]->menu();
        ASSERT_NE(menu, nullptr);
        EXPECT_EQ(menu->title(), QLatin1String(entry.caption));
        const QList<QAction*> items = menu->actions();
        ASSERT_EQ(items.size(), static_cast<qsizetype>(entry.rows.size())) << entry.caption;
        for (size_t i = 0; i < entry.rows.size(); ++i)
            expectRow(items[static_cast<qsizetype>(i)], entry.rows[i]);
    }
}

TEST_F(WindowTest, ShortcutsReachTheirHandlers) {
    start();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    mark();
    QTest::keyClick(window.get(), Qt::Key_O, Qt::ControlModifier);
    QTest::keyClick(window.get(), Qt::Key_S, Qt::ControlModifier);
    const auto shown = shownSinceMark();
    ASSERT_EQ(shown.size(), 3u);  // the open dialog, the save dialog, then "Please enter BPM"
    EXPECT_EQ(shown[0].kind, ScriptedDialogs::Kind::Open);
    EXPECT_EQ(shown[1].kind, ScriptedDialogs::Kind::Save);
}

TEST_F(WindowTest, ControlsHaveTheirDesignSizesAndTexts) {
    start();
    fmMain& w = *window;
    EXPECT_EQ(w.picScale->size(), QSize(45, 469));
    EXPECT_EQ(w.picMain->size(), QSize(62, 469));
    EXPECT_EQ(w.picKey->size(), QSize(29, 469));
    EXPECT_EQ(w.picMain->parentWidget()->size(), QSize(66, 473));
    EXPECT_EQ(w.vsb->size(), QSize(17, 473));
    EXPECT_EQ(w.txFxSnd->parentWidget(), w.picKey);
    EXPECT_FALSE(w.txFxSnd->isVisible());
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Pelvaro Note Editor"));
    EXPECT_FALSE(w.frMain->isEnabled());
    EXPECT_EQ(w.frMain->title(), QStringLiteral("Workspace"));

    int images = 0, shownImages = 0;
    for (QLabel* image : w.imgEle) {
        if (!image) continue;
        ++images;
        shownImages += image->isVisible();
    }
    EXPECT_EQ(images, 35);
    EXPECT_EQ(shownImages, 29);  // the six long-note bodies are hidden

    const std::pair<QLineEdit*, const char*> texts[] = {{w.txName, "Please enter music name"},
                                                        {w.txBPMO, "Please enter BPM"},
                                                        {w.txBPM, "Please enter speed"},
                                                        {w.txLength, "Please enter note length"},
                                                        {w.txLongCorrectVal, "4"},
                                                        {w.txDelay, "0"},
                                                        {w.txBGMVolume, "1.00"},
                                                        {w.txBGM, "mr.mp3"},
                                                        {w.txMusicPath, "../../pvx_music/"}};
    for (const auto& [box, text] : texts) EXPECT_EQ(box->text(), QLatin1String(text));
    EXPECT_EQ(w.lbSampleRate->text(), QStringLiteral("44100"));
    EXPECT_EQ(w.sldTempo[0]->value(), 100);
    EXPECT_EQ(w.sldTempo[1]->minimum(), -200);
    EXPECT_FALSE(w.cmdPlay->isEnabled());
}

}  // namespace
}  // namespace lumidex::testing
