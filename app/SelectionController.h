#pragma once
// A coord range marked with the mouse: Shift and the left button dragged
// over the canvas mark it, snapped as the range clipboard snaps, highlight it
// across the canvas and the strips beside it, and fill "Copy from" and its
// "to" box. Every other press stays the mouse editing's (CanvasEditing).
//
// The Edit menu's selection items and their keys:
//   "Copy Selection"    Ctrl+C   the range clipboard's "&Copy" of the range
//   "Cut Selection"     Ctrl+X   its "Cu&t"
//   "Paste at Pointer"  Ctrl+V   its "&Paste" at the coord under the pointer
//                                (the play position while playing)
//   "Delete Selection"  Del      erases the notes of the range
//   "Clear Selection"   Esc      on the canvas; while playing Esc pauses
// A text box with the focus keeps its own Ctrl+C, Ctrl+X, Ctrl+V and Del.
// Each change is one undo step. The rules are in batch/RangeSelection.h.

#include <QObject>

#include <optional>
#include <vector>

#include "ChartEdit.h"
#include "RangeSelection.h"
#include "WindowParts.h"
#include "WindowWidgets.h"

class QAction;
class QMenu;

namespace lumidex {

class RowBands;

struct SelectionWidgets {
    PictureBox* picMain = nullptr;
    std::vector<QWidget*> strips;  // highlighted beside the canvas (scale, key, waveform)
    BatchWidgets batch;            // the "Clipboard" panel and its Edit menu items
    QMenu* mnEdit = nullptr;
};

class SelectionController : public QObject, private ChartEditListener {
  public:
    SelectionController(const WindowParts& parts, const SelectionWidgets& w);
    ~SelectionController() override;

    void mnSelCopy_Click();
    void mnSelCut_Click();
    void mnSelPaste_Click();
    void mnSelDelete_Click();
    void mnSelClear_Click() { select(std::nullopt); }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void chartChanged(const ChartChange&) override {}
    void chartReplaced() override { select(std::nullopt); }
    bool mouseEvent(QEvent* event);
    void dragTo(int row);
    void select(std::optional<CoordSpan> span);
    void showSpanInBoxes();
    void showBands();
    std::optional<int> pointerCoord() const;
    QAction* addItem(QAction* before, const char* name, const QString& caption,
                     const QKeySequence& key);

    WindowParts parts_;
    SelectionWidgets w_;
    std::vector<RowBands*> bands_;
    std::optional<CoordSpan> span_;
    std::optional<int> anchor_;       // coord where the marking drag began; none when not marking
    std::vector<QAction*> needSpan_;  // items that work on a selection
};

}  // namespace lumidex
