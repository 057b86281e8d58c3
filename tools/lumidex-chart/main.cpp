// lumidex-chart: reads and writes Pelvaro XML charts with the editor's own
// code. The first argument names the subcommand; CommandTable.cpp lists them.

#include <QString>
#include <QStringList>

#include "Command.h"

namespace {

using namespace lumidex::cli;

void printHelp() {
    QString text = QStringLiteral(
        "Usage: lumidex-chart COMMAND ARGUMENTS...\n\n"
        "Reads and writes Pelvaro XML charts with the chart code of the Lumidex editor.\n\n"
        "Commands:\n");
    for (int i = 0; i < commandCount(); ++i) {
        const Command& c = *commands()[i];
        text += QStringLiteral("  %1\n      %2\n")
                    .arg(QString::fromUtf8(c.synopsis), QString::fromUtf8(c.summary));
    }
    text += QStringLiteral(
        "\n'lumidex-chart COMMAND --help' describes a command and its options.\n\n"
        "Exit status: 0 on success, 1 when a load or save failed or was refused,\n"
        "2 for bad arguments.\n");
    printOut(text);
}

const Command* findCommand(const QString& name) {
    for (int i = 0; i < commandCount(); ++i)
        if (name == QLatin1String(commands()[i]->name)) return commands()[i];
    return nullptr;
}

}  // namespace

int main(int argc, char** argv) {
    QStringList args;
    for (int i = 1; i < argc; ++i) args << QString::fromLocal8Bit(argv[i]);

    if (args.isEmpty()) return usageError(QString(), QStringLiteral("no command given"));
    const QString name = args.takeFirst();
    if (name == QLatin1String("--help") || name == QLatin1String("-h") ||
        name == QLatin1String("help")) {
        printHelp();
        return kExitOk;
    }
    const Command* command = findCommand(name);
    if (!command) return usageError(QString(), QStringLiteral("unknown command '%1'").arg(name));
    const int result = command->run(args);
    if (standardOutputLost()) {
        printErr(QStringLiteral("lumidex-chart: standard output cannot be written\n"));
        return result == kExitUsage ? result : kExitFailed;
    }
    return result;
}
