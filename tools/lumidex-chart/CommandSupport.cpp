// Console output, argument parsing and chart loading shared by the
// subcommands.

#include <QCommandLineParser>

#include <cstdio>

#include "ChartFile.h"
#include "Command.h"

namespace lumidex::cli {

namespace {

bool outputLost = false;

void print(std::FILE* stream, const QString& text) {
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stream);
    if (std::fflush(stream) != 0 || std::ferror(stream)) {
        if (stream == stdout) outputLost = true;
        std::clearerr(stream);
    }
}

}  // namespace

void printOut(const QString& text) {
    print(stdout, text);
}

bool standardOutputLost() {
    return outputLost;
}
void printErr(const QString& text) {
    print(stderr, text);
}

int usageError(const QString& command, const QString& message) {
    const QString helpCall = command.isEmpty()
                                 ? QStringLiteral("lumidex-chart --help")
                                 : QStringLiteral("lumidex-chart %1 --help").arg(command);
    printErr(QStringLiteral("lumidex-chart: %1\nTry '%2' for more information.\n")
                 .arg(message, helpCall));
    return kExitUsage;
}

void addLoadOptions(QCommandLineParser& parser) {
    parser.addOption({QStringLiteral("align"),
                      QStringLiteral("Round note coords to a grid of N coords."),
                      QStringLiteral("N"), QStringLiteral("1")});
    parser.addOption({QStringLiteral("rounded"), QStringLiteral("Open rounded.")});
    parser.addOption({QStringLiteral("pak"), QStringLiteral("Read IN from this PAK archive."),
                      QStringLiteral("PAKFILE")});
}

bool readLoadOptions(const QCommandLineParser& parser, const QString& in, LoadOptions* options,
                     QString* error) {
    const QString align = parser.value(QStringLiteral("align"));
    static const QStringList grids = {QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3"),
                                      QStringLiteral("4"), QStringLiteral("6")};
    if (!grids.contains(align)) {
        *error = QStringLiteral("--align must be 1, 2, 3, 4 or 6, not '%1'").arg(align);
        return false;
    }
    options->in = in;
    options->align = align.toDouble();
    options->flags = parser.isSet(QStringLiteral("rounded")) ? 1 : 0;
    options->pak = parser.value(QStringLiteral("pak"));
    if (parser.isSet(QStringLiteral("pak")) && options->pak.isEmpty()) {
        *error = QStringLiteral("--pak needs the path of an archive");
        return false;
    }
    return true;
}

bool parseArguments(QCommandLineParser& parser, const Command& command, const QStringList& args,
                    int positionals, int* exitCode) {
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Show this help."));
    parser.addOption(help);
    const QString name = QString::fromLatin1(command.name);
    if (!parser.parse(QStringList{QStringLiteral("lumidex-chart")} + args)) {
        *exitCode = usageError(name, parser.errorText());
        return false;
    }
    if (parser.isSet(help)) {
        printOut(QString::fromUtf8(command.help));
        *exitCode = kExitOk;
        return false;
    }
    const qsizetype given = parser.positionalArguments().size();
    if (given != positionals) {
        const QString problem = given < positionals ? QStringLiteral("missing arguments")
                                                    : QStringLiteral("too many arguments");
        *exitCode = usageError(name, QStringLiteral("%1 (usage: lumidex-chart %2)")
                                         .arg(problem, QString::fromUtf8(command.synopsis)));
        return false;
    }
    return true;
}

void printMessages(ScriptedDialogs& ui) {
    ui.onMessage = [](const ScriptedDialogs::Shown& shown) { printOut(shown.text + '\n'); };
}

std::unique_ptr<ChartDocument> loadChart(const LoadOptions& options, Dialogs& ui) {
    auto doc = std::make_unique<ChartDocument>();
    doc->AlignCoord = options.align;
    if (LoadFile(*doc, options.in, options.flags, options.pak, ui) == 0) return nullptr;
    return doc;
}

}  // namespace lumidex::cli
