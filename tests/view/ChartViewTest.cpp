#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>

#include "ChartView.h"
#include "RenderHelpers.h"

using namespace lumidex;
using namespace lumidex::testing;

namespace {

// The view with every control of the window, at the design sizes.
class ChartViewTest : public ::testing::Test {
  protected:
    void SetUp() override {
        window.resize(300, 500);
        c.picScale = place(new PictureBox(&window), 0, kScaleWidth);
        c.picMain = place(new PictureBox(&window), 50, kCanvasWidth);
        c.picKey = place(new PictureBox(&window), 120, kKeyWidth);
        c.vsb = place(new QScrollBar(&window), 160, 17);
        for (QComboBox** list : {&c.cbVScroll, &c.cbAltStep, &c.cbKeyStep, &c.cbNormalize})
            *list = new QComboBox(&window);
        for (QLabel** label : {&c.lbTime, &c.lbFrame, &c.lbCombo}) *label = new QLabel(&window);
        for (QLineEdit** box : {&c.txBPM, &c.txBPMO}) *box = new QLineEdit(&window);
        for (QAction** item : {&c.mnShowGrid, &c.mnShowPlayLine, &c.mnShowTrans})
            *item = new QAction(&window);
        doc.fillSpeedTempoFrom(0, 150, 150);
        doc.LastCoord = 1000;
        view = std::make_unique<ChartView>(doc, c);
        view->setUpControls();
        view->connectHandlers();
        view->InitArea();
        view->ReDrawNote();
    }

    template <class W>
    W* place(W* widget, int x, int width) {
        widget->setGeometry(x, 0, width, kDesignCanvasHeight);
        return widget;
    }

