// The automatic schedule on a simulated clock: which races are due at which second, the working
// windows, the odds flags, the next-race list and the timers' pace. No test waits.
#include "raceday/RaceDayTestSupport.h"

#include "voting/Schedule.h"

#include <gtest/gtest.h>

namespace solvane::test {
namespace {

DateTime At(int h, int m, int s = 0)
{
    return DateTime{2024, 1, 6, h, m, s};
}

// A day of three races at 10:05 (slot 0), 10:30 (slot 1) and 10:05 (slot 2), loaded as today.
class ScheduleTest : public ::testing::Test {
protected:
    void load(FetchTimeSettings times = {}, const DateTime& now = At(8, 0))
    {
        folder.writeData(".jvRA", {RaLine("05", 1, "1005"), RaLine("05", 2, "1030"), RaLine("06", 1, "1005")});
        LoadOptions o = folder.options();
        o.fetchTimes = times;
        const ManualClock clock(now);
        loadResult = DateComboChange(day, kDay, o, clock);
        ASSERT_TRUE(loadResult.loaded);
        state.onDayLoaded(day, loadResult, o.autoRdataGet, now);
    }
    DueActions tickAt(const DateTime& now) { return state.tick(day, now, settings); }

    DayFolder folder;
    RaceDay day;
    DayLoadResult loadResult;
    ScheduleState state;
    ScheduleSettings settings;
};

TEST_F(ScheduleTest, FetchTimesFollowTheSettings)
{
    struct Case {
        FetchTimeSettings times;
        int slot;
        const char* first;
        const char* second;
    };
    const Case cases[] = {
        {{10, 0, 5}, 0, "095500", "095505"},
        {{10, 30, 5}, 0, "095430", "095435"},
        {{5, 0, 10}, 1, "102500", "102510"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.first);
        load(c.times);
        EXPECT_EQ(day.RaceRecs[static_cast<std::size_t>(c.slot)].AutoOzTime, c.first);
        EXPECT_EQ(day.RaceRecs[static_cast<std::size_t>(c.slot)].AutoTohyoTime1, c.second);
    }
}

TEST_F(ScheduleTest, HoursBorrowForARaceOnTheHour)
{
    folder.writeData(".jvRA", {RaLine("05", 1, "1000")});
    const ManualClock clock(At(8, 0));
    ASSERT_TRUE(DateComboChange(day, kDay, folder.options(), clock).loaded);
    EXPECT_EQ(day.RaceRecs[0].AutoOzTime, "095000");
    EXPECT_EQ(day.RaceRecs[0].AutoTohyoTime1, "095005");
}

TEST(ScheduleWindows, WorkingAndChangeWindowsCompareMinutesAsText)
{
    struct Case {
        DateTime now;
        bool working;
        bool changes;
    };
    const Case cases[] = {
        {At(8, 29, 59), false, false}, {At(8, 30, 0), false, true},  {At(8, 59, 59), false, true},
        {At(9, 0, 0), true, true},     {At(17, 0, 59), true, true},  {At(17, 1, 0), true, false},
        {At(18, 0, 30), true, false},  {At(18, 0, 59), true, false}, {At(18, 1, 0), false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.now.hh_nn_ss());
        EXPECT_EQ(InWorkingWindow(c.now), c.working);
        EXPECT_EQ(InChangeWindow(c.now), c.changes);
    }
}

TEST_F(ScheduleTest, TwoRacesDueInOneSecondMakeOnePassWithOneSound)
{
    load();
    settings.ozAlarm = "/media/Ring08.wav";
    EXPECT_TRUE(tickAt(At(9, 54, 59)).oddsEntries.empty());
    const DueActions due = tickAt(At(9, 55, 0));
    ASSERT_EQ(due.oddsEntries.size(), 2u);
    EXPECT_EQ(due.oddsEntries[0], "2024010605010101 0");
    EXPECT_EQ(due.oddsEntries[1], "2024010606010101 2");
    EXPECT_EQ(SlotOfEntry(due.oddsEntries[1]), 2);
    EXPECT_TRUE(due.playSound);
    EXPECT_EQ(due.soundFile, "/media/Ring08.wav");
    EXPECT_TRUE(state.flags().get(kDay, 0));
    EXPECT_TRUE(state.flags().get(kDay, 2));
    EXPECT_FALSE(state.flags().get(kDay, 1));
    // The second time does not fetch again.
    EXPECT_TRUE(tickAt(At(9, 55, 5)).oddsEntries.empty());
}

TEST_F(ScheduleTest, NoSoundWhenTheMenuItemIsOff)
{
    load();
    settings.sound1 = false;
    const DueActions due = tickAt(At(9, 55, 0));
    EXPECT_EQ(due.oddsEntries.size(), 2u);
    EXPECT_FALSE(due.playSound);
}

TEST_F(ScheduleTest, TheSecondTimeServesWhenTheFirstSecondWasMissed)
{
    load();
    // The tick of 09:55:00 came late: the next one is at 09:55:01.
    EXPECT_TRUE(tickAt(At(9, 55, 1)).oddsEntries.empty());
    const DueActions due = tickAt(At(9, 55, 5));
    EXPECT_EQ(due.oddsEntries.size(), 2u);
}

TEST_F(ScheduleTest, OverWriteOKDecidesAfterAManualFetch)
{
    struct Case {
        bool overWriteOK;
        std::size_t atFirst;
        std::size_t atSecond;
    };
    const Case cases[] = {{false, 0, 0}, {true, 1, 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.overWriteOK);
        ScheduleState fresh;
        state = fresh;
        load();
        settings.overWriteOK = c.overWriteOK;
        state.markFetched(day, 1); // "速報ｵｯｽﾞ" on the 10:30 race before its time
        EXPECT_EQ(tickAt(At(10, 20, 0)).oddsEntries.size(), c.atFirst);
        EXPECT_EQ(tickAt(At(10, 20, 5)).oddsEntries.size(), c.atSecond);
    }
}

TEST_F(ScheduleTest, NothingOutsideTheWorkingWindowOrWhileAPassRuns)
{
    load(FetchTimeSettings{10, 0, 5}, At(8, 0));
    day.RaceRecs[0].AutoOzTime = "085959";
    day.RaceRecs[1].AutoOzTime = "180100";
    day.RaceRecs[2].AutoOzTime = "180030";
    EXPECT_TRUE(tickAt(At(8, 59, 59)).oddsEntries.empty());
    EXPECT_TRUE(tickAt(At(18, 1, 0)).oddsEntries.empty());
    state.oddsPassRunning = true;
    EXPECT_TRUE(tickAt(At(18, 0, 30)).oddsEntries.empty());
    EXPECT_FALSE(state.flags().get(kDay, 2)) << "a tick held back by the pass must not use up the race";
    state.oddsPassRunning = false;
    EXPECT_EQ(tickAt(At(18, 0, 30)).oddsEntries.size(), 1u);
}

TEST_F(ScheduleTest, NoTimerWorkWhenTheDayIsNotToday)
{
    load(FetchTimeSettings{}, DateTime{2024, 1, 5, 12, 0, 0});
    EXPECT_FALSE(loadResult.isToday);
    EXPECT_FALSE(state.todayTimersRunning());
    EXPECT_FALSE(state.clockRunning());
    // The clock says the 6th now, but the day was loaded as another day's: the timers stay off,
    // and still no fetch since the loaded day is not the clock's day.
    DueActions due;
    for (int s = 0; s <= 3600; ++s) {
        due = state.tick(day, DateTime{2024, 1, 7, 9, 30, 0}.addSeconds(s), settings);
        ASSERT_TRUE(due.oddsEntries.empty() && !due.mining && !due.changes && !due.nextRaceTimer);
        ASSERT_TRUE(due.clockText.empty());
    }
}

TEST_F(ScheduleTest, FlagsBelongToTheirDay)
{
    load();
    state.markFetched(day, 0);
    // Another day with a race in slot 0 due at 09:55:00.
    folder.writeData(".jvRA", {RaLine("05", 1, "1005", 16, "20240107")}, "2024年01月07日");
    const DateTime sunday{2024, 1, 7, 9, 55, 0};
    const ManualClock clock(sunday);
    RaceDay other;
    const DayLoadResult r = DateComboChange(other, "2024年01月07日", folder.options(), clock);
    ASSERT_TRUE(r.loaded);
    state.onDayLoaded(other, r, 10, sunday.addSeconds(-60));
    EXPECT_EQ(state.tick(other, sunday, settings).oddsEntries.size(), 1u);
    // Coming back to Saturday finds its flag.
    EXPECT_TRUE(state.flags().get(kDay, 0));
    EXPECT_FALSE(state.flags().get(kDay, 1));
}

TEST_F(ScheduleTest, NextRaceListAndSelections)
{
    load();
    const std::vector<std::string> lines = NowTimeRaceList(day);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], "10:05 中山 1R") << "equal times in Shift-JIS text order";
    EXPECT_EQ(lines[1], "10:05 東京 1R");
    EXPECT_EQ(lines[2], "10:30 東京 2R");

