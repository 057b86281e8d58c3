// Draws the main window with a showcase chart into a PNG, for the README:
//   xvfb-run -a -s "-screen 0 1600x900x24" lumidex_chart_screenshot OUT.png
// The chart holds every note kind that has a picture, the six long notes and
// a tempo change; grid and inverted baseline are switched on. The window
// shows the view at coord 48; beside it, the editing area scrolled further
// up shows the rest of the long notes.

#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPainter>
#include <QScrollBar>
#include <QTest>

#include <iterator>

#include "ChartView.h"
#include "KeyListController.h"
#include "PictureBox.h"
#include "ScreenshotWindow.h"

namespace {

using lumidex::ChartDocument;

void fillShowcase(ChartDocument& doc) {
    doc.fillSpeedTempoFrom(0, 150, 150);
    doc.fillSpeedTempoFrom(84, 180, 180);  // a tempo change, shown on the scale
    // Coord, kind and key index of each note: short notes three coords
    // apart, then long notes as head and end (the bodies are drawn between).
    const int notes[] = {
        24,  5,   9, 27,  16,  1, 30,  17,  2, 33,  18,  1, 36,  19,  2, 39,  20,  5, 42,  21,  6,
        45,  22,  7, 48,  23,  6, 51,  26,  3, 54,  27,  3, 57,  32,  4, 60,  33,  4, 63,  34,  2,
        66,  6,   0, 69,  24,  1, 81,  134, 8, 90,  136, 0, 93,  128, 8, 102, 130, 0, 105, 131, 8,
        111, 133, 0, 114, 137, 8, 123, 139, 0, 126, 140, 8, 141, 142, 0, 150, 8,   0, 156, 143, 8,
        174, 145, 0, 180, 16,  1, 186, 17,  2, 192, 134, 8, 240, 136, 0};
    int combo = 0;
    for (size_t i = 0; i < std::size(notes); i += 3) {
        doc.setNote(notes[i], static_cast<uint8_t>(notes[i + 1]),
                    static_cast<int16_t>(notes[i + 2]));
        combo += lumidex::ComboWeight(static_cast<uint8_t>(notes[i + 1]));
    }
    doc.Combo = combo;
    doc.LastCoord = 300;
    const char* sounds[] = {"kick",    "snare",   "hat",  "clap", "pluck_a",
                            "pluck_c", "pluck_e", "long", "chime"};
    for (const char* sound : sounds) {
        lumidex::KeySound& key = doc.keySound(++doc.KeyCount);
        key.Snd = QStringLiteral("showcase/%1.wav").arg(QLatin1String(sound));
        key.Volume = QStringLiteral("1.00");
    }
}

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (!lumidex::screenshots::argumentsFit(args, 1, 1, "lumidex_chart_screenshot OUT.png"))
        return 2;
    lumidex::screenshots::Window window({args[0]});
    if (!window.started()) return 1;
    fillShowcase(window->doc);
    window->findChild<QLineEdit*>("txName")->setText(QStringLiteral("Showcase"));
    window->findChild<QLineEdit*>("txLength")->setText(QString::number(window->doc.LastCoord));
    window->keyList->fillKeyList();
    window->view->setScrollTop();
    window->findChild<QAction*>("mnShowGrid")->trigger();
    window->findChild<QAction*>("mnShowPlayLine")->trigger();
    window->findChild<QScrollBar*>("vsb")->setValue(48);
    if (!window.show()) return 1;
    window.settle();
    const QImage whole = window->grab().toImage();

    QWidget* area =
        window->findChild<lumidex::PictureBox*>("picMain")->parentWidget()->parentWidget();
    window->findChild<QScrollBar*>("vsb")->setValue(150);
    QTest::qWait(50);
    const QImage higher = area->grab().toImage();

    const QPoint areaAt = area->mapTo(&*window, QPoint(0, 0));
    QImage out(whole.width() + higher.width() + 16, whole.height(), QImage::Format_RGB32);
    out.setDevicePixelRatio(whole.devicePixelRatio());
    out.fill(window->palette().color(QPalette::Window));
    QPainter p(&out);
    p.drawImage(0, 0, whole);
    p.drawImage(QPointF(whole.width() / whole.devicePixelRatio() + 12, areaAt.y()), higher);
    p.end();
    return out.save(args[1]) ? 0 : 1;
}
