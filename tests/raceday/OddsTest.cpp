#include "RaceDayTestSupport.h"

#include "jvdata/Combo.h"
#include "raceday/DayLoader.h"
#include "raceday/OddsReader.h"

#include <gtest/gtest.h>

namespace solvane::test {
namespace {

TEST(DecodeOddsTest, Coding)
{
    struct Case {
        std::string text;
        double value;
    };
    const std::vector<Case> cases = {
        {"----", -1.0}, {"-------", -1.0}, {"****", -1.0},  {"*****", -1.0},  {"    ", -2.0},   {"", -2.0},
        {"0000", 0.0},  {"0123", 12.3},    {"9999", 999.9}, {"0000000", 0.0}, {"0000001", 0.1}, {"1234567", 123456.7},
        {" 123", 12.3}, {"-*-*", -2.0},    {"12a4", -2.0},  {"+123", -2.0},
    };
    for (const Case& c : cases)
        EXPECT_DOUBLE_EQ(DecodeOdds(c.text), c.value) << "'" << c.text << "'";
}

// O1 of one race: win, place low and high per horse as 4-digit texts (tenths), and the record's own
// win and place popularity (2 characters; left blank when empty).
struct Horse {
    int h;
    std::string win, low, high;
    std::string winNinki, placeNinki;
};
std::string O1Line(std::string_view venue, int race, const std::vector<Horse>& horses)
{
    Line o1("O1", kOzLength[0]);
    o1.at(3, "000000000").key(kDate, venue, race);
    for (const Horse& x : horses) {
        const auto k = static_cast<std::size_t>(x.h - 1);
        o1.at(46 + 8 * k, x.win).at(270 + 12 * k, x.low).at(274 + 12 * k, x.high);
        if (!x.winNinki.empty())
            o1.at(50 + 8 * k, x.winNinki);
        if (!x.placeNinki.empty())
            o1.at(278 + 12 * k, x.placeNinki);
    }
    return o1;
}

class OddsTest : public ::testing::Test {
protected:
    void load()
    {
        ManualClock clock = OtherDayClock();
        const DayLoadResult r = DateComboChange(day, kDay, folder.options(), clock);
        ASSERT_TRUE(r.loaded) << r.notes.error;
        for (int s = 0; s < kRaceSlots; ++s)
            EnsureTripleOdds(day, s);
    }
    DayFolder folder;
    RaceDay day;
};

TEST_F(OddsTest, WinAndPlaceRankingWithTies)
{
    folder.writeData(".jvRA", {RaLine("05", 1, "1005", 8)});
    folder.writeData(".jvO1", {O1Line("05", 1,
                                      {
                                          {1, "0050", "0018", "0025"}, // 5.0, place 1.8
                                          {2, "0050", "0016", "0020"}, // 5.0, place 1.6: ranks before 1
                                          {3, "0030", "0012", "0014"}, // favourite
                                          {4, "0050", "0016", "0020"}, // same as 2: higher number after
                                          {5, "----", "----", "----"}, // cancelled
                                          {6, "0000", "0000", "0000"}, // no votes: not ranked
                                          {7, "0150", "    ", "    "}, // no place text: in no list
                                          {8, "****", "0030", "0040"}, // place only
                                      })});
    load();
    const TOutData& r = day.RaceRecs[0];
    EXPECT_DOUBLE_EQ(r.TanOz[3], 3.0);
    EXPECT_DOUBLE_EQ(r.TanOz[5], -1.0);
    EXPECT_DOUBLE_EQ(r.TanOz[6], 0.0);
    EXPECT_DOUBLE_EQ(r.TanOz[8], -1.0);
    EXPECT_DOUBLE_EQ(r.FukOzLow[5], -1.0);
    EXPECT_DOUBLE_EQ(r.FukOzHigh[5], -1.0);
    EXPECT_DOUBLE_EQ(r.FukOzLow[7], -2.0);
    EXPECT_DOUBLE_EQ(r.FukOzHigh[7], -2.0);
    EXPECT_DOUBLE_EQ(r.FukOzLow[1], 1.8);
    EXPECT_DOUBLE_EQ(r.FukOzHigh[1], 2.5);

    const PerHorse<int> tan{0, 4, 2, 1, 3, 0, 0, 0, 0};
    const PerHorse<int> fuk{0, 4, 2, 1, 3, 0, 0, 0, 5};
    for (std::size_t h = 1; h <= 8; ++h) {
        EXPECT_EQ(r.TanNinki[h], tan[h]) << "win, horse " << h;
        EXPECT_EQ(r.FukNinki[h], fuk[h]) << "place, horse " << h;
    }
    // Ratios: next horse in odds order over own; the last of the list keeps 0.
    EXPECT_DOUBLE_EQ(r.TanOzRatio[3], 5.0 / 3.0);
    EXPECT_DOUBLE_EQ(r.TanOzRatio[2], 1.0);
    EXPECT_DOUBLE_EQ(r.TanOzRatio[4], 1.0);
    EXPECT_DOUBLE_EQ(r.TanOzRatio[1], 0.0);
    EXPECT_DOUBLE_EQ(r.FukOzRatio[1], 3.0 / 1.8);
    EXPECT_DOUBLE_EQ(r.FukOzRatio[8], 0.0);
    EXPECT_DOUBLE_EQ(r.TanOzRatio[5], 0.0);
}

// Horses 1 and 2 share every odds text, so ranking by the odds can only put the lower number first;
// the record's popularity follows the votes and is JRA's own. Horse 4 is at the same place odds as 1
// and 2 with a wider range, and the place voters still backed it more.
TEST_F(OddsTest, RecordPopularityDecidesWhereTheOddsTie)
{
    struct Case {
        const char* what;
        std::array<const char*, 4> winNinki, placeNinki; // horses 1..4, "" = blank
        PerHorse<int> tan, fuk;
        double ratio1, ratio2; // TanOzRatio of horses 1 and 2
    };
    const Case cases[] = {
        {"the record ranks both lists",
         {"03", "02", "01", "04"},
         {"03", "04", "01", "02"},
         {0, 3, 2, 1, 4},
         {0, 3, 4, 1, 2},
         8.0 / 5.0,
         1.0},
        {"equal votes give equal popularity",
         {"02", "02", "01", "04"},
         {"03", "04", "01", "02"},
         {0, 2, 2, 1, 4},
         {0, 3, 4, 1, 2},
         1.0,
         8.0 / 5.0},
        {"a win popularity missing: the win list is ranked by its odds, the place list still by the record",
         {"03", "  ", "01", "04"},
         {"03", "04", "01", "02"},
         {0, 2, 3, 1, 4},
         {0, 3, 4, 1, 2},
         1.0,
         8.0 / 5.0},
        {"no popularity at all: both lists by their odds",
         {"", "", "", ""},
         {"--", "", "", ""},
         {0, 2, 3, 1, 4},
         {0, 2, 3, 1, 4},
         1.0,
         8.0 / 5.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        folder.writeData(".jvRA", {RaLine("05", 1, "1005", 4)});
        folder.writeData(".jvO1", {O1Line("05", 1,
                                          {
                                              {1, "0050", "0016", "0020", c.winNinki[0], c.placeNinki[0]},
                                              {2, "0050", "0016", "0020", c.winNinki[1], c.placeNinki[1]},
                                              {3, "0030", "0012", "0014", c.winNinki[2], c.placeNinki[2]},
                                              {4, "0080", "0016", "0025", c.winNinki[3], c.placeNinki[3]},
                                          })});
        load();
        const TOutData& r = day.RaceRecs[0];
        for (std::size_t h = 1; h <= 4; ++h) {
            EXPECT_EQ(r.TanNinki[h], c.tan[h]) << "win, horse " << h;
            EXPECT_EQ(r.FukNinki[h], c.fuk[h]) << "place, horse " << h;
        }
        // The ratios follow the same order: the next horse's odds over its own.
        EXPECT_DOUBLE_EQ(r.TanOzRatio[1], c.ratio1);
        EXPECT_DOUBLE_EQ(r.TanOzRatio[2], c.ratio2);
    }
}

TEST_F(OddsTest, RatiosFollowOddsOrderNotHorseOrder)
{
    folder.writeData(".jvRA", {RaLine("05", 1, "1005", 16)});
    folder.writeData(
        ".jvO1",
        {O1Line("05", 1, {{3, "0020", "0011", "0012"}, {1, "0040", "0015", "0017"}, {7, "0100", "0030", "0050"}})});
    load();
    const TOutData& r = day.RaceRecs[0];
    EXPECT_DOUBLE_EQ(r.TanOzRatio[3], 2.0);
    EXPECT_DOUBLE_EQ(r.TanOzRatio[1], 2.5);
    EXPECT_DOUBLE_EQ(r.TanOzRatio[7], 0.0);
    // Sixteen runners: 17 and 18 stay at 0 everywhere; listed horses without odds read as absent.
    for (std::size_t h : {17u, 18u}) {
        EXPECT_EQ(r.TanOz[h], 0.0);
        EXPECT_EQ(r.FukOzLow[h], 0.0);
        EXPECT_EQ(r.TanNinki[h], 0);
    }
    EXPECT_DOUBLE_EQ(r.TanOz[16], -2.0);
}

TEST_F(OddsTest, CombinationBlocksAndMissingFiles)
{
    folder.writeData(".jvRA", {RaLine("05", 1, "1005", 18), RaLine("05", 2, "1035", 18)});
    Line o1 = Line("O1", kOzLength[0]).key(kDate, "05", 1);
    o1.at(606, "00123").at(611, "05");                   // WR 1: 12.3, 5th
    o1.at(606 + 9 * 35, "-----").at(611 + 9 * 35, "--"); // WR 36: cancelled, no popularity
    o1.at(606 + 9 * 2, "00000").at(611 + 9 * 2, "36");   // WR 3: no votes, still has popularity
    Line o6 = Line("O6", kOzLength[5]).key(kDate, "05", 1);
    o6.at(47 + 17 * 4895, "1234567").at(54 + 17 * 4895, "4896"); // last trifecta
    o6.at(47, "0000123").at(54, "0001");
    o6.at(47 + 17, "*******").at(54 + 17, "****");
    Line o5 = Line("O5", kOzLength[4]).key(kDate, "05", 1);
    o5.at(47 + 15 * 815, "000456").at(53 + 15 * 815, "816");
    folder.writeData(".jvO1", {o1});
    folder.writeData(".jvO5", {o5});
    folder.writeData(".jvO6", {o6});
    load();

    const TOutData& r = day.RaceRecs[0];
    EXPECT_DOUBLE_EQ(r.WROz[1], 12.3);
    EXPECT_EQ(r.WRNinki[1], 5);
    EXPECT_DOUBLE_EQ(r.WROz[36], -1.0);
    EXPECT_EQ(r.WRNinki[36], 0);
    EXPECT_DOUBLE_EQ(r.WROz[3], 0.0);
    EXPECT_EQ(r.WRNinki[3], 36);
    EXPECT_DOUBLE_EQ(r.WROz[2], -2.0);
    EXPECT_DOUBLE_EQ(r.SRTOz[4896], 123456.7);
    EXPECT_EQ(r.SRTNinki[4896], 4896);
    EXPECT_DOUBLE_EQ(r.SRTOz[SRTOrdinal(1, 2, 3)], 12.3);
    EXPECT_EQ(r.SRTNinki[1], 1);
    EXPECT_DOUBLE_EQ(r.SRTOz[2], -1.0);
    EXPECT_EQ(r.SRTNinki[2], 0);
    EXPECT_DOUBLE_EQ(r.SRFOz[816], 45.6);
    EXPECT_EQ(r.SRFNinki[816], 816);
    // No O2, O3 or O4 file: every entry absent, no popularity.
    for (int k = 1; k <= kPairCount; ++k) {
        ASSERT_DOUBLE_EQ(r.UROz[static_cast<std::size_t>(k)], -2.0);
        ASSERT_EQ(r.URNinki[static_cast<std::size_t>(k)], 0);
        ASSERT_DOUBLE_EQ(r.WDOz[static_cast<std::size_t>(k)], -2.0);
    }
    EXPECT_DOUBLE_EQ(r.UTOz[306], -2.0);
    // Race 2 has no odds records: everything absent.
    EXPECT_DOUBLE_EQ(day.RaceRecs[1].SRTOz[1], -2.0);
    EXPECT_EQ(day.O6Recs[1], std::string(kOzLength[5], ' '));
}

// While a loaded day's trio and trifecta blocks are pending, each combination read straight from its
// record gives exactly what decoding the block gives.
TEST_F(OddsTest, PendingTriplesReadPerCombinationAsDecoded)
{
    folder.writeData(".jvRA", {RaLine("05", 1, "1005", 18)});
    Line o6 = Line("O6", kOzLength[5]).key(kDate, "05", 1);
    o6.at(47, "0000123").at(54, "0001");
    o6.at(47 + 17, "*******").at(54 + 17, "****");
    o6.at(47 + 17 * 2, "  12  ").at(54 + 17 * 2, "0002"); // garbled: absent
    o6.at(47 + 17 * 4895, "1234567").at(54 + 17 * 4895, "4896");
    Line o5 = Line("O5", kOzLength[4]).key(kDate, "05", 1);
    o5.at(47, "000000").at(53, "  7"); // no votes, popularity kept
    o5.at(47 + 15 * 815, "000456").at(53 + 15 * 815, "816");
    folder.writeData(".jvO5", {o5});
    folder.writeData(".jvO6", {o6});
    ManualClock clock = OtherDayClock();
    ASSERT_TRUE(DateComboChange(day, kDay, folder.options(), clock).loaded);
    ASSERT_TRUE(day.RaceRecs[0].TriplesPending);

    std::vector<OddsEntry> direct;
    for (int record : {5, 6})
        for (int k = 1; k <= (record == 5 ? 816 : 4896); ++k)
            direct.push_back(TripleOddsEntry(day, 0, record, k));
    EnsureTripleOdds(day, 0);
    const TOutData& r = day.RaceRecs[0];
    std::size_t i = 0;
    for (int record : {5, 6})
        for (int k = 1; k <= (record == 5 ? 816 : 4896); ++k, ++i) {
            const auto at = static_cast<std::size_t>(k);
            ASSERT_EQ(direct[i].odds, record == 5 ? r.SRFOz[at] : r.SRTOz[at]) << record << " " << k;
            ASSERT_EQ(direct[i].ninki, record == 5 ? r.SRFNinki[at] : r.SRTNinki[at]) << record << " " << k;
        }
    EXPECT_DOUBLE_EQ(direct[816].odds, 12.3);
    EXPECT_EQ(direct[0].ninki, 7);
    EXPECT_EQ(TripleOddsEntry(day, 0, 6, 4897).odds, kOddsAbsent);
}

TEST_F(OddsTest, FirstRecordInFileOrderWinsAndACopyOutlivesItsRecord)
{
    folder.writeData(".jvRA", {RaLine("05", 1, "1005", 2), RaLine("06", 1, "1010", 2)});
    folder.writeData(".jvO1",
                     {O1Line("05", 1, {{1, "0020", "0011", "0012"}}), O1Line("06", 1, {{1, "0070", "0011", "0012"}}),
                      O1Line("05", 1, {{1, "0990", "0011", "0012"}})});
    load();
    EXPECT_DOUBLE_EQ(day.RaceRecs[0].TanOz[1], 2.0);
    EXPECT_DOUBLE_EQ(day.RaceRecs[1].TanOz[1], 7.0);

    // The file loses race 1 of venue 06: a later read keeps the copy it had.
    folder.writeData(".jvO1", {O1Line("05", 1, {{1, "0030", "0011", "0012"}})});
    day.OzRace = 1;
    OzReadBtnClick(day);
    EXPECT_DOUBLE_EQ(day.RaceRecs[1].TanOz[1], 7.0);
    day.OzRace = 0;
    OzReadBtnClick(day);
    EXPECT_DOUBLE_EQ(day.RaceRecs[0].TanOz[1], 3.0);
}

TEST_F(OddsTest, RaceNumberZeroSearchesNoFile)
{
    folder.writeData(".jvRA", {RaLine("05", 0, "1005", 2), RaLine("05", 1, "1005", 2)});
    folder.writeData(".jvO1", {O1Line("05", 0, {{1, "0020", "0011", "0012"}})});
    load();
    EXPECT_DOUBLE_EQ(day.RaceRecs[0].TanOz[1], -2.0);
}

TEST_F(OddsTest, CutLastRecordCostsOnlyThatRace)
{
    folder.writeData(".jvRA", {RaLine("05", 1, "1005", 18), RaLine("05", 2, "1035", 18)});
    Line first = Line("O6", kOzLength[5]).key(kDate, "05", 1);
    first.at(47, "0000123");
    Line second = Line("O6", kOzLength[5]).key(kDate, "05", 2);
    second.at(47, "0000456");
    const std::string cut = std::string(first) + "\r\n" + second.str().substr(0, 40000);
    folder.writeRaw(".jvO6", cut);

    ManualClock clock = OtherDayClock();
    const DayLoadResult r = DateComboChange(day, kDay, folder.options(), clock);
    ASSERT_TRUE(r.loaded);
    // The loader leaves the trifecta block to its first reader.
    EXPECT_TRUE(day.RaceRecs[0].TriplesPending);
    EnsureTripleOdds(day, 0);
    EnsureTripleOdds(day, 1);
    EXPECT_FALSE(day.RaceRecs[0].TriplesPending);
    EXPECT_DOUBLE_EQ(day.RaceRecs[0].SRTOz[1], 12.3);
    EXPECT_DOUBLE_EQ(day.RaceRecs[1].SRTOz[1], -2.0);
    ASSERT_EQ(r.notes.skipped.size(), 1u);
    EXPECT_NE(r.notes.skipped[0].find("2行目"), std::string::npos) << r.notes.skipped[0];
}

} // namespace
} // namespace solvane::test
