// The FFmpeg plug-in against the ffmpeg program as the floor: opening 2000
// short key sounds (M4A and Opus), and decoding a 5-minute AAC music file.
// Needs the ffmpeg program (scripts/install-deps). Prints wall-clock and CPU
// seconds; on a loaded machine the CPU figures are the ones to compare.

#include <QCoreApplication>
#include <QProcess>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <vector>

#include "DecoderPlugin.h"
#include "support/FileHelpers.h"

namespace {

using lumidex::audio::ByteView;
using lumidex::audio::DecoderPlugin;

struct Times {
    double wall = 0;
    double cpu = 0;
};

double cpuSeconds(int who) {
    rusage u{};
    getrusage(who, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

template <class Body>
Times timed(int who, Body&& body) {
    const auto start = std::chrono::steady_clock::now();
    const double cpu = cpuSeconds(who);
    body();
    return {std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(),
            cpuSeconds(who) - cpu};
}

bool ffmpeg(const QStringList& args) {
    QProcess p;
    p.start(QStringLiteral("ffmpeg"), QStringList{"-v", "error", "-y"} + args);
    return p.waitForFinished(600000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

// A tone with a little noise, seconds long, written by the ffmpeg program.
bool makeSound(const QString& path, double seconds, const QStringList& codec) {
    return ffmpeg(QStringList{"-f", "lavfi", "-i",
                              QStringLiteral("sine=frequency=440:duration=%1,aformat=channel_"
                                             "layouts=stereo")
                                  .arg(seconds)} +
                  codec + QStringList{path});
}

ByteView view(const QByteArray& bytes) {
    return {reinterpret_cast<const unsigned char*>(bytes.constData()), size_t(bytes.size())};
}

void print(const char* what, const Times& t) {
    std::printf("  %-44s %7.3f s wall %7.3f s CPU\n", what, t.wall, t.cpu);
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const auto loaded = DecoderPlugin::load(QStringLiteral(LUMIDEX_FFMPEG_PLUGIN));
    QTemporaryDir dir;
    if (!loaded.plugin || !dir.isValid()) {
        std::fprintf(stderr, "bench_plugins: no plug-in (%s)\n", qPrintable(loaded.reason));
        return 1;
    }
    const DecoderPlugin& plugin = *loaded.plugin;

    constexpr int kKeys = 2000;
    constexpr int kFloorRuns = 40;
    for (const auto& [ext, codec] : {std::pair{"m4a", "aac"}, std::pair{"opus", "libopus"}}) {
        const QString file = dir.filePath(QStringLiteral("key.%1").arg(ext));
        if (!makeSound(file, 0.3, {"-c:a", codec})) return 1;
        const QByteArray bytes = lumidex::test::readAll(file);
        int opened = 0;
        std::printf("%d key sounds of 0.3 s, %s (%lld bytes each):\n", kKeys, ext,
                    static_cast<long long>(bytes.size()));
        print("opened through the plug-in", timed(RUSAGE_SELF, [&] {
                  for (int i = 0; i < kKeys; ++i) opened += plugin.open(view(bytes)) != nullptr;
              }));
        Times floor = timed(RUSAGE_CHILDREN, [&] {
            for (int i = 0; i < kFloorRuns; ++i) ffmpeg({"-i", file, "-f", "null", "-"});
        });
        floor.wall *= double(kKeys) / kFloorRuns;
        floor.cpu *= double(kKeys) / kFloorRuns;
        print("ffmpeg -i FILE -f null - (40 runs, x50)", floor);
        if (opened != kKeys) std::printf("  only %d opened!\n", opened);
    }

    const QString music = dir.filePath(QStringLiteral("music.m4a"));
    if (!makeSound(music, 300, {"-c:a", "aac", "-b:a", "192k"})) return 1;
    const QByteArray bytes = lumidex::test::readAll(music);
    int64_t frames = 0;
    std::printf("A 5-minute AAC file (%lld bytes), decoded whole:\n",
                static_cast<long long>(bytes.size()));
    const Times ours = timed(RUSAGE_SELF, [&] {
        auto decoder = plugin.open(view(bytes));
        std::vector<float> block(8192 * 2);
        while (const int64_t n = decoder ? decoder->read(block.data(), 8192) : 0) frames += n;
    });
    print("through the plug-in", ours);
    const Times floor = timed(RUSAGE_CHILDREN, [&] { ffmpeg({"-i", music, "-f", "null", "-"}); });
    print("ffmpeg -i FILE -f null -", floor);
    std::printf("  %lld frames; plug-in / ffmpeg: %.2fx wall, %.2fx CPU\n",
                static_cast<long long>(frames), ours.wall / floor.wall, ours.cpu / floor.cpu);
    return 0;
}
