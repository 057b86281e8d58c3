#include "PictureBox.h"

#include <QPainter>
#include <QResizeEvent>

namespace lumidex {

PictureBox::PictureBox(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    buffer_ = QImage(1, 1, QImage::Format_RGB32);
    buffer_.fill(Qt::black);
}

QImage& PictureBox::buffer() {
    const QSize want = size().expandedTo(QSize(1, 1));
    if (buffer_.size() != want) {
        buffer_ = QImage(want, QImage::Format_RGB32);
        buffer_.fill(Qt::black);
    }
    return buffer_;
}

void PictureBox::paintEvent(QPaintEvent* event) {
    QPainter p(this);
    p.drawImage(event->rect(), buffer_, event->rect());
}

void PictureBox::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    buffer();
}

}  // namespace lumidex
