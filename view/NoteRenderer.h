#pragma once
// Paints the visible part of the chart into three back buffers: the canvas
// (grid tiles, note pictures, long notes with their bodies, the inverted
// baseline band), the scale strip (coord numbers, beat marks, tempo changes)
// and the key strip (the key sound index beside each note). Always the whole
// view: every edit, scroll and playback step repaints everything, so a
// repaint costs one picture copy per note and at most one text per coord.
//
// Buffers are measured in device-independent pixels; a buffer with a device
// pixel ratio of 2 gets the same picture at twice the resolution.

#include <QColor>
#include <QFont>
#include <QImage>
#include <QString>

#include <memory>
#include <optional>
#include <vector>

#include "ChartDocument.h"
#include "NotePictures.h"
#include "StripTexts.h"
#include "ViewGeometry.h"
#include "ViewState.h"

class QPainter;

namespace lumidex {

// Font and colours of a text strip; text is printed at its left edge. The
// key strip prints a key index that names no key of the list (one the key
// list check reports as key-past-list) in the warning colour.
struct StripStyle {
    QFont font;
    QColor background = Qt::white;
    QColor text = Qt::black;
    QColor warning = QColor(210, 0, 0);

    bool operator==(const StripStyle& o) const {
        return font == o.font && background == o.background && text == o.text &&
               warning == o.warning;
    }
};

// A text printed into a strip, with the row of its top edge.
struct PrintedText {
    int row = 0;
    QString text;
    bool warning = false;  // printed in the warning colour
};

// A note picture put on the canvas: its kind and the row given as its top
// (kind 24 reaches 42 rows above it).
struct PlacedNote {
    int kind = 0;
    int top = 0;
};

// What one repaint did.
struct RenderReport {
    CoordRange drawn;                     // the coords walked
    std::vector<PlacedNote> notes;        // in drawing order, grid tiles not included
    std::vector<PrintedText> scaleTexts;  // in walking order
    std::vector<PrintedText> keyTexts;
};

class NoteRenderer {
  public:
    NoteRenderer(const ChartDocument& doc, const NotePictures& pictures);

    void setSwitches(const DrawSwitches& switches) { switches_ = switches; }
    const DrawSwitches& switches() const { return switches_; }
    void setScaleStyle(const StripStyle& style);
    void setKeyStyle(const StripStyle& style);
    void setPictures(const NotePictures& pictures) { pictures_ = &pictures; }

    // Repaints everything for the view base. The canvas height decides the
    // drawn range.
    RenderReport render(double viewBase, QImage& canvas, QImage& scale, QImage& key) const;

    // Puts the picture of a kind with its top-left corner at (0, dTop): the
    // transparent picture when the transparent switch is on (the key colour
    // left out), else the opaque one as it is. Kind 24 starts 42 rows higher
    // and is 57 tall, every other kind 15. A kind without a picture (any kind
    // outside 0..145 included) draws nothing.
    void DrawNote(QPainter& canvas, int kind, int dTop) const;

  private:
    friend class RepaintPass;

    struct Strip {
        StripStyle style;
        std::unique_ptr<StripTexts> texts;  // laid out in style.font, kept between repaints
    };
    static Strip makeStrip(const StripStyle& style);

    const ChartDocument& doc_;
    const NotePictures* pictures_;
    DrawSwitches switches_;
    Strip scale_;
    Strip key_;
};

}  // namespace lumidex
