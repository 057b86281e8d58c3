// lumidex-chart check: the mistakes authors make with key sounds and notes,
// one line per finding.

#include <QCommandLineParser>

#include "ChartCheck.h"
#include "ChartFile.h"
#include "Command.h"
#include "KeySoundCheck.h"
#include "SoundFile.h"
#include "SoundsCommand.h"

namespace lumidex::cli {

namespace {

int runCheck(const QStringList& args);

}  // namespace

extern const Command kCheckCommand = {
    "check",
    "check CHART [--pak PAKFILE] [--decoder bass|miles|dshow|all] [--music-path TEXT]",
    "Report key sound and note mistakes in CHART, one line per finding.",
    R"(Usage: lumidex-chart check CHART [--pak PAKFILE] [--decoder bass|miles|dshow|all]
                             [--music-path TEXT]

Loads CHART and prints one line per finding: a short code, the coord, key or
"music" it concerns, and a sentence. The codes:

  file-repaired     the chart holds something differently from the file (a
                    note off the chart, a tempo it cannot hold...)
  kind-unused       a note of a kind without a picture (1..4, 6..15,
                    35..127): kept and saved as it is
  key-past-list     a note's key index names no key in the list
  key-unused        no note uses the key
  sound-missing     the music or a key sound is not in the music directory
                    (as a loose file, or as an entry of its PAK archive)
  sound-unplayable  a decoder named by --decoder cannot open the sound
  long-end-alone    a long-note end with no head before it
  long-head-open    a long-note head with no end before the next head
  note-past-length  a note above the chart's "Note Length": it is not saved
  diagonal-gap      a note less than 12 coords after a diagonal note (20..23)
  tower-gap         a note less than 48 coords after the tower (24)

Every coord 0..30000 is looked at. Without --decoder the sounds are only
looked for, not opened; no sound is ever played.

Options:
  --decoder NAME     also open every sound with bass, miles, dshow or all
  --music-path TEXT  the "pvx_music Path" text (default: the chart's own)
  --pak PAKFILE      CHART is the name of an entry of the PAK archive PAKFILE
  -h, --help         show this help

Exit status: 0 when nothing was found; 1 when something was (or the chart
could not be loaded); 2 for bad arguments.
)",
    runCheck,
};

namespace {

// The decoders as the sound check calls them.
std::vector<SoundDecoder> soundDecoders(const QStringList& names) {
    using Check = DecoderCheck (*)(const QString&, const QString&);
    const std::pair<const char*, Check> all[] = {
        {"bass", checkWithBass}, {"miles", checkWithMiles}, {"dshow", checkWithDShow}};
    std::vector<SoundDecoder> decoders;
    for (const auto& [name, check] : all) {
        if (!names.contains(QLatin1String(name))) continue;
        decoders.push_back({QString::fromLatin1(name),
                            [check = check](const QString& musicDir, const QString& snd) {
                                const DecoderCheck result = check(musicDir, snd);
                                return result.opened ? QString() : result.error;
                            }});
    }
    return decoders;
}

int runCheck(const QStringList& args) {
    QCommandLineParser parser;
    parser.addOption({QStringLiteral("decoder"), QStringLiteral("bass, miles, dshow or all."),
                      QStringLiteral("NAME")});
    addSoundsChartOptions(parser);
    int exitCode = kExitOk;
    if (!parseArguments(parser, kCheckCommand, args, 1, &exitCode)) return exitCode;
    QStringList decoders;
    if (parser.isSet(QStringLiteral("decoder"))) {
        decoders = decodersNamed(parser.value(QStringLiteral("decoder")));
        if (decoders.isEmpty())
            return usageError(QStringLiteral("check"),
                              QStringLiteral("--decoder must be bass, miles, dshow or all"));
    }

    const std::unique_ptr<SoundsChart> chart = loadSoundsChart(parser);
    if (!chart) return kExitFailed;
    const ChartDocument& doc = chart->doc;

    std::vector<ChartFinding> findings;
    for (const QString& line : chart->repaired)
        findings.push_back({QStringLiteral("file-repaired"), ChartFinding::File, 0, line});
    for (ChartFinding& f : checkChart(doc)) findings.push_back(std::move(f));
    QString startup;
    {
        const EngineSession engines(decoders, &startup);
        for (ChartFinding& f : checkSounds(doc, chart->musicDir, soundDecoders(decoders)))
            findings.push_back(std::move(f));
    }
    if (!startup.isEmpty()) printErr(startup);
    QString out;
    for (const ChartFinding& f : findings) out += f.line() + QLatin1Char('\n');
    printOut(out);
    printErr(findings.empty() ? QStringLiteral("No findings.\n")
                              : QStringLiteral("%1 findings.\n").arg(findings.size()));
    return findings.empty() ? kExitOk : kExitFailed;
}

}  // namespace

}  // namespace lumidex::cli
