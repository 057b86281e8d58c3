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

}  // namespace
}  // namespace lumidex
