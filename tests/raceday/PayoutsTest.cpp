#include "RaceDayTestSupport.h"

#include "raceday/DayLoader.h"
#include "raceday/Payouts.h"
#include "raceday/RaceCard.h"

#include <map>

#include <gtest/gtest.h>

namespace solvane::test {
namespace {

Line HrLine(std::string_view venue, int race, std::string_view date = kDate)
{
    Line hr("HR", kHrLength);
    hr.at(3, "000000000").key(date, venue, race);
    return hr;
}

// Place entry i (1-based): horse, payout, popularity.
void Place(Line& hr, std::size_t i, int horse, int pay, int ninki)
{
    hr.num(142 + 13 * (i - 1), 2, horse).num(144 + 13 * (i - 1), 9, pay).num(153 + 13 * (i - 1), 2, ninki);
}

class PayoutsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder.writeData(".jvRA", {RaLine("05", 1, "1005", 12), RaLine("05", 2, "1035", 12)});
        std::vector<std::string> runners;
        for (int h = 1; h <= 12; ++h) {
            Line se(SeLine("05", 1, h));
            se.num(335, 2, 13 - h); // stored placings: horse 12 first … horse 1 twelfth
            runners.push_back(se);
        }
        folder.writeRunners("東京", runners);
    }
    DayLoadResult load()
    {
        ManualClock clock = OtherDayClock();
        return DateComboChange(day, kDay, folder.options(), clock);
    }
    std::string placing(int h) const
    {
        return std::string(field(day.SeRecs[0][static_cast<std::size_t>(h - 1)], 335, 2));
    }

    DayFolder folder;
    RaceDay day;
};

// Win 7, exacta 7-3, trifecta 7-3-5; place payouts listed by horse number (3, 5, 7).
Line FinishedRace(std::string_view venue, int race)
{
    Line hr = HrLine(venue, race);
    hr.num(103, 2, 7).num(105, 9, 350).num(114, 2, 2);
    Place(hr, 1, 3, 420, 6);
    Place(hr, 2, 5, 180, 3);
    Place(hr, 3, 7, 150, 1);
    hr.at(454, "0703").num(458, 9, 8800).num(467, 3, 31);
    hr.at(604, "070305").num(610, 9, 45670).num(619, 4, 140);
    return hr;
}

TEST_F(PayoutsTest, StoredPlacingsStandAgainstThePayouts)
{
    folder.writeData(".jvHR", {FinishedRace("05", 1)});
    ASSERT_TRUE(load().loaded);
    for (int h = 1; h <= 12; ++h)
        EXPECT_EQ(placing(h), strprintf("%02d", 13 - h)) << h;
    EXPECT_EQ(day.HrTable[0].Fuk[0].Uma, 3);
    EXPECT_EQ(day.HrTable[0].Fuk[2].Pay, 150);
}

// Results fetched before the runner records are confirmed: the winning combinations give the first
// three, in memory only, and nobody else is placed.
TEST_F(PayoutsTest, BlankPlacingsComeFromTheWinningCombinationsInMemoryOnly)
{
    std::vector<std::string> runners;
    for (int h = 1; h <= 12; ++h)
        runners.push_back(SeLine("05", 1, h));
    folder.writeRunners("東京", runners);
    folder.writeData(".jvHR", {FinishedRace("05", 1)});
    ASSERT_TRUE(load().loaded);

    EXPECT_EQ(placing(7), "01");
    EXPECT_EQ(placing(3), "02");
    EXPECT_EQ(placing(5), "03");
    for (int h : {1, 2, 4, 6, 8, 12})
        EXPECT_EQ(trim(placing(h)), "") << h;
    const TextGrid card = BuildRaceCard(day, 0, Marks{});
    EXPECT_EQ(card.cell(6, 28), " 1");
    EXPECT_EQ(card.cell(0, 28), "　");

    // The store keeps its blanks, and a re-read without payouts brings them back.
    const std::string stored = readFile(folder.data() / pathFromUtf8(std::string(kDay) + "東京.jvSEr")).value();
    EXPECT_EQ(field(stored, 6 * 555 + 335, 2), "  ");
    std::filesystem::remove(folder.data() / pathFromUtf8(std::string(kDay) + ".jvHR"));
    HrReadBtnClick(day);
    EXPECT_EQ(trim(placing(7)), "");
}

