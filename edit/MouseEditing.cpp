#include "MouseEditing.h"

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

// The coord one pointer event edits, or nothing when it edits none.
std::optional<int> MouseEditing::coordToEdit(int y, const CanvasRows& rows) const {
    const int c0 = rows.HeightToCoord(y);
    if (c0 < 0) return std::nullopt;
    const int target = noteNear(edits_.doc(), c0).value_or(gridCoordNear(c0));
    const int last = marks_.lastEditedCoord;
    const int yLast = rows.CoordToHeight(last);
    if (std::abs(y - yLast) <= 7 && target == last) return std::nullopt;
    if (marks_.selectedKind == -1) return std::nullopt;
    if (last == -1) return target;
    // One step of 3 coords toward the pointer (rows grow downward).
    const int toward = (y > yLast) - (y < yLast);
    return last - 3 * toward;
}

bool MouseEditing::move(int buttons, int y, const CanvasRows& rows) {
    if (!marks_.mouseHeld) return false;
    const std::optional<int> coord = coordToEdit(y, rows);
    if (!coord) return false;
    if (inChart(*coord)) write(*coord, buttons);
    marks_.lastEditedCoord = *coord;
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
