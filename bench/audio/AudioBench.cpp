// What the sound costs: the mixer's CPU time per second of audio with 1, 16
// and 64 key sounds at once, at their own rate and resampled; the time and
// memory to load 2000 short key sounds into players; and the audio threads
// with 2000 key sounds open, idle or while the window thread is busy placing
// key sounds and opening keys.
//
// core_pct is the share of one core the mixer (or the audio threads) need to
// keep up in real time; wakeups/s how often the audio threads are woken.

#include <benchmark/benchmark.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <sndfile.h>

#include <malloc.h>
#include <unistd.h>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <ctime>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "AudioClock.h"
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

// One AIL_quick_load_mem of a 0.3 s key sound, and its unload: a WAV or an
// MP3 loads, an Ogg Vorbis file is refused.
void BM_MilesLoad(benchmark::State& state) {
    const auto format = Format(state.range(0));
    const QByteArray bytes = tone(format, 0.3, 440);
    audio::AudioSystem::instance().setOutputFactory(
        [] { return std::make_unique<audio::ManualOutput>(); });
    AIL_quick_startup(1, 0, 44100, 16, 2);
    bool loaded = false;
    for (auto _ : state) {
        const HAUDIO h = AIL_quick_load_mem(bytes.constData(), U32(bytes.size()));
        loaded = h != 0;
        AIL_quick_unload(h);
    }
    AIL_quick_shutdown();
    audio::AudioSystem::instance().setOutputFactory({});
    state.SetLabel(std::string(formatName(format)) + (loaded ? " loads" : " refused"));
}
BENCHMARK(BM_MilesLoad)->ArgNames({"format"})->DenseRange(Wav, Mp3)->Unit(benchmark::kMicrosecond);

// CPU nanoseconds and times scheduled in of every thread of this process but
// the calling one (the kernel's per-thread scheduler statistics).
struct ThreadTotals {
    double cpuNs = 0;
    double wakeups = 0;
};
ThreadTotals otherThreads() {
    ThreadTotals totals;
    const QString self = QString::number(gettid());
    for (const QString& tid :
         QDir("/proc/self/task").entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        if (tid == self) continue;
        std::ifstream stat(("/proc/self/task/" + tid + "/schedstat").toStdString());
        double cpu = 0, waiting = 0, slices = 0;
        if (stat >> cpu >> waiting >> slices) {
            totals.cpuNs += cpu;
            totals.wakeups += slices;
        }
    }
    return totals;
}

// A mixer with a 60 s music stream and 2000 key sound streams of 0.1 s.
struct LoadedMixer {
    explicit LoadedMixer(audio::Mixer& m) : mixer(m) {
        music = tone(Wav, 60, 220);
        key = tone(Wav, 0.1, 880);
        musicId = mixer.add(source(music));
        for (int k = 0; k < 2000; ++k) keys.push_back(mixer.add(source(key)));
    }
    audio::StreamSource source(const QByteArray& bytes) const {
        const audio::ByteView v{reinterpret_cast<const unsigned char*>(bytes.constData()),
                                size_t(bytes.size())};
        const audio::ContainerSet wav = audio::containers(audio::Container::Wav);
        return {v, wav, &audio::openSndfileDecoder, audio::openSndfileDecoder(v, wav)};
    }
    // What the window thread does during playback for `seconds`: place the
    // next few key sounds ahead of the head, withdraw some, open and close a
    // key now and then. Answers the commands made.
    int64_t keepBusy(double seconds) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
        int64_t commands = 0;
        for (int round = 0; std::chrono::steady_clock::now() < end; ++round) {
            const int64_t head = mixer.renderHead();
            for (int j = 0; j < 16; ++j) {
                const audio::StreamId id = keys[size_t((round * 16 + j) % keys.size())];
                mixer.cancelStart(id);
                mixer.queueAt(id, head + 4410 + j * 600, 0);
            }
            commands += 32;
            if (round % 8 == 0) {
                mixer.remove(mixer.add(source(key)));
                commands += 2;
            }
            std::this_thread::yield();
        }
        return commands;
    }

    audio::Mixer& mixer;
    QByteArray music, key;
    audio::StreamId musicId = 0;
    std::vector<audio::StreamId> keys;
};

