// The bet types' fixed texts and the per-race stakes of a day.
#include "kaime/BakenType.h"

#include <gtest/gtest.h>

using namespace solvane;

namespace {

TEST(BakenType, OrderNamesAndFormats)
{
    const char* names[] = {"単勝", "複勝", "枠連", "馬連", "ワイド", "馬単", "３連複", "３連単"};
    const char* keys[] = {"Tan", "Fuk", "WR", "UR", "WD", "UT", "SRF", "SRT"};
    for (int i = 0; i < kBakenTypes; ++i) {
        const BakenTypeInfo& info = InfoOf(kAllBakenTypes[static_cast<std::size_t>(i)]);
        EXPECT_EQ(IndexOf(info.type), i);
        EXPECT_EQ(info.name, names[i]);
        EXPECT_EQ(info.key, keys[i]);
        EXPECT_EQ(BakenTypeOfName(names[i]), info.type);
        EXPECT_EQ(BakenTypeOfName(keys[i]), info.type);
        EXPECT_EQ(BakenTypeOfName(info.caption), info.type);
    }
    EXPECT_EQ(InfoOf(BakenType::SRF).caption, "三連複");
    EXPECT_EQ(BakenTypeOfName("3連単"), BakenType::SRT);
    EXPECT_FALSE(BakenTypeOfName("三連"));
    EXPECT_EQ(OddsText(BakenType::Tan, 2.5), "   2.5");
    EXPECT_EQ(OddsText(BakenType::UR, 12.25), "   12.2");
    EXPECT_EQ(OddsText(BakenType::SRT, 1234.5), "  1234.5");
}

TEST(BakenType, StakesPerTypeAndRace)
{
    auto day = std::make_unique<RaceDay>();
    SeedStakes(*day, {3000, 3000, 3000, 3000, 3000, 3000, 3000, 5000});
    EXPECT_EQ(StakeOf(*day, BakenType::SRT, 35), 5000);
    EXPECT_EQ(day->RaceStakeList[0][4], "3000");
    // A stake typed for race slot 4 stays with that race.
    ASSERT_TRUE(SetStake(*day, BakenType::Tan, 4, 1200));
    EXPECT_EQ(StakeOf(*day, BakenType::Tan, 4), 1200);
    EXPECT_EQ(StakeOf(*day, BakenType::Tan, 5), 3000);
    EXPECT_EQ(StakeOf(*day, BakenType::Fuk, 4), 3000);
    // Another day's load reseeds every race.
    SeedStakes(*day, {3000, 3000, 3000, 3000, 3000, 3000, 3000, 3000});
    EXPECT_EQ(StakeOf(*day, BakenType::Tan, 4), 3000);
    EXPECT_FALSE(SetStake(*day, BakenType::Tan, 36, 100));
    EXPECT_EQ(StakeOf(*day, BakenType::Tan, -1), 0);
    day->RaceStakeList[0][0] = "abc";
    EXPECT_EQ(StakeOf(*day, BakenType::Tan, 0), 0);
}

TEST(BakenType, DefaultStakeDialogRaisesToTheMinimum)
{
    EXPECT_EQ(DefaultStakeToStore(50), 100);
    EXPECT_EQ(DefaultStakeToStore(-5), 100);
    EXPECT_EQ(DefaultStakeToStore(100), 100);
    EXPECT_EQ(DefaultStakeToStore(3000), 3000);
    EXPECT_EQ(DefaultStakeToStore(99999999), 99999999);
}

TEST(BakenType, LabelsSortAsNumbers)
{
    EXPECT_LT(std::string(" 2- 9"), std::string("10-11"));
}

} // namespace
