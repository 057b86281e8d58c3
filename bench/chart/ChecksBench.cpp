// The "Checks" panel's refresh on the largest chart (bench/MaximalChart.h,
// about 2250 findings), as the editor runs it after an edit step: the full
// check, the comparison with the findings shown, and the list's rebuild when
// they changed. The edit itself is not timed.
//   BM_FullCheck              checkChart alone
//   BM_RefreshAfterNoteEdit   after one note placed or erased (the findings
//                             change every time: the list is rebuilt)
//   BM_RefreshAfterTransform  after "&Mirror" over every coord of the chart
// Target: under 5 ms of CPU time, so a refresh is never a noticeable pause.

#include <benchmark/benchmark.h>

#include <QMainWindow>
#include <QMenu>
#include <QStatusBar>

#include "ChartView.h"
#include "ChecksPanel.h"
#include "KindTransforms.h"
#include "MaximalChart.h"
#include "ScriptedDialogs.h"
#include "WidgetBenchMain.h"

using namespace lumidex;

namespace {

// The panel of a window on the largest chart, its dock shown.
struct Panel {
    std::unique_ptr<ChartDocument> doc = maximalChart();
    ChartEdit edits{*doc};
    ScriptedDialogs ui;
    ChartView view{*doc, ViewControls{}};
    QMainWindow window;
    QMenu viewMenu;
    ChecksPanel panel{WindowParts{*doc, edits, ui, view},
                      ChecksWidgets{&window, &viewMenu, window.statusBar(), {}}};
    RandomKindSet randomKinds;

    Panel() {
        window.show();
        panel.refreshNow();
    }
    // Runs edit untimed, then the refresh timed.
    template <class Edit>
    void run(benchmark::State& s, Edit edit) {
        for (auto _ : s) {
            s.PauseTiming();
            edit();
            s.ResumeTiming();
            panel.refreshNow();
        }
        s.counters["findings"] = panel.findings().count();
    }
};

void BM_FullCheck(benchmark::State& s) {
    const auto doc = maximalChart();
    for (auto _ : s) benchmark::DoNotOptimize(checkChart(*doc));
}

void BM_RefreshAfterNoteEdit(benchmark::State& s) {
    Panel p;
    p.run(s, [&] {
        EditStep step(p.edits, QStringLiteral("Draw Note"));
        p.edits.setKind(1, p.doc->cell(1).Kind == 0 ? 1 : 0);  // kind 1 is a finding
    });
}

void BM_RefreshAfterTransform(benchmark::State& s) {
    Panel p;
    const SteppedRange whole = SteppedRange::clipped(0, kMaxCoord, 1);
    p.run(s, [&] { transformKinds(p.edits, whole, KindTransform::Mirror, p.randomKinds); });
}

}  // namespace

BENCHMARK(BM_FullCheck)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RefreshAfterNoteEdit)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RefreshAfterTransform)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    return lumidex::bench::runWidgetBenchmarks(argc, argv);
}
