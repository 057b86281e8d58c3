#include "RecoverySchedule.h"

#include <algorithm>

namespace lumidex {

void RecoverySchedule::changed(qint64 now) {
    if (!first_) first_ = now;
    last_ = now;
}

void RecoverySchedule::taken() {
    first_.reset();
}

void RecoverySchedule::failed(qint64 now) {
    if (!first_) first_ = now;
    last_ = std::max(last_, now);
    notBefore_ = now + kRetryMs;
}

void RecoverySchedule::clear() {
    first_.reset();
    notBefore_ = 0;
}

std::optional<qint64> RecoverySchedule::dueAt() const {
    if (!first_) return std::nullopt;
    return std::max(notBefore_, std::min(last_ + kQuietMs, *first_ + kLongestMs));
}

bool RecoverySchedule::due(qint64 now) const {
    const std::optional<qint64> at = dueAt();
    return at && now >= *at;
}

}  // namespace lumidex
