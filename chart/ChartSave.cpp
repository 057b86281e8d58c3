// Writing a chart as a Pelvaro XML file: one element per line, attributes in
// a fixed order, CR LF after every line, GB18030 bytes.

#include <QStringBuilder>

#include <cmath>
#include <limits>
#include <new>

#include "ChartFile.h"
#include "FileIO.h"
#include "FileText.h"
#include "Numbers.h"
#include "RuntimeError.h"

namespace lumidex {

namespace {

QString capitalized(QString text) {
    if (!text.isEmpty()) text[0] = text[0].toUpper();
    return text;
}

// Long-note middle lines a single save may write. A real chart needs a few
// thousand; a scroll speed far above the tempo could ask for more lines than
// memory holds, which ends the save with "Out of memory" instead.
constexpr qint64 kMaxMiddleLines = 1'000'000;

// Room for the text of a chart before it is composed: an AREA line is about
// 60 units, a key sound line about 50 plus its texts.
qsizetype expectedUnits(const ChartDocument& doc) {
    qsizetype units = 4096 + 64 * qsizetype(doc.LastCoord + 1);
    for (int slot = 0; slot <= doc.KeyCount && slot <= kMaxKeySound; ++slot)
        units += 40 + doc.keySound(slot).Snd.size() + doc.keySound(slot).Volume.size();
    return units;
}

// Composes the file text of one chart. The loops share one counter (the
// coord, the key index or the tempo coord, whichever loop runs) so that a
// failure can say where it happened.
class ChartWriter {
  public:
    ChartWriter(const ChartDocument& doc, CStringBuilder& out) : doc_(doc), out_(out) {}

    // Appends every line; answers the combo count of the walked cells.
    int compose() {
        out_.AppendLine(QLatin1StringView("<?xml version=\"1.0\" encoding=\"gb18030\"?>"));
        out_.Append(QLatin1StringView("<TITLE Name=\"")).Append(doc_.Header.Name);
        out_.AppendLine(QLatin1StringView("\">"));
        writeBpm(nullptr, doc_.cell(0));
        writeTempoChanges();
        writeScalars();
        writeKeySounds();
        writeAreas();
        out_.AppendLine(QLatin1StringView("</TITLE>"));
        return combo_;
    }

    int counter() const { return i_; }

  private:
    // A BPM line; frame null for the first ("0").
    void writeBpm(const double* frame, const NoteEntry& cell) {
        out_.Append(QLatin1StringView("<BPM Frame=\""));
        if (frame)
            out_.AppendRound2(*frame);
        else
            out_.Append(QLatin1StringView("0"));
        out_.Append(QLatin1StringView("\" BPM=\"")).Append(numberText(cell.Speed));
        if (cell.Tempo != cell.Speed)
            out_.Append(QLatin1StringView("\" OriginalBPM=\"")).Append(numberText(cell.Tempo));
        out_.AppendLine(QLatin1StringView("\"></BPM>"));
    }

    // A line for every coord whose tempo or speed differs from the coord
    // before it.
    void writeTempoChanges() {
        const NoteEntry* prev = &doc_.cell(0);
        for (i_ = 1; i_ <= kMaxCoord; ++i_) {
            const NoteEntry& cell = doc_.cell(i_);
            if (cell.Tempo != prev->Tempo || cell.Speed != prev->Speed) {
                const double frame = require(doc_.CoordToFrames(i_)) - doc_.Delay;
                writeBpm(&frame, cell);
            }
            prev = &cell;
        }
    }

    void writeScalars() {
        const KeySound& bgm = doc_.keySound(0);
        out_.Append(QLatin1StringView("<BGM Name=\"")).Append(bgm.Snd);
        out_.Append(QLatin1StringView("\" Volume=\"")).Append(bgm.Volume);
        out_.AppendLine(QLatin1StringView("\"></BGM>"));
        out_.Append(QLatin1StringView("<DELAY Value=\"")).Append(numberText(doc_.Delay));
        out_.AppendLine(QLatin1StringView("\"></DELAY>"));
        if (doc_.LongCorrection != 4) {
            out_.Append(QLatin1StringView("<LONGCRT Value=\"")).AppendNumber(doc_.LongCorrection);
            out_.AppendLine(QLatin1StringView("\"></LONGCRT>"));
        }
        out_.Append(QLatin1StringView("<LENGTH Value=\"")).AppendNumber(doc_.LastCoord);
        out_.AppendLine(QLatin1StringView("\"></LENGTH>"));
    }

