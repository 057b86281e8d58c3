#pragma once
// The pieces every subcommand of lumidex-chart shares: the command record of
// the table, the exit codes, console output and the chart-loading options.

#include <QString>
#include <QStringList>

#include <memory>

#include "ChartDocument.h"
#include "ScriptedDialogs.h"

class QCommandLineParser;

namespace lumidex::cli {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;  // the load or the save failed or was refused
constexpr int kExitUsage = 2;   // bad arguments

// One subcommand. run receives the arguments after the command's name and
// answers the exit code.
struct Command {
    const char* name;
    const char* synopsis;  // "resave IN OUT [--align N] ..." (without the program name)
    const char* summary;   // one line for the overview of --help
    const char* help;      // the full help of "lumidex-chart COMMAND --help"
    int (*run)(const QStringList& args);
};

// The table of subcommands, in the order --help lists them.
const Command* const* commands();
int commandCount();

// Text to standard output or standard error (UTF-8), flushed at once.
void printOut(const QString& text);
void printErr(const QString& text);

// True once a text for standard output could not be written (a closed pipe,
// a full disk): the command then exits 1 whatever it found.
bool standardOutputLost();

// Reports a usage error of command (empty for the program itself) and
// answers kExitUsage.
int usageError(const QString& command, const QString& message);

// The options every chart-loading command takes: IN, --align N, --rounded,
// --pak PAKFILE.
struct LoadOptions {
    QString in;
    double align = 1;
    int flags = 0;  // 1 with --rounded
    QString pak;
};

// Adds --align, --rounded and --pak (and -h/--help) to parser.
void addLoadOptions(QCommandLineParser& parser);
// Reads them back; false (with *error set) when --align is not 1, 2, 3, 4 or 6.
bool readLoadOptions(const QCommandLineParser& parser, const QString& in, LoadOptions* options,
                     QString* error);

// Parses args for command; on a parse error or --help prints what is due and
// sets *exitCode. positionals is the number of positional arguments needed.
bool parseArguments(QCommandLineParser& parser, const Command& command, const QStringList& args,
                    int positionals, int* exitCode);

// Loads the chart as the editor's open commands do, printing the load message
// (or the failure text) through ui. Null when the load failed.
std::unique_ptr<ChartDocument> loadChart(const LoadOptions& options, Dialogs& ui);

// Dialogs that print every message box's text and a line feed to standard
// output.
void printMessages(ScriptedDialogs& ui);

}  // namespace lumidex::cli
