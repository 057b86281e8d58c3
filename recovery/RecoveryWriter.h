#pragma once
// The file work of one editor's recovery copy, on a thread of its own so
// that the window never waits for the disk: the chart text is composed there
// too, from a snapshot the window hands over. Jobs run in the order given; a
// write still waiting is replaced by a newer one (only the newest text
// matters). The lock is written before the first copy, and again before a
// write when it could not be written before.
//
// Threads: every public function is called from one thread (the window's);
// `done` is called on the writer's thread.

#include <QByteArray>
#include <QString>

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

#include "RecoveryStore.h"

namespace lumidex {

class RecoveryWriter {
  public:
    struct Result {
        bool ok = true;
        QString error;  // why the copy could not be written
    };

    RecoveryWriter(RecoveryStore store, std::function<void(const Result&)> done);
    // Runs the jobs given, then stops. The copy and lock stay unless
    // release() was called: a window torn down without closing is not a
    // normal exit.
    ~RecoveryWriter();
    RecoveryWriter(const RecoveryWriter&) = delete;
    RecoveryWriter& operator=(const RecoveryWriter&) = delete;

    // compose runs on the writer's thread and returns the chart text; an
    // exception from it fails the write with its message.
    using Compose = std::function<QByteArray()>;
    void write(Compose compose, CopyRecord record);
    void remove();
    // Removes the copy and the lock, and waits until that is done.
    void release();
    // Waits until every job given so far is done.
    void flush();

  private:
    enum class Kind { Write, Remove, Release };
    struct Job {
        Kind kind;
        Compose compose;
        CopyRecord record;
    };
    void post(Job job);
    void run();
    void perform(const Job& job);

    RecoveryStore store_;  // used by the writer's thread only
    std::function<void(const Result&)> done_;
    bool claimed_ = false;  // writer's thread only

    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable idle_;
    std::deque<Job> jobs_;
    bool busy_ = false;
    bool stop_ = false;
    std::thread thread_;  // last: starts once the rest is built
};

}  // namespace lumidex
