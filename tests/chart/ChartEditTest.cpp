// The edit interface: what a step records must take the document back to
// where it was and forward again exactly, and listeners hear of each step
// once, only when something changed. The undo history's bookkeeping: the
// names it offers, dropping redo steps, its bounds, the saved state, and what
// listeners hear of an undo.

#include <gtest/gtest.h>

#include <functional>
#include <random>

#include "ChartEdit.h"
#include "UndoHistory.h"
#include "support/ChartRecords.h"

using namespace lumidex;

namespace {

using test::StepLog;
using Snapshot = test::ChartSnapshot;

// One random write of any kind; small value ranges so that writes often
// repeat or restore a value.
void randomWrite(ChartEdit& e, std::mt19937& rng) {
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    const int c = pick(0, 3) == 0 ? pick(0, kMaxCoord) : pick(0, 40);
    const std::function<void()> writes[] = {
        [&] { e.setNote(c, uint8_t(pick(0, 3)), int16_t(pick(0, 2))); },
        [&] { e.setKind(c, uint8_t(pick(0, 145))); },
        [&] { e.setFxSndIndex(c, int16_t(pick(0, 2000))); },
        [&] { e.setSpeed(c, pick(1, 4) * 60.0); },
        [&] { e.setTempo(c, pick(1, 4) * 60.0); },
        [&] { e.setSpeedTempo(c, pick(1, 2) * 90.0, pick(1, 2) * 120.0); },
        [&] {
            e.setKeySound(pick(0, 5), {QString("k%1.wav").arg(pick(0, 2)), "1.00"});
        },
        [&] { e.setKeyCount(pick(0, 3)); },
        [&] { e.setLastCoord(pick(0, 3) * 100); },
        [&] { e.setDelay(pick(0, 2) * 1.5); },
        [&] { e.setLongCorrection(pick(3, 5)); },
        [&] { e.setCombo(pick(0, 3)); },
        [&] {
            HeaderTexts h = e.doc().Header;
            h.Name = QString("song %1").arg(pick(0, 2));
            e.setHeader(h);
        }};
    writes[pick(0, 12)]();
}

class History : public ::testing::Test {
  protected:
    void SetUp() override { edits.addListener(&heard); }
    void TearDown() override { edits.removeListener(&heard); }
    // One named step writing kind at coord.
    void draw(const QString& name, int coord, uint8_t kind) {
        EditStep s(edits, name);
        edits.setKind(coord, kind);
    }

    ChartDocument doc;
    ChartEdit edits{doc};
    UndoHistory history{edits, {3, size_t(1) << 20}};
    test::StepLog heard;
};

}  // namespace

TEST(ChartEdit, RandomStepsRevertAndReapplyExactly) {
    for (unsigned seed = 1; seed <= 3; ++seed) {
        std::mt19937 rng(seed);
        ChartDocument doc;
        doc.fillSpeedTempoFrom(0, 150, 150);
        ChartEdit edit(doc);
        StepLog rec;
        edit.addListener(&rec);
        std::vector<Snapshot> states{Snapshot(doc)};
        for (int step = 0; step < 60; ++step) {
            const size_t heard = rec.steps.size();
            const bool grouped = step % 3 != 0;
            if (grouped) edit.begin(QString("step %1").arg(step));
            const int writes = std::uniform_int_distribution<int>(1, grouped ? 40 : 1)(rng);
            for (int w = 0; w < writes; ++w) {
                if (grouped && w == writes / 2) edit.begin("inner");  // joins the outer step
                randomWrite(edit, rng);
                if (grouped && w == writes / 2) edit.commit();
            }
            if (grouped) edit.commit();
            const Snapshot now(doc);
            // A step is heard once when it changed something, else not at all.
            ASSERT_EQ(rec.steps.size(), heard + (now == states.back() ? 0 : 1));
            if (rec.steps.size() > heard) {
                const ChartChange& c = rec.steps.back();
                EXPECT_EQ(c.action, grouped ? QString("step %1").arg(step) : QString());
                std::vector<int> seen(kCellCount, 0);
                for (const CellChange& cc : c.cells) {
                    EXPECT_EQ(++seen[size_t(cc.coord)], 1) << "coord listed twice";
                    EXPECT_FALSE(cc.before == cc.after);
                }
                states.push_back(now);
            }
        }
        // Back to the start one step at a time, then forward to the end.
        for (size_t i = rec.steps.size(); i-- > 0;) {
            rec.steps[i].revert(doc);
            ASSERT_TRUE(Snapshot(doc) == states[i]) << "seed " << seed << " revert " << i;
        }
        for (size_t i = 0; i < rec.steps.size(); ++i) rec.steps[i].reapply(doc);
        EXPECT_TRUE(Snapshot(doc) == states.back()) << "seed " << seed;
    }
}

