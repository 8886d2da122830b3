// A full day: three venues of twelve races with every store file, as the loader meets it on a real
// race day (the trifecta file alone is about 3 MB).
#include "RaceDayTestSupport.h"

#include "jvdata/Combo.h"
#include "raceday/DayLoader.h"
#include "raceday/OddsReader.h"
#include "raceday/Payouts.h"

#include <gtest/gtest.h>

namespace solvane::test {
namespace {

const std::vector<std::pair<std::string, std::string>> kVenues = {{"05", "東京"}, {"06", "中山"}, {"08", "京都"}};

// Odds text of a combination, different for every race and entry so that a misplaced record shows.
std::string OddsText(int width, int race, int venue, int k)
{
    return strprintf("%0*d", width, (race * 7 + venue * 3 + k) % 9000 + 10);
}

void WriteFullDay(const DayFolder& folder)
{
    std::vector<std::string> ra, hr;
    std::array<std::vector<std::string>, 6> oz;
    struct Block {
        std::size_t pos, stride;
        int width, count;
    };
    const std::array<Block, 6> blocks{
        {{606, 9, 5, 36}, {45, 13, 6, 153}, {45, 17, 5, 153}, {45, 13, 6, 306}, {47, 15, 6, 816}, {47, 17, 7, 4896}}};
    for (std::size_t v = 0; v < kVenues.size(); ++v) {
        std::vector<std::string> runners;
        for (int race = 1; race <= 12; ++race) {
            ra.push_back(RaLine(kVenues[v].first, race, strprintf("%02d%02d", 10 + race / 2, (race % 2) * 30), 18));
            for (int h = 1; h <= 18; ++h)
                runners.push_back(SeLine(kVenues[v].first, race, h));
            Line pay = Line("HR", kHrLength).key(kDate, kVenues[v].first, race);
            pay.num(103, 2, race).num(105, 9, 100 * race).num(114, 2, 1);
            hr.push_back(pay);
            for (std::size_t t = 0; t < 6; ++t) {
                Line o = Line("O" + std::to_string(t + 1), kOzLength[t]).key(kDate, kVenues[v].first, race);
                const Block& b = blocks[t];
                for (int k = 1; k <= b.count; ++k)
                    o.at(b.pos + b.stride * static_cast<std::size_t>(k - 1),
                         OddsText(b.width, race, static_cast<int>(v), k));
                if (t == 0) {
                    for (int h = 1; h <= 18; ++h)
                        o.at(46 + 8 * static_cast<std::size_t>(h - 1), strprintf("%04d", 10 * h + race))
                            .at(270 + 12 * static_cast<std::size_t>(h - 1), strprintf("%04d", 10 + h))
                            .at(274 + 12 * static_cast<std::size_t>(h - 1), strprintf("%04d", 20 + h));
                }
                oz[t].push_back(o);
            }
        }
        folder.writeRunners(kVenues[v].second, runners);
    }
    folder.writeData(".jvRA", ra);
    folder.writeData(".jvHR", hr);
    for (std::size_t t = 0; t < 6; ++t)
        folder.writeData(".jvO" + std::to_string(t + 1), oz[t]);
}

TEST(FullDayTest, EveryRaceGetsItsOwnRecords)
{
    DayFolder folder;
    WriteFullDay(folder);
    RaceDay day;
    ManualClock clock = OtherDayClock();
    const DayLoadResult r = DateComboChange(day, kDay, folder.options(), clock);
    ASSERT_TRUE(r.loaded) << r.notes.error;
    EXPECT_TRUE(r.notes.skipped.empty());
    ASSERT_EQ(day.RaceList.size(), 36u);
    EXPECT_EQ(day.RaceList[12].text, "中山 1R");
    EXPECT_TRUE(day.ResultsRecorded);
    for (int s = 0; s < kRaceSlots; ++s) {
        const auto i = static_cast<std::size_t>(s);
        const int v = s / 12, race = s % 12 + 1;
        EnsureTripleOdds(day, s);
        const TOutData& t = day.RaceRecs[i];
        ASSERT_DOUBLE_EQ(t.SRTOz[4896], std::stoi(OddsText(7, race, v, 4896)) / 10.0) << s;
        ASSERT_DOUBLE_EQ(t.SRFOz[1], std::stoi(OddsText(6, race, v, 1)) / 10.0) << s;
        ASSERT_DOUBLE_EQ(t.WROz[36], std::stoi(OddsText(5, race, v, 36)) / 10.0) << s;
        ASSERT_DOUBLE_EQ(t.TanOz[18], (180 + race) / 10.0) << s;
        ASSERT_EQ(t.TanNinki[1], 1) << s;
        ASSERT_EQ(t.FukNinki[18], 18) << s;
        ASSERT_EQ(day.HrTable[i].Tan[0].Uma, race) << s;
        ASSERT_EQ(day.HrTable[i].Tan[0].Pay, 100 * race) << s;
        // Slot (race - 1) * 18 + (horse - 1) of the venue's runner file.
        ASSERT_EQ(std::string(field(day.SeRecs[i][17], 26, 5)), strprintf("%02d 18", race)) << s;
    }
}

} // namespace
} // namespace solvane::test
