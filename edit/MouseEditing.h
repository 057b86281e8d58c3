#pragma once
// Placing and erasing notes with the mouse on the canvas.
//
// The palette chooses a kind (0 erases, 6 draws from the random-kind set).
// A press on the canvas starts a drag: the left button writes the chosen
// kind into the note nearest the pointer (the coord above preferred, then the
// coord itself, then the one below) or into the nearest multiple of 3; the
// right button erases it. While the button is held, each pointer event moves
// the edit point toward the pointer in steps of 3 coords, writing each, as
// many as reach the note or grid coord under the pointer: every coord of one
// drag has the same remainder modulo 3, and a pointer that crosses many rows
// between two events leaves no gap. Both buttons together change nothing.
//
// A whole drag, press to release, is one edit step ("Draw Note" or "Erase
// Note"). Combo follows every written cell.

#include <vector>

#include "ChartEdit.h"
#include "EditTypes.h"
#include "RandomKinds.h"

namespace lumidex {

// The editing marks of the mouse: what the palette chose and the drag. They
// live in the view's state (clearing the chart resets them there); the
// editing reads and writes them through these references.
struct MouseMarks {
    int& selectedKind;     // palette kind; -1 none (nothing can be placed)
    bool& mouseHeld;       // a button is held on the canvas
    int& lastEditedCoord;  // coord written by the previous edit of the drag; -1 none
};

class MouseEditing {
  public:
    MouseEditing(ChartEdit& edits, MouseMarks marks, RandomKindSet& randomKinds)
        : edits_(edits), marks_(marks), randomKinds_(randomKinds) {}

    // A palette image was pressed: its kind becomes the selected one.
    void selectKind(int kind) { marks_.selectedKind = kind; }

    // A button went down on the canvas at pixel row y, with buttons the set
    // held. Starts the drag's step and makes its first edit. True when the
    // view should be repainted.
    bool press(int buttons, int y, const CanvasRows& rows);
    // The pointer moved to row y with buttons held: the drag's edit point
    // follows it. True when an edit was made (the view should be repainted).
    bool move(int buttons, int y, const CanvasRows& rows);
    // The button went up: the drag and its step end.
    void release();
    // A chart was opened: a drag in progress is forgotten (its step ended
    // with the old chart).
    void chartReplaced();

  private:
    std::vector<int> coordsToEdit(int y, const CanvasRows& rows) const;
    void write(int coord, int buttons);

    ChartEdit& edits_;
    MouseMarks marks_;
    RandomKindSet& randomKinds_;
    bool stepOpen_ = false;
};

}  // namespace lumidex
