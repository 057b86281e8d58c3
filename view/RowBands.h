#pragma once
// Bands of rows drawn over a drawing surface (the canvas, a strip) without
// touching what the surface itself draws: a see-through child widget that
// covers its surface, lets the mouse through and lies below the surface's
// other children (the key index box stays on top). Hidden while it has no
// bands, so it costs nothing then; a change repaints only the rows it
// touches.

#include <QColor>
#include <QWidget>

#include <vector>

namespace lumidex {

// Rows top..bottom (both drawn), tinted with fill and edged with edge lines
// at its top and bottom row.
struct RowBand {
    int top = 0;
    int bottom = 0;
    QColor fill;
    QColor edge;

    bool operator==(const RowBand& o) const {
        return top == o.top && bottom == o.bottom && fill == o.fill && edge == o.edge;
    }
};

class RowBands : public QWidget {
  public:
    explicit RowBands(QWidget* surface);

    void setBands(std::vector<RowBand> bands);
    const std::vector<RowBand>& bands() const { return bands_; }

  protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QRect rowsOf(const std::vector<RowBand>& bands) const;

    std::vector<RowBand> bands_;
};

}  // namespace lumidex