    void writeKeySounds() {
        for (i_ = 1; i_ <= doc_.KeyCount; ++i_) {
            const KeySound& key = doc_.keySound(i_);
            out_.Append(QLatin1StringView("<EFFECT Snd=\"")).Append(key.Snd);
            out_.Append(QLatin1StringView("\" Volume=\"")).Append(key.Volume);
            out_.AppendLine(QLatin1StringView("\"></EFFECT>"));
        }
    }

    void writeAreas() {
        for (i_ = 0; i_ <= doc_.LastCoord; ++i_) {
            const NoteEntry& cell = doc_.cell(i_);
            const int k = cell.Kind;
            if (k == 0) continue;
            combo_ += ComboWeight(cell.Kind);
            if (k == 5) {
                writeArea(position(i_), 26, cell.FxSndIndex, true);
            } else if ((k >= 16 && k <= 34) || isLongStart(k) || isUnusedKind(k)) {
                const double p = position(i_);
                writeArea(p, k, cell.FxSndIndex);
                if (isLongStart(k)) {
                    headPosition_ = p;
                    headKind_ = k;
                    headCoord_ = i_;
                }
            } else if (isLongEnd(k)) {
                writeLongNoteEnd(k);
            }
        }
    }

    // The middle lines every 12 position units after the remembered head and
    // the end on the last multiple of 12 the corrected length reaches. Where
    // that end would be read back on another coord (the scroll speed is not
    // the tempo, the correction is negative) the end goes on its own
    // position; where neither is read back there (an end that is not on a
    // whole beat after its head) the end stays at least a beat after the
    // head, so the head is never overwritten.
    void writeLongNoteEnd(int endKind) {
        const double endPosition = position(i_);
        if (headKind_ == 0) {
            // No head of its own before this end (none at all, or one whose
            // end was already written): write the end where it stands rather
            // than inventing middle lines from coord 0 or from an old head.
            writeArea(endPosition, endKind, 0);
            return;
        }
        const double d = round2(endPosition - headPosition_ + doc_.LongCorrection);
        const double quotient = std::trunc(std::floor(d) / 12);
        if (quotient > std::numeric_limits<int32_t>::max() ||
            quotient < std::numeric_limits<int32_t>::min())
            throw RuntimeError(rterr::Overflow);
        const qint64 steps = static_cast<qint64>(quotient);
        double end = headPosition_ + 12.0 * static_cast<double>(std::max<qint64>(steps, 1));
        if (readBackAt(end) != i_ && readBackAt(endPosition) == i_) end = endPosition;
        // Middle lines every 12 position units strictly before the end.
        const qint64 middles =
            static_cast<qint64>(std::ceil((end - headPosition_) / 12 - 1e-9)) - 1;
        middleLines_ += std::max<qint64>(middles, 0);
        if (middleLines_ > kMaxMiddleLines) throw RuntimeError(rterr::OutOfMemory);
        for (qint64 j = 1; j <= middles; ++j)
            writeArea(headPosition_ + 12.0 * static_cast<double>(j), headKind_ + 1, 0);
        writeArea(end, headKind_ + 2, 0);
        headKind_ = 0;  // a head closes one long note
    }

    // The coord the loader gives an end written at position p after the
    // remembered head; -1 when it cannot be timed.
    int readBackAt(double p) const {
        const double written = round2(p);
        const std::optional<int> c = doc_.PositionToCoord(written, 0);
        if (!c) return -1;
        try {
            return longNoteEnd(doc_, headCoord_, written, *c);
        } catch (const RuntimeError&) {
            return -1;
        }
    }

    // An AREA line at position p (written rounded to 2 decimals).
    void writeArea(double p, int kind, int fxSndIndex, bool autoPlay = false) {
        out_.Append(QLatin1StringView("<AREA Coord=\"")).AppendRound2(p);
        out_.Append(QLatin1StringView("\" Kind=\"")).AppendNumber(kind);
        out_.Append(QLatin1StringView("\" Level=\"")).AppendNumber(KindToLevel(kind));
        out_.Append(QLatin1StringView("\" FxSndIndex=\"")).AppendNumber(fxSndIndex);
        out_.AppendLine(autoPlay ? QLatin1StringView("\" AutoPlay=\"1\"></AREA>")
                                 : QLatin1StringView("\"></AREA>"));
    }

