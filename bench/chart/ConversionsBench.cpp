// Cost of each time conversion on a full chart, of bringing the sums up to
// date after an edit, and of the same conversion done as a plain walk from
// coord 0 for comparison.
#include <benchmark/benchmark.h>

#include <random>

#include "ChartDocument.h"

using namespace lumidex;

namespace {

ChartDocument& chart() {
    static ChartDocument d = [] {
        ChartDocument doc;
        doc.fillSpeedTempoFrom(0, 150, 150);
        std::mt19937 rng(1);
        for (int c = 300; c < kMaxCoord; c += 300) {
            const double t = std::uniform_real_distribution<double>(80, 240)(rng);
            doc.fillSpeedTempoFrom(c, t * 1.5, t);
        }
        return doc;
    }();
    return d;
}

double walkFrames(const ChartDocument& d, int coord) {
    double acc = 0;
    for (int i = 0; i < coord; ++i) acc += 300.0 / d.cell(i).Tempo;
    return acc;
}

void BM_CoordToFrames(benchmark::State& s) {
    ChartDocument& d = chart();
    int c = 0;
    for (auto _ : s) {
        benchmark::DoNotOptimize(d.CoordToFrames(c));
        c = (c + 7919) % kCellCount;
    }
}
void BM_CoordToPosition(benchmark::State& s) {
    ChartDocument& d = chart();
    int c = 0;
    for (auto _ : s) {
        benchmark::DoNotOptimize(d.CoordToPosition(c));
        c = (c + 7919) % kCellCount;
    }
}
void BM_FramesToCoordNearest(benchmark::State& s) {
    ChartDocument& d = chart();
    const double end = *d.CoordToFrames(kMaxCoord);
    double t = 0;
    for (auto _ : s) {
        benchmark::DoNotOptimize(d.FramesToCoordNearest(t));
        t += 997.3;
        if (t > end) t -= end;
    }
}
void BM_FramesToCoordFloor(benchmark::State& s) {
    ChartDocument& d = chart();
    const double end = *d.CoordToFrames(kMaxCoord);
    double t = 0;
    for (auto _ : s) {
        benchmark::DoNotOptimize(d.FramesToCoordFloor(t));
        t += 997.3;
        if (t > end) t -= end;
    }
}
void BM_PositionToCoord(benchmark::State& s) {
    ChartDocument& d = chart();
    const double end = *d.CoordToPosition(kMaxCoord);
    double p = 0;
    for (auto _ : s) {
        benchmark::DoNotOptimize(d.PositionToCoord(p, 0));
        p += 997.3;
        if (p > end) p -= end;
    }
}
// A tempo edit at coord 0 invalidates every sum; the next conversion at the
// end of the chart rebuilds all of them.
void BM_RebuildAfterEditAtStart(benchmark::State& s) {
    ChartDocument& d = chart();
    const double tempo = d.cell(0).Tempo;
    for (auto _ : s) {
        d.setTempo(0, tempo);
        benchmark::DoNotOptimize(d.CoordToFrames(kMaxCoord));
    }
}
void BM_LiteralWalkCoordToFrames(benchmark::State& s) {
    ChartDocument& d = chart();
    for (auto _ : s) benchmark::DoNotOptimize(walkFrames(d, kMaxCoord / 2));
}

}  // namespace

BENCHMARK(BM_CoordToFrames);
BENCHMARK(BM_CoordToPosition);
BENCHMARK(BM_FramesToCoordNearest);
BENCHMARK(BM_FramesToCoordFloor);
BENCHMARK(BM_PositionToCoord);
BENCHMARK(BM_RebuildAfterEditAtStart);
BENCHMARK(BM_LiteralWalkCoordToFrames);
BENCHMARK_MAIN();
