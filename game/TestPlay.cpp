#include "TestPlay.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

#include "ChartFile.h"
#include "FileIO.h"
#include "RemoveFile.h"
#include "RuntimeError.h"

namespace lumidex {
namespace {

const QString kCannotTest = QStringLiteral(", so the test can't be executed.");

// The folders of path made absolute against the current directory, with "."
// dropped and ".." taking away the folder before it (none above the root).
// Lexical: links are not resolved.
QStringList absoluteParts(const QString& path) {
    const QString full =
        QDir::isAbsolutePath(path) ? path : QDir::currentPath() + QLatin1Char('/') + path;
    QStringList parts;
    for (const QString& part : full.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        if (part == QLatin1String("..")) {
            if (!parts.isEmpty()) parts.removeLast();
        } else if (part != QLatin1String(".")) {
            parts << part;
        }
    }
    return parts;
}

bool startClient(const ClientStart& start, const QString& client, Dialogs& ui) {
    QProcess process;
    process.setProgram(start.program);
    process.setArguments(start.arguments);
    process.setWorkingDirectory(start.workingDir);
    if (process.startDetached()) return true;
    ui.message(client + QStringLiteral(" could not be started (") + process.errorString() +
                   QLatin1Char(')') + kCannotTest,
               MsgIcon::Exclamation);
    return false;
}

// The steps that can raise a run-time error; runTestPlay reports it.
bool testPlay(ChartDocument& doc, Dialogs& ui, int index, const QString& chartDir,
              const QString& musicPath) {
    const QString client = clientName(index);
    const QString game = gameFolder(chartDir, musicPath);
    if (!FileExists(game + client)) {
        ui.message(client + QStringLiteral(" is not found") + kCannotTest, MsgIcon::Exclamation);
        return false;
    }
    // Decided before anything is written, so a client that cannot run leaves
    // the game folder as it was.
    const ClientStart start = clientStart(game, client);
    if (start.how == ClientStart::Impossible) {
        ui.message(client +
                       QStringLiteral(" is not an executable file and wine is not on the PATH") +
                       kCannotTest,
                   MsgIcon::Exclamation);
        return false;
    }
    const QString temp = game + kTestPlayFile;
    try {
        RemoveFile(temp);
    } catch (const RuntimeError&) {
        // Usually there is none. One that stays makes the save ask before
        // overwriting it.
    }
    // Without a fresh temp.xml the client would open nothing, or an old chart.
    if (SaveFile(doc, temp, ui) != 1) return false;
    return startClient(start, client, ui);
}

}  // namespace

QString clientName(int index) {
    return index == 1 ? QStringLiteral("zelt.exe") : QStringLiteral("qorv.exe");
}

QString gameFolder(const QString& chartDir, const QString& musicPath) {
    QString dir = JoinPath(chartDir, musicPath);
    if (dir.isEmpty()) dir = QStringLiteral("./");
    dir.replace(QLatin1Char('\\'), QLatin1Char('/'));
    QStringList parts = absoluteParts(dir);
    if (parts.size() <= 1) return QStringLiteral("/");
    parts.removeLast();
    return QLatin1Char('/') + parts.join(QLatin1Char('/')) + QLatin1Char('/');
}

ClientStart clientStart(const QString& gameDir, const QString& client) {
    const QString path = gameDir + client;
    const QFileInfo info(path);
    if (info.isFile() && info.isExecutable())
        return {ClientStart::Direct, path, {kTestPlayFile}, gameDir};
    const QString wine = QStandardPaths::findExecutable(QStringLiteral("wine"));
    if (!wine.isEmpty()) return {ClientStart::Wine, wine, {path, kTestPlayFile}, gameDir};
    return {};
}

bool runTestPlay(ChartDocument& doc, Dialogs& ui, int index, const QString& chartDir,
                 const QString& musicPath) {
    try {
        return testPlay(doc, ui, index, chartDir, musicPath);
    } catch (const RuntimeError& e) {
        QString text = e.description();
        if (text.isEmpty()) text = QStringLiteral("Run-time error ") + QString::number(e.number());
        ui.message(text);
        return false;
    }
}

}  // namespace lumidex