TEST(PlacingsOfTest, DeadHeatsGiveEveryHorseOfThePlaceItsPlacing)
{
    struct Case {
        const char* what;
        std::vector<int> win;
        std::vector<std::string> exacta, trifecta;
        std::map<int, int> placings;
    };
    const std::vector<Case> cases = {
        {"plain", {7}, {"0703"}, {"070305"}, {{7, 1}, {3, 2}, {5, 3}}},
        {"dead heat for first", {4, 9}, {"0409", "0904"}, {"040902", "090402"}, {{4, 1}, {9, 1}, {2, 3}}},
        {"dead heat for second", {4}, {"0409", "0411"}, {"040911", "041109"}, {{4, 1}, {9, 2}, {11, 2}}},
        {"dead heat for third", {4}, {"0409"}, {"040901", "040916"}, {{4, 1}, {9, 2}, {1, 3}, {16, 3}}},
        {"no exacta or trifecta sold", {2}, {}, {}, {{2, 1}}},
        {"horse numbers outside the race", {99}, {"9918"}, {}, {{18, 2}}},
    };
    for (const Case& c : cases) {
        Line hr("HR", kHrLength);
        for (std::size_t i = 0; i < c.win.size(); ++i)
            hr.num(103 + 13 * i, 2, c.win[i]);
        for (std::size_t i = 0; i < c.exacta.size(); ++i)
            hr.at(454 + 16 * i, c.exacta[i]);
        for (std::size_t i = 0; i < c.trifecta.size(); ++i)
            hr.at(604 + 19 * i, c.trifecta[i]);
        const RacePlacings got = PlacingsOf(hr.str());
        for (int h = 1; h <= kMaxHorses; ++h) {
            const auto it = c.placings.find(h);
            EXPECT_EQ(got[static_cast<std::size_t>(h)], it == c.placings.end() ? 0 : it->second) << c.what << ": " << h;
        }
    }
}

TEST_F(PayoutsTest, RecordsOfOtherRacesAreDroppedAndLaterOnesReplaceEarlier)
{
    Line first = HrLine("05", 2), second = HrLine("05", 2), stray = HrLine("06", 2),
         otherDay = HrLine("05", 2, "20240107");
    first.num(103, 2, 1).num(105, 9, 110);
    second.num(103, 2, 4).num(105, 9, 990);
    stray.num(103, 2, 9);
    otherDay.num(103, 2, 8);
    folder.writeData(".jvHR", {first, stray, second, otherDay});
    ASSERT_TRUE(load().loaded);
    EXPECT_EQ(day.HrTable[1].Tan[0].Uma, 4);
    EXPECT_EQ(day.HrTable[1].Tan[0].Pay, 990);
    EXPECT_EQ(day.HrTable[0].Tan[0].Uma, 0);
}

TEST_F(PayoutsTest, HorseNumbersOutsideTheRaceDoNotReachPastTheRunnerTable)
{
    std::vector<std::string> runners;
    for (int h = 1; h <= 18; ++h)
        runners.push_back(SeLine("05", 1, h));
    folder.writeRunners("東京", runners);
    Line hr = HrLine("05", 1);
    hr.num(103, 2, 99).at(454, "9918");
    folder.writeData(".jvHR", {hr});
    ASSERT_TRUE(load().loaded);
    EXPECT_EQ(field(day.SeRecs[0][17], 335, 2), "02");
}

