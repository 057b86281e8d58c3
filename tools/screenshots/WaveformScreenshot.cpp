// Draws the main window with a chart open and the waveform of its music
// beside the canvas, into a PNG file, for the README:
//   xvfb-run -a -s "-screen 0 1280x800x24" lumidex_waveform_screenshot CHART.xml OUT.png [COORD]
// COORD is where the view stands (default: where the music starts). The
// waveform cache is a scratch folder, so the picture shows a fresh analysis.

#include <QApplication>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>

#include "AppInfo.h"
#include "ChartView.h"
#include "ScriptedDialogs.h"
#include "WaveformController.h"
#include "fmMain.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 3 && args.size() != 4) {
        std::fprintf(stderr, "usage: lumidex_waveform_screenshot CHART.xml OUT.png [COORD]\n");
        return 2;
    }
    QTemporaryDir cache;
    qputenv("XDG_CACHE_HOME", cache.path().toLocal8Bit());
    QApplication::setFont(lumidex::fmMain::interfaceFont());
    lumidex::ScriptedDialogs dialogs;
    lumidex::fmMain window(
        dialogs, lumidex::makeAppInfo(QCoreApplication::applicationFilePath(), {args[0], args[1]}));
    if (!window.Form_Load()) return 1;
    window.show();
    window.openCommandLine();
    QCoreApplication::processEvents();  // the waveform starts once the chart is in
    window.waveform->source().settle();
    if (args.size() == 4) window.view->scrollTo(args[3].toInt());
    window.ReDrawNote();
    if (!QTest::qWaitForWindowExposed(&window)) return 1;
    QTest::qWait(200);  // let the window settle at its final size
    window.ReDrawNote();
    return window.grab().save(args[2]) ? 0 : 1;
}
