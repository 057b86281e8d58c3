// Accuracy and speed of the beat analysis on generated songs: a table of
// songs of known tempo and first beat (styles, intros, jitter, noise, some
// MP3), each with what the analysis found; then the time a five-minute song
// takes beyond its decoding.
//
//   build/bench/bench_tempo [SONGS] [SECONDS]

#include <QCoreApplication>
#include <QElapsedTimer>

#include <cmath>
#include <cstdio>
#include <ctime>
#include <memory>

#include "Decoder.h"
#include "SongMaker.h"
#include "TempoAnalysis.h"

using namespace lumidex;
using namespace lumidex::tempo;
using namespace lumidex::tempo::testing;

namespace {

SongPlan planFor(int i, int count, double seconds) {
    SongPlan s;
    s.style = Style(i % 5);
    s.bpm = std::round((70 + 140.0 * i / std::max(1, count - 1)) * 100) / 100 + 0.13 * (i % 3);
    s.bpm = std::min(s.bpm, 210.0);
    static const double intros[] = {0, 0.83, 2.35, 4.1, 7.62, 1.27, 0.31};
    s.intro = intros[(i * 3) % 7];
    s.seconds = seconds;
    s.jitterMs = i % 4;
    static const double noises[] = {0, 0.01, 0.03};
    s.noise = noises[i % 3];
    s.seed = uint32_t(1000 + i);
    return s;
}

bool isOctave(double found, double truth) {
    for (double r : {0.5, 2.0, 1.0 / 3, 3.0, 2.0 / 3, 1.5})
        if (std::abs(found - truth * r) < 0.02 * r) return true;
    return false;
}

double cpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

// Decoding alone: CPU seconds of this thread.
double decodeSeconds(const QByteArray& bytes) {
    const audio::ByteView view{reinterpret_cast<const unsigned char*>(bytes.constData()),
                               size_t(bytes.size())};
    const double start = cpuSeconds();
    auto decoder = audio::openSndfileDecoder(
        view, audio::containers(audio::Container::Wav) | audio::Container::Mp3);
    std::vector<float> block(16384 * 2);
    while (decoder && decoder->read(block.data(), 16384) > 0) {
    }
    return cpuSeconds() - start;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int count = argc > 1 ? std::atoi(argv[1]) : 60;
    const double seconds = argc > 2 ? std::atof(argv[2]) : 30;
    std::printf("%-4s %-18s %8s %6s %4s %5s %4s | %9s %8s %7s %5s  %s\n", "#", "style", "bpm",
                "intro", "jit", "noise", "mp3", "found", "err bpm", "err ms", "conf", "verdict");
    const int only = argc > 3 ? std::atoi(argv[3]) : -1;
    int hits = 0, octaveWithTruth = 0, unsteady = 0;
    double worstBpm = 0, worstMs = 0;
    for (int i = 0; i < count; ++i) {
        if (only >= 0 && i != only) continue;
        const SongPlan plan = planFor(i, count, seconds);
        const bool mp3 = i % 4 == 3;
        const std::vector<float> song = makeSong(plan);
        const QByteArray bytes = mp3 ? mp3File(song, plan.rate) : wavFile(song, plan.rate);
        const TempoReport r = analyseMusic(bytes);
        const double errBpm = r.beat.bpm - plan.bpm;
        const double errMs = 1000 * (r.beat.firstBeat - plan.intro);
        const bool hit =
            r.outcome == TempoReport::Beat && std::abs(errBpm) <= 0.02 && std::abs(errMs) <= 5;
        bool inAlternatives = false;
        for (const TempoCandidate& c : r.beat.alternatives)
            inAlternatives = inAlternatives || std::abs(c.bpm - plan.bpm) <= 0.05;
        const char* verdict = hit                              ? "ok"
                              : r.outcome != TempoReport::Beat ? "NONE"
                              : isOctave(r.beat.bpm, plan.bpm)
                                  ? (inAlternatives ? "octave (truth in alts)" : "OCTAVE")
                                  : "MISS";
        hits += hit;
        unsteady += r.outcome == TempoReport::Beat && !r.beat.steady;
        octaveWithTruth += !hit && inAlternatives;
        if (hit)
            worstBpm = std::max(worstBpm, std::abs(errBpm)),
            worstMs = std::max(worstMs, std::abs(errMs));
        std::printf("%-4d %-18s %8.2f %6.2f %4.0f %5.2f %4s | %9.4f %8.4f %7.2f %5.2f  %s\n", i,
                    styleName(plan.style), plan.bpm, plan.intro, plan.jitterMs, plan.noise,
                    mp3 ? "yes" : "", r.beat.bpm, errBpm, errMs, r.beat.confidence, verdict);
        std::fflush(stdout);
    }
    std::printf(
        "\n%d of %d within 0.02 BPM and 5 ms (%.1f%%); misses with the truth among the "
        "alternatives: %d; worst hit: %.4f BPM, %.2f ms; reported as not steady: %d\n",
        hits, count, 100.0 * hits / count, octaveWithTruth, worstBpm, worstMs, unsteady);

    if (only >= 0) return 0;
    SongPlan longSong = planFor(7, 10, 300);
    const QByteArray bytes = wavFile(makeSong(longSong), longSong.rate);
    const double decode = decodeSeconds(bytes);
    QElapsedTimer timer;
    timer.start();
    const double start = cpuSeconds();
    const TempoReport r = analyseMusic(bytes);
    const double total = cpuSeconds() - start;
    std::printf(
        "5-minute song (%.2f BPM): %.3f s on the clock; CPU: decoding %.3f s, analysis "
        "beyond decoding %.3f s; "
        "found %.4f BPM, first beat %.4f s (true %.4f s)\n",
        longSong.bpm, double(timer.nsecsElapsed()) / 1e9, decode, total - decode, r.beat.bpm,
        r.beat.firstBeat, longSong.intro);
    return 0;
}
