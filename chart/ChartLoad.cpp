// Reading a Pelvaro XML chart file into the chart model.
//
// Loading has two phases. Reading the bytes may fail; the document is then
// left exactly as it was. Once the bytes are read the load always completes:
// each step that meets a value it cannot use (a number too large, a note off
// the chart, a chart that cannot be timed) is skipped and the next one runs.

#include <QDir>
#include <QStringBuilder>
#include <QStringDecoder>

#include <algorithm>
#include <cmath>
#include <limits>
#include <new>
#include <optional>

#include "ChartFile.h"
#include "FileIO.h"
#include "FileText.h"
#include "Numbers.h"
#include "RuntimeError.h"
#include "ValueLimits.h"
#include "Vornix.h"

namespace lumidex {

namespace {

constexpr QStringView kTagBpm = u"BPM";
constexpr QStringView kTagEffect = u"EFFECT";
constexpr QStringView kTagArea = u"AREA";

// Thirty times the largest chart the format can hold: anything larger is not
// a chart, and reading it would only cost memory and time.
constexpr qint64 kMaxChartBytes = qint64(64) << 20;
const QString kTooLarge = QStringLiteral("the entry is larger than 64 MiB");

// The elements a chart is made of. A file with none of them is not a chart.
// The most frequent come first: the index looks a tag up in this order.
constexpr QStringView kChartTags[] = {u"AREA", u"EFFECT", u"BPM",     u"TITLE",
                                      u"BGM",  u"DELAY",  u"LONGCRT", u"LENGTH"};

// Runs one step of filling the model; a run-time error skips only that step.
template <class Step>
void runStep(Step&& step) {
    try {
        step();
    } catch (const RuntimeError&) {
    }
}

QString withoutFinalStop(QString reason) {
    while (reason.endsWith(QLatin1Char('.'))) reason.chop(1);
    return reason;
}

// The chart's bytes, or the text of the warning that says why there are none.
struct ChartBytes {
    QByteArray bytes;
    QString failure;  // empty when bytes hold the chart
};

ChartBytes readPlainFile(const QString& fn) {
    ChartBytes result;
    QString reason;
    if (ReadFileBytes(fn, result.bytes, &reason, kMaxChartBytes) != 0) {
        if (reason.isEmpty()) reason = QStringLiteral("the file cannot be read");
        result.failure = QStringLiteral("Cannot open chart file \"") % fn % QStringLiteral("\": ") %
                         withoutFinalStop(reason) % QLatin1Char('.');
    }
    return result;
}

ChartBytes readPakFile(const QString& entry, const QString& pakFn) {
    ChartBytes result;
    int16_t none = 0;
    const bool tooLarge = vornix::GetFileFromPakW(&none, 0, pakFn, entry) > kMaxChartBytes;
    if (!tooLarge) result.bytes = readPakEntry(pakFn, entry, kMaxChartBytes);
    if (result.bytes.isEmpty()) {
        const QString reason = tooLarge ? kTooLarge
                               : FileExists(pakFn)
                                   ? QStringLiteral(
                                         "the archive holds no readable, non-empty entry "
                                         "of that name")
                                   : QStringLiteral("the archive was not found");
        result.failure = QStringLiteral("Cannot read chart \"") % entry %
                         QStringLiteral("\" from the archive \"") % pakFn % QStringLiteral("\": ") %
                         reason % QLatin1Char('.');
    }
    return result;
}

// True when the text holds at least one element a chart is made of.
bool holdsChart(const vornix::XmlElements& elements) {
    return std::any_of(std::begin(kChartTags), std::end(kChartTags),
                       [&](QStringView tag) { return elements.has(tag); });
}

QString whereFrom(const QString& fn, const QString& pakFn) {
    if (pakFn.isEmpty()) return QStringLiteral("Cannot open chart file \"") % fn % '"';
    return QStringLiteral("Cannot read chart \"") % fn % QStringLiteral("\" from the archive \"") %
           pakFn % '"';
}

// True when the bytes begin with an XML declaration naming UTF-8.
bool declaresUtf8(const QByteArray& bytes) {
    const QByteArray head = bytes.left(200).toLower();
    if (!head.startsWith("<?xml")) return false;
    const qsizetype close = head.indexOf("?>");
    const QByteArray declaration = head.left(close < 0 ? head.size() : close);
    const qsizetype at = declaration.indexOf("encoding");
    if (at < 0) return false;
    QByteArray value = declaration.mid(at + 8).trimmed();
    if (!value.startsWith('=')) return false;
    value = value.mid(1).trimmed();
    return value.startsWith("\"utf-8\"") || value.startsWith("'utf-8'") ||
           value.startsWith("\"utf8\"") || value.startsWith("'utf8'");
}

// True when every byte is below 0x80. Such bytes carry no byte-order mark
// and read the same in GB18030, UTF-8 and Latin-1.
bool isAscii(const QByteArray& bytes) {
    return QtPrivate::isAscii(QLatin1StringView(bytes));  // Qt's vectorised test
}

// The text of the bytes: by their byte-order mark, else as UTF-8 when they
// declare it and are valid UTF-8, else as GB18030 (what the saver writes).
QString decodeChart(const QByteArray& bytes) {
    if (isAscii(bytes)) return QString::fromLatin1(bytes);
    if (declaresUtf8(bytes)) {
        QStringDecoder utf8(QStringDecoder::Utf8);
        QString text = utf8.decode(bytes);
        if (!utf8.hasError()) return text;
    }
    return BytesToText(bytes, 0);
}

// Reads the bytes and hands them to loadChartBytes. False, with *failure
// set, when there are no bytes, no memory for their text or no chart in them.
bool loadChart(ChartDocument& doc, const QString& fn, int flags, const QString& pakFn,
               LoadReport* report, QString* failure) {
    try {
        const ChartBytes source = pakFn.isEmpty() ? readPlainFile(fn) : readPakFile(fn, pakFn);
        if (!source.failure.isEmpty()) {
            *failure = source.failure;
            return false;
        }
        if (loadChartBytes(doc, source.bytes, flags, report)) return true;
        *failure =
            whereFrom(fn, pakFn) % QStringLiteral(
                                       ": it holds no chart (no TITLE, BPM, BGM, DELAY, LONGCRT, "
                                       "LENGTH, EFFECT or AREA element).");
        return false;
    } catch (const RuntimeError& e) {
        *failure = e.description();
    } catch (const std::bad_alloc&) {
        *failure = RuntimeError::describe(rterr::OutOfMemory);
    }
    if (failure->isEmpty()) failure->append(whereFrom(fn, pakFn));
    return false;
}

// Phase 2: fills the model from the elements of a chart.
class ChartReader {
  public:
    using Element = vornix::XmlElements::Element;

