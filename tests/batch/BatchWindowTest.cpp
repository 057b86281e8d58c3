// The batch operations through the real window: the "Clipboard" panel, the
// "--Batch Operation--" menu items and the "Change Speed" dialog, driven
// offscreen with scripted dialogs: the cells written, messages and beeps,
// Combo, Modified and the named edit step each operation records.

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "PictureBox.h"
#include "fmBPM.h"
#include "support/ChartRecords.h"
#include "support/WindowFixture.h"

namespace lumidex::testing {
namespace {

using V = std::vector<int>;

class BatchWindow : public WindowTest {
  protected:
    // An open chart at tempo and speed 120 everywhere and no notes.
    void SetUp() override {
        start({writeChart()});
        w().doc.InitArea();
        w().doc.fillSpeedTempoFrom(0, 120, 120);
        w().doc.Combo = 0;
        w().edits.replaced();
        w().edits.addListener(&log);
        w().state.Modified = 0;
    }
    void TearDown() override { w().edits.removeListener(&log); }
    fmMain& w() { return *window; }

    // Notes placed as a load places them, Combo counting their weights.
    void place(std::initializer_list<std::tuple<int, int, int>> notes) {
        for (const auto& [coord, kind, index] : notes) {
            w().doc.setNote(coord, uint8_t(kind), int16_t(index));
            w().doc.Combo += ComboWeight(uint8_t(kind));
        }
    }
    int kind(int c) { return w().doc.cell(c).Kind; }
    int key(int c) { return w().doc.cell(c).FxSndIndex; }
    V kinds(std::initializer_list<int> coords) {
        V all;
        for (int c : coords) all.push_back(kind(c));
        return all;
    }
    double tempo(int c) { return w().doc.cell(c).Tempo; }
    std::vector<NoteEntry> cells() {
        std::vector<NoteEntry> all;
        for (int c = 0; c <= kMaxCoord; ++c) all.push_back(w().doc.cell(c));
        return all;
    }
    void range(const QString& from, const QString& to) {
        control<QLineEdit>("txFrom")->setText(from);
        control<QLineEdit>("txTo")->setText(to);
    }
    void fields(bool note, bool key, bool bpm) {
        control<QCheckBox>("chkCopyNote")->setChecked(note);
        control<QCheckBox>("chkCopyFxSnd")->setChecked(key);
        control<QCheckBox>("chkCopyBPM")->setChecked(bpm);
    }
    void paste(const QString& dest) {
        control<QLineEdit>("txPaste")->setText(dest);
        control<QPushButton>("cmdPaste")->click();
    }

