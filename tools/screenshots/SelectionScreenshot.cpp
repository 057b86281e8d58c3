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
#include <QMouseEvent>
#include <QPixmap>
#include <QStatusBar>
#include <QTest>

#include <cstdio>

#include "AppInfo.h"
#include "CanvasEditing.h"
#include "ChartView.h"
#include "PictureBox.h"
#include "ScriptedDialogs.h"
#include "fmMain.h"

namespace {

void mouse(QWidget* on, QEvent::Type type, Qt::MouseButtons held, int row,
           Qt::KeyboardModifiers mods) {
    const QPoint at(20, row);
    QMouseEvent event(type, at, on->mapToGlobal(at), Qt::LeftButton, held, mods);
    QApplication::sendEvent(on, &event);
}

// A left press, a move and the release on the canvas.
void drag(QWidget* canvas, int fromRow, int toRow, Qt::KeyboardModifiers mods) {
    mouse(canvas, QEvent::MouseButtonPress, Qt::LeftButton, fromRow, mods);
    mouse(canvas, QEvent::MouseMove, Qt::LeftButton, toRow, mods);
    mouse(canvas, QEvent::MouseButtonRelease, Qt::NoButton, toRow, mods);
}

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 3) {
        std::fprintf(stderr, "usage: lumidex_selection_screenshot CHART.xml OUT.png\n");
        return 2;
    }
    QApplication::setFont(lumidex::fmMain::interfaceFont());
    lumidex::ScriptedDialogs dialogs;
    lumidex::fmMain w(
        dialogs, lumidex::makeAppInfo(QCoreApplication::applicationFilePath(), {args[0], args[1]}));
    if (!w.Form_Load()) return 1;
    w.show();
    w.openCommandLine();
    if (!QTest::qWaitForWindowExposed(&w)) return 1;
    w.activateWindow();
    if (!QTest::qWaitForWindowActive(&w)) return 1;
    w.findChild<QAction*>("mnShowChecks")->trigger();

    auto* canvas = w.findChild<lumidex::PictureBox*>("picMain");
    const auto row = [&w](int coord) { return w.view->CoordToHeight(coord); };
    const int base = int(w.view->state().viewBase);
    w.canvas->imgEle_MouseDown(21);
    drag(canvas, row(base + 51), row(base + 51), Qt::NoModifier);
    w.canvas->imgEle_MouseDown(16);
    drag(canvas, row(base + 57), row(base + 57), Qt::NoModifier);
    w.canvas->imgEle_MouseDown(128);
    drag(canvas, row(base + 69), row(base + 69), Qt::NoModifier);
    QApplication::processEvents();  // the checks run once the window is idle

    auto* list = w.findChild<QListView*>("lsChecks");
    list->setCurrentIndex(list->model()->index(0, 0));
    emit list->clicked(list->currentIndex());
    const int marked = int(w.view->state().viewBase);
    drag(canvas, row(marked - 24), row(marked - 9), Qt::ShiftModifier);
    QTest::qWait(200);              // let the window settle at its final size
    w.statusBar()->clearMessage();  // the waveform's passing note
    return w.grab().save(args[2]) ? 0 : 1;
}
