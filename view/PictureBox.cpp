#include "PictureBox.h"

#include <QPainter>
#include <QResizeEvent>

#include <cmath>

namespace lumidex {

PictureBox::PictureBox(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    buffer_ = QImage(1, 1, QImage::Format_RGB32);
    buffer_.fill(Qt::black);
}

QImage& PictureBox::buffer() {
    const qreal ratio = devicePixelRatioF();
    const QSize logical = drawingSize();
    const QSize want(static_cast<int>(std::ceil(logical.width() * ratio)),
                     static_cast<int>(std::ceil(logical.height() * ratio)));
    if (buffer_.size() != want || buffer_.devicePixelRatio() != ratio) {
        buffer_ = QImage(want, QImage::Format_RGB32);
        buffer_.setDevicePixelRatio(ratio);
        buffer_.fill(Qt::black);
    }
    return buffer_;
}

void PictureBox::paintEvent(QPaintEvent* event) {
    QPainter p(this);
    p.setClipRect(event->rect());
    if (buffer_.devicePixelRatio() != devicePixelRatioF())
        p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawImage(QPointF(0, 0), buffer_);
}

void PictureBox::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    buffer();
}

}  // namespace lumidex
