#pragma once
// The state of the chart view that the window, editing and playback share.

namespace lumidex {

// The three View menu switches ("Show &Grid", "Show &Inversed Baseline",
// "&Transparent Drawing"); all off at start-up.
struct DrawSwitches {
    bool grid = false;         // grid tiles behind the notes
    bool baseline = false;     // colour-inverted band over rows 343..357
    bool transparent = false;  // notes drawn with their transparent pictures
};

struct ViewState {
    // The coord on the baseline. Follows the scroll bar, except while playing
    // (playback sets it) and after InitArea (-1 until the next repaint).
    double viewBase = -1;
    int firstDrawn = 0;        // lowest coord walked by the last repaint
    int lastDrawn = 0;         // highest coord walked by the last repaint
    double viewFrame = 0;      // frame position of the view base (the play position while playing)
    bool playing = false;      // playback owns viewBase and viewFrame; scrolling leaves them alone
    bool exactScroll = false;  // the next scroll bar value is taken as is, not rounded to 3
    bool redrawBusy = false;   // a repaint is running; a nested one returns at once

    // Values of the step lists.
    double altStep = 1;  // cbAltStep
    int keyStep = 3;     // cbKeyStep; -1 for "Note"
    int wheelStep = 96;  // cbVScroll: coords per wheel notch

    DrawSwitches switches;

    // Editing marks of the mouse editing, reset by InitArea.
    int selectedKind = -1;     // palette kind for placement; -1 none
    bool mouseHeld = false;    // a button is held on the canvas
    int lastEditedCoord = -1;  // coord of the previous edit of a drag; -1 none

    // What InitArea does to the view: the switches as the menu shows them,
    // no selection, no drag, and a view base that the next repaint takes from
    // the scroll bar.
    void resetForNewChart(const DrawSwitches& fromMenu) {
        switches = fromMenu;
        mouseHeld = false;
        selectedKind = -1;
        lastEditedCoord = -1;
        viewBase = -1;
    }
};

}  // namespace lumidex
