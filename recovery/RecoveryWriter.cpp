#include "RecoveryWriter.h"

#include <exception>

namespace lumidex {

RecoveryWriter::RecoveryWriter(RecoveryStore store, std::function<void(const Result&)> done)
    : store_(std::move(store)), done_(std::move(done)), thread_([this] { run(); }) {}

RecoveryWriter::~RecoveryWriter() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stop_ = true;
    }
    wake_.notify_one();
    thread_.join();
}

void RecoveryWriter::write(Compose compose, CopyRecord record) {
    post({Kind::Write, std::move(compose), std::move(record)});
}

void RecoveryWriter::remove() {
    post({Kind::Remove, {}, {}});
}

void RecoveryWriter::release() {
    post({Kind::Release, {}, {}});
    flush();
}

void RecoveryWriter::flush() {
    std::unique_lock<std::mutex> lock(mutex_);
    idle_.wait(lock, [this] { return jobs_.empty() && !busy_; });
}

void RecoveryWriter::post(Job job) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (job.kind == Kind::Write && !jobs_.empty() && jobs_.back().kind == Kind::Write)
            jobs_.back() = std::move(job);
        else
            jobs_.push_back(std::move(job));
    }
    wake_.notify_one();
}

void RecoveryWriter::run() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return stop_ || !jobs_.empty(); });
        if (jobs_.empty()) return;  // stopping, nothing left
        Job job = std::move(jobs_.front());
        jobs_.pop_front();
        busy_ = true;
        lock.unlock();
        perform(job);
        lock.lock();
        busy_ = false;
        if (jobs_.empty()) idle_.notify_all();
    }
}

void RecoveryWriter::perform(const Job& job) {
    switch (job.kind) {
        case Kind::Write: {
            Result result;
            if (!claimed_) claimed_ = store_.claim(&result.error) == 0;
            try {
                result.ok =
                    claimed_ && store_.writeCopy(job.compose(), job.record, &result.error) == 0;
            } catch (const std::exception& e) {
                result = {false, QString::fromUtf8(e.what())};
            }
            if (done_) done_(result);
            break;
        }
        case Kind::Remove:
            store_.removeCopy();
            break;
        case Kind::Release:
            store_.release();
            claimed_ = false;
            break;
    }
}

}  // namespace lumidex