TEST_F(PayoutsTest, RefreshKeepsEachLoadedRaceInItsSlot)
{
    ASSERT_TRUE(load().loaded);
    day.RaceRecs[1].TanOz[1] = 4.5; // odds of race 2, kept by slot
    // Since the load a results fetch stored a race of Sapporo, which sorts before Tokyo's races.
    folder.writeData(".jvRA", {RaLine("01", 1), RaLine("05", 1, "1005", 12), RaLine("05", 2, "1035", 12)});
    ReadNotes notes;
    HrReadBtnClick(day, &notes);
    EXPECT_EQ(field(day.RaRecs[0], 20, 2), "05");
    EXPECT_EQ(field(day.RaRecs[1], 26, 2), "02");
    EXPECT_EQ(day.RaRecs[2], std::string(kRaLength, ' '));
    EXPECT_DOUBLE_EQ(day.RaceRecs[1].TanOz[1], 4.5);
    EXPECT_EQ(notes.skipped.size(), 1u);

    // The next day load takes the new order.
    ASSERT_TRUE(load().loaded);
    EXPECT_EQ(day.RaceList.front().text, "札幌 1R");
}

TEST(PayoutTableTest, LabelsAndEmptyEntries)
{
    Line hr("HR", kHrLength);
    hr.num(103, 2, 7).num(105, 9, 350).num(114, 2, 2);
    hr.at(207, "37").num(209, 9, 1230).num(218, 2, 5);                   // bracket quinella 3-7
    hr.at(246, "0512").num(250, 9, 4560).num(259, 3, 12);                // quinella 5-12
    hr.num(250 + 16, 9, 999).num(259 + 16, 3, 3);                        // quinella 2: payout without a combination
    hr.at(294, "0305").num(298, 9, 330).num(307, 3, 4);                  // wide 1
    hr.at(454 + 16, "1203").num(458 + 16, 9, 8800).num(467 + 16, 3, 31); // exacta 2: 12 then 3
    hr.at(550, "010512").num(556, 9, 12340).num(565, 3, 45);
    hr.at(604, "120301").num(610, 9, 1234560).num(619, 4, 1234);
    hr.at(604 + 19, "1200").num(610 + 19, 9, 100); // a zero in the combination: no label
    const HrRaceTable t = PayoutTableOf(hr.str() + "\r\n");
    EXPECT_EQ(t.Tan[0].Uma, 7);
    EXPECT_EQ(t.WR[0].Label, " 3- 7");
    EXPECT_EQ(t.UR[0].Label, " 5-12");
    EXPECT_EQ(t.UR[1].Label, "");
    EXPECT_EQ(t.UR[1].Pay, 999);
    EXPECT_EQ(t.WD[0].Label, " 3- 5");
    EXPECT_EQ(t.UT[1].Label, "12- 3");
    EXPECT_EQ(t.SRF[0].Label, " 1- 5-12");
    EXPECT_EQ(t.SRT[0].Label, "12- 3- 1");
    EXPECT_EQ(t.SRT[0].Ninki, 1234);
    EXPECT_EQ(t.SRT[1].Label, "");
}

