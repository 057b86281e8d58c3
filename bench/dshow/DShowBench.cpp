// How long opening key sounds through the DirectShow layer holds the window:
// one typical open per format, the worst cases (damaged files, a missing
// file), and 2000 keys opened in a row, each into its own graph that stays
// open, as "Open Key" does. And what a graph leaves behind once destroyed,
// as `lumidex-chart sounds --decoder dshow` opens and closes one per key.
//
// Runs under the null audio device unless LUMIDEX_AUDIO says otherwise.

#include <benchmark/benchmark.h>

#include <QByteArray>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <sndfile.h>

#include <malloc.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <vector>

#include "FilgraphManager.h"
#include "Memory.h"
#include "support/FileHelpers.h"

namespace {

using lumidex::bench::residentKiB;

using namespace lumidex;

enum Format { Wav, Ogg, Mp3 };

const char* formatName(int f) {
    return f == Wav ? "wav" : f == Ogg ? "ogg" : "mp3";
}

int sfFormat(int f) {
    if (f == Ogg) return SF_FORMAT_OGG | SF_FORMAT_VORBIS;
    if (f == Mp3) return SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III;
    return SF_FORMAT_WAV | SF_FORMAT_PCM_16;
}

// A stereo 44100 Hz key sound, `seconds` long, written by libsndfile.
bool writeKey(const QString& path, int format, double seconds, double hz, int sfSubtype = 0) {
    const int frames = int(seconds * 44100);
    std::vector<float> s(2 * size_t(frames));
    for (int i = 0; i < frames; ++i)
        s[2 * i] = s[2 * i + 1] = float(0.3 * std::sin(2 * M_PI * hz * i / 44100));
    SF_INFO info{};
    info.samplerate = 44100;
    info.channels = 2;
    info.format = sfSubtype ? sfSubtype : sfFormat(format);
    SNDFILE* f = sf_open(QFile::encodeName(path).constData(), SFM_WRITE, &info);
    if (!f) return false;
    sf_writef_float(f, s.data(), frames);
    return sf_close(f) == 0;
}

// One RenderFile of a 0.3 s key sound into a graph that held another key.
void BM_OpenKeySound(benchmark::State& state) {
    const int format = int(state.range(0));
    QTemporaryDir dir;
    const QString a = dir.filePath(QString("a.%1").arg(formatName(format)));
    const QString b = dir.filePath(QString("b.%1").arg(formatName(format)));
    if (!writeKey(a, format, 0.3, 440) || !writeKey(b, format, 0.3, 660))
        state.SkipWithError("cannot write the key sounds");
    FilgraphManager graph;
    bool flip = false;
    for (auto _ : state) {
        if (FAILED(graph.RenderFile((flip = !flip) ? a : b))) state.SkipWithError("open failed");
    }
    state.SetLabel(formatName(format));
}
BENCHMARK(BM_OpenKeySound)
    ->ArgNames({"format"})
    ->DenseRange(Wav, Mp3)
    ->Unit(benchmark::kMillisecond);

enum Damage { CutHeader, CutData, Missing, Stall };

// Opens a file that cannot play; the figure is how long the open holds the
// caller before it is refused.
void BM_OpenUnplayable(benchmark::State& state) {
    const auto damage = Damage(state.range(0));
    QTemporaryDir dir;
    const QString whole = dir.filePath("whole.aiff");
    const QString path = dir.filePath("key.aiff");
    writeKey(whole, Wav, 1.0, 440, SF_FORMAT_AIFF | SF_FORMAT_PCM_16);
    if (damage == CutHeader) test::writeAll(path, test::readAll(whole).left(40));
    if (damage == CutData)
        test::writeAll(path, test::readAll(whole).left(82));  // 7 frames of sound
    // A header that promises far more than the file holds, with no chunk the
    // decoder can make sense of (it used to read on past the end of the file
    // without a word until the open timed out).
    if (damage == Stall)
        test::writeAll(path, test::readAll(whole).left(12) + QByteArray(4096, '\xff'));
    FilgraphManager graph;
    HRESULT result = S_OK;
    for (auto _ : state) result = graph.RenderFile(path);
    if (SUCCEEDED(result)) state.SkipWithError("the file opened");
    const char* names[] = {"cut in the header", "cut 82 bytes in", "missing",
                           "garbled after the header"};
    state.SetLabel(QString("%1 -> 0x%2")
                       .arg(names[damage])
                       .arg(uint32_t(result), 8, 16, QChar('0'))
                       .toStdString());
}
BENCHMARK(BM_OpenUnplayable)
    ->ArgNames({"damage"})
    ->Arg(CutHeader)
    ->Arg(CutData)
    ->Arg(Missing)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenUnplayable)
    ->ArgNames({"damage"})
    ->Arg(Stall)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

