// lumidex-gen-demo [GAME_FOLDER]
// Synthesises the demo song (music, key sounds) and writes its chart. The
// default folder is examples/demo of the source tree.
#include <QCoreApplication>
#include <QDir>
#include <QTextStream>

#include "DemoSong.h"

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() > 2 || (args.size() == 2 && args[1].startsWith(QLatin1Char('-')))) {
        QTextStream(stderr) << "usage: lumidex-gen-demo [GAME_FOLDER]\n";
        return 2;
    }
    const QString folder =
        args.size() == 2 ? args[1] : QStringLiteral(LUMIDEX_SOURCE_DIR "/examples/demo");
    QString error;
    if (!lumidex::demo::writeDemo(folder, &error)) {
        QTextStream(stderr) << "lumidex-gen-demo: " << error << "\n";
        return 1;
    }
    QTextStream(stdout) << "wrote the demo into " << QDir(folder).absolutePath() << "\n";
    return 0;
}
