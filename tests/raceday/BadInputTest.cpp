#include "RaceDayTestSupport.h"

#include "raceday/Changes.h"
#include "raceday/DayLoader.h"
#include "raceday/OddsReader.h"
#include "raceday/Payouts.h"

#include <gtest/gtest.h>

namespace solvane::test {
namespace {

// Bytes of every value, line ends included, the same on every run.
std::string Garble(std::size_t size, unsigned seed)
{
    std::string out(size, '\0');
    for (char& c : out) {
        seed = seed * 1103515245u + 12345u;
        c = static_cast<char>((seed >> 16) & 0xFF);
    }
    return out;
}

class BadInputTest : public ::testing::Test {
protected:
    DayLoadResult load()
    {
        ManualClock clock = OtherDayClock();
        return DateComboChange(day, kDay, folder.options(), clock);
    }
    DayFolder folder;
    RaceDay day;
};

TEST_F(BadInputTest, CutRaceRecordCostsOnlyItsRace)
{
    const std::string cut = RaLine("05", 2).str().substr(0, 900);
    folder.writeData(".jvRA", {RaLine("05", 1), cut, RaLine("05", 3)});
    const DayLoadResult r = load();
    ASSERT_TRUE(r.loaded);
    ASSERT_EQ(day.RaceList.size(), 2u);
    EXPECT_EQ(day.RaceList[0].text, "東京 1R");
    EXPECT_EQ(day.RaceList[1].text, "東京 3R");
    EXPECT_EQ(day.RaceList[1].slot, 1);
    ASSERT_EQ(r.notes.skipped.size(), 1u);
    EXPECT_NE(r.notes.skipped[0].find("2行目"), std::string::npos);
}

TEST_F(BadInputTest, RunnerLineOfTheWrongLengthCostsOnlyThatRunner)
{
    folder.writeData(".jvRA", {RaLine("05", 1, "1005", 3)});
    std::vector<std::string> lines(216, std::string(kSeLength - 2, ' '));
    lines[0] = SeLine("05", 1, 1);
    lines[1] = SeLine("05", 1, 2).str() + "extra";
    lines[2] = SeLine("05", 1, 3);
    folder.writeData("東京.jvSEr", lines);
    const DayLoadResult r = load();
    ASSERT_TRUE(r.loaded);
    EXPECT_EQ(field(day.SeRecs[0][0], 29, 2), "01");
    EXPECT_EQ(day.SeRecs[0][1], std::string(kSeLength, ' '));
    EXPECT_EQ(field(day.SeRecs[0][2], 29, 2), "03");
    // The runner without a usable record has no final result.
    EXPECT_FALSE(day.ResultsRecorded);
    EXPECT_FALSE(r.notes.skipped.empty());
}

TEST_F(BadInputTest, OutOfRangeNumbersInRaceRecords)
{
    // 99 runners, race number 13 and a race number that is no number: no crash, no runner past 18.
    folder.writeData(".jvRA",
                     {RaLine("05", 1, "1005", 99), RaLine("05", 13, "1005", 18), Line(RaLine("05", 2)).at(26, "ab")});
    std::vector<std::string> runners;
    for (int h = 1; h <= 18; ++h)
        runners.push_back(SeLine("05", 1, h));
    folder.writeRunners("東京", runners);
    const DayLoadResult r = load();
    ASSERT_TRUE(r.loaded);
    EXPECT_EQ(field(day.SeRecs[0][17], 29, 2), "18");
    EXPECT_EQ(day.RaceList.size(), 3u);
    EXPECT_EQ(day.RaceList[2].text, "東京  R");
}

TEST_F(BadInputTest, GarbledFilesLeaveTheGoodOnesIntact)
{
    folder.writeData(".jvRA", {RaLine("05", 1, "1005", 18), RaLine("06", 1, "1010", 18)});
    unsigned seed = 1;
    for (std::string_view suffix :
         {".jvHR", ".jvDM", ".jvTM", ".jvO1", ".jvO2", ".jvO3", ".jvO5", ".FI", ".TF", "東京.jvSEr", "東京.comp"})
        folder.writeRaw(suffix, Garble(200000, seed++));
    // A garbled record of the right length among good ones.
    Line o6 = Line("O6", kOzLength[5]).key(kDate, "06", 1);
    o6.at(47, "0000123");
    std::string garbledO6 = Garble(kOzLength[5] - 2, 99);
    for (char& c : garbledO6)
        if (c == '\n' || c == '\r')
            c = ' ';
    folder.writeData(".jvO6", {garbledO6, o6});
    DayFolder::write(folder.chg(), std::string(kDay) + ".WE", {Garble(5000, 7)});
    DayFolder::write(folder.chg(), std::string(kDay) + ".TC", {Garble(5000, 8)});

    ManualClock today(DateTime{2024, 1, 6, 9, 0, 0});
    const DayLoadResult r = DateComboChange(day, kDay, folder.options(), today);
    ASSERT_TRUE(r.loaded) << r.notes.error;
    ASSERT_EQ(day.RaceList.size(), 2u);
    EnsureTripleOdds(day, 1);
    EXPECT_DOUBLE_EQ(day.RaceRecs[1].SRTOz[1], 12.3);
    EXPECT_EQ(day.RaceRecs[1].AutoOzTime, "100000");
    for (int s = 0; s < 2; ++s) {
        const TOutData& t = day.RaceRecs[static_cast<std::size_t>(s)];
        for (std::size_t h = 1; h <= 18; ++h) {
            EXPECT_GE(t.TanNinki[h], 0);
            EXPECT_LE(t.TanNinki[h], 18);
        }
    }
    const TextGrid grid = ResultsGrid(day, 0);
    EXPECT_EQ(grid.rowCount(), 36);
}

TEST_F(BadInputTest, LineEndsOfEitherKindAndNoFinalLineEnd)
{
    const std::string bytes = RaLine("05", 1).str() + "\n" + RaLine("05", 2).str() + "\r\n" + RaLine("05", 3).str();
    folder.writeRaw(".jvRA", bytes);
    ASSERT_TRUE(load().loaded);
    EXPECT_EQ(day.RaceList.size(), 3u);
    EXPECT_EQ(day.RaRecs[2].substr(kRaLength - 2), "\r\n");
}

TEST_F(BadInputTest, UnreadableFileEndsTheLoadWithAReport)
{
    // A file that opens but fails on reading: this process's own memory at address 0.
#ifdef _WIN32
    GTEST_SKIP() << "needs /proc/self/mem, a file that exists but cannot be read";
#endif
    if (!std::filesystem::exists("/proc/self/mem"))
        GTEST_SKIP() << "no /proc";
    folder.writeData(".jvRA", {RaLine("05", 1)});
    for (std::string_view suffix : {".jvHR", ".jvO6"}) {
        const std::filesystem::path bad = folder.data() / pathFromUtf8(std::string(kDay) + std::string(suffix));
        std::filesystem::create_symlink("/proc/self/mem", bad);
        const DayLoadResult r = load();
        EXPECT_FALSE(r.loaded) << suffix;
        EXPECT_NE(r.notes.error.find(std::string(suffix)), std::string::npos) << r.notes.error;
        // What was read before stays.
        EXPECT_EQ(field(day.RaRecs[0], 1, 2), "RA");
        std::filesystem::remove(bad);
    }
    EXPECT_TRUE(load().loaded);
}

} // namespace
} // namespace solvane::test
