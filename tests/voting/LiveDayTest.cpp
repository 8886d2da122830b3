// Ticks carried out: the odds pass over a refused and a served race, a tick arriving while the pass
// lets events run, the silent timer fetches, a race fetched again after its post time moved, and the
// manual odds fetch's flag.
#include "raceday/RaceDayTestSupport.h"

#include "jvdata/JVMessage.h"
#include "jvdata/MemoryJVLink.h"
#include "voting/LiveDay.h"

#include <gtest/gtest.h>

namespace solvane::test {
namespace {

class LiveDayTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder.writeData(".jvRA", {RaLine("05", 1, "1005"), RaLine("06", 1, "1005"), RaLine("06", 2, "1030")});
        const DayLoadResult load = DateComboChange(day, kDay, folder.options(), clock);
        ASSERT_TRUE(load.loaded);
        SelectRace(day, 0);
        state.onDayLoaded(day, load, 10, clock.now());
    }
    FetchEnv env()
    {
        FetchEnv e{clock};
        e.appendErrorLog = [this](const std::string& line) { errorLog.push_back(line); };
        return e;
    }

    ManualClock clock{DateTime{2024, 1, 6, 9, 0, 0}};
    DayFolder folder;
    RaceDay day;
    MemoryJVLink link;
    ScheduleState state;
    ScheduleSettings settings;
    std::vector<std::string> errorLog, daily;
};

TEST_F(LiveDayTest, ARefusedRaceIsLoggedAndThePassGoesOn)
{
    state.onDayLoaded(day, DayLoadResult{.runTodayTimers = true}, 10, DateTime{2024, 1, 6, 9, 54, 0});
    clock.set(DateTime{2024, 1, 6, 9, 55, 0});
    const DueActions due = state.tick(day, clock.now(), settings);
    ASSERT_EQ(due.oddsEntries.size(), 2u);
    ASSERT_FALSE(due.mining);
    link.rtOpen.next = {-202};
    const TickOutcome out =
        RunDueActions(state, link, day, env(), due, [&](const std::string& l) { daily.push_back(l); });
    const std::string refused = "東京 1R:" + JVMessage("JVRTOpen", -202);
    EXPECT_EQ(out.did,
              (std::vector<std::string>{"ｵｯｽﾞ取得 東京 1R", "エラー：" + refused, "ｵｯｽﾞ取得 中山 1R", "アラート音"}));
    EXPECT_EQ(errorLog, std::vector<std::string>{refused});
    EXPECT_EQ(daily, (std::vector<std::string>{"-----", "■オッズ取得 中山 1R 2024/01/06 09:55:00"}));
    EXPECT_TRUE(out.playSound);
    EXPECT_TRUE(out.redisplay);
    EXPECT_EQ(out.beeps, 1);
    EXPECT_FALSE(state.oddsPassRunning);
    // The refused race keeps its flag: its second time does not retry it.
    clock.set(DateTime{2024, 1, 6, 9, 55, 5});
    EXPECT_TRUE(state.tick(day, clock.now(), settings).oddsEntries.empty());
}

TEST_F(LiveDayTest, TicksInsideThePassStartNoSecondPass)
{
    clock.set(DateTime{2024, 1, 6, 9, 55, 0});
    std::vector<DueActions> inner;
    FetchEnv e = env();
    // The pass lets events run; the window's timer ticks in there, a second later each time.
    e.pumpEvents = [&] {
        clock.advance(1);
        inner.push_back(state.tick(day, clock.now(), settings));
    };
    const DueActions due = state.tick(day, clock.now(), settings);
    RunDueActions(state, link, day, e, due, {});
    ASSERT_GE(inner.size(), 5u) << "the ticks reached 09:55:05";
    for (const DueActions& d : inner)
        EXPECT_TRUE(d.oddsEntries.empty());
    EXPECT_EQ(std::count(link.calls.begin(), link.calls.end(), "JVRTOpen(0B30,2024010605010101)"), 1);
}

