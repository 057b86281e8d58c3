#pragma once
// Everything modal the program shows goes through this interface: message
// boxes, input boxes, the three file choosers, the beep and the busy pointer.
// The window implements it with real Qt dialogs (app/QtDialogs.h); tests and
// the command-line tool answer from a script and read what was shown
// (ScriptedDialogs.h).

#include <QString>
#include <QStringList>

namespace lumidex {

// Title of every box that has no title of its own.
inline const QString kAppTitle = QStringLiteral("Pelvaro Note Editor");

enum class MsgIcon { None, Critical, Exclamation, Question, Information };
enum class MsgButtons { Ok, OkCancel, YesNo, YesNoCancel };
enum class MsgAnswer { Ok, Cancel, Yes, No };

class Dialogs {
  public:
    virtual ~Dialogs() = default;

    // A message box. An empty title means kAppTitle. Closing the box without a
    // button answers Cancel (or No for Yes/No boxes, Ok for Ok boxes).
    virtual MsgAnswer message(const QString& text, MsgIcon icon = MsgIcon::None,
                              MsgButtons buttons = MsgButtons::Ok,
                              const QString& title = QString()) = 0;

    // A message box with buttons of its own, first button the default. The
    // index of the button chosen; -1 when the box was closed without one.
    virtual int choose(const QString& text, const QStringList& buttons,
                       MsgIcon icon = MsgIcon::Question, const QString& title = QString()) = 0;

    // An input box; Cancel answers an empty text.
    virtual QString input(const QString& prompt, const QString& title = QString(),
                          const QString& defaultText = QString()) = 0;

    // The file choosers. filter is "text|pattern|text|pattern..." (patterns
    // separated by ";"), caption the window title, initialName the file name
    // offered. Each answers full paths; an empty text (or a list holding one
    // empty text for the multiple chooser) when cancelled.
    virtual QString ShowOpenDialog(const QString& filter, const QString& caption,
                                   const QString& initialName) = 0;
    virtual QString ShowSaveDialog(const QString& filter, const QString& caption,
                                   const QString& initialName) = 0;
    virtual QStringList ShowOpenMultiDialog(const QString& filter, const QString& caption,
                                            const QString& initialName) = 0;

    // The refusal beep of a text box.
    virtual void beep() = 0;

    // The hourglass pointer while a long operation runs (nests).
    virtual void setBusy(bool busy) = 0;
};

// Restores the normal pointer when it goes out of scope, however the
// operation ends.
class BusyPointer {
  public:
    explicit BusyPointer(Dialogs& dialogs) : dialogs_(dialogs) { dialogs_.setBusy(true); }
    ~BusyPointer() { dialogs_.setBusy(false); }
    BusyPointer(const BusyPointer&) = delete;
    BusyPointer& operator=(const BusyPointer&) = delete;

  private:
    Dialogs& dialogs_;
};

}  // namespace lumidex
