#pragma once
// A Dialogs that shows nothing: it records every box, input box, chooser and
// beep, and answers from queues filled beforehand. Tests use it to drive the
// program; the command-line tool uses it to print what a box would show.

#include <deque>
#include <functional>
#include <vector>

#include "Dialogs.h"

namespace lumidex {

class ScriptedDialogs : public Dialogs {
  public:
    enum class Kind { Message, Choice, Input, Open, Save, OpenMulti, Beep };

    struct Shown {
        Kind kind;
        QString text;   // message or prompt text; filter for the choosers
        QString title;  // title or caption as passed (empty = application title)
        MsgIcon icon = MsgIcon::None;
        MsgButtons buttons = MsgButtons::Ok;
        QString initial;      // default text or initial file name
        QStringList choices;  // the buttons of a Choice box
    };

    // Answers, taken in order. When a queue is empty: a message box answers
    // its first button's "positive" choice (Ok, or Yes), an input box its
    // default text, a chooser an empty (cancelled) answer.
    std::deque<MsgAnswer> messageAnswers;
    std::deque<int> choiceAnswers;  // button indexes; closed (-1) when empty
    std::deque<QString> inputAnswers;
    std::deque<QString> fileAnswers;       // ShowOpenDialog and ShowSaveDialog
    std::deque<QStringList> multiAnswers;  // ShowOpenMultiDialog

    // Called for every message box as it is shown (the command-line tool
    // prints them).
    std::function<void(const Shown&)> onMessage;

    std::vector<Shown> shown;
    int busyDepth = 0;

    MsgAnswer message(const QString& text, MsgIcon icon, MsgButtons buttons,
                      const QString& title) override;
    int choose(const QString& text, const QStringList& buttons, MsgIcon icon,
               const QString& title) override;
    QString input(const QString& prompt, const QString& title, const QString& defaultText) override;
    QString ShowOpenDialog(const QString& filter, const QString& caption,
                           const QString& initialName) override;
    QString ShowSaveDialog(const QString& filter, const QString& caption,
                           const QString& initialName) override;
    QStringList ShowOpenMultiDialog(const QString& filter, const QString& caption,
                                    const QString& initialName) override;
    void beep() override;
    void setBusy(bool busy) override { busyDepth += busy ? 1 : -1; }

    // The texts of the message boxes shown so far, in order.
    QStringList messages() const;
    int beeps() const;
};

}  // namespace lumidex
