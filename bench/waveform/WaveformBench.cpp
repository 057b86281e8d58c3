// The waveform's costs:
//   BM_AnalyseVsDecode/d  decoding a 5-minute 44.1 kHz stereo MP3 through
//                 decoder d (0 BASS, 1 Miles) and nothing else, and the
//                 analysis of the same file through the same decoder
//                 (decoding plus the peak table), in turn: the medians of
//                 their CPU times and of the ratio (target: within 1.3x)
//   BM_WindowStepsDuringAnalysis  the window thread's longest step while
//                 the music is analysed (target: under 16 ms)
//   BM_Table      the peak table alone over 5 minutes of decoded samples
//   BM_Strip/n    painting the waveform strip at n times the design height
//   BM_CanvasWithStrip/n  the canvas, both strips and the waveform strip
//                 (target: under 0.5 ms CPU)
// The table's size is printed as a counter.
#include <benchmark/benchmark.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <ctime>
#include <vector>

#include "Analysis.h"
#include "NoteRenderer.h"
#include "ViewGeometry.h"
#include "WaveformPainter.h"
#include "WaveformSource.h"
#include "WidgetBenchMain.h"

using namespace lumidex;

namespace {

constexpr int kRate = 44100;
constexpr int kSeconds = 300;

// A beat of clicks over a chord, 5 minutes of it, encoded as MP3 by
// libsndfile (LAME).
const QByteArray& music() {
    static const QByteArray bytes = [] {
        QTemporaryDir dir;
        const QByteArray path = QFile::encodeName(dir.filePath(QStringLiteral("m.mp3")));
        SF_INFO info{};
        info.samplerate = kRate;
        info.channels = 2;
        info.format = SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III;
        SNDFILE* file = sf_open(path.constData(), SFM_WRITE, &info);
        if (!file) return QByteArray();
        std::vector<float> block(2 * kRate);
        for (int s = 0; s < kSeconds; ++s) {
            for (int i = 0; i < kRate; ++i) {
                const double t = s + double(i) / kRate;
                const double beat = std::exp(-40 * std::fmod(t, 0.5));
                const float v =
                    float(0.2 * std::sin(2 * M_PI * 220 * t) + 0.1 * std::sin(2 * M_PI * 330 * t) +
                          0.5 * beat * std::sin(2 * M_PI * 60 * t));
                block[size_t(2 * i)] = v;
                block[size_t(2 * i + 1)] = v * 0.8f;
            }
            sf_writef_float(file, block.data(), kRate);
        }
        sf_close(file);
        QFile in(QString::fromLocal8Bit(path));
        return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray();
    }();
    return bytes;
}

audio::ByteView view() {
    return {reinterpret_cast<const unsigned char*>(music().constData()), size_t(music().size())};
}

// CPU time of this thread so far, in milliseconds.
double threadMs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

// CPU milliseconds of decoding the music to the end through decoder d.
double decodeMs(int d) {
    const double start = threadMs();
    auto decoder = waveform::openMusicDecoder(d, view());
    std::vector<float> out(8192 * 2);
    int64_t frames = 0;
    while (decoder && (frames = decoder->read(out.data(), 8192)) > 0) benchmark::DoNotOptimize(out);
    return threadMs() - start;
}

// CPU milliseconds of the analysis through decoder d (decoding and table).
double analyseMs(int d, size_t& tableBytes) {
    const double start = threadMs();
    const std::atomic<bool> go{false};
    auto decoder = waveform::openMusicDecoder(d, view());
    const waveform::Analysis a = waveform::analyse(*decoder, go);
    tableBytes = a.table ? a.table->bytes() : 0;
    return threadMs() - start;
}

// Every iteration decodes the music alone and analyses it, in turn first,
// so both meet the same machine load; the figures are the medians of the
// CPU times and of the per-iteration ratios (target: ratio under 1.3).
void BM_AnalyseVsDecode(benchmark::State& state) {
    const int d = int(state.range(0));
    if (music().isEmpty() || !waveform::openMusicDecoder(d, view()))
        return state.SkipWithError("the MP3 cannot be made or decoded");
    std::vector<double> decode, analysis, ratio;
    size_t bytes = 0;
    for (auto _ : state) {
        const bool decodeFirst = decode.size() % 2 == 0;
        const double a = decodeFirst ? 0 : analyseMs(d, bytes);
        const double dec = decodeMs(d);
        const double an = decodeFirst ? analyseMs(d, bytes) : a;
        decode.push_back(dec);
        analysis.push_back(an);
        ratio.push_back(an / dec);
    }
    state.counters["decode ms"] = median(decode);
    state.counters["analysis ms"] = median(analysis);
    state.counters["ratio"] = median(ratio);
    state.counters["table KiB"] = double(bytes) / 1024;
}
BENCHMARK(BM_AnalyseVsDecode)
    ->ArgName("decoder")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(11);

// The window thread while the music is analysed: a WaveformSource (with an
// empty cache folder, so it decodes) analyses the 5-minute MP3 and the event
// loop turns every millisecond, polling the progress as the window does,
// until the result is in. Reported: the longest CPU time the thread spent
// between two turns (target: under 16 ms) and the turns.
void BM_WindowStepsDuringAnalysis(benchmark::State& state) {
    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("m.mp3")));
    if (music().isEmpty() || !file.open(QIODevice::WriteOnly) || file.write(music()) < 0)
        return state.SkipWithError("the MP3 cannot be made");
    file.close();
    double longest = 0;
    int turns = 0;
    for (auto _ : state) {
        QTemporaryDir cache;
        waveform::WaveformSource source(cache.path());
        bool done = false;
        source.setOnChanged([&done] { done = true; });
        QTimer tick;
        tick.setInterval(1);
        double last = threadMs();
        QObject::connect(&tick, &QTimer::timeout, [&] {
            benchmark::DoNotOptimize(source.progress());
            const double now = threadMs();
            longest = std::max(longest, now - last);
            last = now;
            ++turns;
        });
        tick.start();
        source.open(dir.path() + QLatin1Char('/'), QStringLiteral("m.mp3"), 0);
        while (!done) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    state.counters["longest step ms"] = longest;
    state.counters["turns"] = turns;
}
BENCHMARK(BM_WindowStepsDuringAnalysis)->Unit(benchmark::kMillisecond)->Iterations(3);

