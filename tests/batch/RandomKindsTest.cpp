#include <gtest/gtest.h>

#include <set>

#include "RandomKinds.h"

using namespace lumidex;

TEST(RandomKinds, PicksStayInTheChosenSetAndRepeatFromRunToRun) {
    RandomKindSet set, again;
    std::multiset<int> seen;
    for (int i = 0; i < 4000; ++i) {
        const int k = set.RandomKind();
        EXPECT_EQ(k, again.RandomKind());
        seen.insert(k);
    }
    // Only the start-up kinds, each about a quarter of the time.
    for (int k : {16, 17, 18, 19}) EXPECT_NEAR(double(seen.count(k)), 1000.0, 150.0) << k;
    EXPECT_EQ(seen.size(), seen.count(16) + seen.count(17) + seen.count(18) + seen.count(19));

    ASSERT_TRUE(set.confirm({18, 19, 26}));
    // An empty choice keeps the set.
    EXPECT_FALSE(set.confirm({}));
    EXPECT_EQ(set.kinds(), (std::vector<uint8_t>{18, 19, 26}));
    EXPECT_TRUE(set.contains(26));
    EXPECT_FALSE(set.contains(16));
    for (int i = 0; i < 300; ++i) EXPECT_TRUE(set.contains(set.RandomKind()));

    // More kinds than the table holds: the first 51 are kept.
    std::vector<uint8_t> many;
    for (int k = 16; k < 127; ++k) many.push_back(uint8_t(k));
    ASSERT_TRUE(set.confirm(many));
    EXPECT_EQ(set.RandCount(), RandomKindSet::kSlots);
    EXPECT_FALSE(set.contains(16 + RandomKindSet::kSlots));
}