TEST_F(LiveDayTest, TimerFetchesAreSilentAndAChangeRefillsTheNextRaceList)
{
    DueActions due;
    due.mining = due.results = due.changes = true;
    link.addResult(0, 3); // mining (two requests) and results read nothing
    link.addRecord(Line("TC", kTcLength).at(3, "1").key(kDate, "06", 2).at(28, "01060900").at(36, "0955").str());
    const TickOutcome out = RunDueActions(state, link, day, env(), due, {});
    EXPECT_EQ(out.beeps, 0);
    EXPECT_EQ(out.did, (std::vector<std::string>{"ﾏｲﾆﾝｸﾞ", "結果情報", "変更情報", "直近R 09:55 中山 2R"}));
    ASSERT_TRUE(out.nextRace);
    EXPECT_EQ(out.nextRace->lines.front(), "09:55 中山 2R");
    EXPECT_EQ(day.RaceRecs[2].AutoOzTime, "094500");
    EXPECT_FALSE(state.resultsJobRunning || state.changesJobRunning);
}

// 東京10R posts at 15:05 and its odds are fetched at 14:55. A change read at readAt moves the post to
// newPost: the race is fetched again at its new time while that time is still to come.
TEST_F(LiveDayTest, APostTimeMovedAfterTheFetchIsFetchedAgainAtItsNewTime)
{
    struct Case {
        const char* newPost;
        DateTime readAt;
        const char* refetchAt; // "hhmmss"; "" = not fetched again
    };
    const Case cases[] = {
        {"1510", {2024, 1, 6, 14, 57, 0}, "150000"},
        {"1507", {2024, 1, 6, 14, 57, 2}, "145705"}, // the first new time has just gone, the second not
        {"1506", {2024, 1, 6, 14, 57, 0}, ""},       // both new times gone: the earlier odds stay
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.newPost);
        DayFolder own;
        own.writeData(".jvRA", {RaLine("05", 10, "1505")});
        RaceDay race;
        ScheduleState fresh;
        link = MemoryJVLink();
        clock.set(DateTime{2024, 1, 6, 14, 50, 0});
        const DayLoadResult load = DateComboChange(race, kDay, own.options(), clock);
        ASSERT_TRUE(load.loaded);
        fresh.onDayLoaded(race, load, 10, clock.now());

        clock.set(DateTime{2024, 1, 6, 14, 55, 0});
        const DueActions first = fresh.tick(race, clock.now(), settings);
        ASSERT_EQ(first.oddsEntries.size(), 1u);
        RunDueActions(fresh, link, race, env(), first, {});

        clock.set(c.readAt);
        DueActions changes;
        changes.changes = true;
        const std::string announced = "0106" + c.readAt.hhnn();
        link.addRecord(Line("TC", kTcLength).at(3, "1").key(kDate, "05", 10).at(28, announced).at(36, c.newPost).str());
        RunDueActions(fresh, link, race, env(), changes, {});
        ASSERT_EQ(field(race.RaRecs[0], 874, 4), c.newPost);

        std::vector<std::string> fetchedAt;
        for (DateTime t = c.readAt.addSeconds(1); t.hhnn() < "1510"; t = t.addSeconds(1)) {
            if (!fresh.tick(race, t, settings).oddsEntries.empty())
                fetchedAt.push_back(t.hhnnss());
        }
        EXPECT_EQ(fetchedAt, *c.refetchAt ? std::vector<std::string>{c.refetchAt} : std::vector<std::string>{});
    }
}

TEST_F(LiveDayTest, ManualOddsFetchSetsTheFlagOnlyWhenTheOddsCame)
{
    struct Case {
        int open;
        bool flag;
    };
    for (const Case c : {Case{-504, false}, Case{-1, false}, Case{0, true}}) {
        SCOPED_TRACE(c.open);
        ScheduleState fresh;
        link = MemoryJVLink();
        link.rtOpen.otherwise = c.open;
        PressSokuhoOdds(fresh, link, day, env());
        EXPECT_EQ(fresh.flags().get(kDay, 0), c.flag);
    }
}

} // namespace
} // namespace solvane::test
