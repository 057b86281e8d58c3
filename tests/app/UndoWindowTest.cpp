// "&Undo" and "&Redo" in the real window: the keys, the menu items' texts
// and states, the controls showing what was put back, and Modified
// following the history to the saved chart.

#include <QCheckBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>

#include "support/WindowFixture.h"

namespace lumidex::testing {
namespace {

class UndoWindow : public WindowTest {
  protected:
    // The test chart open, the window active with the canvas focused, so
    // that the keys reach the menu rather than a text box.
    void SetUp() override {
        start({writeChart()});
        activate();
        control<PictureBox>("picMain")->setFocus();
        control<QCheckBox>("chkCopyNote")->setChecked(true);
    }
    fmMain& w() { return *window; }

    // The cells' kinds and key indices, Combo and its read-out, key list and
    // header as one text.
    QString chart() {
        QString s;
        for (int c = 0; c <= 200; ++c)
            s += QStringLiteral("%1/%2,").arg(w().doc.cell(c).Kind).arg(w().doc.cell(c).FxSndIndex);
        s += QStringLiteral("|%1|%2|").arg(w().doc.Combo).arg(control<QLabel>("lbCombo")->text());
        for (int i = 0; i < control<QListWidget>("lsKey")->count(); ++i)
            s += control<QListWidget>("lsKey")->item(i)->text() + '|';
        return s + control<QLineEdit>("txName")->text() + '|' +
               control<QLineEdit>("txDelay")->text();
    }
    void chord(Qt::Key k, Qt::KeyboardModifiers mods = Qt::ControlModifier) {
        QTest::keyClick(window.get(), k, mods);
    }
    void expectMenu(const char* undo, bool canUndo, const char* redo, bool canRedo) {
        EXPECT_EQ(control<QAction>("mnUndo")->text(), QLatin1String(undo));
        EXPECT_EQ(control<QAction>("mnUndo")->isEnabled(), canUndo);
        EXPECT_EQ(control<QAction>("mnRedo")->text(), QLatin1String(redo));
        EXPECT_EQ(control<QAction>("mnRedo")->isEnabled(), canRedo);
    }
};

TEST_F(UndoWindow, KeysAndItemsTakeNamedStepsBackAndForthAndModifiedFollowsToTheSavedChart) {
    expectMenu("&Undo", false, "&Redo", false);
    const QString loaded = chart();
    control<QLineEdit>("txFrom")->setText("0");
    control<QLineEdit>("txTo")->setText("48");
    control<QPushButton>("cmdCopy")->click();
    control<QLineEdit>("txPaste")->setText("96");
    control<QPushButton>("cmdPaste")->click();
    const QString pasted = chart();
    EXPECT_EQ(w().state.Modified, 1);
    control<QLineEdit>("txTo")->setText("200");
    control<QAction>("mnObstacle", 2)->trigger();  // "Inverse &Left && Right" of 0..200
    const QString inverted = chart();
    ASSERT_NE(pasted, loaded);
    ASSERT_NE(inverted, pasted);
    expectMenu("&Undo Inverse Left && Right", true, "&Redo", false);

    chord(Qt::Key_Z);
    EXPECT_EQ(chart(), pasted);
    expectMenu("&Undo Paste", true, "&Redo Inverse Left && Right", true);
    chord(Qt::Key_Z);
    EXPECT_EQ(chart(), loaded);
    expectMenu("&Undo", false, "&Redo Paste", true);
    EXPECT_EQ(w().state.Modified, 0);  // back to the chart as loaded
    EXPECT_FALSE(w().isWindowModified());
    chord(Qt::Key_Z);  // nothing left
    EXPECT_EQ(chart(), loaded);
    control<QAction>("mnRedo")->trigger();
    EXPECT_EQ(chart(), pasted);
    EXPECT_EQ(w().state.Modified, 1);
    EXPECT_TRUE(w().isWindowModified());
    chord(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(chart(), inverted);

    ui.fileAnswers = {path(QStringLiteral("saved.xml"))};
    control<QAction>("mnSave")->trigger();
    ASSERT_EQ(w().state.Modified, 0);
    control<QAction>("mnUndo")->trigger();
    EXPECT_EQ(w().state.Modified, 1);
    chord(Qt::Key_Y);
    EXPECT_EQ(w().state.Modified, 0);

    // A new chart starts a new history.
    ui.messageAnswers = {MsgAnswer::No};  // not saved
    ui.fileAnswers = {writeChart(QStringLiteral("other.xml"))};
    control<QAction>("mnOpen", 0)->trigger();
    expectMenu("&Undo", false, "&Redo", false);
}

TEST_F(UndoWindow, AHeaderEditIsTakenBackAndTheBoxShowsIt) {
    const int scrollRange = control<QScrollBar>("vsb")->maximum();
    enter(control<QLineEdit>("txLength"),
          QStringLiteral("3000"));  // leaving the box takes the entry
    ASSERT_GT(control<QScrollBar>("vsb")->maximum(), scrollRange);
    chord(Qt::Key_Z);
    EXPECT_EQ(control<QLineEdit>("txLength")->text(), QStringLiteral("48"));
    EXPECT_EQ(control<QScrollBar>("vsb")->maximum(), scrollRange);

    enter(control<QLineEdit>("txDelay"), QStringLiteral("30"));
    ASSERT_EQ(w().doc.Delay, 30);
    chord(Qt::Key_Z);
    EXPECT_EQ(w().doc.Delay, 12);
    EXPECT_EQ(control<QLineEdit>("txDelay")->text(), QStringLiteral("12"));
    EXPECT_EQ(w().state.Modified, 0);
    chord(Qt::Key_Y);
    EXPECT_EQ(control<QLineEdit>("txDelay")->text(), QStringLiteral("30"));

    // In the box, Ctrl+Z is the box's own: the typing goes, the chart stays.
    typeInto(control<QLineEdit>("txDelay"), QStringLiteral("7"));
    QTest::keyClick(control<QLineEdit>("txDelay"), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(control<QLineEdit>("txDelay")->text(), QStringLiteral("30"));
    EXPECT_EQ(control<QAction>("mnUndo")->text(), QStringLiteral("&Undo Change Delay"));

    // Text still being typed is the latest change: undo takes it back.
    typeInto(control<QLineEdit>("txDelay"), QStringLiteral("45"));
    control<QAction>("mnUndo")->trigger();
    EXPECT_EQ(w().doc.Delay, 30);
    EXPECT_EQ(control<QLineEdit>("txDelay")->text(), QStringLiteral("30"));
    EXPECT_EQ(control<QAction>("mnRedo")->text(), QStringLiteral("&Redo Change Delay"));
}

TEST_F(UndoWindow, ARunOfTypingInTheNameIsOneStep) {
    enter(control<QLineEdit>("txName"), QStringLiteral("Ballad"));
    enter(control<QLineEdit>("txBGM"), QStringLiteral("b.ogg"));
    ASSERT_EQ(w().doc.Header.Name, QStringLiteral("Ballad"));
    chord(Qt::Key_Z);
    EXPECT_EQ(control<QLineEdit>("txBGM")->text(), QStringLiteral("song.mp3"));
    EXPECT_EQ(control<QLineEdit>("txName")->text(), QStringLiteral("Ballad"));
    chord(Qt::Key_Z);
    EXPECT_EQ(control<QLineEdit>("txName")->text(), QStringLiteral("Song"));
    EXPECT_EQ(w().state.Modified, 0);
}

// A chart whose second key sound no note uses.
TEST_F(UndoWindow, APurgeIsTakenBackWithTheKeyListAndTheNotesRenumbered) {
    test::ChartText three = windowChart();
    three.keys.insert(three.keys.begin() + 1, {"unused.wav", "1.00"});
    three.notes[1].key = 3;
    ui.fileAnswers = {writeFile(QStringLiteral("three.xml"), three.bytes())};
    control<QAction>("mnOpen", 0)->trigger();
    control<PictureBox>("picMain")->setFocus();
    ASSERT_EQ(control<QListWidget>("lsKey")->count(), 3);
    const QString loaded = chart();

    ui.messageAnswers = {MsgAnswer::Yes};
    control<QAction>("mnKeyPurge")->trigger();
    ASSERT_EQ(control<QListWidget>("lsKey")->count(), 2);
    EXPECT_EQ(control<QAction>("mnUndo")->text(), QStringLiteral("&Undo Purge Unused Keys"));
    chord(Qt::Key_Z);
    EXPECT_EQ(chart(), loaded);  // the snare's note back on index 3
    EXPECT_EQ(control<QListWidget>("lsKey")->item(1)->text(), QStringLiteral("[2]1.00 unused.wav"));
    chord(Qt::Key_Y);
    EXPECT_EQ(control<QListWidget>("lsKey")->count(), 2);
}

}  // namespace
}  // namespace lumidex::testing
