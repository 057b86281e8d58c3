// Draws the main window with a selection and the "Checks" panel, for the
// README:
//   xvfb-run -s "-screen 0 1280x900x24" lumidex_selection_screenshot CHART.xml OUT.png
// The chart is opened, a diagonal star is drawn too close before another
// note and a long-note head left without its end, View > "Checks" shows
// the panel, the first finding is clicked, which scrolls to it and marks it, and a range
// is marked with Shift and a left drag just below it.

#include <QAction>
#include <QApplication>
#include <QListView>
#include <QStatusBar>
#include <QTest>

#include "CanvasEditing.h"
#include "ChartView.h"
#include "PictureBox.h"
#include "ScreenshotWindow.h"

namespace {

// A left press, a move and the release on the canvas.
void drag(QWidget* canvas, int fromRow, int toRow, Qt::KeyboardModifiers mods) {
    using lumidex::screenshots::sendMouse;
    sendMouse(canvas, QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton, fromRow, mods);
    sendMouse(canvas, QEvent::MouseMove, Qt::NoButton, Qt::LeftButton, toRow, mods);
    sendMouse(canvas, QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoButton, toRow, mods);
}

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (!lumidex::screenshots::argumentsFit(args, 2, 2,
                                            "lumidex_selection_screenshot CHART.xml OUT.png"))
        return 2;
    lumidex::screenshots::Window w({args[0], args[1]});
    if (!w.started() || !w.show(true)) return 1;
    w->findChild<QAction*>("mnShowChecks")->trigger();

    auto* canvas = w->findChild<lumidex::PictureBox*>("picMain");
    const auto row = [&w](int coord) { return w->view->CoordToHeight(coord); };
    const int base = int(w->view->state().viewBase);
    w->canvas->imgEle_MouseDown(21);
    drag(canvas, row(base + 51), row(base + 51), Qt::NoModifier);
    w->canvas->imgEle_MouseDown(16);
    drag(canvas, row(base + 57), row(base + 57), Qt::NoModifier);
    w->canvas->imgEle_MouseDown(128);
    drag(canvas, row(base + 69), row(base + 69), Qt::NoModifier);
    QApplication::processEvents();  // the checks run once the window is idle

    auto* list = w->findChild<QListView*>("lsChecks");
    list->setCurrentIndex(list->model()->index(0, 0));
    emit list->clicked(list->currentIndex());
    const int marked = int(w->view->state().viewBase);
    drag(canvas, row(marked - 24), row(marked - 9), Qt::ShiftModifier);
    w.settle();
    w->statusBar()->clearMessage();  // the waveform's passing note
    return w.save(args[2]) ? 0 : 1;
}
