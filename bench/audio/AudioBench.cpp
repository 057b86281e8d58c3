// What the sound costs: the mixer's CPU time per second of audio with 1, 16
// and 64 key sounds at once, at their own rate and resampled; and the time
// and memory to load 2000 short key sounds into players.
//
// core_pct is the share of one core the mixer needs to keep up in real time.

#include <benchmark/benchmark.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <sndfile.h>

#include <malloc.h>
#include <cmath>
#include <ctime>
#include <memory>
#include <vector>

#include "AudioSystem.h"
#include "Bass.h"
#include "Decoder.h"
#include "Memory.h"
#include "Miles.h"
#include "Mixer.h"
#include "PlayerSlots.h"

namespace {

using lumidex::bench::residentKiB;

using namespace lumidex;

enum Format { Wav, Ogg, Mp3 };

int sfFormat(Format f) {
    switch (f) {
        case Wav:
            return SF_FORMAT_WAV | SF_FORMAT_PCM_16;
        case Ogg:
            return SF_FORMAT_OGG | SF_FORMAT_VORBIS;
        case Mp3:
            return SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III;
    }
    return 0;
}

const char* formatName(Format f) {
    return f == Wav ? "wav" : f == Ogg ? "ogg" : "mp3";
}

// A stereo 44100 Hz tone, `seconds` long, encoded by libsndfile.
QByteArray tone(Format format, double seconds, double hz) {
    const int frames = int(seconds * 44100);
    std::vector<float> s(2 * size_t(frames));
    for (int i = 0; i < frames; ++i)
        s[2 * i] = s[2 * i + 1] =
            float(0.3 * std::sin(2 * M_PI * hz * i / 44100) * std::exp(-3.0 * i / frames));
    QTemporaryDir dir;
    const QByteArray path = QFile::encodeName(dir.filePath("t"));
    SF_INFO info{};
    info.samplerate = 44100;
    info.channels = 2;
    info.format = sfFormat(format);
    SNDFILE* f = sf_open(path.constData(), SFM_WRITE, &info);
    sf_writef_float(f, s.data(), frames);
    sf_close(f);
    QFile file(QString::fromLocal8Bit(path));
    file.open(QIODevice::ReadOnly);
    return file.readAll();
}

double threadCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + t.tv_nsec / 1e9;
}

double heapInUseMiB() {
    const struct mallinfo2 m = mallinfo2();
    return double(m.uordblks + m.hblkhd) / (1024 * 1024);
}

// Renders one second of audio per iteration with `count` key sounds playing.
void BM_MixOneSecond(benchmark::State& state) {
    const int count = int(state.range(0));
    const bool resample = state.range(1) != 0;
    const auto format = Format(state.range(2));
    // Key sounds are short; a long sound stands for the music, which gets the
    // band-limited resampler.
    const double seconds = state.range(3) ? 30.0 : 2.0;
    const QByteArray bytes = tone(format, seconds, 440);
    const audio::ByteView view{reinterpret_cast<const unsigned char*>(bytes.constData()),
                               size_t(bytes.size())};
    const audio::ContainerSet all =
        audio::Container::Wav | audio::Container::OggVorbis | audio::Container::Mp3;
    audio::Mixer mixer(44100);
    std::vector<audio::StreamId> ids;
    for (int i = 0; i < count; ++i) {
        ids.push_back(mixer.add(
            {view, all, &audio::openSndfileDecoder, audio::openSndfileDecoder(view, all)}));
        // Key sounds played at the speed slider's pitches: up to half an octave.
        if (resample) mixer.setRate(ids.back(), 44100 * std::pow(2.0, (i % 50) / 100.0 + 0.01));
    }
    std::vector<float> out(2 * 512);
    double cpu = 0;
    for (auto _ : state) {
        for (auto id : ids) {
            mixer.seek(id, 0);
            mixer.play(id);
        }
        const double start = threadCpuSeconds();
        for (int done = 0; done < 44100; done += 512) mixer.render(out.data(), 512);
        cpu += threadCpuSeconds() - start;
        benchmark::DoNotOptimize(out.data());
    }
    // CPU seconds per second of audio, as a percentage of one core.
    state.counters["core_pct"] = benchmark::Counter(100 * cpu, benchmark::Counter::kAvgIterations);
    state.SetLabel(formatName(format));
}
BENCHMARK(BM_MixOneSecond)
    ->ArgNames({"sounds", "resampled", "format", "music"})
    ->ArgsProduct({{1, 16, 64}, {0, 1}, {Wav}, {0}})
    ->ArgsProduct({{64}, {0, 1}, {Ogg, Mp3}, {0}})
    ->ArgsProduct({{1}, {1}, {Wav, Ogg, Mp3}, {1}})
    ->Unit(benchmark::kMillisecond);

// Loads 2000 key sounds of 0.3 s from loose files into fresh BASS players.
void BM_Load2000KeySounds(benchmark::State& state) {
    const auto format = Format(state.range(0));
    QTemporaryDir dir;
    const QString music = dir.path() + "/";
    qint64 fileBytes = 0;
    for (int k = 1; k <= 2000; ++k) {
        QFile file(music + QString("k%1.%2").arg(k).arg(formatName(format)));
        file.open(QIODevice::WriteOnly);
        fileBytes += file.write(tone(format, 0.3, 200 + k));
    }
    audio::AudioSystem::instance().setOutputFactory(
        [] { return std::make_unique<audio::ManualOutput>(); });
    BASS_Init(-1, 44100, 0, nullptr, nullptr);
    double rssMiB = 0, heapMiB = 0;
    for (auto _ : state) {
        auto players = std::make_unique<PlayerSlots>();
        const long rssBefore = residentKiB();
        const double heapBefore = heapInUseMiB();
        for (int k = 1; k <= 2000; ++k) {
            const QString name = QString("k%1.%2").arg(k).arg(formatName(format));
            if (players->bass(k).LoadFile(music, name) != 0) state.SkipWithError("load failed");
        }
        // Resident growth can read low when memory freed by an earlier run is
        // reused; the heap in use is what the loaded sounds hold.
        rssMiB = std::max(rssMiB, (residentKiB() - rssBefore) / 1024.0);
        heapMiB = std::max(heapMiB, heapInUseMiB() - heapBefore);
        state.PauseTiming();
        players.reset();
        state.ResumeTiming();
    }
    BASS_Free();
    audio::AudioSystem::instance().setOutputFactory({});
    state.counters["rss_MiB"] = rssMiB;
    state.counters["heap_MiB"] = heapMiB;
    state.counters["file_MiB"] = double(fileBytes) / (1024 * 1024);
    state.SetLabel(formatName(format));
}
BENCHMARK(BM_Load2000KeySounds)
    ->ArgNames({"format"})
    ->DenseRange(Wav, Mp3)
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
