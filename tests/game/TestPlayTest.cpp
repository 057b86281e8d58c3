// The test play against a game folder in a temporary directory: which folder
// and client it finds, what it writes, how it starts the client (directly or
// through wine) and when it starts nothing. Deleting a file: the Windows
// error table and the run-time errors real failures raise.

#include <QDir>

#include <cerrno>

#include "GameTestSupport.h"
#include "RemoveFile.h"
#include "RuntimeError.h"
#include "ScriptedDialogs.h"
#include "TestPlay.h"
#include "chart/ChartFixtures.h"

namespace lumidex::testing {
namespace {

TEST(GameFolder, IsTheParentOfTheMusicFolder) {
    const QString cwd = QDir::currentPath();
    const QString cwdParent = cwd.left(cwd.lastIndexOf('/') + 1);
    struct Case {
        QString chartDir, musicPath, game;
    };
    const Case cases[] = {
        {"/g/songs/abc/", "../../pvx_music/", "/g/"},
        {"/g/songs/abc/", "..\\..\\pvx_music\\", "/g/"},
        {"/g/songs/abc/", "", "/g/songs/"},  // the parent of the chart folder
        {"/g/songs/abc/", "/opt/game/pvx_music", "/opt/game/"},
        {"/g/songs/abc/", "music/./x//", "/g/songs/abc/music/"},
        {"/g/songs/abc", "../pvx_music", "/g/songs/"},
        {"/g/", "../../..", "/"},
        {"/", "", "/"},
        {"", "", cwdParent},  // "./"
    };
    for (const Case& k : cases) {
        SCOPED_TRACE((k.chartDir + " + " + k.musicPath).toStdString());
        EXPECT_EQ(gameFolder(k.chartDir, k.musicPath), k.game);
    }
}

class TestPlayTest : public GameFolderTest {
  protected:
    bool play(int index, const QString& musicPath = QStringLiteral("../../pvx_music/")) {
        return runTestPlay(*doc, ui, index, chartDir(), musicPath);
    }
    QString temp() const { return game() + "temp.xml"; }

