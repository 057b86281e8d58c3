// The editor: fills the application information, brings up the main window
// with a busy pointer (where it was when the editor last closed), opens the
// chart named on the command line and runs until the window closes.

#include <QApplication>
#include <QIcon>
#include <QSettings>

#include <cstdio>
#include <cstring>
#include <memory>

#include "AppInfo.h"
#include "LumidexVersion.h"
#include "QtDialogs.h"
#include "fmMain.h"

namespace {

// "--help" and "--version" as the only argument answer on standard output
// before any window or display is needed (the man page is made from them).
// Anything else is a chart to open, as before.
bool answerInformationOption(int argc, char** argv) {
    if (argc != 2) return false;
    const char* arg = argv[1];
    if (std::strcmp(arg, "--version") == 0) {
        std::printf("lumidex %s\n", LUMIDEX_PRODUCT_VERSION);
        return true;
    }
    if (std::strcmp(arg, "--help") != 0 && std::strcmp(arg, "-h") != 0) return false;
    std::printf(
        "Usage: lumidex [CHART.xml]\n"
        "  or:  lumidex -p PAKFILE ENTRY\n\n"
        "Lumidex edits note charts for the rhythm game Pelvaro: it shows a chart's notes on a\n"
        "scrolling canvas, places and re-types them with the mouse and the keyboard, plays the\n"
        "music with every note's key sound in step, and saves the chart in the game's XML "
        "format.\n\n"
        "Arguments:\n"
        "  CHART.xml            open this chart at start-up\n"
        "  -p PAKFILE ENTRY     open the chart ENTRY stored inside the PAK archive PAKFILE\n"
        "  -h, --help           show this help and exit\n"
        "      --version        show the version and exit\n\n"
        "Environment:\n"
        "  LUMIDEX_AUDIO=null   a silent audio device that keeps time like a sound card\n\n"
        "The command-line tool lumidex-chart checks, renders and resaves charts with the\n"
        "editor's own code.\n");
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (answerInformationOption(argc, argv)) return 0;
    QApplication application(argc, argv);
    // The desktop matches the window to its launcher and icon by this id.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.lumidex.Lumidex"));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("org.lumidex.Lumidex")));
    QApplication::setFont(lumidex::fmMain::interfaceFont());
    const lumidex::AppInfo info = lumidex::makeAppInfo(QCoreApplication::applicationFilePath(),
                                                       QCoreApplication::arguments());

    QApplication::setOverrideCursor(Qt::BusyCursor);
    lumidex::QtDialogs dialogs;
    QSettings settings(QStringLiteral("Lumidex"), QStringLiteral("lumidex"));
    auto window = std::make_unique<lumidex::fmMain>(dialogs, info);
    dialogs.setOwner(window.get());
    if (!window->Form_Load()) {
        QApplication::restoreOverrideCursor();
        return 1;
    }
    window->rememberPlacement(&settings);
    window->show();
    QApplication::restoreOverrideCursor();
    // Opened once the window is up, so that the open's messages stand over
    // the window and without the busy pointer.
    window->openCommandLine();
    return application.exec();
}
