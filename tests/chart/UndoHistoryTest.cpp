// The undo history's bookkeeping: the names it offers, dropping redo steps,
// its bounds, the saved state, and what listeners hear of an undo.

#include <gtest/gtest.h>

#include "UndoHistory.h"
#include "support/ChartRecords.h"

using namespace lumidex;

namespace {

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
    EXPECT_TRUE(history.atSaved());
    draw("a", 1, 16);
    EXPECT_FALSE(history.atSaved());
    history.undo();
    EXPECT_TRUE(history.atSaved());
    history.redo();
    draw("b", 2, 16);
    history.markSaved();
    history.undo();
    history.undo();
    EXPECT_FALSE(history.atSaved());
    history.redo();
    history.redo();
    EXPECT_TRUE(history.atSaved());

    // Saved after "b"; undo it and step elsewhere: "b" cannot come back.
    history.undo();
    draw("c", 3, 16);
    history.undo();
    EXPECT_FALSE(history.atSaved());

    // A saved state that falls off the old end is gone as well.
    edits.replaced();
    EXPECT_TRUE(history.atSaved());
    for (int c = 1; c <= 4; ++c) draw("d", c, 17);
    while (history.undo()) EXPECT_FALSE(history.atSaved());
}
