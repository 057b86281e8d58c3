// Draws the main window with a chart open into a PNG file, for the README:
//   xvfb-run -s "-screen 0 1280x800x24" lumidex_window_screenshot CHART.xml OUT.png
// Message boxes are answered without being shown.

#include <QApplication>
#include <QPixmap>
#include <QTest>

#include <cstdio>

#include "AppInfo.h"
#include "ScriptedDialogs.h"
#include "fmMain.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 3) {
        std::fprintf(stderr, "usage: lumidex_window_screenshot CHART.xml OUT.png\n");
        return 2;
    }
    QApplication::setFont(lumidex::fmMain::interfaceFont());
    lumidex::ScriptedDialogs dialogs;
    lumidex::fmMain window(
        dialogs, lumidex::makeAppInfo(QCoreApplication::applicationFilePath(), {args[0], args[1]}));
    if (!window.Form_Load()) return 1;
    window.show();
    window.openCommandLine();
    if (!QTest::qWaitForWindowExposed(&window)) return 1;
    QTest::qWait(200);  // let the window settle at its final size
    return window.grab().save(args[2]) ? 0 : 1;
}
