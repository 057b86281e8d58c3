#pragma once
// The key index box over the key strip: which note it edits and where a
// click and its keys take it. The box itself is reached through
// KeyBoxSurface, so the rules hold whatever shows it:
//   - a click beside a note opens the box on that note (an open box is left
//     first, as a click elsewhere leaves it; a refused text beeps and stays);
//   - Enter hands the focus back to the canvas (which leaves the box);
//   - Up and Down store the text and walk to the next note with a key index
//     above or below, within what the view drew; with Alt they move the note
//     itself by the AltStep, the box going with it while it stays on the
//     strip;
//   - Page Up and Page Down store the text and carry the box a page of 96
//     coords (the view scrolls a page with it), showing that coord's index.
// A stored text is one edit step ("Key Index"); a refused one beeps and
// changes nothing.

#include <QString>

#include "ChartEdit.h"
#include "EditTypes.h"

namespace lumidex {

// The box as the window shows it.
class KeyBoxSurface {
  public:
    virtual ~KeyBoxSurface() = default;
    virtual bool isOpen() const = 0;
    virtual QString text() const = 0;
    virtual int top() const = 0;          // the box's row on the strip
    virtual int stripHeight() const = 0;  // rows of the strip
    // Shows the box with the focus in it.
    virtual void open() = 0;
    virtual void close() = 0;
    // Puts the box at row top showing text, all of it selected.
    virtual void place(int top, const QString& text) = 0;
    // Shows text, all of it selected, where the box stands.
    virtual void showText(const QString& text) = 0;
    // Moves the box with its note, d coords up (down when negative).
    virtual void moveWithNote(double d) = 0;
    // Scrolls the view a page up or down.
    virtual void scrollPage(bool up) = 0;
    virtual void focusCanvas() = 0;
    virtual void repaint() = 0;
    virtual void beep() = 0;
};

// The view around the box when a key is pressed in it. The drawn range is
// read where it lives, since storing the text repaints the view first.
struct KeyBoxView {
    const CanvasRows& rows;
    const int& firstDrawn;  // the lowest and highest coords the view drew
    const int& lastDrawn;
    double altStep;  // coords an Alt move carries the note
};

class KeyIndexBox {
  public:
    KeyIndexBox(ChartEdit& edits, KeyBoxSurface& box) : edits_(edits), box_(box) {}

    // The coord the box edits (valid while it is open); -1 before it opened.
    int coord() const { return coord_; }

    // A click on the strip at row y.
    void click(int y, const CanvasRows& rows);
    // A key pressed in the box (edit/EditTypes.h codes); true when taken,
    // false leaves it to the box's own text editing.
    bool keyDown(int keyCode, int shift, const KeyBoxView& view);
    // The focus left the box: its text is stored and the box closes; false,
    // with a beep and the box still open, when the text is refused.
    bool leave();
    // A chart was opened: what the box held belonged to the old one.
    void chartReplaced();

  private:
    bool commit();
    void place(int coord, const CanvasRows& rows);
    void page(bool up);
    void walk(bool up, const KeyBoxView& view);
    void move(double d);

    ChartEdit& edits_;
    KeyBoxSurface& box_;
    int coord_ = -1;
};

}  // namespace lumidex
