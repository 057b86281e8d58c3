#pragma once
// When the recovery copy of an unsaved chart is written: a short quiet time
// after the last change, but never later than a bound after the first change
// the copy does not hold yet, so a long stretch of editing is still kept.
// A failed write is tried again after a longer pause. Times are milliseconds
// of any steady clock, passed in by the caller (tests drive them by hand).
//
// Belongs to the window thread.

#include <QtGlobal>

#include <optional>

namespace lumidex {

class RecoverySchedule {
  public:
    static constexpr qint64 kQuietMs = 2000;     // after the last change
    static constexpr qint64 kLongestMs = 10000;  // after the first change not yet copied
    static constexpr qint64 kRetryMs = 30000;    // after a failed write

    // The chart changed and the change is not in a copy yet.
    void changed(qint64 now);
    // The copy is being written with every change so far.
    void taken();
    // That write failed: its changes are due again, not before the retry pause.
    void failed(qint64 now);
    // Nothing is due any more (the chart was saved, opened or closed).
    void clear();

    // When the next copy is due; nothing when no change waits.
    std::optional<qint64> dueAt() const;
    bool due(qint64 now) const;

  private:
    std::optional<qint64> first_;  // first change not yet copied
    qint64 last_ = 0;              // last change
    qint64 notBefore_ = 0;         // end of the retry pause
};

}  // namespace lumidex
