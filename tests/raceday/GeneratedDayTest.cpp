// A generated weekend, imported into the store by the bulk import and loaded: the loader meets files
// written by the store's own rules and the sibling program's compi files.
#include "RaceDayTestSupport.h"
#include "support/GeneratedSeason.h"

#include "feedgen/Feed.h"
#include "raceday/DayLoader.h"
#include "raceday/Payouts.h"
#include "raceday/RaceCard.h"

#include <gtest/gtest.h>

namespace solvane::test {
namespace {

// The card's 着 agrees with the payouts: its winner is the win payout's horse, and its first three
// are the trifecta payout's (dead heats, with several entries, aside). Counts the races checked.
int ExpectCardsAgreeWithPayouts(const RaceDay& day)
{
    int checked = 0;
    for (const RaceListItem& item : day.RaceList) {
        const HrRaceTable& paid = day.HrTable[static_cast<std::size_t>(item.slot)];
        if (paid.Tan[0].Uma == 0 || paid.Tan[1].Uma != 0 || !trim(paid.SRT[1].Label).empty())
            continue;
        const TextGrid card = BuildRaceCard(day, item.slot, Marks{});
        std::string order[3];
        for (int r = 0; r < card.rowCount(); ++r) {
            const auto place = toIntDef(trim(card.cell(r, card::Chakujun)), 0);
            if (place >= 1 && place <= 3)
                order[place - 1] = strprintf("%2d", HorseOfRow(card, r));
        }
        EXPECT_EQ(order[0], strprintf("%2d", paid.Tan[0].Uma)) << day.DayKey << " " << item.text;
        EXPECT_EQ(order[0] + "-" + order[1] + "-" + order[2], paid.SRT[0].Label) << day.DayKey << " " << item.text;
        ++checked;
    }
    return checked;
}

TEST(GeneratedDayTest, ImportedDayLoadsWithOddsPayoutsAndCompi)
{
    feedgen::FeedOptions fo;
    fo.from = *DateTime::parse("2024-06-01");
    fo.to = *DateTime::parse("2024-06-02");
    fo.seed = 11;
    fo.rtDays = 0;
    test::GeneratedSeason season(*DateTime::parse("2024-06-10 12:00:00"), fo, *DateTime::parse("2024-05-25 00:00:00"));
    ASSERT_EQ(season.error, "");
    const std::filesystem::path& feed = season.feed;
    ManualClock& clock = season.clock;

    const std::vector<std::string> days = StoredDayList(season.home);
    ASSERT_FALSE(days.empty());
    EXPECT_EQ(days.back(), "2024年06月01日");

    LoadOptions options{season.home};
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

    int checked = 0;
    for (const std::string& key : days) {
        RaceDay other;
        ASSERT_TRUE(DateComboChange(other, key, options, clock).loaded) << key;
        checked += ExpectCardsAgreeWithPayouts(other);
    }
    EXPECT_GE(checked, 24);
}

} // namespace
} // namespace solvane::test
