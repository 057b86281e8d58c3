// The batch commands mark the chart modified only when they change it: each
// command is one edit step, and a step that writes back the values already
// there leaves the undo history at the saved state.

#include <gtest/gtest.h>

#include <functional>

#include "BatchCommands.h"
#include "ScriptedDialogs.h"
#include "UndoHistory.h"
#include "support/ChartRecords.h"

namespace lumidex {
namespace {

class BatchSteps : public ::testing::Test {
  protected:
    BatchSteps() {
        doc.fillSpeedTempoFrom(0, 120, 120);
        doc.fillSpeedTempoFrom(480, 150, 150);
        doc.setNote(96, 24, 2);
        doc.setNote(99, 20, 3);
        doc.Combo = 3;
        edits.replaced();
        edits.addListener(&log);
    }
    ChartDocument doc;
    ChartEdit edits{doc};
    UndoHistory history{edits};
    ScriptedDialogs ui;
    RandomKindSet randomKinds;
    BatchCommands batch{edits, ui, randomKinds};
    test::StepLog log;
};

TEST_F(BatchSteps, OnlyACommandThatChangedTheChartLeavesTheSavedState) {
    const ClipFields all{true, true, true};
    struct Case {
        const char* what;
        std::function<bool()> run;
        bool changes;
    } cases[] = {
        {"speed as it is", [&] { return batch.ChangeSpeed("500", "150", "150"); }, false},
        {"transform, no notes", [&] { return batch.Transform(KindTransform::Mirror, "0", "90"); },
         false},
        {"transform, kinds it keeps",
         [&] { return batch.Transform(KindTransform::StarToObstacle, "90", "99"); }, false},
        {"fill, indices as they are", [&] { return batch.FillKeyIndex(true, "96", "99"); }, false},
        {"paste over its source",
         [&] { return batch.Copy("90", "100", all) && batch.Paste("90", all); }, false},
        {"speed changed", [&] { return batch.ChangeSpeed("500", "150", "151"); }, true},
        {"transform changed",
         [&] { return batch.Transform(KindTransform::InverseLeftRight, "90", "99"); }, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        log.steps.clear();
        history.markSaved();
        EXPECT_TRUE(c.run());
        EXPECT_EQ(log.steps.size(), c.changes ? 1u : 0u);
        EXPECT_EQ(history.atSaved(), !c.changes);
    }
    EXPECT_EQ(ui.beeps(), 0);
    EXPECT_TRUE(ui.messages().isEmpty());
}

}  // namespace
}  // namespace lumidex
