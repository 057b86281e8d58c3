// Draws the main window while a chart is being edited, for the README:
//   xvfb-run -s "-screen 0 1280x800x24" lumidex_edit_screenshot CHART.xml OUT.png
// The chart is opened, the star 20 is chosen in the palette, a run of it is
// drawn with a mouse drag, "Keyboard &Input" types a few arrows, and the key
// index box is left open on a note with an index being typed.

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPixmap>
#include <QTest>

#include <cstdio>

#include "AppInfo.h"
#include "CanvasEditing.h"
#include "ChartView.h"
#include "PictureBox.h"
#include "ScriptedDialogs.h"
#include "fmMain.h"

namespace {

void mouse(QWidget* on, QEvent::Type type, Qt::MouseButton button, Qt::MouseButtons held, int row) {
    const QPoint at(20, row);
    QMouseEvent event(type, at, on->mapToGlobal(at), button, held, Qt::NoModifier);
    QApplication::sendEvent(on, &event);
}

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 3) {
        std::fprintf(stderr, "usage: lumidex_edit_screenshot CHART.xml OUT.png\n");
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

    const auto row = [&w](int coord) { return w.view->CoordToHeight(coord); };
    const int base = int(w.view->state().viewBase);
    w.canvas->imgEle_MouseDown(20);
    mouse(w.findChild<lumidex::PictureBox*>("picMain"), QEvent::MouseButtonPress, Qt::LeftButton,
          Qt::LeftButton, row(base + 30));
    for (int i = 0; i < 4; ++i)
        mouse(w.findChild<lumidex::PictureBox*>("picMain"), QEvent::MouseMove, Qt::NoButton,
              Qt::LeftButton, row(base + 60));
    mouse(w.findChild<lumidex::PictureBox*>("picMain"), QEvent::MouseButtonRelease, Qt::LeftButton,
          Qt::NoButton, row(base + 60));

    w.findChild<QCheckBox*>("chkKBInput")->click();
    for (Qt::Key k : {Qt::Key_Left, Qt::Key_Up, Qt::Key_Right})
        QTest::keyClick(w.findChild<lumidex::PictureBox*>("picMain"), k);

    mouse(w.findChild<lumidex::PictureBox*>("picKey"), QEvent::MouseButtonPress, Qt::LeftButton,
          Qt::LeftButton, row(base + 30));
    QTest::keyClicks(w.findChild<QLineEdit*>("txFxSnd"), QStringLiteral("3"));
    QTest::qWait(200);  // let the window settle at its final size
    return w.grab().save(args[2]) ? 0 : 1;
}
