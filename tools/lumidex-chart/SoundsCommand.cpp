// lumidex-chart sounds: for a chart's music and each key sound, where the
// editor finds the file and whether each decoder opens it.

#include "SoundsCommand.h"

#include <QCommandLineParser>
#include <QFileInfo>

#include <optional>

#include "AudioEngines.h"
#include "AudioErrors.h"
#include "AudioSystem.h"
#include "Bass.h"
#include "CBass.h"
#include "CMSS.h"
#include "ChartFile.h"
#include "Command.h"
#include "FileIO.h"
#include "FileText.h"
#include "FilgraphManager.h"
#include "Vornix.h"

namespace lumidex::cli {

namespace {

int runSounds(const QStringList& args);

}  // namespace

extern const Command kSoundsCommand = {
    "sounds",
    "sounds CHART [--decoder bass|miles|dshow|all] [--music-path TEXT] [--pak PAKFILE]",
    "Check that the music and every key sound of CHART can be found and opened.",
    R"(Usage: lumidex-chart sounds CHART [--decoder bass|miles|dshow|all]
                            [--music-path TEXT] [--pak PAKFILE]

Loads CHART and looks for its music and each key sound as the editor does: in
the music directory (the "pvx_music Path" text joined to the chart's folder),
as a loose file first and then, for names with a "/", as an entry of the PAK
archive named after the part before the first "/". For each sound it prints
where the file was found, and for each decoder either the length, channels and
sample rate it reports or the message the editor would show.

With BASS, the report begins with the decoder plug-ins loaded from the
program's plug-in folder and the formats each reads, and names every file
there that was skipped, with the reason.

The DirectShow decoder opens loose files only. No sound is played: the check
runs on a silent output, with or without a sound card. When BASS or Miles ran,
a last line gives the output's underruns (blocks it had to fill with silence
because the mixer fell behind).

Options:
  --decoder NAME     bass, miles, dshow or all (default all)
  --music-path TEXT  the "pvx_music Path" text (default "../../pvx_music/",
                     empty for a chart read from a PAK archive)
  --pak PAKFILE      CHART is the name of an entry of the PAK archive PAKFILE
  -h, --help         show this help

Exit status: 0 when every sound was found and opened by every decoder asked
for; 1 when one was not (or the chart could not be loaded); 2 for bad
arguments.
)",
    runSounds,
};

