// Deleting a file: the Windows error table and the run-time errors real
// failures raise.

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <cerrno>

#include "RemoveFile.h"
#include "RuntimeError.h"
#include "support/FileHelpers.h"

namespace lumidex::testing {
namespace {

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
