// Editing through the real window: mouse and key events sent to the canvas,
// each handled and repainted as in the editor. The CPU time per iteration is
// the figure that matters.
//   BM_Click       a left click (press and release) placing a note, with its
//                  repaint (target: under 1 ms)
//   BM_DragStep    one pointer event of a drag, writing a cell and repainting
//                  (target: under 1 ms)
//   BM_KeyPress    one arrow press and release in keyboard-input mode: the
//                  note, the step of the view and its repaint. "presses/s" is
//                  how many the editor keeps up with (target: 30 a second);
//                  "lost" counts presses that wrote no note (must be 0).

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QScrollBar>

#include <cstdlib>
#include <memory>

#include "AppInfo.h"
#include "CanvasEditing.h"
#include "ChartView.h"
#include "PictureBox.h"
#include "ScriptedDialogs.h"
#include "WidgetBenchMain.h"
#include "fmMain.h"

using namespace lumidex;

namespace {

// A window with a chart of notes on every third coord, palette kind 16 chosen.
struct Editor {
    ScriptedDialogs ui;
    fmMain w{ui, makeAppInfo(QStringLiteral("/tmp/lumidex"), {QStringLiteral("lumidex")})};

    Editor() {
        w.Form_Load();
        w.show();
        w.doc.fillSpeedTempoFrom(0, 150, 150);
        for (int c = 0; c <= kMaxCoord; c += 3) w.doc.setNote(c, uint8_t(16 + c % 8), 1);
        w.doc.LastCoord = kMaxCoord - 72;
        w.edits.replaced();
        w.view->setScrollTop();
        w.view->scrollTo(1000);
        w.canvas->imgEle_MouseDown(17);
    }
    void mouse(QEvent::Type type, Qt::MouseButton button, Qt::MouseButtons held, int row) {
        const QPoint at(20, row);
        QMouseEvent event(type, at, w.findChild<lumidex::PictureBox*>("picMain")->mapToGlobal(at),
                          button, held, Qt::NoModifier);
        QApplication::sendEvent(w.findChild<lumidex::PictureBox*>("picMain"), &event);
    }
    void key(QEvent::Type type, Qt::Key k) {
        QKeyEvent event(type, k, Qt::NoModifier);
        QApplication::sendEvent(w.findChild<lumidex::PictureBox*>("picMain"), &event);
    }
};

void BM_Click(benchmark::State& state) {
    Editor e;
    int row = 100;
    for (auto _ : state) {
        e.mouse(QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton, row);
        e.mouse(QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoButton, row);
        row = row >= 400 ? 100 : row + 5;
    }
}
BENCHMARK(BM_Click)->Unit(benchmark::kMicrosecond);

void BM_DragStep(benchmark::State& state) {
    Editor e;
    e.mouse(QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton, 300);
    int row = 300, dir = -1;
    for (auto _ : state) {
        row += dir * 5;  // about a coord per event, up and back down
        if (row < 20 || row > 450) dir = -dir;
        e.mouse(QEvent::MouseMove, Qt::NoButton, Qt::LeftButton, row);
    }
    e.mouse(QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoButton, row);
}
BENCHMARK(BM_DragStep)->Unit(benchmark::kMicrosecond);

void BM_KeyPress(benchmark::State& state) {
    Editor e;
    e.w.findChild<QCheckBox*>("chkKBInput")->click();
    const Qt::Key arrows[] = {Qt::Key_Left, Qt::Key_Up, Qt::Key_Right, Qt::Key_Down};
    const int kinds[] = {18, 16, 19, 17};
    int64_t presses = 0, lost = 0;
    for (auto _ : state) {
        if (e.w.view->state().viewBase > 29000) e.w.view->scrollTo(1000, true);
        const int at = int(e.w.view->state().viewBase);
        const int i = int(presses % 4);
        e.key(QEvent::KeyPress, arrows[i]);
        e.key(QEvent::KeyRelease, arrows[i]);
        lost += e.w.doc.cell(at).Kind != kinds[i] || e.w.view->state().viewBase != at + 3;
        ++presses;
    }
    state.counters["presses/s"] = benchmark::Counter(double(presses), benchmark::Counter::kIsRate);
    state.counters["lost"] = double(lost);
}
BENCHMARK(BM_KeyPress)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    return lumidex::bench::runWidgetBenchmarks(argc, argv);
}
