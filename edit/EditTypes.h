#pragma once
// What the editing rules share: the key and button numbers of the window's
// events, the search for the note under the pointer, and the canvas rows.

#include <optional>

#include "ChartDocument.h"

namespace lumidex {

// Mouse buttons, as a set.
constexpr int kButtonLeft = 1;
constexpr int kButtonRight = 2;
constexpr int kButtonMiddle = 4;

// Modifier keys of a key event, as a set.
constexpr int kShiftMask = 1;
constexpr int kCtrlMask = 2;
constexpr int kAltMask = 4;

// Key codes the editing reacts to.
constexpr int kKeyBackspace = 8;
constexpr int kKeyEnter = 13;
constexpr int kKeyShift = 16;
constexpr int kKeySpace = 32;
constexpr int kKeyPgUp = 33;
constexpr int kKeyPgDown = 34;
constexpr int kKeyLeft = 37;
constexpr int kKeyUp = 38;
constexpr int kKeyRight = 39;
constexpr int kKeyDown = 40;

// The coord an edit at c0 aims at: the first of c0 + 1, c0 and c0 - 1 that
// holds a note (coords outside the chart count as empty); nothing when all
// three are empty.
std::optional<int> noteNear(const ChartDocument& doc, int c0);

// The value of a text that passes the numeric test; nothing for any other
// text and for a number too large for a double.
std::optional<double> numericValue(const QString& text);

// The multiple of 3 nearest to c0 (half to even).
int gridCoordNear(int c0);

// Combo after a cell's kind changes from oldKind to newKind.
inline int comboAfter(int combo, int oldKind, int newKind) {
    return combo - ComboWeight(uint8_t(oldKind)) + ComboWeight(uint8_t(newKind));
}

inline bool inChart(int coord) {
    return coord >= 0 && coord <= kMaxCoord;
}

// The rows of the canvas for the view as it stands; the view provides them.
class CanvasRows {
  public:
    virtual ~CanvasRows() = default;
    virtual int HeightToCoord(int row) const = 0;
    virtual int CoordToHeight(int coord) const = 0;
};

}  // namespace lumidex
