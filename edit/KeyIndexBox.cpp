#include "KeyIndexBox.h"

#include "KeyIndexEditing.h"

namespace lumidex {
namespace {

// A note's picture starts this far above its row; the box stands level with it.
constexpr int kBoxAboveRow = 7;

}  // namespace

void KeyIndexBox::click(int y, const CanvasRows& rows) {
    if (box_.isOpen() && !commit()) {
        box_.beep();
        return;
    }
    const int c0 = rows.HeightToCoord(y);
    if (c0 < 0) return;
    const std::optional<int> coord = noteNear(edits_.doc(), c0);
    if (!coord) return;
    place(*coord, rows);
    box_.open();
}

bool KeyIndexBox::keyDown(int keyCode, int shift, const KeyBoxView& view) {
    switch (keyCode) {
        case kKeyEnter:
            box_.focusCanvas();
            return true;
        case kKeyPgUp:
        case kKeyPgDown:
            page(keyCode == kKeyPgUp);
            return true;
        case kKeyUp:
        case kKeyDown:
            if (shift & kAltMask)
                move(keyCode == kKeyUp ? view.altStep : -view.altStep);
            else
                walk(keyCode == kKeyUp, view);
            return true;
        default:
            return false;
    }
}

bool KeyIndexBox::leave() {
    if (!commit()) {
        box_.beep();
        return false;
    }
    box_.close();
    return true;
}

void KeyIndexBox::chartReplaced() {
    coord_ = -1;
    box_.close();
}

// Stores the box's text in its note; false (nothing stored) when refused.
bool KeyIndexBox::commit() {
    if (!commitKeyIndex(edits_, coord_, box_.text())) return false;
    box_.repaint();
    return true;
}

void KeyIndexBox::place(int coord, const CanvasRows& rows) {
    coord_ = coord;
    box_.place(rows.CoordToHeight(coord) - kBoxAboveRow,
               keyIndexText(edits_.doc().cell(coord).FxSndIndex));
}

// The page shows the index of whatever stands there, 0 included.
void KeyIndexBox::page(bool up) {
    const int c = coord_;
    if (up ? c > edits_.doc().LastCoord - 24 : c < kKeyBoxPage) return;
    if (!commit()) {
        box_.beep();
        return;
    }
    box_.scrollPage(up);
    coord_ = up ? c + kKeyBoxPage : c - kKeyBoxPage;
    box_.showText(inChart(coord_) ? QString::number(edits_.doc().cell(coord_).FxSndIndex)
                                  : QString());
}

void KeyIndexBox::walk(bool up, const KeyBoxView& view) {
    if (!commit()) {
        box_.beep();
        return;
    }
    const ChartDocument& doc = edits_.doc();
    const std::optional<int> next =
        up ? keyNoteAbove(doc, coord_, view.lastDrawn) : keyNoteBelow(doc, coord_, view.firstDrawn);
    if (next) place(*next, view.rows);
}

// The note moves only while its box stays on the strip.
void KeyIndexBox::move(double d) {
    const int top = box_.top();
    if (d > 0 ? top <= -3 : top >= box_.stripHeight()) return;
    const std::optional<int> moved = moveNote(edits_, coord_, d);
    if (!moved) return;
    coord_ = *moved;
    box_.repaint();
    box_.moveWithNote(d);
}

}  // namespace lumidex
