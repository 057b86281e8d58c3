// The Qt dialogs: what closing a box answers, the default title, and the
// file filters handed to Qt.

#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include "DocumentCommands.h"
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

TEST(QtNameFilters, TurnPairsIntoQtFilters) {
    EXPECT_EQ(toQtNameFilters(kOpenFilter), (QStringList{QStringLiteral("Pelvaro XML File (*.xml)"),
                                                         QStringLiteral("All Files (*)")}));
    EXPECT_EQ(toQtNameFilters(kSaveFilter),
              QStringList{QStringLiteral("Pelvaro XML File (*.xml)")});
    const QStringList keys = toQtNameFilters(kKeySoundFilter);
    ASSERT_EQ(keys.size(), 2);
    EXPECT_EQ(keys[0], QStringLiteral("All Supported Audio Files (*.mp? *.og? *.wav *.aac *.ac3 "
                                      "*.aiff *.ape *.flac *.m4a *.opus *.tta *.wma *.wv *.wvc)"));
    EXPECT_TRUE(toQtNameFilters(QStringLiteral("Nothing|")).isEmpty());
}
}  // namespace
}  // namespace lumidex