    double position(int coord) const { return require(doc_.CoordToPosition(coord)); }

    const ChartDocument& doc_;
    CStringBuilder& out_;
    int i_ = 0;
    int combo_ = 0;
    double headPosition_ = 0;  // unrounded position of the last long-note head
    int headKind_ = 0;         // its kind; 0 when no head is waiting for its end
    int headCoord_ = 0;        // its coord
    qint64 middleLines_ = 0;
};

// Names every header field that fails its check in one warning; true when
// all pass.
bool headerTextsValid(const HeaderTexts& header, Dialogs& ui) {
    const QString missing = missingHeaderFields(header);
    if (!missing.isEmpty()) ui.message(missing, MsgIcon::Exclamation);
    return missing.isEmpty();
}

}  // namespace

QString missingHeaderFields(const HeaderTexts& header) {
    QStringList missing;
    if (!isNumeric(header.BPMO)) missing << kPleaseEnterBpm;
    if (!isNumeric(header.BPM)) missing << kPleaseEnterSpeed;
    if (!isNumeric(header.Length)) missing << kPleaseEnterLength;
    return missing.join(QLatin1Char('\n'));
}

double totalFrames(const ChartDocument& doc) {
    const std::optional<double> lastPosition = doc.CoordToPosition(doc.LastCoord);
    if (!lastPosition) return 0;
    const std::optional<int> end = doc.PositionToCoord(*lastPosition + 72, 0);
    if (!end) return 0;
    return doc.CoordToFrames(*end).value_or(0);
}

ComposedChart composeChart(const ChartDocument& doc, int* counter) {
    CStringBuilder text;
    text.reserve(expectedUnits(doc));
    ChartWriter writer(doc, text);
    ComposedChart result;
    try {
        result.combo = writer.compose();
        result.bytes = text.ToAnsiArray(0);
    } catch (...) {
        if (counter) *counter = writer.counter();
        throw;
    }
    if (counter) *counter = writer.counter();
    return result;
}

int SaveFile(ChartDocument& doc, const QString& name, Dialogs& ui, const SaveStyle& style) {
    if (!headerTextsValid(doc.Header, ui)) return 0;
    if (name.isEmpty()) return 0;
    if (const QString problem = fileNameProblem(name); !problem.isEmpty()) {
        ui.message(QStringLiteral("Cannot save to \"") % name % QStringLiteral("\": ") % problem %
                       QLatin1Char('.'),
                   MsgIcon::Exclamation);
        return 0;
    }
    if (style.askOverwrite && FileExists(name) &&
        ui.message(kOverwriteQuestion, MsgIcon::Question, MsgButtons::YesNo) != MsgAnswer::Yes)
        return 0;

    int counter = 0;
    QString description;  // the run-time error, or why the write failed
    try {
        const ComposedChart chart = composeChart(doc, &counter);
        if (WriteFileBytes(name, chart.bytes, &description) == 0) {
            doc.Combo = chart.combo;
            const ReopenDifference diff = reopenDifference(doc, chart.bytes);
            const QString done = QStringLiteral("File saved successfully, All Combo = ") %
                                 QString::number(chart.combo) % QStringLiteral("\nFrames = ") %
                                 numberText(roundHalfEven(totalFrames(doc))) % diff.text();
            // A file that would read back differently is always told in a box.
            if (style.showSuccess && diff.empty())
                style.showSuccess(done);
            else
                ui.message(done, diff.empty() ? MsgIcon::None : MsgIcon::Exclamation);
            return 1;
        }
        description = capitalized(description);
    } catch (const RuntimeError& e) {
        description = e.description();
    } catch (const std::bad_alloc&) {
        description = RuntimeError::describe(rterr::OutOfMemory);
    }
    ui.message(QStringLiteral("Error saving file, debug info:\ni=") % QString::number(counter) %
                   QLatin1Char('\n') % description,
               MsgIcon::Exclamation);
    return 0;
}

}  // namespace lumidex
