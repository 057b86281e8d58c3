// What a recovery copy of the largest chart costs the window thread: the
// snapshot of the document and the hand-over to the writer (which composes
// and writes on its own thread). It must stay under 5 ms.

#include <benchmark/benchmark.h>

#include <QTemporaryDir>

#include "ChartFile.h"
#include "MaximalChart.h"
#include "RecoveryWriter.h"

namespace {

using namespace lumidex;

void BM_RecoveryCopyOnWindowThread(benchmark::State& state) {
    const auto doc = maximalChart();
    QTemporaryDir dir;
    RecoveryWriter writer(RecoveryStore(dir.path(), currentProcess()), nullptr);
    for (auto _ : state) {
        auto snapshot = std::make_shared<const ChartDocument>(*doc);
        writer.write([snapshot] { return composeChart(*snapshot).bytes; }, CopyRecord{});
    }
    writer.flush();  // after the timed loop
}
BENCHMARK(BM_RecoveryCopyOnWindowThread)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