    ChartReader(ChartDocument& doc, const vornix::XmlElements& elements, int flags,
                LoadReport& report)
        : doc_(doc), elements_(elements), flags_(flags), report_(report) {}

    void read() {
        forgetPreviousChart();
        readHeader();
        doc_.InitArea();
        readTempo();
        readKeySounds();
        readNotes();
        runStep([&] {
            doc_.LastCoord = std::max(lengthValue(), std::clamp(lastNoteCoord_, 0, kMaxCoord));
            doc_.Header.Length = QString::number(doc_.LastCoord);
        });
        doc_.Combo = combo_;
    }

  private:
    // Calls visit(element, slot) for every element of tag in document order
    // until limit of them were stored; slot counts from 1 and moves on when
    // visit answers that it stored the element. Answers how many were
    // stored; *beyond (when given) receives how many were left past limit.
    template <class Visit>
    int forEachElement(QStringView tag, int limit, Visit&& visit, int* beyond = nullptr) {
        int stored = 0;
        for (const Element& element : elements_.elements(tag)) {
            if (stored >= limit) {
                if (!beyond) break;
                ++*beyond;
                continue;
            }
            if (visit(element, stored + 1)) ++stored;
        }
        return stored;
    }

    // A header text: the attribute of the first element of tag, or the
    // literal "^ERROR" when it is missing.
    QString attribute(QStringView tag, QStringView name) const {
        const std::optional<QStringView> value = elements_.firstAttribute(tag, name);
        return value ? value->toString() : kPickError;
    }

    // Values a step may fail to set start from their defaults, so nothing of
    // the chart loaded before survives.
    void forgetPreviousChart() {
        doc_.tempoChange(0) = TempoChange{};
        doc_.Delay = 0;
        doc_.LongCorrection = 4;
        doc_.TempoCount = 0;
        doc_.KeyCount = 0;
        doc_.LastCoord = 0;
        doc_.Combo = 0;
        for (int slot = 0; slot <= kMaxKeySound; ++slot) doc_.keySound(slot) = KeySound{};
    }

