// The sentences the open message adds for what a load could not take as the
// file has it.

#include <QStringBuilder>

#include "ChartFile.h"

namespace lumidex {

namespace {

QString count(int n, const char* one, const char* many) {
    return QString::number(n) % QLatin1Char(' ') % QLatin1String(n == 1 ? one : many);
}

// "BPM element 3" or "BPM elements 3 and 2 more".
QString elements(const std::vector<int>& numbers) {
    QString text = QStringLiteral("BPM element ") % QString::number(numbers.front());
    if (numbers.size() > 1) text += QStringLiteral(" (and %1 more)").arg(numbers.size() - 1);
    return text;
}

}  // namespace

bool LoadReport::empty() const {
    return text().isEmpty();
}

QString LoadReport::text() const {
    QStringList lines;
    if (notesOffChart)
        lines << count(notesOffChart, "note lies", "notes lie") %
                     QStringLiteral(" outside coords 0 to 30000: not stored.");
    if (notesBadKind)
        lines << count(notesBadKind, "note has", "notes have") %
                     QStringLiteral(" a kind a chart cannot hold (above 145): not stored.");
    if (notesUnusedKind)
        lines << count(notesUnusedKind, "note has", "notes have") %
                     QStringLiteral(
                         " a kind without a picture (1 to 4, 6 to 15, 35 to 127): kept and "
                         "saved as it is.");
    if (longEndsMoved)
        lines << count(longEndsMoved, "long-note end fell", "long-note ends fell") %
                     QStringLiteral(" on its head: moved one beat after it.");
    if (notesReplaced)
        lines << count(notesReplaced, "note was", "notes were") %
                     QStringLiteral(" replaced by a later note at the same coord.");
    if (noTempo)
        lines << QStringLiteral(
            "No BPM element holds a usable tempo (1 to 10000): tempo and speed 120 taken.");
    if (!tempoRepaired.empty())
        lines << elements(tempoRepaired) %
                     QStringLiteral(
                         " holds a tempo or speed outside 1 to 10000: the other of the two "
                         "taken for both.");
    if (!tempoLeftOut.empty())
        lines << elements(tempoLeftOut) %
                     QStringLiteral(" holds no usable tempo (1 to 10000) or frame: left out.");
    if (bpmBeyond)
        lines << count(bpmBeyond, "BPM element", "BPM elements") %
                     QStringLiteral(" past the first 1000: not read.");
    if (effectBeyond)
        lines << count(effectBeyond, "EFFECT element", "EFFECT elements") %
                     QStringLiteral(" past the first 2000: not read.");
    lines << values;
    return lines.isEmpty() ? QString() : QLatin1Char('\n') + lines.join(QLatin1Char('\n'));
}

}  // namespace lumidex
