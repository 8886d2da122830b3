// The odds page: every type's grid against the odds arrays of a small race built in memory, blanks
// wherever there is no price, the shading and the favourite, and the trio and trifecta lists in
// popularity order a page at a time.
#include "raceday/OddsPage.h"

#include "jvdata/Combo.h"
#include "raceday/OddsReader.h"
#include "raceday/RaceCardColours.h"
#include "raceday/RaceDayTestSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <set>

namespace solvane {
namespace {

using test::Line;

constexpr int kSlot = 3;

std::size_t at(int i)
{
    return static_cast<std::size_t>(i);
}

bool isFavourite(const CellStyle& s)
{
    return s.bold && s.hasForeground && s.foreground == kFavouriteColour;
}

// Slot 3 holds 中山 11R with n runners; horse h is in bracket (h + 1) / 2 and named "ウマh" (its name
// padded with full-width blanks as records pad it). No odds yet.
std::unique_ptr<RaceDay> makeDay(int n)
{
    auto day = std::make_unique<RaceDay>();
    day->RaRecs[kSlot] = Line("RA", kRaLength).key(test::kDate, "06", 11).num(882, 2, n).str() + "\r\n";
    for (int h = 1; h <= n; ++h)
        day->SeRecs[kSlot][at(h - 1)] = Line("SE", kSeLength)
                                            .key(test::kDate, "06", 11)
                                            .num(28, 1, (h + 1) / 2)
                                            .num(29, 2, h)
                                            .at(41, toSjis("ウマ" + std::to_string(h) + "　　　"))
                                            .str() +
                                        "\r\n";
    return day;
}

TEST(OddsPageTest, TypeNamesLevelsAndCellTexts)
{
    for (OddsType type : kOddsTypes)
        EXPECT_EQ(OddsTypeOfName(OddsTypeName(type)), type);
    EXPECT_EQ(OddsTypeOfName("3連複"), OddsType::SRF);
    EXPECT_EQ(OddsTypeOfName("3連単"), OddsType::SRT);
    EXPECT_EQ(OddsTypeOfName("三連単"), std::nullopt);

    struct Case {
        double odds;
        OddsLevel level;
        const char* text;
    };
    const Case cases[] = {
        {kOddsAbsent, OddsLevel::None, ""},
        {kOddsCancelled, OddsLevel::None, ""},
        {0.0, OddsLevel::None, ""},
        {1.0, OddsLevel::Low, "1.0"},
        {9.9, OddsLevel::Low, "9.9"},
        {10.0, OddsLevel::Middle, "10.0"},
        {99.9, OddsLevel::Middle, "99.9"},
        {100.0, OddsLevel::High, "100.0"},
        {12345.6, OddsLevel::High, "12345.6"},
    };
    std::set<std::uint32_t> backgrounds;
    for (const Case& c : cases) {
        EXPECT_EQ(OddsLevelOf(c.odds), c.level) << c.odds;
        EXPECT_EQ(OddsCellText(c.odds), c.text) << c.odds;
        const CellStyle plain = OddsCellStyle(c.odds, false);
        EXPECT_EQ(plain.hasBackground, c.level != OddsLevel::None) << c.odds;
        EXPECT_FALSE(isFavourite(plain));
        if (plain.hasBackground)
            backgrounds.insert(plain.background);
    }
    EXPECT_EQ(backgrounds.size(), 3u) << "each level its own shade";
    EXPECT_TRUE(isFavourite(OddsCellStyle(2.5, true)));
    EXPECT_EQ(OddsCellStyle(2.5, true).background, OddsCellStyle(2.5, false).background);
}

TEST(OddsPageTest, WinAndPlaceListEveryRunnerWithBlanksForNoPrice)
{
    auto day = makeDay(5);
    TOutData& r = day->RaceRecs[kSlot];
    // Horse 3 is scratched, horse 4 has no votes, horse 5 has no odds at all.
    r.TanOz = {0, 4.5, 2.1, kOddsCancelled, 0.0, kOddsAbsent};
    r.TanNinki = {0, 2, 1, 0, 0, 0};
    r.FukOzLow = {0, 1.5, 1.1, kOddsCancelled, 0.0, kOddsAbsent};
    r.FukOzHigh = {0, 2.5, 10.4, kOddsCancelled, 0.0, kOddsAbsent};
    r.FukNinki = {0, 1, 2, 0, 0, 0};

    const TextGrid win = OddsPageGrid(*day, kSlot, OddsType::Tan);
    EXPECT_EQ(win.headings(), (std::vector<std::string>{"枠", "馬番", "馬名", "オッズ", "人気"}));
    const std::vector<std::vector<std::string>> winRows = {
        {"1", "1", "ウマ1", "4.5", "2"}, {"1", "2", "ウマ2", "2.1", "1"}, {"2", "3", "ウマ3", "", ""},
        {"2", "4", "ウマ4", "", ""},     {"3", "5", "ウマ5", "", ""},
    };
    ASSERT_EQ(win.rowCount(), 5);
    for (int row = 0; row < 5; ++row)
        EXPECT_EQ(win.row(row), winRows[at(row)]) << "row " << row;
    EXPECT_EQ(win.align(2), CellAlign::Left);
    EXPECT_EQ(win.align(3), CellAlign::Right);
    EXPECT_EQ(win.style(2, 0).background, BracketColour(2));
    // Only the favourite's price is marked; the popularity reads in the card's rank colours.
    for (int row = 0; row < 5; ++row)
        EXPECT_EQ(isFavourite(win.style(row, 3)), row == 1) << "row " << row;
    EXPECT_EQ(win.style(1, 4).foreground, RankTextColour("1"));
    EXPECT_FALSE(win.style(2, 3).hasBackground) << "a blank cell is not shaded";

    const TextGrid place = OddsPageGrid(*day, kSlot, OddsType::Fuk);
    EXPECT_EQ(place.headings(), (std::vector<std::string>{"枠", "馬番", "馬名", "下限", "上限", "人気"}));
    EXPECT_EQ(place.row(0), (std::vector<std::string>{"1", "1", "ウマ1", "1.5", "2.5", "1"}));
    EXPECT_EQ(place.row(1), (std::vector<std::string>{"1", "2", "ウマ2", "1.1", "10.4", "2"}));
    EXPECT_EQ(place.row(2), (std::vector<std::string>{"2", "3", "ウマ3", "", "", ""}));
    // Each bound is shaded by its own level; the favourite by popularity, not by the lowest bound.
    EXPECT_EQ(place.style(1, 3).background, kOddsLowColour);
    EXPECT_EQ(place.style(1, 4).background, kOddsMiddleColour);
    EXPECT_TRUE(isFavourite(place.style(0, 3)) && isFavourite(place.style(0, 4)));
    EXPECT_FALSE(isFavourite(place.style(1, 3)));
}

// Quinella, wide, exacta and bracket quinella: every cell of the matrix is the array entry of its
// combination, blank where it has no price; a horse against itself is greyed and empty.
TEST(OddsPageTest, MatricesShowEachCombinationsOdds)
{
    constexpr int n = 9;
    auto day = makeDay(n);
    TOutData& r = day->RaceRecs[kSlot];
    // Distinct prices across all levels, horse 9 scratched, the rest absent (18-runner slots).
    auto price = [](int k) { return 1.0 + 7.3 * k; };
    for (int a = 1; a <= 18; ++a)
        for (int b = 1; b <= 18; ++b) {
            const bool sold = a <= n && b <= n;
            const double odds = !sold ? kOddsAbsent : (a == 9 || b == 9) ? kOddsCancelled : 0;
            if (const int k = PairOrdinal(a, b)) {
                r.UROz[at(k)] = odds == 0 ? price(k) : odds;
                r.WDOz[at(k)] = odds == 0 ? price(k) / 3 : odds;
            }
            if (const int k = UTOrdinal(a, b))
                r.UTOz[at(k)] = odds == 0 ? price(k) : odds;
        }
    for (int k = 1; k <= kWRCount; ++k)
        r.WROz[at(k)] = price(k);
    r.WROz[at(WROrdinal(1, 1))] = kOddsAbsent; // not sold
    r.URNinki[at(PairOrdinal(2, 5))] = 1;
    r.URNinki[at(PairOrdinal(1, 2))] = 2;
    r.WDNinki[at(PairOrdinal(3, 4))] = 1;
    r.WDNinki[at(PairOrdinal(6, 7))] = 1; // a tie for the favourite: both marked
    r.UTNinki[at(UTOrdinal(5, 2))] = 1;
    r.WRNinki[at(WROrdinal(2, 3))] = 1;

    struct Case {
        OddsType type;
        std::vector<std::string> lead; // headings before the number columns
        int size;
        int (*ordinal)(int row, int col);
        const std::array<double, 154>* pairOdds;
        std::set<std::pair<int, int>> favourites;
    };
    auto pair = [](int a, int b) { return PairOrdinal(std::min(a, b), std::max(a, b)); };
    auto bracket = [](int a, int b) { return WROrdinal(std::min(a, b), std::max(a, b)); };
    const Case cases[] = {
        {OddsType::UR, {"馬番", "馬名"}, n, pair, &r.UROz, {{2, 5}, {5, 2}}},
        {OddsType::WD, {"馬番", "馬名"}, n, pair, &r.WDOz, {{3, 4}, {4, 3}, {6, 7}, {7, 6}}},
        {OddsType::UT, {"1着＼2着", "馬名"}, n, UTOrdinal, nullptr, {{5, 2}}},
        {OddsType::WR, {"枠"}, 8, bracket, nullptr, {{2, 3}, {3, 2}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(OddsTypeName(c.type)));
        const TextGrid grid = OddsPageGrid(*day, kSlot, c.type);
        const int lead = static_cast<int>(c.lead.size());
        ASSERT_EQ(grid.rowCount(), c.size);
        ASSERT_EQ(grid.columnCount(), lead + c.size);
        for (int i = 0; i < lead; ++i)
            EXPECT_EQ(grid.headings()[at(i)], c.lead[at(i)]);
        for (int row = 1; row <= c.size; ++row) {
            EXPECT_EQ(grid.cell(row - 1, 0), std::to_string(row));
            if (lead == 2) {
                EXPECT_EQ(grid.cell(row - 1, 1), "ウマ" + std::to_string(row));
            }
            for (int col = 1; col <= c.size; ++col) {
                const std::string& cell = grid.cell(row - 1, lead + col - 1);
                const CellStyle style = grid.style(row - 1, lead + col - 1);
                const int k = c.ordinal(row, col);
                if (k == 0) {
                    EXPECT_EQ(cell, "") << row << "-" << col;
                    EXPECT_EQ(style.background, kOddsNoPairColour) << row << "-" << col;
                    continue;
                }
                const double odds = c.type == OddsType::WR   ? r.WROz[at(k)]
                                    : c.type == OddsType::UT ? r.UTOz[at(k)]
                                                             : (*c.pairOdds)[at(k)];
                EXPECT_EQ(cell, OddsCellText(odds)) << row << "-" << col;
                EXPECT_EQ(style.hasBackground, odds > 0) << row << "-" << col;
                EXPECT_EQ(isFavourite(style), c.favourites.contains({row, col})) << row << "-" << col;
            }
        }
    }
    // Spot checks that do not go through the ordinals: the exacta's rows are the first horse.
    const TextGrid exacta = OddsPageGrid(*day, kSlot, OddsType::UT);
    EXPECT_EQ(exacta.cell(4, 2 + 1), OddsCellText(r.UTOz[at(UTOrdinal(5, 2))]));
    EXPECT_NE(exacta.cell(4, 2 + 1), exacta.cell(1, 2 + 4));
    EXPECT_EQ(exacta.cell(8, 2 + 0), "") << "horse 9 is scratched";
    const TextGrid quinella = OddsPageGrid(*day, kSlot, OddsType::UR);
    EXPECT_EQ(quinella.cell(0, 2 + 1), OddsCellText(price(1))) << " 1- 2 is the first quinella";
    EXPECT_EQ(quinella.cell(1, 2 + 0), OddsCellText(price(1)));
    EXPECT_EQ(quinella.style(0, 0).background, BracketColour(1)) << "the horse number in its bracket colour";
    EXPECT_EQ(quinella.style(4, 0).background, BracketColour(3));
}

TEST(OddsPageTest, FewRunnersGiveSmallMatricesAndNoOddsSaysSo)
{
    auto day = makeDay(5);
    const OddsPage bracket = BuildOddsPage(*day, kSlot, OddsType::WR);
    EXPECT_EQ(bracket.grid.rowCount(), 5);
    EXPECT_EQ(bracket.grid.columnCount(), 6);
    EXPECT_NE(bracket.caption.find("オッズがありません"), std::string::npos) << bracket.caption;
    for (int row = 0; row < 5; ++row)
        for (int col = 1; col < 6; ++col)
            EXPECT_EQ(bracket.grid.cell(row, col), "");

    day->RaceRecs[kSlot].WROz[1] = 3.2;
    EXPECT_EQ(BuildOddsPage(*day, kSlot, OddsType::WR).caption.find("オッズがありません"), std::string::npos);

    for (OddsType type : kOddsTypes) {
        const OddsPage outside = BuildOddsPage(*day, kRaceSlots, type);
        EXPECT_EQ(outside.grid.rowCount(), 0) << OddsTypeName(type);
        EXPECT_GT(outside.grid.columnCount(), 0) << OddsTypeName(type);
    }
}

// Trio and trifecta: priced combinations by the record's popularity, ties in record order, those the
// record gives no popularity after them by price; a page of 100 rows and how many there are in all.
TEST(OddsPageTest, TripleListsInPopularityOrderAPageAtATime)
{
    auto day = makeDay(18);
    TOutData& r = day->RaceRecs[kSlot];
    r.SRTOz.fill(kOddsAbsent);
    // Ordinals 1..250 priced with popularity 250..1 reversed, so the list runs backwards through them.
    for (int k = 1; k <= 250; ++k) {
        r.SRTOz[at(k)] = 10.0 + k;
        r.SRTNinki[at(k)] = 251 - k;
    }
    // A tie for the favourite with ordinal 250: ordinal 300 comes after it, as the record orders them.
    r.SRTOz[300] = 11.0;
    r.SRTNinki[300] = 1;
    r.SRTOz[301] = kOddsCancelled;
    r.SRTNinki[301] = 2;
    r.SRTOz[400] = 0.0; // no votes
    r.SRTNinki[400] = 3;
    // No popularity: after every ranked one, the cheaper first.
    r.SRTOz[500] = 900.0;
    r.SRTOz[600] = 800.0;

    const std::vector<int> order = OddsByPopularity(*day, kSlot, OddsType::SRT);
    ASSERT_EQ(order.size(), 253u);
    EXPECT_EQ(order[0], 250);
    EXPECT_EQ(order[1], 300);
    EXPECT_EQ(order[2], 249);
    EXPECT_EQ(order[250], 1);
    EXPECT_EQ(order[251], 600);
    EXPECT_EQ(order[252], 500);

    const OddsPage first = BuildOddsPage(*day, kSlot, OddsType::SRT);
    EXPECT_EQ(first.listLength, 253);
    ASSERT_EQ(first.grid.rowCount(), kOddsListStep);
    EXPECT_EQ(first.grid.headings(), (std::vector<std::string>{"人気", "組番", "オッズ"}));
    EXPECT_EQ(first.grid.row(0), (std::vector<std::string>{"1", SRTLabelOf(250), "260.0"}));
    EXPECT_EQ(first.grid.row(1), (std::vector<std::string>{"1", SRTLabelOf(300), "11.0"}));
    EXPECT_EQ(first.grid.row(2), (std::vector<std::string>{"2", SRTLabelOf(249), "259.0"}));
    EXPECT_TRUE(isFavourite(first.grid.style(0, 2)));
    EXPECT_TRUE(isFavourite(first.grid.style(1, 2)));
    EXPECT_FALSE(isFavourite(first.grid.style(2, 2)));
    EXPECT_NE(first.caption.find("1〜100位"), std::string::npos) << first.caption;
    EXPECT_NE(first.caption.find("253"), std::string::npos) << first.caption;

    const TextGrid all = OddsPageGrid(*day, kSlot, OddsType::SRT);
    ASSERT_EQ(all.rowCount(), 253);
    for (int row = 0; row < all.rowCount(); ++row)
        ASSERT_EQ(all.cell(row, 1), SRTLabelOf(order[at(row)])) << row;
    EXPECT_EQ(all.row(252), (std::vector<std::string>{"", SRTLabelOf(500), "900.0"}));
    EXPECT_EQ(BuildOddsPage(*day, kSlot, OddsType::SRT, 300).caption.find("スクロール"), std::string::npos);

    EXPECT_EQ(BuildOddsPage(*day, kSlot, OddsType::SRF).listLength, 0) << "no trio odds";
}

// A loaded day leaves its trio and trifecta blocks to their first reader: the page is one.
TEST(OddsPageTest, TripleListReadsAPendingBlock)
{
    test::DayFolder folder;
    folder.writeData(".jvRA", {test::RaLine("06", 1, "1005", 18)});
    Line o5 = Line("O5", kOzLength[4]).key(test::kDate, "06", 1);
    o5.at(47 + 15 * 2, "000456").at(53 + 15 * 2, "  1"); // trio ordinal 3
    o5.at(47, "001234").at(53, "  2");
    folder.writeData(".jvO5", {o5});
    RaceDay day;
    ManualClock clock = test::OtherDayClock();
    ASSERT_TRUE(DateComboChange(day, test::kDay, folder.options(), clock).loaded);
    ASSERT_TRUE(day.RaceRecs[0].TriplesPending);

    const TextGrid trio = OddsPageGrid(day, 0, OddsType::SRF);
    ASSERT_EQ(trio.rowCount(), 2);
    EXPECT_EQ(trio.row(0), (std::vector<std::string>{"1", SRFLabelOf(3), "45.6"}));
    EXPECT_EQ(trio.row(1), (std::vector<std::string>{"2", SRFLabelOf(1), "123.4"}));
}

} // namespace
} // namespace solvane