    // A header number the chart can hold, or nullopt (reported) when the
    // file's value is beyond what a chart can hold and the default is kept.
    std::optional<double> headerNumber(const QString& tag, const QString& text, ChartValue value) {
        double v = 0;
        try {
            v = val(text);
        } catch (const RuntimeError&) {
            v = std::numeric_limits<double>::infinity();
        }
        if (withinLimits(value, v)) return fileValue(v);
        report_.values << tag % QStringLiteral(" \"") % text %
                              QStringLiteral("\" was not taken: ") % limitReason(value);
        return std::nullopt;
    }

    // The header values come from the first element of each tag. The tempo
    // of the first BPM element is taken by readTempo, with the others.
    void readHeader() {
        HeaderTexts& h = doc_.Header;
        h.Name = attribute(u"TITLE", u"Name");
        h.BPM = attribute(kTagBpm, u"BPM");
        h.BPMO = attribute(kTagBpm, u"OriginalBPM");
        if (h.BPMO == kPickError) h.BPMO = h.BPM;
        h.BGM = attribute(u"BGM", u"Name");
        h.BGMVolume = attribute(u"BGM", u"Volume");
        doc_.keySound(0) = KeySound{h.BGM, h.BGMVolume};
        h.Delay = attribute(u"DELAY", u"Value");
        if (h.Delay != kPickError) {
            const std::optional<double> delay =
                headerNumber(QStringLiteral("DELAY"), h.Delay, ChartValue::Delay);
            if (delay) doc_.Delay = *delay;
        }
        const QString longCorrection = attribute(u"LONGCRT", u"Value");
        if (longCorrection != kPickError) {
            const std::optional<double> v =
                headerNumber(QStringLiteral("LONGCRT"), longCorrection, ChartValue::LongCorrection);
            if (v) doc_.LongCorrection = toInt32(*v);
        }
        h.LongCorrectVal = QString::number(doc_.LongCorrection);
    }

    // Every cell gets the base tempo (that of the first BPM element); then
    // each record, in document order, sets the tempo from its own coord to
    // the end. A record's coord is timed over the tempo the records before
    // it have set. Records whose tempo or speed a chart cannot hold are
    // repaired or left out (and reported), so every note can be placed.
    void readTempo() {
        int element = 0;
        doc_.TempoCount = forEachElement(
            kTagBpm, kMaxTempoRecord,
            [&](const Element& e, int slot) {
                const std::optional<TempoChange> record = readTempoRecord(e, ++element);
                if (record) doc_.tempoChange(slot) = *record;
                return record.has_value();
            },
            &report_.bpmBeyond);
        TempoChange& base = doc_.tempoChange(0);
        base = doc_.TempoCount > 0 ? doc_.tempoChange(1) : TempoChange{120, 120, 0};
        report_.noTempo = doc_.TempoCount == 0;
        const auto first = [](const std::vector<int>& numbers) {
            return !numbers.empty() && numbers.front() == 1;
        };
        // The boxes show the base tempo as the file writes it, unless it
        // was repaired.
        if (report_.noTempo || first(report_.tempoRepaired) || first(report_.tempoLeftOut)) {
            doc_.Header.BPM = numberText(base.Speed);
            doc_.Header.BPMO = numberText(base.Tempo);
        }
        doc_.fillSpeedTempoFrom(0, base.Speed, base.Tempo);
        for (int i = 1; i <= doc_.TempoCount; ++i) {
            runStep([&] {
                const TempoChange& record = doc_.tempoChange(i);
                const int coord = require(doc_.FramesToCoordNearest(doc_.Delay + record.Frame));
                if (coord <= kMaxCoord) doc_.fillSpeedTempoFrom(coord, record.Speed, record.Tempo);
            });
        }
    }

    // A number of a BPM element, or NaN when it is absent, unreadable or
    // beyond what a chart can hold.
    static double tempoNumber(std::optional<QStringView> text, ChartValue value) {
        if (!text) return std::numeric_limits<double>::quiet_NaN();
        try {
            const double v = val(*text);
            if (withinLimits(value, v)) return fileValue(v);
        } catch (const RuntimeError&) {
        }
        return std::numeric_limits<double>::quiet_NaN();
    }

