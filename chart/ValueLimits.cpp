#include "ValueLimits.h"

namespace lumidex {

namespace {

constexpr double kDayOfFrames = 24.0 * 60 * 60 * 60;

}  // namespace

ValueLimits limitsOf(ChartValue value) {
    switch (value) {
        case ChartValue::Tempo:
        case ChartValue::Speed:
            return {1, 10000};
        case ChartValue::Delay:
            return {-kDayOfFrames, kDayOfFrames};
        case ChartValue::LongCorrection:
            return {-1200, 1200};
    }
    return {0, 0};
}

bool withinLimits(ChartValue value, double v) {
    const ValueLimits limits = limitsOf(value);
    return v >= limits.min && v <= limits.max;
}

QString limitReason(ChartValue value) {
    switch (value) {
        case ChartValue::Tempo:
            return QStringLiteral("The tempo must be from 1 to 10000 BPM.");
        case ChartValue::Speed:
            return QStringLiteral("The speed must be from 1 to 10000 BPM.");
        case ChartValue::Delay:
            return QStringLiteral(
                "The delay must be from -5184000 to 5184000 frames (a day either way).");
        case ChartValue::LongCorrection:
            return QStringLiteral("The long-note correction must be from -1200 to 1200.");
    }
    return QString();
}

}  // namespace lumidex
