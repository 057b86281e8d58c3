#pragma once
// The program's modal dialogs shown with Qt: message boxes, input boxes, the
// file choosers, the beep and the busy pointer.

#include <QPointer>
#include <QWidget>

#include "Dialogs.h"

namespace lumidex {

class QtDialogs : public Dialogs {
  public:
    // owner: the window the dialogs are modal to and centred on (may be set
    // later, once the main window exists).
    explicit QtDialogs(QWidget* owner = nullptr) : owner_(owner) {}
    void setOwner(QWidget* owner) { owner_ = owner; }

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
    void setBusy(bool busy) override;

  private:
    QPointer<QWidget> owner_;
};

// Turns a "text|pattern|text|pattern" filter into Qt name filters such as
// "Pelvaro XML File (*.xml)". Patterns are separated by ";" (empty ones are
// dropped); "*.*" becomes "*" so that files without a dot are listed too. A
// parenthesised pattern list at the end of the text is replaced by the
// patterns actually used. A text without a pattern is dropped.
QStringList toQtNameFilters(const QString& filter);

}  // namespace lumidex
