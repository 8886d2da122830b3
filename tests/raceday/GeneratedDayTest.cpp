// A generated weekend, imported into the store by the bulk import and loaded: the loader meets files
// written by the store's own rules and the sibling program's compi files.
#include "RaceDayTestSupport.h"

#include "feedgen/Feed.h"
#include "jvdata/LocalJVLink.h"
#include "raceday/DayLoader.h"
#include "raceday/Payouts.h"
#include "store/BulkImport.h"

#include <gtest/gtest.h>

namespace solvane::test {
namespace {

TEST(GeneratedDayTest, ImportedDayLoadsWithOddsPayoutsAndCompi)
{
    DayFolder folder;
    const std::filesystem::path feed = folder.app() / "feed";
    feedgen::FeedOptions fo;
    fo.out = feed;
    fo.from = *DateTime::parse("2024-06-01");
    fo.to = *DateTime::parse("2024-06-02");
    fo.now = *DateTime::parse("2024-06-10 12:00:00");
    fo.seed = 11;
    fo.rtDays = 0;
    std::string error;
    ASSERT_TRUE(feedgen::GenerateFeed(fo, nullptr, &error)) << error;

    ManualClock clock(fo.now);
    LocalJVLinkOptions lo;
    lo.downloadTime = std::chrono::milliseconds(0);
    LocalJVLink link(feed, clock, lo);
    ASSERT_EQ(link.JVInit("SOLVANE"), 0);
    JVCancelFlag cancel{false};
    BulkImportOptions io;
    io.dataFolder = folder.data();
    io.start = *DateTime::parse("2024-05-25 00:00:00");
    io.setupData = true;
    BulkImport import(link, cancel, io);
    const BulkImportResult& imported = import.run();
    ASSERT_FALSE(imported.error) << imported.message;

    const std::vector<std::string> days = MakeDataListBtnClick(folder.app());
    ASSERT_FALSE(days.empty());
    EXPECT_EQ(days.back(), "2024年06月01日");

    LoadOptions options = folder.options();
    options.harunireFolder = feed / "harunire";
    RaceDay day;
    const DayLoadResult r = DateComboChange(day, "2024年06月01日", options, clock);
    ASSERT_TRUE(r.loaded) << r.notes.error;
    EXPECT_TRUE(r.notes.skipped.empty()) << r.notes.skipped.front();
    ASSERT_GE(day.RaceList.size(), 12u);
    EXPECT_TRUE(day.ResultsRecorded);

    int pricedRaces = 0, paidRaces = 0, compiRaces = 0;
    for (const RaceListItem& item : day.RaceList) {
        const auto s = static_cast<std::size_t>(item.slot);
        const TOutData& t = day.RaceRecs[s];
        const int n = static_cast<int>(toIntDef(field(day.RaRecs[s], 882, 2), 0));
        bool priced = false;
        for (int h = 1; h <= n; ++h)
            priced = priced || t.TanOz[static_cast<std::size_t>(h)] > 0;
        pricedRaces += priced;
        // The favourite has win popularity 1, exactly once; one horse is first in the compi order.
        if (priced) {
            EXPECT_EQ(std::count(t.TanNinki.begin(), t.TanNinki.end(), 1), 1) << item.text;
        }
        paidRaces += day.HrTable[s].Tan[0].Uma > 0;
        compiRaces += std::count(t.CompiRank.begin(), t.CompiRank.end(), 1) == 1;
        EXPECT_EQ(t.AutoOzTime.size(), 6u) << item.text;
    }
    EXPECT_EQ(pricedRaces, static_cast<int>(day.RaceList.size()));
    EXPECT_EQ(paidRaces, static_cast<int>(day.RaceList.size()));
    EXPECT_EQ(compiRaces, static_cast<int>(day.RaceList.size()));
}

} // namespace
} // namespace solvane::test
