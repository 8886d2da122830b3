// Building the form's tables from marks on a hand-filled race.
#include "kaime/KaimeBuild.h"

#include "KaimeTestSupport.h"

#include <gtest/gtest.h>

using namespace solvane;
using solvane::test::HandRace;
using solvane::test::kSlot;

namespace {

Marks marksOf(std::initializer_list<int> honmei, std::initializer_list<int> taikou = {},
              std::initializer_list<int> tanana = {})
{
    Marks m;
    for (const int h : honmei)
        m.set(MarkKind::Honmei, h, true);
    for (const int h : taikou)
        m.set(MarkKind::Taikou, h, true);
    for (const int h : tanana)
        m.set(MarkKind::Tanana, h, true);
    return m;
}

std::vector<std::string> column(const TextGrid& g, int c)
{
    std::vector<std::string> out;
    for (int r = 0; r < g.rowCount(); ++r)
        out.push_back(g.cell(r, c));
    return out;
}

const KaimeTable& tableOf(const KaimeTables& t, BakenType type)
{
    return t[static_cast<std::size_t>(IndexOf(type))];
}

KaimeTables build(const RaceDay& day, const Marks& marks, MultiOptions multi = {}, long long amount = 1000)
{
    return KaimeMakeBtnClick(day, kSlot, marks, multi, ContextOf(day, kSlot, amount, HaibunMode::Kinto, nullptr));
}

TEST(KaimeBuild, HeadingsOfEveryTable)
{
    EXPECT_EQ(KaimeHeadings(BakenType::Fuk),
              (std::vector<std::string>{"消", "No.", "買い目", "オッズ", "人気", "購入額", "回収額", "回収率", "出現率",
                                        "結果配当", "結果回収", "結果人気"}));
    EXPECT_EQ(KaimeHeadings(BakenType::WR),
              (std::vector<std::string>{"消", "No", "買い目", "オッズ", "人気", "連人気", "購入額", "回収額", "回収率",
                                        "出現率1", "出現率2", "結果配当", "結果回収", "結果人気"}));
    EXPECT_EQ(KaimeHeadings(BakenType::UT)[1], "No.");
    EXPECT_EQ(KaimeHeadings(BakenType::SRT),
              (std::vector<std::string>{"消", "No.", "買い目", "オッズ", "人気", "連人気", "購入額", "回収額", "回収率",
                                        "出現率1", "出現率2", "出現率3", "結果配当", "結果回収", "結果人気"}));
}

TEST(KaimeBuild, AxisWithoutPartnersFillsOnlyWinAndPlace)
{
    const auto day = HandRace(10);
    const KaimeTables t = build(*day, marksOf({4, 6}));
    const KaimeTable& win = tableOf(t, BakenType::Tan);
    ASSERT_EQ(win.grid.rowCount(), 2);
    EXPECT_EQ(win.grid.row(0), (std::vector<std::string>{"", " 1", " 4", "   7.0", " 7", "   500", "   3500", "  350.0",
                                                         "", "", "", ""}));
    EXPECT_EQ(column(tableOf(t, BakenType::Fuk).grid, 2), (std::vector<std::string>{" 4", " 6"}));
    EXPECT_EQ(win.labels.count, "  2");
    EXPECT_EQ(win.labels.total, "  1000");
    for (const BakenType type :
         {BakenType::WR, BakenType::UR, BakenType::WD, BakenType::UT, BakenType::SRF, BakenType::SRT}) {
        const KaimeTable& other = tableOf(t, type);
        ASSERT_EQ(other.grid.rowCount(), 1) << InfoOf(type).name;
        EXPECT_EQ(other.grid.row(0), std::vector<std::string>(other.grid.columnCount()));
        EXPECT_EQ(other.labels.count, "");
        EXPECT_EQ(other.labels.total, "");
    }
}

struct MultiCase {
    MultiOptions multi;
    std::vector<std::string> labels;
};

TEST(KaimeBuild, TrifectaMultiExpansions)
{
    const auto day = HandRace(8);
    const MultiCase cases[] = {
        {{false, false, false, false}, {" 1- 2- 3"}},
        {{false, false, true, false}, {" 1- 2- 3", " 1- 3- 2"}},
        {{false, true, false, false}, {" 1- 2- 3", " 2- 1- 3"}},
        {{false, false, false, true}, {" 1- 2- 3", " 3- 2- 1"}},
        {{false, true, true, true}, {" 1- 2- 3", " 1- 3- 2", " 2- 1- 3", " 3- 2- 1"}},
        {{true, false, false, false}, {" 1- 2- 3", " 1- 3- 2", " 2- 1- 3", " 2- 3- 1", " 3- 1- 2", " 3- 2- 1"}},
    };
    for (const MultiCase& c : cases) {
        const KaimeTables t = build(*day, marksOf({1}, {2}, {3}), c.multi);
        EXPECT_EQ(column(tableOf(t, BakenType::SRT).grid, 2), c.labels);
        // The trio ignores the multi boxes.
        EXPECT_EQ(column(tableOf(t, BakenType::SRF).grid, 2), std::vector<std::string>{" 1- 2- 3"});
    }
}

TEST(KaimeBuild, ExactaReverseOnlyWithMulti)
{
    const auto day = HandRace(10);
    EXPECT_EQ(column(tableOf(build(*day, marksOf({5}, {7})), BakenType::UT).grid, 2),
              (std::vector<std::string>{" 5- 7", " 7- 5"}));
    const MultiOptions onlyFirstTwo{false, true, false, false};
    EXPECT_EQ(column(tableOf(build(*day, marksOf({5}, {7}), onlyFirstTwo), BakenType::UT).grid, 2),
              (std::vector<std::string>{" 5- 7"}));
}

TEST(KaimeBuild, DuplicatesVanishAndLabelsComeInTextOrder)
{
    const auto day = HandRace(9);
    // ◎ and ○ on both 2 and 10 would give 2-10 twice; 9 runners have no horse 10, so use 2 and 9.
    const KaimeTables t = build(*day, marksOf({9, 2, 8}, {2, 9, 8}));
    EXPECT_EQ(column(tableOf(t, BakenType::UR).grid, 2), (std::vector<std::string>{" 2- 8", " 2- 9", " 8- 9"}));
    EXPECT_EQ(column(tableOf(t, BakenType::UR).grid, 1), (std::vector<std::string>{"  1", "  2", "  3"}));
    // With 9 runners horses 8 and 9 share bracket 8.
    EXPECT_EQ(column(tableOf(t, BakenType::WR).grid, 2), (std::vector<std::string>{" 2- 8", " 8- 8"}));
    EXPECT_EQ(column(tableOf(t, BakenType::UT).grid, 2),
              (std::vector<std::string>{" 2- 8", " 2- 9", " 8- 2", " 8- 9", " 9- 2", " 9- 8"}));
}

TEST(KaimeBuild, OddsAndPopularityCellsAndRenNinki)
{
    auto day = HandRace(10);
    day->RaceRecs[kSlot].TanNinki[3] = 0; // horse 3 without a win popularity
    const KaimeTables t = build(*day, marksOf({1}, {2, 3}));
    const TextGrid& ur = tableOf(t, BakenType::UR).grid;
    const int k = PairOrdinal(1, 2);
    EXPECT_EQ(ur.cell(0, 3), strprintf("%7.1f", 10.0 + k));
    EXPECT_EQ(ur.cell(0, 4), strprintf("%3d", k));
    EXPECT_EQ(ur.cell(0, 5), "10- 9");
    EXPECT_EQ(ur.cell(1, 5), "") << "a rank of 0 leaves 連人気 empty";
    // Brackets: the best rank among the bracket's runners (10 runners: bracket 1 holds horse 1 only).
    EXPECT_EQ(tableOf(t, BakenType::WR).grid.cell(0, 5), "10- 9");
    const KaimeTables triple = build(*day, marksOf({1}, {2}, {4}));
    const TextGrid& srt = tableOf(triple, BakenType::SRT).grid;
    EXPECT_EQ(srt.cell(0, 1), "   1");
    EXPECT_EQ(srt.cell(0, 3), strprintf("%8.1f", 10.0 + SRTOrdinal(1, 2, 4)));
    EXPECT_EQ(srt.cell(0, 4), strprintf("%4d", SRTOrdinal(1, 2, 4)));
    EXPECT_EQ(srt.cell(0, 5), "10- 9- 7");
}

struct WindowCase {
    BakenType type;
    double odds;
    bool listed;
};

TEST(KaimeBuild, OddsWindowsIncludeBothEnds)
{
    const WindowCase cases[] = {
        {BakenType::UR, 10000.0, true},   {BakenType::UR, 10000.1, false},  {BakenType::UR, 1.0, true},
        {BakenType::UR, 0.9, false},      {BakenType::WD, 10000.0, true},   {BakenType::WD, 10000.1, false},
        {BakenType::UR, -1.0, false},     {BakenType::UT, 100000.0, true},  {BakenType::UT, 100000.1, false},
        {BakenType::SRF, 100000.0, true}, {BakenType::SRT, 100000.0, true}, {BakenType::SRT, 100000.1, false},
    };
    for (const WindowCase& c : cases) {
        auto day = HandRace(10);
        TOutData& r = day->RaceRecs[kSlot];
        r.UROz[static_cast<std::size_t>(PairOrdinal(1, 2))] = c.type == BakenType::UR ? c.odds : 5.0;
        r.WDOz[static_cast<std::size_t>(PairOrdinal(1, 2))] = c.type == BakenType::WD ? c.odds : 5.0;
        r.UTOz[static_cast<std::size_t>(UTOrdinal(1, 2))] = c.type == BakenType::UT ? c.odds : 5.0;
        r.SRFOz[static_cast<std::size_t>(SRFOrdinal(1, 2, 3))] = c.type == BakenType::SRF ? c.odds : 5.0;
        r.SRTOz[static_cast<std::size_t>(SRTOrdinal(1, 2, 3))] = c.type == BakenType::SRT ? c.odds : 5.0;
        const KaimeTables t = build(*day, marksOf({1}, {2}, {3}), MultiOptions{false, false, false, false});
        const TextGrid& g = tableOf(t, c.type).grid;
        EXPECT_EQ(!g.cell(0, 2).empty(), c.listed) << InfoOf(c.type).name << " " << c.odds;
        if (c.listed) {
            EXPECT_EQ(g.cell(0, 3), OddsText(c.type, c.odds));
        }
    }
    EXPECT_TRUE(InOddsWindow(BakenType::Tan, 10000.0));
    EXPECT_FALSE(InOddsWindow(BakenType::Tan, 10000.1));
    EXPECT_FALSE(InOddsWindow(BakenType::Fuk, 0.0));
}

TEST(KaimeBuild, OddsNotLoadedListsEveryCombinationWithBlanks)
{
    auto day = HandRace(10);
    day->O2Recs[kSlot].assign(kOzLength[1], ' ');
    day->O6Recs[kSlot].assign(kOzLength[5], ' ');
    // Odds out of every window do not matter while the record is not loaded.
    day->RaceRecs[kSlot].UROz.fill(kOddsAbsent);
    const KaimeTables t = build(*day, marksOf({1}, {2, 3}, {4}));
    const KaimeTable& ur = tableOf(t, BakenType::UR);
    ASSERT_EQ(ur.grid.rowCount(), 2);
    EXPECT_EQ(ur.grid.row(0), (std::vector<std::string>{"", "  1", " 1- 2", "       ", "   ", "10- 9", "", "", "", "",
                                                        "", "", "", ""}));
    EXPECT_EQ(ur.labels.total, "") << "no odds, no allocation";
    const TextGrid& srt = tableOf(t, BakenType::SRT).grid;
    EXPECT_EQ(srt.rowCount(), 12);
    EXPECT_EQ(srt.cell(0, 3), "        ");
    EXPECT_EQ(srt.cell(0, 4), "    ");
    // The loaded types beside them are untouched by the rule.
    EXPECT_EQ(tableOf(t, BakenType::WD).labels.count, "  2");
}

TEST(KaimeBuild, DeleteMarkToggles)
{
    const auto day = HandRace(10);
    KaimeTables t = build(*day, marksOf({1}, {2, 3, 4}));
    KaimeTable& wd = t[static_cast<std::size_t>(IndexOf(BakenType::WD))];
    const KaimeContext ctx = ContextOf(*day, kSlot, 1000, HaibunMode::Kinto, nullptr);
    ASSERT_EQ(wd.labels.count, "  3");
    const TextGrid before = wd.grid;
    ASSERT_TRUE(ToggleDelete(wd, 1, ctx));
    EXPECT_EQ(wd.grid.cell(1, 0), "消");
    EXPECT_EQ(wd.grid.cell(1, 6), "");
    EXPECT_EQ(wd.grid.cell(1, 7), "");
    EXPECT_EQ(wd.labels.count, "  2");
    EXPECT_EQ(wd.grid.cell(0, 6), "   500");
    ASSERT_TRUE(ToggleDelete(wd, 1, ctx));
    EXPECT_EQ(wd.labels.count, "  3");
    EXPECT_EQ(toTsv(wd.grid), toTsv(before));
    EXPECT_FALSE(ToggleDelete(wd, 3, ctx));
}

TEST(KaimeBuild, HeadingSortsFlipAndPairTablesShareDirections)
{
    auto day = HandRace(10);
    // Equal odds on two rows: they keep ascending No. order in both directions.
    TOutData& r = day->RaceRecs[kSlot];
    r.UROz[static_cast<std::size_t>(PairOrdinal(1, 3))] = 20.0;
    r.UROz[static_cast<std::size_t>(PairOrdinal(1, 4))] = 20.0;
    r.UROz[static_cast<std::size_t>(PairOrdinal(1, 2))] = 5.0;
    KaimeTables t = build(*day, marksOf({1}, {2, 3, 4}));
    KaimeTable& ur = t[static_cast<std::size_t>(IndexOf(BakenType::UR))];
    KaimeSortState sort;
    ASSERT_TRUE(sort.clickHeading(ur, 3));
    EXPECT_EQ(column(ur.grid, 1), (std::vector<std::string>{"  2", "  3", "  1"}));
    ASSERT_TRUE(sort.clickHeading(ur, 3));
    EXPECT_EQ(column(ur.grid, 1), (std::vector<std::string>{"  1", "  2", "  3"}));
    // Sorting by No. descending; the wide table shares the pair directions, the trio does not.
    ASSERT_TRUE(sort.clickHeading(ur, 1));
    EXPECT_EQ(column(ur.grid, 1), (std::vector<std::string>{"  3", "  2", "  1"}));
    EXPECT_TRUE(sort.descending(BakenType::WD, 1));
    EXPECT_FALSE(sort.descending(BakenType::SRF, 1));
    KaimeTable& wd = t[static_cast<std::size_t>(IndexOf(BakenType::WD))];
    ASSERT_TRUE(sort.clickHeading(wd, 1));
    EXPECT_EQ(column(wd.grid, 1), (std::vector<std::string>{"  1", "  2", "  3"}));
    EXPECT_FALSE(sort.clickHeading(wd, 0));
}

TEST(KaimeBuild, PaidRowsAndPaidBackLabel)
{
    auto day = HandRace(10);
    std::string& hr = day->HrRecs[kSlot];
    hr.replace(245, 16, "0102000004560 12");
    hr.replace(141, 13, "02000000130 1");
    const KaimeTables t = build(*day, marksOf({1, 2}, {2, 3}));
    const KaimeTable& ur = tableOf(t, BakenType::UR);
    ASSERT_EQ(ur.grid.cell(0, 2), " 1- 2");
    EXPECT_EQ(ur.grid.style(0, 2), CellStyle::bg(kPaidLabelColor));
    EXPECT_EQ(ur.grid.cell(0, 11), "   4560");
    EXPECT_EQ(ur.labels.paid, strprintf("%8lld", 4560LL * toIntDef(ur.grid.cell(0, 6), 0) / 100));
    EXPECT_EQ(ur.grid.style(1, 2), CellStyle{});
    EXPECT_EQ(tableOf(t, BakenType::Fuk).grid.cell(1, 9), "    130");
}

TEST(KaimeBuild, AppearanceRatesFromCounts)
{
    const auto day = HandRace(10);
    AppearanceCounts counts;
    // Ten runners: rank 10 (horse 1) won 1 of 4 starts and was 2nd once; rank 9 (horse 2) 3rd once in 2.
    for (const int place : {1, 2, 5, 0})
        counts.addRunner(10, 10, place);
    for (const int place : {3, 4})
        counts.addRunner(10, 9, place);
    const KaimeTables t =
        KaimeMakeBtnClick(*day, kSlot, marksOf({1}, {2}, {3}), MultiOptions{false, false, false, false},
                          ContextOf(*day, kSlot, 1000, HaibunMode::Kinto, &counts));
    EXPECT_EQ(tableOf(t, BakenType::Tan).grid.cell(0, 8), " 25.0");
    EXPECT_EQ(tableOf(t, BakenType::Fuk).grid.cell(0, 8), " 50.0");
    EXPECT_EQ(tableOf(t, BakenType::UT).grid.cell(0, 9), " 25.0");
    EXPECT_EQ(tableOf(t, BakenType::UT).grid.cell(0, 10), "  0.0");
    EXPECT_EQ(tableOf(t, BakenType::UR).grid.cell(0, 10), "  0.0");
    EXPECT_EQ(tableOf(t, BakenType::WD).grid.cell(0, 10), " 50.0");
    // Rank 8 never ran in the counts: nothing to divide by, the cell stays empty.
    EXPECT_EQ(tableOf(t, BakenType::SRT).grid.cell(0, 11), "");
}

TEST(KaimeBuild, WinAndPlaceRatesAreReadByWinPopularity)
{
    // Horse 1 is the tenth win favourite but the place favourite. The counts are by win popularity,
    // so both tables read rank 10 (1st and 2nd in four starts), not rank 1 (4th and 5th in two).
    const auto day = HandRace(10);
    day->RaceRecs[kSlot].FukNinki[1] = 1;
    AppearanceCounts counts;
    for (const int place : {1, 2, 5, 0})
        counts.addRunner(10, 10, place);
    for (const int place : {4, 5})
        counts.addRunner(10, 1, place);
    const KaimeTables t = KaimeMakeBtnClick(*day, kSlot, marksOf({1}), MultiOptions{},
                                            ContextOf(*day, kSlot, 1000, HaibunMode::Kinto, &counts));
    struct Case {
        BakenType type;
        std::string ninki, rate;
    };
    for (const Case& c : {Case{BakenType::Tan, "10", " 25.0"}, Case{BakenType::Fuk, " 1", " 50.0"}}) {
        const TextGrid& g = tableOf(t, c.type).grid;
        EXPECT_EQ(g.cell(0, 4), c.ninki) << InfoOf(c.type).name;
        EXPECT_EQ(g.cell(0, 8), c.rate) << InfoOf(c.type).name;
    }
}

} // namespace

