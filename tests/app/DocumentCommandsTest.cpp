// Open, save, exit, "&New" and dropping a file, with the question about
// unsaved changes answered every way.

#include <QLineEdit>
#include <QMimeData>
#include <QTest>
#include <QUrl>

#include "DocumentCommands.h"
#include "WindowTestSupport.h"

namespace lumidex::testing {
namespace {

using Kind = ScriptedDialogs::Kind;

class DocumentCommandsTest : public WindowTest {
  protected:
    // A window with the chart open and then changed.
    void startModified() {
        start({writeChart()});
        window->state.Modified = 1;
        mark();
    }

    void expectSaveQuestion(const ScriptedDialogs::Shown& shown) {
        EXPECT_EQ(shown.kind, Kind::Message);
        EXPECT_EQ(shown.text, QStringLiteral("Do you want to save current file?"));
        EXPECT_EQ(shown.icon, MsgIcon::Question);
        EXPECT_EQ(shown.buttons, MsgButtons::YesNoCancel);
    }

    QByteArray readFile(const QString& name) {
        QFile file(path(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
};

TEST_F(DocumentCommandsTest, OpenAnsweredYesThenSaveCancelledOpensNothing) {
    startModified();
    const QString before = window->state.CurrentFile;
    ui.messageAnswers = {MsgAnswer::Yes};  // and no file chosen in the save dialog
    window->mnOpen_Click(0);
    const auto shown = shownSinceMark();
    ASSERT_EQ(shown.size(), 2u);
    expectSaveQuestion(shown[0]);
    EXPECT_EQ(shown[1].kind, Kind::Save);
    EXPECT_EQ(shown[1].title, QStringLiteral("另存为"));
    EXPECT_EQ(window->state.Modified, 1);
    EXPECT_EQ(window->state.CurrentFile, before);
}

TEST_F(DocumentCommandsTest, OpenAnsweredYesSavesThenOpens) {
    startModified();
    writeFile(QStringLiteral("other.xml"), kChart);
    ui.messageAnswers = {MsgAnswer::Yes};
    ui.fileAnswers = {path(QStringLiteral("saved.xml")), path(QStringLiteral("other.xml"))};
    window->mnOpen_Click(0);
    EXPECT_TRUE(readFile(QStringLiteral("saved.xml")).contains("<TITLE Name=\"Song\">"));
    EXPECT_EQ(window->state.CurrentFile, path(QStringLiteral("other.xml")));
    EXPECT_EQ(window->state.Modified, 0);
}

TEST_F(DocumentCommandsTest, OpenAnsweredNoDropsTheChangesAndLoads) {
    startModified();
    const QString first = window->state.CurrentFile;
    const QString second = writeChart(QStringLiteral("second.xml"));
    window->doc.setKind(300, 16);  // the unsaved change
    ui.messageAnswers = {MsgAnswer::No};
    ui.fileAnswers = {second};
    window->mnOpen_Click(0);
    const auto shown = shownSinceMark();
    ASSERT_GE(shown.size(), 2u);
    expectSaveQuestion(shown[0]);
    EXPECT_EQ(shown[1].kind, Kind::Open);
    EXPECT_EQ(shown[1].title, QStringLiteral("打开"));
    EXPECT_EQ(shown[1].text, QStringLiteral("Pelvaro XML File(*.xml)|*.xml|All Files (*.*)|*.*"));
    EXPECT_EQ(shown[1].initial, first);
    EXPECT_EQ(window->state.CurrentFile, second);
    EXPECT_EQ(window->state.Modified, 0);
    EXPECT_EQ(window->doc.cell(300).Kind, 0);
}

TEST_F(DocumentCommandsTest, OpenAnsweredCancelDoesNothing) {
    startModified();
    window->doc.setKind(300, 16);
    ui.messageAnswers = {MsgAnswer::Cancel};
    ui.fileAnswers = {writeChart(QStringLiteral("second.xml"))};
    window->mnOpen_Click(0);
    EXPECT_EQ(shownSinceMark().size(), 1u);
    EXPECT_EQ(window->state.Modified, 1);
    EXPECT_EQ(window->doc.cell(300).Kind, 16);
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

TEST_F(DocumentCommandsTest, SaveWritesTheHeaderBoxesAndRemembersTheFile) {
    start({writeChart()});
    window->txName->setText(QStringLiteral("Renamed"));
    window->state.Modified = 1;
    mark();
    ui.fileAnswers = {path(QStringLiteral("out.xml"))};
    window->mnSave_Click();
    const auto shown = shownSinceMark();
    ASSERT_FALSE(shown.empty());
    EXPECT_EQ(shown[0].kind, Kind::Save);
    EXPECT_EQ(shown[0].text, QStringLiteral("Pelvaro XML File(*.xml)|*.xml"));
    EXPECT_EQ(shown[0].initial, path(QStringLiteral("song.xml")));
    EXPECT_TRUE(readFile(QStringLiteral("out.xml")).contains("<TITLE Name=\"Renamed\">"));
    EXPECT_EQ(window->state.CurrentFile, path(QStringLiteral("out.xml")));
    EXPECT_EQ(window->state.Modified, 0);
}

TEST_F(DocumentCommandsTest, RefusedSaveKeepsFileAndFlag) {
    start();  // the header boxes still hold their prompts
    window->state.Modified = 1;
    mark();
    ui.fileAnswers = {path(QStringLiteral("out.xml"))};
    window->mnSave_Click();
    EXPECT_TRUE(ui.messages().contains(QStringLiteral("Please enter BPM")));
    EXPECT_FALSE(QFile::exists(path(QStringLiteral("out.xml"))));
    EXPECT_TRUE(window->state.CurrentFile.isEmpty());
    EXPECT_EQ(window->state.Modified, 1);
}

TEST_F(DocumentCommandsTest, ExitWithoutChangesClosesWithoutAQuestion) {
    start();
    mark();
    window->mnExit_Click();
    EXPECT_TRUE(shownSinceMark().empty());
    EXPECT_FALSE(window->isVisible());
    EXPECT_TRUE(window->state.Closing);
}

TEST_F(DocumentCommandsTest, ExitWithChangesFollowsTheAnswer) {
    startModified();
    ui.messageAnswers = {MsgAnswer::Cancel, MsgAnswer::Yes};  // the Yes gets no file name
    window->mnExit_Click();
    EXPECT_TRUE(window->isVisible());
    window->mnExit_Click();
    EXPECT_TRUE(window->isVisible());
    EXPECT_FALSE(window->state.Closing);

    ui.messageAnswers = {MsgAnswer::Yes};
    ui.fileAnswers = {path(QStringLiteral("kept.xml"))};
    window->mnExit_Click();
    EXPECT_FALSE(window->isVisible());
    EXPECT_TRUE(QFile::exists(path(QStringLiteral("kept.xml"))));
}

TEST_F(DocumentCommandsTest, ExitAnsweredNoClosesWithoutSaving) {
    startModified();
    ui.messageAnswers = {MsgAnswer::No};
    window->mnExit_Click();
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(shownSinceMark().size(), 1u);
}

TEST_F(DocumentCommandsTest, NewStartsTheProgramInItsFolderWithoutAsking) {
    const QString program = writeFile(QStringLiteral("lumidex"), "#!/bin/sh\npwd > started.txt\n");
    QFile::setPermissions(program, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    startModified();
    window->mnNew_Click();
    const QString marker = path(QStringLiteral("started.txt"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return QFileInfo(marker).size() > 0; }, 10000));
    EXPECT_EQ(QFileInfo(QString::fromLocal8Bit(readFile(QStringLiteral("started.txt")).trimmed()))
                  .canonicalFilePath(),
              QFileInfo(dir.path()).canonicalFilePath());
    EXPECT_TRUE(shownSinceMark().empty());
    EXPECT_EQ(window->state.Modified, 1);
}

TEST_F(DocumentCommandsTest, NewThatCannotStartSaysSo) {
    start();  // no program at the executable's path
    mark();
    window->mnNew_Click();
    const auto shown = shownSinceMark();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].icon, MsgIcon::Exclamation);
}

TEST_F(DocumentCommandsTest, DroppedChartOpensAfterTheQuestion) {
    startModified();
    const QString dropped = writeChart(QStringLiteral("dropped.xml"));
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(dropped)});
    const auto drop = [&] {
        QDragEnterEvent enter(QPoint(20, 20), Qt::CopyAction, &mime, Qt::LeftButton,
                              Qt::NoModifier);
        QCoreApplication::sendEvent(window.get(), &enter);
        ASSERT_TRUE(enter.isAccepted());
        QDropEvent event(QPointF(20, 20), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(window.get(), &event);
    };

    ui.messageAnswers = {MsgAnswer::Cancel};
    drop();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !shownSinceMark().empty(); }, 5000));
    EXPECT_NE(window->state.CurrentFile, dropped);

    ui.messageAnswers = {MsgAnswer::No};
    drop();
    EXPECT_TRUE(QTest::qWaitFor([&] { return window->state.CurrentFile == dropped; }, 5000));
    EXPECT_EQ(window->state.Modified, 0);
}

}  // namespace
}  // namespace lumidex::testing
