// Reading a Pelvaro XML chart file into the chart model.
//
// Loading has two phases. Reading the bytes may fail; the document is then
// left exactly as it was. Once the bytes are read the load always completes:
// each step that meets a value it cannot use (a number too large, a note off
// the chart, a chart that cannot be timed) is skipped and the next one runs.

#include <QDir>
#include <QStringBuilder>

#include <algorithm>
#include <limits>
#include <new>
#include <optional>

#include "ChartFile.h"
#include "FileIO.h"
#include "FileText.h"
#include "Numbers.h"
#include "RuntimeError.h"
#include "Vornix.h"

namespace lumidex {

namespace {

const QString kTagBpm = QStringLiteral("BPM");
const QString kTagEffect = QStringLiteral("EFFECT");
const QString kTagArea = QStringLiteral("AREA");

// Thirty times the largest chart the format can hold: anything larger is not
// a chart, and reading it would only cost memory and time.
constexpr qint64 kMaxChartBytes = qint64(64) << 20;
const QString kTooLarge = QStringLiteral("the entry is larger than 64 MiB");

// The elements a chart is made of. A file with none of them is not a chart.
const QStringList kChartTags = {QStringLiteral("TITLE"),   QStringLiteral("BPM"),
                                QStringLiteral("BGM"),     QStringLiteral("DELAY"),
                                QStringLiteral("LONGCRT"), QStringLiteral("LENGTH"),
                                QStringLiteral("EFFECT"),  QStringLiteral("AREA")};

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
bool holdsChart(const QString& text) {
    return std::any_of(kChartTags.begin(), kChartTags.end(), [&](const QString& tag) {
        int32_t running = 0;
        return PickFullTag(text, tag, running, 1) != kPickError;
    });
}

QString whereFrom(const QString& fn, const QString& pakFn) {
    if (pakFn.isEmpty()) return QStringLiteral("Cannot open chart file \"") % fn % '"';
    return QStringLiteral("Cannot read chart \"") % fn % QStringLiteral("\" from the archive \"") %
           pakFn % '"';
}

// Phase 1: the decoded text, when the bytes hold a chart.
std::optional<QString> chartText(const QByteArray& bytes) {
    QString text = BytesToText(bytes, 0);
    if (holdsChart(text)) return text;
    return std::nullopt;
}

// Reads the bytes and hands them to loadChartBytes. False, with *failure
// set, when there are no bytes, no memory for their text or no chart in them.
bool loadChart(ChartDocument& doc, const QString& fn, int flags, const QString& pakFn,
               QString* failure) {
    try {
        const ChartBytes source = pakFn.isEmpty() ? readPlainFile(fn) : readPakFile(fn, pakFn);
        if (!source.failure.isEmpty()) {
            *failure = source.failure;
            return false;
        }
        if (loadChartBytes(doc, source.bytes, flags)) return true;
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

// Phase 2: fills the model from the text of a chart.
class ChartReader {
  public:
    ChartReader(ChartDocument& doc, const QString& text, int flags)
        : doc_(doc), text_(text), flags_(flags) {}

    void read() {
        forgetPreviousChart();
        readHeader();
        doc_.InitArea();
        readTempo();
        readKeySounds();
        readNotes();
        runStep([&] {
            doc_.LastCoord = std::clamp(lastNoteCoord_, 0, kMaxCoord);
            doc_.Header.Length = QString::number(doc_.LastCoord);
        });
        doc_.Combo = combo_;
    }

  private:
    // Calls visit(element text, slot) for every element of tag in document
    // order until limit of them were stored; slot counts from 1 and moves on
    // when visit answers that it stored the element. Answers how many were
    // stored.
    template <class Visit>
    int forEachElement(const QString& tag, int limit, Visit&& visit) {
        int32_t running = 0;
        int stored = 0;
        while (stored < limit) {
            const int32_t before = running;
            const QString element = PickFullTag(text_, tag, running, 1);
            if (element == kPickError || running <= before) break;
            if (visit(element, stored + 1)) ++stored;
        }
        return stored;
    }

    QString attribute(const QString& tag, const QString& name) const {
        return PickAttribute(text_, tag, 1, name);
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

    // The header values come from the first element of each tag.
    void readHeader() {
        HeaderTexts& h = doc_.Header;
        TempoChange& base = doc_.tempoChange(0);
        h.Name = attribute(QStringLiteral("TITLE"), QStringLiteral("Name"));
        h.BPM = attribute(kTagBpm, QStringLiteral("BPM"));
        runStep([&] { base.Speed = val(h.BPM); });
        h.BPMO = attribute(kTagBpm, QStringLiteral("OriginalBPM"));
        if (h.BPMO == kPickError) h.BPMO = h.BPM;
        runStep([&] { base.Tempo = val(h.BPMO); });
        h.BGM = attribute(QStringLiteral("BGM"), QStringLiteral("Name"));
        h.BGMVolume = attribute(QStringLiteral("BGM"), QStringLiteral("Volume"));
        doc_.keySound(0) = KeySound{h.BGM, h.BGMVolume};
        h.Delay = attribute(QStringLiteral("DELAY"), QStringLiteral("Value"));
        runStep([&] { doc_.Delay = val(h.Delay); });
        const QString longCorrection =
            attribute(QStringLiteral("LONGCRT"), QStringLiteral("Value"));
        if (longCorrection != kPickError)
            runStep([&] { doc_.LongCorrection = toInt32(val(longCorrection)); });
        h.LongCorrectVal = QString::number(doc_.LongCorrection);
    }

    // Every cell gets the base tempo; then each record, in document order,
    // sets the tempo from its own coord to the end. A record's coord is
    // timed over the tempo the records before it have set.
    void readTempo() {
        doc_.TempoCount =
            forEachElement(kTagBpm, kMaxTempoRecord, [&](const QString& element, int slot) {
                // A record with a number too large for a double is left out.
                try {
                    doc_.tempoChange(slot) = readTempoRecord(element);
                    return true;
                } catch (const RuntimeError&) {
                    return false;
                }
            });
        const TempoChange& base = doc_.tempoChange(0);
        doc_.fillSpeedTempoFrom(0, base.Speed, base.Tempo);
        for (int i = 1; i <= doc_.TempoCount; ++i) {
            runStep([&] {
                const TempoChange& record = doc_.tempoChange(i);
                const int coord = require(doc_.FramesToCoordNearest(doc_.Delay + record.Frame));
                if (coord <= kMaxCoord) doc_.fillSpeedTempoFrom(coord, record.Speed, record.Tempo);
            });
        }
    }

    static TempoChange readTempoRecord(const QString& element) {
        TempoChange record;
        record.Speed = val(PickAttribute(element, kTagBpm, 1, QStringLiteral("BPM")));
        const QString tempo = PickAttribute(element, kTagBpm, 1, QStringLiteral("OriginalBPM"));
        record.Tempo = tempo == kPickError ? record.Speed : val(tempo);
        record.Frame = val(PickAttribute(element, kTagBpm, 1, QStringLiteral("Frame")));
        return record;
    }

    void readKeySounds() {
        doc_.KeyCount =
            forEachElement(kTagEffect, kMaxKeySound, [&](const QString& element, int slot) {
                KeySound& key = doc_.keySound(slot);
                key.Snd = PickAttribute(element, kTagEffect, 1, QStringLiteral("Snd"));
                key.Volume = PickAttribute(element, kTagEffect, 1, QStringLiteral("Volume"));
                return true;
            });
    }

    void readNotes() {
        forEachElement(kTagArea, std::numeric_limits<int>::max(), [&](const QString& element, int) {
            runStep([&] { readNote(element); });
            return true;
        });
    }

    // One AREA element: its coord is rounded to the AlignCoord grid, a long
    // note's end is snapped to whole beats after its start.
    void readNote(const QString& element) {
        const double p = val(PickAttribute(element, kTagArea, 1, QStringLiteral("Coord")));
        const int c = require(doc_.PositionToCoord(p, flags_));
        const int n = toInt32(roundHalfEven(c / doc_.AlignCoord) * doc_.AlignCoord);
        // Most notes have no AutoPlay attribute; a plain text search rules
        // that out before the picker parses the element for it.
        static const QString autoPlayName = QStringLiteral("AutoPlay");
        const bool autoPlay = element.contains(autoPlayName) &&
                              PickAttribute(element, kTagArea, 1, autoPlayName) != kPickError;
        const uint8_t k =
            autoPlay ? 5 : toByte(val(PickAttribute(element, kTagArea, 1, QStringLiteral("Kind"))));
        combo_ += ComboWeight(k);
        if (k < 128 || isLongStart(k)) {
            if (isLongStart(k)) longStart_ = n;
            noteAt(n);
            doc_.setNote(n, k, keyIndex(element));
        } else if (isLongEnd(k)) {
            const int end = longNoteEnd(p, c);
            noteAt(end);
            doc_.setKind(end, k);
        } else {
            noteAt(n);
        }
        // Bodies and the unused kinds 146..255 are counted but not stored.
    }

    // LastCoord is the highest coord any element reaches, so a file whose
    // elements are out of coord order (or end in a damaged one) keeps every
    // note above the last element when it is saved again.
    void noteAt(int coord) { lastNoteCoord_ = std::max(lastNoteCoord_, coord); }

    // The key index of a note; 0 when absent or outside 16 bits.
    static int16_t keyIndex(const QString& element) {
        try {
            return toInt16(val(PickAttribute(element, kTagArea, 1, QStringLiteral("FxSndIndex"))));
        } catch (const RuntimeError&) {
            return 0;
        }
    }

    // The first whole beat after the start that reaches the end's coord c,
    // or the beat before it when p lies within LongCorrection of that one.
    int longNoteEnd(double p, int c) const {
        int e = longStart_ + 12;
        while (e < c) e += 12;
        const double beyond = round2(p - require(doc_.CoordToPosition(e - 12)));
        return beyond > doc_.LongCorrection ? e : e - 12;
    }

    ChartDocument& doc_;
    const QString& text_;
    const int flags_;
    int longStart_ = 0;
    int lastNoteCoord_ = 0;
    int combo_ = 0;
};

}  // namespace

QString folderOf(const QString& path) {
    const QString full = QDir::cleanPath(QDir::current().absoluteFilePath(path));
    return full.left(full.lastIndexOf(QLatin1Char('/')) + 1);
}

int loadChartBytes(ChartDocument& doc, const QByteArray& bytes, int flags) {
    const std::optional<QString> text = chartText(bytes);
    if (!text) return 0;
    ChartReader(doc, *text, flags).read();
    return 1;
}

int LoadFile(ChartDocument& doc, const QString& fn, int flags, const QString& pakFn, Dialogs& ui,
             QString* chartDir) {
    if (fn.isEmpty()) return 0;
    std::optional<BusyPointer> busy(std::in_place, ui);

    QString failure;
    if (!loadChart(doc, fn, flags, pakFn, &failure)) {
        busy.reset();
        ui.message(failure, MsgIcon::Exclamation);
        return 0;
    }

    const double frames = totalFrames(doc);
    busy.reset();
    ui.message(QStringLiteral("File opened successfully, All Combo = ") %
               QString::number(doc.Combo) % QStringLiteral("\nFrames = ") %
               numberText(roundHalfEven(frames)));

    if (pakFn.isEmpty()) {
        if (chartDir) *chartDir = folderOf(fn);
    } else {
        if (chartDir) *chartDir = folderOf(pakFn);
        doc.Header.MusicPath.clear();
    }
    return 1;
}

}  // namespace lumidex
