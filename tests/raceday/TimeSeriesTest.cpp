// Odds from the time-series viewer's snapshots: which snapshot a race gets, how it lands in the day's
// odds files, and a generated day's time-series folder taken in whole.
#include "RaceDayTestSupport.h"

#include "feedgen/Feed.h"
#include "raceday/DayLoader.h"
#include "raceday/TimeSeries.h"
#include "store/Store.h"
#include "support/GeneratedSeason.h"
#include "support/LockedElsewhere.h"
#include "util/FolderLock.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>

namespace solvane::test {
namespace {

namespace fs = std::filesystem;

std::size_t oddsLength(StoreKind kind)
{
    return static_cast<std::size_t>(storeKindInfo(kind).recordLength);
}

// A snapshot of race r of venue 06 announced at "mmddhhmm"; tag marks the line so a test can tell
// snapshots apart.
std::string Snapshot(std::string_view announced, int race = 1, std::string_view type = "O1", char tag = 'a')
{
    const StoreKind kind = *storeKindOfType(type);
    return Line(type, oddsLength(kind)).at(3, "1").key(kDate, "06", race).at(28, announced).at(40, std::string(1, tag));
}

TEST(TimeSeriesTest, NearestSnapshotOfTheRaceDay)
{
    struct Case {
        const char* what;
        int target; // minutes of the day
        std::vector<const char*> announced;
        std::optional<std::size_t> expected;
    };
    const Case cases[] = {
        {"a tie keeps the earlier line", 9 * 60 + 55, {"01060940", "01060950", "01061000"}, 1},
        {"a tie keeps the earlier line, whatever its time", 9 * 60 + 55, {"01061000", "01060950"}, 0},
        {"exactly at the target", 10 * 60, {"01060950", "01061000", "01061005"}, 1},
        {"the eve's announcement is never taken", 9 * 60 + 55, {"01050955", "01060930"}, 1},
        {"only the eve: nothing", 9 * 60 + 55, {"01050955"}, std::nullopt},
        {"no readable time", 9 * 60 + 55, {"0106  50", "01069x50"}, std::nullopt},
        {"1000 minutes or more away: nothing", 0, {"01062359"}, std::nullopt},
        {"just under 1000 minutes", 0, {"01061639"}, 0},
        {"no lines", 600, {}, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<std::string> lines;
        for (const char* a : c.announced)
            lines.push_back(Snapshot(a));
        EXPECT_EQ(NearestSnapshot(lines, c.target), c.expected);
    }
}

// What a bettor saw at a moment: the snapshot announced last at or before it, never one after.
TEST(TimeSeriesTest, SnapshotBeforeTakesTheLastAnnouncedUpToTheLimit)
{
    struct Case {
        const char* what;
        int limit; // minutes of the day
        std::vector<const char*> announced;
        std::optional<std::size_t> expected;
    };
    const Case cases[] = {
        {"the last one before", 9 * 60 + 55, {"01060930", "01060950", "01061000"}, 1},
        {"in any file order", 9 * 60 + 55, {"01060950", "01061000", "01060930"}, 0},
        {"announced at the limit counts", 10 * 60, {"01060950", "01061000", "01061005"}, 1},
        {"two in the same minute: the later line, the newer", 9 * 60 + 55, {"01060950", "01060950"}, 1},
        {"only one, after the limit: nothing", 9 * 60 + 55, {"01060956"}, std::nullopt},
        {"the eve's announcement is never taken", 9 * 60 + 55, {"01050955", "01061000"}, std::nullopt},
        {"no readable time", 9 * 60 + 55, {"0106  50"}, std::nullopt},
        {"a limit before midnight (a post at 00:03, 5 minutes before)", -2, {"01060001"}, std::nullopt},
        {"no lines", 600, {}, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<std::string> lines;
        for (const char* a : c.announced)
            lines.push_back(Snapshot(a));
        EXPECT_EQ(SnapshotBefore(lines, c.limit), c.expected);
    }
}

TEST(TimeSeriesTest, TargetAndFolderRules)
{
    EXPECT_EQ(TimeSeriesTarget("095500"), 595);
    EXPECT_EQ(TimeSeriesTarget("1005"), 605);
    EXPECT_EQ(TimeSeriesTarget("      "), std::nullopt);
    EXPECT_EQ(TimeSeriesTarget("9:5500"), std::nullopt);

    struct Case {
        const char* setting;
        bool set;
    };
    for (const Case c :
         {Case{"", false}, Case{"   ", false}, Case{"/home/u/solvane", false}, Case{"/home/u/solvane/", false},
          Case{" /home/u/solvane ", false}, Case{"/home/u/Fenrow/Data", true}, Case{"C:\\Fenrow\\Data\\", true}}) {
        SCOPED_TRACE(c.setting);
        EXPECT_EQ(TimeSeriesFolderSet(c.setting, "/home/u/solvane"), c.set);
    }
}

TEST(TimeSeriesTest, ReplaceInPlaceOrAppend)
{
    const std::string a1 = Snapshot("01060900", 1, "O1", 'x'), b = Snapshot("01060900", 2, "O1", 'y');
    const std::string a2 = Snapshot("01060910", 1, "O1", 'z');
    const std::string fresh = Snapshot("01060955", 1, "O1", 'n');
    std::vector<std::string> lines{a1, b, a2};
    ReplaceOrAppend(lines, fresh);
    EXPECT_EQ(lines, (std::vector<std::string>{fresh, b, fresh})) << "every line of the race, nothing moved";
    const std::string c = Snapshot("01060955", 3, "O1", 'c');
    ReplaceOrAppend(lines, c);
    EXPECT_EQ(lines, (std::vector<std::string>{fresh, b, fresh, c}));
}

class TimeSeriesDay : public ::testing::Test {
protected:
    void SetUp() override
    {
        // Races 1 and 2 of venue 06 posting 10:05 and 10:30: targets 09:55 and 10:20.
        folder.writeData(".jvRA", {RaLine("06", 1, "1005"), RaLine("06", 2, "1030")});
        ASSERT_TRUE(DateComboChange(day, kDay, folder.options(), clock).loaded);
        ASSERT_EQ(day.RaceRecs[0].AutoOzTime, "095500");
    }
    void writeSeries(std::string_view name, const std::vector<std::string>& lines) const
    {
        DayFolder::write(series / "20240106", name, lines);
    }
    std::vector<std::string> stored(std::string_view suffix) const
    {
        return splitLines(readFile(folder.data() / pathFromUtf8(std::string(kDay) + std::string(suffix))).value_or(""));
    }

    ManualClock clock = OtherDayClock();
    DayFolder folder;
    fs::path series = folder.app() / "Fenrow";
    RaceDay day;
};

TEST_F(TimeSeriesDay, NearestSnapshotsReplaceTheRaceInPlaceAndOnlyO1AndO2AreCounted)
{
    writeSeries("06010101.jvO1", {Snapshot("01060940"), Snapshot("01060950", 1, "O1", 'b'), Snapshot("01061000")});
    writeSeries("06010101.jvO2", {Snapshot("01050955", 1, "O2"), Snapshot("01060930", 1, "O2", 'k')});
    writeSeries("06010101.jvO3", {Snapshot("01060955", 1, "O3")});
    // Race 2: announced on the eve only, nothing to take.
    writeSeries("06010102.jvO1", {Snapshot("01051020", 2)});
    // The day's odds file already holds race 1 (old odds) after race 2.
    const std::string race2 = Snapshot("01061025", 2, "O1", 'r'), old1 = Snapshot("01060800", 1, "O1", 'o');
    folder.writeData(".jvO1", {race2, old1});

    const TimeSeriesResult r = ImportTimeSeriesOdds(day, series, folder.data());
    EXPECT_EQ(r.error, "");
    EXPECT_EQ(r.o1, 1);
    EXPECT_EQ(r.o2, 1);
    EXPECT_EQ(r.stored, 3);
    EXPECT_EQ(stored(".jvO1"), (std::vector<std::string>{race2, Snapshot("01060950", 1, "O1", 'b')}));
    EXPECT_EQ(stored(".jvO2"), std::vector<std::string>{Snapshot("01060930", 1, "O2", 'k')});
    EXPECT_EQ(stored(".jvO3"), std::vector<std::string>{Snapshot("01060955", 1, "O3")});
    EXPECT_EQ(TimeSeriesMessage(r), "1ﾚｰｽ分の単複枠ｵｯｽﾞ\n1ﾚｰｽ分の馬連ｵｯｽﾞを取りこみました。");
}

// At bet time, race 1 (post 10:05, five minutes before: 10:00) takes the last snapshot announced by
// then from either folder, whether its file is whole records (read by their heads) or has a cut line
// (read whole); another race's record in the file never counts, and a race without one keeps nothing.
TEST_F(TimeSeriesDay, BetTimeOddsAreTheLastSnapshotsBeforeThePostFromEveryFolder)
{
    const fs::path own = folder.app() / "TimeSeries";
    DayFolder::write(own / "20240106", "06010101.jvO1", {Snapshot("01060958", 1, "O1", 'o')});
    writeSeries("06010101.jvO1", {Snapshot("01060950", 1, "O1", 'v'), Snapshot("01061001", 1, "O1", 'l')});
    const std::string taken = Snapshot("01060959", 1, "O6", 't');
    // Whole trifecta records, larger than a file read whole: 09:40, another race's 09:59, ours at 09:59.
    writeSeries("06010101.jvO6", {Snapshot("01060940", 1, "O6", 'e'), Snapshot("01060959", 2, "O6", 'x'), taken});
    DayFolder::write(own / "20240106", "06010101.jvO6", {Snapshot("01061000", 1, "O6", 'c').substr(0, 500)});

    const BetTimeOdds bet = TakeBetTimeOdds(day, 0, {series, own}, 5);
    EXPECT_EQ(bet.error, "");
    EXPECT_EQ(bet.taken, (std::array<bool, 6>{true, false, false, false, false, true}));
    EXPECT_EQ(field(day.O1Recs[0], 40, 1), "o") << "09:58 in our own folder is later than the viewer's 09:50";
    EXPECT_EQ(std::string_view(day.O6Recs[0]).substr(0, taken.size()), taken);
    // The viewer's file with a cut line is read whole, and takes the same snapshot.
    writeSeries("06010101.jvO6", {Snapshot("01060940", 1, "O6", 'e'), taken, Snapshot("01060950").substr(0, 30)});
    RaceDay again;
    ASSERT_TRUE(DateComboChange(again, kDay, folder.options(), clock).loaded);
    ASSERT_TRUE(TakeBetTimeOdds(again, 0, {series}, 5).taken[5]);
    EXPECT_EQ(std::string_view(again.O6Recs[0]).substr(0, taken.size()), taken);
    EXPECT_EQ(TakeBetTimeOdds(again, 1, {series, own}, 5).taken, (std::array<bool, 6>{}));
}

TEST_F(TimeSeriesDay, CutLinesAndOtherRacesRecordsAreNotTaken)
{
    const std::string good = Snapshot("01060930", 1, "O1", 'g');
    writeSeries("06010101.jvO1", {Snapshot("01060955").substr(0, 100), Snapshot("01060955", 2), good});
    const TimeSeriesResult r = ImportTimeSeriesOdds(day, series, folder.data());
    EXPECT_EQ(r.o1, 1);
    EXPECT_EQ(stored(".jvO1"), std::vector<std::string>{good});
}

TEST_F(TimeSeriesDay, NamesAreMatchedIgnoringCaseAndAMissingFolderTakesNothing)
{
    DayFolder::write(series / "20240106", "06010101.JVO1", {Snapshot("01060955")});
    EXPECT_EQ(ImportTimeSeriesOdds(day, series, folder.data()).o1, 1);
    const TimeSeriesResult none = ImportTimeSeriesOdds(day, folder.app() / "nowhere", folder.data());
    EXPECT_EQ(none.stored, 0);
    EXPECT_EQ(none.error, "");
}

TEST_F(TimeSeriesDay, AnOddsFileThatCannotBeReadEndsTheImport)
{
    writeSeries("06010101.jvO1", {Snapshot("01060955")});
    fs::create_directories(folder.data() / pathFromUtf8(std::string(kDay) + ".jvO1")); // a folder, not a file
    const TimeSeriesResult r = ImportTimeSeriesOdds(day, series, folder.data());
    EXPECT_NE(r.error, "");
    EXPECT_EQ(r.o1, 0);
}

// The import is a change of the store: it waits for another writer and, without the lock, writes nothing.
// An odds file that cannot be read ends it, and what it took before is saved.
TEST_F(TimeSeriesDay, TheImportHoldsTheWritersLockAndSavesWhatItTookBeforeAnError)
{
    const std::string race1 = Snapshot("01060955", 1, "O1", 'a');
    writeSeries("06010101.jvO1", {race1});
    writeSeries("06010102.jvO2", {Snapshot("01061020", 2, "O2")});
    fs::create_directories(folder.data() / pathFromUtf8(std::string(kDay) + ".jvO2")); // a folder, not a file
    {
        LockedElsewhere other(folder.app() / std::string(kWriterLockName));
        ASSERT_TRUE(other.held());
        const ShortLockWait shortWait(std::chrono::milliseconds(100));
        const TimeSeriesResult r = ImportTimeSeriesOdds(day, series, folder.data());
        EXPECT_TRUE(r.error.starts_with("他の処理がデータを更新しているため、変更できませんでした")) << r.error;
        EXPECT_TRUE(stored(".jvO1").empty());
    }
    const TimeSeriesResult r = ImportTimeSeriesOdds(day, series, folder.data());
    EXPECT_TRUE(r.error.starts_with("データファイルを読み込めません（")) << r.error;
    EXPECT_EQ(stored(".jvO1"), std::vector<std::string>{race1});
}

// A generated day that was run, with the viewer's folder beside its feed: every race gets the
// snapshot announced nearest its fetch time, in place of the final odds the import stored.
TEST(TimeSeriesGeneratedTest, EveryRaceTakesItsNearestSnapshotFromTheGeneratedFolder)
{
    feedgen::FeedOptions fo;
    fo.from = fo.to = *DateTime::parse("2024-06-01");
    fo.seed = 5;
    GeneratedSeason season(*DateTime::parse("2024-06-03 12:00:00"), fo, *DateTime::parse("2024-05-25 00:00:00"));
    ASSERT_EQ(season.error, "");
    const fs::path& feed = season.feed;
    ManualClock& clock = season.clock;

    RaceDay day;
    ASSERT_TRUE(DateComboChange(day, "2024年06月01日", LoadOptions{season.home}, clock).loaded);
    const auto o1Before =
        splitLines(readFile(StoreFolder(season.home) / pathFromUtf8("2024年06月01日.jvO1")).value_or(""));
    ASSERT_EQ(o1Before.size(), day.RaceList.size());

    const TimeSeriesResult r = ImportTimeSeriesOdds(day, feed / "jikeiretu", StoreFolder(season.home));
    ASSERT_EQ(r.error, "");
    EXPECT_EQ(r.o1, static_cast<int>(day.RaceList.size()));
    EXPECT_EQ(r.o2, static_cast<int>(day.RaceList.size()));
    EXPECT_EQ(r.stored, 6 * static_cast<int>(day.RaceList.size()));

    const auto o1 = splitLines(readFile(StoreFolder(season.home) / pathFromUtf8("2024年06月01日.jvO1")).value_or(""));
    ASSERT_EQ(o1.size(), o1Before.size()) << "replaced, not added";
    int exact = 0;
    for (const RaceListItem& item : day.RaceList) {
        SCOPED_TRACE(item.text);
        const auto s = static_cast<std::size_t>(item.slot);
        const std::string_view key = field(day.RaRecs[s], 12, 16);
        const int target = *TimeSeriesTarget(day.RaceRecs[s].AutoOzTime);
        // Announcement minutes of every snapshot of the race, read straight from the viewer's file.
        const auto series = splitLines(
            readFile(feed / "jikeiretu" / "20240601" / (std::string(key.substr(8, 8)) + ".jvO1")).value_or(""));
        ASSERT_FALSE(series.empty());
        int nearest = 100000;
        for (const std::string& line : series)
            nearest = std::min(nearest, std::abs(target - static_cast<int>(toIntDef(field(line, 32, 2), 0) * 60 +
                                                                           toIntDef(field(line, 34, 2), 0))));
        const auto it =
            std::find_if(o1.begin(), o1.end(), [&](const std::string& l) { return field(l, 12, 16) == key; });
        ASSERT_NE(it, o1.end());
        EXPECT_NE(std::find(series.begin(), series.end(), *it), series.end()) << "a snapshot line, as announced";
        const int took = static_cast<int>(toIntDef(field(*it, 32, 2), 0) * 60 + toIntDef(field(*it, 34, 2), 0));
        EXPECT_EQ(std::abs(target - took), nearest);
        exact += nearest == 0;
    }
    // Snapshots come ten minutes before the post, where the default fetch time lies.
    EXPECT_GE(exact, static_cast<int>(day.RaceList.size()) - 2);

    // The reload reads the taken odds into the model.
    RaceDay again;
    ASSERT_TRUE(DateComboChange(again, "2024年06月01日", LoadOptions{season.home}, clock).loaded);
}

} // namespace
} // namespace solvane::test
