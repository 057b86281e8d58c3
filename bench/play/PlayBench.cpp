// Playback speed.
//   BM_RenderDemo    lumidex-chart render of the demo chart (music and every key
//                    sound through the mixer, no file written); "x realtime"
//                    is seconds of output per second of wall time (target: 50
//                    or more).
//   BM_PlaybackStep  one playback step of the editor's window on a dense
//                    chart (a note with a key sound on every coord outside the
//                    long notes): the music position, the coord lookup, the
//                    key scheduling and the repaint when the coord changes.
//                    The time is the window thread's CPU time per step
//                    (target: under 0.5 ms, with 8 or 2000 keys in the list);
//                    the audio rendered between steps is not counted.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QScrollBar>
#include <QTemporaryDir>

#include <sndfile.h>

#include <cstdlib>
#include <ctime>
#include <memory>
#include <vector>

#include "AudioEngines.h"
#include "AudioSystem.h"
#include "ChartFile.h"
#include "ChartView.h"
#include "FileIO.h"
#include "HeaderFields.h"
#include "OfflineRender.h"
#include "PlaybackController.h"
#include "ScriptedDialogs.h"
#include "WidgetBenchMain.h"
#include "fmMain.h"

using namespace lumidex;

namespace {

audio::ManualOutput* manualOutput() {
    return dynamic_cast<audio::ManualOutput*>(audio::AudioSystem::instance().output());
}

void useManualOutput() {
    audio::AudioSystem::instance().setOutputFactory(
        [] { return std::make_unique<audio::ManualOutput>(); });
}

void BM_RenderDemo(benchmark::State& state) {
    useManualOutput();
    ScriptedDialogs ui;
    ChartDocument doc;
    QString chartDir;
    if (LoadFile(doc, QStringLiteral(LUMIDEX_DEMO_CHART), 0, QString(), ui, &chartDir) == 0) {
        state.SkipWithError("the demo chart cannot be loaded");
        return;
    }
    AudioEngines engines;
    engines.startup(ui, {});
    PlayerSlots players;
    SoundBank bank(players);
    const QString musicDir = JoinPath(chartDir, doc.Header.MusicPath);
    if (!bank.openMusic(doc, musicDir, ui)) {
        state.SkipWithError("the demo music cannot be opened");
        return;
    }
    bank.openKeys(doc, musicDir, ui);
    int64_t frames = 0;
    int keys = 0;
    for (auto _ : state) {
        Playback playback(doc, bank);
        const RenderSummary summary =
            renderPlayback(playback, *manualOutput(), 0, PlaySwitches{true, true, 44100},
                           [](const float* block, int) { benchmark::DoNotOptimize(block); });
        frames += summary.frames;
        keys = summary.keys;
    }
    state.counters["x realtime"] =
        benchmark::Counter(double(frames) / 44100, benchmark::Counter::kIsRate);
    state.counters["keys"] = keys;
    players.releaseAll();
    engines.shutdown();
}
BENCHMARK(BM_RenderDemo)->Unit(benchmark::kMillisecond)->UseRealTime();

// A mono float WAV of `frames` samples of value, written to path.
bool writeWav(const QString& path, int frames, float value) {
    SF_INFO info{};
    info.samplerate = 44100;
    info.channels = 1;
    info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    SNDFILE* file = sf_open(QFile::encodeName(path).constData(), SFM_WRITE, &info);
    if (!file) return false;
    const std::vector<float> samples(size_t(frames), value);
    const bool written = sf_writef_float(file, samples.data(), frames) == frames;
    return sf_close(file) == 0 && written;
}

// A note on every coord outside a long note of 24 coords every 60, each with
// one of `keys` key sounds (the list names 8 files in turn), and a tempo
// change every 48 coords.
void fillDenseChart(ChartDocument& doc, int keys) {
    doc.InitArea();
    doc.fillSpeedTempoFrom(0, 150, 150);
    static const int kinds[] = {5, 16, 17, 18, 19, 20, 21, 22, 23, 24, 26, 27, 32, 33, 34};
    for (int c = 0; c <= kMaxCoord; ++c) {
        const int block = c % 60;
        const int kind = block == 0 ? 134 : block == 24 ? 136 : block < 24 ? 0 : kinds[c % 15];
        doc.setNote(c, uint8_t(kind), int16_t(c % keys + 1));
        if (c % 48 == 0) doc.fillSpeedTempoFrom(c, 150 + c % 7, 150 + c % 5);
    }
    doc.LastCoord = kMaxCoord - 72;
    doc.Delay = 3;
    doc.KeyCount = keys;
    doc.keySound(0) = KeySound{QStringLiteral("music.wav"), QStringLiteral("1.00")};
    for (int k = 1; k <= keys; ++k)
        doc.keySound(k) =
            KeySound{QStringLiteral("k%1.wav").arg((k - 1) % 8 + 1), QStringLiteral("1.00")};
}

int64_t threadCpuNs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return int64_t(t.tv_sec) * 1000000000 + t.tv_nsec;
}

