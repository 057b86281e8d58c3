#include "BatchCommands.h"

#include "ValueLimits.h"

#include "Numbers.h"
#include "RuntimeError.h"
#include "SpeedChange.h"

namespace lumidex {
namespace {

const QString kRangeMessage = QStringLiteral("Please enter operation range");
const QString kDestMessage = QStringLiteral("Please enter destination to paste");

}  // namespace

BatchCommands::BatchCommands(ChartEdit& edits, Dialogs& ui, RandomKindSet& randomKinds)
    : edits_(edits), ui_(ui), randomKinds_(randomKinds) {}

std::optional<SteppedRange> BatchCommands::range(const QString& from, const QString& to) {
    std::optional<SteppedRange> r = operationRange(from, to, align());
    if (!r) ui_.message(kRangeMessage);
    return r;
}

bool BatchCommands::Copy(const QString& from, const QString& to, ClipFields fields) {
    const std::optional<SteppedRange> r = range(from, to);
    if (!r || !fields.any()) return false;
    clip_.Copy(edits_.doc(), *r, fields);
    return true;
}

bool BatchCommands::Cut(const QString& from, const QString& to, ClipFields fields) {
    const std::optional<SteppedRange> r = range(from, to);
    if (!r || !fields.any()) return false;
    clip_.Cut(edits_, *r, fields);
    return true;
}

bool BatchCommands::Paste(const QString& dest, ClipFields fields) {
    if (!isNumeric(dest)) {
        ui_.message(kDestMessage);
        return false;
    }
    if (!fields.any()) return false;
    clip_.Paste(edits_, snapCoord(dest, align()), alignStep(align()), fields);
    return true;
}

bool BatchCommands::Transform(KindTransform t, const QString& from, const QString& to) {
    const std::optional<SteppedRange> r = range(from, to);
    if (!r) return false;
    transformKinds(edits_, *r, t, randomKinds_);
    return true;
}

bool BatchCommands::FillKeyIndex(bool ascending, const QString& from, const QString& to) {
    const std::optional<SteppedRange> r = range(from, to);
    if (!r) return false;
    fillKeyIndex(edits_, *r, ascending);
    return true;
}

// ---- "Change Speed" ------------------------------------------------------------

// The dialog's numbers: Val of the text, or nullopt when it is too large
// for a double.
std::optional<double> BatchCommands::boxValue(const QString& text) {
    try {
        return val(text);
    } catch (const RuntimeError&) {
        return std::nullopt;
    }
}

std::optional<int> BatchCommands::dialogCoord(const QString& text) {
    const std::optional<double> v = boxValue(text);
    const double c = v ? roundHalfEven(*v) : -1;
    if (c < 0 || c > kMaxCoord) {
        ui_.beep();
        return std::nullopt;
    }
    return int(c);
}

std::optional<double> BatchCommands::limited(const QString& text, ChartValue value) {
    const std::optional<double> v = isNumeric(text) ? boxValue(text) : std::nullopt;
    if (!v || !withinLimits(value, *v)) {
        ui_.beep();
        return std::nullopt;
    }
    return fileValue(*v);
}

std::optional<BatchCommands::TempoTexts> BatchCommands::GetBPMInfo(const QString& coord) {
    if (!coord.isEmpty() && !isNumeric(coord)) {
        ui_.beep();
        return std::nullopt;
    }
    const std::optional<int> c = dialogCoord(coord);
    if (!c) return std::nullopt;
    const NoteEntry& cell = edits_.doc().cell(*c);
    return TempoTexts{numberText(cell.Tempo), numberText(cell.Speed)};
}

bool BatchCommands::ChangeSpeed(const QString& coord, const QString& tempo, const QString& speed) {
    const std::optional<double> t = limited(tempo, ChartValue::Tempo);
    if (!t) return false;
    const std::optional<double> s = limited(speed, ChartValue::Speed);
    if (!s) return false;
    const std::optional<int> c = dialogCoord(coord);
    if (!c) return false;
    rewriteTempoSegment(edits_, *c, *t, *s);
    return true;
}

}  // namespace lumidex
