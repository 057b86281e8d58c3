#include "RowBands.h"

#include <QEvent>
#include <QPaintEvent>
#include <QPainter>

namespace lumidex {

RowBands::RowBands(QWidget* surface) : QWidget(surface) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::NoFocus);
    setGeometry(surface->rect());
    lower();
    hide();
    surface->installEventFilter(this);
}

bool RowBands::eventFilter(QObject* watched, QEvent* event) {
    if (watched == parent() && event->type() == QEvent::Resize) setGeometry(parentWidget()->rect());
    return false;
}

QRect RowBands::rowsOf(const std::vector<RowBand>& bands) const {
    QRect rows;
    for (const RowBand& b : bands) rows |= QRect(0, b.top, width(), b.bottom - b.top + 1);
    return rows;
}

void RowBands::setBands(std::vector<RowBand> bands) {
    if (bands == bands_) return;
    const QRect dirty = rowsOf(bands_) | rowsOf(bands);
    bands_ = std::move(bands);
    setVisible(!bands_.empty());
    if (!bands_.empty()) update(dirty);
}

void RowBands::paintEvent(QPaintEvent* event) {
    QPainter p(this);
    p.setClipRect(event->rect());
    for (const RowBand& b : bands_) {
        const QRect area(0, b.top, width(), b.bottom - b.top + 1);
        p.fillRect(area, b.fill);
        p.setPen(b.edge);
        p.drawLine(area.topLeft(), area.topRight());
        p.drawLine(area.bottomLeft(), area.bottomRight());
    }
}

}  // namespace lumidex
