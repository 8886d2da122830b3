#include "RaceDayTestSupport.h"

#include "raceday/Changes.h"
#include "raceday/DayLoader.h"
#include "support/LockedElsewhere.h"
#include "util/FolderLock.h"

#include <gtest/gtest.h>

#include <chrono>

namespace solvane::test {
namespace {

// A WE line: venue, announcement "hhmm" on the day, change kind, weather, turf and dirt going.
std::string WeLine(std::string_view venue, std::string_view hhmm, std::string_view kind, std::string_view codes)
{
    Line we("WE", 42);
    return we.at(3, "1")
        .at(12, kDate)
        .at(20, venue)
        .at(22, "0101")
        .at(26, "0106")
        .at(30, hhmm)
        .at(34, kind)
        .at(35, codes);
}

// A TC line: race, announcement "MMDDhhmm", new and old post time.
std::string TcLine(std::string_view venue, int race, std::string_view announced, std::string_view newTime,
                   std::string_view oldTime = "1540")
{
    Line tc("TC", kTcLength);
    return tc.at(3, "1").key(kDate, venue, race).at(28, announced).at(36, newTime).at(40, oldTime);
}

class ChangesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        raLines = {RaLine("05", 11, "1520"), RaLine("06", 10, "1505"), RaLine("06", 11, "1540")};
        folder.writeData(".jvRA", raLines);
        ManualClock clock = OtherDayClock();
        ASSERT_TRUE(DateComboChange(day, kDay, folder.options(), clock).loaded);
    }
    void writeChg(std::string_view suffix, const std::vector<std::string>& lines)
    {
        DayFolder::write(folder.chg(), std::string(kDay) + std::string(suffix), lines);
    }
    std::vector<std::string> storedRaLines() const
    {
        return splitLines(readFile(folder.data() / pathFromUtf8(std::string(kDay) + ".jvRA")).value());
    }

    DayFolder folder;
    RaceDay day;
    std::vector<std::string> raLines;
};

TEST_F(ChangesTest, LatestAnnouncementWinsWhateverTheLineOrder)
{
    writeChg(".WE", {
                        WeLine("05", "1030", "2", "200"),
                        WeLine("05", "0945", "2", "300"),
                        WeLine("05", "1100", "3", "034"),
                        WeLine("05", "0800", "1", "111"), // initial state, after the changes: used for nothing
                        WeLine("11", "1200", "2", "500"), // no JRA track
                        WeLine("00", "1200", "2", "500"),
                    });
    const ChangeReadResult r = KaisaiReadBtnClick(day, {});
    EXPECT_FALSE(r.pressNextRace); // no ".TC" file
    EXPECT_EQ(day.RaceRecs[0].Tenko, "2");
    EXPECT_EQ(day.RaceRecs[0].ShibaBaba, "3");
    EXPECT_EQ(day.RaceRecs[0].DirtBaba, "4");
    // Nakayama has no announcement: its races keep the weather and going of their race records.
    EXPECT_EQ(day.RaceRecs[1].Tenko, "1");
    EXPECT_EQ(day.RaceRecs[1].DirtBaba, "2");
}

// A race keeps the weather and going it ran in: a change reaches only the races posting at or after
// its announcement, by their post time after the post-time changes of the same read.
TEST_F(ChangesTest, AChangeReachesOnlyTheRacesPostingFromItsAnnouncementOn)
{
    folder.writeData(
        ".jvRA", {RaLine("05", 1, "1005"), RaLine("05", 6, "1230"), RaLine("05", 9, "1355"), RaLine("05", 11, "1520")});
    ManualClock clock = OtherDayClock();
    ASSERT_TRUE(DateComboChange(day, kDay, folder.options(), clock).loaded);
    writeChg(".WE", {
                        WeLine("05", "0800", "1", "123"), // initial: fine, turf yielding, dirt soft
                        WeLine("05", "1230", "2", "3"),   // rain
                        WeLine("05", "1400", "3", "044"), // both tracks heavy
                    });
    writeChg(".TC", {TcLine("05", 9, "01061330", "1405", "1355")}); // 9R now posts after the going change
    KaisaiReadBtnClick(day, {});

    struct Case {
        int slot;
        const char* race;
        const char* tenko;
        const char* shiba;
        const char* dirt;
    };
    const Case cases[] = {
        {0, "1R 10:05, before both changes", "1", "2", "3"},
        {1, "6R 12:30, posting as the rain is announced", "3", "2", "3"},
        {2, "9R moved from 13:55 to 14:05", "3", "4", "4"},
        {3, "11R 15:20", "3", "4", "4"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.race);
        const TOutData& r = day.RaceRecs[static_cast<std::size_t>(c.slot)];
        EXPECT_EQ(r.Tenko, c.tenko);
        EXPECT_EQ(r.ShibaBaba, c.shiba);
        EXPECT_EQ(r.DirtBaba, c.dirt);
    }
}

TEST_F(ChangesTest, InitialStateCountsOnlyUntilAChangeOfItsKind)
{
    writeChg(".WE", {WeLine("06", "0800", "1", "123"), WeLine("06", "0900", "2", "400")});
    KaisaiReadBtnClick(day, {});
    EXPECT_EQ(day.RaceRecs[1].Tenko, "4");
    EXPECT_EQ(day.RaceRecs[1].ShibaBaba, "2");
    EXPECT_EQ(day.RaceRecs[2].DirtBaba, "3");
}

