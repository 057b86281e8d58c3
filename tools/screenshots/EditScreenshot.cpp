// Draws the main window while a chart is being edited, for the README:
//   xvfb-run -s "-screen 0 1280x800x24" lumidex_edit_screenshot CHART.xml OUT.png
// The chart is opened, the star 20 is chosen in the palette, a run of it is
// drawn with a mouse drag, "Keyboard &Input" types a few arrows, and the key
// index box is left open on a note with an index being typed.

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QTest>

#include "CanvasEditing.h"
#include "ChartView.h"
#include "PictureBox.h"
#include "ScreenshotWindow.h"

int main(int argc, char** argv) {
    using lumidex::screenshots::sendMouse;
    QApplication application(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (!lumidex::screenshots::argumentsFit(args, 2, 2,
                                            "lumidex_edit_screenshot CHART.xml OUT.png"))
        return 2;
    lumidex::screenshots::Window w({args[0], args[1]});
    if (!w.started() || !w.show(true)) return 1;

    auto* canvas = w->findChild<lumidex::PictureBox*>("picMain");
    const auto row = [&w](int coord) { return w->view->CoordToHeight(coord); };
    const int base = int(w->view->state().viewBase);
    w->canvas->imgEle_MouseDown(20);
    sendMouse(canvas, QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton, row(base + 30));
    for (int i = 0; i < 4; ++i)
        sendMouse(canvas, QEvent::MouseMove, Qt::NoButton, Qt::LeftButton, row(base + 60));
    sendMouse(canvas, QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoButton, row(base + 60));

    w->findChild<QCheckBox*>("chkKBInput")->click();
    for (Qt::Key k : {Qt::Key_Left, Qt::Key_Up, Qt::Key_Right}) QTest::keyClick(canvas, k);

    sendMouse(w->findChild<lumidex::PictureBox*>("picKey"), QEvent::MouseButtonPress,
              Qt::LeftButton, Qt::LeftButton, row(base + 30));
    QTest::keyClicks(w->findChild<QLineEdit*>("txFxSnd"), QStringLiteral("3"));
    w.settle();
    return w.save(args[2]) ? 0 : 1;
}