    std::unique_ptr<ChartDocument> doc = test::exampleChart();
    ScriptedDialogs ui;
};

TEST_F(TestPlayTest, StartsTheClientInTheGameFolderWithTheSavedChart) {
    // What a normal save of the chart writes.
    ScriptedDialogs other;
    ASSERT_EQ(SaveFile(*doc, root() + "normal.xml", other), 1);
    const QByteArray saved = test::readAll(root() + "normal.xml");
    const QString gameNoSlash = game().chopped(1);
    writeClient("qorv.exe");
    writeClient("zelt.exe");
    for (int index : {0, 1}) {
        const QString exe = index == 0 ? "qorv.exe" : "zelt.exe";
        SCOPED_TRACE(exe.toStdString());
        ASSERT_TRUE(test::writeAll(temp(), "an old chart"));
        ui.shown.clear();
        ASSERT_TRUE(play(index));
        EXPECT_EQ(waitForRecord(recordOf(exe)), QStringList({gameNoSlash, "temp.xml"}));
        EXPECT_EQ(test::readAll(temp()), saved);
        EXPECT_EQ(ui.messages(), other.messages());  // only the save's own report
    }
    EXPECT_EQ(composeChart(*doc).bytes, saved);  // the chart is as it was
}

// A client missing, or not executable with no wine on the PATH.
TEST_F(TestPlayTest, AClientThatCannotRunIsNamedAndNothingIsWritten) {
    struct Case {
        int index;
        const char* present;
        bool executable;
        const char* musicPath;
        const char* message;
    };
    const Case cases[] = {
        {0, "zelt.exe", true, "../../pvx_music/",
         "qorv.exe is not found, so the test can't be executed."},
        {1, "qorv.exe", true, "../../pvx_music/",
         "zelt.exe is not found, so the test can't be executed."},
        // The music path leads to a folder that does not exist, whose parent
        // holds no client either.
        {0, "qorv.exe", true, "../nowhere/pvx_music/",
         "qorv.exe is not found, so the test can't be executed."},
        {1, "zelt.exe", false, "../../pvx_music/",
         "zelt.exe is not an executable file and wine is not on the PATH, so the test can't be "
         "executed."},
    };
    usePath(false);
    for (const Case& k : cases) {
        SCOPED_TRACE(k.message);
        QFile::remove(game() + "qorv.exe");
        QFile::remove(game() + "zelt.exe");
        writeClient(k.present, k.executable);
        ui.shown.clear();
        EXPECT_FALSE(play(k.index, k.musicPath));
        ASSERT_EQ(ui.shown.size(), 1u);
        EXPECT_EQ(ui.shown[0].text, k.message);
        EXPECT_EQ(ui.shown[0].icon, MsgIcon::Exclamation);
        EXPECT_EQ(ui.shown[0].buttons, MsgButtons::Ok);
        EXPECT_FALSE(QFile::exists(temp()));
        EXPECT_FALSE(QFile::exists(game() + "songs/temp.xml"));
    }
}

TEST_F(TestPlayTest, AClientThatIsNotExecutableRunsThroughWine) {
    writeClient("qorv.exe", false);
    usePath(true);
    ASSERT_TRUE(play(0));
    EXPECT_EQ(waitForRecord(recordOf("wine")),
              QStringList({game().chopped(1), game() + "qorv.exe", "temp.xml"}));
    EXPECT_TRUE(QFile::exists(temp()));
    EXPECT_FALSE(QFile::exists(recordOf("qorv.exe")));
}

TEST_F(TestPlayTest, AClientThatCannotStartIsReported) {
    ASSERT_TRUE(test::writeAll(game() + "qorv.exe", "#!/nowhere/interpreter\n"));
    ASSERT_TRUE(QFile::setPermissions(game() + "qorv.exe", QFile::ReadOwner | QFile::ExeOwner));
    EXPECT_FALSE(play(0));
    ASSERT_EQ(ui.shown.size(), 2u);  // the save's report, then the failed start
    EXPECT_TRUE(ui.shown[1].text.startsWith("qorv.exe could not be started ("));
    EXPECT_TRUE(ui.shown[1].text.endsWith("), so the test can't be executed."));
    EXPECT_EQ(ui.shown[1].icon, MsgIcon::Exclamation);
    EXPECT_TRUE(QFile::exists(temp()));
}

TEST_F(TestPlayTest, AFailedSaveStartsNothing) {
    writeClient("qorv.exe");
    // A temp.xml that cannot be deleted (here a folder with a file in it) is
    // left as it was, with the save's message.
    ASSERT_TRUE(test::writeAll(temp() + "/keep", "kept"));
    EXPECT_FALSE(play(0));
    ASSERT_EQ(ui.shown.size(), 1u);
    EXPECT_TRUE(ui.shown[0].text.startsWith("Error saving file, debug info:"));
    EXPECT_EQ(test::readAll(temp() + "/keep"), "kept");

    // A save refused for its header: the old temp.xml is gone.
    ASSERT_TRUE(QDir(temp()).removeRecursively());
    ASSERT_TRUE(test::writeAll(temp(), "an old chart"));
    doc->Header.BPMO.clear();
    ui.shown.clear();
    EXPECT_FALSE(play(0));
    EXPECT_EQ(ui.messages(), QStringList{kPleaseEnterBpm});
    EXPECT_FALSE(QFile::exists(temp()));
    EXPECT_FALSE(QFile::exists(recordOf("qorv.exe")));
}

// ---- deleting a file ------------------------------------------------------

// The last row's codes have no run-time error of their own: passed on.
TEST(MapDllError, MapsWindowsErrorsToRunTimeErrors) {
    const std::pair<int, int> cases[] = {
        {2, 53},  {3, 76},  {4, 67},  {5, 70},   {32, 70}, {33, 70},    {14, 7}, {29, 57},
        {30, 57}, {38, 62}, {39, 61}, {112, 61}, {80, 58}, {183, 58},   {87, 5}, {123, 52},
        {0, 0},   {1, 1},   {6, 6},   {31, 31},  {53, 53}, {1234, 1234}};
    for (const auto& [windows, runtime] : cases)
        EXPECT_EQ(MapDllError(windows), runtime) << windows;
}

// The failures the file system gives that a test cannot cause; errno values
// that equal a Windows code in the table mean something else and map to none.
TEST(MapDllError, TakesErrnoAsTheWindowsCodeItStandsFor) {
    const std::pair<int, int> cases[] = {{EBUSY, 70},  {EIO, 57},    {ENOSPC, 61},
                                         {EEXIST, 58}, {EROFS, 70},  {ENAMETOOLONG, 52},
                                         {EINTR, 31},  {EFAULT, 31}, {ENOTEMPTY, 31}};
    for (const auto& [error, number] : cases)
        EXPECT_EQ(MapDllError(windowsErrorOf(error)), number) << error;
}

TEST(RemoveFile, DeletesTheFileOrRaisesTheFailure) {
    QTemporaryDir tmp;
    const QString dir = tmp.path() + '/';
    ASSERT_TRUE(test::writeAll(dir + "file", "x"));
    ASSERT_TRUE(test::writeAll(dir + "folder/inside", "x"));
    ASSERT_TRUE(test::writeAll(dir + "gone", "x"));
    RemoveFile(dir + "gone");
    EXPECT_FALSE(QFile::exists(dir + "gone"));

    const std::pair<QString, int> failures[] = {
        {dir + "missing", 53},
        {dir + "no/such/folder/file", 53},
        {dir + "file/below", 76},    // a file used as a folder
        {dir + "folder", 70},        // a folder is not deleted
        {dir + QChar(0xFFFD), 52}};  // a name that cannot reach the system as it is
    for (const auto& [path, number] : failures) {
        SCOPED_TRACE(path.toStdString());
        try {
            RemoveFile(path);
            ADD_FAILURE() << "no error";
        } catch (const RuntimeError& e) {
            EXPECT_EQ(e.number(), number);
            EXPECT_EQ(e.description(), RuntimeError::describe(number));
        }
    }
    EXPECT_TRUE(QFile::exists(dir + "folder/inside"));
}

}  // namespace
}  // namespace lumidex::testing
