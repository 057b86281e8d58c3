#include "MouseEditing.h"

#include <algorithm>
#include <cstdlib>

namespace lumidex {

bool MouseEditing::press(int buttons, int y, const CanvasRows& rows) {
    release();  // a drag whose release never came ends here
    marks_.mouseHeld = true;
    edits_.begin((buttons & kButtonRight) && !(buttons & kButtonLeft)
                     ? QStringLiteral("Erase Note")
                     : QStringLiteral("Draw Note"));
    stepOpen_ = true;
    return move(buttons, y, rows);
}

void MouseEditing::release() {
    marks_.mouseHeld = false;
    marks_.lastEditedCoord = -1;
    if (!stepOpen_) return;
    stepOpen_ = false;
    edits_.commit();
}

void MouseEditing::chartReplaced() {
    stepOpen_ = false;
    release();
}

// The coords one pointer event edits, in order, or none. The first edit of
// a press is the target; a drag then steps 3 coords at a time toward the
// pointer, as many steps as reach the target without passing it (at least
// one), so a fast pointer writes every coord it passes over.
std::vector<int> MouseEditing::coordsToEdit(int y, const CanvasRows& rows) const {
    const int c0 = rows.HeightToCoord(y);
    if (c0 < 0) return {};
    const int target = noteNear(edits_.doc(), c0).value_or(gridCoordNear(c0));
    const int last = marks_.lastEditedCoord;
    const int yLast = rows.CoordToHeight(last);
    if (std::abs(y - yLast) <= 7 && target == last) return {};
    if (marks_.selectedKind == -1) return {};
    if (last == -1) return {target};
    // Rows grow downward: a pointer above the last edit steps up.
    const int toward = (y > yLast) - (y < yLast);
    const int steps = std::max(1, std::abs(target - last) / 3);
    std::vector<int> coords;
    for (int i = 1; i <= steps; ++i) coords.push_back(last - 3 * toward * i);
    return coords;
}

bool MouseEditing::move(int buttons, int y, const CanvasRows& rows) {
    if (!marks_.mouseHeld) return false;
    const std::vector<int> coords = coordsToEdit(y, rows);
    if (coords.empty()) return false;
    for (int c : coords)
        if (inChart(c)) write(c, buttons);
    marks_.lastEditedCoord = coords.back();
    return true;
}

void MouseEditing::write(int coord, int buttons) {
    int newKind;
    if (buttons == kButtonLeft)
        newKind = marks_.selectedKind == 6 ? randomKinds_.RandomKind() : marks_.selectedKind;
    else if (buttons == kButtonRight)
        newKind = 0;
    else
        return;  // both buttons, or the middle one: the cell stays
    const int oldKind = edits_.doc().cell(coord).Kind;
    EditStep step(edits_, QStringLiteral("Draw Note"));  // joins the drag's step
    edits_.setCombo(comboAfter(edits_.doc().Combo, oldKind, newKind));
    edits_.setKind(coord, uint8_t(newKind));
}

}  // namespace lumidex
