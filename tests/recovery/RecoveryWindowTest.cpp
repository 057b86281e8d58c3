// The recovery copy of the real editor, run as a child process of this test
// binary (its "--recovery-child" mode builds the window and edits through its
// controls): killed editors are restored byte for byte, a kill while a copy
// fails to be written keeps the copy before, a normal exit leaves nothing,
// and two editors keep their own copies.

#include <QProcess>
#include <QStatusBar>

#include <csignal>
#include <cstdlib>

#include <unistd.h>

#include "ChartFile.h"
#include "FileIO.h"
#include "RecoveryController.h"
#include "support/StateHome.h"
#include "support/WindowFixture.h"

namespace lumidex::testing {
namespace {

const QString kChildFlag = QStringLiteral("--recovery-child");

// ---- the child: an editor that is killed or closed -------------------------------

// Renames the song through its box (any change of the chart counts alike).
void edit(fmMain& w, const QString& name) {
    typeInto(w.findChild<QLineEdit*>("txName"), name);
}

bool ownCopyWritten() {
    const QString mine = QString::number(::getpid()) + QStringLiteral("-*.xml");
    return !QDir(recoveryFolder()).entryList({mine}, QDir::Files).isEmpty();
}

// args: mode chart outDir. Modes: "hold" edits, waits for its copy, writes
// outDir/expected (the bytes a save would write) and outDir/ready, and runs
// until killed; "failing" then makes every write fail, edits again and waits
// for the status bar to say so before ready; "exit" closes normally, the save
// question answered No. Exit code 2: no copy appeared.
int runChild(const QStringList& args) {
    const QString mode = args.value(0), chart = args.value(1), out = args.value(2);
    ScriptedDialogs ui;
    fmMain w(ui, makeAppInfo(QCoreApplication::applicationFilePath(), {"lumidex", chart}));
    if (!w.Form_Load()) return 1;
    w.show();
    w.openCommandLine();
    edit(w, QStringLiteral("Crashed song"));
    if (!QTest::qWaitFor(ownCopyWritten, 20000)) return 2;
    if (mode == QLatin1String("exit")) {
        ui.messageAnswers = {MsgAnswer::No};
        w.close();
        return 0;
    }
    test::writeAll(out + QStringLiteral("/expected"), composeChart(w.doc).bytes);
    if (mode == QLatin1String("failing")) {
        failWriteStepForTesting(WriteStep::Rename);
        edit(w, QStringLiteral("Never copied"));
        if (!QTest::qWaitFor([&w] { return !w.statusBar()->currentMessage().isEmpty(); }, 20000))
            return 3;
    }
    test::writeAll(out + QStringLiteral("/ready"), "1");
    return QApplication::exec();
}

// ---- the tests -------------------------------------------------------------------

class RecoveryWindow : public WindowTest {
  protected:
    ~RecoveryWindow() override {
        for (auto& child : children) stop(*child);
    }
    // A child editor on chart, its files in a folder of its own.
    QProcess& spawn(const QString& mode, const QString& chart) {
        const QString out = path(QStringLiteral("child%1").arg(children.size()));
        QDir().mkpath(out);
        children.push_back(std::make_unique<QProcess>());
        QProcess& p = *children.back();
        p.setProcessChannelMode(QProcess::ForwardedChannels);
        p.setProperty("out", out);
        p.start(QCoreApplication::applicationFilePath(), {kChildFlag, mode, chart, out});
        EXPECT_TRUE(p.waitForStarted());
        return p;
    }
    QString out(const QProcess& p) const { return p.property("out").toString(); }
    bool ready(const QProcess& p) {
        return QTest::qWaitFor([&] { return QFile::exists(out(p) + "/ready"); }, 40000);
    }
    static void stop(QProcess& p) {
        if (p.state() == QProcess::NotRunning) return;
        ::kill(static_cast<pid_t>(p.processId()), SIGKILL);
        p.waitForFinished();
    }
    test::StateHome home;
    std::vector<std::unique_ptr<QProcess>> children;
};

// Killed right after a write that failed: the copy before it comes back,
// under the chart's file name, and stays until the chart is saved.
TEST_F(RecoveryWindow, KilledEditorIsRestoredFromItsLastGoodCopyUntilSaved) {
    QProcess& child = spawn(QStringLiteral("failing"), writeChart());
    ASSERT_TRUE(ready(child));
    stop(child);
    ui.choiceAnswers = {kRestore};
    start();
    EXPECT_EQ(window->state.ChartFile, path(QStringLiteral("song.xml")));
    EXPECT_TRUE(window->windowTitle().endsWith(QStringLiteral("song.xml[*]")));
    EXPECT_EQ(home.files(QStringLiteral("*.xml")).size(), 1u);
    window->mnUndo_Click();  // nothing to undo: still not the file's chart
    EXPECT_TRUE(window->isWindowModified());
    // The file may have changed since the copy: even "&Save" asks first.
    const QByteArray before = readFile(QStringLiteral("song.xml"));
    ui.messageAnswers = {MsgAnswer::No};
    window->mnSaveInPlace_Click();
    EXPECT_EQ(readFile(QStringLiteral("song.xml")), before);

    ui.fileAnswers = {path(QStringLiteral("saved.xml"))};
    window->mnSave_Click();
    window->recovery->flush();
    const QByteArray saved = readFile(QStringLiteral("saved.xml"));
    EXPECT_EQ(saved, test::readAll(out(child) + "/expected"));
    EXPECT_TRUE(saved.contains("Crashed song"));
    EXPECT_FALSE(saved.contains("Never copied"));
    EXPECT_EQ(window->state.CurrentFile, path(QStringLiteral("saved.xml")));
    EXPECT_TRUE(home.files(QStringLiteral("*.xml")).isEmpty());  // the save took the copy
}

TEST_F(RecoveryWindow, NormalExitLeavesNoCopy) {
    QProcess& child = spawn(QStringLiteral("exit"), writeChart());
    ASSERT_TRUE(child.waitForFinished(40000));
    EXPECT_EQ(child.exitCode(), 0);
    EXPECT_EQ(home.files(), QStringList());
}

TEST_F(RecoveryWindow, TwoEditorsKeepTheirOwnCopiesAndOnlyAGoneOneIsOffered) {
    QProcess& a = spawn(QStringLiteral("hold"), writeChart(QStringLiteral("a.xml")));
    QProcess& b = spawn(QStringLiteral("hold"), writeChart(QStringLiteral("b.xml")));
    ASSERT_TRUE(ready(a) && ready(b));
    EXPECT_EQ(home.files(QStringLiteral("*.xml")).size(), 2u);
    EXPECT_EQ(home.files(QStringLiteral("*.lock")).size(), 2u);
    RecoveryStore store(home.folder(), currentProcess());
    EXPECT_TRUE(store.orphans().empty());
    stop(a);
    const std::vector<OrphanCopy> offered = store.orphans();
    ASSERT_EQ(offered.size(), 1u);
    EXPECT_EQ(offered[0].record.chartFile, path(QStringLiteral("a.xml")));
}

TEST_F(RecoveryWindow, DiscardRemovesTheCopyAndDecideLaterKeepsIt) {
    QProcess& child = spawn(QStringLiteral("hold"), writeChart());
    ASSERT_TRUE(ready(child));
    stop(child);
    ui.choiceAnswers = {kDecideLater};
    start();
    ASSERT_EQ(ui.shown.front().choices,
              QStringList({kRestoreCaption, kDiscardCaption, kDecideLaterCaption}));
    EXPECT_TRUE(ui.shown.front().text.contains(path(QStringLiteral("song.xml"))));
    EXPECT_FALSE(window->isWindowModified());
    EXPECT_EQ(home.files(QStringLiteral("*.xml")).size(), 1u);
    ui.choiceAnswers = {kDiscard};
    start();
    EXPECT_TRUE(home.files(QStringLiteral("*.xml")).isEmpty());
}

}  // namespace
}  // namespace lumidex::testing

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    setenv("LUMIDEX_AUDIO", "null", 0);
    if (argc > 1 && QString::fromLocal8Bit(argv[1]) == lumidex::testing::kChildFlag) {
        QApplication app(argc, argv);
        return lumidex::testing::runChild(QCoreApplication::arguments().mid(2));
    }
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
