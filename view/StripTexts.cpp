#include "StripTexts.h"

#include <QTransform>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace lumidex {

StripTexts::StripTexts(const QFont& font, const QColor& background)
    : font_(font), background_(background), metrics_(font) {}

void StripTexts::fitTo(const QImage& strip) {
    if (strip.width() == stampedWidth_ && strip.devicePixelRatio() == stampedRatio_) return;
    numbers_.clear();
    others_.clear();
    stampedWidth_ = strip.width();
    stampedRatio_ = strip.devicePixelRatio();
}

StripTexts::Text StripTexts::make(const QString& s) const {
    Text t{s, QStaticText(s), metrics_.horizontalAdvance(s), {}};
    t.laidOut.setTextFormat(Qt::PlainText);
    t.laidOut.prepare(QTransform(), font_);
    return t;
}

const StripTexts::Text& StripTexts::number(int n) {
    auto found = numbers_.constFind(n);
    if (found != numbers_.constEnd()) return *found;
    if (numbers_.size() >= kMaxKept) numbers_.clear();
    return *numbers_.insert(n, make(QString::number(n)));
}

const StripTexts::Text& StripTexts::text(const QString& s) {
    auto found = others_.constFind(s);
    if (found != others_.constEnd()) return *found;
    if (others_.size() >= kMaxKept) others_.clear();
    return *others_.insert(s, make(s));
}

void StripTexts::draw(QPainter& painter, int top, const Text& text, double xScale) {
    if (xScale == 1) {
        painter.drawStaticText(QPointF(0, top), text.laidOut);
        return;
    }
    painter.save();
    painter.scale(xScale, 1);
    painter.drawStaticText(QPointF(0, top), text.laidOut);
    painter.restore();
}

// The text drawn with room above and below on a strip-wide piece of
// background, cut down to the rows it inks.
const StripTexts::Stamp& StripTexts::stampOf(const Text& text, const QColor& colour, bool warning,
                                             double xScale) {
    Stamp& stamp = text.stamps[warning ? 1 : 0];
    if (stamp.made) return stamp;
    stamp.made = true;
    const int room = int(std::ceil(metrics_.height())) + 2;
    const int ratio = int(stampedRatio_);
    QImage image(stampedWidth_, (3 * room) * ratio, QImage::Format_RGB32);
    image.setDevicePixelRatio(ratio);
    {
        QPainter p(&image);
        p.fillRect(QRect(0, 0, image.width(), 3 * room), background_);
        p.setFont(font_);
        p.setPen(colour);
        draw(p, room, text, xScale);
    }
    const QRgb plain = stamp.plain = image.pixel(0, 0);
    const auto inked = [&](int y) {
        const QRgb* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        return std::any_of(line, line + image.width(), [plain](QRgb px) { return px != plain; });
    };
    int first = 0;
    while (first < image.height() && !inked(first)) ++first;
    int end = image.height();
    while (end > first && !inked(end - 1)) --end;
    if (end > first) {
        stamp.first = first - room * ratio;
        stamp.rows = image.copy(0, first, image.width(), end - first);
    }
    return stamp;
}

// Whether the strip rows the stamp would cover, from device row `row` on,
// are all the background (rows outside the strip count as such).
bool StripTexts::onBackground(const QImage& strip, int row, const Stamp& stamp) const {
    const QRgb plain = stamp.plain;
    const int from = std::max(row, 0), to = std::min(row + stamp.rows.height(), strip.height());
    for (int y = from; y < to; ++y) {
        const QRgb* line = reinterpret_cast<const QRgb*>(strip.constScanLine(y));
        if (!std::all_of(line, line + strip.width(), [plain](QRgb px) { return px == plain; }))
            return false;
    }
    return true;
}

void StripTexts::print(QPainter& painter, QImage& strip, int top, const Text& text,
                       const QColor& colour, bool warning, double xScale) {
    const bool whole = stampedRatio_ == std::floor(stampedRatio_) && strip.width() == stampedWidth_;
    if (!whole) return draw(painter, top, text, xScale);
    const Stamp& stamp = stampOf(text, colour, warning, xScale);
    const int row = top * int(stampedRatio_) + stamp.first;
    if (stamp.rows.isNull() || !onBackground(strip, row, stamp))
        return draw(painter, top, text, xScale);
    const int from = std::max(row, 0), to = std::min(row + stamp.rows.height(), strip.height());
    const size_t bytes = size_t(strip.width()) * sizeof(QRgb);
    for (int y = from; y < to; ++y)
        std::memcpy(strip.scanLine(y), stamp.rows.constScanLine(y - row), bytes);
}

}  // namespace lumidex