    struct Case {
        DateTime now;
        std::optional<int> line;     // 直近R / CurRaceTimer
        std::optional<int> nextRace; // 直前ﾚｰｽ slot
    };
    const Case cases[] = {
        {At(9, 0), 0, 0},
        {At(10, 4, 59), 0, 0},
        {At(10, 5, 0), 0, 1}, // a race posting this minute: next for 直近R, not for 直前ﾚｰｽ
        {At(10, 5, 59), 0, 1},
        {At(10, 6, 0), 2, 1},
        {At(10, 30, 30), 2, std::nullopt},
        {At(15, 0, 0), 2, std::nullopt}, // after the last race: the last line, and 直前ﾚｰｽ does nothing
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.now.hh_nn_ss());
        EXPECT_EQ(NextRaceLine(lines, c.now), c.line);
        EXPECT_EQ(NextRaceBtnSlot(day, c.now), c.nextRace);
    }
    EXPECT_EQ(NextRaceLine({}, At(10, 0)), std::nullopt);
    EXPECT_EQ(NextRaceBtnSlot(day, DateTime{2024, 1, 7, 9, 0, 0}), std::nullopt) << "not today";
}

TEST(ScheduleTexts, ClockAndCountdown)
{
    const std::string ra = RaLine("05", 1, "1005").str() + "\r\n";
    struct Case {
        DateTime now;
        bool selected;
        const char* text;
    };
    const Case cases[] = {
        {At(9, 0, 0), true, "発走までの残り時間：01:05:00"},
        {At(10, 4, 59), true, "発走までの残り時間：00:00:01"},
        {At(10, 5, 0), true, "発走済み"},
        {DateTime{2024, 1, 5, 10, 4, 59}, true, "発走までの残り時間：24:00:01"},
        {At(9, 0, 0), false, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(RestTimeText(ra, c.selected, c.now), c.text);
    }
    EXPECT_EQ(RestTimeText(std::string(100, ' '), true, At(9, 0)), "");
    EXPECT_EQ(ClockText(At(9, 5, 7)), "09:05:07");
}

TEST_F(ScheduleTest, TimersKeepTheirPaceFromTheLoad)
{
    load(FetchTimeSettings{}, At(8, 0));
    ASSERT_TRUE(state.todayTimersRunning());
    EXPECT_EQ(state.timer4IntervalMs(), 600000);
    std::vector<std::string> mining, results, changes, nextRace;
    for (DateTime t = At(8, 0, 1); t <= At(9, 40); t = t.addSeconds(1)) {
        const DueActions due = tickAt(t);
        if (due.mining)
            mining.push_back(t.hhnn());
        if (due.results)
            results.push_back(t.hhnn());
        if (due.changes)
            changes.push_back(t.hhnn());
        if (due.nextRaceTimer)
            nextRace.push_back(t.hh_nn_ss());
    }
    // Timer4 every 10 minutes from 08:00, working only from 09:00; results once past 10:05 - 40 min.
    EXPECT_EQ(mining, (std::vector<std::string>{"0900", "0910", "0920", "0930", "0940"}));
    EXPECT_EQ(results, (std::vector<std::string>{"0930", "0940"}));
    // HenkoTimer every 5 minutes from the load, from 08:30.
    ASSERT_FALSE(changes.empty());
    EXPECT_EQ(changes.front(), "0830");
    EXPECT_EQ(changes.size(), 15u);
    EXPECT_EQ(nextRace.front(), "08:00:30");
    EXPECT_EQ(nextRace.size(), 200u);
}

TEST_F(ScheduleTest, HenkoTimerStopsAfterFive)
{
    load(FetchTimeSettings{}, At(16, 50));
    std::vector<std::string> changes;
    for (DateTime t = At(16, 50, 1); t <= At(17, 10); t = t.addSeconds(1)) {
        if (tickAt(t).changes)
            changes.push_back(t.hhnn());
    }
    EXPECT_EQ(changes, (std::vector<std::string>{"1655", "1700"}));
}

} // namespace
} // namespace solvane::test