namespace {

TEST(KaimeBuild, NewModeOrStakeReallocatesEveryTable)
{
    const auto day = HandRace(10);
    KaimeTables t = build(*day, marksOf({1}, {2, 3, 4}, {5}));
    KaimeTable& ur = t[static_cast<std::size_t>(IndexOf(BakenType::UR))];
    ASSERT_EQ(ur.grid.cell(0, 6), "   400");
    // 期配 with 3000: each stake aims at a 3000 payback at the row's odds.
    ReallocateAll(t, ContextOf(*day, kSlot, 3000, HaibunMode::Kihai, nullptr));
    for (int r = 0; r < ur.grid.rowCount(); ++r) {
        const double odds = std::stod(ur.grid.cell(r, 3));
        const auto k = static_cast<long long>(3000 / odds / 100 + 0.99);
        EXPECT_EQ(ur.grid.cell(r, 6), strprintf("%6lld", k >= 1 ? k * 100 : 100)) << ur.grid.cell(r, 2);
    }
    EXPECT_EQ(ur.labels.count, "  3");
    const KaimeTable& srt = t[static_cast<std::size_t>(IndexOf(BakenType::SRT))];
    EXPECT_EQ(srt.labels.count, strprintf("%3d", srt.grid.rowCount()));
    // A stake below 100 leaves every table as it was.
    const std::string before = toTsv(ur.grid);
    ReallocateAll(t, ContextOf(*day, kSlot, 99, HaibunMode::Kinto, nullptr));
    EXPECT_EQ(toTsv(ur.grid), before);
}

TEST(KaimeBuild, RebuildInPlaceEqualsFreshBuild)
{
    const auto day = HandRace(12);
    KaimeTables kept = build(*day, marksOf({1, 2, 3, 4, 5, 6}, {1, 2, 3, 4, 5, 6}, {1, 2, 3, 4, 5, 6}));
    const Marks fewer = marksOf({7}, {8}, {9});
    const KaimeContext ctx = ContextOf(*day, kSlot, 1000, HaibunMode::Hirei, nullptr);
    KaimeMakeBtnClick(kept, *day, kSlot, fewer, MultiOptions{}, ctx);
    const KaimeTables fresh = KaimeMakeBtnClick(*day, kSlot, fewer, MultiOptions{}, ctx);
    for (std::size_t i = 0; i < kept.size(); ++i) {
        EXPECT_EQ(toTsv(kept[i].grid), toTsv(fresh[i].grid)) << InfoOf(kept[i].type).name;
        EXPECT_EQ(kept[i].labels.total, fresh[i].labels.total);
    }
}

} // namespace
