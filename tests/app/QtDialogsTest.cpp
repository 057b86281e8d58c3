// The Qt dialogs: what closing a box answers, the default title, and the
// file filters handed to Qt.

#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include "QtDialogs.h"

namespace lumidex {
namespace {

// Presses Escape in the message box about to be shown and keeps its title.
void escapeNextBox(QString* title) {
    QTimer::singleShot(0, [title] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) return;
        *title = box->windowTitle();
        QTest::keyClick(box, Qt::Key_Escape);
    });
}

TEST(QtDialogsTest, ClosingABoxAnswersItsCancellingChoice) {
    QtDialogs qtDialogs;
    Dialogs& dialogs = qtDialogs;
    QString title;
    escapeNextBox(&title);
    EXPECT_EQ(dialogs.message(QStringLiteral("Save?"), MsgIcon::Question, MsgButtons::YesNoCancel),
              MsgAnswer::Cancel);
    EXPECT_EQ(title, QStringLiteral("Pelvaro Note Editor"));
    escapeNextBox(&title);
    EXPECT_EQ(dialogs.message(QStringLiteral("Delete?"), MsgIcon::Question, MsgButtons::YesNo,
                              QStringLiteral("Keys")),
              MsgAnswer::No);
    EXPECT_EQ(title, QStringLiteral("Keys"));
    escapeNextBox(&title);
    EXPECT_EQ(dialogs.message(QStringLiteral("Done")), MsgAnswer::Ok);
}

// A pattern group at the end of a name is dropped, "*.*" becomes "*", a
// ";" list becomes a blank-separated one, and a pair without patterns goes.
TEST(QtNameFilters, TurnPairsIntoQtFilters) {
    EXPECT_EQ(toQtNameFilters(QStringLiteral("Chart File(*.xml)|*.xml|Audio|*.mp?;*.wav;|"
                                             "All Files (*.*)|*.*|Nothing|")),
              (QStringList{"Chart File (*.xml)", "Audio (*.mp? *.wav)", "All Files (*)"}));
}

}  // namespace
}  // namespace lumidex
