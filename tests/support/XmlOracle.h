#pragma once
// The one-walk element index (vornix::XmlElements) against the pickers it
// stands in for: the chart loader must read exactly what the per-tag
// XMLPickFullTagPosW / XMLPickAttribPosW walks read, on any text.

#include <QString>
#include <QStringView>

#include <string>

#include "Vornix.h"

namespace lumidex::testing {

// What XMLPickAttribPosW finds in text, as a view of it; nullopt when absent.
inline std::optional<QStringView> pickedAttribute(QStringView text, const QString& tag,
                                                  const QString& attribute) {
    int32_t pos = -1, len = 0;
    vornix::XMLPickAttribPosW(pos, len, text.toString(), tag, 1, attribute);
    if (pos < 0) return std::nullopt;
    return text.mid(pos, len);
}

inline bool sameValue(std::optional<QStringView> a, std::optional<QStringView> b) {
    return a.has_value() == b.has_value() && (!a || (a->data() == b->data() && *a == *b));
}

// The first difference between the index and the pickers for one tag (a
// name: no blank, "=", ">", "/", "<" or quote) and attribute; empty when
// they agree on the first element's attribute, every element's extent and
// every element's attribute (alone and among others).
inline std::string xmlIndexDifference(const QString& text, const QString& tag,
                                      const QString& attribute) {
    const vornix::XmlElements index(text, {tag, u"EFFECT"});
    if (!sameValue(index.firstAttribute(tag, attribute), pickedAttribute(text, tag, attribute)))
        return "first element's attribute";
    int32_t running = 0;
    for (const vornix::XmlElements::Element& e : index.elements(tag)) {
        int32_t pos = -1, len = 0;
        vornix::XMLPickFullTagPosW(pos, len, text, tag, running, 1);
        if (pos != e.pos || len != e.len) return "element at " + std::to_string(e.pos);
        const QStringView own = QStringView(text).mid(pos, len);
        const std::optional<QStringView> expected = pickedAttribute(own, tag, attribute);
        std::optional<QStringView> both[2];
        index.attributes(e, {u"Coord", attribute}, both);
        if (!sameValue(index.attribute(e, attribute), expected) || !sameValue(both[1], expected))
            return "attribute of the element at " + std::to_string(e.pos);
        if (!sameValue(both[0], pickedAttribute(own, tag, QStringLiteral("Coord"))))
            return "Coord of the element at " + std::to_string(e.pos);
    }
    int32_t pos = -1, len = 0;
    vornix::XMLPickFullTagPosW(pos, len, text, tag, running, 1);
    return pos < 0 ? std::string() : "element at " + std::to_string(pos) + " left out";
}

}  // namespace lumidex::testing
