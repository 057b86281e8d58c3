// An archive bomb: a small PAK whose one entry inflates to 1 GiB of zeros.
// Prints what reading it costs: the chart loader must refuse it before
// inflating anything, and a key sound read must cost the entry's size once.
//
//   build/bench/bench_pak_bomb [MiB]      (default 1024)

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>

#include <sys/resource.h>
#include <zip.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "ChartFile.h"
#include "ScriptedDialogs.h"
#include "Vornix.h"

namespace {

// A libzip source that yields `left` zero bytes without holding them.
struct Zeros {
    zip_uint64_t left;
};

zip_int64_t zeroSource(void* state, void* data, zip_uint64_t len, zip_source_cmd_t cmd) {
    auto* zeros = static_cast<Zeros*>(state);
    switch (cmd) {
        case ZIP_SOURCE_OPEN:
        case ZIP_SOURCE_CLOSE:
        case ZIP_SOURCE_FREE:
            return 0;
        case ZIP_SOURCE_READ: {
            const zip_uint64_t n = std::min(len, zeros->left);
            std::memset(data, 0, n);
            zeros->left -= n;
            return zip_int64_t(n);
        }
        case ZIP_SOURCE_STAT: {
            auto* st = static_cast<zip_stat_t*>(data);
            zip_stat_init(st);
            return 0;
        }
        case ZIP_SOURCE_ERROR:
            return 2 * sizeof(int);
        case ZIP_SOURCE_SUPPORTS:
            return zip_source_make_command_bitmap(ZIP_SOURCE_OPEN, ZIP_SOURCE_READ,
                                                  ZIP_SOURCE_CLOSE, ZIP_SOURCE_STAT,
                                                  ZIP_SOURCE_ERROR, ZIP_SOURCE_FREE, -1);
        default:
            return -1;
    }
}

bool writeBomb(const QByteArray& path, zip_uint64_t bytes) {
    zip_t* archive = zip_open(path.constData(), ZIP_CREATE | ZIP_TRUNCATE, nullptr);
    if (!archive) return false;
    static Zeros zeros;
    zeros.left = bytes;
    zip_source_t* source = zip_source_function(archive, zeroSource, &zeros);
    const zip_int64_t index = zip_file_add(archive, "song/bomb.xml", source, ZIP_FL_ENC_UTF_8);
    if (index < 0) return false;
    zip_set_file_compression(archive, zip_uint64_t(index), ZIP_CM_DEFLATE, 9);
    return zip_close(archive) == 0;
}

long peakMiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const qint64 mib = argc > 1 ? QByteArray(argv[1]).toLongLong() : 1024;
    QTemporaryDir dir;
    const QString pak = dir.filePath("song.pak");
    if (!writeBomb(QFile::encodeName(pak), zip_uint64_t(mib) << 20)) {
        std::fprintf(stderr, "cannot write the archive\n");
        return 1;
    }
    std::printf("archive: %lld bytes, entry inflates to %lld MiB\n", QFileInfo(pak).size(), mib);
    std::printf("peak memory before reading: %ld MiB\n", peakMiB());

    QElapsedTimer timer;
    timer.start();
    lumidex::ChartDocument doc;
    lumidex::ScriptedDialogs ui;
    const int loaded = lumidex::LoadFile(doc, QStringLiteral("song/bomb.xml"), 0, pak, ui);
    std::printf("chart load: result %d in %lld ms, peak memory %ld MiB\n  %s\n", loaded,
                timer.elapsed(), peakMiB(), qPrintable(ui.messages().value(0)));

    timer.restart();
    const QByteArray sound = lumidex::readPakEntry(pak, QStringLiteral("song/bomb.xml"));
    std::printf("key sound read: %lld MiB in %lld ms, peak memory %ld MiB\n", sound.size() >> 20,
                timer.elapsed(), peakMiB());
    return 0;
}