void BM_PlaybackStep(benchmark::State& state) {
    useManualOutput();
    QTemporaryDir dir;
    const QString folder = dir.path() + QLatin1Char('/');
    bool written = writeWav(folder + "music.wav", 60 * 44100, 0.0f);
    for (int k = 1; k <= 8; ++k)
        written = written && writeWav(folder + QStringLiteral("k%1.wav").arg(k), 4410, 0.1f);
    if (!written) {
        state.SkipWithError("cannot write the sounds");
        return;
    }
    ScriptedDialogs ui;
    fmMain window(ui, makeAppInfo(folder + "lumidex", {QStringLiteral("lumidex")}));
    if (!window.Form_Load()) {
        state.SkipWithError("the window does not start");
        return;
    }
    fillDenseChart(window.doc, int(state.range(0)));
    window.view->setScrollTop();
    window.state.ChartDir = folder;
    window.findChild<QLineEdit*>("txMusicPath")->setText(QString());
    acceptBgm(window.edits, QStringLiteral("music.wav"));
    window.playing->cmdOpenBGM_Click();
    window.playing->cmdOpenKey_Click();
    window.findChild<QScrollBar*>("vsb")->setValue(1200);
    window.playing->cmdPlay_Click();
    if (!window.view->state().playing) {
        const std::string why =
            ("playback does not start: " + ui.messages().join(' ')).toStdString();
        state.SkipWithError(why.c_str());
        return;
    }
    int64_t steps = 0;
    int64_t repaints = 0;
    int64_t repaintNs = 0;
    for (auto _ : state) {
        if (!window.view->state().playing) {  // the music ended: again from the same coord
            window.findChild<QScrollBar*>("vsb")->setValue(1200);
            window.playing->cmdPlay_Click();
        }
        manualOutput()->advance(735);  // one display frame of audio
        const int before = window.findChild<QScrollBar*>("vsb")->value();
        const int64_t start = threadCpuNs();
        window.playing->playStep();
        const int64_t spent = threadCpuNs() - start;
        state.SetIterationTime(double(spent) * 1e-9);
        ++steps;
        if (window.findChild<QScrollBar*>("vsb")->value() != before) {
            ++repaints;
            repaintNs += spent;
        }
    }
    state.counters["repaints/step"] =
        benchmark::Counter(double(repaints) / double(std::max<int64_t>(steps, 1)));
    state.counters["us/step with repaint"] =
        benchmark::Counter(double(repaintNs) / 1000 / double(std::max<int64_t>(repaints, 1)));
    window.playing->StopPlay();
}
BENCHMARK(BM_PlaybackStep)
    ->ArgNames({"keys"})
    ->Arg(8)
    ->Arg(2000)
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    const int rc = lumidex::bench::runWidgetBenchmarks(argc, argv);
    audio::AudioSystem::instance().setOutputFactory({});
    return rc;
}
