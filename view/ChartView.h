#pragma once
// The chart view of the main window: the canvas picMain with the scale strip
// picScale, the key strip picKey and the scroll bar vsb, the four step lists,
// the status read-outs and the View menu switches.
//
// The window builds the widgets and hands them over in ViewControls (any of
// them may be missing; what is missing is left alone). The view then
//   - scrolls: the scroll bar value is the view base, rounded to a multiple
//     of 3 unless a programmatic scroll asks for the exact value; the wheel
//     over the canvas, either strip or the scroll bar scrolls by the VScroll
//     step whether or not the canvas has the focus; Page Up and Page Down on
//     the canvas page the view (all through event filters it installs);
//   - follows the canvas height: a resize sets the page step and repaints,
//     and the drawn range comes from the height at each repaint;
//   - repaints: ReDrawNote writes the read-outs and repaints all three
//     pictures from their back buffers.
// Handlers keep the window's names so the window can forward to them.

#include <QObject>

#include <functional>
#include <memory>
#include <vector>

#include "ChartDocument.h"
#include "NotePictures.h"
#include "NoteRenderer.h"
#include "PictureBox.h"
#include "ViewGeometry.h"
#include "ViewState.h"

class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QScrollBar;
class QWheelEvent;

namespace lumidex {

struct ViewControls {
    PictureBox* picMain = nullptr;     // notes and grid, 62 x 469 at design size
    PictureBox* picScale = nullptr;    // beat scale and tempo changes, 45 wide
    PictureBox* picKey = nullptr;      // key sound indices, 29 wide
    QScrollBar* vsb = nullptr;         // vertical; its value is the view base
    QComboBox* cbVScroll = nullptr;    // "VScroll": coords per wheel notch
    QComboBox* cbAltStep = nullptr;    // "AltStep"
    QComboBox* cbKeyStep = nullptr;    // "KeyStep"
    QComboBox* cbNormalize = nullptr;  // "AlignCoord"
    QLabel* lbTime = nullptr;
    QLabel* lbFrame = nullptr;
    QLabel* lbCombo = nullptr;
    QLineEdit* txBPM = nullptr;         // "Current Speed"
    QLineEdit* txBPMO = nullptr;        // "Current BPM"
    QAction* mnShowGrid = nullptr;      // "Show &Grid"
    QAction* mnShowPlayLine = nullptr;  // "Show &Inversed Baseline"
    QAction* mnShowTrans = nullptr;     // "&Transparent Drawing"
};

class ChartView : public QObject {
  public:
    // Loads the note pictures and installs the event filters on picMain.
    ChartView(ChartDocument& doc, const ViewControls& controls, QObject* parent = nullptr);
    ~ChartView() override;

    // ---- start-up ------------------------------------------------------------
    // Gives the scroll bar its orientation (0 at the bottom, the wheel over
    // it and its keys moving the same way), arrow step 3, the page step for
    // the canvas height and the range for the chart.
    void setUpScrollBar();
    // Fills empty step lists with their items and chooses the start-up items
    // ("1", "96", "1", "3"), running their handlers.
    void setUpStepLists();
    // Both of the above, and the View menu items made checkable.
    void setUpControls();
    // Connects the controls' signals to the handlers below (scroll bar value,
    // list choices, View menu items). A window that forwards its own handlers
    // instead must not call this as well.
    void connectHandlers();

    // The view's part of clearing the chart: the switches as the View menu
    // shows them, no palette selection, no drag, view base -1 until the next
    // repaint.
    void InitArea();
    // The scroll range 0..LastCoord + 72 (after opening a chart and when the
    // chart length changes).
    void setScrollTop();
    // Scrolls to where the music starts (after opening a chart).
    void showMusicStart();

    // ---- handlers ------------------------------------------------------------
    void vsb_Change();
    void vsb_Scroll() { vsb_Change(); }
    void cbVScroll_Click();
    void cbAltStep_Click();
    void cbKeyStep_Click();
    void cbNormalize_Click();
    void mnShowGrid_Click();
    void mnShowPlayLine_Click();
    void mnShowTrans_Click();
    // Whole wheel notches of delta (120 a notch, positive away from the
    // user); a move past either end of the range stops at that end.
    void picMain_MouseWheel(int delta);
    // Page Up (33) and Page Down (34) move the view a page, stopping at either
    // end of the range; true when the key was one of them.
    bool picMain_KeyDown(int keyCode);

    // ---- scrolling and repainting for other parts ----------------------------
    // Sets the scroll bar value; with exact the view base becomes the value
    // itself rather than the nearest multiple of 3.
    void scrollTo(int value, bool exact = false);
    // Writes the status read-outs: time, frame, combo, and the tempo boxes
    // (left alone while the cell under the baseline has no tempo).
    void RefreshState();
    // The full repaint; returns at once when a repaint is already running.
    void ReDrawNote();
    // A repaint that keeps the current (exact) view base.
    void ReDrawNoteExact();
    // Strips of other parts (the waveform) repaint after every repaint.
    void addRepaintListener(std::function<void()> listener) {
        repaintListeners_.push_back(std::move(listener));
    }

    // Rows and coords of the canvas for the current view base.
    int CoordToHeight(int coord) const { return lumidex::CoordToHeight(coord, state_.viewBase); }
    int HeightToCoord(int height) const { return lumidex::HeightToCoord(height, state_.viewBase); }

    ViewState& state() { return state_; }
    const ViewState& state() const { return state_; }
    const NotePictures& pictures() const { return *pictures_; }
    const NoteRenderer& renderer() const { return renderer_; }
    // What the last repaint printed and walked.
    const RenderReport& lastReport() const { return report_; }
    // Height of the canvas drawing area (469 at design size).
    int canvasHeight() const;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void wheelTurned(const QWheelEvent& event);
    void usePicturesForScreen();
    void toggleSwitch(bool DrawSwitches::*which, QAction* item);
    void setStatusText(QWidget* box, const QString& text);
    void updatePageStep();
    static void fillList(QComboBox* list, const QStringList& items, int startIndex);

    ChartDocument& doc_;
    ViewControls c_;
    ViewState state_;
    std::unique_ptr<NotePictures> pictures_;
    NoteRenderer renderer_;
    RenderReport report_;
    QImage spareScale_;  // stand-ins when a strip is missing
    QImage spareKey_;
    QImage spareCanvas_;
    bool writingBack_ = false;  // the scroll handler is putting the rounded value back
    int wheelRemainder_ = 0;    // wheel delta below a whole notch (fine-grained wheels)
    std::vector<std::function<void()>> repaintListeners_;
};

}  // namespace lumidex
