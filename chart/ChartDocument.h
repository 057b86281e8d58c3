#pragma once
// The chart being edited: a fixed grid of 30001 coord cells, each with its
// note and the tempo and scroll speed in force there, the key sound list, the
// chart-wide scalars and the texts of the header fields.
//
// Time axes. A coord is a twelfth of a beat. A cell lasts 300 / Tempo frames
// (a frame is 1/60 s) and advances the scroll position by Speed / Tempo. The
// conversions between the axes answer exactly what a walk over the cells from
// coord 0 would answer, bit for bit, but in O(1) or O(log n): the document
// keeps cumulative sums, made with the same additions in the same order, and
// brings them up to date lazily after a cell's Speed or Tempo changes.
//
// A cell whose Tempo is 0 (or whose sums overflow) cannot be timed: every
// conversion whose walk passes it answers std::nullopt. Callers skip the step
// that needed the time, or use require() to turn it into a "Division by zero"
// run-time error.
//
// Not thread-safe: the conversions update caches. The document belongs to the
// window thread.

#include <QString>

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "RuntimeError.h"

namespace lumidex {

constexpr int kMaxCoord = 30000;  // cells are coords 0..30000
constexpr int kCellCount = kMaxCoord + 1;
constexpr int kMaxKeySound = 2000;     // KeySound slots 0..2000, 0 is the music
constexpr int kMaxTempoRecord = 1000;  // TempoChange slots 0..1000
constexpr int kKindSlots = 146;        // kinds with a picture and a palette entry: 0..145

// One coord cell.
struct NoteEntry {
    uint8_t Kind = 0;        // 0 = no note
    int16_t FxSndIndex = 0;  // 1-based key sound index, 0 = none
    double Speed = 0;        // scroll speed in force here, in beats per minute
    double Tempo = 0;        // music tempo in force here, in beats per minute
};

// A BPM element as read from a file; only used while loading.
struct TempoChange {
    double Speed = 0;  // the BPM attribute
    double Tempo = 0;  // the OriginalBPM attribute (or Speed when absent)
    double Frame = 0;  // the Frame attribute
};

// A sound list entry. Slot 0 is the background music, 1..KeyCount key sounds.
struct KeySound {
    QString Snd;     // file name as written in the chart
    QString Volume;  // volume as text, never normalised ("1.00")
};

// The header values that live as texts in the "Music Info" fields. The window
// keeps its text boxes in step with these; the loader fills them and the saver
// reads them.
struct HeaderTexts {
    QString Name;                                            // txName: music name
    QString BPM;                                             // txBPM: "Current Speed"
    QString BPMO;                                            // txBPMO: "Current BPM"
    QString BGM = QStringLiteral("mr.mp3");                  // txBGM: music file
    QString BGMVolume = QStringLiteral("1.00");              // txBGMVolume: music volume
    QString Delay;                                           // txDelay
    QString LongCorrectVal;                                  // txLongCorrectVal
    QString Length;                                          // txLength: "Note Length"
    QString MusicPath = QStringLiteral("../../pvx_music/");  // txMusicPath
};

// Combo weight of a note kind: 1 for 16..23, 26..34 and the long-note starts
// and ends, 2 for the tower 24, 0 for everything else (bodies included).
int ComboWeight(uint8_t kind);

// The Level attribute written for a kind.
int KindToLevel(int kind);

// Long notes use three consecutive kinds from 128 to 145.
inline bool isLongStart(int kind) {
    return kind >= 128 && kind <= 145 && kind % 3 == 2;
}
inline bool isLongBody(int kind) {
    return kind >= 128 && kind <= 145 && kind % 3 == 0;
}
inline bool isLongEnd(int kind) {
    return kind >= 128 && kind <= 145 && kind % 3 == 1;
}

// Kinds without a picture or a meaning in the editor (1..4, 6..15,
// 35..127). A chart keeps such notes as its file has them and saves them
// back unchanged.
inline bool isUnusedKind(int kind) {
    return (kind >= 1 && kind <= 4) || (kind >= 6 && kind <= 15) || (kind >= 35 && kind <= 127);
}

class ChartDocument {
  public:
    ChartDocument();

