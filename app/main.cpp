// The editor: fills the application information, brings up the main window
// with a busy pointer (where it was when the editor last closed), opens the
// chart named on the command line and runs until the window closes.

#include <QApplication>
#include <QSettings>

#include <memory>

#include "AppInfo.h"
#include "QtDialogs.h"
#include "fmMain.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
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
