#include "HeaderFields.h"

#include "EditTypes.h"
#include "Numbers.h"

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

}  // namespace

bool acceptTempoField(ChartEdit& edits, TempoField field, int p, const QString& text) {
    const std::optional<double> v = numericValue(text);
    if (!v || !(*v > 0)) return false;
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
    const std::optional<double> v = numericValue(text);
    if (!v) return false;
    headerStep(edits, QStringLiteral("Change Delay"), &HeaderTexts::Delay, text,
               [&] { edits.setDelay(*v); });
    return true;
}

bool acceptLongCorrection(ChartEdit& edits, const QString& text) {
    const std::optional<double> v = numericValue(text);
    if (!v) return false;
    const double rounded = roundHalfEven(*v);
    if (rounded < INT32_MIN || rounded > INT32_MAX) return false;
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
