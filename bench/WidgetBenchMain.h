#pragma once
// main() of the benchmarks that need widgets: the headless platform and the
// null audio device unless the caller chose others, a QApplication (fonts,
// widgets), then every benchmark named on the command line.

#include <benchmark/benchmark.h>

#include <QApplication>

#include <cstdlib>

namespace lumidex::bench {

inline int runWidgetBenchmarks(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    setenv("LUMIDEX_AUDIO", "null", 0);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

}  // namespace lumidex::bench
