// The recovery copy's core: when a copy is due, which locks are stale, what
// the folder offers back, and a writer that keeps the last good copy when a
// write fails.

#include <gtest/gtest.h>

#include <stdexcept>

#include <sys/wait.h>
#include <unistd.h>

#include "FileIO.h"
#include "RecoverySchedule.h"
#include "RecoveryWriter.h"
#include "support/FileHelpers.h"
#include "support/StateHome.h"

namespace lumidex {
namespace {

// ---- the schedule ----------------------------------------------------------

// Events at times: 'c' a change, 't' the copy taken, 'f' a failed write, 'x'
// cleared. Then the time the next copy is due (-1: none).
struct ScheduleCase {
    std::vector<std::pair<char, qint64>> events;
    qint64 due;
};

TEST(RecoverySchedule, DueAfterQuietOrAtTheLatestTenSecondsAfterTheFirstChange) {
    const ScheduleCase cases[] = {
        {{}, -1},
        {{{'c', 100}}, 2100},                                         // quiet time after one change
        {{{'c', 100}, {'c', 1500}}, 3500},                            // a later change pushes it
        {{{'c', 0}, {'c', 5000}, {'c', 9000}}, 10000},                // never past 10 s of editing
        {{{'c', 0}, {'t', 2000}}, -1},                                // taken: nothing waits
        {{{'c', 0}, {'t', 2000}, {'c', 2500}}, 4500},                 // a change during the write
        {{{'c', 0}, {'t', 2000}, {'f', 2100}}, 32100},                // retry pause after a failure
        {{{'c', 0}, {'t', 2000}, {'f', 2100}, {'c', 40000}}, 32100},  // overdue since the pause
        {{{'c', 0}, {'x', 500}}, -1},                                 // saved
        {{{'c', 0}, {'t', 1}, {'f', 2}, {'x', 3}, {'c', 10}}, 2010},  // clear ends the pause
    };
    for (const ScheduleCase& c : cases) {
        RecoverySchedule s;
        for (const auto& [what, at] : c.events) {
            if (what == 'c') s.changed(at);
            if (what == 't') s.taken();
            if (what == 'f') s.failed(at);
            if (what == 'x') s.clear();
        }
        EXPECT_EQ(s.dueAt().value_or(-1), c.due) << c.events.size() << " events";
        if (c.due >= 0) {
            EXPECT_TRUE(!s.due(c.due - 1) && s.due(c.due));
        }
    }
}

// ---- locks -----------------------------------------------------------------

// The id of a process that has ended (and been reaped).
qint64 deadPid() {
    const pid_t pid = fork();
    if (pid == 0) _exit(0);
    waitpid(pid, nullptr, 0);
    return pid;
}

TEST(RecoveryLock, StaleWhenTheProcessIsGoneOrItsIdWasReused) {
    const LockOwner self = currentProcess();
    const std::optional<quint64> init = processStart(1);
    ASSERT_TRUE(init.has_value());
    const struct {
        QByteArray lock;
        bool stale;
    } cases[] = {
        {lockBytes(self), false},
        {lockBytes({1, *init}), false},                   // another user's process still counts
        {lockBytes({self.pid, self.started + 1}), true},  // the id now names another process
        {lockBytes({deadPid(), self.started}), true},
        {"", true},
        {"12x 5\n", true},
        {"-3 5\n", true},
    };
    for (const auto& c : cases) EXPECT_EQ(lockIsStale(c.lock), c.stale) << c.lock.toStdString();
}

// ---- the folder ------------------------------------------------------------

class RecoveryFolder : public ::testing::Test {
  protected:
    CopyRecord record(const QString& name, int second) {
        CopyRecord r;
        r.chartName = name;
        r.chartFile = QStringLiteral("/charts/") + name + QStringLiteral(".xml");
        r.decoder = 2;
        r.scroll = 300;
        r.changed = QDateTime(QDate(2026, 12, 6), QTime(21, 0, second), Qt::UTC);
        return r;
    }
    // A store of another process, and a copy written by it.
    RecoveryStore other(const LockOwner& owner, const QString& name, int second) {
        RecoveryStore store(home.folder(), owner);
        EXPECT_EQ(store.claim(), 0);
        EXPECT_EQ(store.writeCopy(name.toUtf8(), record(name, second)), 0);
        return store;
    }