TEST_F(PayoutsTest, ResultsGridShowsEverySection)
{
    Line hr = HrLine("05", 1);
    hr.num(103, 2, 7).num(105, 9, 350).num(114, 2, 2);
    Place(hr, 1, 7, 150, 1);
    Place(hr, 2, 3, 420, 6);
    hr.at(246, "0307").num(250, 9, 4560).num(259, 3, 12);
    hr.num(250 + 16, 9, 999).num(259 + 16, 3, 3);
    hr.at(604, "070301").num(610, 9, 1234560).num(619, 4, 1234);
    folder.writeData(".jvHR", {hr});
    ASSERT_TRUE(load().loaded);

    const TextGrid g = ResultsGrid(day, 0);
    ASSERT_EQ(g.headings(), (std::vector<std::string>{"券種", "結果", "人気", "配当"}));
    ASSERT_EQ(g.rowCount(), 36);
    struct Section {
        std::string caption;
        int rows;
    };
    const std::vector<Section> sections = {{"単勝", 3}, {"複勝", 5}, {"枠連", 3},   {"馬連", 3},
                                           {"ﾜｲﾄﾞ", 7}, {"馬単", 6}, {"三連複", 3}, {"三連単", 6}};
    int row = 0;
    for (const Section& s : sections)
        for (int i = 0; i < s.rows; ++i)
            EXPECT_EQ(g.cell(row++, 0), s.caption) << row;

    EXPECT_EQ(g.row(0), (std::vector<std::string>{"単勝", " 7", " 2", "     350"}));
    EXPECT_EQ(g.row(1), (std::vector<std::string>{"単勝", "", "", ""}));
    EXPECT_EQ(g.row(4), (std::vector<std::string>{"複勝", " 3", " 6", "     420"}));
    EXPECT_EQ(g.row(11), (std::vector<std::string>{"馬連", " 3- 7", "12", "    4560"}));
    // A payout without a combination shows nothing.
    EXPECT_EQ(g.row(12), (std::vector<std::string>{"馬連", "", "", ""}));
    EXPECT_EQ(g.row(30), (std::vector<std::string>{"三連単", " 7- 3- 1", "1234", " 1234560"}));

    // A race without a payout record: every row empty but its caption.
    const TextGrid empty = ResultsGrid(day, 1);
    for (int r = 0; r < empty.rowCount(); ++r)
        EXPECT_EQ(empty.row(r)[1] + empty.row(r)[2] + empty.row(r)[3], "");
}

TEST_F(PayoutsTest, PayoutPanelListsThePaidEntriesInYen)
{
    Line hr = FinishedRace("05", 1);
    hr.at(294, "0307").num(298, 9, 1230).num(307, 3, 12);
    hr.at(294 + 16, "0305").num(298 + 16, 9, 480).num(307 + 16, 3, 4);
    folder.writeData(".jvHR", {hr});
    ASSERT_TRUE(load().loaded);
    const TextGrid g = PayoutPanelGrid(day, 0);
    ASSERT_EQ(g.headings(), (std::vector<std::string>{"券種", "組番", "払戻金", "人気"}));
    const std::vector<std::vector<std::string>> rows = {
        {"単勝", "7", "350円", "2"},
        {"複勝", "3", "420円", "6"},
        {"", "5", "180円", "3"},
        {"", "7", "150円", "1"},
        {"ワイド", "3-7", "1,230円", "12"},
        {"", "3-5", "480円", "4"},
        {"馬単", "7-3", "8,800円", "31"},
        {"３連単", "7-3-5", "45,670円", "140"},
    };
    ASSERT_EQ(g.rowCount(), static_cast<int>(rows.size()));
    for (int r = 0; r < g.rowCount(); ++r)
        EXPECT_EQ(g.row(r), rows[static_cast<std::size_t>(r)]) << r;
    EXPECT_EQ(PayoutPanelGrid(day, 1).rowCount(), 0); // not run yet
}

TEST_F(PayoutsTest, WithoutPayoutFileHrRecsKeepWhatTheyHeld)
{
    Line hr = HrLine("05", 1);
    hr.num(103, 2, 7);
    folder.writeData(".jvHR", {hr});
    ASSERT_TRUE(load().loaded);
    std::filesystem::remove(folder.data() / pathFromUtf8(std::string(kDay) + ".jvHR"));
    HrReadBtnClick(day);
    EXPECT_EQ(day.HrTable[0].Tan[0].Uma, 7);

    // A day load without the file shows nothing.
    ASSERT_TRUE(load().loaded);
    EXPECT_EQ(day.HrTable[0].Tan[0].Uma, 0);
}

} // namespace
} // namespace solvane::test
