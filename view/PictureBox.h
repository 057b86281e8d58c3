#pragma once
// A drawing surface that paints from a back buffer: the canvas, the scale
// strip and the key strip. Drawing code renders into buffer() and calls
// present(); paintEvent only copies the buffer to the screen.

#include <QImage>
#include <QWidget>

namespace lumidex {

class PictureBox : public QWidget {
  public:
    explicit PictureBox(QWidget* parent = nullptr);

    // The back buffer, kept at the widget's size (RGB32, contents undefined
    // after a resize until the next full redraw). It has the screen's device
    // pixel ratio, so a QPainter on it works in the widget's own pixels and
    // a 2x screen gets sharp text and pictures; drawingSize() is the size in
    // those pixels.
    QImage& buffer();
    const QImage& buffer() const { return buffer_; }
    QSize drawingSize() const { return size().expandedTo(QSize(1, 1)); }

    // Shows what was drawn into the buffer.
    void present() { update(); }

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    QImage buffer_;
};

}  // namespace lumidex
