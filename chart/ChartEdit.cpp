#include "ChartEdit.h"

#include <algorithm>
#include <exception>

namespace lumidex {

bool operator==(const NoteEntry& a, const NoteEntry& b) {
    return a.Kind == b.Kind && a.FxSndIndex == b.FxSndIndex && a.Speed == b.Speed &&
           a.Tempo == b.Tempo;
}

bool operator==(const KeySound& a, const KeySound& b) {
    return a.Snd == b.Snd && a.Volume == b.Volume;
}

bool operator==(const HeaderTexts& a, const HeaderTexts& b) {
    return a.Name == b.Name && a.BPM == b.BPM && a.BPMO == b.BPMO && a.BGM == b.BGM &&
           a.BGMVolume == b.BGMVolume && a.Delay == b.Delay &&
           a.LongCorrectVal == b.LongCorrectVal && a.Length == b.Length &&
           a.MusicPath == b.MusicPath;
}

ChartScalars ChartScalars::of(const ChartDocument& doc) {
    return {doc.LastCoord, doc.Delay, doc.LongCorrection, doc.KeyCount, doc.Combo, doc.Header};
}

void ChartScalars::writeTo(ChartDocument& doc) const {
    doc.LastCoord = LastCoord;
    doc.Delay = Delay;
    doc.LongCorrection = LongCorrection;
    doc.KeyCount = KeyCount;
    doc.Combo = Combo;
    doc.Header = Header;
}

bool ChartScalars::operator==(const ChartScalars& o) const {
    return LastCoord == o.LastCoord && Delay == o.Delay && LongCorrection == o.LongCorrection &&
           KeyCount == o.KeyCount && Combo == o.Combo && Header == o.Header;
}

// ---- ChartChange -----------------------------------------------------------

int32_t ChartChange::firstCoord() const {
    int32_t first = kCellCount;
    for (const CellChange& c : cells) first = std::min(first, c.coord);
    return first;
}

namespace {

void writeCell(ChartDocument& doc, int coord, const NoteEntry& e) {
    doc.setNote(coord, e.Kind, e.FxSndIndex);
    doc.setSpeedTempo(coord, e.Speed, e.Tempo);
}

size_t textBytes(const QString& s) {
    return size_t(s.capacity()) * sizeof(QChar);
}

size_t headerBytes(const HeaderTexts& h) {
    size_t n = 0;
    for (const QString* s : {&h.Name, &h.BPM, &h.BPMO, &h.BGM, &h.BGMVolume, &h.Delay,
                             &h.LongCorrectVal, &h.Length, &h.MusicPath})
        n += textBytes(*s);
    return n;
}

}  // namespace

void ChartChange::revert(ChartDocument& doc) const {
    for (const CellChange& c : cells) writeCell(doc, c.coord, c.before);
    for (const KeyChange& k : keys) doc.keySound(k.slot) = k.before;
    if (scalarsBefore) scalarsBefore->writeTo(doc);
}

void ChartChange::reapply(ChartDocument& doc) const {
    for (const CellChange& c : cells) writeCell(doc, c.coord, c.after);
    for (const KeyChange& k : keys) doc.keySound(k.slot) = k.after;
    if (scalarsAfter) scalarsAfter->writeTo(doc);
}

size_t ChartChange::bytes() const {
    size_t n = sizeof(*this) + textBytes(action) + cells.capacity() * sizeof(CellChange) +
               keys.capacity() * sizeof(KeyChange);
    for (const KeyChange& k : keys)
        n += textBytes(k.before.Snd) + textBytes(k.before.Volume) + textBytes(k.after.Snd) +
             textBytes(k.after.Volume);
    if (scalarsBefore) n += headerBytes(scalarsBefore->Header) + headerBytes(scalarsAfter->Header);
    return n;
}

// ---- ChartEdit -------------------------------------------------------------

// Makes a single write outside a step a step of its own.
class ChartEdit::Scope {
  public:
    explicit Scope(ChartEdit& edit) : edit_(edit) { edit_.begin(QString()); }
    ~Scope() noexcept(false) { edit_.commit(); }

