#include "KeyboardEntry.h"

#include <algorithm>

#include "Numbers.h"

namespace lumidex {
namespace {

int heldBitOf(int keyCode) {
    switch (keyCode) {
        case kKeyUp:
            return kHeldUp;
        case kKeyDown:
            return kHeldDown;
        case kKeyLeft:
            return kHeldLeft;
        case kKeyRight:
            return kHeldRight;
        default:
            return 0;
    }
}

constexpr int kArrowBits = kHeldUp | kHeldDown | kHeldLeft | kHeldRight;

int arrowCount(int held) {
    int n = 0;
    for (int bit : {kHeldUp, kHeldDown, kHeldLeft, kHeldRight}) n += (held & bit) != 0;
    return n;
}

}  // namespace

int arrowKind(int keyCode, int shift, int held) {
    const bool up = held & kHeldUp, down = held & kHeldDown;
    const bool left = held & kHeldLeft, right = held & kHeldRight;
    const bool chord = shift & kShiftMask;
    switch (keyCode) {
        case kKeyLeft:
            if (shift & kCtrlMask) return 26;
            if (chord && up) return 20;
            if (chord && down) return 22;
            return 18;
        case kKeyRight:
            if (shift & kCtrlMask) return 27;
            if (chord && up) return 21;
            if (chord && down) return 23;
            return 19;
        case kKeyUp:
            if (chord && left) return 20;
            if (chord && right) return 21;
            return 16;
        case kKeyDown:
            if (chord && left) return 22;
            if (chord && right) return 23;
            return 17;
        default:
            return 0;
    }
}

// The step of a key press: KeyStep, or for "Note" the distance to the first
// note above the baseline (-1 when there is none).
int KeyboardEntry::stepFor(const KeyContext& at) const {
    if (at.keyStep != -1) return at.keyStep;
    const ChartDocument& doc = edits_.doc();
    const int last = std::min(doc.LastCoord, kMaxCoord);
    for (int c = std::max(0, int(roundHalfEven(at.viewBase + 1))); c <= last; ++c)
        if (doc.cell(c).Kind != 0) return int(roundHalfEven(c - at.viewBase));
    return -1;
}

int KeyboardEntry::alignedBase(double viewBase) const {
    const double align = edits_.doc().AlignCoord;
    return int(roundHalfEven(viewBase / align) * align);
}

void KeyboardEntry::openStep(const QString& action) {
    if (stepOpen_) return;
    edits_.begin(action);
    stepOpen_ = true;
}

void KeyboardEntry::closeStep() {
    if (!stepOpen_) return;
    stepOpen_ = false;
    edits_.commit();
}

void KeyboardEntry::writeKind(int coord, int kind) {
    if (!inChart(coord)) return;
    edits_.setCombo(comboAfter(edits_.doc().Combo, edits_.doc().cell(coord).Kind, kind));
    edits_.setKind(coord, uint8_t(kind));
}

KeyOutcome KeyboardEntry::keyDown(int keyCode, int shift, const KeyContext& at) {
    step_ = stepFor(at);
    switch (keyCode) {
        case kKeyShift:
            held_ |= kHeldShift;
            return {true, std::nullopt, false};
        case kKeyBackspace:
            return backspace(at);
        case kKeySpace:
        case kKeyLeft:
        case kKeyUp:
        case kKeyRight:
        case kKeyDown:
            return arrowOrSpace(keyCode, shift, at);
        default:
            return {};
    }
}

KeyOutcome KeyboardEntry::backspace(const KeyContext& at) {
    KeyOutcome out{true, std::nullopt, false};
    if (!(step_ < at.viewBase)) return out;
    openStep(QStringLiteral("Erase Note"));
    writeKind(alignedBase(at.viewBase) - step_, 0);
    closeStep();
    if (!at.playing) out.scrollBy = -step_;
    return out;
}

KeyOutcome KeyboardEntry::arrowOrSpace(int keyCode, int shift, const KeyContext& at) {
    KeyOutcome out{true, std::nullopt, false};
    if (at.viewBase + step_ > edits_.doc().LastCoord + 72) return out;
    if (keyCode != kKeySpace) {
        const int bit = heldBitOf(keyCode);
        if (held_ & bit) return out;  // the key is still down from before
        held_ |= bit;
        const int kind = arrowKind(keyCode, shift, held_);
        int c = alignedBase(at.viewBase);
        if (held_ & kHeldShift) {
            if (arrowCount(held_) >= 2) {
                pendingChord_ = 0;
                c = chordCoord_;  // the diagonal replaces the first arrow's note
            } else {
                pendingChord_ = kind;
            }
        }
        openStep(QStringLiteral("Type Note"));
        writeKind(c, kind);
        if (pendingChord_ != 0) {
            // Playing or not, the chord's second arrow rewrites this coord.
            chordCoord_ = c;
            out.repaint = !at.playing;
            return out;
        }
        closeStep();
    }
    if (pendingChord_ == 0 && !at.playing) out.scrollBy = step_;
    if (pendingChord_ != 0 && !at.playing) out.repaint = true;
    return out;
}

KeyOutcome KeyboardEntry::keyUp(int keyCode, const KeyContext& at) {
    KeyOutcome out{true, std::nullopt, false};
    if (keyCode == kKeyShift) {
        held_ &= ~kHeldShift;
        return out;
    }
    const int bit = heldBitOf(keyCode);
    if (!bit) return {};
    held_ &= ~bit;
    if (pendingChord_ != 0 && (held_ & kArrowBits) == 0) {
        if (!at.playing) out.scrollBy = step_;
        pendingChord_ = 0;
        closeStep();
    }
    return out;
}

void KeyboardEntry::chartReplaced() {
    stepOpen_ = false;
    reset();
}

void KeyboardEntry::reset() {
    held_ = 0;
    pendingChord_ = 0;
    closeStep();
}

}  // namespace lumidex
