// The "Change Speed" dialog over the batch commands, without the window:
// Enter follows the focus, a refusal keeps the dialog open, a change closes
// it and closing forgets the boxes.

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "BatchCommands.h"
#include "ScriptedDialogs.h"
#include "fmBPM.h"

namespace lumidex {
namespace {

TEST(ChangeSpeedDialog, EnterRunsGetInfoInTheCoordBoxAndChangeInTheSpeedBox) {
    ChartDocument doc;
    doc.fillSpeedTempoFrom(0, 120, 120);
    doc.setSpeedTempo(0, 60, 90);
    ChartEdit edits(doc);
    ScriptedDialogs ui;
    RandomKindSet kinds;
    BatchCommands batch(edits, ui, kinds);
    int changed = 0;
    fmBPM d(batch, [&] { ++changed; });
    EXPECT_FALSE(d.isModal());
    d.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&d));
    d.txCoord->setFocus();
    QTest::keyClick(d.txCoord, Qt::Key_Return);  // empty box: cell 0
    EXPECT_EQ(d.txBPMO->text(), QStringLiteral("90"));
    EXPECT_EQ(d.txBPM->text(), QStringLiteral("60"));
    d.txCoord->setText("-3");  // refused: a beep, the values stay
    d.cmdGetInfo->click();
    EXPECT_EQ(d.txBPMO->text(), QStringLiteral("90"));
    d.txCoord->clear();
    d.txBPMO->setFocus();  // keeps "&Get BPM Info"
    QTest::keyClick(d.txBPMO, Qt::Key_Return);
    EXPECT_TRUE(d.isVisible());

    d.txBPM->setFocus();
    d.txBPM->setText("-1");  // refused: a beep, the dialog stays
    QTest::keyClick(d.txBPM, Qt::Key_Return);
    EXPECT_EQ(ui.beeps(), 2);
    EXPECT_TRUE(d.isVisible());
    d.txCoord->setText("1");
    d.txBPM->setText("75.5");
    QTest::keyClick(d.txBPM, Qt::Key_Return);
    EXPECT_FALSE(d.isVisible());
    EXPECT_EQ(changed, 1);
    EXPECT_EQ(doc.cell(1).Speed, 75.5);
    d.show();
    EXPECT_TRUE(d.txCoord->text().isEmpty());  // closing forgot the boxes
}

}  // namespace
}  // namespace lumidex