    test::StateHome home;
    RecoveryStore own{home.folder(), currentProcess()};
};

TEST_F(RecoveryFolder, FollowsXdgStateHome) {
    qputenv("XDG_STATE_HOME", "relative/ignored");
    EXPECT_EQ(recoveryFolder(), QDir::homePath() + "/.local/state/lumidex/recovery");
}

TEST_F(RecoveryFolder, OffersOnlyCopiesOfEditorsThatAreGoneNewestFirst) {
    other(currentProcess(), "mine", 1);       // this process: live
    other({1, *processStart(1)}, "live", 2);  // a running process
    other({deadPid(), 5}, "older", 3);        // gone
    other({deadPid(), 5}, "newer", 4);        // gone
    RecoveryStore unlocked = other({deadPid(), 6}, "unlocked", 5);
    QFile::remove(unlocked.path(unlocked.instance(), ".lock"));  // lock lost: still offered
    RecoveryStore empty(home.folder(), {deadPid(), 7});
    ASSERT_EQ(empty.claim(), 0);  // a stale lock alone

    QStringList names;
    for (const OrphanCopy& o : own.orphans()) names << o.record.chartName;
    EXPECT_EQ(names, QStringList({"unlocked", "newer", "older"}));
    EXPECT_FALSE(QFile::exists(empty.path(empty.instance(), ".lock")));  // cleaned up
}

TEST_F(RecoveryFolder, TakenCopyBecomesOwnAndCannotBeTakenTwice) {
    other({deadPid(), 5}, "lost", 3);
    const std::vector<OrphanCopy> found = own.orphans();
    ASSERT_EQ(found.size(), 1u);
    QByteArray chart;
    ASSERT_TRUE(own.take(found[0], chart));
    EXPECT_EQ(chart, "lost");
    EXPECT_EQ(home.files(), QStringList({own.instance() + ".json", own.instance() + ".xml"}));
    RecoveryStore second(home.folder(), {1, 0});
    EXPECT_FALSE(second.take(found[0], chart));
    own.release();
    EXPECT_TRUE(home.files().isEmpty());
}

// ---- the writer --------------------------------------------------------------

class RecoveryWriting : public RecoveryFolder {
  protected:
    void TearDown() override { failWriteStepForTesting(WriteStep::None); }
    std::vector<RecoveryWriter::Result> results;  // read after flush()
    RecoveryWriter writer{own, [this](const RecoveryWriter::Result& r) { results.push_back(r); }};
    static RecoveryWriter::Compose text(const char* chart) {
        return [chart] { return QByteArray(chart); };
    }
    QByteArray copy() const { return test::readAll(own.path(own.instance(), ".xml")); }
};

TEST_F(RecoveryWriting, AFailedWriteKeepsTheLastGoodCopyAndSaysWhy) {
    writer.write(text("first"), record("a", 1));
    writer.flush();
    for (WriteStep step : {WriteStep::Write, WriteStep::Sync, WriteStep::Rename}) {
        failWriteStepForTesting(step);
        writer.write(text("second"), record("a", 2));
        writer.flush();
        EXPECT_EQ(copy(), "first");
    }
    failWriteStepForTesting(WriteStep::None);
    writer.write([]() -> QByteArray { throw std::runtime_error("cannot be timed"); },
                 record("a", 3));
    writer.flush();
    EXPECT_EQ(copy(), "first");
    ASSERT_EQ(results.size(), 5u);
    EXPECT_EQ(results[4].error, "cannot be timed");
    EXPECT_TRUE(results[0].ok);
    EXPECT_TRUE(!results[3].ok && !results[3].error.isEmpty());
}

TEST_F(RecoveryWriting, RemoveKeepsTheLockAndReleaseTakesBoth) {
    writer.write(text("chart"), record("a", 1));
    writer.remove();
    writer.flush();
    EXPECT_EQ(home.files(), QStringList({own.instance() + ".lock"}));
    writer.write(text("chart"), record("a", 1));
    writer.release();
    EXPECT_TRUE(home.files().isEmpty());
}

// A file where the folder should be fails as a read-only folder or a full
// disk does (also for root, whom permissions do not stop).
TEST_F(RecoveryWriting, AFolderThatCannotBeMadeFailsUntilItCan) {
    const QString blocker = QFileInfo(home.folder()).path();
    ASSERT_TRUE(test::writeAll(blocker, "in the way"));
    writer.write(text("chart"), record("a", 1));
    writer.flush();
    ASSERT_TRUE(QFile::remove(blocker));
    writer.write(text("chart"), record("a", 2));  // the lock is tried again
    writer.flush();
    ASSERT_EQ(results.size(), 2u);
    EXPECT_TRUE(!results[0].ok && results[1].ok);
    EXPECT_EQ(copy(), "chart");
}

}  // namespace
}  // namespace lumidex
