// Appearance rates counted from a small hand-written store, and the saved copy that follows it.
#include "kaime/AppearanceRates.h"

#include "store/Store.h"
#include "support/TempDir.h"
#include "util/Files.h"
#include "util/Text.h"

#include <gtest/gtest.h>

using namespace solvane;

namespace {

std::string raLine(int race, int runners)
{
    std::string ra(kRaLength - 2, ' ');
    ra.replace(0, 2, "RA");
    ra.replace(11, 8, "20240106");
    ra.replace(19, 2, "06");
    ra.replace(25, 2, strprintf("%02d", race));
    ra.replace(881, 2, strprintf("%02d", runners));
    return ra;
}

// runners[h - 1] = {win popularity, place}.
void putRace(std::vector<std::string>& se, int race, const std::vector<std::pair<int, int>>& runners)
{
    for (std::size_t i = 0; i < runners.size(); ++i) {
        std::string& line = se[static_cast<std::size_t>(*SlotIndex(race, static_cast<int>(i) + 1))];
        line.assign(kSlotLineLength, ' ');
        line.replace(0, 2, "SE");
        line.replace(334, 2, strprintf("%02d", runners[i].second));
        line.replace(363, 2, strprintf("%02d", runners[i].first));
    }
}

class StoredRates : public ::testing::Test {
protected:
    void SetUp() override
    {
        data_ = StoreFolder(dir_.path());
        std::filesystem::create_directories(data_);
        se_ = EmptySlotLines();
        // Race 1: 3 runners, favourite wins. Race 2: 3 runners, the second favourite wins.
        // Race 3: not run yet (no place 1). Race 4: 4 runners.
        putRace(se_, 1, {{1, 1}, {2, 2}, {3, 3}});
        putRace(se_, 2, {{1, 3}, {2, 1}, {3, 2}});
        putRace(se_, 3, {{1, 0}, {2, 0}, {3, 0}});
        putRace(se_, 4, {{1, 2}, {2, 1}, {3, 3}, {0, 4}});
        write();
    }
    void write()
    {
        ASSERT_TRUE(SaveStoreLines(data_ / pathFromUtf8("2024年01月06日.jvRA"),
                                   {raLine(1, 3), raLine(2, 3), raLine(3, 3), raLine(4, 4)}, nullptr));
        ASSERT_TRUE(SaveStoreLines(data_ / pathFromUtf8("2024年01月06日中山.jvSEr"), se_, nullptr));
    }
    std::filesystem::path path() const { return dir_.path(); }

    test::TempDir dir_;
    std::filesystem::path data_;
    std::vector<std::string> se_;
};

TEST_F(StoredRates, CountsFinishedRacesByRunnerCount)
{
    const AppearanceCounts c = CountStoredRaces(data_);
    EXPECT_EQ(c.races, 3);
    EXPECT_EQ(c.runners[3][1], 2);
    EXPECT_EQ(c.finishes[3][1], (std::array<long long, 3>{1, 0, 1}));
    EXPECT_EQ(c.runners[4][2], 1);
    EXPECT_EQ(c.runners[4][0], 0) << "a runner without popularity is not counted";
    EXPECT_EQ(AppearanceRateText(c, BakenType::Tan, 1, 1, 3), " 50.0");
    EXPECT_EQ(AppearanceRateText(c, BakenType::UT, 2, 3, 3), " 50.0");
    EXPECT_EQ(AppearanceRateText(c, BakenType::SRT, 3, 3, 3), " 50.0");
    EXPECT_EQ(AppearanceRateText(c, BakenType::Fuk, 1, 3, 3), " 50.0") << "up to 7 runners: first two places";
    EXPECT_EQ(AppearanceRateText(c, BakenType::WD, 1, 3, 3), "100.0");
    EXPECT_EQ(AppearanceRateText(c, BakenType::Tan, 1, 1, 5), "") << "no race of 5 runners";
    EXPECT_EQ(AppearanceRateText(c, BakenType::Tan, 2, 1, 3), "") << "win has one position";
}

TEST_F(StoredRates, SavedCopyFollowsTheStore)
{
    AppearanceRateCache cache(path());
    const AppearanceCounts first = cache.counts();
    EXPECT_EQ(first.races, 3);
    ASSERT_TRUE(std::filesystem::exists(path() / std::string(AppearanceRateCache::kFileName)));

    // A second cache reads the saved copy; its text round-trips.
    AppearanceRateCache again(path());
    EXPECT_EQ(again.counts(), first);
    const std::string fp = StoreFingerprint(data_);
    EXPECT_EQ(LoadAppearanceCounts(SaveAppearanceCounts(first, fp), fp), first);
    EXPECT_FALSE(LoadAppearanceCounts(SaveAppearanceCounts(first, fp), "other"));

    // Race 3 gets its results (an import): same file size, but the cache counts again.
    putRace(se_, 3, {{1, 1}, {2, 3}, {3, 2}});
    write();
    EXPECT_EQ(cache.counts().races, 4);
    EXPECT_EQ(cache.counts().runners[3][1], 3);
}

TEST(AppearanceRates, EmptyOrMissingStore)
{
    test::TempDir dir;
    AppearanceRateCache cache(dir.path());
    EXPECT_EQ(cache.counts().races, 0);
    EXPECT_EQ(AppearanceRateText(cache.counts(), BakenType::Tan, 1, 1, 10), "");
}

} // namespace