TEST_F(ChangesTest, PostTimeChangeRewritesTheRaceFileAndTheFetchTimes)
{
    writeChg(".TC", {TcLine("06", 11, "01061200", "1550")});
    const ChangeReadResult r = KaisaiReadBtnClick(day, {});
    EXPECT_TRUE(r.pressNextRace);
    EXPECT_TRUE(r.notes.error.empty()) << r.notes.error;
    EXPECT_EQ(r.movedSlots, std::vector<int>{2}) << "the schedule learns which race moved";

    const std::vector<std::string> stored = storedRaLines();
    ASSERT_EQ(stored.size(), 3u);
    EXPECT_EQ(stored[0], raLines[0]);
    EXPECT_EQ(stored[1], raLines[1]);
    EXPECT_EQ(field(stored[2], 874, 4), "1550");
    EXPECT_EQ(stored[2].size(), raLines[2].size());
    EXPECT_EQ(field(day.RaRecs[2], 874, 4), "1550");
    EXPECT_EQ(day.RaceRecs[2].AutoOzTime, "154000");
    EXPECT_EQ(day.RaceRecs[2].AutoTohyoTime1, "154005");
    EXPECT_EQ(day.RaceRecs[1].AutoOzTime, "145500");

    // With other settings the fetch times follow them; the post time is where the first read put it.
    EXPECT_TRUE(KaisaiReadBtnClick(day, {5, 30, 10}).movedSlots.empty());
    EXPECT_EQ(day.RaceRecs[2].AutoOzTime, "154430");
    EXPECT_EQ(day.RaceRecs[2].AutoTohyoTime1, "154440");
}

// Loading today's day rewrites the race file as a fetch does: only under the application folder's writer
// lock, and from the file as it is then.
TEST_F(ChangesTest, APostTimeChangeIsWrittenOnlyUnderTheWritersLock)
{
    writeChg(".TC", {TcLine("06", 11, "01061200", "1550")});
    {
        LockedElsewhere other(folder.app() / std::string(kWriterLockName));
        ASSERT_TRUE(other.held());
        const ShortLockWait shortWait(std::chrono::milliseconds(100));
        const ChangeReadResult r = KaisaiReadBtnClick(day, {});
        EXPECT_TRUE(r.notes.error.starts_with("他の処理がデータを更新しているため、変更できませんでした"))
            << r.notes.error;
        EXPECT_EQ(storedRaLines(), raLines);
        EXPECT_EQ(field(day.RaRecs[2], 874, 4), "1550") << "the loaded day has the change all the same";
    }
    // Meanwhile another process stored a race: it stays, and the change goes in.
    std::vector<std::string> meanwhile = raLines;
    meanwhile.push_back(RaLine("06", 12, "1615"));
    folder.writeData(".jvRA", meanwhile);
    const ChangeReadResult r = KaisaiReadBtnClick(day, {});
    EXPECT_TRUE(r.notes.error.empty()) << r.notes.error;
    const std::vector<std::string> stored = storedRaLines();
    ASSERT_EQ(stored.size(), 4u);
    EXPECT_EQ(field(stored[2], 874, 4), "1550");
    EXPECT_EQ(stored[3], meanwhile[3]);
}

TEST_F(ChangesTest, ChangesAnnouncedUpToTheNewFileAreSkipped)
{
    writeChg(".TC", {TcLine("05", 11, "01060950", "1530"), TcLine("06", 11, "01061030", "1555")});
    writeChg(".NEW", {"a", "b", "c", "01061000", "e"});
    KaisaiReadBtnClick(day, {});
    EXPECT_EQ(field(day.RaRecs[0], 874, 4), "1520");
    EXPECT_EQ(field(day.RaRecs[2], 874, 4), "1555");
    EXPECT_EQ(field(storedRaLines()[0], 874, 4), "1520");

    // A ".NEW" file of another shape is not read: every change applies.
    writeChg(".NEW", {"a", "b", "c", "01061000"});
    KaisaiReadBtnClick(day, {});
    EXPECT_EQ(field(day.RaRecs[0], 874, 4), "1530");
    EXPECT_EQ(field(storedRaLines()[0], 874, 4), "1530");
}

TEST_F(ChangesTest, ChangeWithoutATimeKeepsTheStoredPostTime)
{
    for (std::string_view none : {"0000", "    "}) {
        writeChg(".TC", {TcLine("06", 11, "01061200", none)});
        KaisaiReadBtnClick(day, {});
        EXPECT_EQ(field(day.RaRecs[2], 874, 4), "1540");
        EXPECT_EQ(storedRaLines()[2], raLines[2]);
        EXPECT_EQ(day.RaceRecs[2].AutoOzTime, "153000");
    }
}

TEST_F(ChangesTest, LoadingTodayAppliesTheChanges)
{
    writeChg(".TC", {TcLine("05", 11, "01061200", "1600")});
    writeChg(".WE", {WeLine("05", "0900", "2", "500")});
    ManualClock today(DateTime{2024, 1, 6, 9, 30, 0});
    const DayLoadResult r = DateComboChange(day, kDay, folder.options(), today);
    ASSERT_TRUE(r.loaded);
    EXPECT_TRUE(r.isToday);
    EXPECT_EQ(day.RaceRecs[0].AutoOzTime, "155000");
    EXPECT_EQ(day.RaceRecs[0].Tenko, "5");
}

} // namespace
} // namespace solvane::test