    // One BPM element: a tempo or speed beyond the limits takes the other
    // one's value (as an absent OriginalBPM does); with neither usable, or a
    // frame too large for a double, the element is left out.
    std::optional<TempoChange> readTempoRecord(const Element& element, int number) {
        std::optional<QStringView> values[3];
        elements_.attributes(element, {u"BPM", u"OriginalBPM", u"Frame"}, values);
        const auto& [speedText, tempoText, frameText] = values;
        TempoChange record;
        record.Speed = tempoNumber(speedText, ChartValue::Speed);
        record.Tempo = tempoText ? tempoNumber(tempoText, ChartValue::Tempo) : record.Speed;
        std::optional<double> frame;
        try {
            frame = frameText ? val(*frameText) : 0.0;
        } catch (const RuntimeError&) {
        }
        const bool speedOk = !std::isnan(record.Speed), tempoOk = !std::isnan(record.Tempo);
        if (!frame || (!speedOk && !tempoOk)) {
            report_.tempoLeftOut.push_back(number);
            return std::nullopt;
        }
        record.Frame = *frame;
        if (!speedOk || !tempoOk) {
            report_.tempoRepaired.push_back(number);
            if (!speedOk) record.Speed = record.Tempo;
            if (!tempoOk) record.Tempo = record.Speed;
        }
        return record;
    }

    void readKeySounds() {
        doc_.KeyCount = forEachElement(
            kTagEffect, kMaxKeySound,
            [&](const Element& element, int slot) {
                std::optional<QStringView> values[2];
                elements_.attributes(element, {u"Snd", u"Volume"}, values);
                KeySound& key = doc_.keySound(slot);
                key.Snd = values[0] ? values[0]->toString() : kPickError;
                key.Volume = values[1] ? values[1]->toString() : kPickError;
                return true;
            },
            &report_.effectBeyond);
    }

    void readNotes() {
        forEachElement(kTagArea, std::numeric_limits<int>::max(), [&](const Element& element, int) {
            runStep([&] { readNote(element); });
            return true;
        });
    }

    // A valid LENGTH (a number in 0..30000) is the author's "Note Length";
    // the chart reaches at least that far. -1 without one.
    int lengthValue() const {
        const std::optional<QStringView> text = elements_.firstAttribute(u"LENGTH", u"Value");
        if (!text || !isNumeric(*text)) return -1;
        const double v = roundHalfEven(val(*text));
        return v >= 0 && v <= kMaxCoord ? int(v) : -1;
    }

    // The coord a note at position p stands on, or nullopt when it lies off
    // the chart: nearer to a coord below 0 or above 30000 than to the chart.
    std::optional<int> noteCoord(double p) const {
        const NoteEntry& first = doc_.cell(0);
        if (p < -0.5 * first.Speed / first.Tempo) return std::nullopt;
        const int c = require(doc_.PositionToCoord(p, flags_));
        if (c < kMaxCoord) return c;
        // Only a note at the end needs the position of the whole chart.
        const NoteEntry& last = doc_.cell(kMaxCoord);
        const double top = require(doc_.CoordToPosition(kMaxCoord)) + 0.5 * last.Speed / last.Tempo;
        if (c > kMaxCoord || p >= top) return std::nullopt;
        return c;
    }

    // The attributes of an AREA element the loader reads.
    struct NoteTexts {
        std::optional<QStringView> coord, kind, key, autoPlay;
    };
    NoteTexts noteTexts(const Element& element) const {
        std::optional<QStringView> v[4];
        elements_.attributes(element, {u"Coord", u"Kind", u"FxSndIndex", u"AutoPlay"}, v);
        return NoteTexts{v[0], v[1], v[2], v[3]};
    }

    // The kind of a note, or nullopt (reported) for a value beyond 0..255.
    std::optional<uint8_t> noteKind(const NoteTexts& note) {
        if (note.autoPlay) return uint8_t(5);
        try {
            return toByte(note.kind ? val(*note.kind) : 0.0);
        } catch (const RuntimeError&) {
            ++report_.notesBadKind;
            return std::nullopt;
        }
    }

