// Draws the main window with a chart open and the waveform of its music
// beside the canvas, into a PNG file, for the README:
//   xvfb-run -a -s "-screen 0 1280x800x24" lumidex_waveform_screenshot CHART.xml OUT.png [COORD]
// COORD is where the view stands (default: where the music starts). The
// waveform cache is a scratch folder, so the picture shows a fresh analysis.

#include <QApplication>
#include <QTemporaryDir>

#include "ChartView.h"
#include "ScreenshotWindow.h"
#include "WaveformController.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (!lumidex::screenshots::argumentsFit(
            args, 2, 3, "lumidex_waveform_screenshot CHART.xml OUT.png [COORD]"))
        return 2;
    QTemporaryDir cache;
    qputenv("XDG_CACHE_HOME", cache.path().toLocal8Bit());
    lumidex::screenshots::Window window({args[0], args[1]});
    if (!window.started() || !window.show()) return 1;
    QCoreApplication::processEvents();  // the waveform starts once the chart is in
    window->waveform->source().settle();
    if (args.size() == 4) window->view->scrollTo(args[3].toInt());
    window.settle();
    window->ReDrawNote();
    return window.save(args[2]) ? 0 : 1;
}
