// lumidex-chart render: plays a chart offline through the editor's playback
// engine and writes what a listener would hear to a WAV file.

#include <QCommandLineParser>
#include <QFile>

#include <sndfile.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <optional>
#include <utility>
#include <vector>

#include "AudioEngines.h"
#include "AudioSystem.h"
#include "ChartFile.h"
#include "Command.h"
#include "FileIO.h"
#include "OfflineRender.h"
#include "SoundFile.h"

namespace lumidex::cli {

namespace {

int runRender(const QStringList& args);

}  // namespace

extern const Command kRenderCommand = {
    "render",
    "render CHART OUT.wav [--decoder bass|miles] [--from COORD] [--rate HZ] [--no-music] "
    "[--no-keys] [--pak PAKFILE] [--force]",
    "Play CHART offline with its key sounds and write what is heard to OUT.wav.",
    R"(Usage: lumidex-chart render CHART OUT.wav [--decoder bass|miles] [--from COORD]
                             [--rate HZ] [--no-music] [--no-keys] [--pak PAKFILE] [--force]

Loads CHART, opens its music and key sounds as the editor's "&Open" and
"Open Key" do (printing the same messages), and plays it through the editor's
own playback engine, as fast as the machine allows: from COORD to the end of
the music or of the chart, every key sound starting on the output frame at
which the music reaches its note. Writes 44100 Hz stereo 32-bit float WAV,
clipped to -1..1 as a sound card plays it, then prints how many key sounds
were placed and the lengths of the music and of the output. A progress bar
goes to standard error when it is a terminal.

Options:
  --decoder NAME  bass or miles (default bass)
  --from COORD    the coord to start from, as the view base in the editor
                  (default 0)
  --rate HZ       the playing frequency, 11025 to 176400 (default 44100)
  --no-music      the music plays silently ("Play BG&M" unchecked)
  --no-keys       no key sounds ("Play &Key" unchecked)
  --pak PAKFILE   CHART is the name of an entry of the PAK archive PAKFILE
  --force         replace OUT.wav when it exists; without it the render is
                  refused. OUT.wav is never one of the files read (the chart,
                  the archive, the music or a key sound), even with --force.
  -h, --help      show this help

Exit status: 0 when OUT.wav was written; 1 when the chart or its music could
not be opened, OUT.wav exists or names an input, there is nothing to play
from COORD, or the file was not written (no partial file is left); 2 for bad
arguments.
)",
    runRender,
};

namespace {

// The mixer's output rate, which the editor's engines start at.
constexpr int kWavRate = 44100;

struct RenderOptions {
    int decoder = kDecoderBass;
    int from = 0;
    PlaySwitches switches{true, true, 44100};
};

bool readRenderOptions(const QCommandLineParser& parser, RenderOptions* options, QString* error) {
    const QString decoder = parser.value(QStringLiteral("decoder"));
    if (decoder != QLatin1String("bass") && decoder != QLatin1String("miles")) {
        *error = QStringLiteral("--decoder must be bass or miles");
        return false;
    }
    options->decoder = decoder == QLatin1String("bass") ? kDecoderBass : kDecoderMiles;
    bool ok = false;
    options->from = parser.value(QStringLiteral("from")).toInt(&ok);
    if (!ok || options->from < 0 || options->from > kMaxCoord) {
        *error = QStringLiteral("--from must be a coord from 0 to %1").arg(kMaxCoord);
        return false;
    }
    const int rate = parser.value(QStringLiteral("rate")).toInt(&ok);
    if (!ok || rate < 11025 || rate > 176400) {
        *error = QStringLiteral("--rate must be from 11025 to 176400");
        return false;
    }
    options->switches.frequency = float(rate);
    options->switches.music = !parser.isSet(QStringLiteral("no-music"));
    options->switches.keys = !parser.isSet(QStringLiteral("no-keys"));
    return true;
}

// A WAV file written beside its target and moved over it only when
// complete, through the same checked writing as a save.
class WavWriter {
  public:
    explicit WavWriter(const QString& target) {
        if (!file_.open(target, &error_)) return;
        SF_INFO info{};
        info.samplerate = kWavRate;
        info.channels = 2;
        info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
        sound_ = sf_open_fd(file_.fd(), SFM_WRITE, &info, SF_FALSE);
        if (!sound_) error_ = QString::fromUtf8(sf_strerror(nullptr));
    }
    ~WavWriter() {
        if (sound_) sf_close(sound_);
    }
    WavWriter(const WavWriter&) = delete;
    WavWriter& operator=(const WavWriter&) = delete;

