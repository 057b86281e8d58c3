// The "Clipboard" and "Key List:" panels wired to their commands in the real
// window: each control reaches its command with the texts and choices shown,
// the chart counts as modified after a step, and the list and the labels
// follow. What the commands do is tested in the core (tests/batch,
// tests/keys).

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

#include "AudioTestSupport.h"
#include "CBass.h"
#include "KeyList.h"
#include "fmBPM.h"
#include "support/WindowFixture.h"

namespace lumidex::testing {
namespace {

class PanelWiring : public WindowTest {
  protected:
    // The test chart open from its own folder (its sounds beside it), no
    // notes, nothing modified.
    void SetUp() override {
        start({writeChart()});
        control<QLineEdit>("txMusicPath")->setText(QString());
        window->doc.InitArea();
        window->doc.fillSpeedTempoFrom(0, 120, 120);
        window->doc.Combo = 0;
        window->edits.replaced();
        window->state.Modified = 0;
        mark();
    }
    int key(int c) const { return window->doc.cell(c).FxSndIndex; }
    QStringList lines() const {
        QStringList all;
        for (int i = 0; i < list()->count(); ++i) all << list()->item(i)->text();
        return all;
    }
    QListWidget* list() const { return control<QListWidget>("lsKey"); }
    void clickItem(int row, bool twice = false) {
        const QPoint at = list()->visualItemRect(list()->item(row)).center();
        QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, at);
        if (twice) QTest::mouseDClick(list()->viewport(), Qt::LeftButton, {}, at);
    }
};

TEST_F(PanelWiring, ClipboardPanelPassesItsBoxesAndTheGridToTheCommands) {
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    control<QLineEdit>("txFrom")->setFocus();
    control<QPushButton>("cmdFocus")->click();  // "Set Foc&us"
    EXPECT_TRUE(control<PictureBox>("picMain")->hasFocus());

    window->doc.setNote(9, 16, 1);
    window->doc.setNote(12, 18, 3);
    window->doc.Combo = 2;
    control<QComboBox>("cbNormalize")->setCurrentText("3");
    control<QLineEdit>("txFrom")->setText("10");  // 9..21
    control<QLineEdit>("txTo")->setText("20");
    control<QPushButton>("cmdCopy")->click();
    EXPECT_EQ(window->state.Modified, 0);
    control<QCheckBox>("chkCopyFxSnd")->setChecked(false);
    control<QAction>("mnPaste")->trigger();  // "Paste to" empty
    EXPECT_EQ(ui.messages().last(), QStringLiteral("Please enter destination to paste"));
    control<QLineEdit>("txPaste")->setText("481");  // 480
    window->doc.setFxSndIndex(480, 7);
    control<QPushButton>("cmdPaste")->click();
    EXPECT_EQ(kind(480) + kind(483), 34);
    EXPECT_EQ(key(480), 7);
    EXPECT_EQ(control<QLabel>("lbCombo")->text(), QStringLiteral("4"));
    EXPECT_EQ(window->state.Modified, 1);

    control<QPushButton>("cmdCut")->click();
    EXPECT_EQ(kind(9), 0);
    control<QAction>("mnObstacle", 4)->trigger();  // "&Mirror"
    EXPECT_EQ(kind(480), 16);
    control<QLineEdit>("txFrom")->setText("480");
    control<QLineEdit>("txTo")->setText("483");
    control<QAction>("mnKeyFxSnd", 1)->trigger();  // "Fill Key Index &Ascendingly"
    EXPECT_EQ(key(483), 8);
    control<QAction>("mnSetBPM")->trigger();
    auto* d = window->findChild<fmBPM*>(QStringLiteral("fmBPM"));
    ASSERT_NE(d, nullptr);
    d->txCoord->setText("600");
    d->txBPMO->setText("150");
    d->txBPM->setText("150");
    d->cmdOK->click();
    EXPECT_EQ(window->doc.cell(600).Tempo, 150);
    EXPECT_EQ(control<QAction>("mnUndo")->text(), QStringLiteral("&Undo Change Speed"));
}

TEST_F(PanelWiring, KeyListButtonsRunTheCommandsOnTheSelectedKeyAndTheListFollows) {
    ui.inputAnswers = {"hat.wav", "0.7"};
    control<QPushButton>("cmdKeyAdd")->click();
    EXPECT_EQ(lines(), QStringList({"[1]1.00 kick.wav", "[2]0.5 snare.wav", "[3]0.7 hat.wav"}));
    EXPECT_EQ(window->state.Modified, 1);

    ui.multiAnswers = {{"/home/a/drums/tom.wav"}};
    control<QAction>("mnKeyAddBatch")->trigger();
    EXPECT_EQ(ui.shown.back().initial, window->state.ChartDir);  // the music folder
    EXPECT_EQ(lines().last(), QStringLiteral("[4]1.00 drums/tom.wav"));

    ui.inputAnswers = {"clap.wav", "0.25"};
    clickItem(1, true);  // a double click edits the key clicked
    EXPECT_EQ(lines()[1], QStringLiteral("[2]0.25 clap.wav"));
    EXPECT_EQ(list()->currentRow(), 1);  // the selection stays

    window->edits.setNote(100, 16, 3);
    ui.messageAnswers = {MsgAnswer::Yes};
    control<QPushButton>("cmdKeyDelete")->click();
    EXPECT_EQ(ui.shown.back().text, kDeleteKeyQuestion);  // through the asking command
    EXPECT_EQ(lines().size(), 3);

    ui.messageAnswers = {MsgAnswer::Yes};
    control<QAction>("mnKeyPurge")->trigger();
    EXPECT_EQ(lines(), QStringList({"[1]0.7 hat.wav"}));

    // Nothing selected: edit and delete ask nothing.
    list()->setCurrentRow(-1);
    mark();
    control<QAction>("mnKeyEdit")->trigger();
    control<QAction>("mnKeyDelete")->trigger();
    EXPECT_TRUE(shownSinceMark().empty());
}

TEST_F(PanelWiring, ClickedKeyPlaysThroughTheChosenDecoderAndEnablesCloseKey) {
    ASSERT_TRUE(test::writeTone(path(QStringLiteral("kick.wav")), 0.2));
    clickItem(1);  // snare.wav is missing: no sound, no message
    EXPECT_FALSE(control<QPushButton>("cmdCloseKey")->isEnabled());
    EXPECT_TRUE(shownSinceMark().empty());
    clickItem(0);
    CBass* player = window->players.existingBass(1);
    ASSERT_NE(player, nullptr);
    EXPECT_TRUE(player->Active());
    EXPECT_TRUE(control<QPushButton>("cmdCloseKey")->isEnabled());
    EXPECT_EQ(window->state.Modified, 0);

    control<QAction>("mnDecoder", 2)->trigger();
    clickItem(0);
    EXPECT_TRUE(window->keyPreview.running());
    EXPECT_TRUE(control<QPushButton>("cmdCloseKey")->isEnabled());
}

}  // namespace
}  // namespace lumidex::testing
