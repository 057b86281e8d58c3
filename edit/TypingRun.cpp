#include "TypingRun.h"

namespace lumidex {

void TypingRun::typed(const void* box, int64_t nowMs, const std::function<void()>& change) {
    const uint64_t before = history_.serial();
    const bool continues = box_ && box == box_ && before == serial_ && nowMs - lastMs_ <= kPauseMs;
    change();
    if (history_.serial() != before + 1) {  // the keystroke changed nothing
        if (continues)
            lastMs_ = nowMs;
        else
            box_ = nullptr;
        return;
    }
    if (!continues || !history_.joinNewest()) box_ = box;  // a new run starts here
    lastMs_ = nowMs;
    serial_ = history_.serial();
}

}  // namespace lumidex
