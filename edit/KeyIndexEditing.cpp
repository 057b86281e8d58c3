#include "KeyIndexEditing.h"

#include <algorithm>

#include "Numbers.h"

namespace lumidex {

bool HasKeyIndex(int kind) {
    return (kind >= 1 && kind <= 127) || isLongStart(kind);
}

std::optional<int16_t> keyIndexFromText(const QString& text) {
    if (text.isEmpty()) return int16_t(0);
    const std::optional<double> value = numericValue(text);
    if (!value) return std::nullopt;
    const double index = roundHalfEven(*value);
    if (index < 0 || index > kMaxKeySound) return std::nullopt;
    return int16_t(index);
}

QString keyIndexText(int16_t index) {
    return index > 0 ? QString::number(index) : QString();
}

bool commitKeyIndex(ChartEdit& edits, int coord, const QString& text) {
    const std::optional<int16_t> index = keyIndexFromText(text);
    if (!index) return false;
    if (!inChart(coord)) return true;
    EditStep step(edits, QStringLiteral("Key Index"));
    edits.setFxSndIndex(coord, *index);
    return true;
}

std::optional<int> keyNoteAbove(const ChartDocument& doc, int c, int lastDrawn) {
    for (int i = std::max(c + 1, 0); i <= std::min(lastDrawn, kMaxCoord); ++i)
        if (HasKeyIndex(doc.cell(i).Kind)) return i;
    return std::nullopt;
}

std::optional<int> keyNoteBelow(const ChartDocument& doc, int c, int firstDrawn) {
    for (int i = std::min(c - 1, kMaxCoord); i >= std::max(firstDrawn, 0); --i)
        if (HasKeyIndex(doc.cell(i).Kind)) return i;
    return std::nullopt;
}

std::optional<int> moveNote(ChartEdit& edits, int c, double d) {
    const int n = int(roundHalfEven(c + d));
    if (!inChart(c) || !inChart(n) || n == c) return std::nullopt;
    const ChartDocument& doc = edits.doc();
    const NoteEntry from = doc.cell(c);
    EditStep step(edits, QStringLiteral("Move Note"));
    edits.setCombo(doc.Combo - ComboWeight(doc.cell(n).Kind));
    edits.setNote(n, from.Kind, from.FxSndIndex);
    edits.setKind(c, 0);
    return n;
}

}  // namespace lumidex