    test::StepLog log;
};

TEST_F(BatchWindow, CopySnapsToTheGridAndPasteWritesTheCheckedFieldsOfEachStep) {
    place({{9, 16, 1}, {10, 17, 2}, {12, 18, 3}, {21, 19, 4}, {24, 20, 5}});
    w().doc.setSpeedTempo(12, 90, 90);
    control<QComboBox>("cbNormalize")->setCurrentText("3");
    range("10", "20");  // 9..21
    control<QPushButton>("cmdCopy")->click();
    EXPECT_EQ(w().state.Modified, 0);

    w().doc.setFxSndIndex(481, 7);
    fields(true, false, false);              // the boxes at paste time decide
    control<QAction>("mnPaste")->trigger();  // "Paste to" empty
    EXPECT_EQ(ui.messages().last(), QStringLiteral("Please enter destination to paste"));
    paste("481");  // 480
    EXPECT_EQ(kinds({480, 481, 483, 486, 492, 495}), (V{16, 0, 18, 0, 19, 0}));
    EXPECT_EQ(key(481), 7);
    EXPECT_EQ(tempo(483), 120);
    EXPECT_EQ(control<QLabel>("lbCombo")->text(), QStringLiteral("8"));
    EXPECT_EQ(w().state.Modified, 1);
    ASSERT_EQ(log.steps.size(), 1u);
    EXPECT_EQ(log.steps[0].action, QStringLiteral("Paste"));
    EXPECT_EQ(log.steps[0].cells.size(), 3u);
}

TEST_F(BatchWindow, BadRangesAndMissingFieldsChangeNothing) {
    place({{40, 16, 1}, {50, 26, 2}});
    const auto before = cells();
    for (const auto& [from, to] : {std::pair{"50", "40"}, {"abc", "60"}, {"40", ""}}) {
        range(from, to);
        for (QAction* command :
             {control<QAction>("mnCopy"), control<QAction>("mnCut"),
              control<QAction>("mnObstacle", 4), control<QAction>("mnKeyFxSnd", 1)}) {
            ui.shown.clear();
            command->trigger();
            EXPECT_EQ(ui.messages(), QStringList{"Please enter operation range"}) << from;
            EXPECT_EQ(ui.shown[0].icon, MsgIcon::None);
        }
    }
    ui.shown.clear();
    range("0", "100");
    fields(false, false, false);
    control<QPushButton>("cmdCut")->click();
    paste("0");
    EXPECT_TRUE(ui.shown.empty());
    EXPECT_EQ(cells(), before);
    EXPECT_EQ(w().state.Modified, 0);
    EXPECT_TRUE(log.steps.empty());
}

TEST_F(BatchWindow, PasteBeforeAnyCopyEmptiesOneCellAndOverItsSourcePastesTheCopy) {
    place({{480, 16, 3}, {481, 17, 0}});
    paste("480");
    EXPECT_EQ(kind(480), 0);
    EXPECT_EQ(key(480), 0);
    EXPECT_EQ(tempo(480), 120);
    EXPECT_EQ(w().doc.cell(480).Speed, 120);
    EXPECT_EQ(kind(481), 17);
    EXPECT_EQ(w().doc.Combo, 1);

    // Over its own source it pastes the values as copied.
    for (int c = 0; c < 48; ++c) w().doc.setNote(c, uint8_t(16 + c % 8), int16_t(c));
    const auto before = cells();
    range("0", "47");
    control<QPushButton>("cmdCopy")->click();
    paste("12");
    for (int c = 0; c < 48; ++c) EXPECT_EQ(w().doc.cell(c + 12), before[size_t(c)]) << c;
}

TEST_F(BatchWindow, CutClearsTheCheckedFieldsAndRestoresTheTempoBeforeTheRange) {
    w().doc.fillSpeedTempoFrom(480, 150, 180);
    place({{0, 16, 1}, {5, 0, 0}, {12, 24, 2}, {480, 18, 3}, {492, 128, 4}});
    w().doc.setSpeedTempo(5, 60, 60);
    fields(true, false, true);
    range("480", "495");
    control<QAction>("mnCut")->trigger();
    EXPECT_EQ(kind(480) + kind(492), 0);
    EXPECT_EQ(key(480), 3);
    EXPECT_EQ((std::vector<double>{tempo(480), tempo(495), tempo(496)}),
              (std::vector<double>{120, 120, 180}));
    EXPECT_EQ(w().doc.Combo, 3);
    EXPECT_EQ(log.steps.back().action, QStringLiteral("Cut"));

    // From a start at or below coord 0 the tempo is cell 0's own.
    range("-7", "11");
    control<QPushButton>("cmdCut")->click();
    EXPECT_EQ(tempo(5), 120);
    EXPECT_EQ(kind(0), 0);
    EXPECT_EQ(kind(12), 24);
    EXPECT_EQ(w().doc.Combo, 2);
    EXPECT_EQ(w().state.Modified, 1);
    paste("480");  // what was cut pastes back
    EXPECT_EQ(kind(480), 16);
    EXPECT_EQ(tempo(485), 60);
}

TEST_F(BatchWindow, RangesAndDestinationsStayInsideTheChart) {
    place({{0, 16, 1}, {29995, 17, 2}, {30000, 18, 3}});
    range("-100", "40000");
    control<QPushButton>("cmdCopy")->click();
    paste("29990");  // runs 30000 coords past the end
    EXPECT_EQ(kind(29990), 16);
    EXPECT_EQ(kind(30000), 0);
    paste("-29995");  // starts before the chart
    EXPECT_EQ(kind(0), 17);
    EXPECT_EQ(kind(5), 18);
    range("-30", "99999");
    control<QAction>("mnObstacle", 4)->trigger();
    control<QAction>("mnKeyFxSnd", 1)->trigger();
    EXPECT_EQ(kind(0), 16);
    EXPECT_EQ(key(5), key(0) + 1);
    EXPECT_TRUE(ui.messages().filter("Please").isEmpty());
}

TEST_F(BatchWindow, TransformsSwapTheirKindsAndInversionsTwiceRestoreTheChart) {
    const int placed[] = {16, 18, 20, 21, 26, 128, 130, 134, 137, 140};
    for (int i = 0; i < 10; ++i) w().doc.setNote(i * 12, uint8_t(placed[i]), 0);
    const auto original = cells();
    range("0", "200");
    control<QAction>("mnObstacle", 4)->trigger();  // "&Mirror"
    EXPECT_EQ(kinds({0, 12, 24, 84}), (V{17, 19, 21, 137}));
    control<QAction>("mnObstacle", 4)->trigger();
    control<QAction>("mnObstacle", 3)->trigger();  // "Inverse &Up && Down"
    EXPECT_EQ(kinds({0, 12, 24, 84}), (V{17, 18, 22, 137}));
    control<QAction>("mnObstacle", 3)->trigger();
    for (int t = 2; t <= 4; ++t) {
        control<QAction>("mnObstacle", t)->trigger();
        EXPECT_NE(cells(), original) << t;
        control<QAction>("mnObstacle", t)->trigger();
        EXPECT_EQ(cells(), original) << t;
    }
    control<QAction>("mnObstacle", 1)->trigger();  // "&Obstacle To Star"
    EXPECT_EQ(kind(12), 26);
    control<QAction>("mnObstacle", 0)->trigger();  // "&Star To Obstacle", the star at 48 too
    EXPECT_EQ(kind(12) + kind(48), 36);
    EXPECT_EQ(log.steps.back().action, QStringLiteral("Star To Obstacle"));
    EXPECT_EQ(w().state.Modified, 1);
}

TEST_F(BatchWindow, WithAlignCoordFourTransformsSkipOffGridNotesButFillsReachThem) {
    place({{100, 16, 5}, {102, 16, 0}, {104, 16, 0}, {110, 131, 0}, {113, 133, 0}, {124, 17, 0}});
    control<QComboBox>("cbNormalize")->setCurrentText("4");
    range("100", "124");
    control<QAction>("mnObstacle", 4)->trigger();
    EXPECT_EQ(kinds({100, 102, 110, 124}), (V{17, 16, 131, 16}));

    // The long-note end at 113 and the empty 120 take no number.
    w().state.Modified = 0;
    control<QAction>("mnKeyFxSnd", 1)->trigger();
    for (auto [c, k] : {std::pair{102, 6}, {104, 7}, {110, 8}, {113, 0}, {120, 0}, {124, 9}})
        EXPECT_EQ(key(c), k) << c;
    EXPECT_EQ(w().state.Modified, 1);
    EXPECT_EQ(log.steps.back().action, QStringLiteral("Fill Key Index Ascendingly"));
    control<QAction>("mnKeyFxSnd", 0)->trigger();  // "&Fill Key Index Repeatly"
    for (int c : {102, 104, 110, 124}) EXPECT_EQ(key(c), 5) << c;
}

TEST_F(BatchWindow, RandomiseDrawsFromTheSetKeepsEmptyCellsAndKeepsComboReal) {
    place({{0, 24, 0}, {12, 129, 0}, {24, 26, 0}, {36, 5, 0}});
    range("0", "48");
    control<QAction>("mnObstacle", 5)->trigger();
    for (int c : {0, 12, 24, 36}) EXPECT_TRUE(kind(c) >= 16 && kind(c) <= 19) << c;
    EXPECT_EQ(kind(1) + kind(48), 0);
    EXPECT_EQ(control<QLabel>("lbCombo")->text(), QStringLiteral("4"));
    EXPECT_EQ(w().state.Modified, 1);
}

TEST_F(BatchWindow, SetFocusHandsTheKeyboardToTheCanvas) {
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w()));
    control<QLineEdit>("txFrom")->setFocus();
    control<QPushButton>("cmdFocus")->click();
    EXPECT_TRUE(control<PictureBox>("picMain")->hasFocus());
}

