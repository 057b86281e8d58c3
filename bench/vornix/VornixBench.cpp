// The maker's library layer on the largest inputs the program meets: a 2 MB
// chart text with about 30000 elements (picked the way the loader picks it,
// and decoded from GB18030), and an archive of 2000 key sounds.

#include <benchmark/benchmark.h>

#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <zip.h>
#include <memory>

#include "FileText.h"
#include "Vornix.h"

namespace {

using namespace lumidex;

const QString& bigChart() {
    static const QString text = [] {
        QString t = QStringLiteral(
            "<?xml version=\"1.0\" encoding=\"gb18030\"?>\r\n<TITLE Name=\"星空 Song\">\r\n");
        for (int i = 0; i < 1000; ++i)
            t += QStringLiteral("<BPM Frame=\"%1.5\" BPM=\"150\" OriginalBPM=\"120\"></BPM>\r\n")
                     .arg(i);
        for (int i = 1; i <= 2000; ++i)
            t += QStringLiteral("<EFFECT Snd=\"键盘/音效%1.wav\" Volume=\"1.00\"></EFFECT>\r\n")
                     .arg(i);
        for (int i = 0; i < 27000; ++i)
            t += QStringLiteral(
                     "<AREA Coord=\"%1.25\" Kind=\"%2\" Level=\"5\" FxSndIndex=\"%3\"></AREA>\r\n")
                     .arg(i * 12)
                     .arg(16 + i % 19)
                     .arg(1 + i % 2000);
        t += QStringLiteral("</TITLE>\r\n");
        return t;
    }();
    return text;
}

// The loader's three element walks (tempo records, key sounds, notes), with the
// attribute look-ups it makes on each element.
void BM_PickWholeChart(benchmark::State& state) {
    const QString& text = bigChart();
    int64_t elements = 0;
    for (auto _ : state) {
        struct Walk {
            const char* tag;
            std::initializer_list<const char*> attributes;
        };
        for (const Walk& w :
             {Walk{"BPM", {"BPM", "OriginalBPM", "Frame"}}, Walk{"EFFECT", {"Snd", "Volume"}},
              Walk{"AREA", {"Coord", "Kind", "AutoPlay", "FxSndIndex"}}}) {
            int32_t running = 0;
            const QString tag = QString::fromLatin1(w.tag);
            for (;;) {
                const QString e = PickFullTag(text, tag, running, 1);
                if (e == kPickError) break;
                for (const char* a : w.attributes)
                    benchmark::DoNotOptimize(PickAttribute(e, tag, 1, QString::fromLatin1(a)));
                ++elements;
            }
        }
    }
    state.counters["elements"] = benchmark::Counter(double(elements) / double(state.iterations()));
    state.counters["per_element"] = benchmark::Counter(
        double(elements), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.SetBytesProcessed(int64_t(state.iterations()) * bigChart().size() * 2);
}
BENCHMARK(BM_PickWholeChart)->Unit(benchmark::kMillisecond);

// A header look-up of an element the file does not have: one pass over the text.
void BM_PickMissingHeader(benchmark::State& state) {
    const QString& text = bigChart();
    for (auto _ : state) benchmark::DoNotOptimize(PickAttribute(text, "LONGCRT", 1, "Value"));
    state.SetBytesProcessed(int64_t(state.iterations()) * text.size() * 2);
}
BENCHMARK(BM_PickMissingHeader)->Unit(benchmark::kMillisecond);

void BM_DecodeGB18030(benchmark::State& state) {
    const QByteArray bytes = encodeGB18030(bigChart());
    for (auto _ : state) benchmark::DoNotOptimize(BytesToText(bytes, 0));
    state.SetBytesProcessed(int64_t(state.iterations()) * bytes.size());
}
BENCHMARK(BM_DecodeGB18030)->Unit(benchmark::kMillisecond);

void BM_EncodeGB18030(benchmark::State& state) {
    const QString& text = bigChart();
    for (auto _ : state) benchmark::DoNotOptimize(encodeGB18030(text));
    state.SetBytesProcessed(int64_t(state.iterations()) * text.size() * 2);
}
BENCHMARK(BM_EncodeGB18030)->Unit(benchmark::kMillisecond);

struct KeyArchive {
    QTemporaryDir dir;
    QString path;
    QByteArray sound = QByteArray(20000, 'k');
    KeyArchive() {
        path = dir.filePath("keys.pak");
        int error = 0;
        zip_t* za =
            zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
        for (int i = 0; i < 2000; ++i) {
            zip_source_t* src =
                zip_source_buffer(za, sound.constData(), zip_uint64_t(sound.size()), 0);
            zip_file_add(za, name(i).toUtf8().constData(), src, ZIP_FL_ENC_UTF_8);
        }
        zip_close(za);
    }
    static QString name(int i) { return QStringLiteral("keys/键%1.wav").arg(i); }
};

KeyArchive& keyArchive() {
    static KeyArchive a;
    return a;
}

// One key sound the way the player opens it: a size query, then the fill.
void BM_PakEntryTwoCalls(benchmark::State& state) {
    KeyArchive& a = keyArchive();
    vornix::closePakCache();
    QByteArray buffer(a.sound.size(), '\0');
    int i = 0;
    for (auto _ : state) {
        quint16 zero = 0;
        const QString entry = KeyArchive::name(i++ % 2000);
        const int32_t n = vornix::GetFileFromPakW(&zero, 0, a.path, entry);
        benchmark::DoNotOptimize(vornix::GetFileFromPakW(buffer.data(), n, a.path, entry));
    }
}
BENCHMARK(BM_PakEntryTwoCalls)->Unit(benchmark::kMicrosecond);

// The same without the kept archive: open and index the archive every time.
void BM_PakEntryReopening(benchmark::State& state) {
    KeyArchive& a = keyArchive();
    int i = 0;
    for (auto _ : state) {
        vornix::closePakCache();
        benchmark::DoNotOptimize(readPakEntry(a.path, KeyArchive::name(i++ % 2000)));
    }
}
BENCHMARK(BM_PakEntryReopening)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
