// Allocation and results on small hand-made tables laid out as the form's pair tables.
#include "kaime/Haibun.h"

#include "util/Text.h"

#include <gtest/gtest.h>

using namespace solvane;

namespace {

// Pair-table columns: 0 消, 1 No., 2 買い目, 3 オッズ, 6 購入額, 7 回収額, 8 回収率, 11-13 results.
constexpr HaibunColumns kCols{7, 6, 0, 3, 1};
constexpr KekkaColumns kResult{2, 6, 11, 13, 12};

TextGrid table(const std::vector<std::string>& odds, const std::vector<std::string>& labels = {})
{
    TextGrid g(std::vector<std::string>(14));
    for (std::size_t i = 0; i < odds.size(); ++i) {
        const int r = g.addRow();
        g.setCell(r, 1, strprintf("%3zu", i + 1));
        g.setCell(r, 2, i < labels.size() ? labels[i] : strprintf("%2zu-%2zu", i + 1, i + 2));
        g.setCell(r, 3, odds[i]);
    }
    return g;
}

std::vector<std::string> repeat(std::size_t n, const std::string& text)
{
    return std::vector<std::string>(n, text);
}

struct EvenCase {
    HaibunMode mode;
    long long amount;
    std::size_t rows;
    std::string stake; // every row's stake cell
    std::string total;
};

TEST(Haibun, EvenAndFlatStakesRoundAsDescribed)
{
    const EvenCase cases[] = {
        {HaibunMode::Kinto, 1000, 3, "   400", "  1200"},
        {HaibunMode::Kinto, 1000, 7, "   200", "  1400"},
        {HaibunMode::Kinto, 1000, 20, "   100", "  2000"},
        {HaibunMode::Kinto, 1000, 150, "   100", " 15000"},
        // 110 yen each: 10 yen over rounds up; 109 yen: 9 yen over rounds down.
        {HaibunMode::Kinto, 1100, 10, "   200", "  2000"},
        {HaibunMode::Kinto, 1090, 10, "   100", "  1000"},
        {HaibunMode::Kinitsu, 500, 1, "   500", "   500"},
        {HaibunMode::Kinitsu, 500, 9, "   500", "  4500"},
    };
    for (const EvenCase& c : cases) {
        TextGrid g = table(repeat(c.rows, "    5.0"));
        KaimeLabels labels;
        ASSERT_TRUE(HaibunKaime("馬連", c.mode, c.amount, g, kCols, labels));
        EXPECT_EQ(labels.count, strprintf("%3zu", c.rows));
        EXPECT_EQ(labels.total, c.total) << c.amount << "/" << c.rows;
        for (int r = 0; r < g.rowCount(); ++r)
            EXPECT_EQ(g.cell(r, 6), c.stake) << c.amount << "/" << c.rows;
    }
}

TEST(Haibun, ExpectedRecoveryAndItsColour)
{
    TextGrid g = table({"    3.0", "    5.0"});
    KaimeLabels labels;
    ASSERT_TRUE(HaibunKaime("馬連", HaibunMode::Kinitsu, 500, g, kCols, labels));
    EXPECT_EQ(g.cell(0, 7), "   1500");
    EXPECT_EQ(g.cell(1, 7), "   2500");
    EXPECT_EQ(g.cell(0, 8), "  150.0");
    EXPECT_EQ(g.cell(1, 8), "  250.0");
    EXPECT_EQ(labels.rate, "  200.0");
    EXPECT_EQ(labels.rateStyle, CellStyle::fg(kRateAboveColor));

    TextGrid low = table({"    1.5", "    1.5"});
    ASSERT_TRUE(HaibunKaime("馬連", HaibunMode::Kinto, 1000, low, kCols, labels));
    EXPECT_EQ(labels.rate, "   75.0");
    EXPECT_EQ(labels.rateStyle, CellStyle::fg(kRateBelowColor));
}

TEST(Haibun, ProportionalSharesFollowInverseOdds)
{
    TextGrid g = table({"    2.0", "    8.0"});
    KaimeLabels labels;
    ASSERT_TRUE(HaibunKaime("馬連", HaibunMode::Hirei, 1000, g, kCols, labels));
    EXPECT_EQ(g.cell(0, 6), "   800");
    EXPECT_EQ(g.cell(1, 6), "   200");
    EXPECT_EQ(labels.total, "  1000");
    EXPECT_EQ(g.cell(0, 7), "   1600");

    // 1000 at 1.0 against 99999.0: the long shot's share rounds to 0 and is raised to "   100".
    TextGrid tiny = table({"    1.0", "99999.0"});
    ASSERT_TRUE(HaibunKaime("馬単", HaibunMode::Hirei, 1000, tiny, kCols, labels));
    EXPECT_EQ(tiny.cell(0, 6), "  1000");
    EXPECT_EQ(tiny.cell(1, 6), "   100");
    EXPECT_EQ(labels.total, "  1100");
}

TEST(Haibun, ProportionalRoundsUpFromFiveYen)
{
    struct Case {
        long long amount;
        std::vector<double> odds;
        std::vector<long long> stakes;
    };
    const Case cases[] = {
        // Half of 1010 is 505: 5 yen over rounds up. Half of 1008 is 504: 4 yen over rounds down.
        {1010, {6.0, 6.0}, {600, 600}},
        {1008, {6.0, 6.0}, {500, 500}},
        {1000, {6.0, 6.0}, {500, 500}},
        // 1000 × 6.1 / (13.9 + 6.1) is exactly 305 yen; as doubles the share came to 304.99…
        {1000, {13.9, 6.1}, {400, 700}},
        {999, {13.9, 6.1}, {300, 700}},
        // Shares 1/2, 1/3, 1/6 of 1010: 505 (rounds up), 336.7, 168.3.
        {1010, {2.0, 3.0, 6.0}, {600, 400, 200}},
        // Shares 1/3, 1/9, 2/9, 1/3 of 945: 315, 105, 210, 315.
        {945, {4.0, 12.0, 6.0, 4.0}, {400, 200, 300, 400}},
        // Fifteen odds whose product overflows 64 bits; the 96.0 row's share is 19530 / 186 = 105.
        {19530,
         {2.0, 3.0, 6.0, 4.0, 6.0, 12.0, 8.0, 12.0, 24.0, 16.0, 24.0, 48.0, 32.0, 48.0, 96.0},
         {5100, 3400, 1700, 2600, 1700, 900, 1300, 900, 500, 700, 500, 300, 400, 300, 200}},
    };
    for (const Case& c : cases) {
        std::vector<std::string> odds;
        for (const double o : c.odds)
            odds.push_back(strprintf("%7.1f", o));
        TextGrid g = table(odds);
        KaimeLabels labels;
        ASSERT_TRUE(HaibunKaime("馬連", HaibunMode::Hirei, c.amount, g, kCols, labels));
        long long total = 0;
        for (std::size_t r = 0; r < c.stakes.size(); ++r) {
            EXPECT_EQ(g.cell(static_cast<int>(r), 6), strprintf("%6lld", c.stakes[r])) << c.amount << " at " << odds[r];
            total += c.stakes[r];
        }
        EXPECT_EQ(labels.total, strprintf("%6lld", total)) << c.amount;
    }
}

TEST(Haibun, PaybacksAreExactMoney)
{
    struct Case {
        HaibunMode mode;
        long long amount;
        std::vector<std::string> odds;
        std::string payout; // of the first row
        std::string rate;   // 予想回収率
    };
    // As doubles most odds lie a little below their text (161.1 is 161.0999…, 2.3 is 2.2999…), so a
    // truncated stake × odds came to a yen less than the payout the row shows.
    const Case cases[] = {
        // 期配 with 3000 at 161.1: 100 yen, paying 16110.
        {HaibunMode::Kihai, 3000, {"  161.1"}, "  16110", "16110.0"},
        {HaibunMode::Kinitsu, 100, {"    2.3"}, "    230", "  230.0"},
        // 100 yen on each: 2 × 16110 ÷ 2 ÷ 200.
        {HaibunMode::Kinto, 200, {"  161.1", "  161.1"}, "  16110", " 8055.0"},
        // 500 yen on each: 2 × 1150 ÷ 2 ÷ 1000.
        {HaibunMode::Hirei, 1000, {"    2.3", "    2.3"}, "   1150", "  115.0"},
        // A flat stake of 155 yen pays 387.5: shown rounded, counted truncated (387 ÷ 155 = 249.7 %).
        {HaibunMode::Kinitsu, 155, {"    2.5"}, "    388", "  249.7"},
    };
    for (const Case& c : cases) {
        TextGrid g = table(c.odds);
        KaimeLabels labels;
        ASSERT_TRUE(HaibunKaime("単勝", c.mode, c.amount, g, kCols, labels));
        EXPECT_EQ(g.cell(0, 7), c.payout) << c.amount << " at " << c.odds[0];
        EXPECT_EQ(labels.rate, c.rate) << c.amount << " at " << c.odds[0];
    }
}

TEST(Haibun, ProportionalWithoutAPricedFirstRow)
{
    // A first row whose odds text is no number would make every weight 0 (base 0): the shares do not
    // depend on the base, so the other rows are still allocated.
    TextGrid g = table({"    abc", "    2.0", "    8.0"});
    KaimeLabels labels;
    ASSERT_TRUE(HaibunKaime("馬連", HaibunMode::Hirei, 1000, g, kCols, labels));
    EXPECT_EQ(g.cell(1, 6), "   800");
    EXPECT_EQ(g.cell(2, 6), "   200");
    EXPECT_EQ(g.cell(0, 6), "   100") << "no weight: share 0, raised to the minimum";
    EXPECT_EQ(labels.count, "  3");
    EXPECT_EQ(labels.total, "  1100");
}

TEST(Haibun, SixtyFourBitSums)
{
    // 4896 combinations at 99999.9 with 99999900 each: the payback sum needs 64 bits.
    TextGrid g = table(repeat(4896, "99999.9"));
    KaimeLabels labels;
    ASSERT_TRUE(HaibunKaime("３連単", HaibunMode::Kinitsu, 99999900, g, kCols, labels));
    EXPECT_EQ(labels.total, "489599510400");
    EXPECT_EQ(g.cell(0, 7), "9999980000010");
    // The sum of 4896 such paybacks is about 4.9e16: R = 9999980000010 / 489599510400 × 100.
    EXPECT_EQ(labels.rate, " 2042.5");
}

TEST(Haibun, TargetPaybackStakes)
{
    TextGrid g = table({"    4.5", "   40.0", " 3000.0"});
    KaimeLabels labels;
    ASSERT_TRUE(HaibunKaime("馬連", HaibunMode::Kihai, 3000, g, kCols, labels));
    EXPECT_EQ(g.cell(0, 6), "   700");
    EXPECT_EQ(g.cell(1, 6), "   100");
    EXPECT_EQ(g.cell(2, 6), "   100");
    EXPECT_EQ(labels.count, "  3");
    EXPECT_EQ(labels.total, "   900");
}

TEST(Haibun, DeletedAndOddslessRowsGetNothing)
{
    TextGrid g = table({"    3.0", "    4.0", "       "});
    g.setCell(1, 0, "消");
    KaimeLabels labels;
    ASSERT_TRUE(HaibunKaime("馬連", HaibunMode::Kinto, 1000, g, kCols, labels));
    EXPECT_EQ(labels.count, "  1");
    EXPECT_EQ(g.cell(0, 6), "  1000");
    EXPECT_EQ(g.cell(1, 6), "");
    EXPECT_EQ(g.cell(2, 6), "");
}

TEST(Haibun, RefusedTablesKeepTheirStakes)
{
    TextGrid g = table({"    3.0", "    4.0"});
    KaimeLabels labels;
    ASSERT_TRUE(HaibunKaime("馬連", HaibunMode::Kinto, 1000, g, kCols, labels));
    const TextGrid before = g;
    const KaimeLabels kept = labels;
    EXPECT_FALSE(HaibunKaime("馬連", HaibunMode::Kinto, 99, g, kCols, labels));
    TextGrid noOdds = table({"       ", "    4.0"});
    EXPECT_FALSE(HaibunKaime("馬連", HaibunMode::Kinto, 1000, noOdds, kCols, labels));
    TextGrid big = table(repeat(4897, "    4.0"));
    EXPECT_FALSE(HaibunKaime("３連単", HaibunMode::Kinto, 1000, big, kCols, labels));
    EXPECT_EQ(toTsv(g), toTsv(before));
    EXPECT_EQ(labels.total, kept.total);
    // The largest table is allocated.
    TextGrid full = table(repeat(4896, "    4.0"));
    EXPECT_TRUE(HaibunKaime("３連単", HaibunMode::Kinto, 1000, full, kCols, labels));
    EXPECT_EQ(labels.total, "489600");
}

// An HR record with the given slots written at their positions.
std::string hrWith(const std::vector<std::pair<std::size_t, std::string>>& fields)
{
    std::string hr(719, ' ');
    for (const auto& [pos, text] : fields)
        hr.replace(pos - 1, text.size(), text);
    return hr;
}

struct ResultCase {
    const char* type;
    std::string label;
    std::string hr;
    std::string payout, ret, popularity;
};

TEST(Kekka, EveryTypeFindsItsPayingSlot)
{
    const ResultCase cases[] = {
        {"単勝", " 7", hrWith({{103, "07000000450 2"}}), "    450", "    900", "  2"},
        // The third place slot pays horse 5.
        {"複勝", " 5", hrWith({{142, "01000000150 1"}, {168, "05000001300 6"}}), "   1300", "   2600", "  6"},
        {"枠連", " 3- 3", hrWith({{207, "33000001230 4"}}), "   1230", "   2460", "  4"},
        {"馬連", " 3-12", hrWith({{246, "0312000004560 12"}}), "   4560", "   9120", " 12"},
        // Wide: the second slot.
        {"ワイド", " 2- 9", hrWith({{294, "0103000000200  1"}, {310, "0209000000870  9"}}), "    870", "   1740",
         "  9"},
        {"馬単", "12- 3", hrWith({{454, "1203000010230 31"}}), "  10230", "  20460", " 31"},
        {"３連複", " 1- 5-13", hrWith({{550, "010513000012345 77"}}), "  12345", "  24690", " 77"},
        {"３連単", "13- 1- 5", hrWith({{604, "131005123456789 999"}, {623, "1301059876543211234"}}), "987654321",
         "1975308642", "1234"},
    };
    for (const ResultCase& c : cases) {
        const bool single = std::string_view(c.type) == "単勝" || std::string_view(c.type) == "複勝";
        const KekkaColumns cols = single ? KekkaColumns{2, 5, 9, 11, 10} : kResult;
        TextGrid g(std::vector<std::string>(14), 2);
        g.setCell(0, 2, c.label);
        g.setCell(0, cols.stake, "   200");
        g.setCell(1, 2, single ? "18" : "18-18");
        g.setCell(1, cols.stake, "   200");
        KaimeLabels labels;
        const long long sum = KekkaKaime(c.type, g, cols, c.hr, labels);
        EXPECT_EQ(g.cell(0, cols.payout), c.payout) << c.type;
        EXPECT_EQ(g.cell(0, cols.ret), c.ret) << c.type;
        EXPECT_EQ(g.cell(0, cols.popularity), c.popularity) << c.type;
        EXPECT_EQ(g.style(0, 2), CellStyle::bg(kPaidLabelColor)) << c.type;
        EXPECT_EQ(g.cell(1, cols.payout), "") << c.type;
        EXPECT_EQ(g.style(1, 2), CellStyle{}) << c.type;
        EXPECT_EQ(labels.paid, strprintf("%8lld", sum)) << c.type;
        EXPECT_TRUE(IsPaidLabel(*BakenTypeOfName(c.type), c.label, c.hr));
    }
}

TEST(Kekka, BlankRecordAndBracketWithoutStake)
{
    TextGrid g(std::vector<std::string>(14), 1);
    g.setCell(0, 2, " 3- 3");
    KaimeLabels labels;
    labels.paid = "old";
    EXPECT_EQ(KekkaKaime("枠連", g, kResult, std::string(719, ' '), labels), 0);
    EXPECT_EQ(labels.paid, "");
    EXPECT_EQ(g.cell(0, 11), "");

    // A bracket row without a stake is paid but returns nothing: its return cell stays empty.
    KekkaKaime("枠連", g, kResult, hrWith({{207, "33000001230 4"}}), labels);
    EXPECT_EQ(g.cell(0, 11), "   1230");
    EXPECT_EQ(g.cell(0, 12), "");
    EXPECT_EQ(labels.paid, "");
    // Zero numbers in a slot mean no payout, even if the label were " 0- 0".
    EXPECT_FALSE(IsPaidLabel(BakenType::WR, " 0- 0", hrWith({{207, "00000001230 4"}})));
}

} // namespace