class ChangeSpeed : public BatchWindow {
  protected:
    fmBPM& open() {
        control<QAction>("mnSetBPM")->trigger();
        return *w().findChild<fmBPM*>(QStringLiteral("fmBPM"));
    }
    void change(const QString& coord, const QString& bpm, const QString& speed) {
        fmBPM& d = open();
        d.txCoord->setText(coord);
        d.txBPMO->setText(bpm);
        d.txBPM->setText(speed);
        d.cmdOK->click();
    }
};

TEST_F(ChangeSpeed, EachChangeRewritesOneTempoSegment) {
    change("480", "150", "150");
    change("960", "180", "180");
    change("480", "140", "140");
    EXPECT_EQ((std::vector<double>{tempo(479), tempo(480), tempo(959), tempo(960), tempo(30000)}),
              (std::vector<double>{120, 140, 140, 180, 180}));
    EXPECT_EQ(w().doc.cell(959).Speed, 140);
    EXPECT_EQ(log.steps.back().action, QStringLiteral("Change Speed"));
    EXPECT_EQ(log.steps.back().cells.size(), 480u);
    EXPECT_FALSE(open().isModal());

    // The same values again, or a transform where there are no notes,
    // change nothing and leave the chart unmarked.
    w().state.Modified = 0;
    change("0", "120", "120");
    range("0", "90");
    control<QAction>("mnObstacle", 4)->trigger();
    EXPECT_EQ(log.steps.size(), 3u);
    EXPECT_EQ(w().state.Modified, 0);
}