// The audio threads of the null device (render thread and device pacer) with
// 2000 key sounds open: nothing playing (busy 0), or the music playing while
// the window thread places key sounds and opens keys (busy 1).
void BM_AudioThreads(benchmark::State& state) {
    const bool busy = state.range(0) != 0;
    setenv("LUMIDEX_AUDIO", "null", 1);
    audio::AudioSystem& system = audio::AudioSystem::instance();
    system.setOutputFactory({});
    if (!system.acquire(44100)) {
        state.SkipWithError("the null device does not start");
        return;
    }
    ThreadTotals spent;
    double wallSeconds = 0;
    int64_t commands = 0;
    const uint64_t underrunsBefore = system.output()->underruns();
    {
        LoadedMixer loaded(*system.mixer());
        if (busy) loaded.mixer.play(loaded.musicId);
        for (auto _ : state) {
            const ThreadTotals before = otherThreads();
            const auto start = std::chrono::steady_clock::now();
            if (busy)
                commands += loaded.keepBusy(2.0);
            else
                std::this_thread::sleep_for(std::chrono::seconds(2));
            wallSeconds +=
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            const ThreadTotals after = otherThreads();
            spent.cpuNs += after.cpuNs - before.cpuNs;
            spent.wakeups += after.wakeups - before.wakeups;
        }
        for (audio::StreamId id : loaded.keys) loaded.mixer.remove(id);
        loaded.mixer.remove(loaded.musicId);
    }
    state.counters["core_pct"] = 100 * spent.cpuNs / 1e9 / wallSeconds;
    state.counters["wakeups/s"] = spent.wakeups / wallSeconds;
    state.counters["underruns"] = double(system.output()->underruns() - underrunsBefore);
    if (busy) state.counters["commands/s"] = double(commands) / wallSeconds;
    system.release();
}
BENCHMARK(BM_AudioThreads)
    ->ArgNames({"busy"})
    ->Arg(0)
    ->Arg(1)
    ->Iterations(2)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// A render thread paced like a sound card (256 frames every 5.8 ms, publishing
// the audio clock as a device output does) while the window thread places key
// sounds and opens keys for 3 s: the longest and the 99th-percentile time of
// one render call, wall clock.
void BM_RenderBlockWhileBusy(benchmark::State& state) {
    audio::Mixer mixer(44100);
    LoadedMixer loaded(mixer);
    mixer.play(loaded.musicId);
    audio::AudioClock clock(44100);
    std::vector<double> blockUs;
    int64_t commands = 0;
    for (auto _ : state) {
        std::atomic<bool> done{false};
        blockUs.clear();
        blockUs.reserve(4096);
        mixer.attachClock(&clock);
        std::thread renderer([&] {
            std::vector<float> out(2 * 256);
            int64_t taken = 0;
            auto next = std::chrono::steady_clock::now();
            while (!done.load()) {
                const auto start = std::chrono::steady_clock::now();
                mixer.render(out.data(), 256);
                const auto end = std::chrono::steady_clock::now();
                clock.publish(taken, 256, 0, audio::AudioClock::nowNs());
                taken += 256;
                blockUs.push_back(std::chrono::duration<double, std::micro>(end - start).count());
                next += std::chrono::microseconds(256 * 1000000 / 44100);
                std::this_thread::sleep_until(next);
            }
        });
        commands += loaded.keepBusy(3.0);
        done = true;
        renderer.join();
        mixer.attachClock(nullptr);
    }
    std::sort(blockUs.begin(), blockUs.end());
    state.counters["worst_us"] = blockUs.empty() ? 0 : blockUs.back();
    state.counters["p99_us"] = blockUs.empty() ? 0 : blockUs[blockUs.size() * 99 / 100];
    state.counters["median_us"] = blockUs.empty() ? 0 : blockUs[blockUs.size() / 2];
    state.counters["commands"] = double(commands);
    for (audio::StreamId id : loaded.keys) mixer.remove(id);
}
BENCHMARK(BM_RenderBlockWhileBusy)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
