// lumidex-chart tempo: the tempo, first beat and delay of a music file or of
// a chart's music.

#include <QCommandLineParser>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>

#include "ChartFile.h"
#include "ChartMusic.h"
#include "Command.h"
#include "SoundFile.h"
#include "TempoAnalysis.h"

namespace lumidex::cli {

namespace {

int runTempo(const QStringList& args);

}  // namespace

extern const Command kTempoCommand = {
    "tempo",
    "tempo FILE [--json]",
    "Find the tempo, the first beat and the delay of a music file or a chart's music.",
    R"(Usage: lumidex-chart tempo FILE [--json]

Analyses the beat of FILE: a music file, or a chart (.xml), whose music is
found as the editor's "&Open" finds it. Prints the tempo in BPM, the time of
the first beat in seconds, the "BGM Delay" in frames that puts that beat on a
beat line of the chart (a coord that is a multiple of 12) with coord 0 at or
before the start of the music, as the editor's BASS and Miles playback hears
it (they start the music 3 frames after the chart position, and the delay
includes those 3 frames), the confidence (0 to 1), whether one tempo holds
over the whole music (otherwise the spans that keep one tempo, the first of
which gives the tempo and the first beat), and the likely alternatives (half
and double tempo and other strong candidates) with their confidence.

Options:
  --json         print one JSON object with the keys bpm, first_beat, delay,
                 confidence, steady, alternatives (a list of objects with bpm
                 and confidence) and spans (start, end, bpm)

Exit status: 0 with a result, 1 when no steady beat was found or the music
cannot be read, 2 for bad arguments.
)",
    &runTempo,
};

namespace {

// x to a number of decimals, as the nearest double (so JSON shows it short).
double rounded(double x, int decimals) {
    const double scale = std::pow(10.0, decimals);
    return std::round(x * scale) / scale;
}

QJsonObject jsonOf(const tempo::TempoReport& r) {
    const bool beat = r.outcome == tempo::TempoReport::Beat;
    QJsonArray alternatives, spans;
    for (const tempo::TempoCandidate& c : r.beat.alternatives)
        alternatives.append(QJsonObject{{QStringLiteral("bpm"), rounded(c.bpm, 4)},
                                        {QStringLiteral("confidence"), rounded(c.confidence, 2)}});
    for (const tempo::SteadySpan& s : r.beat.spans)
        spans.append(QJsonObject{{QStringLiteral("start"), rounded(s.start, 4)},
                                 {QStringLiteral("end"), rounded(s.end, 4)},
                                 {QStringLiteral("bpm"), rounded(s.bpm, 4)}});
    QJsonObject o{{QStringLiteral("bpm"), beat ? QJsonValue(rounded(r.beat.bpm, 4)) : QJsonValue()},
                  {QStringLiteral("first_beat"),
                   beat ? QJsonValue(rounded(r.beat.firstBeat, 4)) : QJsonValue()},
                  {QStringLiteral("delay"), beat ? QJsonValue(r.delay) : QJsonValue()},
                  {QStringLiteral("confidence"), rounded(r.beat.confidence, 2)},
                  {QStringLiteral("steady"), beat && r.beat.steady},
                  {QStringLiteral("alternatives"), alternatives},
                  {QStringLiteral("spans"), spans}};
    if (!beat) o.insert(QStringLiteral("message"), r.message);
    return o;
}

QString textOf(const tempo::TempoReport& r) {
    const tempo::BeatAnalysis& b = r.beat;
    QString text = QStringLiteral("Tempo: %1 BPM\nFirst beat: %2 s\n")
                       .arg(b.bpm, 0, 'f', 4)
                       .arg(b.firstBeat, 0, 'f', 4);
    text +=
        QStringLiteral(
            "Delay: %1 frames (puts the first beat on a beat line with coord 0 at or before the "
            "music's start, as BASS and Miles play it: they start the music 3 frames after the "
            "chart position, and the delay includes them)\n")
            .arg(r.delay, 0, 'f', 3);
    text += QStringLiteral("Confidence: %1\n").arg(b.confidence, 0, 'f', 2);
    if (b.steady) {
        text += QStringLiteral("Steady: yes\n");
    } else {
        text += QStringLiteral("Steady: no; these spans keep one tempo:\n");
        for (const tempo::SteadySpan& s : b.spans)
            text += QStringLiteral("  %1 s to %2 s: %3 BPM\n")
                        .arg(s.start, 0, 'f', 3)
                        .arg(s.end, 0, 'f', 3)
                        .arg(s.bpm, 0, 'f', 4);
    }
    QStringList alternatives;
    for (const tempo::TempoCandidate& c : b.alternatives)
        alternatives
            << QStringLiteral("%1 BPM (%2)").arg(c.bpm, 0, 'f', 4).arg(c.confidence, 0, 'f', 2);
    text += QStringLiteral("Alternatives: %1\n").arg(alternatives.join(QStringLiteral(", ")));
    if (r.truncated)
        text += QStringLiteral("(only the first %1 minutes were analysed)\n")
                    .arg(r.seconds / 60, 0, 'f', 0);
    return text;
}

// The bytes of the music FILE names: the file itself, or a chart's music.
bool readMusic(const QString& file, QByteArray* bytes, QString* error) {
    if (QFileInfo(file).suffix().compare(QStringLiteral("xml"), Qt::CaseInsensitive) != 0) {
        if (readSoundFile(QString(), file, *bytes)) return true;
        *error = QStringLiteral("cannot read %1").arg(file);
        return false;
    }
    ScriptedDialogs ui;
    ChartDocument doc;
    QString chartDir;
    if (LoadFile(doc, file, 0, QString(), ui, &chartDir) == 0) {
        *error = QStringLiteral("cannot load the chart %1").arg(file);
        return false;
    }
    if (tempo::readChartMusic(doc, chartDir, bytes)) return true;
    *error = QStringLiteral("cannot read the chart's music %1")
                 .arg(tempo::chartMusicPath(doc, chartDir));
    return false;
}

int runTempo(const QStringList& args) {
    QCommandLineParser parser;
    const QCommandLineOption json(QStringLiteral("json"), QStringLiteral("Print JSON."));
    parser.addOption(json);
    int exitCode = kExitOk;
    if (!parseArguments(parser, kTempoCommand, args, 1, &exitCode)) return exitCode;
    QByteArray bytes;
    QString error;
    tempo::TempoReport report;
    if (readMusic(parser.positionalArguments().at(0), &bytes, &error)) {
        report = tempo::analyseMusic(bytes);
    } else {
        report.outcome = tempo::TempoReport::Unreadable;
        report.message = error;
    }
    const bool found = report.outcome == tempo::TempoReport::Beat;
    if (parser.isSet(json)) {
        printOut(QString::fromUtf8(QJsonDocument(jsonOf(report)).toJson(QJsonDocument::Compact)) +
                 '\n');
    } else if (found) {
        printOut(textOf(report));
    } else {
        printOut(report.message + '\n');
    }
    return found ? kExitOk : kExitFailed;
}

}  // namespace

}  // namespace lumidex::cli
