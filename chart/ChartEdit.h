#pragma once
// Every change the user makes to the chart goes through a ChartEdit: the
// editing, batch and key list code never write the document directly.
//
// A ChartEdit groups the writes of one user action into a step (a click, a
// whole drag from press to release, a paste, a purge) and records, for that
// step, what it changed: each cell, key sound slot, chart scalar and header
// text it touched, with its value before and after. When the step ends the
// record goes to the recorder (the undo history), which keeps it, and then
// to the listeners: the window (Modified, repaint, key list) and playback
// (the notes ahead changed). A step whose writes put everything back as it
// was records nothing and tells no one.
//
// Opening or creating a chart is not an edit: the loader fills the document
// directly and then calls replaced(), which ends any open step without a
// record and tells the listeners that the whole document is new.
//
// Undo and redo are not edits either: the history hands a record it keeps to
// replay(), which writes it back and tells the listeners.
//
// Belongs to the window thread, as the document does.

#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

#include "ChartDocument.h"

namespace lumidex {

bool operator==(const NoteEntry& a, const NoteEntry& b);
bool operator==(const KeySound& a, const KeySound& b);
bool operator==(const HeaderTexts& a, const HeaderTexts& b);

// The values of the document outside its cells and key list that edits
// change.
struct ChartScalars {
    int32_t LastCoord = 0;
    double Delay = 0;
    int32_t LongCorrection = 0;
    int32_t KeyCount = 0;
    int32_t Combo = 0;
    HeaderTexts Header;

    static ChartScalars of(const ChartDocument& doc);
    void writeTo(ChartDocument& doc) const;
    bool operator==(const ChartScalars& o) const;
};

struct CellChange {
    int32_t coord;
    NoteEntry before;
    NoteEntry after;
};

struct KeyChange {
    int32_t slot;
    KeySound before;
    KeySound after;
};

// What one step changed. Cells and keys appear once each, in the order the
// step first touched them, and only when their value really changed.
struct ChartChange {
    QString action;  // what the user did, for the undo menu ("Paste")
    std::vector<CellChange> cells;
    std::vector<KeyChange> keys;
    std::optional<ChartScalars> scalarsBefore;  // both set when a scalar changed
    std::optional<ChartScalars> scalarsAfter;

    bool empty() const { return cells.empty() && keys.empty() && !scalarsBefore; }
    // The lowest changed coord; kCellCount when no cell changed.
    int32_t firstCoord() const;
    // Puts the document back as it was before the step, or as it was after.
    void revert(ChartDocument& doc) const;
    void reapply(ChartDocument& doc) const;
    // Memory the record holds, for bounding a history of them.
    size_t bytes() const;
};

class ChartEditListener {
  public:
    virtual ~ChartEditListener() = default;
    // Must not write through the ChartEdit while being told.
    virtual void chartChanged(const ChartChange& change) = 0;
    // A chart was opened or created: nothing from before applies any more.
    virtual void chartReplaced() {}
};

// The keeper of the records (the undo history): it hears of each step before
// any listener does, so listeners may ask it about the step.
class ChartEditRecorder {
  public:
    virtual ~ChartEditRecorder() = default;
    // Keeps what it needs of change.
    virtual void record(const ChartChange& change) = 0;
    // A chart was opened or created: the records kept so far no longer apply.
    virtual void chartReplaced() = 0;
};

class ChartEdit {
  public:
    explicit ChartEdit(ChartDocument& doc);
    ChartEdit(const ChartEdit&) = delete;
    ChartEdit& operator=(const ChartEdit&) = delete;

    const ChartDocument& doc() const { return doc_; }

    // Listeners are told in the order they were added; they must outlive the
    // ChartEdit or be removed first.
    void addListener(ChartEditListener* listener);
    void removeListener(ChartEditListener* listener);
    // The one recorder, or nullptr for none; it must outlive the ChartEdit
    // or be unset first.
    void setRecorder(ChartEditRecorder* recorder) { recorder_ = recorder; }

    // Starts a step named action. A begin inside a step joins the outer one
    // (its name is kept), so a command may call others that make their own
    // steps. A write outside any step is a step of its own, named "".
    void begin(const QString& action);
    // Ends the step begun last; the outermost commit records the step and
    // tells the listeners.
    void commit();
    bool inStep() const { return depth_ > 0; }
    // Room for n more cell records in the open step, for a command that
    // knows it is about to change many cells.
    void reserveCells(size_t n) { open_.cells.reserve(open_.cells.size() + n); }

    // ---- writes: as the document's own, each recorded ---------------------
    // Coords outside 0..30000 and slots outside 0..2000 throw
    // RuntimeError(SubscriptOutOfRange) and change nothing.
    void setNote(int coord, uint8_t kind, int16_t index);
    void setKind(int coord, uint8_t kind);
    void setFxSndIndex(int coord, int16_t index);
    void setSpeed(int coord, double speed);
    void setTempo(int coord, double tempo);
    void setSpeedTempo(int coord, double speed, double tempo);
    void setKeySound(int slot, const KeySound& key);
    void setKeyCount(int32_t count);
    void setLastCoord(int32_t lastCoord);
    void setDelay(double delay);
    void setLongCorrection(int32_t value);
    void setCombo(int32_t combo);
    void setHeader(const HeaderTexts& header);

    // The document was filled anew (open, new): ends any open step without
    // a record and tells the listeners.
    void replaced();

    // Undo and redo: writes the after values of a change the history made
    // from its records (for an undo, the values from before the step) and
    // tells the listeners, not the recorder, as a step of the change's
    // name. Refused (false, nothing written) while a step is open, whose
    // record would otherwise take in the replayed writes.
    bool replay(const ChartChange& change);

  private:
    class Scope;
    void touchCell(int coord);
    void touchKey(int slot);
    void touchScalars();
    ChartChange finish();
    void tell(const ChartChange& change);

    ChartDocument& doc_;
    std::vector<ChartEditListener*> listeners_;
    ChartEditRecorder* recorder_ = nullptr;
    int depth_ = 0;
    uint32_t serial_ = 1;  // the open step's number; marks what it touched
    ChartChange open_;
    std::vector<uint32_t> cellTouched_;
    std::vector<uint32_t> keyTouched_;
};

// Begins a step on construction and commits it when it goes out of scope,
// also when an exception leaves the scope (what was written is recorded).
class EditStep {
  public:
    EditStep(ChartEdit& edit, const QString& action) : edit_(edit) { edit_.begin(action); }
    ~EditStep() noexcept(false);
    EditStep(const EditStep&) = delete;
    EditStep& operator=(const EditStep&) = delete;

  private:
    ChartEdit& edit_;
};

}  // namespace lumidex
