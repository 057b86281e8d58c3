// What playback costs as the key list grows, when only a few keys play.
//   BM_RenderChart    lumidex-chart render of a 300 s chart with 4000 notes
//                     on key 1, with 1 or 2000 key sounds loaded; cpu_ms is the
//                     rendering thread's CPU time. The two should be within
//                     1.3x of each other. spread:1 spreads the notes over all
//                     2000 keys instead (each note then opens its key's
//                     decoder, and overlapping keys play longer).
//   BM_OpenKeys       "Open Key" of 250 .. 2000 key sounds (BASS); us/key at
//                     2000 should stay within 1.2x of us/key at 250.
#include <benchmark/benchmark.h>

#include <QDir>
#include <QTemporaryDir>

#include <sndfile.h>

#include <ctime>
#include <memory>
#include <vector>

#include "AudioEngines.h"
#include "AudioSystem.h"
#include "OfflineRender.h"
#include "ScriptedDialogs.h"
#include "SoundBank.h"

using namespace lumidex;

namespace {

double threadCpuMs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + t.tv_nsec / 1e6;
}

bool writeMonoWav(const QString& path, int frames, float value) {
    SF_INFO info{};
    info.samplerate = 44100;
    info.channels = 1;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* file = sf_open(QFile::encodeName(path).constData(), SFM_WRITE, &info);
    if (!file) return false;
    const std::vector<float> samples(size_t(frames), value);
    const bool written = sf_writef_float(file, samples.data(), frames) == frames;
    return sf_close(file) == 0 && written;
}

// The engines on a manual output with a music file and one short key sound
// in a temporary folder; `keys` list entries all name that key sound.
struct ChartRig {
    explicit ChartRig(int keys, int musicSeconds) {
        audio::AudioSystem::instance().setOutputFactory(
            [] { return std::make_unique<audio::ManualOutput>(); });
        folder = dir.path() + QLatin1Char('/');
        ok = writeMonoWav(folder + "music.wav", musicSeconds * 44100, 0.01f) &&
             writeMonoWav(folder + "key.wav", 4410, 0.1f);
        engines.startup(ui, {});
        doc.InitArea();
        doc.fillSpeedTempoFrom(0, 150, 150);  // a coord lasts 1/30 s
        doc.Delay = 3;
        doc.KeyCount = keys;
        doc.keySound(0) = KeySound{QStringLiteral("music.wav"), QStringLiteral("1.00")};
        for (int k = 1; k <= keys; ++k)
            doc.keySound(k) = KeySound{QStringLiteral("key.wav"), QStringLiteral("1.00")};
    }
    ~ChartRig() {
        players.releaseAll();
        engines.shutdown();
        audio::AudioSystem::instance().setOutputFactory({});
    }
    audio::ManualOutput* output() const {
        return dynamic_cast<audio::ManualOutput*>(audio::AudioSystem::instance().output());
    }

    QTemporaryDir dir;
    QString folder;
    bool ok = false;
    ScriptedDialogs ui;
    AudioEngines engines;
    ChartDocument doc;
    PlayerSlots players;
    SoundBank bank{players};
};

void BM_RenderChart(benchmark::State& state) {
    const int keys = int(state.range(0));
    const int used = state.range(1) ? keys : 1;
    ChartRig rig(keys, 300);
    for (int i = 0; i < 4000; ++i) rig.doc.setNote(2 * i + 30, 16, int16_t(i % used + 1));
    rig.doc.LastCoord = 9000;
    if (!rig.ok || !rig.bank.openMusic(rig.doc, rig.folder, rig.ui)) {
        state.SkipWithError("the music cannot be opened");
        return;
    }
    rig.bank.openKeys(rig.doc, rig.folder, rig.ui);
    double cpuMs = 0;
    int placed = 0;
    for (auto _ : state) {
        Playback playback(rig.doc, rig.bank);
        const double start = threadCpuMs();
        const RenderSummary summary =
            renderPlayback(playback, *rig.output(), 0, PlaySwitches{true, true, 44100},
                           [](const float* block, int) { benchmark::DoNotOptimize(block); });
        cpuMs += threadCpuMs() - start;
        placed = summary.keys;
    }
    state.counters["cpu_ms"] = benchmark::Counter(cpuMs, benchmark::Counter::kAvgIterations);
    state.counters["keys placed"] = placed;
}
BENCHMARK(BM_RenderChart)
    ->ArgNames({"keys", "spread"})
    ->Args({1, 0})
    ->Args({2000, 0})
    ->Args({2000, 1})
    ->Iterations(2)
    ->Unit(benchmark::kMillisecond);

void BM_OpenKeys(benchmark::State& state) {
    const int keys = int(state.range(0));
    ChartRig rig(keys, 1);
    double totalUs = 0;
    for (auto _ : state) {
        const double start = threadCpuMs();
        rig.bank.openKeys(rig.doc, rig.folder, rig.ui);
        totalUs += (threadCpuMs() - start) * 1e3;
        state.PauseTiming();
        rig.bank.closeKeys();
        state.ResumeTiming();
    }
    state.counters["us/key"] =
        benchmark::Counter(totalUs / keys, benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_OpenKeys)
    ->ArgNames({"keys"})
    ->Arg(250)
    ->Arg(500)
    ->Arg(1000)
    ->Arg(2000)
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);

}  // namespace
