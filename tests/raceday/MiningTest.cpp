#include "RaceDayTestSupport.h"

#include "raceday/DayLoader.h"
#include "raceday/Mining.h"

#include <gtest/gtest.h>

namespace solvane::test {
namespace {

class MiningTest : public ::testing::Test {
protected:
    void SetUp() override { folder.writeData(".jvRA", {RaLine("05", 1, "1005", 6), RaLine("06", 1, "1010", 6)}); }
    void load()
    {
        ManualClock clock = OtherDayClock();
        ASSERT_TRUE(DateComboChange(day, kDay, folder.options(), clock).loaded);
    }
    DayFolder folder;
    RaceDay day;
};

// A DM line: horse j's time, plus error and minus error at their entries.
Line DmLine(std::string_view venue, std::string_view kind, const std::vector<int>& times)
{
    Line dm("DM", kDmLength);
    dm.at(3, kind).key(kDate, venue, 1);
    // Meeting and day are not compared: a different meeting still matches.
    dm.at(22, "0203");
    for (std::size_t j = 0; j < times.size(); ++j) {
        dm.num(32 + 15 * j, 2, static_cast<long long>(j + 1));
        if (times[j] > 0)
            dm.num(34 + 15 * j, 5, times[j]).num(39 + 15 * j, 4, 12).num(43 + 15 * j, 4, 34);
    }
    return dm;
}

TEST_F(MiningTest, TimesRankFastestFirstAndEqualTimesGoToTheLowerNumber)
{
    folder.writeData(".jvDM", {DmLine("05", "2", {13550, 13420, 0, 13420, 13600, 13410})});
    load();
    const TOutData& r = day.RaceRecs[0];
    EXPECT_EQ(r.DmFlag, 0);
    EXPECT_EQ(r.DmTime[1], 13550);
    EXPECT_EQ(r.DmErrPlus[1], 12);
    EXPECT_EQ(r.DmErrMinus[1], 34);
    const PerHorse<int> rank{0, 4, 2, 0, 3, 5, 1};
    for (std::size_t h = 1; h <= 6; ++h)
        EXPECT_EQ(r.DmRank[h], rank[h]) << h;
    EXPECT_EQ(day.RaceRecs[1].DmRank[1], 0);
}

TEST_F(MiningTest, RunnerRecordsOverrideTheMiningFileAndSetTheFlag)
{
    folder.writeData(".jvDM", {DmLine("05", "1", {13550, 13420})});
    Line se(SeLine("05", 1, 1, "7"));
    se.at(537, "3").num(538, 5, 13000).num(543, 4, 5).num(547, 4, 6);
    Line tooSlow(SeLine("05", 1, 2, "7"));
    tooSlow.at(537, "1").at(538, "99999");
    folder.writeRunners("東京", {se, tooSlow});
    load();
    const TOutData& r = day.RaceRecs[0];
    EXPECT_EQ(r.DmFlag, 1);
    EXPECT_EQ(r.DmTime[1], 13000);
    EXPECT_EQ(r.DmErrPlus[1], 5);
    EXPECT_EQ(r.DmRank[1], 1);
    EXPECT_EQ(r.DmTime[2], 13420); // 99999 is no time: the file's value stays
    EXPECT_EQ(r.DmRank[2], 2);
}

TEST_F(MiningTest, DataKindThreeOrSevenOfTheFileSetsTheFlag)
{
    for (const auto& [kind, flag] : std::vector<std::pair<std::string, int>>{{"3", 1}, {"7", 1}, {"2", 0}, {"0", 0}}) {
        folder.writeData(".jvDM", {DmLine("06", kind, {13550})});
        load();
        EXPECT_EQ(day.RaceRecs[1].DmFlag, flag) << kind;
    }
}

TEST_F(MiningTest, MatchScoresRankHighestFirstAndEqualScoresGoToTheHigherNumber)
{
    Line tm("TM", kTmLength);
    tm.key(kDate, "06", 1);
    const std::vector<std::string> scores = {"0500", "0750", "0500", "1001", "    ", "0000"};
    for (std::size_t j = 0; j < scores.size(); ++j)
        tm.num(32 + 6 * j, 2, static_cast<long long>(j + 1)).at(34 + 6 * j, scores[j]);
    folder.writeData(".jvTM", {tm});
    load();
    const TOutData& r = day.RaceRecs[1];
    const PerHorse<int> score{0, 500, 750, 500, 0, 0, 0};
    const PerHorse<int> rank{0, 3, 1, 2, 0, 0, 0};
    for (std::size_t h = 1; h <= 6; ++h) {
        EXPECT_EQ(r.TmScore[h], score[h]) << h;
        EXPECT_EQ(r.TmRank[h], rank[h]) << h;
    }
}

} // namespace
} // namespace solvane::test