    // A wheel event given to the window at a point over target.
    void wheelOver(QWidget* target, int delta) {
        const QPointF at = target->mapTo(&window, QPoint(5, 200));
        QWheelEvent event(at, window.mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(window.windowHandle(), &event);
    }

    bool focusCanvas() {
        window.show();
        window.activateWindow();
        if (!QTest::qWaitForWindowActive(&window)) return false;
        c.picMain->setFocus();
        return c.picMain->hasFocus();
    }

    QWidget window;
    ViewControls c;
    ChartDocument doc;
    std::unique_ptr<ChartView> view;
};

}  // namespace

TEST_F(ChartViewTest, ScrollBarValueRoundsToThreeAndStaysBelowTheTop) {
    EXPECT_EQ(c.vsb->maximum(), 1072);
    c.vsb->setValue(100);
    EXPECT_EQ(view->state().viewBase, 99);
    EXPECT_EQ(c.vsb->value(), 99);  // the rounded value is written back
    c.vsb->setValue(101);
    EXPECT_EQ(view->state().viewBase, 102);
    EXPECT_EQ(view->lastReport().drawn.first, 102 - 39);

    doc.LastCoord = 29;  // top 101: 102 would pass it
    view->setScrollTop();
    c.vsb->setValue(50);
    c.vsb->setValue(101);
    EXPECT_EQ(view->state().viewBase, 99);
    EXPECT_EQ(c.vsb->value(), 99);

    view->scrollTo(100, true);  // a programmatic scroll keeps the exact value
    EXPECT_EQ(view->state().viewBase, 100);
    EXPECT_EQ(view->lastReport().drawn.last, 180);
}

TEST_F(ChartViewTest, PlaybackOwnsTheViewBase) {
    c.vsb->setValue(300);
    view->state().playing = true;
    c.vsb->setValue(600);
    EXPECT_EQ(view->state().viewBase, 300);
    view->state().viewBase = 450;  // playback moves the view and repaints
    view->ReDrawNote();
    EXPECT_EQ(view->lastReport().drawn.first, 450 - 39);
    QTest::keyClick(c.picMain, Qt::Key_PageUp);
    EXPECT_EQ(c.vsb->value(), 600);
}

// The wheel goes to what is under the pointer: the canvas, both strips and
// the scroll bar scroll by the VScroll step, whether the canvas has the focus
// or not. The events reach the window, which finds the widget under them.
TEST_F(ChartViewTest, WheelOverEveryStripScrollsByTheStepWithoutFocus) {
    const std::pair<const char*, QWidget*> targets[] = {
        {"picMain", c.picMain}, {"picScale", c.picScale}, {"picKey", c.picKey}, {"vsb", c.vsb}};
    window.show();
    ASSERT_FALSE(c.picMain->hasFocus());
    for (const auto& [name, target] : targets) {
        SCOPED_TRACE(name);
        c.cbVScroll->setCurrentText(QStringLiteral("96"));
        c.vsb->setValue(150);
        wheelOver(target, -120);
        EXPECT_EQ(view->state().viewBase, 54);
        wheelOver(target, 240);  // two notches at once
        EXPECT_EQ(view->state().viewBase, 246);
        c.cbVScroll->setCurrentText(QStringLiteral("3"));
        for (int i = 0; i < 4; ++i) wheelOver(target, 30);  // a fine wheel: four quarters a notch
        EXPECT_EQ(c.vsb->value(), 249);
    }
    ASSERT_TRUE(focusCanvas());
    wheelOver(c.picMain, -120);
    EXPECT_EQ(c.vsb->value(), 246);
}

// A taller canvas pages further and draws further down; the baseline stays
// on row 350.
TEST_F(ChartViewTest, ResizingTheCanvasChangesThePageStepAndTheDrawnRange) {
    window.show();
    c.vsb->setValue(999);
    EXPECT_EQ(view->lastReport().drawn.first, 999 - 39);
    for (PictureBox* box : {c.picScale, c.picMain, c.picKey})
        box->resize(box->width(), 4 * kDesignCanvasHeight);
    EXPECT_EQ(c.vsb->pageStep(), 399);  // 1876 rows are 402 coords
    EXPECT_EQ(view->lastReport().drawn.first, 999 - 305 - 16);
    EXPECT_EQ(view->lastReport().drawn.last, 999 + 80);
    EXPECT_EQ(c.picMain->buffer().height(), 4 * kDesignCanvasHeight);
    QTest::keyClick(c.picMain, Qt::Key_PageDown);
    EXPECT_EQ(view->state().viewBase, 600);
    QTest::keyClick(c.picMain, Qt::Key_PageUp);
    EXPECT_EQ(view->state().viewBase, 999);
}

TEST_F(ChartViewTest, StepListsSetTheirValues) {
    c.cbKeyStep->setCurrentText(QStringLiteral("Note"));
    EXPECT_EQ(view->state().keyStep, -1);
    c.cbVScroll->setCurrentText(QStringLiteral("18"));
    EXPECT_EQ(view->state().wheelStep, 18);
    c.cbAltStep->setCurrentText(QStringLiteral("9"));
    EXPECT_EQ(view->state().altStep, 9);
    c.cbNormalize->setCurrentText(QStringLiteral("6"));
    EXPECT_EQ(doc.AlignCoord, 6);
}

TEST_F(ChartViewTest, ReadOutsShowTimeFrameComboAndTempo) {
    doc.LastCoord = 3000;
    doc.Combo = 17;
    doc.fillSpeedTempoFrom(1965, 225, 150);
    view->setScrollTop();
    view->scrollTo(1965, true);  // 2 frames a coord: 3930 frames
    EXPECT_EQ(c.lbTime->text(), "1:05.5");
    EXPECT_EQ(c.lbFrame->text(), "3930");
    EXPECT_EQ(c.lbCombo->text(), "17");
    EXPECT_EQ(c.txBPMO->text(), "150");
    EXPECT_EQ(c.txBPM->text(), "225");
    doc.Delay = 90;
    view->scrollTo(0);
    EXPECT_EQ(c.lbTime->text(), "-0:01.5");
    EXPECT_EQ(c.lbFrame->text(), "-90");
}

TEST_F(ChartViewTest, ChartWithoutTempoRepaintsWithoutTime) {
    c.vsb->setValue(300);  // 600 frames into the previous chart
    EXPECT_EQ(c.lbTime->text(), "0:10");
    c.txBPMO->setText(QStringLiteral("Please enter BPM"));
    doc.InitArea();
    doc.setNote(99, 16, 1);
    c.vsb->setValue(99);
    EXPECT_EQ(view->lastReport().notes.size(), 1u);
    EXPECT_EQ(c.lbTime->text(), "0:00");
    EXPECT_EQ(c.lbFrame->text(), "0");
    EXPECT_EQ(c.txBPMO->text(), "Please enter BPM");  // the prompt stays
}

TEST_F(ChartViewTest, ViewMenuSwitchesToggleWithTheirCheckMarks) {
    c.vsb->setValue(99);
    const QImage& canvas = c.picMain->buffer();
    EXPECT_TRUE(canvasBlack(canvas, 0, kDesignCanvasHeight));
    c.mnShowGrid->trigger();
    EXPECT_TRUE(c.mnShowGrid->isChecked());
    EXPECT_TRUE(view->state().switches.grid);
    EXPECT_TRUE(canvasShows(c.picMain->buffer(), view->pictures().opaque(0), noteTop(99, 99)));
    c.mnShowPlayLine->trigger();
    EXPECT_EQ(c.picMain->buffer().pixel(20, 350), qRgb(255, 255, 255));  // black inverted
    c.mnShowGrid->trigger();
    EXPECT_FALSE(c.mnShowGrid->isChecked());
    EXPECT_FALSE(view->state().switches.grid);

    // Clearing the chart takes the switches from the menu again.
    view->state().switches = DrawSwitches{};
    view->InitArea();
    EXPECT_TRUE(view->state().switches.baseline);
    EXPECT_FALSE(view->state().switches.grid);
    EXPECT_EQ(view->state().viewBase, -1);
    EXPECT_EQ(view->state().selectedKind, -1);
}
