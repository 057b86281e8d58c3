// Start-up: the application information, the state after start-up, and the
// chart named on the command line (a path, or an entry of a PAK archive).

#include <zip.h>

#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QRegularExpression>
#include <QScrollBar>

#include "WindowTestSupport.h"

namespace lumidex::testing {
namespace {

class StartupTest : public WindowTest {
  protected:
    // A PAK archive (a ZIP file) holding the test chart as songs/abc.xml.
    QString writePak(const QString& name) {
        const QString pak = path(name);
        int error = 0;
        zip_t* archive = zip_open(pak.toLocal8Bit().constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
        EXPECT_NE(archive, nullptr);
        if (!archive) return pak;
        zip_source_t* source = zip_source_buffer(archive, kChart.constData(),
                                                 static_cast<zip_uint64_t>(kChart.size()), 0);
        EXPECT_GE(zip_file_add(archive, "songs/abc.xml", source, ZIP_FL_ENC_UTF_8), 0);
        EXPECT_EQ(zip_close(archive), 0);
        return pak;
    }

    void expectChartShown() {
        fmMain& w = *window;
        EXPECT_TRUE(w.frMain->isEnabled());
        EXPECT_EQ(w.vsb->maximum(), 48 + 72);
        EXPECT_EQ(w.vsb->value(), 9);  // 12 frames / 60 x 150 x 0.2, plus 3
        ASSERT_EQ(w.lsKey->count(), 2);
        EXPECT_EQ(w.lsKey->item(0)->text(), QStringLiteral("[1]1.00 kick.wav"));
        EXPECT_EQ(w.lsKey->item(1)->text(), QStringLiteral("[2]0.5 snare.wav"));
        EXPECT_EQ(w.txName->text(), QStringLiteral("Song"));
        EXPECT_EQ(w.txBPM->text(), QStringLiteral("150"));
        EXPECT_EQ(w.txLength->text(), QStringLiteral("48"));
        EXPECT_EQ(w.txDelay->text(), QStringLiteral("12"));
        EXPECT_EQ(w.state.Modified, 0);
    }
};

TEST(AppInfo, DerivesNamesFromTheExecutablePath) {
    const AppInfo info = MakeAppInfo(QStringLiteral("/opt/lx/bin/lumidex"),
                                     {QStringLiteral("./lumidex"), QStringLiteral("my song.xml")});
    EXPECT_EQ(info.ExeName, QStringLiteral("lumidex"));
    EXPECT_EQ(info.AppDir, QStringLiteral("/opt/lx/bin/"));
    EXPECT_EQ(info.ArgCount, 2);
    EXPECT_EQ(info.Args[1], QStringLiteral("my song.xml"));
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\d+\\.\\d+\\.\\d+\\.\\d+$"))
                    .match(info.Version.FileVersion)
                    .hasMatch());
    EXPECT_FALSE(info.Version.LegalCopyright.isEmpty());

    const AppInfo bare = MakeAppInfo(QStringLiteral("/opt/lx/bin/lumidex"), {});
    EXPECT_EQ(bare.ArgCount, 1);
    EXPECT_EQ(bare.Args, QStringList{QStringLiteral("/opt/lx/bin/lumidex")});
}

TEST_F(StartupTest, WithoutArgumentsTheWindowIsEmpty) {
    start();
    fmMain& w = *window;
    EXPECT_EQ(w.state.ChartDir, dir.path() + QLatin1Char('/'));
    EXPECT_TRUE(w.state.CurrentFile.isEmpty());
    EXPECT_EQ(w.state.Modified, 0);
    EXPECT_FALSE(w.state.Closing);
    EXPECT_EQ(w.doc.LongCorrection, 4);
    EXPECT_EQ(w.doc.AlignCoord, 1);
    EXPECT_EQ(w.cbNormalize->currentText(), QStringLiteral("1"));
    EXPECT_EQ(w.cbVScroll->currentText(), QStringLiteral("96"));
    EXPECT_EQ(w.cbAltStep->currentText(), QStringLiteral("1"));
    EXPECT_EQ(w.cbKeyStep->currentText(), QStringLiteral("3"));
    EXPECT_FALSE(w.frMain->isEnabled());
    EXPECT_EQ(w.vsb->maximum(), 72);
}

TEST_F(StartupTest, ChartPathOnTheCommandLineIsOpened) {
    const QString chart = writeChart();
    start({chart});
    expectChartShown();
    EXPECT_EQ(window->state.CurrentFile, chart);
    EXPECT_FALSE(ui.messages().filter(QStringLiteral("File opened successfully")).isEmpty());
}

TEST_F(StartupTest, PakEntryOnTheCommandLineIsOpenedWithoutAFileName) {
    const QString pak = writePak(QStringLiteral("charts.pak"));
    start({QStringLiteral("-p"), pak, QStringLiteral("songs/abc.xml")});
    expectChartShown();
    EXPECT_TRUE(window->state.CurrentFile.isEmpty());
    EXPECT_EQ(window->state.ChartDir, dir.path() + QLatin1Char('/'));

    mark();
    window->mnSave_Click();  // nothing to offer as the file name
    ASSERT_FALSE(shownSinceMark().empty());
    EXPECT_EQ(shownSinceMark()[0].kind, ScriptedDialogs::Kind::Save);
    EXPECT_TRUE(shownSinceMark()[0].initial.isEmpty());
}

TEST_F(StartupTest, TooFewPakArgumentsOpenNothing) {
    const QString pak = writePak(QStringLiteral("charts.pak"));
    start({QStringLiteral("-p"), pak});
    EXPECT_FALSE(window->frMain->isEnabled());
    EXPECT_TRUE(ui.messages().filter(QStringLiteral("File opened")).isEmpty());
    EXPECT_EQ(window->lsKey->count(), 0);
}

TEST_F(StartupTest, UnreadableChartLeavesTheWindowEmpty) {
    start({path(QStringLiteral("missing.xml"))});
    EXPECT_FALSE(window->frMain->isEnabled());
    EXPECT_TRUE(window->state.CurrentFile.isEmpty());
    ASSERT_FALSE(ui.shown.empty());
    EXPECT_EQ(ui.shown.back().icon, MsgIcon::Exclamation);
}

}  // namespace
}  // namespace lumidex::testing
