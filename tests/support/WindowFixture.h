#pragma once
// A real main window driven through scripted dialogs, in a folder of its own
// that holds the program path, the charts and whatever the commands write.
// Controls are found by their names (control()); the canvas is driven with
// mouse(), drag(), key(), keyUp() and tap().

#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QMouseEvent>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

#include "AppInfo.h"
#include "CanvasEditing.h"
#include "ChartView.h"
#include "KeyBoxController.h"
#include "KeyListController.h"
#include "PictureBox.h"
#include "PlaybackController.h"
#include "ScriptedDialogs.h"
#include "fmMain.h"
#include "support/ChartText.h"
#include "support/FileHelpers.h"

namespace lumidex::testing {

// A small chart: tempo 150 everywhere, music starting 12 frames in (coord
// 9), two key sounds, an arrow at 0, a star at position 12.3 and a long note
// from 24 to 48.
inline test::ChartText windowChart() {
    test::ChartText t;
    t.delay = 12;
    t.length = 48;
    t.keys = {{"kick.wav", "1.00"}, {"snare.wav", "0.5"}};
    t.notes = {{0, 20, 1}, {12.3, 16, 2}, {24, 128, 1}, {48, 130, 0}};
    return t;
}
inline const QByteArray kChart = windowChart().bytes();

// Replaces the text of a box by typing, the focus in it.
inline void typeInto(QLineEdit* box, const QString& text) {
    box->setFocus();
    box->selectAll();
    QTest::keyClick(box, Qt::Key_Delete);
    QTest::keyClicks(box, text);
}

class WindowTest : public ::testing::Test {
  protected:
    // Creates and starts the window as the program does, with args after the
    // program name; with settings, its placement is kept there. A window
    // started before is closed first.
    void start(const QStringList& args = {}, QSettings* settings = nullptr) {
        window.reset();
        AppInfo info = makeAppInfo(exePath(), QStringList{QStringLiteral("lumidex")} + args);
        window = std::make_unique<fmMain>(ui, info);
        ASSERT_TRUE(window->Form_Load());
        if (settings) window->rememberPlacement(settings);
        window->show();
        window->openCommandLine();
    }

    // Makes the window the active one, so that keys reach its shortcuts.
    void activate() {
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    }
    // A key pressed in the active window, where the keyboard sends it.
    void shortcut(Qt::Key k, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        activate();
        QWidget* focus = QApplication::focusWidget();
        QTest::keyClick(focus ? focus : window.get(), k, mods);
        QCoreApplication::processEvents();
    }

    // Every control named name (the members of a control array).
    template <class T = QWidget>
    QList<T*> controls(const QString& name) const {
        return window->findChildren<T*>(name);
    }
    // The control named name; with an index, that member of a control array.
    // Fails the test when there is none.
    template <class T = QWidget>
    T* control(const QString& name, int index = -1) const {
        for (T* found : controls<T>(name))
            if (index < 0 || found->property("index").toInt() == index) return found;
        ADD_FAILURE() << "no control " << name.toStdString() << " " << index;
        return nullptr;
    }

    // The kind of the note at coord, and the canvas row showing coord.
    int kind(int coord) const { return window->doc.cell(coord).Kind; }
    int rowOf(int coord) const { return window->view->CoordToHeight(coord); }
    // Keys pressed, released and both on the canvas.
    void key(Qt::Key k, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        QTest::keyPress(control<PictureBox>("picMain"), k, mods);
    }
    void keyUp(Qt::Key k, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        QTest::keyRelease(control<PictureBox>("picMain"), k, mods);
    }
    void tap(Qt::Key k, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        key(k, mods);
        keyUp(k, mods);
    }

    QString path(const QString& name) const { return dir.filePath(name); }
    QString exePath() const { return path(QStringLiteral("lumidex")); }

    QString writeFile(const QString& name, const QByteArray& bytes) {
        EXPECT_TRUE(test::writeAll(path(name), bytes));
        return path(name);
    }
    QString writeChart(const QString& name = QStringLiteral("song.xml")) {
        return writeFile(name, kChart);
    }
    QByteArray readFile(const QString& name) const { return test::readAll(path(name)); }

    // What was shown from now on (ignores anything shown before).
    void mark() { marked = ui.shown.size(); }
    std::vector<ScriptedDialogs::Shown> shownSinceMark() const {
        return {ui.shown.begin() + static_cast<std::ptrdiff_t>(marked), ui.shown.end()};
    }

    // A mouse event at x 20 and the given row of a widget, the canvas unless named.
    void mouse(QEvent::Type type, Qt::MouseButton button, Qt::MouseButtons held, int row,
               QWidget* on = nullptr, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        QWidget* target = on ? on : control<PictureBox>("picMain");
        const QPoint at(20, row);
        QMouseEvent event(type, at, target->mapToGlobal(at), button, held, mods);
        QApplication::sendEvent(target, &event);
    }
    // A press on the canvas, moves to another row, and the release there.
    void drag(Qt::MouseButton button, int fromRow, int toRow, int moves,
              Qt::KeyboardModifiers mods = Qt::NoModifier) {
        const Qt::MouseButtons held = button;
        mouse(QEvent::MouseButtonPress, button, held, fromRow, nullptr, mods);
        for (int i = 0; i < moves; ++i)
            mouse(QEvent::MouseMove, Qt::NoButton, held, toRow, nullptr, mods);
        mouse(QEvent::MouseButtonRelease, button, Qt::NoButton, toRow, nullptr, mods);
    }
    // Leaves a box for the canvas; a refused entry takes the focus back.
    void leave() {
        control<PictureBox>("picMain")->setFocus();
        QCoreApplication::processEvents();
    }
    void enter(QLineEdit* box, const QString& text) {
        typeInto(box, text);
        leave();
    }

    QTemporaryDir dir;
    ScriptedDialogs ui;
    std::unique_ptr<fmMain> window;
    size_t marked = 0;
};

}  // namespace lumidex::testing