  private:
    ChartEdit& edit_;
};

ChartEdit::ChartEdit(ChartDocument& doc)
    : doc_(doc), cellTouched_(kCellCount, 0), keyTouched_(kMaxKeySound + 1, 0) {}

void ChartEdit::addListener(ChartEditListener* listener) {
    listeners_.push_back(listener);
}

void ChartEdit::removeListener(ChartEditListener* listener) {
    listeners_.erase(std::remove(listeners_.begin(), listeners_.end(), listener), listeners_.end());
}

void ChartEdit::begin(const QString& action) {
    if (depth_++ == 0) open_.action = action;
}

void ChartEdit::commit() {
    if (depth_ == 0 || --depth_ > 0) return;
    const ChartChange change = finish();
    if (change.empty()) return;
    if (recorder_) recorder_->record(change);
    tell(change);
}

void ChartEdit::tell(const ChartChange& change) {
    // A listener may remove itself while being told.
    const std::vector<ChartEditListener*> listeners = listeners_;
    for (ChartEditListener* l : listeners) l->chartChanged(change);
}

bool ChartEdit::replay(const ChartChange& change) {
    if (depth_ > 0) return false;
    change.reapply(doc_);
    tell(change);
    return true;
}

ChartChange ChartEdit::finish() {
    ChartChange change = std::move(open_);
    open_ = ChartChange{};
    auto unchanged = [](const auto& c) { return c.before == c.after; };
    for (CellChange& c : change.cells) c.after = doc_.cell(c.coord);
    change.cells.erase(std::remove_if(change.cells.begin(), change.cells.end(), unchanged),
                       change.cells.end());
    for (KeyChange& k : change.keys) k.after = doc_.keySound(k.slot);
    change.keys.erase(std::remove_if(change.keys.begin(), change.keys.end(), unchanged),
                      change.keys.end());
    if (change.scalarsBefore) {
        change.scalarsAfter = ChartScalars::of(doc_);
        if (*change.scalarsAfter == *change.scalarsBefore) {
            change.scalarsBefore.reset();
            change.scalarsAfter.reset();
        }
    }
    // A new serial makes every touched mark stale at once.
    if (++serial_ == 0) {
        std::fill(cellTouched_.begin(), cellTouched_.end(), 0);
        std::fill(keyTouched_.begin(), keyTouched_.end(), 0);
        serial_ = 1;
    }
    return change;
}

void ChartEdit::replaced() {
    depth_ = 0;
    finish();
    if (recorder_) recorder_->chartReplaced();
    const std::vector<ChartEditListener*> listeners = listeners_;
    for (ChartEditListener* l : listeners) l->chartReplaced();
}

void ChartEdit::touchCell(int coord) {
    const NoteEntry& before = doc_.cell(coord);  // throws outside 0..30000
    if (cellTouched_[size_t(coord)] == serial_) return;
    cellTouched_[size_t(coord)] = serial_;
    open_.cells.push_back({coord, before, before});
}

void ChartEdit::touchKey(int slot) {
    const KeySound& before = doc_.keySound(slot);  // throws outside 0..2000
    if (keyTouched_[size_t(slot)] == serial_) return;
    keyTouched_[size_t(slot)] = serial_;
    open_.keys.push_back({slot, before, before});
}

void ChartEdit::touchScalars() {
    if (!open_.scalarsBefore) open_.scalarsBefore = ChartScalars::of(doc_);
}

void ChartEdit::setNote(int coord, uint8_t kind, int16_t index) {
    Scope s(*this);
    touchCell(coord);
    doc_.setNote(coord, kind, index);
}

void ChartEdit::setKind(int coord, uint8_t kind) {
    Scope s(*this);
    touchCell(coord);
    doc_.setKind(coord, kind);
}

void ChartEdit::setFxSndIndex(int coord, int16_t index) {
    Scope s(*this);
    touchCell(coord);
    doc_.setFxSndIndex(coord, index);
}

void ChartEdit::setSpeed(int coord, double speed) {
    Scope s(*this);
    touchCell(coord);
    doc_.setSpeed(coord, speed);
}

void ChartEdit::setTempo(int coord, double tempo) {
    Scope s(*this);
    touchCell(coord);
    doc_.setTempo(coord, tempo);
}

void ChartEdit::setSpeedTempo(int coord, double speed, double tempo) {
    Scope s(*this);
    touchCell(coord);
    doc_.setSpeedTempo(coord, speed, tempo);
}

void ChartEdit::setKeySound(int slot, const KeySound& key) {
    Scope s(*this);
    touchKey(slot);
    doc_.keySound(slot) = key;
}

void ChartEdit::setKeyCount(int32_t count) {
    Scope s(*this);
    touchScalars();
    doc_.KeyCount = count;
}

void ChartEdit::setLastCoord(int32_t lastCoord) {
    Scope s(*this);
    touchScalars();
    doc_.LastCoord = lastCoord;
}

void ChartEdit::setDelay(double delay) {
    Scope s(*this);
    touchScalars();
    doc_.Delay = delay;
}

void ChartEdit::setLongCorrection(int32_t value) {
    Scope s(*this);
    touchScalars();
    doc_.LongCorrection = value;
}

void ChartEdit::setCombo(int32_t combo) {
    Scope s(*this);
    touchScalars();
    doc_.Combo = combo;
}

void ChartEdit::setHeader(const HeaderTexts& header) {
    Scope s(*this);
    touchScalars();
    doc_.Header = header;
}

EditStep::~EditStep() noexcept(false) {
    // Listeners run from here; one that throws while another exception is
    // already leaving the scope must not end the program.
    if (std::uncaught_exceptions() > 0) {
        try {
            edit_.commit();
        } catch (...) {
        }
    } else {
        edit_.commit();
    }
}

}  // namespace lumidex
