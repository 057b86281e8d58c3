// The "Detect Tempo" dialog over a generated song: the analysis runs on its
// worker and its proposal is applied as one step; tap tempo from key presses
// at known music times.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include "SongMaker.h"
#include "TempoApply.h"
#include "TempoDialog.h"
#include "support/ChartRecords.h"
#include "support/FileHelpers.h"

namespace lumidex::tempo {
namespace {

struct DialogFixture : ::testing::Test {
    QTemporaryDir dir;
    ChartDocument doc;
    ChartEdit edits{doc};
    test::StepLog log;
    std::vector<double> times;  // what the music's position answers, tap by tap
    size_t next = 0;

    void SetUp() override {
        for (int c = 0; c <= kMaxCoord; ++c) doc.setSpeedTempo(c, 120, 120);
        edits.addListener(&log);
        const testing::SongPlan plan{testing::Style::Rock, 96.5, 0.7, 12, 1, 0.01, 44100, 4};
        ASSERT_TRUE(test::writeAll(dir.filePath(QStringLiteral("song.wav")),
                                   testing::wavFile(testing::makeSong(plan), 44100)));
    }
    void TearDown() override { edits.removeListener(&log); }

    std::unique_ptr<TempoDialog> open() {
        auto dialog = std::make_unique<TempoDialog>(
            edits, dir.path() + '/', QStringLiteral("song.wav"),
            [this]() -> std::optional<double> {
                if (next >= times.size()) return std::nullopt;
                return times[next++];
            },
            nullptr);
        dialog->waitForAnalysis();
        QCoreApplication::processEvents();
        return dialog;
    }
};

TEST_F(DialogFixture, AppliesTheProposalAsOneStep) {
    const auto dialog = open();
    ASSERT_GE(dialog->lsTempo->count(), 2);
    EXPECT_NEAR(dialog->lsTempo->item(0)->text().section(QLatin1Char(' '), 0, 0).toDouble(), 96.5,
                0.02);
    EXPECT_TRUE(dialog->cmdApply->isEnabled());
    QTest::mouseClick(dialog->cmdApply, Qt::LeftButton);
    ASSERT_EQ(log.actions(), std::vector<QString>{kApplyTempoStep});
    EXPECT_NEAR(doc.cell(0).Tempo, 96.5, 0.02);
    EXPECT_NEAR(doc.Delay, delayFor(96.5, 0.7), 0.5);
}

TEST_F(DialogFixture, TapsFromKeysAtKnownMusicTimes) {
    const auto dialog = open();
    times = {10.0, 10.5, 11.0, 11.5};  // 120 BPM, on the beat of 10 s
    for (size_t i = 0; i < times.size(); ++i) {
        EXPECT_FALSE(dialog->cmdApplyTap->isEnabled());
        QTest::keyClick(dialog.get(), Qt::Key_T);
    }
    EXPECT_TRUE(dialog->lbTap->text().startsWith(QStringLiteral("120.00 BPM")));
    QTest::mouseClick(dialog->cmdApplyTap, Qt::LeftButton);
    EXPECT_DOUBLE_EQ(doc.cell(0).Tempo, 120);
    EXPECT_DOUBLE_EQ(doc.Delay, 3);
    EXPECT_EQ(log.actions(), std::vector<QString>{kApplyTempoStep});
}

}  // namespace
}  // namespace lumidex::tempo
