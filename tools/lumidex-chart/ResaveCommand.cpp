// lumidex-chart resave: load a chart and save it again, as the editor's open
// and save commands would.

#include <QCommandLineParser>

#include "ChartFile.h"
#include "Command.h"

namespace lumidex::cli {

namespace {

int runResave(const QStringList& args);

}  // namespace

extern const Command kResaveCommand = {
    "resave",
    "resave IN OUT [--align N] [--rounded] [--pak PAKFILE] [--force]",
    "Load IN and save it to OUT as the editor would.",
    R"(Usage: lumidex-chart resave IN OUT [--align N] [--rounded] [--pak PAKFILE] [--force]

Loads IN as the editor's "Open XML File..." does and saves it to OUT as its
"Save XML File..." does. Prints the load message and the save message, each
followed by a line feed, exactly as their boxes show them.

Options:
  --align N      round note coords to a grid of N coords: 1, 2, 3, 4 or 6
                 (the editor's AlignCoord list; default 1)
  --rounded      place each note on the next coord upwards, as
                 "Open Rounded XML File..." does
  --pak PAKFILE  IN is the name of an entry of the PAK archive PAKFILE
  --force        overwrite OUT when it exists; without it the save is refused
  -h, --help     show this help

Exit status: 0 when the chart was saved; 1 when the load failed or the save
was refused or failed (its message is printed); 2 for bad arguments.
)",
    runResave,
};

namespace {

int runResave(const QStringList& args) {
    QCommandLineParser parser;
    addLoadOptions(parser);
    const QCommandLineOption force(QStringLiteral("force"), QStringLiteral("Overwrite OUT."));
    parser.addOption(force);
    int exitCode = kExitOk;
    if (!parseArguments(parser, kResaveCommand, args, 2, &exitCode)) return exitCode;

    const QStringList files = parser.positionalArguments();
    LoadOptions options;
    QString error;
    if (!readLoadOptions(parser, files[0], &options, &error))
        return usageError(QStringLiteral("resave"), error);
    const QString& out = files[1];
    if (out.isEmpty()) return usageError(QStringLiteral("resave"), QStringLiteral("OUT is empty"));

    ScriptedDialogs ui;
    const bool overwrite = parser.isSet(force);
    // The overwrite question is printed only when it refuses the save.
    ui.onMessage = [overwrite](const ScriptedDialogs::Shown& shown) {
        if (shown.buttons == MsgButtons::YesNo && overwrite) return;
        printOut(shown.text + '\n');
    };
    const std::unique_ptr<ChartDocument> doc = loadChart(options, ui);
    if (!doc) return kExitFailed;

    ui.messageAnswers = {overwrite ? MsgAnswer::Yes : MsgAnswer::No};
    return SaveFile(*doc, out, ui) == 1 ? kExitOk : kExitFailed;
}

}  // namespace

}  // namespace lumidex::cli