    // One AREA element: its coord is rounded to the AlignCoord grid, a long
    // note's end is snapped to whole beats after its start. A note off the
    // chart is counted, not stored.
    void readNote(const Element& element) {
        const NoteTexts note = noteTexts(element);
        const std::optional<uint8_t> kind = noteKind(note);
        if (!kind) return;
        const uint8_t k = *kind;
        double p = 0;
        try {
            p = note.coord ? val(*note.coord) : 0.0;
        } catch (const RuntimeError&) {
            p = std::numeric_limits<double>::infinity();  // too large for a double: off the chart
        }
        const std::optional<int> c = noteCoord(p);
        if (!c) {
            ++report_.notesOffChart;
            return;
        }
        const int n = toInt32(roundHalfEven(*c / doc_.AlignCoord) * doc_.AlignCoord);
        if (isLongEnd(k)) {
            int end = longNoteEnd(doc_, longStart_, p, *c);
            // An end snapped onto its own head would replace it: it goes one
            // beat after the head instead.
            if (end == longStart_ && isLongStart(doc_.cell(end).Kind)) {
                end += 12;
                ++report_.longEndsMoved;
            }
            if (end > kMaxCoord) {
                ++report_.notesOffChart;
                return;
            }
            combo_ += ComboWeight(k);
            noteAt(end);
            replaceAt(end);
            doc_.setKind(end, k);
            return;
        }
        combo_ += ComboWeight(k);
        noteAt(n);
        if (k < 128 || isLongStart(k)) {
            replaceAt(n);
            if (isLongStart(k)) longStart_ = n;
            if (isUnusedKind(k)) ++report_.notesUnusedKind;
            doc_.setNote(n, k, keyIndex(note.key));
        } else if (!isLongBody(k)) {
            ++report_.notesBadKind;  // 146..255: no such note
        }
    }

    // LastCoord is the highest coord any element reaches, so a file whose
    // elements are out of coord order (or end in a damaged one) keeps every
    // note above the last element when it is saved again.
    void noteAt(int coord) { lastNoteCoord_ = std::max(lastNoteCoord_, coord); }

    // The later of two elements at one coord wins; the note it replaces is
    // told and leaves the combo, so the count shown is that of the chart.
    void replaceAt(int coord) {
        const uint8_t old = doc_.cell(coord).Kind;
        if (old == 0) return;
        ++report_.notesReplaced;
        combo_ -= ComboWeight(old);
    }

    // The key index of a note; 0 when absent or outside 16 bits.
    static int16_t keyIndex(std::optional<QStringView> text) {
        try {
            return text ? toInt16(val(*text)) : int16_t(0);
        } catch (const RuntimeError&) {
            return 0;
        }
    }

    ChartDocument& doc_;
    const vornix::XmlElements& elements_;
    const int flags_;
    LoadReport& report_;
    int longStart_ = 0;
    int lastNoteCoord_ = 0;
    int combo_ = 0;
};

}  // namespace

QString folderOf(const QString& path) {
    const QString full = QDir::cleanPath(QDir::current().absoluteFilePath(path));
    return full.left(full.lastIndexOf(QLatin1Char('/')) + 1);
}

int longNoteEnd(const ChartDocument& doc, int start, double p, int c) {
    int e = start + 12;
    while (e < c) e += 12;
    const double beyond = round2(p - require(doc.CoordToPosition(e - 12)));
    return beyond > doc.LongCorrection ? e : e - 12;
}

int loadChartBytes(ChartDocument& doc, const QByteArray& bytes, int flags, LoadReport* report) {
    // One walk over the decoded text finds every element; the reader takes
    // views of it, so nothing of the text is copied but the texts the chart
    // keeps.
    const QString text = decodeChart(bytes);
    const vornix::XmlElements elements(text, {std::begin(kChartTags), std::end(kChartTags)});
    if (!holdsChart(elements)) return 0;
    LoadReport local;
    ChartReader(doc, elements, flags, report ? *report : local).read();
    return 1;
}

int LoadFile(ChartDocument& doc, const QString& fn, int flags, const QString& pakFn, Dialogs& ui,
             QString* chartDir) {
    if (fn.isEmpty()) return 0;
    std::optional<BusyPointer> busy(std::in_place, ui);

    QString failure;
    LoadReport report;
    if (!loadChart(doc, fn, flags, pakFn, &report, &failure)) {
        busy.reset();
        ui.message(failure, MsgIcon::Exclamation);
        return 0;
    }

    const double frames = totalFrames(doc);
    busy.reset();
    ui.message(QStringLiteral("File opened successfully, All Combo = ") %
                   QString::number(doc.Combo) % QStringLiteral("\nFrames = ") %
                   numberText(roundHalfEven(frames)) % report.text(),
               report.empty() ? MsgIcon::None : MsgIcon::Exclamation);

    if (pakFn.isEmpty()) {
        if (chartDir) *chartDir = folderOf(fn);
    } else {
        if (chartDir) *chartDir = folderOf(pakFn);
        doc.Header.MusicPath.clear();
    }
    return 1;
}

}  // namespace lumidex
