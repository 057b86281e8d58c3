// "&Undo" and "&Redo" in the real window: the keys, the menu items' texts
// and states, the controls showing what was put back, and Modified
// following the history to the saved chart.

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>

#include "WindowTestSupport.h"

namespace lumidex::testing {
namespace {

class UndoWindow : public WindowTest {
  protected:
    // The test chart open, the window active with the canvas focused, so
    // that the keys reach the menu rather than a text box.
    void SetUp() override {
        start({writeChart()});
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
        window->picMain->setFocus();
        window->chkCopyNote->setChecked(true);
    }
    fmMain& w() { return *window; }

    // The cells' kinds and key indices, Combo and its read-out, key list and
    // header as one text.
    QString chart() {
        QString s;
        for (int c = 0; c <= 200; ++c)
            s += QStringLiteral("%1/%2,").arg(w().doc.cell(c).Kind).arg(w().doc.cell(c).FxSndIndex);
        s += QStringLiteral("|%1|%2|").arg(w().doc.Combo).arg(w().lbCombo->text());
        for (int i = 0; i < w().lsKey->count(); ++i) s += w().lsKey->item(i)->text() + '|';
        return s + w().txName->text() + '|' + w().txDelay->text();
    }
    void key(Qt::Key k, Qt::KeyboardModifiers mods = Qt::ControlModifier) {
        QTest::keyClick(window.get(), k, mods);
    }
    void copyPaste(const QString& from, const QString& to, const QString& dest) {
        w().txFrom->setText(from);
        w().txTo->setText(to);
        w().cmdCopy->click();
        w().txPaste->setText(dest);
        w().cmdPaste->click();
    }
    void transform(int index, const QString& from, const QString& to) {
        w().txFrom->setText(from);
        w().txTo->setText(to);
        w().mnObstacle[size_t(index)]->trigger();
    }
    void expectMenu(const char* undo, bool canUndo, const char* redo, bool canRedo) {
        EXPECT_EQ(w().mnUndo->text(), QLatin1String(undo));
        EXPECT_EQ(w().mnUndo->isEnabled(), canUndo);
        EXPECT_EQ(w().mnRedo->text(), QLatin1String(redo));
        EXPECT_EQ(w().mnRedo->isEnabled(), canRedo);
    }
};

TEST_F(UndoWindow, CtrlZAndCtrlYTakeStepsBackAndForthAndModifiedFollowsToTheSavedChart) {
    const QString loaded = chart();
    copyPaste("0", "48", "96");
    const QString pasted = chart();
    EXPECT_EQ(w().state.Modified, 1);
    transform(4, "0", "200");  // "&Mirror"
    const QString mirrored = chart();
    ASSERT_NE(pasted, loaded);
    ASSERT_NE(mirrored, pasted);

    key(Qt::Key_Z);
    EXPECT_EQ(chart(), pasted);
    key(Qt::Key_Z);
    EXPECT_EQ(chart(), loaded);
    EXPECT_EQ(w().state.Modified, 0);  // back to the chart as loaded
    EXPECT_FALSE(w().isWindowModified());
    key(Qt::Key_Z);  // nothing left
    EXPECT_EQ(chart(), loaded);
    key(Qt::Key_Y);
    EXPECT_EQ(chart(), pasted);
    EXPECT_EQ(w().state.Modified, 1);
    EXPECT_TRUE(w().isWindowModified());
    key(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(chart(), mirrored);

    ui.fileAnswers = {path(QStringLiteral("saved.xml"))};
    w().mnSave->trigger();
    ASSERT_EQ(w().state.Modified, 0);
    key(Qt::Key_Z);
    EXPECT_EQ(w().state.Modified, 1);
    key(Qt::Key_Y);
    EXPECT_EQ(w().state.Modified, 0);
}

TEST_F(UndoWindow, TheMenuNamesTheStepAndIsEnabledOnlyWhenThereIsOne) {
    expectMenu("&Undo", false, "&Redo", false);

    transform(2, "0", "48");  // "Inverse &Left && Right"
    expectMenu("&Undo Inverse Left && Right", true, "&Redo", false);
    copyPaste("0", "12", "120");
    expectMenu("&Undo Paste", true, "&Redo", false);
    w().mnUndo->trigger();
    expectMenu("&Undo Inverse Left && Right", true, "&Redo Paste", true);
    w().mnUndo->trigger();
    expectMenu("&Undo", false, "&Redo Inverse Left && Right", true);
    w().mnRedo->trigger();
    transform(4, "0", "48");  // a new step drops "Paste"
    expectMenu("&Undo Mirror", true, "&Redo", false);

    // A new chart starts a new history.
    w().mnUndo->trigger();
    ui.messageAnswers = {MsgAnswer::No};  // not saved
    ui.fileAnswers = {writeChart(QStringLiteral("other.xml"))};
    w().mnOpen[0]->trigger();
    expectMenu("&Undo", false, "&Redo", false);
}

TEST_F(UndoWindow, AHeaderEditIsTakenBackAndTheBoxShowsIt) {
    const int scrollRange = w().vsb->maximum();
    enter(w().txLength, QStringLiteral("3000"));  // leaving the box takes the entry
    ASSERT_GT(w().vsb->maximum(), scrollRange);
    key(Qt::Key_Z);
    EXPECT_EQ(w().txLength->text(), QStringLiteral("48"));
    EXPECT_EQ(w().vsb->maximum(), scrollRange);

    enter(w().txDelay, QStringLiteral("30"));
    ASSERT_EQ(w().doc.Delay, 30);
    key(Qt::Key_Z);
    EXPECT_EQ(w().doc.Delay, 12);
    EXPECT_EQ(w().txDelay->text(), QStringLiteral("12"));
    EXPECT_EQ(w().state.Modified, 0);
    key(Qt::Key_Y);
    EXPECT_EQ(w().txDelay->text(), QStringLiteral("30"));

    // In the box, Ctrl+Z is the box's own: the typing goes, the chart stays.
    type(w().txDelay, QStringLiteral("7"));
    QTest::keyClick(w().txDelay, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(w().txDelay->text(), QStringLiteral("30"));
    EXPECT_EQ(w().mnUndo->text(), QStringLiteral("&Undo Change Delay"));

    // Text still being typed is the latest change: undo takes it back.
    type(w().txDelay, QStringLiteral("45"));
    w().mnUndo->trigger();
    EXPECT_EQ(w().doc.Delay, 30);
    EXPECT_EQ(w().txDelay->text(), QStringLiteral("30"));
    EXPECT_EQ(w().mnRedo->text(), QStringLiteral("&Redo Change Delay"));
}

// A chart whose second key sound no note uses.
TEST_F(UndoWindow, APurgeIsTakenBackWithTheKeyListAndTheNotesRenumbered) {
    QByteArray bytes = kChart;
    bytes.replace("FxSndIndex=\"2\"", "FxSndIndex=\"3\"");
    bytes.replace(
        "<EFFECT Snd=\"snare.wav\"",
        "<EFFECT Snd=\"unused.wav\" Volume=\"1.00\"></EFFECT>\r\n<EFFECT Snd=\"snare.wav\"");
    ui.fileAnswers = {writeFile(QStringLiteral("three.xml"), bytes)};
    w().mnOpen[0]->trigger();
    w().picMain->setFocus();
    ASSERT_EQ(w().lsKey->count(), 3);
    const QString loaded = chart();

    ui.messageAnswers = {MsgAnswer::Yes};
    w().mnKeyPurge->trigger();
    ASSERT_EQ(w().lsKey->count(), 2);
    EXPECT_EQ(w().mnUndo->text(), QStringLiteral("&Undo Purge Unused Keys"));
    key(Qt::Key_Z);
    EXPECT_EQ(chart(), loaded);  // the snare's note back on index 3
    EXPECT_EQ(w().lsKey->item(1)->text(), QStringLiteral("[2]1.00 unused.wav"));
    key(Qt::Key_Y);
    EXPECT_EQ(w().lsKey->count(), 2);
    EXPECT_EQ(w().doc.KeyCount, 2);
}

}  // namespace
}  // namespace lumidex::testing