    bool isOpen() const { return sound_ != nullptr; }
    const QString& error() const { return error_; }
    // Clipped to -1..1, as the sound card output is.
    void write(const float* frames, int count) {
        clipped_.assign(frames, frames + 2 * size_t(count));
        for (float& sample : clipped_) sample = std::clamp(sample, -1.0f, 1.0f);
        if (sound_ && sf_writef_float(sound_, clipped_.data(), count) != count) failed_ = true;
    }
    bool commit() {
        if (!sound_ || failed_) return false;
        const bool closed = sf_close(sound_) == 0;
        sound_ = nullptr;
        return closed && file_.commit(&error_);
    }

  private:
    AtomicFile file_;
    SNDFILE* sound_ = nullptr;
    QString error_;
    std::vector<float> clipped_;
    bool failed_ = false;
};

// The identity of an existing file (links followed), to tell whether two
// names are one file.
std::optional<std::pair<dev_t, ino_t>> fileIdentity(const QString& path) {
    struct stat st {};
    if (path.isEmpty() || ::stat(QFile::encodeName(path).constData(), &st) != 0)
        return std::nullopt;
    return std::make_pair(st.st_dev, st.st_ino);
}

// The input OUT names (the chart, its archive, the music or a key sound
// file or archive), or an empty text.
QString inputNamedBy(const QString& out, const QStringList& inputs) {
    const auto target = fileIdentity(out);
    if (!target) return QString();
    for (const QString& input : inputs)
        if (fileIdentity(input) == target) return input;
    return QString();
}

// The files a render reads: the chart (or its archive) and every sound's
// loose file or archive.
QStringList renderInputs(const QString& chart, const QString& pak, const ChartDocument& doc,
                         const QString& musicDir) {
    QStringList inputs{pak.isEmpty() ? chart : pak};
    for (int slot = 0; slot <= doc.KeyCount; ++slot) {
        const SoundLocation where = locateSound(musicDir, doc.keySound(slot).Snd);
        if (!where.path.isEmpty()) inputs << where.path;
    }
    return inputs;
}

// "[#########           ]  45%" on standard error, redrawn when it changes.
std::function<void(double)> progressBar() {
    if (!isatty(STDERR_FILENO)) return {};
    return [last = -1](double fraction) mutable {
        const int percent = int(fraction * 100);
        if (percent == last) return;
        last = percent;
        const int filled = percent / 5;
        printErr(QStringLiteral("\r[%1%2] %3%")
                     .arg(QString(filled, QLatin1Char('#')), QString(20 - filled, QLatin1Char(' ')))
                     .arg(percent, 3));
    };
}

int renderTo(const QString& out, ChartDocument& doc, SoundBank& bank, audio::ManualOutput& output,
             const RenderOptions& options) {
    WavWriter wav(out);
    if (!wav.isOpen()) {
        printErr(QStringLiteral("lumidex-chart: cannot write %1: %2\n").arg(out, wav.error()));
        return kExitFailed;
    }
    Playback playback(doc, bank);
    const std::function<void(double)> progress = progressBar();
    const RenderSummary summary = renderPlayback(
        playback, output, options.from, options.switches,
        [&wav](const float* frames, int count) { wav.write(frames, count); }, progress);
    if (progress) printErr(QStringLiteral("\n"));
    if (!summary.started || summary.frames == 0) {
        printErr(QStringLiteral("lumidex-chart: nothing plays from coord %1 (past the end of the "
                                "music or of the chart, or no time there); nothing written\n")
                     .arg(options.from));
        return kExitFailed;
    }
    if (!wav.commit()) {
        printErr(QStringLiteral("lumidex-chart: cannot write %1: %2\n").arg(out, wav.error()));
        return kExitFailed;
    }
    printOut(QStringLiteral("Placed %1 key sounds; music %2 s, output %3 s\n")
                 .arg(summary.keys)
                 .arg(summary.musicSeconds, 0, 'f', 3)
                 .arg(double(summary.frames) / kWavRate, 0, 'f', 3));
    return kExitOk;
}

int runRender(const QStringList& args) {
    QCommandLineParser parser;
    parser.addOption({QStringLiteral("decoder"), QStringLiteral("bass or miles."),
                      QStringLiteral("NAME"), QStringLiteral("bass")});
    parser.addOption({QStringLiteral("from"), QStringLiteral("The coord to start from."),
                      QStringLiteral("COORD"), QStringLiteral("0")});
    parser.addOption({QStringLiteral("rate"), QStringLiteral("The playing frequency."),
                      QStringLiteral("HZ"), QStringLiteral("44100")});
    parser.addOption({QStringLiteral("no-music"), QStringLiteral("The music plays silently.")});
    parser.addOption({QStringLiteral("no-keys"), QStringLiteral("No key sounds.")});
    parser.addOption({QStringLiteral("pak"), QStringLiteral("Read CHART from this PAK archive."),
                      QStringLiteral("PAKFILE")});
    parser.addOption({QStringLiteral("force"), QStringLiteral("Replace OUT.wav.")});
    int exitCode = kExitOk;
    if (!parseArguments(parser, kRenderCommand, args, 2, &exitCode)) return exitCode;
    RenderOptions options;
    QString error;
    if (!readRenderOptions(parser, &options, &error))
        return usageError(QStringLiteral("render"), error);

    const QStringList positional = parser.positionalArguments();
    const QString& out = positional.at(1);
    if (out.isEmpty()) return usageError(QStringLiteral("render"), QStringLiteral("OUT is empty"));
    if (FileExists(out) && !parser.isSet(QStringLiteral("force"))) {
        printErr(QStringLiteral("lumidex-chart: %1 exists; --force replaces it\n").arg(out));
        return kExitFailed;
    }

    ScriptedDialogs ui;
    printMessages(ui);
    ChartDocument doc;
    QString chartDir;
    const QString pak = parser.value(QStringLiteral("pak"));
    if (LoadFile(doc, positional.at(0), 0, pak, ui, &chartDir) == 0) return kExitFailed;
    const QString musicDir = JoinPath(chartDir, doc.Header.MusicPath);
    if (const QString input = inputNamedBy(out, renderInputs(positional.at(0), pak, doc, musicDir));
        !input.isEmpty()) {
        printErr(QStringLiteral("lumidex-chart: %1 is %2, which the render reads; nothing "
                                "written\n")
                     .arg(out, input));
        return kExitFailed;
    }

    // The editor's engines, on an output that plays only when told to.
    audio::ManualOutput* output = nullptr;
    audio::AudioSystem::instance().setOutputFactory([&output] {
        auto manual = std::make_unique<audio::ManualOutput>();
        output = manual.get();
        return manual;
    });
    AudioEngines engines;
    engines.startup(ui, {});
    PlayerSlots players;
    SoundBank bank(players);
    bank.setDecoder(options.decoder);
    int result = kExitFailed;
    if (!output || !bank.openMusic(doc, musicDir, ui)) {
        printErr(QStringLiteral("lumidex-chart: the music cannot be opened; nothing written\n"));
    } else {
        if (options.switches.keys) bank.openKeys(doc, musicDir, ui);
        result = renderTo(out, doc, bank, *output, options);
    }
    players.releaseAll();
    engines.shutdown();
    return result;
}

}  // namespace

}  // namespace lumidex::cli
