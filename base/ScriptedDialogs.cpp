#include "ScriptedDialogs.h"

namespace lumidex {

MsgAnswer ScriptedDialogs::message(const QString& text, MsgIcon icon, MsgButtons buttons,
                                   const QString& title) {
    Shown s{Kind::Message, text, title, icon, buttons, QString(), {}};
    shown.push_back(s);
    if (onMessage) onMessage(s);
    if (!messageAnswers.empty()) {
        const MsgAnswer a = messageAnswers.front();
        messageAnswers.pop_front();
        return a;
    }
    return (buttons == MsgButtons::YesNo || buttons == MsgButtons::YesNoCancel) ? MsgAnswer::Yes
                                                                                : MsgAnswer::Ok;
}

int ScriptedDialogs::choose(const QString& text, const QStringList& buttons, MsgIcon icon,
                            const QString& title) {
    shown.push_back({Kind::Choice, text, title, icon, MsgButtons::Ok, QString(), buttons});
    if (choiceAnswers.empty()) return -1;
    const int a = choiceAnswers.front();
    choiceAnswers.pop_front();
    return a;
}

QString ScriptedDialogs::input(const QString& prompt, const QString& title,
                               const QString& defaultText) {
    shown.push_back(
        {Kind::Input, prompt, title, MsgIcon::None, MsgButtons::OkCancel, defaultText, {}});
    if (inputAnswers.empty()) return defaultText;
    QString a = inputAnswers.front();
    inputAnswers.pop_front();
    return a;
}

QString ScriptedDialogs::ShowOpenDialog(const QString& filter, const QString& caption,
                                        const QString& initialName) {
    shown.push_back({Kind::Open, filter, caption, MsgIcon::None, MsgButtons::Ok, initialName, {}});
    if (fileAnswers.empty()) return QString();
    QString a = fileAnswers.front();
    fileAnswers.pop_front();
    return a;
}

QString ScriptedDialogs::ShowSaveDialog(const QString& filter, const QString& caption,
                                        const QString& initialName) {
    shown.push_back({Kind::Save, filter, caption, MsgIcon::None, MsgButtons::Ok, initialName, {}});
    if (fileAnswers.empty()) return QString();
    QString a = fileAnswers.front();
    fileAnswers.pop_front();
    return a;
}

QStringList ScriptedDialogs::ShowOpenMultiDialog(const QString& filter, const QString& caption,
                                                 const QString& initialName) {
    shown.push_back(
        {Kind::OpenMulti, filter, caption, MsgIcon::None, MsgButtons::Ok, initialName, {}});
    if (multiAnswers.empty()) return QStringList{QString()};
    QStringList a = multiAnswers.front();
    multiAnswers.pop_front();
    return a;
}

void ScriptedDialogs::beep() {
    shown.push_back(
        {Kind::Beep, QString(), QString(), MsgIcon::None, MsgButtons::Ok, QString(), {}});
}

QStringList ScriptedDialogs::messages() const {
    QStringList out;
    for (const Shown& s : shown)
        if (s.kind == Kind::Message) out << s.text;
    return out;
}

int ScriptedDialogs::beeps() const {
    int n = 0;
    for (const Shown& s : shown) n += s.kind == Kind::Beep;
    return n;
}

}  // namespace lumidex
