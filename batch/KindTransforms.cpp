#include "KindTransforms.h"

#include <array>
#include <initializer_list>
#include <limits>
#include <utility>

#include "RuntimeError.h"

namespace lumidex {
namespace {

using KindMap = std::array<uint8_t, 256>;
using Pairs = std::initializer_list<std::pair<uint8_t, uint8_t>>;

KindMap identity() {
    KindMap m{};
    for (int k = 0; k < 256; ++k) m[size_t(k)] = uint8_t(k);
    return m;
}

// A table in which each pair is exchanged both ways.
KindMap swaps(Pairs pairs) {
    KindMap m = identity();
    for (const auto& [a, b] : pairs) {
        m[a] = b;
        m[b] = a;
    }
    return m;
}

// A table in which each pair maps one way only.
KindMap oneWay(Pairs pairs) {
    KindMap m = identity();
    for (const auto& [from, to] : pairs) m[from] = to;
    return m;
}

// Left and right: the side obstacles, the diagonals, the side stars and the
// side long notes (start, body and end of each).
constexpr Pairs kLeftRight = {{18, 19},   {20, 21},   {22, 23},   {26, 27},   {128, 131},
                              {129, 132}, {130, 133}, {140, 143}, {141, 144}, {142, 145}};

const std::array<KindMap, kKindTransforms - 1>& tables() {
    static const std::array<KindMap, kKindTransforms - 1> t = [] {
        KindMap mirror = swaps(kLeftRight);
        for (const auto& [a, b] : Pairs{{16, 17}, {134, 137}, {135, 138}, {136, 139}}) {
            mirror[a] = b;
            mirror[b] = a;
        }
        return std::array<KindMap, kKindTransforms - 1>{
            oneWay({{26, 18}, {27, 19}}),
            oneWay({{18, 26}, {19, 27}}),
            swaps(kLeftRight),
            swaps({{16, 17}, {20, 22}, {21, 23}, {134, 137}, {135, 138}, {136, 139}}),
            mirror,
        };
    }();
    return t;
}

// Does a cell of this kind take a number when key indices are filled: a note
// of kinds 1..127 or a long-note start (not a body or an end).
bool takesKeyIndex(int kind) {
    return (kind >= 1 && kind <= 127) || (kind >= 128 && kind % 3 == 2);
}

}  // namespace

uint8_t transformedKind(KindTransform t, uint8_t kind) {
    if (t == KindTransform::Randomise) return kind;
    return tables()[size_t(t)][kind];
}

QString transformName(KindTransform t) {
    static const char* const names[kKindTransforms] = {
        "Star To Obstacle",  "Obstacle To Star", "Inverse Left & Right",
        "Inverse Up & Down", "Mirror",           "Randomise"};
    return QString::fromLatin1(names[int(t)]);
}

void transformKinds(ChartEdit& edits, const SteppedRange& range, KindTransform t,
                    RandomKindSet& randomKinds) {
    const ChartDocument& doc = edits.doc();
    EditStep step(edits, transformName(t));
    int combo = doc.Combo;
    range.forEach([&](int c) {
        const uint8_t old = doc.cell(c).Kind;
        if (t == KindTransform::Randomise && old == 0) return;
        const uint8_t kind =
            t == KindTransform::Randomise ? randomKinds.RandomKind() : transformedKind(t, old);
        if (kind == old) return;
        combo += ComboWeight(kind) - ComboWeight(old);
        edits.setKind(c, kind);
    });
    edits.setCombo(combo);
}

void fillKeyIndex(ChartEdit& edits, const SteppedRange& range, bool ascending) {
    const ChartDocument& doc = edits.doc();
    if (range.empty()) return;
    int k = doc.cell(range.from).FxSndIndex;
    if (ascending) {
        int notes = 0;
        for (int c = range.from + 1; c <= range.to; ++c) notes += takesKeyIndex(doc.cell(c).Kind);
        if (k + notes > std::numeric_limits<int16_t>::max()) throw RuntimeError(rterr::Overflow);
    }
    EditStep step(edits, ascending ? QStringLiteral("Fill Key Index Ascendingly")
                                   : QStringLiteral("Fill Key Index"));
    for (int c = range.from + 1; c <= range.to; ++c) {
        if (!takesKeyIndex(doc.cell(c).Kind)) continue;
        if (ascending) ++k;
        edits.setFxSndIndex(c, int16_t(k));
    }
}

}  // namespace lumidex