namespace {

struct DecoderProbe {
    const char* name;
    DecoderCheck (*check)(const QString& musicDir, const QString& snd);
};

const std::vector<DecoderProbe>& probes() {
    static const std::vector<DecoderProbe> all = {
        {"bass", checkWithBass},
        {"miles", checkWithMiles},
        {"dshow", checkWithDShow},
    };
    return all;
}

QString describeLocation(const SoundLocation& where, const QString& musicDir, const QString& snd) {
    switch (where.kind) {
        case SoundLocation::Loose:
            return QStringLiteral("file: %1").arg(where.path);
        case SoundLocation::PakEntry:
            return QStringLiteral("entry %1 of %2").arg(snd, where.path);
        case SoundLocation::Missing:
            break;
    }
    QString text = QStringLiteral("missing: no file %1").arg(musicDir + snd);
    if (!where.path.isEmpty()) text += QStringLiteral(", no entry %1 in %2").arg(snd, where.path);
    return text;
}

QString describeCheck(const DecoderCheck& check) {
    if (!check.opened) {
        QString message = check.error;
        return QStringLiteral("%1: %2").arg(check.decoder,
                                            message.replace(QLatin1Char('\n'), QLatin1Char(' ')));
    }
    QString text = QStringLiteral("%1: %2 s").arg(check.decoder).arg(check.seconds, 0, 'f', 3);
    if (check.channels > 0) text += QStringLiteral(", %1 ch").arg(check.channels);
    if (check.rate > 0) text += QStringLiteral(", %1 Hz").arg(check.rate);
    return text;
}

// One sound's block of the report; answers its number of problems.
int reportSound(const QString& label, const QString& musicDir, const QString& snd,
                const QStringList& decoders, QString* report) {
    const SoundLocation where = locateSound(musicDir, snd);
    int problems = where.kind == SoundLocation::Missing ? 1 : 0;
    *report +=
        QStringLiteral("%1  %2\n  %3\n").arg(label, snd, describeLocation(where, musicDir, snd));
    for (const DecoderProbe& probe : probes()) {
        if (!decoders.contains(QLatin1String(probe.name))) continue;
        const DecoderCheck check = probe.check(musicDir, snd);
        if (!check.opened) ++problems;
        *report += QStringLiteral("  ") + describeCheck(check) + QLatin1Char('\n');
    }
    return problems;
}

int runSounds(const QStringList& args) {
    QCommandLineParser parser;
    parser.addOption({QStringLiteral("decoder"), QStringLiteral("bass, miles, dshow or all."),
                      QStringLiteral("NAME"), QStringLiteral("all")});
    addSoundsChartOptions(parser);
    int exitCode = kExitOk;
    if (!parseArguments(parser, kSoundsCommand, args, 1, &exitCode)) return exitCode;
    const QStringList decoders = decodersNamed(parser.value(QStringLiteral("decoder")));
    if (decoders.isEmpty())
        return usageError(QStringLiteral("sounds"),
                          QStringLiteral("--decoder must be bass, miles, dshow or all"));
    const std::unique_ptr<SoundsChart> chart = loadSoundsChart(parser);
    if (!chart) return kExitFailed;
    QString report;
    const int problems = reportSounds(chart->doc, chart->musicDir, decoders, &report);
    printOut(report);
    return problems == 0 ? kExitOk : kExitFailed;
}

}  // namespace

void addSoundsChartOptions(QCommandLineParser& parser) {
    parser.addOption({QStringLiteral("music-path"), QStringLiteral("The pvx_music Path text."),
                      QStringLiteral("TEXT")});
    parser.addOption({QStringLiteral("pak"), QStringLiteral("Read CHART from this PAK archive."),
                      QStringLiteral("PAKFILE")});
}

std::unique_ptr<SoundsChart> loadSoundsChart(const QCommandLineParser& parser) {
    qputenv("LUMIDEX_AUDIO", "null");
    auto chart = std::make_unique<SoundsChart>();
    ScriptedDialogs ui;
    QString chartDir;
    if (LoadFile(chart->doc, parser.positionalArguments().at(0), 0,
                 parser.value(QStringLiteral("pak")), ui, &chartDir) == 0) {
        printErr(ui.messages().join(QLatin1Char('\n')) + QLatin1Char('\n'));
        return nullptr;
    }
    // The open message's lines after the combo and frame total.
    chart->repaired = ui.messages().value(0).split(QLatin1Char('\n')).mid(2);
    const QString musicPath = parser.isSet(QStringLiteral("music-path"))
                                  ? parser.value(QStringLiteral("music-path"))
                                  : chart->doc.Header.MusicPath;
    chart->musicDir = JoinPath(chartDir, musicPath);
    return chart;
}

EngineSession::EngineSession(const QStringList& decoders, QString* report) {
    if (!decoders.contains(QLatin1String("bass")) && !decoders.contains(QLatin1String("miles")))
        return;
    ScriptedDialogs ui;
    engines_.startup(ui, {});
    for (const QString& message : ui.messages())
        *report += QStringLiteral("Audio start-up: %1\n").arg(message);
}

EngineSession::~EngineSession() {
    engines_.shutdown();
}

std::optional<uint64_t> EngineSession::underruns() {
    const audio::AudioOutput* output = audio::AudioSystem::instance().output();
    if (!output) return std::nullopt;
    return output->underruns();
}

