#pragma once
// What every screenshot tool does around its own scene: checks its command
// line, starts the editor's window as the editor starts (the interface font,
// the command line's chart opened, dialogs answered by a script), sends mouse
// events to a widget, and saves the settled window's picture.

#include <QEvent>
#include <QStringList>

#include <memory>

#include "ScriptedDialogs.h"
#include "fmMain.h"

class QWidget;

namespace lumidex::screenshots {

// False, after printing the usage line, unless the program was given between
// `least` and `most` arguments (the program itself not counted).
bool argumentsFit(const QStringList& args, int least, int most, const char* usage);

// The editor's window started with `commandLine` (the program, then an
// optional chart), loaded but not yet shown, so a scene can be built in it
// before it is drawn.
class Window {
  public:
    explicit Window(const QStringList& commandLine);
    // False when the window's load failed.
    bool started() const { return started_; }
    // Shows the window, opens the command line's chart (when there is one)
    // and waits until the window is exposed (and active, when asked).
    bool show(bool active = false);
    // Lets the window settle at its final size.
    static void settle();
    // Saves the window's picture.
    bool save(const QString& out);
    fmMain* operator->() { return window_.get(); }
    fmMain& operator*() { return *window_; }

  private:
    ScriptedDialogs dialogs_;
    std::unique_ptr<fmMain> window_;
    bool opensChart_ = false;
    bool started_ = false;
};

// A mouse event at column 20 of `row` of `on`.
void sendMouse(QWidget* on, QEvent::Type type, Qt::MouseButton button, Qt::MouseButtons held,
               int row, Qt::KeyboardModifiers mods = Qt::NoModifier);

}  // namespace lumidex::screenshots
