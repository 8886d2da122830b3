#include "RaceDayTestSupport.h"

#include "app/LoadSettings.h"
#include "raceday/DayLoader.h"
#include "raceday/Mining.h"
#include "raceday/OddsReader.h"
#include "raceday/Payouts.h"

#include <gtest/gtest.h>

#include <utility>

namespace solvane::test {
namespace {

const std::string kTokyo = toSjis("東京");
const std::string kNakayama = toSjis("中山");

// A compi line: 14 bytes of date, venue and race, then 18 (horse, index) entries and 8 (bracket, index).
std::string CompiLine(int race, const std::vector<std::pair<int, int>>& horses,
                      const std::vector<std::pair<int, int>>& brackets = {})
{
    std::string line = std::string(kDate) + kTokyo + strprintf("%2d", race);
    for (std::size_t i = 0; i < 18; ++i)
        line += i < horses.size() ? strprintf("%2d%2d", horses[i].first, horses[i].second) : "    ";
    line += "  ";
    for (std::size_t i = 0; i < 8; ++i)
        line += i < brackets.size() ? strprintf("%2d%2d", brackets[i].first, brackets[i].second) : "    ";
    return line + "  ";
}

class LoaderTest : public ::testing::Test {
protected:
    DayLoadResult load(LoadOptions options)
    {
        ManualClock clock = OtherDayClock();
        return DateComboChange(day, kDay, options, clock);
    }
    DayLoadResult load() { return load(folder.options()); }