TEST(ChartEdit, RefusedWritesAndDroppedStepsLeaveNoRecord) {
    ChartDocument doc;
    ChartEdit edit(doc);
    StepLog rec;
    edit.addListener(&rec);
    // Out of range: nothing written, nothing recorded, the step still closes.
    EXPECT_THROW(edit.setNote(kCellCount, 1, 1), RuntimeError);
    EXPECT_THROW(edit.setKeySound(kMaxKeySound + 1, {}), RuntimeError);
    EXPECT_THROW(edit.setKind(-1, 1), RuntimeError);
    EXPECT_FALSE(edit.inStep());
    // An exception leaving a step records what was written before it.
    try {
        EditStep step(edit, "paste");
        edit.setNote(7, 17, 0);
        edit.setNote(kCellCount + 3, 17, 0);
    } catch (const RuntimeError&) {
    }
    ASSERT_EQ(rec.steps.size(), 1u);
    EXPECT_EQ(rec.steps[0].action, "paste");
    EXPECT_EQ(rec.steps[0].firstCoord(), 7);
    EXPECT_EQ(doc.cell(7).Kind, 17);
    // Opening a chart drops the open step unheard and says so.
    edit.begin("drag");
    edit.setNote(9, 18, 0);
    edit.replaced();
    EXPECT_FALSE(edit.inStep());
    edit.commit();  // the drag's release after the open: nothing to end
    EXPECT_EQ(rec.steps.size(), 1u);
    EXPECT_EQ(rec.replaced, 1);
    // A later step starts clean: coord 9 was not marked by the dropped one.
    edit.setNote(9, 0, 0);
    ASSERT_EQ(rec.steps.size(), 2u);
    EXPECT_EQ(rec.steps[1].cells[0].before.Kind, 18);
    edit.removeListener(&rec);
    edit.setNote(9, 1, 0);
    EXPECT_EQ(rec.steps.size(), 2u);
}

TEST_F(History, UndoAndRedoWalkTheStepsAndANewStepDropsTheUndoneOnes) {
    int notices = 0;
    history.onChange = [&] { ++notices; };
    EXPECT_FALSE(history.canUndo());
    draw("Paste", 1, 16);
    draw("Mirror", 2, 17);
    EXPECT_EQ(history.undoAction(), "Mirror");
    ASSERT_TRUE(history.undo());
    EXPECT_EQ(doc.cell(2).Kind, 0);
    EXPECT_EQ(history.undoAction(), "Paste");
    EXPECT_EQ(history.redoAction(), "Mirror");
    // Listeners hear the undo as the change it makes now.
    ASSERT_EQ(heard.steps.size(), 3u);
    EXPECT_EQ(heard.steps[2].action, "Mirror");
    EXPECT_EQ(heard.steps[2].cells[0].before.Kind, 17);
    EXPECT_EQ(heard.steps[2].cells[0].after.Kind, 0);
    ASSERT_TRUE(history.redo());
    EXPECT_EQ(doc.cell(2).Kind, 17);
    EXPECT_FALSE(history.redo());
    EXPECT_EQ(history.steps(), 2u);  // replays are not recorded

    history.undo();
    draw("Cut", 3, 18);
    EXPECT_FALSE(history.canRedo());
    EXPECT_EQ(history.steps(), 2u);
    EXPECT_EQ(notices, 6);  // 3 steps, 2 undos, 1 redo

    // Not in the middle of a step: that step's record would take in the undo.
    edits.begin("Draw Note");
    edits.setKind(4, 19);
    EXPECT_FALSE(history.canUndo());
    EXPECT_FALSE(history.undo());
    edits.commit();
    EXPECT_EQ(history.undoAction(), "Draw Note");

    edits.replaced();
    EXPECT_FALSE(history.canUndo());
    EXPECT_EQ(history.steps(), 0u);
    EXPECT_EQ(history.bytes(), 0u);
}

TEST_F(History, TheOldestStepsGoFirstButTheNewestStays) {
    for (int c = 1; c <= 5; ++c) draw(QString::number(c), c, 16);
    EXPECT_EQ(history.steps(), 3u);
    while (history.undo()) {
    }
    EXPECT_EQ(doc.cell(2).Kind, 16);
    EXPECT_EQ(doc.cell(3).Kind, 0);

    ChartDocument big;
    ChartEdit bigEdits(big);
    UndoHistory small(bigEdits, {1000, 4096});
    for (int step = 0; step < 3; ++step) {
        EditStep s(bigEdits, "Fill");
        for (int c = 0; c < 1000; ++c) bigEdits.setKind(c, uint8_t(step + 1));
    }
    EXPECT_EQ(small.steps(), 1u);
    EXPECT_GT(small.bytes(), 4096u);
    EXPECT_LT(small.bytes(), 16u * 1000);  // kinds alone kept, not whole cells
    EXPECT_EQ(small.undo()->cells.size(), 1000u);
    EXPECT_EQ(big.cell(999).Kind, 2);
}

TEST_F(History, TheSavedStateIsFoundAgainUntilItCanNoLongerBeReached) {
    // Each step an action and whether the chart then stands at the saved
    // state ("S") or not ("-"): a to d draw a new kind at coords 1 to 4, u
    // undoes, r redoes, n is an undo refused, m marks the saved state, o opens
    // a chart. Saved after "b", undoing it and stepping elsewhere leaves "b"
    // out of reach; a saved state that falls off the old end is gone as well.
    const QStringList script = QStringLiteral(
                                   "S a- uS r- b- mS u- u- r- rS u- c- u- "
                                   "oS a- b- c- d- u- u- u- n-")
                                   .split(' ');
    int kind = 16;
    for (const QString& step : script) {
        SCOPED_TRACE(step.toStdString());
        const char op = step[0].toLatin1();
        if (op == 'u' || op == 'r') {
            EXPECT_TRUE(op == 'u' ? history.undo() : history.redo());
        } else if (op == 'n') {
            EXPECT_FALSE(history.undo());
        } else if (op == 'm') {
            history.markSaved();
        } else if (op == 'o') {
            edits.replaced();
        } else if (op != 'S') {
            draw(step.left(1), op - 'a' + 1, uint8_t(kind++));
        }
        EXPECT_EQ(history.atSaved(), step.endsWith('S'));
    }
}