TEST_F(ChangeSpeed, RefusedEntriesBeepAndKeepTheDialogOpen) {
    const auto before = cells();
    // Coord, BPM and speed as typed.
    for (const char* entry : {"0|abc|100", "0|100|", "0|0|100", "0|100|-1", "-1|100|100",
                              "30001|100|100", "0|1e999|100"}) {
        const QStringList typed = QString(entry).split('|');
        const int beeps = ui.beeps();
        change(typed[0], typed[1], typed[2]);
        EXPECT_EQ(ui.beeps(), beeps + 1) << entry;
    }
    fmBPM& d = open();
    EXPECT_TRUE(d.isVisible());
    for (const char* coord : {"x", "-3", "30001"}) {
        d.txCoord->setText(coord);
        d.cmdGetInfo->click();
    }
    EXPECT_EQ(ui.beeps(), 10);
    EXPECT_EQ(d.txBPMO->text(), QStringLiteral("1e999"));
    EXPECT_EQ(cells(), before);
    EXPECT_EQ(w().state.Modified, 0);
}

TEST_F(ChangeSpeed, EnterRunsGetInfoInTheCoordBoxAndChangeInTheSpeedBox) {
    w().doc.setSpeedTempo(0, 60, 90);
    fmBPM& d = open();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&d));
    d.txCoord->setFocus();
    QTest::keyClick(d.txCoord, Qt::Key_Return);  // empty box: cell 0
    EXPECT_EQ(d.txBPMO->text(), QStringLiteral("90"));
    EXPECT_EQ(d.txBPM->text(), QStringLiteral("60"));
    d.txBPMO->setFocus();  // keeps "&Get BPM Info"
    QTest::keyClick(d.txBPMO, Qt::Key_Return);
    EXPECT_TRUE(d.isVisible());
    d.txCoord->setText("1");
    d.txBPM->setFocus();
    d.txBPM->setText("75.5");
    QTest::keyClick(d.txBPM, Qt::Key_Return);
    EXPECT_FALSE(d.isVisible());
    EXPECT_EQ(w().doc.cell(1).Speed, 75.5);
    EXPECT_EQ(w().doc.cell(0).Speed, 60);
    EXPECT_TRUE(open().txCoord->text().isEmpty());  // closing forgot the boxes
}

}  // namespace
}  // namespace lumidex::testing
