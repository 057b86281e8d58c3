// Open, save, exit, "&New" and dropping a file, with the question about
// unsaved changes answered every way.

#include <QDir>
#include <QLabel>
#include <QMimeData>
#include <QUrl>

#include "DocumentCommands.h"
#include "support/WindowFixture.h"
#include "support/ZipHelpers.h"

namespace lumidex::testing {
namespace {

using Kind = ScriptedDialogs::Kind;

class DocumentCommandsTest : public WindowTest {
  protected:
    // A window with the chart open and then changed.
    void startModified() {
        start({writeChart()});
        window->setModified(true);
        mark();
    }

    // What was shown since the mark, a letter each: Message, Open, Save.
    std::string shownLetters() const {
        std::string letters;
        for (const auto& shown : shownSinceMark())
            letters += shown.kind == Kind::Message ? 'M' : shown.kind == Kind::Open ? 'O' : 'S';
        return letters;
    }
};

TEST_F(DocumentCommandsTest, CtrlSWritesTheOwnFileAndOtherwiseAsksForOne) {
    struct Case {
        const char* chart;  // "song": opened from song.xml; "new"; "pak"; "gone": song.xml
                            // became a folder, so writing it fails
        Qt::KeyboardModifiers mods;
        const char* shown;  // as shownLetters(); a failed write's text: SaveTest
        bool saved;         // song.xml holds the change and the chart is unmodified
    };
    const Case cases[] = {{"song", Qt::ControlModifier, "", true},
                          {"new", Qt::ControlModifier, "M", false},
                          {"pak", Qt::ControlModifier, "S", false},
                          {"song", Qt::ControlModifier | Qt::ShiftModifier, "S", false},
                          {"gone", Qt::ControlModifier, "M", false}};
    for (const Case& k : cases) {
        SCOPED_TRACE(std::string(k.chart) + " " + k.shown);
        const QString chart = QString::fromLatin1(k.chart);
        QFile::remove(path("song.xml"));  // what the case before wrote
        if (chart == "new") {
            start();
        } else if (chart == "pak") {
            ASSERT_TRUE(test::writeZip(path("charts.pak"), {{"songs/abc.xml", kChart}}));
            start({"-p", path("charts.pak"), "songs/abc.xml"});
        } else {
            start({writeChart()});
        }
        if (chart == "gone") {
            ASSERT_TRUE(QFile::remove(path("song.xml")) && QDir(dir.path()).mkdir("song.xml"));
        }
        control<QLineEdit>("txName")->setText(QStringLiteral("Renamed"));
        window->setModified(true);
        mark();
        ui.messageAnswers = {MsgAnswer::No};  // to an overwrite question
        shortcut(Qt::Key_S, k.mods);
        EXPECT_EQ(shownLetters(), k.shown);
        EXPECT_EQ(readFile("song.xml").contains("Renamed"), k.saved);
        EXPECT_EQ(window->state.Modified, k.saved ? 0 : 1);
        const QString note = control<QLabel>("lbStatusNote")->text();
        EXPECT_EQ(note.toStdString(),
                  k.saved ? "File saved successfully, All Combo = 4, Frames = 240" : "");
        if (chart == "new" && !shownSinceMark().empty()) {  // refused before the chooser
            EXPECT_EQ(shownSinceMark()[0].text,
                      "Please enter BPM\nPlease enter speed\nPlease enter note length");
        }
    }
}

TEST_F(DocumentCommandsTest, OpenAsksAboutUnsavedChangesFirst) {
    struct Case {
        MsgAnswer answer;
        std::deque<QString> files;  // the save dialog's answer first, if it is shown
        const char* shown;
        const char* current;  // the file open afterwards
    };
    // Yes with no file chosen in the save dialog opens nothing.
    const Case cases[] = {{MsgAnswer::Yes, {}, "MS", "song.xml"},
                          {MsgAnswer::Yes, {"saved.xml", "other.xml"}, "MSMOM", "other.xml"},
                          {MsgAnswer::No, {"other.xml"}, "MOM", "other.xml"},
                          {MsgAnswer::Cancel, {"other.xml"}, "M", "song.xml"}};
    for (const Case& k : cases) {
        SCOPED_TRACE(k.shown);
        startModified();
        writeChart(QStringLiteral("other.xml"));
        window->doc.setKind(300, 16);  // the unsaved change
        ui.messageAnswers = {k.answer};
        ui.fileAnswers.clear();
        for (const QString& file : k.files) ui.fileAnswers.push_back(path(file));
        window->mnOpen_Click(0);
        const auto shown = shownSinceMark();
        EXPECT_EQ(shownLetters(), k.shown);
        EXPECT_EQ(shown[0].text, QStringLiteral("Do you want to save current file?"));
        EXPECT_EQ(shown[0].icon, MsgIcon::Question);
        EXPECT_EQ(shown[0].buttons, MsgButtons::YesNoCancel);
        EXPECT_EQ(window->state.CurrentFile, path(k.current));
        const bool kept = window->state.CurrentFile.endsWith(QStringLiteral("song.xml"));
        EXPECT_EQ(window->state.Modified, kept ? 1 : 0);
        EXPECT_EQ(window->doc.cell(300).Kind, kept ? 16 : 0);
        if (k.files.size() == 2) {
            EXPECT_EQ(shown[1].title, QStringLiteral("另存为"));
            EXPECT_TRUE(readFile(QStringLiteral("saved.xml")).contains("<TITLE Name=\"Song\">"));
        }
        if (k.answer == MsgAnswer::No) {
            EXPECT_EQ(shown[1].title, QStringLiteral("打开"));
            EXPECT_EQ(shown[1].text,
                      QStringLiteral("Pelvaro XML File(*.xml)|*.xml|All Files (*.*)|*.*"));
            EXPECT_EQ(shown[1].initial, path(QStringLiteral("song.xml")));
        }
    }
}

TEST_F(DocumentCommandsTest, RoundedOpenPlacesNotesOnTheNextCoordUp) {
    start();
    const QString chart = writeChart();
    ui.fileAnswers = {chart, chart};
    window->mnOpen_Click(0);
    EXPECT_EQ(window->doc.cell(12).Kind, 16);
    window->mnOpen_Click(1);
    EXPECT_EQ(window->doc.cell(12).Kind, 0);
    EXPECT_EQ(window->doc.cell(13).Kind, 16);
}

TEST_F(DocumentCommandsTest, ExitAsksOnlyAboutUnsavedChanges) {
    struct Case {
        MsgAnswer answer;  // Ok: the chart is unchanged
        const char* file;  // chosen in the save dialog
        const char* shown;
        bool closes;
    };
    // Yes with no file chosen in the save dialog saves nothing and stays.
    const Case cases[] = {{MsgAnswer::Ok, nullptr, "", true},
                          {MsgAnswer::Cancel, nullptr, "M", false},
                          {MsgAnswer::Yes, nullptr, "MS", false},
                          {MsgAnswer::Yes, "kept.xml", "MSM", true},
                          {MsgAnswer::No, nullptr, "M", true}};
    for (const Case& k : cases) {
        SCOPED_TRACE(k.shown);
        startModified();
        window->setModified(k.answer != MsgAnswer::Ok);
        ui.messageAnswers = {k.answer};
        ui.fileAnswers.clear();
        if (k.file) ui.fileAnswers = {path(k.file)};
        window->mnExit_Click();
        EXPECT_EQ(shownLetters(), k.shown);
        EXPECT_EQ(window->isVisible(), !k.closes);
        EXPECT_EQ(window->state.Closing, k.closes);
        EXPECT_TRUE(!k.file || !readFile(k.file).isEmpty());
    }
}

TEST_F(DocumentCommandsTest, NewStartsTheProgramInItsFolderWithoutAsking) {
    const QString program = writeFile(QStringLiteral("lumidex"), "#!/bin/sh\npwd > started.txt\n");
    QFile::setPermissions(program, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    startModified();
    window->mnNew_Click();
    const QString marker = QStringLiteral("started.txt");
    ASSERT_TRUE(QTest::qWaitFor([&] { return !readFile(marker).isEmpty(); }, 10000));
    EXPECT_EQ(QFileInfo(QString::fromLocal8Bit(readFile(marker).trimmed())).canonicalFilePath(),
              QFileInfo(dir.path()).canonicalFilePath());
    EXPECT_TRUE(shownSinceMark().empty());
    EXPECT_EQ(window->state.Modified, 1);

    QFile::remove(program);  // a program that cannot start is reported
    window->mnNew_Click();
    ASSERT_EQ(shownSinceMark().size(), 1u);
    EXPECT_EQ(shownSinceMark()[0].icon, MsgIcon::Exclamation);
}

// A drop is taken as a copy or a link, never as a move (Shift asks for one),
// and opens the chart after the question about unsaved changes.
TEST_F(DocumentCommandsTest, DropIsTakenAsCopyOrLinkAndOpensAfterTheQuestion) {
    startModified();
    const QString dropped = writeChart(QStringLiteral("dropped.xml"));
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(dropped)});
    const auto drop = [&](Qt::DropActions offered, Qt::DropAction taken) {
        SCOPED_TRACE(int(offered));
        QDragEnterEvent enter(QPoint(20, 20), offered, &mime, Qt::LeftButton, Qt::ShiftModifier);
        QCoreApplication::sendEvent(window.get(), &enter);
        QDropEvent event(QPointF(20, 20), offered, &mime, Qt::LeftButton, Qt::ShiftModifier);
        QCoreApplication::sendEvent(window.get(), &event);
        for (QDropEvent* e : {static_cast<QDropEvent*>(&enter), &event}) {
            EXPECT_EQ(e->isAccepted(), taken != Qt::IgnoreAction);
            if (e->isAccepted()) {
                EXPECT_EQ(e->dropAction(), taken);
            }
        }
    };
    drop(Qt::MoveAction, Qt::IgnoreAction);
    ui.messageAnswers = {MsgAnswer::Cancel};
    drop(Qt::CopyAction | Qt::MoveAction, Qt::CopyAction);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !shownSinceMark().empty(); }, 5000));
    EXPECT_EQ(shownLetters(), "M");
    EXPECT_NE(window->state.CurrentFile, dropped);

    ui.messageAnswers = {MsgAnswer::No};
    drop(Qt::LinkAction | Qt::MoveAction, Qt::LinkAction);
    EXPECT_TRUE(QTest::qWaitFor([&] { return window->state.CurrentFile == dropped; }, 5000));
    EXPECT_EQ(window->state.Modified, 0);
}

}  // namespace
}  // namespace lumidex::testing
