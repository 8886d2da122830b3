// The four race-day fetches and one race of the odds pass against a scripted JV-Link: what they store,
// what the status label shows, what is logged, when they beep, and that every open is closed.
#include "raceday/RaceDayTestSupport.h"

#include "jvdata/JVMessage.h"
#include "jvdata/MemoryJVLink.h"
#include "raceday/TimeSeries.h"
#include "store/Store.h"
#include "support/LockedElsewhere.h"
#include "util/FolderLock.h"
#include "voting/RealTimeFetch.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>

namespace solvane::test {
namespace {

Line OzLine(int type, std::string_view kind, std::string_view venue = "06", int race = 11)
{
    return Line("O" + std::to_string(type), kOzLength[static_cast<std::size_t>(type - 1)])
        .at(3, kind)
        .at(4, "20240105")
        .key(kDate, venue, race)
        .at(28, "01061530");
}

class FetchTest : public ::testing::Test {
protected:
    void SetUp() override { load({RaLine("05", 1, "1005"), RaLine("06", 11, "1540")}); }
    void load(const std::vector<std::string>& ra)
    {
        folder.writeData(".jvRA", ra);
        ASSERT_TRUE(DateComboChange(day, kDay, folder.options(), clock).loaded);
        day.CurRace = 1; // 中山11R
    }
    FetchEnv env()
    {
        FetchEnv e{clock};
        e.appendErrorLog = [this](const std::string& line) { errorLog.push_back(line); };
        e.pumpEvents = [this] { ++pumps; };
        return e;
    }
    std::vector<std::string> stored(std::string_view suffix, const std::filesystem::path& dir) const
    {
        return splitLines(readFile(dir / pathFromUtf8(std::string(kDay) + std::string(suffix))).value_or(""));
    }

