// Cost of one full repaint of a dense view: a note on every coord outside
// the long notes (short notes of every kind and towers), a long note of 24
// coords every 60, a key index beside each note and a tempo change every 48
// coords. Playback repaints like this on every coord
// change, so the CPU time per iteration is the figure that matters (target:
// under 0.5 ms).
//   BM_Render/...      the renderer alone, into the three back buffers
//   BM_ReDrawNote/...  the view's whole repaint with its widgets: read-outs,
//                      rendering and the update requests, at the design height
//                      and at four times it (a maximised window on a 4K screen)
//   BM_ResizeRepaint   a resize of the three strips at four times the design
//                      height: new back buffers, page step and the repaint the
//                      resize brings (target: well within one frame, 16 ms)
#include <benchmark/benchmark.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>

#include <cstdlib>
#include <memory>

#include "ChartView.h"
#include "NoteRenderer.h"
#include "WidgetBenchMain.h"

using namespace lumidex;

namespace {

ChartDocument& denseChart() {
    static ChartDocument* doc = [] {
        auto* d = new ChartDocument;
        d->fillSpeedTempoFrom(0, 150, 150);
        static const int kinds[] = {5, 16, 17, 18, 19, 20, 21, 22, 23, 24, 26, 27, 32, 33, 34};
        for (int c = 0; c <= kMaxCoord; ++c) {
            const int block = c % 60;
            uint8_t kind;
            if (block == 0)
                kind = 134;  // a long note every 60 coords,
            else if (block == 24)
                kind = 136;  // 24 coords long
            else if (block > 0 && block < 24)
                kind = 0;
            else
                kind = static_cast<uint8_t>(kinds[c % 15]);
            d->setNote(c, kind, static_cast<int16_t>(c % 2000 + 1));
            if (c % 48 == 0) d->fillSpeedTempoFrom(c, 150 + c % 7, 150 + c % 5);
        }
        d->LastCoord = kMaxCoord - 72;
        return d;
    }();
    return *doc;
}

void BM_Render(benchmark::State& state) {
    const ChartDocument& doc = denseChart();
    static const NotePictures pictures(1);
    NoteRenderer renderer(doc, pictures);
    renderer.setSwitches(
        DrawSwitches{state.range(0) != 0, state.range(0) != 0, state.range(1) != 0});
    QImage canvas(kCanvasWidth, kDesignCanvasHeight, QImage::Format_RGB32);
    QImage scale(kScaleWidth, kDesignCanvasHeight, QImage::Format_RGB32);
    QImage key(kKeyWidth, kDesignCanvasHeight, QImage::Format_RGB32);
    int base = 1000;
    size_t notes = 0;
    for (auto _ : state) {
        const RenderReport report = renderer.render(base, canvas, scale, key);
        notes += report.notes.size() + report.keyTexts.size() + report.scaleTexts.size();
        base = base >= 29000 ? 1000 : base + 1;  // a new view every time, as in playback
    }
    state.counters["items/repaint"] =
        benchmark::Counter(static_cast<double>(notes), benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_Render)
    ->ArgNames({"grid+band", "transparent"})
    ->Args({0, 0})
    ->Args({1, 0})
    ->Args({1, 1})
    ->Unit(benchmark::kMicrosecond);

// The view's widgets in a shown window, the strips `height` rows tall.
struct ViewWindow {
    explicit ViewWindow(int height) {
        c.picScale = new PictureBox(&window);
        c.picMain = new PictureBox(&window);
        c.picKey = new PictureBox(&window);
        c.vsb = new QScrollBar(&window);
        c.lbTime = new QLabel(&window);
        c.lbFrame = new QLabel(&window);
        c.lbCombo = new QLabel(&window);
        c.txBPM = new QLineEdit(&window);
        c.txBPMO = new QLineEdit(&window);
        window.resize(300, height);
        window.show();
        resizeStrips(height);
        view = std::make_unique<ChartView>(denseChart(), c);
        view->setUpControls();
        view->state().switches = DrawSwitches{true, true, false};
    }
    void resizeStrips(int height) {
        c.picScale->setGeometry(0, 0, kScaleWidth, height);
        c.picMain->setGeometry(50, 0, kCanvasWidth, height);
        c.picKey->setGeometry(120, 0, kKeyWidth, height);
    }
    QWidget window;
    ViewControls c;
    std::unique_ptr<ChartView> view;
};

void BM_ReDrawNote(benchmark::State& state) {
    ViewWindow w(static_cast<int>(state.range(0)) * kDesignCanvasHeight);
    ChartView& view = *w.view;
    view.state().playing = true;  // as playback does: set the view base, repaint
    int base = 1000;
    size_t items = 0;
    for (auto _ : state) {
        view.state().viewBase = base;
        view.state().viewFrame = base * 2.0;
        view.ReDrawNote();
        items += view.lastReport().notes.size() + view.lastReport().keyTexts.size() +
                 view.lastReport().scaleTexts.size();
        base = base >= 29000 ? 1000 : base + 1;
    }
    state.counters["items/repaint"] =
        benchmark::Counter(static_cast<double>(items), benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_ReDrawNote)->ArgName("x design height")->Arg(1)->Arg(4)->Unit(benchmark::kMicrosecond);

// Each iteration is one resize, alternating between four times the design
// height and three rows less, so every one needs new buffers.
void BM_ResizeRepaint(benchmark::State& state) {
    const int tall = 4 * kDesignCanvasHeight;
    ViewWindow w(tall);
    w.view->scrollTo(5000);
    bool shorter = true;
    for (auto _ : state) {
        w.resizeStrips(shorter ? tall - 3 : tall);
        shorter = !shorter;
    }
    state.counters["page step"] = w.c.vsb->pageStep();
}
BENCHMARK(BM_ResizeRepaint)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    return lumidex::bench::runWidgetBenchmarks(argc, argv);
}