    DayFolder folder;
    RaceDay day;
};

TEST_F(LoaderTest, MissingRaceFileReportsUnfinishedDataUnlessTheLoadIsQuiet)
{
    DayLoadResult r = load();
    EXPECT_FALSE(r.loaded);
    EXPECT_EQ(r.message, "データ作成が未完了のようです。");
    EXPECT_TRUE(day.RaceList.empty());
    EXPECT_FALSE(r.selectFirstRace);

    LoadOptions quiet = folder.options();
    quiet.quiet = true;
    r = load(quiet);
    EXPECT_FALSE(r.loaded);
    EXPECT_EQ(r.message, "");
}

TEST_F(LoaderTest, TwelveRacesOfOneVenueFillSlotsZeroToElevenOnly)
{
    std::vector<std::string> ra;
    for (int race = 1; race <= 12; ++race)
        ra.push_back(RaLine("05", race));
    folder.writeData(".jvRA", ra);

    const DayLoadResult r = load();
    ASSERT_TRUE(r.loaded) << r.notes.error;
    ASSERT_EQ(day.RaceList.size(), 12u);
    EXPECT_EQ(day.RaceList[0].text, "東京 1R");
    EXPECT_EQ(day.RaceList[10].text, "東京11R");
    EXPECT_EQ(day.RaceList[11].text, "東京12R");
    for (int i = 0; i < 12; ++i)
        EXPECT_EQ(day.RaceList[static_cast<std::size_t>(i)].slot, i);
    for (int s = 12; s < kRaceSlots; ++s) {
        EXPECT_EQ(day.RaRecs[static_cast<std::size_t>(s)], std::string(kRaLength, ' '));
        EXPECT_EQ(day.RaceRecs[static_cast<std::size_t>(s)].AutoOzTime, "");
    }
    EXPECT_EQ(day.RaRecs[0].size(), kRaLength);
    EXPECT_EQ(day.RaRecs[0].substr(kRaLength - 2), "\r\n");
    EXPECT_TRUE(r.selectFirstRace);
    EXPECT_TRUE(r.pressNextRace);
    EXPECT_EQ(day.RaceRecs[0].Tenko, "1");
    EXPECT_EQ(day.RaceRecs[0].ShibaBaba, "1");
    EXPECT_EQ(day.RaceRecs[0].DirtBaba, "2");
}

TEST_F(LoaderTest, RaceFileIsMatchedIgnoringCaseAndReadsAtMost36Records)
{
    std::vector<std::string> ra;
    for (int i = 0; i < 40; ++i)
        ra.push_back(RaLine(i < 12 ? "05" : i < 24 ? "06" : i < 36 ? "08" : "09", i % 12 + 1));
    DayFolder::write(folder.data(), std::string(kDay) + ".JVRA", ra);

    ASSERT_TRUE(load().loaded);
    EXPECT_EQ(day.RaceList.size(), 36u);
    EXPECT_EQ(day.RaceList[35].text, "京都12R");
}

TEST_F(LoaderTest, AutomaticFetchTimes)
{
    struct Case {
        std::string post;
        int minutes, seconds, interval;
        std::string oz, tohyo;
    };
    const std::vector<Case> cases = {
        {"1005", 10, 0, 5, "095500", "095505"},
        {"1005", 1, 30, 20, "100330", "100350"},
        {"1500", 59, 0, 5, "140100", "140105"},
        {"    ", 10, 0, 5, "", ""},
        {"0000", 10, 0, 5, "", ""},
        {"10:5", 10, 0, 5, "", ""},
        {"2460", 10, 0, 5, "", ""},
        {"0005", 10, 0, 5, "", ""},
    };
    for (const Case& c : cases) {
        folder.writeData(".jvRA", {RaLine("06", 1, c.post)});
        LoadOptions o = folder.options();
        o.fetchTimes = {c.minutes, c.seconds, c.interval};
        ASSERT_TRUE(load(o).loaded);
        EXPECT_EQ(day.RaceRecs[0].AutoOzTime, c.oz) << c.post << " " << c.minutes;
        EXPECT_EQ(day.RaceRecs[0].AutoTohyoTime1, c.tohyo) << c.post << " " << c.minutes;
    }
}

TEST_F(LoaderTest, CompiIndexOrderGapsAndEqualIndexes)
{
    folder.writeData(".jvRA", {RaLine("05", 1, "1005", 5)});
    // Horse 4 and horse 2 share index 60; horse 5 is the highest with 80.
    folder.writeData("東京.comp", {CompiLine(1, {{5, 80}, {4, 60}, {2, 60}, {1, 50}, {3, 40}}, {{3, 70}, {1, 55}})});

    ASSERT_TRUE(load().loaded);
    const TOutData& r = day.RaceRecs[0];
    EXPECT_EQ(r.CompiIndex[5], 80);
    EXPECT_EQ(r.CompiRank[5], 1);
    EXPECT_EQ(r.CompiRank[2], 3);
    EXPECT_EQ(r.WakuCompi[3], 70);
    EXPECT_EQ(r.WakuCompiRank[1], 2);

    struct Expect {
        int h, gap;
        double ratio;
    };
    for (const Expect& e :
         std::vector<Expect>{{3, 10, 50.0 / 40}, {1, 10, 60.0 / 50}, {2, 0, 1.0}, {4, 20, 80.0 / 60}, {5, -1, 0.0}}) {
        EXPECT_EQ(r.CompiGap[static_cast<std::size_t>(e.h)], e.gap) << "horse " << e.h;
        EXPECT_DOUBLE_EQ(r.CompiRatio[static_cast<std::size_t>(e.h)], e.ratio) << "horse " << e.h;
    }
    // Horses without an index keep the reset values.
    EXPECT_EQ(r.CompiGap[6], -1);
}

TEST_F(LoaderTest, CompiFileOfTheSiblingProgramWinsOverOursAndMissingLinesGiveNoIndex)
{
    folder.writeData(".jvRA", {RaLine("05", 1, "1005", 3), RaLine("05", 2, "1035", 3), RaLine("05", 3, "1105", 3)});
    folder.writeData("東京.comp", {CompiLine(1, {{1, 11}})});
    const std::filesystem::path harunire = folder.app() / "harunire";
    DayFolder::write(harunire / "DATA", std::string(kDay) + "東京.comp",
                     {CompiLine(1, {{1, 77}, {2, 66}}), CompiLine(2, {{3, 55}, {25, 90}, {2, 0}})});
    LoadOptions o = folder.options();
    o.harunireFolder = harunire;

    ASSERT_TRUE(load(o).loaded);
    EXPECT_EQ(day.RaceRecs[0].CompiIndex[1], 77);
    EXPECT_EQ(day.RaceRecs[0].CompiIndex[2], 66);
    // Horse number 25 names no runner and index 0 is no index.
    EXPECT_EQ(day.RaceRecs[1].CompiIndex[3], 55);
    EXPECT_EQ(day.RaceRecs[1].CompiIndex[2], 0);
    // The file has two lines: race 3 has no compi data.
    EXPECT_EQ(day.RaceRecs[2].CompiIndex[1], 0);

    // Without the sibling program's file our own Data folder serves.
    o.harunireFolder = folder.app() / "nowhere";
    ASSERT_TRUE(load(o).loaded);
    EXPECT_EQ(day.RaceRecs[0].CompiIndex[1], 11);
}

TEST_F(LoaderTest, ResultsRecordedFlag)
{
    folder.writeData(".jvRA", {RaLine("05", 1, "1005", 2), RaLine("06", 1, "1010", 2)});

    // No runner file at all: nothing contradicts the flag.
    DayLoadResult r = load();
    EXPECT_TRUE(day.ResultsRecorded);
    EXPECT_EQ(r.resultsLabel, "成績記録済");
    EXPECT_EQ(r.resultsLabelColor, 0x00FFFFu);

    folder.writeRunners("東京", {SeLine("05", 1, 1), SeLine("05", 1, 2)});
    r = load();
    EXPECT_TRUE(day.ResultsRecorded);

    folder.writeRunners("中山", {SeLine("06", 1, 1), SeLine("06", 1, 2, "2")});
    r = load();
    EXPECT_FALSE(day.ResultsRecorded);
    EXPECT_EQ(r.resultsLabel, "成績未記録");
    EXPECT_EQ(r.resultsLabelColor, 0xFFFF00u);
    EXPECT_EQ(day.SeRecs[1][1].substr(0, 3), "SE2");
}

TEST_F(LoaderTest, ForecastMarksGoToTheirRaces)
{
    folder.writeData(".jvRA", {RaLine("05", 1, "1005", 3), RaLine("05", 2, "1035", 3), RaLine("06", 2, "1040", 4)});
    const std::string mark1 = toSjis("◎"), mark2 = toSjis("○"), mark3 = toSjis("▲");
    const std::string blank2 = "  ";
    folder.writeData(
        ".FI", {kNakayama + "02  " + mark1 + mark2 + blank2 + mark3 + std::string(28, ' '), kTokyo + "01  " + mark3});
    std::string tf = kTokyo + "02  ";
    tf += std::string(36, ' ');                               // factor 1: none
    tf += mark2 + std::string(34, ' ');                       // factor 2: horse 1
    tf += std::string(4, ' ') + mark1 + std::string(30, ' '); // factor 3: horse 3
    folder.writeData(".TF", {tf});

    ASSERT_TRUE(load().loaded);
    EXPECT_EQ(day.RaceRecs[2].FiMark[1], mark1);
    EXPECT_EQ(day.RaceRecs[2].FiMark[2], mark2);
    EXPECT_EQ(day.RaceRecs[2].FiMark[3], blank2);
    EXPECT_EQ(day.RaceRecs[2].FiMark[4], mark3);
    EXPECT_EQ(day.RaceRecs[0].FiMark[1], mark3);
    // A short line gives empty marks for the horses it does not reach.
    EXPECT_EQ(day.RaceRecs[0].FiMark[2], "");
    EXPECT_EQ(day.RaceRecs[1].FiMark[1], "");
    EXPECT_EQ(day.RaceRecs[1].TfMark[2][1], mark2);
    EXPECT_EQ(day.RaceRecs[1].TfMark[3][3], mark1);
    EXPECT_EQ(day.RaceRecs[1].TfMark[1][1], blank2);
    EXPECT_EQ(day.RaceRecs[0].TfMark[2][1], "");
}

TEST_F(LoaderTest, StakesAreReseededAndTimer4FollowsTheSetting)
{
    folder.writeData(".jvRA", {RaLine("05", 1)});
    day.RaceStakeList[0][5] = "100";
    LoadOptions o = folder.options();
    o.defaultStakes = {100, 200, 300, 400, 500, 600, 700, 800};
    o.autoRdataGet = 3;
    const DayLoadResult r = load(o);
    for (int t = 0; t < kRaceStakeLists; ++t)
        for (int s = 0; s < kRaceSlots; ++s)
            EXPECT_EQ(day.RaceStakeList[static_cast<std::size_t>(t)][static_cast<std::size_t>(s)],
                      std::to_string((t + 1) * 100));
    EXPECT_EQ(r.timer4IntervalMs, 180000);
}

TEST_F(LoaderTest, TodayRunsTheTimersAndOtherDaysDoNot)
{
    folder.writeData(".jvRA", {RaLine("05", 1)});
    ManualClock today(DateTime{2024, 1, 6, 9, 0, 0});
    DayLoadResult r = DateComboChange(day, kDay, folder.options(), today);
    EXPECT_TRUE(r.isToday);
    EXPECT_TRUE(r.runTodayTimers);

    // A day without its race file is still today, but nothing runs.
    r = DateComboChange(day, "2024年01月05日", folder.options(), ManualClock(DateTime{2024, 1, 5, 9, 0, 0}));
    EXPECT_TRUE(r.isToday);
    EXPECT_FALSE(r.runTodayTimers);

    ManualClock tomorrow(DateTime{2024, 1, 7, 9, 0, 0});
    r = DateComboChange(day, kDay, folder.options(), tomorrow);
    EXPECT_FALSE(r.isToday);
    EXPECT_FALSE(r.runTodayTimers);
}

TEST_F(LoaderTest, LoadingAnotherDayLeavesNothingOfThePrevious)
{
    folder.writeData(".jvRA", {RaLine("05", 1), RaLine("05", 2)});
    folder.writeData(".FI", {kTokyo + "01  " + toSjis("◎")});
    ASSERT_TRUE(load().loaded);
    ASSERT_EQ(day.RaceRecs[0].FiMark[1], toSjis("◎"));

    folder.writeData(".jvRA", {RaLine("06", 1, "1005", 16, "20240107")}, "2024年01月07日");
    ManualClock clock = OtherDayClock();
    ASSERT_TRUE(DateComboChange(day, "2024年01月07日", folder.options(), clock).loaded);
    EXPECT_EQ(day.RaceList.size(), 1u);
    EXPECT_EQ(day.RaceRecs[0].FiMark[1], "");
    EXPECT_EQ(day.RaRecs[1], std::string(kRaLength, ' '));

    // A failed load blanks the tables too.
    ASSERT_FALSE(DateComboChange(day, "2024年01月08日", folder.options(), clock).loaded);
    EXPECT_EQ(day.RaRecs[0], std::string(kRaLength, ' '));
}

TEST_F(LoaderTest, ProgressRunsFromZeroToTheRaceCountAndCloses)
{
    folder.writeData(".jvRA", {RaLine("05", 1), RaLine("05", 2), RaLine("05", 3)});
    std::vector<LoadProgress> seen;
    ManualClock clock = OtherDayClock();
    DateComboChange(day, kDay, folder.options(), clock, [&](const LoadProgress& p) { seen.push_back(p); });
    ASSERT_GE(seen.size(), 5u);
    EXPECT_EQ(seen.front().position, 0);
    EXPECT_EQ(seen.front().text, "レースデータを読み込んでいます。");
    EXPECT_EQ(seen.front().dayKey, kDay);
    EXPECT_EQ(seen.front().maximum, 35);
    EXPECT_EQ(seen[3].position, 3);
    EXPECT_TRUE(seen.back().finished);
}

TEST(DateListTest, NewestFirstAndBatchLoadSkipsDaysWithStatFiles)
{
    DayFolder folder;
    const std::vector<std::string> days = {"2024年01月06日", "2024年01月07日", "2024年01月13日"};
    for (const std::string& d : days)
        folder.writeData(".jvRA", {RaLine("05", 1)}, d);
    folder.writeData(".jvHR", {}, "2024年01月20日");
    const std::vector<std::string> list = StoredDayList(folder.app());
    ASSERT_EQ(list, (std::vector<std::string>{"2024年01月13日", "2024年01月07日", "2024年01月06日"}));

    DayFolder::write(folder.app() / "STAT", "2024年01月07日.stat1", {});
    RaceDay day;
    std::vector<std::string> loaded;
    ManualClock clock = OtherDayClock();
    const int count =
        DirectReadBtnClick(day, list, folder.options(), clock, [&](const std::string& d, const DayLoadResult& r) {
            EXPECT_TRUE(r.loaded);
            loaded.push_back(d);
        });
    EXPECT_EQ(count, 2);
    EXPECT_EQ(loaded, (std::vector<std::string>{"2024年01月06日", "2024年01月13日"}));

    // The batch is quiet: a listed day whose race file has gone says nothing, and the options the caller
    // passed stay as they were, so the next single load speaks again.
    ASSERT_TRUE(std::filesystem::remove(folder.data() / pathFromUtf8("2024年01月13日.jvRA")));
    std::vector<std::string> messages;
    DirectReadBtnClick(day, list, folder.options(), clock,
                       [&](const std::string&, const DayLoadResult& r) { messages.push_back(r.message); });
    EXPECT_EQ(messages, (std::vector<std::string>{"", ""}));
    EXPECT_EQ(DateComboChange(day, "2024年01月13日", folder.options(), clock).message, kNoDataMessage);
}

TEST(DayKeyTest, OnlyRealDatesInTheKeyForm)
{
    struct Case {
        std::string text;
        bool ok;
    };
    const std::vector<Case> cases = {
        {"2024年01月06日", true},       {"2024年02月29日", true},   {"2023年02月29日", false}, {"2024年1月6日", false},
        {"2024年01月06日.jvRA", false}, {"../2024年01月06", false}, {"2024-01-06", false},     {"", false},
        {"２０２４年01月06日", false}};
    for (const Case& c : cases)
        EXPECT_EQ(IsDayKey(c.text), c.ok) << c.text;
    EXPECT_EQ(DayKeyOf(DateTime{2024, 1, 6, 23, 59, 0}), "2024年01月06日");
}

TEST_F(LoaderTest, TextThatIsNoDayLoadsNothing)
{
    folder.writeData(".jvRA", {RaLine("05", 1)});
    DayFolder::write(folder.data(), "x.jvRA", {RaLine("05", 1)});
    ManualClock clock = OtherDayClock();
    const DayLoadResult r = DateComboChange(day, "x", folder.options(), clock);
    EXPECT_FALSE(r.loaded);
    EXPECT_EQ(r.message, "データ作成が未完了のようです。");
}

TEST(RaceDayTest, ReadersBeforeAnyLoadReadNothing)
{
    RaceDay day;
    day.OzRace = 3;
    ReadNotes notes;
    OzReadBtnClick(day, &notes);
    HrReadBtnClick(day, &notes);
    DMReadBtnClick(day, &notes);
    const ChangeReadResult changes = KaisaiReadBtnClick(day, {});
    EXPECT_FALSE(changes.pressNextRace);
    EXPECT_FALSE(notes.failed());
    EXPECT_DOUBLE_EQ(day.RaceRecs[3].TanOz[1], 0.0);
    EXPECT_EQ(day.RaceRecs[3].CompiGap[1], -1);
    EXPECT_FALSE(SelectRace(day, 0));
}

TEST_F(LoaderTest, SelectRaceFollowsTheRaceList)
{
    folder.writeData(".jvRA", {RaLine("05", 1), RaLine("05", 2)});
    ASSERT_TRUE(load().loaded);
    ASSERT_TRUE(SelectRace(day, 1));
    EXPECT_EQ(day.CurRace, 1);
    ASSERT_TRUE(SelectRace(day, 0));
    EXPECT_EQ(day.CurRace, 0);
    EXPECT_EQ(day.PrevRace, 1);
    EXPECT_FALSE(SelectRace(day, 2));
    EXPECT_EQ(day.CurRace, 0);
}

TEST(LoadSettingsTest, OptionsComeFromTheSettingsFileWithTheirDefaults)
{
    DayFolder folder;
    SettingsFile settings(folder.app() / "Solvane.ini", SettingsDefaults{folder.app(), {}});
    LoadOptions o = LoadOptionsFrom(settings, folder.app());
    EXPECT_EQ(o.fetchTimes.autoOzGet, 10);
    EXPECT_EQ(o.fetchTimes.autoOzGetSec, 0);
    EXPECT_EQ(o.fetchTimes.autoTohyoInterval, 5);
    EXPECT_EQ(o.autoRdataGet, 10);
    EXPECT_EQ(o.defaultStakes[7], 3000);
    EXPECT_EQ(o.harunireFolder, folder.app());

    ASSERT_TRUE(settings.set(keys::AutoOzGet, 3));
    ASSERT_TRUE(settings.set(keys::DefaultAmountSRT, 700));
    ASSERT_TRUE(settings.set(keys::Harunire, "/opt/harunire"));
    o = LoadOptionsFrom(settings, folder.app());
    EXPECT_EQ(o.fetchTimes.autoOzGet, 3);
    EXPECT_EQ(o.defaultStakes[7], 700);
    EXPECT_EQ(o.harunireFolder, std::filesystem::path("/opt/harunire"));
}

} // namespace
} // namespace solvane::test
