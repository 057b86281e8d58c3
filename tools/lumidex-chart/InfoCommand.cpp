// lumidex-chart info: load a chart and describe it.

#include <QCommandLineParser>

#include "ChartFile.h"
#include "Command.h"
#include "Numbers.h"

namespace lumidex::cli {

namespace {

int runInfo(const QStringList& args);

}  // namespace

extern const Command kInfoCommand = {
    "info",
    "info IN [--align N] [--rounded] [--pak PAKFILE]",
    "Load IN and print its header values, tempo changes and key sounds.",
    R"(Usage: lumidex-chart info IN [--align N] [--rounded] [--pak PAKFILE]

Loads IN as the editor's "Open XML File..." does, prints the load message,
then one line for each header value (as the editor's "Music Info" fields show
it), each tempo change (the coord where it starts, the music tempo and the
scroll speed) and each key sound.

Options:
  --align N      round note coords to a grid of N coords: 1, 2, 3, 4 or 6
                 (the editor's AlignCoord list; default 1)
  --rounded      place each note on the next coord upwards, as
                 "Open Rounded XML File..." does
  --pak PAKFILE  IN is the name of an entry of the PAK archive PAKFILE
  -h, --help     show this help

Exit status: 0 when the chart was loaded; 1 when the load failed (its message
is printed); 2 for bad arguments.
)",
    runInfo,
};

namespace {

QString describeHeader(const HeaderTexts& h) {
    return QStringLiteral(
               "Name: %1\nBPM: %2\nSpeed: %3\nMusic: %4\nMusic volume: %5\nDelay: %6\n"
               "Long-note correction: %7\nLength: %8\n")
        .arg(h.Name, h.BPMO, h.BPM, h.BGM, h.BGMVolume, h.Delay, h.LongCorrectVal, h.Length);
}

// Coord 0 and every coord whose tempo or speed differs from the coord before.
QString describeTempo(const ChartDocument& doc) {
    QStringList lines;
    for (int c = 0; c <= kMaxCoord; ++c) {
        const NoteEntry& cell = doc.cell(c);
        if (c > 0) {
            const NoteEntry& prev = doc.cell(c - 1);
            if (cell.Tempo == prev.Tempo && cell.Speed == prev.Speed) continue;
        }
        lines << QStringLiteral("  coord %1: tempo %2, speed %3\n")
                     .arg(c)
                     .arg(numberText(cell.Tempo), numberText(cell.Speed));
    }
    return QStringLiteral("Tempo changes: %1\n").arg(lines.size()) + lines.join(QString());
}

QString describeKeySounds(const ChartDocument& doc) {
    QString text = QStringLiteral("Key sounds: %1\n").arg(doc.KeyCount);
    for (int k = 1; k <= doc.KeyCount; ++k) {
        const KeySound& key = doc.keySound(k);
        text += QStringLiteral("  %1: %2, volume %3\n").arg(k).arg(key.Snd, key.Volume);
    }
    return text;
}

int runInfo(const QStringList& args) {
    QCommandLineParser parser;
    addLoadOptions(parser);
    int exitCode = kExitOk;
    if (!parseArguments(parser, kInfoCommand, args, 1, &exitCode)) return exitCode;

    LoadOptions options;
    QString error;
    if (!readLoadOptions(parser, parser.positionalArguments().at(0), &options, &error))
        return usageError(QStringLiteral("info"), error);

    ScriptedDialogs ui;
    printMessages(ui);
    const std::unique_ptr<ChartDocument> doc = loadChart(options, ui);
    if (!doc) return kExitFailed;
    printOut(describeHeader(doc->Header) + describeTempo(*doc) + describeKeySounds(*doc));
    return kExitOk;
}

}  // namespace

}  // namespace lumidex::cli
