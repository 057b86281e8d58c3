#include "HeaderFields.h"

#include "EditTypes.h"
#include "Numbers.h"
#include "ValueLimits.h"

namespace lumidex {
namespace {

// One step that stores a header text, with whatever else the field sets.
template <class Apply>
void headerStep(ChartEdit& edits, const QString& action, QString HeaderTexts::*field,
                const QString& text, Apply apply) {
    EditStep step(edits, action);
    apply();
    HeaderTexts header = edits.doc().Header;
    header.*field = text;
    edits.setHeader(header);
}

double fieldOf(const NoteEntry& cell, TempoField field) {
    return field == TempoField::Speed ? cell.Speed : cell.Tempo;
}

void setField(ChartEdit& edits, int coord, TempoField field, double v) {
    if (field == TempoField::Speed)
        edits.setSpeed(coord, v);
    else
        edits.setTempo(coord, v);
}

// The value a box holds within its limits, or nullopt.
std::optional<double> limitedValue(const QString& text, ChartValue value) {
    const std::optional<double> v = numericValue(text);
    if (!v || !withinLimits(value, *v)) return std::nullopt;
    return fileValue(*v);
}

ChartValue chartValueOf(HeaderBox box) {
    switch (box) {
        case HeaderBox::Tempo:
            return ChartValue::Tempo;
        case HeaderBox::Speed:
            return ChartValue::Speed;
        case HeaderBox::Delay:
            return ChartValue::Delay;
        default:
            return ChartValue::LongCorrection;
    }
}

}  // namespace

QString headerRefusal(HeaderBox box, const QString& text) {
    const std::optional<double> v = numericValue(text);
    if (!v) return QStringLiteral("Not a number: \"%1\".").arg(text);
    switch (box) {
        case HeaderBox::Length:
            return roundHalfEven(*v) >= 1 && roundHalfEven(*v) <= kMaxCoord
                       ? QString()
                       : QStringLiteral("The note length must be from 1 to 30000.");
        case HeaderBox::BGMVolume:
            return QString();
        default:
            return withinLimits(chartValueOf(box), *v) ? QString() : limitReason(chartValueOf(box));
    }
}

bool acceptTempoField(ChartEdit& edits, TempoField field, int p, const QString& text) {
    const std::optional<double> v =
        limitedValue(text, field == TempoField::Speed ? ChartValue::Speed : ChartValue::Tempo);
    if (!v) return false;
    const bool speed = field == TempoField::Speed;
    headerStep(edits, speed ? QStringLiteral("Change Speed") : QStringLiteral("Change BPM"),
               speed ? &HeaderTexts::BPM : &HeaderTexts::BPMO, text, [&] {
                   if (!inChart(p)) return;
                   const ChartDocument& doc = edits.doc();
                   const double old = fieldOf(doc.cell(p), field);
                   for (int c = p; c >= 0 && fieldOf(doc.cell(c), field) == old; --c)
                       setField(edits, c, field, *v);
                   for (int c = p + 1; c <= kMaxCoord && fieldOf(doc.cell(c), field) == old; ++c)
                       setField(edits, c, field, *v);
               });
    return true;
}

bool acceptLength(ChartEdit& edits, const QString& text) {
    const std::optional<double> v = numericValue(text);
    if (!v) return false;
    const double length = roundHalfEven(*v);
    if (length < 1 || length > kMaxCoord) return false;
    headerStep(edits, QStringLiteral("Change Note Length"), &HeaderTexts::Length, text,
               [&] { edits.setLastCoord(int32_t(length)); });
    return true;
}

bool acceptDelay(ChartEdit& edits, const QString& text) {
    const std::optional<double> v = limitedValue(text, ChartValue::Delay);
    if (!v) return false;
    headerStep(edits, QStringLiteral("Change Delay"), &HeaderTexts::Delay, text,
               [&] { edits.setDelay(*v); });
    return true;
}

bool acceptLongCorrection(ChartEdit& edits, const QString& text) {
    const std::optional<double> v = limitedValue(text, ChartValue::LongCorrection);
    if (!v) return false;
    const double rounded = roundHalfEven(*v);
    headerStep(edits, QStringLiteral("Change Long Note Correction"), &HeaderTexts::LongCorrectVal,
               text, [&] { edits.setLongCorrection(int32_t(rounded)); });
    return true;
}

bool acceptBgmVolume(ChartEdit& edits, const QString& text) {
    if (!numericValue(text)) return false;
    headerStep(edits, QStringLiteral("Change Volume"), &HeaderTexts::BGMVolume, text, [&] {
        KeySound music = edits.doc().keySound(0);
        music.Volume = text;
        edits.setKeySound(0, music);
    });
    return true;
}

void acceptBgm(ChartEdit& edits, const QString& text) {
    headerStep(edits, QStringLiteral("Change BGM Path"), &HeaderTexts::BGM, text, [&] {
        KeySound music = edits.doc().keySound(0);
        music.Snd = text;
        edits.setKeySound(0, music);
    });
}

void acceptName(ChartEdit& edits, const QString& text) {
    headerStep(edits, QStringLiteral("Change Music Name"), &HeaderTexts::Name, text, [] {});
}

}  // namespace lumidex
