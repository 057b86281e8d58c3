#include "ScreenshotWindow.h"

#include <QApplication>
#include <QMouseEvent>
#include <QTest>

#include <cstdio>

#include "AppInfo.h"

namespace lumidex::screenshots {

bool argumentsFit(const QStringList& args, int least, int most, const char* usage) {
    const int given = int(args.size()) - 1;
    if (given >= least && given <= most) return true;
    std::fprintf(stderr, "usage: %s\n", usage);
    return false;
}

Window::Window(const QStringList& commandLine) : opensChart_(commandLine.size() > 1) {
    QApplication::setFont(fmMain::interfaceFont());
    window_ = std::make_unique<fmMain>(
        dialogs_, makeAppInfo(QCoreApplication::applicationFilePath(), commandLine));
    started_ = window_->Form_Load();
}

bool Window::show(bool active) {
    window_->show();
    if (opensChart_) window_->openCommandLine();
    if (!QTest::qWaitForWindowExposed(window_.get())) return false;
    if (!active) return true;
    window_->activateWindow();
    return QTest::qWaitForWindowActive(window_.get());
}

void Window::settle() {
    QTest::qWait(200);
}

bool Window::save(const QString& out) {
    return window_->grab().save(out);
}

void sendMouse(QWidget* on, QEvent::Type type, Qt::MouseButton button, Qt::MouseButtons held,
               int row, Qt::KeyboardModifiers mods) {
    const QPoint at(20, row);
    QMouseEvent event(type, at, on->mapToGlobal(at), button, held, mods);
    QApplication::sendEvent(on, &event);
}

}  // namespace lumidex::screenshots
