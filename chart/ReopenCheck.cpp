// Reading a saved file back and comparing the chart it gives with the chart
// it was written from.

#include <QStringBuilder>

#include <cmath>
#include <memory>

#include "ChartFile.h"

namespace lumidex {

namespace {

bool sameNumber(double a, double b) {
    return a == b || std::fabs(a - b) <= 1e-12 * std::max(std::fabs(a), std::fabs(b));
}

bool sameNote(const NoteEntry& a, const NoteEntry& b) {
    if (a.Kind != b.Kind) return false;
    // A long-note end's key is not written; the key of the head plays.
    return a.Kind == 0 || isLongEnd(a.Kind) || a.FxSndIndex == b.FxSndIndex;
}

void compareTexts(const ChartDocument& a, const ChartDocument& b, QStringList* values) {
    if (a.Header.Name != b.Header.Name) *values << QStringLiteral("the music name");
    if (a.KeyCount != b.KeyCount) *values << QStringLiteral("the number of key sounds");
    for (int slot = 0; slot <= std::min(a.KeyCount, b.KeyCount); ++slot) {
        const KeySound &x = a.keySound(slot), &y = b.keySound(slot);
        const QString what =
            slot == 0 ? QStringLiteral("the music") : QStringLiteral("key sound %1").arg(slot);
        if (x.Snd != y.Snd) *values << QStringLiteral("the file name of ") % what;
        if (x.Volume != y.Volume) *values << QStringLiteral("the volume of ") % what;
    }
}

}  // namespace

ReopenDifference reopenDifference(const ChartDocument& doc, const QByteArray& bytes) {
    ReopenDifference diff;
    auto back = std::make_unique<ChartDocument>();
    if (!loadChartBytes(*back, bytes, 0)) {
        diff.values << QStringLiteral("no chart at all");
        return diff;
    }
    for (int c = 0; c <= kMaxCoord; ++c) {
        const NoteEntry &a = doc.cell(c), &b = back->cell(c);
        if (!sameNote(a, b) && diff.notes++ == 0) diff.firstNote = c;
        if (diff.tempoFrom < 0 && (!sameNumber(a.Speed, b.Speed) || !sameNumber(a.Tempo, b.Tempo)))
            diff.tempoFrom = c;
    }
    if (!sameNumber(doc.Delay, back->Delay)) diff.values << QStringLiteral("the delay");
    if (doc.LongCorrection != back->LongCorrection)
        diff.values << QStringLiteral("the long-note correction");
    if (doc.LastCoord != back->LastCoord) diff.values << QStringLiteral("the note length");
    compareTexts(doc, *back, &diff.values);
    return diff;
}

QString ReopenDifference::text() const {
    if (empty()) return QString();
    QStringList parts;
    if (notes > 0)
        parts << (notes == 1 ? QStringLiteral("1 note differs")
                             : QStringLiteral("%1 notes differ").arg(notes)) %
                     QStringLiteral(" (the first at coord %1)").arg(firstNote);
    if (tempoFrom >= 0) parts << QStringLiteral("the tempo differs from coord %1").arg(tempoFrom);
    if (!values.isEmpty())
        parts << values.join(QStringLiteral(", ")) % (values.size() == 1
                                                          ? QStringLiteral(" comes back different")
                                                          : QStringLiteral(" come back different"));
    return QStringLiteral("\nReopened, this file gives a different chart: ") %
           parts.join(QStringLiteral("; ")) % QLatin1Char('.');
}

}  // namespace lumidex
