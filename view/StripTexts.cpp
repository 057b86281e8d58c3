#include "StripTexts.h"

#include <QTransform>

namespace lumidex {

StripTexts::StripTexts(const QFont& font) : font_(font), metrics_(font) {}

StripTexts::Text StripTexts::make(const QString& s) const {
    Text t{s, QStaticText(s), metrics_.horizontalAdvance(s)};
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

}  // namespace lumidex