    // ---- cells -------------------------------------------------------------
    // Reading or writing a coord outside 0..30000 throws
    // RuntimeError(SubscriptOutOfRange).
    const NoteEntry& cell(int coord) const;
    void setKind(int coord, uint8_t kind);
    void setFxSndIndex(int coord, int16_t index);
    void setNote(int coord, uint8_t kind, int16_t index);
    void setSpeed(int coord, double speed);
    void setTempo(int coord, double tempo);
    void setSpeedTempo(int coord, double speed, double tempo);
    // Every cell from coord to 30000 gets speed and tempo. Cheap: the tail is
    // written lazily, as far as anything reads it.
    void fillSpeedTempoFrom(int coord, double speed, double tempo);

    // Resets all cells to zero (no note, no key, no tempo). The scalars and the
    // lists are left alone; the loader sets them.
    void InitArea();

    // ---- conversions between coords, frames and positions ------------------
    // Frames from coord 0 to the start of coord (clamped to 30000; 0 for
    // coord <= 0): the sum of 300 / Tempo over the cells before it.
    std::optional<double> CoordToFrames(int coord) const;
    // Position of coord: the sum of Speed / Tempo over the cells before it.
    std::optional<double> CoordToPosition(int coord) const;
    // The coord whose start time is nearest to frames. Walking i = 0, 1, ...
    // with acc the end time of cell i and prev its start, the walk stops at the
    // first i with |acc - t| < 0.0001 or acc > t; the answer is i when
    // t - prev < acc - t, else i + 1 (a tie goes up). 30000 when nothing
    // stops the walk; 30001 is possible for a time in the last cell's second
    // half, which callers treat as past the end.
    std::optional<int> FramesToCoordNearest(double frames) const;
    // The coord whose span contains the time: the first i whose end time is
    // greater than frames; 30000 when none is.
    std::optional<int> FramesToCoordFloor(double frames) const;
    // As FramesToCoordNearest over positions. With roundUp non-zero the answer
    // is always i + 1: the smallest coord of at least 1 whose position is not
    // below position - 0.0001.
    std::optional<int> PositionToCoord(double position, int roundUp) const;

    // ---- lists -------------------------------------------------------------
    // Checked access to slots 0..2000 and 0..1000; throws
    // RuntimeError(SubscriptOutOfRange) outside.
    KeySound& keySound(int slot);
    const KeySound& keySound(int slot) const;
    TempoChange& tempoChange(int slot);
    const TempoChange& tempoChange(int slot) const;

    // ---- scalars -----------------------------------------------------------
    int32_t LastCoord = 0;       // chart length in coords
    double Delay = 0;            // music offset against coord 0, in frames
    int32_t LongCorrection = 4;  // long-note end tolerance, in position units
    int32_t KeyCount = 0;        // key sounds in slots 1..KeyCount
    int32_t TempoCount = 0;      // BPM elements read by the last load
    int32_t Combo = 0;           // "All Combo"
    double AlignCoord = 1;       // note grid of the loader: 1, 2, 3, 4 or 6

    HeaderTexts Header;

  private:
    struct Axis {
        std::vector<double> sum;  // sum[k]: total over cells 0..k-1
        std::vector<double> max;  // max[k]: largest of sum[1..k]
        int firstBad;             // first k whose sum is not finite, or kNone
    };
    static constexpr int kNone = 1 << 30;
    static constexpr int kSums = kCellCount + 1;  // sum[0..30001]

    void checkCoord(int coord) const;
    void materialize(int end) const;
    void invalidateFrom(int coord);
    void extendTo(int k) const;
    // Smallest k in 1..30001 whose sum satisfies stop (a predicate that is
    // monotone in the sum); kNone when the walk ends without a stop; -1 when
    // the walk meets a cell that cannot be timed first.
    template <class Stop>
    int findStop(const Axis& axis, Stop stop) const;
    std::optional<int> nearest(const Axis& axis, double t, int roundUp) const;

    mutable std::vector<NoteEntry> cells_;
    // Cells from pendingFrom_ on hold pendingSpeed_/pendingTempo_ logically
    // but have not been written yet.
    mutable int pendingFrom_ = kCellCount;
    double pendingSpeed_ = 0;
    double pendingTempo_ = 0;
    // Sums are valid for k <= validTo_.
    mutable int validTo_ = 0;
    mutable Axis frames_;
    mutable Axis positions_;

    std::array<KeySound, kMaxKeySound + 1> keySounds_;
    std::array<TempoChange, kMaxTempoRecord + 1> tempoChanges_;
};

// The value of a time computation, or RuntimeError(DivisionByZero) when the
// chart cannot be timed there.
template <class T>
T require(const std::optional<T>& value) {
    if (!value) throw RuntimeError(rterr::DivisionByZero);
    return *value;
}

}  // namespace lumidex
