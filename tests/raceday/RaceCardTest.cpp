// The race card: cell texts of every column, the heading-click sorts, marks kept by horse number, the
// header lines and the colour rules, on a small race built in memory.
#include "raceday/RaceCard.h"
#include "jvdata/CodeTables.h"
#include "raceday/RaceCardColours.h"
#include "raceday/RaceDayTestSupport.h"

#include <gtest/gtest.h>

#include <memory>

namespace solvane {
namespace {

using test::Line;

constexpr int kSlot = 2;
const std::string W(kWideBlank);
const std::string B(kBlank);

std::string sj(std::string_view utf8)
{
    return toSjis(utf8);
}

// A runner line with the fields the card reads.
std::string runner(int h, int bracket, std::string_view name, std::string_view placing, std::string_view odds,
                   std::string_view popularity)
{
    return Line("SE", kSeLength)
               .key(test::kDate, "06", 11)
               .num(28, 1, bracket)
               .num(29, 2, h)
               .at(41, sj(name))
               .at(79, "1")
               .at(83, "03")
               .at(91, sj("国枝栄"))
               .at(289, "550")
               .at(307, sj("ﾙﾒｰﾙ"))
               .at(335, placing)
               .at(360, odds)
               .at(364, popularity)
               .str() +
           "\r\n";
}

// Slot 2 holds 中山 11R with n runners; horse 1 has every value, horse 2 none.
std::unique_ptr<RaceDay> makeDay(int n = 5)
{
    auto day = std::make_unique<RaceDay>();
    day->RaRecs[kSlot] = Line("RA", kRaLength)
                             .key(test::kDate, "06", 11)
                             .at(28, "1")
                             .at(33, sj("　ニューイヤー　ステークス　"))
                             .at(615, "C")
                             .at(617, "13")
                             .at(622, "3")
                             .at(635, "005")
                             .num(698, 4, 1200)
                             .at(706, "23")
                             .at(874, "1545")
                             .num(882, 2, n)
                             .at(888, "112")
                             .str() +
                         "\r\n";
    for (int h = 1; h <= n; ++h)
        day->SeRecs[kSlot][static_cast<std::size_t>(h - 1)] =
            h == 1 ? runner(1, 1, "テストホース", "01", "0034", "02") : runner(h, h, "ウマ", "00", "0000", "  ");
    TOutData& r = day->RaceRecs[kSlot];
    r.CompiIndex[1] = 72;
    r.CompiRank[1] = 1;
    r.CompiGap[1] = 0;
    r.CompiRatio[1] = 1.5;
    r.TanOz[1] = 3.4;
    r.TanNinki[1] = 2;
    r.TanOzRatio[1] = 1.25;
    r.FukOzLow[1] = 1.2;
    r.FukNinki[1] = 1;
    r.FukOzRatio[1] = 2.0;
    r.DmTime[1] = 11234;
    r.DmRank[1] = 3;
    r.TmScore[1] = 655;
    r.TmRank[1] = 4;
    r.FiMark[1] = sj("◎");
    r.TfMark[1][1] = sj("○");
    r.TfMark[2][1] = sj("□");
    r.TfMark[3][1] = sj("▲");
    // Horse 2: a cancelled win price, a mining score without a rank, the "no mark" box.
    r.TanOz[2] = kOddsCancelled;
    r.FukOzLow[2] = kOddsAbsent;
    r.TmScore[2] = 300;
    r.FiMark[2] = sj("□");
    return day;
}

struct ColumnCase {
    int column;
    std::string present; // horse 1
    std::string absent;  // horse 2
};

TEST(RaceCardCells, EveryColumnWithAndWithoutItsValue)
{
    const auto day = makeDay();
    const TextGrid card = BuildRaceCard(*day, kSlot, Marks{});
    ASSERT_EQ(card.columnCount(), kCardColumns);
    ASSERT_EQ(card.rowCount(), 5);
    const ColumnCase cases[] = {
        {0, " 1", " 2"}, {1, " 1", " 2"},  {3, "牡 3", "牡 3"}, {5, "55.0", "55.0"}, {7, " 72", B},    {8, " 1", W},
        {9, " 0", W},    {10, " 1.50", B}, {11, "  3.4", B},    {12, " 2", W},       {13, " 1.25", B}, {14, "  1.2", B},
        {15, " 1", W},   {16, " 2.00", B}, {17, "1.12.34", ""}, {18, " 3", W},       {19, " 65.5", B}, {20, " 4", W},
        {21, "◎", ""},   {22, "○", ""},    {23, "", ""},        {24, "▲", ""},       {25, "", ""},     {26, "", ""},
        {27, "", ""},    {28, " 1", W},    {29, " 2", W},       {30, "  3.4", B},
    };
    for (const ColumnCase& c : cases) {
        SCOPED_TRACE(CardHeadings()[static_cast<std::size_t>(c.column)] + " column " + std::to_string(c.column));
        EXPECT_EQ(card.cell(0, c.column), c.present);
        EXPECT_EQ(card.cell(1, c.column), c.absent);
    }
    // Names as stored: 36 bytes, trailing blanks kept.
    EXPECT_EQ(toSjis(card.cell(0, 2)).size(), 36u);
    EXPECT_TRUE(card.cell(0, 2).starts_with("テストホース"));
    EXPECT_TRUE(card.cell(0, 4).starts_with("ﾙﾒｰﾙ"));
    EXPECT_TRUE(card.cell(0, 6).starts_with("国枝栄"));
}

TEST(RaceCardCells, MiningTimeAndFinalOddsEdges)
{
    auto day = makeDay(3);
    day->RaceRecs[kSlot].DmTime[1] = 0;
    day->RaceRecs[kSlot].DmTime[2] = 5;
    day->RaceRecs[kSlot].DmTime[3] = -40;
    day->SeRecs[kSlot][1].replace(359, 4, "    ");
    day->SeRecs[kSlot][2].replace(359, 4, "12AB");
    const TextGrid card = BuildRaceCard(*day, kSlot, Marks{});
    EXPECT_EQ(card.cell(0, 17), "");
    EXPECT_EQ(card.cell(1, 17), "0.00.05");
    EXPECT_EQ(card.cell(2, 17), "");
    EXPECT_EQ(card.cell(1, 30), B); // blank field
    EXPECT_EQ(card.cell(2, 30), B); // garbled field: absent, never a zero price
}

TEST(RaceCardCells, NoRowsForAnEmptySlotOrOneOutOfRange)
{
    const auto day = makeDay();
    EXPECT_EQ(BuildRaceCard(*day, 0, Marks{}).rowCount(), 0);
    EXPECT_EQ(BuildRaceCard(*day, -1, Marks{}).rowCount(), 0);
    EXPECT_EQ(BuildRaceCard(*day, kRaceSlots, Marks{}).rowCount(), 0);
    EXPECT_FALSE(RaceHasRunners(*day, 0));
    EXPECT_TRUE(RaceHasRunners(*day, kSlot));
    EXPECT_EQ(NoRunnersMessage(*day, kSlot), "11レースはデータが不十分です。");
}

// The list holds 中山 11R (slot 2, runners), a race without runners (slot 0) and one more race with
// runners (slot 5). Before each click the card shows 11R, the race before it being slot 7.
TEST(RaceChoiceTest, ARaceWithoutRunnersKeepsTheShownRace)
{
    struct Case {
        const char* what;
        int item;
        int shownSlot;
        RaceChoice choice; // selected, emptySlot, listRow
        int curRace;
        int prevRace;
    };
    const Case cases[] = {
        {"race with runners", 2, kSlot, {true, -1, -1}, 5, kSlot},
        {"the shown race again", 0, kSlot, {true, -1, -1}, kSlot, kSlot},
        {"no runners: back to the shown race and its row", 1, kSlot, {false, 0, 0}, kSlot, 7},
        {"no runners, nothing shown yet: the empty race stays chosen", 1, -1, {false, 0, -1}, 0, kSlot},
        {"no runners, the shown race not in the list", 1, 3, {false, 0, -1}, 3, 7},
        {"past the end", 3, kSlot, {false, -1, -1}, kSlot, 7},
        {"no item", -1, kSlot, {false, -1, -1}, kSlot, 7},
    };
    for (const Case& c : cases) {
        auto day = makeDay();
        day->SeRecs[5][0] = runner(1, 1, "ベツノウマ", "00", "0000", "  ");
        day->RaceList = {{kSlot, "11R"}, {0, "1R"}, {5, "5R"}};
        day->CurRace = kSlot;
        day->PrevRace = 7;
        const RaceChoice choice = ChooseRace(*day, c.item, c.shownSlot);
        EXPECT_EQ(choice.selected, c.choice.selected) << c.what;
        EXPECT_EQ(choice.emptySlot, c.choice.emptySlot) << c.what;
        EXPECT_EQ(choice.listRow, c.choice.listRow) << c.what;
        EXPECT_EQ(day->CurRace, c.curRace) << c.what;
        EXPECT_EQ(day->PrevRace, c.prevRace) << c.what;
    }
}

TEST(RaceCardEntries, SameTextsAsTheCard)
{
    const auto day = makeDay();
    const TextGrid card = BuildRaceCard(*day, kSlot, Marks{});
    const TextGrid entries = BuildEntriesGrid(*day, kSlot);
    ASSERT_EQ(entries.headings(), EntriesHeadings());
    ASSERT_EQ(entries.rowCount(), 5);
    const int fromCard[] = {0, 1, 2, 11, 12, 14, 15};
    for (int r = 0; r < 5; ++r)
        for (int c = 0; c < kEntriesColumns; ++c)
            EXPECT_EQ(entries.cell(r, c), card.cell(r, fromCard[c])) << r << "," << c;
}

// Column texts of all rows, top to bottom.
std::vector<std::string> columnOf(const TextGrid& grid, int column)
{
    std::vector<std::string> out;
    for (int r = 0; r < grid.rowCount(); ++r)
        out.push_back(grid.cell(r, column));
    return out;
}

std::vector<int> horsesOf(const TextGrid& grid)
{
    std::vector<int> out;
    for (int r = 0; r < grid.rowCount(); ++r)
        out.push_back(HorseOfRow(grid, r));
    return out;
}

// Win popularity 3, none, 1, none, 2 and compi rank 2, none, 2, none, 1 for horses 1..5.
std::unique_ptr<RaceDay> sortDay()
{
    auto day = makeDay(5);
    TOutData& r = day->RaceRecs[kSlot];
    r = TOutData{};
    const int tan[] = {0, 3, 0, 1, 0, 2};
    const int compi[] = {0, 2, 0, 2, 0, 1};
    for (int h = 1; h <= 5; ++h) {
        r.TanNinki[static_cast<std::size_t>(h)] = tan[h];
        r.CompiRank[static_cast<std::size_t>(h)] = compi[h];
    }
    return day;
}

struct SortCase {
    int column;
    std::vector<int> firstClick;  // ascending
    std::vector<int> secondClick; // descending
};

TEST(RaceCardSort, HeadingClicksSortAscendingThenDescendingWithTiesByHorse)
{
    const auto day = sortDay();
    const SortCase cases[] = {
        // Horses without a win popularity last ascending, first descending, by horse number either way.
        {card::TanNinki, {3, 5, 1, 2, 4}, {2, 4, 1, 5, 3}},
        // Equal ranks and absent ranks both stay together, ordered by horse number.
        {card::CompiRank, {5, 1, 3, 2, 4}, {2, 4, 1, 3, 5}},
        {card::Uma, {1, 2, 3, 4, 5}, {5, 4, 3, 2, 1}},
        // Placings: horse 1 won, the rest have none.
        {card::Chakujun, {1, 2, 3, 4, 5}, {2, 3, 4, 5, 1}},
    };
    for (const SortCase& c : cases) {
        SCOPED_TRACE("column " + std::to_string(c.column));
        RaceCardState state;
        state.select(*day, kSlot);
        ASSERT_TRUE(state.click(-1, c.column));
        EXPECT_EQ(state.sort().SortState(), c.column);
        EXPECT_EQ(horsesOf(state.grid()), c.firstClick);
        ASSERT_TRUE(state.click(2, c.column)); // any row of a sortable column sorts
        EXPECT_EQ(horsesOf(state.grid()), c.secondClick);
        ASSERT_TRUE(state.click(-1, c.column));
        EXPECT_EQ(horsesOf(state.grid()), c.firstClick);
    }
}

TEST(RaceCardSort, OtherColumnsDoNotSort)
{
    const auto day = sortDay();
    RaceCardState state;
    state.select(*day, kSlot);
    for (int column : {0, 2, 7, 11, 17, 19, 21, 30}) {
        EXPECT_FALSE(state.click(-1, column)) << column;
        EXPECT_FALSE(state.click(0, column)) << column;
    }
    EXPECT_EQ(state.sort().SortState(), -1);
    EXPECT_EQ(horsesOf(state.grid()), (std::vector<int>{1, 2, 3, 4, 5}));
}

TEST(RaceCardSort, ComparesTheShiftJisBytesOfTheCells)
{
    // In UTF-8 "ν" (CE BD) comes before the wide blank (E3 80 80); in Shift-JIS (83 CB against 81 40)
    // it comes after. Digits and half-width blanks come before both.
    TextGrid grid({"k", "no", "name"});
    const std::vector<std::string> keys{"ν", W, "10", " 9", "ν", W};
    for (std::size_t i = 0; i < keys.size(); ++i) {
        const int r = grid.addRow();
        grid.setCell(r, 0, keys[i]);
        grid.setCell(r, 1, strprintf("%2zu", i + 1));
    }
    SortCardRows(grid, 0, false);
    EXPECT_EQ(columnOf(grid, 0), (std::vector<std::string>{" 9", "10", W, W, "ν", "ν"}));
    EXPECT_EQ(columnOf(grid, 1), (std::vector<std::string>{" 4", " 3", " 2", " 6", " 1", " 5"}));
    SortCardRows(grid, 0, true);
    EXPECT_EQ(columnOf(grid, 0), (std::vector<std::string>{"ν", "ν", W, W, "10", " 9"}));
    EXPECT_EQ(columnOf(grid, 1), (std::vector<std::string>{" 1", " 5", " 2", " 6", " 3", " 4"}));
}

TEST(RaceCardSort, TieColumnIsTheNameForTheHorseNumberAndTheTriangleMark)
{
    EXPECT_EQ(TieColumnOf(1), 2);
    EXPECT_EQ(TieColumnOf(27), 2);
    for (int k : {0, 8, 12, 15, 18, 20, 25, 26, 28, 29})
        EXPECT_EQ(TieColumnOf(k), 1) << k;
}

TEST(RaceCardMarks, FollowTheirHorseThroughSortsAndRefills)
{
    const auto day = sortDay();
    RaceCardState state;
    state.select(*day, kSlot);
    ASSERT_TRUE(state.click(2, card::MarkHonmei)); // row 2 is horse 3
    ASSERT_TRUE(state.click(4, card::MarkTaikou)); // horse 5
    ASSERT_TRUE(state.click(0, card::MarkTanana)); // horse 1
    ASSERT_TRUE(state.click(-1, card::TanNinki));  // 3, 5, 1, 2, 4
    EXPECT_EQ(columnOf(state.grid(), card::MarkHonmei), (std::vector<std::string>{"ν", "", "", "", ""}));
    EXPECT_EQ(columnOf(state.grid(), card::MarkTaikou), (std::vector<std::string>{"", "ν", "", "", ""}));
    EXPECT_EQ(columnOf(state.grid(), card::MarkTanana), (std::vector<std::string>{"", "", "ν", "", ""}));

    // A click on the ◎ cell of the top row (horse 3) clears that horse's mark, not row 3's.
    ASSERT_TRUE(state.click(0, card::MarkHonmei));
    EXPECT_FALSE(state.marks().has(MarkKind::Honmei, 3));
    ASSERT_TRUE(state.click(3, card::MarkHonmei)); // horse 2
    EXPECT_EQ(state.marks().horses(MarkKind::Honmei), std::vector<int>{2});

    // New odds: the rows are rebuilt in the same order, marks by horse.
    auto changed = sortDay();
    changed->RaceRecs[kSlot].TanNinki[2] = 1;
    changed->RaceRecs[kSlot].TanNinki[3] = 4;
    state.refill(*changed);
    EXPECT_EQ(horsesOf(state.grid()), (std::vector<int>{2, 5, 1, 3, 4}));
    EXPECT_EQ(columnOf(state.grid(), card::MarkHonmei), (std::vector<std::string>{"ν", "", "", "", ""}));
    EXPECT_EQ(state.marks().horses(MarkKind::Taikou), std::vector<int>{5});
    EXPECT_EQ(state.marks().horses(MarkKind::Tanana), std::vector<int>{1});
}

TEST(RaceCardMarks, ClearedAndUnsortedOnEverySelectionOfTheSameRaceToo)
{
    const auto day = sortDay();
    RaceCardState state;
    state.select(*day, kSlot);
    ASSERT_TRUE(state.click(2, card::MarkHonmei));
    ASSERT_TRUE(state.click(-1, card::TanNinki));
    state.select(*day, kSlot);
    EXPECT_TRUE(state.marks().empty());
    EXPECT_EQ(columnOf(state.grid(), card::MarkHonmei), std::vector<std::string>(5, ""));
    EXPECT_EQ(horsesOf(state.grid()), (std::vector<int>{1, 2, 3, 4, 5}));
    EXPECT_EQ(state.sort().SortState(), -1);
    EXPECT_EQ(state.sort().flags(), std::vector<std::uint8_t>(kCardColumns, 1));
    // The flags were reset too: the first click sorts ascending again.
    ASSERT_TRUE(state.click(-1, card::TanNinki));
    EXPECT_EQ(horsesOf(state.grid()), (std::vector<int>{3, 5, 1, 2, 4}));
}

TEST(RaceCardMarks, ProgramSetMarksAndClicksOutsideTheRows)
{
    const auto day = sortDay();
    RaceCardState state;
    state.select(*day, kSlot);
    Marks marks;
    marks.set(MarkKind::Tanana, 4, true);
    marks.set(MarkKind::Honmei, 19, true); // no such horse: ignored
    state.setMarks(marks);
    EXPECT_EQ(state.grid().cell(3, card::MarkTanana), "ν");
    EXPECT_EQ(state.marks().horses(MarkKind::Honmei), std::vector<int>{});
    EXPECT_FALSE(state.click(-1, card::MarkHonmei)); // the heading is no mark cell
    EXPECT_FALSE(state.click(5, card::MarkHonmei));  // below the last row
    EXPECT_EQ(CardClickOf(-1, card::MarkHonmei), CardClick::None);
    EXPECT_EQ(CardClickOf(0, card::MarkHonmei), CardClick::Mark);
    EXPECT_EQ(CardClickOf(0, card::FukNinki), CardClick::Sort);
    EXPECT_EQ(CardClickOf(0, 30), CardClick::None);
    EXPECT_EQ(EntriesClickOf(-1, 4), CardClick::Sort);
    EXPECT_EQ(EntriesClickOf(0, 3), CardClick::None);
}

TEST(RaceCardEntries, OwnSortStateOnColumnsOneFourAndSix)
{
    const auto day = sortDay();
    EntriesState entries;
    entries.select(*day, kSlot);
    ASSERT_TRUE(entries.click(-1, 4));
    EXPECT_EQ(horsesOf(entries.grid()), (std::vector<int>{3, 5, 1, 2, 4}));
    ASSERT_TRUE(entries.click(-1, 4));
    EXPECT_EQ(horsesOf(entries.grid()), (std::vector<int>{2, 4, 1, 5, 3}));
    EXPECT_FALSE(entries.click(-1, 3));
    entries.select(*day, kSlot);
    EXPECT_EQ(horsesOf(entries.grid()), (std::vector<int>{1, 2, 3, 4, 5}));
}

TEST(RaceCardHeader, LinesLabelsAndPanel)
{
    auto day = makeDay(16);
    RaceHeader h = BuildRaceHeader(*day, kSlot);
    EXPECT_EQ(h.Label1, "2024年01月06日(土)中山01回01日11R   15.45発走  晴\u3000芝:良\u3000ダ:稍重");
    EXPECT_EQ(h.Label2, "ニューイヤーステークス");
    EXPECT_EQ(h.Label3, "16頭 1200ﾒｰﾄﾙ " + fromSjis(CourseLabel("23")) + " " + fromSjis(GradeLabel("C", 1)) + " " +
                            fromSjis(WeightTypeLabel("3")) + " " + fromSjis(RaceClassLabel("13", "005")));
    EXPECT_EQ(h.BashoLabel, "中山");
    EXPECT_EQ(h.RaceLabel, "11");
    EXPECT_EQ(h.OzGetTimeLabel, "");
    EXPECT_EQ(h.panelColour, kOtherPanelColour);

    // A reported change of going wins over the announced one.
    day->RaceRecs[kSlot].Tenko = "2";
    day->RaceRecs[kSlot].ShibaBaba = "3";
    day->RaceRecs[kSlot].DirtBaba = "4";
    day->O1Recs[kSlot].replace(27, 8, "01061432");
    h = BuildRaceHeader(*day, kSlot);
    EXPECT_TRUE(h.Label1.ends_with("発走  曇\u3000芝:重\u3000ダ:不良")) << h.Label1;
    EXPECT_EQ(h.OzGetTimeLabel, "14:32");

    // The closing odds carry no announcement time: they are 確定, never "announced at 00:00".
    day->O1Recs[kSlot].replace(27, 8, "00000000");
    EXPECT_EQ(BuildRaceHeader(*day, kSlot).OzGetTimeLabel, "確定");
}

TEST(RaceCardHeader, PanelIsGreenForTurfCoursesOnly)
{
    const std::pair<const char*, std::uint32_t> cases[] = {
        {"09", kOtherPanelColour}, {"10", kTurfPanelColour},  {"17", kTurfPanelColour},  {"22", kTurfPanelColour},
        {"23", kOtherPanelColour}, {"29", kOtherPanelColour}, {"51", kOtherPanelColour}, {"  ", kOtherPanelColour},
    };
    auto day = makeDay();
    for (const auto& [code, colour] : cases) {
        day->RaRecs[kSlot].replace(705, 2, code);
        EXPECT_EQ(BuildRaceHeader(*day, kSlot).panelColour, colour) << code;
    }
}

TEST(RaceCardColours, BracketsRanksMarksAndGroups)
{
    const std::pair<int, std::uint32_t> brackets[] = {{1, 0xFFFFFF}, {2, 0x808080}, {3, 0xFF0000},
                                                      {4, 0x0000FF}, {5, 0xFFFF00}, {6, 0x00FF00},
                                                      {7, 0xFF8000}, {8, 0xFF00FF}, {0, 0xFFFFFF}};
    for (const auto& [bracket, colour] : brackets)
        EXPECT_EQ(CardCellStyle(card::Waku, strprintf("%2d", bracket)).background, colour) << bracket;

    const std::pair<std::string, std::uint32_t> ranks[] = {{" 1", 0xFF0000}, {" 2", 0x0000FF}, {" 3", 0x0000FF},
                                                           {" 4", 0x000000}, {"11", 0x000000}, {W, 0x000000}};
    for (int column : {8, 12, 15, 18, 20, 28, 29})
        for (const auto& [text, colour] : ranks) {
            const CellStyle s = CardCellStyle(column, text);
            EXPECT_TRUE(s.bold && s.hasForeground) << column;
            EXPECT_EQ(s.foreground, colour) << column << " " << text;
        }
    for (int column : {4, 6}) {
        EXPECT_EQ(EntriesCellStyle(column, " 1").foreground, 0xFF0000u);
        EXPECT_TRUE(EntriesCellStyle(column, " 5").bold);
    }

    const std::pair<int, std::uint32_t> groups[] = {
        {1, kTooltipColour},  {2, 0xFFFFFF},  {3, 0xFFFFFF},  {4, kTooltipColour}, {5, 0xFFFFFF},  {6, 0xFFFFFF},
        {7, 0xACFFAC},        {8, 0xACFFAC},  {9, 0xACFFAC},  {10, 0xACFFAC},      {11, 0xFFFFFF}, {12, 0xFFFFFF},
        {16, 0xFFFFFF},       {17, 0xFFB5FF}, {18, 0xFFB5FF}, {20, 0xFFB5FF},      {21, 0xEEFFFF}, {22, kTooltipColour},
        {24, kTooltipColour}, {25, 0xFFFF80}, {27, 0xFFFF80}, {28, 0xA2FFFF},      {29, 0xA2FFFF}, {30, 0xA2FFFF},
    };
    for (const auto& [column, colour] : groups)
        EXPECT_EQ(CardCellStyle(column, "x").background, colour) << column;
    for (int column : {21, 22, 23, 24, 25, 26, 27})
        EXPECT_TRUE(CardCellStyle(column, "").bold) << column;
    EXPECT_FALSE(CardCellStyle(30, "").bold);

    const auto day = makeDay();
    const TextGrid card = BuildRaceCard(*day, kSlot, Marks{});
    EXPECT_EQ(card.align(2), CellAlign::Left);
    for (int column : {0, 1, 3, 11, 30})
        EXPECT_EQ(card.align(column), CellAlign::Center);
    EXPECT_EQ(card.style(2, 0).background, 0xFF0000u); // horse 3 is in bracket 3
}

} // namespace
} // namespace solvane
