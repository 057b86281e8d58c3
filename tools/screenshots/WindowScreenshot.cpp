// Draws the main window with a chart open into a PNG file, for the README:
//   xvfb-run -s "-screen 0 1280x800x24" lumidex_window_screenshot CHART.xml OUT.png
// Message boxes are answered without being shown.

#include <QApplication>

#include "ScreenshotWindow.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (!lumidex::screenshots::argumentsFit(args, 2, 2,
                                            "lumidex_window_screenshot CHART.xml OUT.png"))
        return 2;
    lumidex::screenshots::Window window({args[0], args[1]});
    if (!window.started() || !window.show()) return 1;
    window.settle();
    return window.save(args[2]) ? 0 : 1;
}