// The table alone over 5 minutes of samples already decoded.
void BM_Table(benchmark::State& state) {
    std::vector<float> samples(size_t(2) * kRate * 10);
    for (size_t i = 0; i < samples.size(); ++i) samples[i] = float(std::sin(double(i) * 0.01));
    for (auto _ : state) {
        waveform::PeakTable table(kRate, 2);
        for (int pass = 0; pass < kSeconds / 10; ++pass)
            for (size_t at = 0; at < samples.size(); at += 2 * waveform::PeakTable::kBlockFrames)
                table.appendBlock(samples.data() + at, waveform::PeakTable::kBlockFrames);
        table.finish();
        benchmark::DoNotOptimize(table.blocks());
    }
}
BENCHMARK(BM_Table)->Unit(benchmark::kMillisecond)->Iterations(5);

// A chart at 150 BPM with a note on every third coord and a tempo change
// every 48 coords, over the table of the 5-minute music.
struct Scene {
    Scene() {
        doc.fillSpeedTempoFrom(0, 150, 150);
        for (int c = 0; c <= kMaxCoord; c += 3) doc.setNote(c, uint8_t(16 + c % 8), 1);
        for (int c = 48; c <= kMaxCoord; c += 48)
            doc.fillSpeedTempoFrom(c, 150 + c % 7, 150 + c % 5);
        doc.Delay = 30;
        const std::atomic<bool> go{false};
        auto decoder = waveform::openMusicDecoder(0, view());
        if (decoder) table = waveform::analyse(*decoder, go).table;
    }
    ChartDocument doc;
    std::shared_ptr<const waveform::PeakTable> table;
};

Scene& scene() {
    static Scene s;
    return s;
}

void BM_Strip(benchmark::State& state) {
    Scene& s = scene();
    QImage strip(waveform::kStripWidth, int(state.range(0)) * kDesignCanvasHeight,
                 QImage::Format_RGB32);
    int base = 1000;
    for (auto _ : state) {
        waveform::paintStrip(strip, s.doc, s.table.get(), {double(base), 0, 1, base * 2.0});
        base = base >= 9000 ? 1000 : base + 1;
    }
}
BENCHMARK(BM_Strip)->ArgName("x design height")->Arg(1)->Arg(4)->Unit(benchmark::kMicrosecond);

void BM_CanvasWithStrip(benchmark::State& state) {
    Scene& s = scene();
    static const NotePictures pictures(1);
    NoteRenderer renderer(s.doc, pictures);
    const int height = int(state.range(0)) * kDesignCanvasHeight;
    QImage canvas(kCanvasWidth, height, QImage::Format_RGB32);
    QImage scale(kScaleWidth, height, QImage::Format_RGB32);
    QImage key(kKeyWidth, height, QImage::Format_RGB32);
    QImage strip(waveform::kStripWidth, height, QImage::Format_RGB32);
    int base = 1000;
    for (auto _ : state) {
        renderer.render(base, canvas, scale, key);
        waveform::paintStrip(strip, s.doc, s.table.get(), {double(base), 0, 1, base * 2.0});
        base = base >= 9000 ? 1000 : base + 1;
    }
}
BENCHMARK(BM_CanvasWithStrip)
    ->ArgName("x design height")
    ->Arg(1)
    ->Arg(4)
    ->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    return lumidex::bench::runWidgetBenchmarks(argc, argv);
}
