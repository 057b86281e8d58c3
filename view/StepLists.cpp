#include "StepLists.h"

#include <algorithm>
#include <cmath>

#include "Numbers.h"
#include "RuntimeError.h"

namespace lumidex {

namespace {

// The leading number of an item; 0 for a text that is none (or too large).
double leadingNumber(const QString& text) {
    try {
        return val(text);
    } catch (const RuntimeError&) {
        return 0;
    }
}

int wholeCoords(const QString& text) {
    return static_cast<int>(roundHalfEven(std::clamp(leadingNumber(text), -1e6, 1e6)));
}

}  // namespace

const StepList& normalizeList() {
    static const StepList list{{"1", "2", "3", "4", "6"}, 0};
    return list;
}

const StepList& vScrollList() {
    static const StepList list{{"3", "6", "9", "12", "18", "24", "36", "48", "72", "96"}, 9};
    return list;
}

const StepList& altStepList() {
    static const StepList list{{"1", "2", "3", "4", "6", "8", "9", "12", "18", "24"}, 0};
    return list;
}

const StepList& keyStepList() {
    static const StepList list{
        {"Note", "1", "2", "3", "4", "6", "8", "9", "12", "18", "24", "36", "48", "72", "96"}, 3};
    return list;
}

double alignCoordFromItem(const QString& text) {
    return leadingNumber(text);
}

double altStepFromItem(const QString& text) {
    return leadingNumber(text);
}

int wheelStepFromItem(const QString& text) {
    return wholeCoords(text);
}

int keyStepFromItem(const QString& text) {
    const int step = wholeCoords(text);
    return step == 0 ? -1 : step;
}

}  // namespace lumidex