DecoderCheck checkWithBass(const QString& musicDir, const QString& snd) {
    DecoderCheck check;
    check.decoder = QStringLiteral("bass");
    CBass player;
    const int32_t result = player.LoadFile(musicDir, snd);
    if (result != 0) {
        check.error = fileOpenErrorText(bassErrorNumber(result));
        return check;
    }
    check.opened = true;
    check.seconds = player.Duration();
    BASS_CHANNELINFO info{};
    if (BASS_ChannelGetInfo(player.Handle(), &info)) {
        check.channels = static_cast<int>(info.chans);
        check.rate = static_cast<int>(info.freq);
    }
    return check;
}

DecoderCheck checkWithMiles(const QString& musicDir, const QString& snd) {
    DecoderCheck check;
    check.decoder = QStringLiteral("miles");
    CMSS player;
    const int32_t result = player.LoadFile(musicDir, snd);
    if (result != 0) {
        check.error = fileOpenErrorText(milesErrorNumber(result));
        return check;
    }
    // The Miles quick calls tell the length only.
    check.opened = true;
    check.seconds = player.Duration();
    return check;
}

DecoderCheck checkWithDShow(const QString& musicDir, const QString& snd) {
    DecoderCheck check;
    check.decoder = QStringLiteral("dshow");
    FilgraphManager graph;
    const HRESULT result = graph.RenderFile(musicDir + snd);
    if (FAILED(result)) {
        check.error = fileOpenErrorText(result);
        return check;
    }
    check.opened = true;
    graph.get_Duration(&check.seconds);
    FilgraphManager::AudioFormat format;
    if (SUCCEEDED(graph.audioFormat(&format))) {
        check.channels = format.channels;
        check.rate = format.rate;
    }
    return check;
}

QString describeBassPlugins() {
    const QString folder = audio::bassPluginFolder();
    if (folder.isEmpty()) return QStringLiteral("BASS plug-ins: none (no plug-in folder)\n");
    QString text = QStringLiteral("BASS plug-ins in %1:\n").arg(folder);
    const auto loaded = audio::bassPlugins();
    const auto skipped = audio::bassPluginSkips();
    for (const audio::BassPluginInfo& p : loaded)
        text += QStringLiteral("  %1 %2 (%3): %4\n")
                    .arg(p.name, p.version, QFileInfo(p.file).fileName(),
                         p.formats.join(QStringLiteral(", ")));
    for (const audio::BassPluginSkip& s : skipped)
        text += QStringLiteral("  skipped %1: %2\n").arg(QFileInfo(s.file).fileName(), s.reason);
    if (loaded.empty() && skipped.empty()) text += QStringLiteral("  none\n");
    return text;
}

QStringList decodersNamed(const QString& value) {
    QStringList names;
    for (const DecoderProbe& probe : probes())
        if (value == QLatin1String("all") || value == QLatin1String(probe.name))
            names << QString::fromLatin1(probe.name);
    return names;
}

int reportSounds(const ChartDocument& doc, const QString& musicDir, const QStringList& decoders,
                 QString* report) {
    const EngineSession engines(decoders, report);
    if (decoders.contains(QLatin1String("bass"))) *report += describeBassPlugins();
    *report += QStringLiteral("Music directory: %1\n").arg(musicDir);
    int problems =
        reportSound(QStringLiteral("music"), musicDir, doc.keySound(0).Snd, decoders, report);
    for (int k = 1; k <= doc.KeyCount; ++k)
        problems += reportSound(QStringLiteral("key %1").arg(k), musicDir, doc.keySound(k).Snd,
                                decoders, report);
    *report += problems == 0 ? QStringLiteral("All sounds found and opened.\n")
                             : QStringLiteral("Problems: %1\n").arg(problems);
    if (const auto underruns = engines.underruns())
        *report += QStringLiteral("Underruns: %1\n").arg(*underruns);
    return problems;
}

}  // namespace lumidex::cli