    ManualClock clock{DateTime{2024, 1, 6, 15, 20, 0}};
    DayFolder folder;
    RaceDay day;
    MemoryJVLink link;
    std::vector<std::string> errorLog;
    int pumps = 0;
};

TEST_F(FetchTest, NothingWithoutAChosenRaceOrDay)
{
    RaceDay empty;
    EXPECT_FALSE(SokuhoOddsBtnClick(link, empty, env()).ran);
    EXPECT_FALSE(KekkaGetBtnClick(link, empty, env()).ran);
    EXPECT_FALSE(GetDMBtnClick(link, empty, env()).ran);
    EXPECT_FALSE(GetKaisaiBtnClick(link, empty, env()).ran);
    day.CurRace = 5; // no race in that slot
    EXPECT_FALSE(SokuhoOddsBtnClick(link, day, env()).ran);
    EXPECT_FALSE(KekkaGetBtnClick(link, day, env()).ran);
    EXPECT_FALSE(GetDMBtnClick(link, day, env()).ran);
    EXPECT_TRUE(link.calls.empty());
    // The change fetch needs only the day.
    EXPECT_TRUE(GetKaisaiBtnClick(link, day, env()).ran);
    EXPECT_EQ(link.calls, (std::vector<std::string>{"JVRTOpen(0B14,20240106)", "JVClose"}));
}

TEST_F(FetchTest, LiveOddsAreStoredNormalisedAndReadIntoTheRace)
{
    for (const bool notRefresh : {false, true}) {
        SCOPED_TRACE(notRefresh);
        link = MemoryJVLink();
        link.addRecord(OzLine(1, "1").num(44, 4, 35)); // odds of horse 1 start at 44 in O1
        link.addRecord(OzLine(6, "9"));
        link.addRecord(OzLine(2, "0"));
        FetchEnv e = env();
        e.notRefresh = notRefresh;
        const FetchResult r = SokuhoOddsBtnClick(link, day, e);
        EXPECT_TRUE(r.ran);
        EXPECT_TRUE(r.oddsFetched);
        EXPECT_EQ(r.redisplay, !notRefresh);
        EXPECT_EQ(r.beeps, 0) << "a clean odds fetch is quiet";
        EXPECT_EQ(r.status, "");
        EXPECT_EQ(r.statusTexts, (std::vector<std::string>{"中山11オッズ取得中", ""}));
        EXPECT_EQ(link.calls, (std::vector<std::string>{"JVRTOpen(0B30,2024010606010111)", "JVClose"}));
        EXPECT_EQ(link.lastBufferSize, kJVReadBufferOdds);
        const auto o1 = stored(".jvO1", folder.data());
        ASSERT_EQ(o1.size(), 1u);
        EXPECT_TRUE(o1[0].starts_with("O1000000000")) << o1[0].substr(0, 12);
        EXPECT_FALSE(std::filesystem::exists(folder.data() / pathFromUtf8(std::string(kDay) + ".jvO6")));
        EXPECT_FALSE(std::filesystem::exists(folder.data() / pathFromUtf8(std::string(kDay) + ".jvO2")));
        EXPECT_EQ(day.OzRace, 1);
        EXPECT_TRUE(errorLog.empty());
    }
}

// Every odds fetch keeps what it stored as announced, in our own time series: one line per announcement
// time (a repeat of the same minute replaces it), in the order of announcement, for bet-time backtests.
// Final odds, announced after the sale, are not a snapshot.
TEST_F(FetchTest, OddsFetchesKeepTheirAnnouncementsAsSnapshots)
{
    const std::filesystem::path file = OwnSnapshotFolder(folder.app()) / "20240106" / "06010111.jvO1";
    const auto fetch = [&](std::vector<Line> records) {
        link = MemoryJVLink();
        for (const Line& r : records)
            link.addRecord(r);
        ASSERT_TRUE(SokuhoOddsBtnClick(link, day, env()).oddsFetched);
    };
    const std::string at1530 = OzLine(1, "1").num(44, 4, 35), at1520 = OzLine(1, "1").at(28, "01061520");
    const std::string again1530 = OzLine(1, "1").num(44, 4, 40);
    fetch({OzLine(1, "1").num(44, 4, 35), OzLine(2, "1")});
    fetch({OzLine(1, "1").at(28, "01061520")});
    EXPECT_EQ(splitLines(readFile(file).value_or("")), (std::vector<std::string>{at1520, at1530}));
    fetch({OzLine(1, "1").num(44, 4, 40), OzLine(1, "3").at(28, "00000000")});
    EXPECT_EQ(splitLines(readFile(file).value_or("")), (std::vector<std::string>{at1520, again1530}));
    EXPECT_EQ(splitLines(readFile(OwnSnapshotFolder(folder.app()) / "20240106" / "06010111.jvO2").value_or("")).size(),
              1u);
    EXPECT_EQ(stored(".jvO1", folder.data()).size(), 1u) << "the store keeps the newest only";
    EXPECT_TRUE(errorLog.empty());
}

// An open refused (another request open, maintenance): the texts, the log and the beeps of each fetch.
TEST_F(FetchTest, FailedOpenIsShownLoggedAndBeepedByTheRules)
{
    using Fetch = FetchResult (*)(JVLink&, RaceDay&, const FetchEnv&, bool);
    struct Case {
        const char* name;
        Fetch fetch;
        bool silent;
        const char* text;
        int opens;
        int beeps;
        bool logged;
    };
    const auto odds = [](JVLink& l, RaceDay& d, const FetchEnv& e, bool) { return SokuhoOddsBtnClick(l, d, e); };
    const Case cases[] = {
        {"odds", odds, false, "中山11R:ｵｯｽﾞ取得エラー：", 1, 1, true},
        {"results", KekkaGetBtnClick, false, "中山11R:ﾚｰｽ情報データ取得エラー：", 1, 2, true},
        {"results silent", KekkaGetBtnClick, true, "中山11R:ﾚｰｽ情報データ取得エラー：", 1, 0, true},
        {"mining", GetDMBtnClick, false, "中山11R:DMデータ取得エラー：", 2, 4, true},
        {"mining silent", GetDMBtnClick, true, "中山11R:DMデータ取得エラー：", 2, 0, true},
        {"changes", GetKaisaiBtnClick, false, "中山11R:開催速報データ取得エラー：", 1, 2, true},
        {"changes by HenkoTimer", GetKaisaiBtnClick, true, "中山11R:開催速報データ取得エラー：", 1, 0, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        link = MemoryJVLink();
        link.rtOpen.otherwise = -202;
        errorLog.clear();
        const FetchResult r = c.fetch(link, day, env(), c.silent);
        const std::string text = c.text + JVMessage("JVRTOpen", -202);
        EXPECT_EQ(r.status, text);
        EXPECT_EQ(r.statusTexts.back(), text) << "the error stays on the label";
        EXPECT_EQ(r.beeps, c.beeps);
        EXPECT_EQ(errorLog, std::vector<std::string>(c.logged ? c.opens : 0, text));
        EXPECT_EQ(r.errorLog, errorLog);
        EXPECT_EQ(static_cast<int>(std::count(link.calls.begin(), link.calls.end(), "JVClose")), c.opens)
            << "closed once per open";
        EXPECT_EQ(link.readCalls, 0);
    }
}

TEST_F(FetchTest, NothingThereYetIsNoError)
{
    link.rtOpen.otherwise = -1;
    const FetchResult results = KekkaGetBtnClick(link, day, env(), true);
    EXPECT_TRUE(results.noData);
    EXPECT_EQ(results.status, "");
    EXPECT_EQ(results.statusTexts, (std::vector<std::string>{"ﾚｰｽ情報データ取得中", ""}));
    const FetchResult odds = SokuhoOddsBtnClick(link, day, env());
    EXPECT_TRUE(odds.noData);
    EXPECT_FALSE(odds.oddsFetched);
    EXPECT_EQ(odds.beeps, 0);
    EXPECT_TRUE(errorLog.empty());
    EXPECT_EQ(static_cast<int>(std::count(link.calls.begin(), link.calls.end(), "JVClose")), 2);
}

TEST_F(FetchTest, ReadAndCloseErrorsKeepWhatWasStored)
{
    struct Case {
        int readCode;
        int closeCode;
        std::vector<std::string> logged;
        int beeps;
        bool fetched;
    };
    const Case cases[] = {
        {-502, 0, {JVFailure("JVRead", -502, "")}, 1, false},
        {0, -1, {JVMessage("JVClose", -1)}, 1, true},
        {-503, -1, {JVMessage("JVRead", -503), JVMessage("JVClose", -1)}, 2, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.readCode);
        std::filesystem::remove(folder.data() / pathFromUtf8(std::string(kDay) + ".jvO1"));
        link = MemoryJVLink();
        errorLog.clear();
        link.addRecord(OzLine(1, "1"));
        if (c.readCode != 0)
            link.addResult(c.readCode);
        link.addRecord(OzLine(2, "1"));
        link.close.otherwise = c.closeCode;
        const FetchResult r = SokuhoOddsBtnClick(link, day, env());
        EXPECT_EQ(errorLog, c.logged);
        EXPECT_EQ(r.status, c.logged.back());
        EXPECT_EQ(r.beeps, c.beeps);
        EXPECT_EQ(r.oddsFetched, c.fetched);
        EXPECT_EQ(stored(".jvO1", folder.data()).size(), 1u) << "the record before the error stays stored";
        EXPECT_FALSE(link.isOpen);
    }
}

// A full disk, a folder in the way, another process holding the store: the count says what was saved, not
// what was read, and every record that was not saved says why.
TEST_F(FetchTest, AnOddsFetchCountsOnlyWhatItSaved)
{
    for (int type = 1; type <= 6; ++type)
        std::filesystem::create_directories(folder.data() /
                                            pathFromUtf8(std::string(kDay) + ".jvO" + std::to_string(type)));
    for (int type = 1; type <= 6; ++type)
        link.addRecord(OzLine(type, "1"));
    link.addRecord(OzLine(1, "9")); // a cancelled sale is passed over, not saved
    FetchResult r = SokuhoOddsBtnClick(link, day, env());
    EXPECT_EQ(r.records, 0);
    EXPECT_EQ(errorLog.size(), 6u);
    for (const std::string& line : errorLog)
        EXPECT_TRUE(line.starts_with("保存エラー：データファイルを読み込めません（")) << line;

    for (int type = 1; type <= 6; ++type)
        std::filesystem::remove(folder.data() / pathFromUtf8(std::string(kDay) + ".jvO" + std::to_string(type)));
    errorLog.clear();
    test::LockedElsewhere other(folder.app() / std::string(kWriterLockName));
    ASSERT_TRUE(other.held());
    const test::ShortLockWait shortWait(std::chrono::milliseconds(100));
    link = MemoryJVLink();
    link.addRecord(OzLine(1, "1")).addRecord(OzLine(2, "1"));
    r = SokuhoOddsBtnClick(link, day, env());
    EXPECT_EQ(r.records, 0);
    ASSERT_EQ(errorLog.size(), 2u);
    EXPECT_TRUE(errorLog[0].starts_with("保存エラー：他の処理がデータを更新しているため、変更できませんでした"))
        << errorLog[0];
    EXPECT_NE(std::find(r.statusTexts.begin(), r.statusTexts.end(), std::string(kLockWaitMessage)),
              r.statusTexts.end());
    EXPECT_TRUE(stored(".jvO1", folder.data()).empty());

    other.release();
    link = MemoryJVLink();
    link.addRecord(OzLine(1, "1")).addRecord(OzLine(2, "1")).addRecord(OzLine(6, "0"));
    r = SokuhoOddsBtnClick(link, day, env());
    EXPECT_EQ(r.records, 2);
    EXPECT_EQ(r.status, "");
}

TEST_F(FetchTest, ResultsOfADayNeverImportedStoreOnlyPayouts)
{
    const std::string hr = Line("HR", kHrLength).at(3, "2").at(4, "20240106").key("20240113", "06", 11);
    link.addRecord(RaLine("06", 11, "1540", 16, "20240113"));
    link.addRecord(SeLine("06", 11, 1, "7", "20240113"));
    link.addRecord(hr);
    const FetchResult r = KekkaGetBtnClick(link, day, env());
    EXPECT_EQ(r.status, "");
    EXPECT_EQ(r.beeps, 1) << "a clean close beeps";
    const auto dir = folder.data();
    EXPECT_FALSE(std::filesystem::exists(dir / pathFromUtf8("2024年01月13日.jvRA")));
    EXPECT_FALSE(std::filesystem::exists(dir / pathFromUtf8("2024年01月13日中山.jvSEr")));
    const auto hrLines = splitLines(readFile(dir / pathFromUtf8("2024年01月13日.jvHR")).value_or(""));
    ASSERT_EQ(hrLines.size(), 1u);
    EXPECT_EQ(hrLines[0], hr) << "payouts keep their data kind and creation date";
}

TEST_F(FetchTest, ResultsOfAnImportedDayUpdateRacesAndRunners)
{
    folder.writeRunners("中山", {SeLine("06", 11, 1, "1")});
    link.addRecord(Line(RaLine("06", 11, "1545")).at(3, "7").at(4, "20240106"));
    link.addRecord(SeLine("06", 11, 1, "7").at(100, "X"));
    const FetchResult r = KekkaGetBtnClick(link, day, env(), true);
    EXPECT_EQ(r.beeps, 0);
    const auto ra = stored(".jvRA", folder.data());
    ASSERT_EQ(ra.size(), 2u);
    EXPECT_EQ(field(ra[1], 3, 9), "000000000");
    EXPECT_EQ(field(ra[1], 874, 4), "1545");
    const auto se = stored("中山.jvSEr", folder.data());
    ASSERT_EQ(se.size(), 216u);
    EXPECT_EQ(field(se[10 * 18], 3, 1), "7") << "runners are stored as delivered";
    EXPECT_EQ(field(se[10 * 18], 100, 1), "X");
}

TEST_F(FetchTest, MiningAsksForBothKindsAndReadsThemIn)
{
    Line dm("DM", kDmLength);
    dm.at(3, "3").key(kDate, "06", 11).at(34, "09500").at(39, "0010").at(43, "0020");
    Line tm("TM", kTmLength);
    tm.at(3, "1").key(kDate, "06", 11).at(34, "0500");
    link.addRecord(dm).addResult(-1).addResult(0).addRecord(tm);
    const FetchResult r = GetDMBtnClick(link, day, env(), false);
    EXPECT_EQ(link.calls,
              (std::vector<std::string>{"JVRTOpen(0B13,20240106)", "JVClose", "JVRTOpen(0B17,20240106)", "JVClose"}));
    EXPECT_EQ(r.statusTexts, (std::vector<std::string>{"DM取得中", "", "対戦DM取得中", ""}));
    EXPECT_EQ(r.beeps, 2);
    EXPECT_EQ(stored(".jvDM", folder.data()), std::vector<std::string>{dm.str()}) << "DM as delivered";
    const auto tmLines = stored(".jvTM", folder.data());
    ASSERT_EQ(tmLines.size(), 1u);
    EXPECT_EQ(field(tmLines[0], 3, 9), "000000000");
    EXPECT_EQ(day.RaceRecs[1].DmTime[1], 9500);
    EXPECT_EQ(day.RaceRecs[1].DmFlag, 1);
    EXPECT_EQ(day.RaceRecs[1].TmScore[1], 500);
}

std::string WeRecord(std::string_view venue, std::string_view hhmm, std::string_view kind, std::string_view codes)
{
    return Line("WE", 42)
        .at(3, "1")
        .at(12, kDate)
        .at(20, venue)
        .at(22, "0101")
        .at(26, "0106")
        .at(30, hhmm)
        .at(34, kind)
        .at(35, codes);
}

std::string TcRecord(int race, std::string_view announced, std::string_view newTime)
{
    return Line("TC", kTcLength).at(3, "1").key(kDate, "06", race).at(28, announced).at(36, newTime).at(40, "1540");
}

TEST_F(FetchTest, WeatherAnnouncementsOutOfOrderAndRepeats)
{
    link.addRecord(WeRecord("06", "1030", "2", "2"));
    link.addRecord(WeRecord("06", "0945", "2", "3"));
    link.addRecord(WeRecord("06", "1030", "2", "4")); // the 10:30 report again, corrected
    const FetchResult r = GetKaisaiBtnClick(link, day, env(), true);
    EXPECT_EQ(r.beeps, 0);
    const auto we = stored(".WE", folder.chg());
    ASSERT_EQ(we.size(), 2u);
    EXPECT_EQ(field(we[0], 30, 4), "0945") << "sorted";
    EXPECT_EQ(day.RaceRecs[1].Tenko, "4") << "the latest announcement wins, as corrected";
}

TEST_F(FetchTest, PostTimeChangesWithAndWithoutNew)
{
    struct Case {
        bool withNew;
        const char* post;
        const char* autoOzTime;
    };
    const Case cases[] = {{false, "1600", "155000"}, {true, "1540", "153000"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.withNew);
        std::filesystem::remove_all(folder.chg());
        load({RaLine("05", 1, "1005"), RaLine("06", 11, "1540")});
        if (c.withNew)
            DayFolder::write(folder.chg(), std::string(kDay) + ".NEW", {"", "", "", "01061300", ""});
        link = MemoryJVLink();
        link.addRecord(TcRecord(11, "01061200", "1600"));
        const FetchResult r = GetKaisaiBtnClick(link, day, env(), true);
        EXPECT_TRUE(r.pressNextRace);
        EXPECT_EQ(stored(".TC", folder.chg()).size(), 1u);
        EXPECT_EQ(field(day.RaRecs[1], 874, 4), c.post);
        EXPECT_EQ(day.RaceRecs[1].AutoOzTime, c.autoOzTime);
        EXPECT_EQ(field(stored(".jvRA", folder.data())[1], 874, 4), c.post);
    }
}

TEST_F(FetchTest, PassRaceLogsTheDayAndReloadsItsSlot)
{
    std::vector<std::string> daily;
    const auto log = [&](const std::string& line) { daily.push_back(line); };
    link.rtOpen.next = {-202, 0};
    link.addRecord(OzLine(1, "1"));
    const FetchResult refused = FetchPassOdds(link, day, env(), "2024010606010111 1", log);
    EXPECT_EQ(refused.status, "中山11R:" + JVMessage("JVRTOpen", -202));
    EXPECT_EQ(refused.statusTexts.front(), "中山11R ｵｯｽﾞ取得中");
    EXPECT_EQ(refused.beeps, 1);
    EXPECT_TRUE(daily.empty());
    const FetchResult fetched = FetchPassOdds(link, day, env(), "2024010606010111 1", log);
    EXPECT_TRUE(fetched.oddsFetched);
    EXPECT_EQ(daily, (std::vector<std::string>{"-----", "■オッズ取得 中山11R 2024/01/06 15:20:00"}));
    EXPECT_EQ(errorLog.size(), 1u);
    EXPECT_EQ(day.OzRace, 1);
}

TEST_F(FetchTest, ChangeFilesRefuseRecordsWithoutADay)
{
    std::string error;
    EXPECT_FALSE(StoreWeRecord(folder.chg(), Line("WE", 42).at(12, "../../x").str(), &error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(StoreTcRecord(folder.chg(), Line("TC", kTcLength).at(12, "2024 106").str(), &error));
}

} // namespace
} // namespace solvane::test
