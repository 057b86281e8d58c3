#include "ChartCheck.h"

#include <algorithm>

namespace lumidex {
namespace {

using Findings = std::vector<ChartFinding>;

ChartFinding atCoord(const char* code, int coord, const QString& text) {
    return {QString::fromLatin1(code), ChartFinding::Coord, coord, text};
}

void checkKeyIndices(const ChartDocument& doc, Findings& out) {
    const int count = std::clamp(doc.KeyCount, 0, kMaxKeySound);
    std::vector<bool> used(size_t(count) + 1, false);
    for (int c = 0; c <= kMaxCoord; ++c) {
        const NoteEntry& e = doc.cell(c);
        if (!hasKeyIndex(e.Kind)) continue;
        const int k = e.FxSndIndex;
        if (keyIndexPastList(doc, k))
            out.push_back(atCoord("key-past-list", c,
                                  QStringLiteral("the note's key index %1 names no key (the list "
                                                 "has %2).")
                                      .arg(k)
                                      .arg(count)));
        else
            used[size_t(k)] = true;
    }
    for (int k = 1; k <= count; ++k)
        if (!used[size_t(k)])
            out.push_back({QStringLiteral("key-unused"), ChartFinding::Key, k,
                           QStringLiteral("no note uses %1.").arg(doc.keySound(k).Snd)});
}

void checkLongNotes(const ChartDocument& doc, Findings& out) {
    const auto unended = [](int head) {
        return atCoord("long-head-open", head,
                       QStringLiteral("the long note starting here has no end before the next "
                                      "long-note head."));
    };
    int open = -1;  // coord of the head waiting for its end
    for (int c = 0; c <= kMaxCoord; ++c) {
        const int kind = doc.cell(c).Kind;
        if (isLongStart(kind)) {
            if (open >= 0) out.push_back(unended(open));
            open = c;
        } else if (isLongEnd(kind)) {
            if (open < 0)
                out.push_back(atCoord("long-end-alone", c,
                                      QStringLiteral("this long-note end has no head before it.")));
            open = -1;
        }
    }
    if (open >= 0)
        out.push_back(atCoord("long-head-open", open,
                              QStringLiteral("the long note starting here has no end.")));
}

void checkLength(const ChartDocument& doc, Findings& out) {
    for (int c = std::max(doc.LastCoord + 1, 0); c <= kMaxCoord; ++c)
        if (doc.cell(c).Kind != 0)
            out.push_back(atCoord("note-past-length", c,
                                  QStringLiteral("the note lies above the chart's length %1 "
                                                 "(\"Note Length\") and is not saved.")
                                      .arg(doc.LastCoord)));
}

void checkSpacing(const ChartDocument& doc, Findings& out) {
    int previous = -1;  // the last note that scores
    for (int c = 0; c <= kMaxCoord; ++c) {
        const int kind = doc.cell(c).Kind;
        if (ComboWeight(uint8_t(kind)) == 0) continue;
        if (previous >= 0) {
            const int before = doc.cell(previous).Kind;
            const int gap = c - previous;
            if (before >= 20 && before <= 23 && gap < kDiagonalGap)
                out.push_back(atCoord("diagonal-gap", previous,
                                      QStringLiteral("the next note, at coord %1, follows this "
                                                     "diagonal note by %2 coords; keep at least "
                                                     "%3.")
                                          .arg(c)
                                          .arg(gap)
                                          .arg(kDiagonalGap)));
            if (before == 24 && gap < kTowerGap)
                out.push_back(atCoord("tower-gap", previous,
                                      QStringLiteral("the next note, at coord %1, follows this "
                                                     "tower by %2 coords; keep at least %3.")
                                          .arg(c)
                                          .arg(gap)
                                          .arg(kTowerGap)));
        }
        previous = c;
    }
}

}  // namespace

bool keyIndexPastList(const ChartDocument& doc, int index) {
    return index < 0 || index > std::clamp(doc.KeyCount, 0, kMaxKeySound);
}

QString ChartFinding::line() const {
    QString where;
    switch (place) {
        case Coord:
            where = QStringLiteral("coord %1").arg(number);
            break;
        case Key:
            where = QStringLiteral("key %1").arg(number);
            break;
        case Music:
            where = QStringLiteral("music");
            break;
        case File:
            where = QStringLiteral("file");
            break;
    }
    return code + QLatin1Char(' ') + where + QStringLiteral(": ") + text;
}

bool hasKeyIndex(int kind) {
    return (kind >= 1 && kind <= 127) || isLongStart(kind);
}

void checkUnusedKinds(const ChartDocument& doc, Findings& out) {
    for (int c = 0; c <= kMaxCoord; ++c)
        if (const int kind = doc.cell(c).Kind; isUnusedKind(kind))
            out.push_back(atCoord("kind-unused", c,
                                  QStringLiteral("a note of kind %1, which has no picture and no "
                                                 "meaning in the editor; it is saved as it is.")
                                      .arg(kind)));
}

std::vector<ChartFinding> checkChart(const ChartDocument& doc) {
    Findings out;
    checkUnusedKinds(doc, out);
    checkKeyIndices(doc, out);
    checkLongNotes(doc, out);
    checkLength(doc, out);
    checkSpacing(doc, out);
    return out;
}

}  // namespace lumidex