// 2000 different 0.3 s key sounds, each rendered into its own graph that
// stays open. max_open_ms is the longest single open, the longest the window
// freezes at once; rss_MiB what the open graphs hold.
void BM_Open2000Keys(benchmark::State& state) {
    constexpr int kKeys = 2000;
    QTemporaryDir dir;
    std::vector<QString> paths;
    for (int k = 1; k <= kKeys; ++k) {
        paths.push_back(dir.filePath(QString("k%1.wav").arg(k)));
        if (!writeKey(paths.back(), Wav, 0.3, 200 + k)) state.SkipWithError("cannot write keys");
    }
    double maxOpenMs = 0, rssMiB = 0, totalMs = 0;
    for (auto _ : state) {
        std::vector<std::unique_ptr<FilgraphManager>> graphs;
        const long rssBefore = residentKiB();
        QElapsedTimer all;
        all.start();
        for (const QString& path : paths) {
            graphs.push_back(std::make_unique<FilgraphManager>());
            QElapsedTimer clock;
            clock.start();
            if (FAILED(graphs.back()->RenderFile(path))) state.SkipWithError("open failed");
            maxOpenMs = std::max(maxOpenMs, clock.nsecsElapsed() / 1e6);
        }
        totalMs += all.nsecsElapsed() / 1e6;
        rssMiB = std::max(rssMiB, (residentKiB() - rssBefore) / 1024.0);
        state.PauseTiming();
        graphs.clear();
        state.ResumeTiming();
    }
    state.counters["per_open_ms"] =
        benchmark::Counter(totalMs / kKeys, benchmark::Counter::kAvgIterations);
    state.counters["max_open_ms"] = maxOpenMs;
    state.counters["rss_MiB"] = rssMiB;
}
BENCHMARK(BM_Open2000Keys)->Iterations(1)->Unit(benchmark::kMillisecond);

// Opens and destroys `keys` graphs, one key sound after another, after 50 to
// warm up (plug-ins loaded, thread pools filled). kept_KiB/graph is the
// resident growth per graph; after_trim_KiB/graph the same once the C
// library has given back the free memory it holds.
void BM_OpenCloseGraphs(benchmark::State& state) {
    const int keys = int(state.range(0));
    QTemporaryDir dir;
    std::vector<QString> paths;
    for (int k = 0; k < 8; ++k) {
        paths.push_back(dir.filePath(QString("k%1.wav").arg(k)));
        if (!writeKey(paths.back(), Wav, 0.3, 200 + 50 * k)) state.SkipWithError("cannot write");
    }
    const auto openClose = [&](int count) {
        for (int i = 0; i < count; ++i) {
            FilgraphManager graph;
            if (FAILED(graph.RenderFile(paths[size_t(i) % paths.size()])))
                state.SkipWithError("open failed");
        }
    };
    double keptKiB = 0, afterTrimKiB = 0;
    for (auto _ : state) {
        openClose(50);
        malloc_trim(0);
        const long before = residentKiB();
        openClose(keys);
        keptKiB += double(residentKiB() - before) / keys;
        malloc_trim(0);
        afterTrimKiB += double(residentKiB() - before) / keys;
    }
    state.counters["kept_KiB/graph"] =
        benchmark::Counter(keptKiB, benchmark::Counter::kAvgIterations);
    state.counters["after_trim_KiB/graph"] =
        benchmark::Counter(afterTrimKiB, benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_OpenCloseGraphs)
    ->ArgNames({"keys"})
    ->Arg(250)
    ->Arg(1000)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    setenv("LUMIDEX_AUDIO", "null", 0);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
