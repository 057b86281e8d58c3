// The findings as the editor keeps them: refreshed only when they change,
// counted for the status bar, and the coord each one concerns.

#include <gtest/gtest.h>

#include <functional>

#include "FindingList.h"

namespace lumidex {
namespace {

TEST(FindingList, RefreshesCountsAndPointsAtCoords) {
    ChartDocument doc;
    doc.KeyCount = 0;
    doc.LastCoord = 100;
    FindingList list;
    struct Step {
        std::function<void()> edit;
        bool changed;
        const char* count;
        const char* saved;
    } steps[] = {
        {[] {}, false, "No findings", "Saved with no findings"},
        {[&] { doc.setNote(12, 1, 0); }, true, "1 finding", "Saved with 1 finding"},  // kind-unused
        {[] {}, false, "1 finding", "Saved with 1 finding"},
        {[&] { doc.setNote(200, 16, 0); }, true, "2 findings", "Saved with 2 findings"},
        {[&] { doc.LastCoord = 300; }, true, "1 finding", "Saved with 1 finding"},
    };
    for (const Step& s : steps) {
        s.edit();
        EXPECT_EQ(list.refresh(doc), s.changed) << s.count;
        EXPECT_EQ(list.countText(), QLatin1String(s.count));
        EXPECT_EQ(list.savedText(), QLatin1String(s.saved));
    }
    EXPECT_EQ(FindingList::coordOf(list.findings().at(0)), 12);
    EXPECT_EQ(FindingList::coordOf({QStringLiteral("key-unused"), ChartFinding::Key, 3, {}}),
              std::nullopt);
}

TEST(FindingList, OnlyStepsOnWhatTheChecksReadAskForARefresh) {
    const auto cell = [](uint8_t kind, int16_t key, double tempo) {
        return NoteEntry{kind, key, tempo, tempo};
    };
    const auto scalars = [](int lastCoord, int keyCount, double delay) {
        ChartScalars s;
        s.LastCoord = lastCoord;
        s.KeyCount = keyCount;
        s.Delay = delay;
        return s;
    };
    struct Case {
        ChartChange change;
        bool refresh;
    } cases[] = {
        {{{}, {{5, cell(0, 0, 120), cell(16, 0, 120)}}, {}, {}, {}}, true},   // a note drawn
        {{{}, {{5, cell(16, 1, 120), cell(16, 2, 120)}}, {}, {}, {}}, true},  // its key index
        {{{}, {{5, cell(16, 1, 120), cell(16, 1, 90)}}, {}, {}, {}}, false},  // a speed change
        {{{}, {}, {{1, {}, {QStringLiteral("a.wav"), {}}}}, {}, {}}, true},   // the key list
        {{{}, {}, {}, scalars(48, 2, 0), scalars(96, 2, 0)}, true},           // "Note Length"
        {{{}, {}, {}, scalars(48, 2, 0), scalars(48, 3, 0)}, true},           // the key count
        {{{}, {}, {}, scalars(48, 2, 0), scalars(48, 2, 12)}, false},         // "BGM Delay"
    };
    for (const Case& c : cases) EXPECT_EQ(FindingList::mayChange(c.change), c.refresh);
}

}  // namespace
}  // namespace lumidex
