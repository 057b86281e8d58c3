#include "QtDialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>

namespace lumidex {
namespace {

QString titleOr(const QString& title) {
    return title.isEmpty() ? kAppTitle : title;
}

QMessageBox::Icon toQtIcon(MsgIcon icon) {
    switch (icon) {
        case MsgIcon::Critical:
            return QMessageBox::Critical;
        case MsgIcon::Exclamation:
            return QMessageBox::Warning;
        case MsgIcon::Question:
            return QMessageBox::Question;
        case MsgIcon::Information:
            return QMessageBox::Information;
        case MsgIcon::None:
            break;
    }
    return QMessageBox::NoIcon;
}

// The buttons of a box and the one that closing the box stands for.
struct ButtonSet {
    QMessageBox::StandardButtons buttons;
    QMessageBox::StandardButton escape;
};

ButtonSet toQtButtons(MsgButtons buttons) {
    switch (buttons) {
        case MsgButtons::OkCancel:
            return {QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Cancel};
        case MsgButtons::YesNo:
            return {QMessageBox::Yes | QMessageBox::No, QMessageBox::No};
        case MsgButtons::YesNoCancel:
            return {QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Cancel};
        case MsgButtons::Ok:
            break;
    }
    return {QMessageBox::Ok, QMessageBox::Ok};
}

MsgAnswer toAnswer(int clicked) {
    switch (clicked) {
        case QMessageBox::Ok:
            return MsgAnswer::Ok;
        case QMessageBox::Yes:
            return MsgAnswer::Yes;
        case QMessageBox::No:
            return MsgAnswer::No;
        default:
            return MsgAnswer::Cancel;
    }
}

QString qtPatterns(const QString& patterns) {
    QStringList out;
    for (const QString& p : patterns.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const QString trimmed = p.trimmed();
        if (trimmed.isEmpty()) continue;
        out << (trimmed == QLatin1String("*.*") ? QStringLiteral("*") : trimmed);
    }
    return out.join(QLatin1Char(' '));
}

}  // namespace

QStringList toQtNameFilters(const QString& filter) {
    // "Pelvaro XML File(*.xml)": the "(*.xml)" is a pattern list, dropped here.
    static const QRegularExpression trailingGroup(
        QStringLiteral("\\s*\\([^()]*[*?][^()]*\\)\\s*$"));
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList out;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString patterns = qtPatterns(parts[i + 1]);
        if (patterns.isEmpty()) continue;
        QString text = parts[i];
        text.remove(trailingGroup);
        text = text.trimmed();
        out << (text.isEmpty() ? QString() : text + QLatin1Char(' ')) + QLatin1Char('(') +
                   patterns + QLatin1Char(')');
    }
    return out;
}

MsgAnswer QtDialogs::message(const QString& text, MsgIcon icon, MsgButtons buttons,
                             const QString& title) {
    const ButtonSet set = toQtButtons(buttons);
    QMessageBox box(toQtIcon(icon), titleOr(title), text, set.buttons, owner_);
    box.setEscapeButton(set.escape);
    return toAnswer(box.exec());
}

int QtDialogs::choose(const QString& text, const QStringList& buttons, MsgIcon icon,
                      const QString& title) {
    QMessageBox box(toQtIcon(icon), titleOr(title), text, QMessageBox::NoButton, owner_);
    QList<QAbstractButton*> added;
    for (const QString& caption : buttons)
        added << box.addButton(caption,
                               added.isEmpty() ? QMessageBox::AcceptRole : QMessageBox::ActionRole);
    if (!added.isEmpty()) box.setDefaultButton(qobject_cast<QPushButton*>(added.front()));
    box.exec();
    return static_cast<int>(added.indexOf(box.clickedButton()));
}

QString QtDialogs::input(const QString& prompt, const QString& title, const QString& defaultText) {
    bool ok = false;
    const QString answer =
        QInputDialog::getText(owner_, titleOr(title), prompt, QLineEdit::Normal, defaultText, &ok);
    return ok ? answer : QString();
}

QString QtDialogs::ShowOpenDialog(const QString& filter, const QString& caption,
                                  const QString& initialName) {
    return QFileDialog::getOpenFileName(owner_, caption, initialName,
                                        toQtNameFilters(filter).join(QStringLiteral(";;")));
}

QString QtDialogs::ShowSaveDialog(const QString& filter, const QString& caption,
                                  const QString& initialName) {
    // The saver asks about overwriting itself, with its own wording.
    return QFileDialog::getSaveFileName(owner_, caption, initialName,
                                        toQtNameFilters(filter).join(QStringLiteral(";;")), nullptr,
                                        QFileDialog::DontConfirmOverwrite);
}

QStringList QtDialogs::ShowOpenMultiDialog(const QString& filter, const QString& caption,
                                           const QString& initialName) {
    const QStringList chosen = QFileDialog::getOpenFileNames(
        owner_, caption, initialName, toQtNameFilters(filter).join(QStringLiteral(";;")));
    return chosen.isEmpty() ? QStringList{QString()} : chosen;
}

void QtDialogs::beep() {
    QApplication::beep();
}

void QtDialogs::setBusy(bool busy) {
    if (busy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

}  // namespace lumidex
