// Verification of the backtest file: records read by offset, the six list filters and the distance,
// the per-type totals and their summary, the listed rows with their cells and styles, the CSV copy,
// the recovery curve and the verify command of solvane-cli.
#include "verify/Kensho.h"

#include "support/RunShell.h"
#include "support/TempDir.h"
#include "util/Files.h"
#include "util/ShiftJis.h"
#include "util/Text.h"

#include <cmath>
#include <gtest/gtest.h>

using namespace solvane;

namespace {

// One backtest line written field by field at its offsets, independent of the backtest run's writer.
struct Line {
    std::string year = "2024", month = "01", day = "06", track = "06", meeting = "01", dayOfMeeting = "01", race = "11";
    std::string name = "中山記"; // UTF-8, three full-width characters
    std::string grade = " ", symbol = "000", raceType = "13", weightType = "3", condition = "999";
    std::string distance = "2000", course = "17", runners = "16", turfGoing = "1", dirtGoing = " ";
    std::array<std::array<long long, 3>, kBakenTypes> types{}; // count, stake, payout
    int oddsBefore = 0;                                        // a run at bet-time odds ends its line with it ("%2d")

    Line& type(BakenType t, long long count, long long stake, long long payout)
    {
        types[static_cast<std::size_t>(t)] = {count, stake, payout};
        return *this;
    }

    std::string bytes() const
    {
        std::string s(374, ' ');
        auto put = [&](std::size_t at, const std::string& v) { s.replace(at, v.size(), v); };
        put(0, year);
        put(4, month);
        put(6, day);
        put(8, track);
        put(10, meeting);
        put(12, dayOfMeeting);
        put(14, race);
        put(16, toSjis(name));
        put(22, grade);
        put(23, symbol);
        put(26, raceType);
        put(28, weightType);
        put(29, condition);
        put(32, distance);
        put(36, course);
        put(38, runners);
        put(40, turfGoing);
        put(41, dirtGoing);
        for (std::size_t k = 0; k < kBakenTypes; ++k)
            put(42 + 19 * k, strprintf("%4lld%7lld%8lld", types[k][0], types[k][1], types[k][2]));
        for (std::size_t j = 0; j < 18; ++j)
            put(194 + 10 * j, strprintf("%2zu%2zu 3.4%2zu", 80 - j, j + 1, j + 1));
        if (oddsBefore > 0)
            s += strprintf("%2d", oddsBefore);
        return s + "\r\n";
    }
};

std::string fileOf(const std::vector<Line>& lines)
{
    std::string bytes;
    for (const Line& l : lines)
        bytes += l.bytes();
    return bytes;
}

KenshoFilter only(KenshoList list, std::initializer_list<int> items)
{
    KenshoFilter f;
    for (int i : items)
        f.select(list, i, true);
    return f;
}

int itemOf(KenshoList list, std::string_view name)
{
    const auto& items = KenshoItems(list);
    const auto it = std::find(items.begin(), items.end(), name);
    return it == items.end() ? -1 : static_cast<int>(it - items.begin());
}

TEST(KenshoRecord, FieldsAreReadAtTheirOffsetsAndAShortRecordAsFarAsItGoes)
{
    Line l;
    l.type(BakenType::Fuk, 3, 1500, 12345678).type(BakenType::SRT, 120, 9999999, 0);
    const std::string bytes = l.bytes();
    ASSERT_EQ(bytes.size(), 376u);
    const BacktestRecord r = ParseBacktestRecord(bytes);
    EXPECT_EQ(r.year + r.month + r.day, "20240106");
    EXPECT_EQ(fromSjis(r.raceName), "中山記");
    EXPECT_EQ(r.condition, "999");
    EXPECT_EQ(r.distance, "2000");
    EXPECT_EQ(r.turfGoing, "1");
    EXPECT_EQ(r.oddsBefore, 0) << "a line of a run at the final odds ends at 374";
    EXPECT_EQ(r.count[1], 3);
    EXPECT_EQ(r.stake[1], 1500);
    EXPECT_EQ(r.payout[1], 12345678);
    EXPECT_EQ(r.count[7], 120);
    EXPECT_EQ(r.stake[7], 9999999);
    EXPECT_EQ(r.count[0], 0);

    // Cut inside the 複勝 block's stake: the race fields are all there, the stake is what is left of it.
    const BacktestRecord cut = ParseBacktestRecord(std::string_view(bytes).substr(0, 42 + 19 + 4 + 5));
    EXPECT_EQ(cut.distance, "2000");
    EXPECT_EQ(cut.count[1], 3);
    EXPECT_EQ(cut.stake[1], 15);
    EXPECT_EQ(cut.payout[1], 0);
    EXPECT_EQ(cut.count[7], 0);
    const BacktestRecord tiny = ParseBacktestRecord("20");
    EXPECT_EQ(tiny.year, "20");
    EXPECT_EQ(tiny.month, "");
    EXPECT_EQ(BacktestRecord::number(tiny.distance), 0);
    EXPECT_EQ(BacktestRecord::number(" 12x"), 0);
}

TEST(KenshoFilter, SelectsOnlyItemsTheListHas)
{
    KenshoFilter f;
    f.select(KenshoList::Track, 2, true);
    f.select(KenshoList::Track, 3, true); // "障害" is the last item
    f.select(KenshoList::Track, -1, true);
    EXPECT_TRUE(f.isSelected(KenshoList::Track, 2));
    EXPECT_FALSE(f.isSelected(KenshoList::Track, 3));
    EXPECT_EQ(f.selected[static_cast<std::size_t>(KenshoList::Track)], 4u);
    f.select(KenshoList::Track, 2, false);
    EXPECT_FALSE(f.isSelected(KenshoList::Track, 2));
    EXPECT_EQ(KenshoItems(KenshoList::Tosu).front(), " 5頭");
    EXPECT_EQ(KenshoItems(KenshoList::Tosu).back(), "18頭");
    EXPECT_EQ(KenshoItems(KenshoList::Tosu).size(), 14u);
    EXPECT_EQ(KenshoCaption(KenshoList::Juryo), "重量");
}

// Every item of every list against a record that has its code and one that just misses it.
TEST(KenshoFilter, EveryItemMatchesItsCodes)
{
    struct Case {
        KenshoList list;
        const char* item;
        void (*set)(Line&);
        bool listed;
    };
    const Case cases[] = {
        {KenshoList::Basho, "札幌", [](Line& l) { l.track = "01"; }, true},
        {KenshoList::Basho, "小倉", [](Line& l) { l.track = "10"; }, true},
        {KenshoList::Basho, "小倉", [](Line& l) { l.track = "09"; }, false},
        {KenshoList::Track, "芝", [](Line& l) { l.course = "10"; }, true},
        {KenshoList::Track, "芝", [](Line& l) { l.course = "22"; }, true},
        {KenshoList::Track, "芝", [](Line& l) { l.course = "23"; }, false},
        {KenshoList::Track, "障害", [](Line& l) { l.course = "51"; }, true},
        {KenshoList::Track, "障害", [](Line& l) { l.course = "59"; }, true},
        {KenshoList::Track, "障害", [](Line& l) { l.course = "50"; }, false},
        {KenshoList::Age, "２歳", [](Line& l) { l.raceType = "11"; }, true},
        {KenshoList::Age, "３歳", [](Line& l) { l.raceType = "12"; }, true},
        {KenshoList::Age, "３歳上", [](Line& l) { l.raceType = "13"; }, true},
        {KenshoList::Age, "３歳上", [](Line& l) { l.raceType = "18"; }, true},
        {KenshoList::Age, "４歳上", [](Line& l) { l.raceType = "19"; }, true},
        {KenshoList::Age, "４歳上", [](Line& l) { l.raceType = "13"; }, false},
        {KenshoList::Class, "新馬", [](Line& l) { l.condition = "701"; }, true},
        {KenshoList::Class, "新馬", [](Line& l) { l.condition = "702"; }, false},
        {KenshoList::Class, "未勝利", [](Line& l) { l.condition = "703"; }, true},
        {KenshoList::Class, "1勝ｸﾗｽ", [](Line& l) { l.condition = "005"; }, true},
        {KenshoList::Class, "2勝ｸﾗｽ", [](Line& l) { l.condition = "010"; }, true},
        {KenshoList::Class, "3勝ｸﾗｽ", [](Line& l) { l.condition = "016"; }, true},
        {KenshoList::Class, "オープン",
         [](Line& l) {
             l.condition = "999";
             l.grade = "E";
         },
         true},
        {KenshoList::Class, "オープン", [](Line& l) { l.condition = "016"; }, false},
        {KenshoList::Class, "Listed", [](Line& l) { l.grade = "L"; }, true},
        {KenshoList::Class, "G３", [](Line& l) { l.grade = "C"; }, true},
        {KenshoList::Class, "G２", [](Line& l) { l.grade = "B"; }, true},
        {KenshoList::Class, "G１", [](Line& l) { l.grade = "A"; }, true},
        {KenshoList::Class, "G１", [](Line& l) { l.grade = "F"; }, false}, // J-G1 is not G1
        {KenshoList::Juryo, "ハンデ", [](Line& l) { l.weightType = "1"; }, true},
        {KenshoList::Juryo, "定量", [](Line& l) { l.weightType = "4"; }, true},
        {KenshoList::Juryo, "定量", [](Line& l) { l.weightType = " "; }, false},
        {KenshoList::Tosu, " 5頭", [](Line& l) { l.runners = "05"; }, true},
        {KenshoList::Tosu, "18頭", [](Line& l) { l.runners = "18"; }, true},
        {KenshoList::Tosu, "18頭", [](Line& l) { l.runners = "17"; }, false},
    };
    for (const Case& c : cases) {
        Line l;
        c.set(l);
        const int item = itemOf(c.list, c.item);
        ASSERT_GE(item, 0) << c.item;
        EXPECT_EQ(KenshoListed(ParseBacktestRecord(l.bytes()), only(c.list, {item})), c.listed)
            << KenshoCaption(c.list) << " " << c.item;
    }
}

TEST(KenshoFilter, ListsCombineByAndTheirItemsByOr)
{
    auto listed = [](const KenshoFilter& f, auto set) {
        Line l;
        set(l);
        return KenshoListed(ParseBacktestRecord(l.bytes()), f);
    };
    // No selection: the distance decides, both ends included.
    const KenshoFilter none;
    for (const char* d : {"1000", "5000", "2000"})
        EXPECT_TRUE(listed(none, [&](Line& l) { l.distance = d; })) << d;
    for (const char* d : {"0900", "5100", "    ", "abcd"})
        EXPECT_FALSE(listed(none, [&](Line& l) { l.distance = d; })) << d;
    KenshoFilter narrow;
    narrow.distanceLow = 1600;
    narrow.distanceHigh = 1600;
    EXPECT_TRUE(listed(narrow, [](Line& l) { l.distance = "1600"; }));
    EXPECT_FALSE(listed(narrow, [](Line& l) { l.distance = "1700"; }));

    // Only "ダート": every dirt and sand course, nothing else.
    const KenshoFilter dirt = only(KenshoList::Track, {1});
    for (int d : {10, 17, 22, 23, 25, 27, 29, 30, 51, 59}) {
        const std::string code = strprintf("%02d", d);
        EXPECT_EQ(listed(dirt, [&](Line& l) { l.course = code; }), d >= 23 && d <= 29) << d;
    }

    // Only "オープン": open races that are not graded or listed.
    const KenshoFilter open = only(KenshoList::Class, {itemOf(KenshoList::Class, "オープン")});
    for (const char* g : {"A", "B", "C", "L"})
        EXPECT_FALSE(listed(open, [&](Line& l) { l.grade = g; })) << g;
    for (const char* g : {" ", "E", "D"})
        EXPECT_TRUE(listed(open, [&](Line& l) { l.grade = g; })) << g;

    // Two tracks are either one; a second list must match as well.
    KenshoFilter f = only(KenshoList::Basho, {itemOf(KenshoList::Basho, "東京"), itemOf(KenshoList::Basho, "中山")});
    EXPECT_TRUE(listed(f, [](Line& l) { l.track = "05"; }));
    EXPECT_TRUE(listed(f, [](Line& l) { l.track = "06"; }));
    EXPECT_FALSE(listed(f, [](Line& l) { l.track = "08"; }));
    f.select(KenshoList::Track, 0, true); // 芝
    EXPECT_TRUE(listed(f, [](Line& l) { l.course = "11"; }));
    EXPECT_FALSE(listed(f, [](Line& l) { l.course = "24"; }));
}

TEST(KenshoTotals, CountsPlayedHitStakeAndPayoutPerType)
{
    KenshoTotals t;
    t.add(ParseBacktestRecord(Line().type(BakenType::Tan, 0, 0, 5000).type(BakenType::UR, 3, 900, 0).bytes()));
    t.add(ParseBacktestRecord(Line().type(BakenType::UR, 2, 600, 4500).bytes()));
    EXPECT_EQ(t.played[0], 0); // count 0 adds nothing, even with a payout
    EXPECT_EQ(t.payout[0], 0);
    EXPECT_EQ(t.played[3], 2);
    EXPECT_EQ(t.hit[3], 1);
    EXPECT_EQ(t.stake[3], 1500);
    EXPECT_EQ(t.payout[3], 4500);
}

TEST(KenshoSummary, RatesInSevenCharactersAndEmptyTypesStayEmpty)
{
    KenshoTotals t;
    t.add(ParseBacktestRecord(Line().type(BakenType::Tan, 1, 1000, 2500).bytes()));
    const TextGrid g = KenshoSummary(t);
    ASSERT_EQ(g.columnCount(), 9);
    ASSERT_EQ(g.rowCount(), 3);
    EXPECT_EQ(g.headings()[8], "3連単");
    EXPECT_EQ(g.cell(0, 0), "データ数");
    EXPECT_EQ(g.cell(0, 1), "   1");
    EXPECT_EQ(g.cell(1, 1), "  100.0");
    EXPECT_EQ(g.cell(2, 1), "  250.0");
    for (int r = 0; r < 3; ++r)
        EXPECT_EQ(g.cell(r, 2), "");
    EXPECT_EQ(g.style(0, 0), CellStyle::bg(kKenshoHeadingColor));
    EXPECT_EQ(g.style(1, 5), CellStyle::bg(kKenshoInfoColor));

    // Played with no stake at all: no division by zero.
    KenshoTotals zero;
    zero.add(ParseBacktestRecord(Line().type(BakenType::WD, 2, 0, 300).bytes()));
    const TextGrid z = KenshoSummary(zero);
    EXPECT_EQ(z.cell(0, 5), "   1");
    EXPECT_EQ(z.cell(1, 5), "  100.0");
    EXPECT_EQ(z.cell(2, 5), "－");
}

TEST(KenshoRow, CellsShowLabelsPaddedNumbersAndSurface)
{
    Line l;
    l.month = "01";
    l.day = "06";
    l.grade = "A";
    l.weightType = "1";
    l.type(BakenType::Tan, 1, 100, 0).type(BakenType::SRT, 24, 2400, 123450);
    const KenshoRow row = KenshoRowOf(ParseBacktestRecord(l.bytes()));
    ASSERT_EQ(row.cells.size(), static_cast<std::size_t>(kKenshoColumns));
    EXPECT_EQ(row.dateKey, "20240106");
    const std::vector<std::string> race(row.cells.begin(), row.cells.begin() + 16);
    EXPECT_EQ(race, (std::vector<std::string>{"2024", " 1", " 6", "中山", " 1", " 1", "11", "中山記", "16", "G1 ",
                                              "サラ３上", "オープン", "ﾊﾝﾃﾞ", "芝", "2000", "良"}));
    EXPECT_EQ(row.cells[16], "   1");
    EXPECT_EQ(row.cells[17], "    100");
    EXPECT_EQ(row.cells[18], "        "); // no payout: blanks as wide as the field
    EXPECT_EQ(row.cells[19], "    ");     // 複勝 not bought
    EXPECT_EQ(row.cells[37], "  24");
    EXPECT_EQ(row.cells[39], "  123450");

    struct Surface {
        const char* course;
        const char* tr;
        const char* going;
    };
    for (const Surface s : {Surface{"24", "ダ", "重"}, Surface{"26", "ダ", "重"}, Surface{"27", "ダ", "重"},
                            Surface{"29", "ダ", "重"}, Surface{"51", "障", ""}, Surface{"00", "", ""}}) {
        Line d;
        d.course = s.course;
        d.turfGoing = "1";
        d.dirtGoing = "3";
        const KenshoRow r = KenshoRowOf(ParseBacktestRecord(d.bytes()));
        EXPECT_EQ(r.cells[kKenshoTrColumn], s.tr) << s.course;
        EXPECT_EQ(r.cells[15], s.going) << s.course;
    }
}

class KenshoFile : public ::testing::Test {
protected:
    test::TempDir dir;
    std::filesystem::path file = dir / "tmpData.dat";

    void write(const std::string& bytes) { ASSERT_TRUE(writeFileAtomic(file, bytes)); }
};

TEST_F(KenshoFile, RowsInReverseFileOrderWithStylesAndTotals)
{
    Line a, b, c;
    a.race = "01";
    a.type(BakenType::Tan, 1, 1000, 2500);
    b.race = "02";
    b.distance = "0800"; // outside the distance: not listed, not totalled
    b.type(BakenType::Tan, 1, 1000, 99999);
    c.race = "03";
    c.course = "24";
    c.dirtGoing = "2";
    c.type(BakenType::Tan, 2, 1000, 0);
    write(fileOf({a, b, c}));

    const KenshoResult r = ReadDataBtnClick(file, KenshoFilter{});
    ASSERT_TRUE(r.fileFound);
    EXPECT_EQ(r.error, "");
    ASSERT_EQ(r.rows.size(), 2u);
    ASSERT_EQ(r.grid.rowCount(), 2);
    EXPECT_EQ(r.grid.headings(), KenshoHeadings());
    EXPECT_EQ(r.grid.cell(0, 6), " 3");
    EXPECT_EQ(r.grid.cell(1, 6), " 1");
    EXPECT_EQ(r.totals.played[0], 2);
    EXPECT_EQ(r.summary.cell(2, 1), "  125.0");
    EXPECT_EQ(r.summary.cell(1, 1), "   50.0");

    EXPECT_EQ(r.grid.style(0, 0), CellStyle::bg(kKenshoInfoColor));
    EXPECT_EQ(r.grid.style(0, kKenshoNameColumn), CellStyle::bg(kKenshoInfoColor));
    EXPECT_EQ(r.grid.style(0, kKenshoTrColumn), CellStyle::bg(kKenshoDirtColor));
    EXPECT_EQ(r.grid.style(1, kKenshoTrColumn), CellStyle::bg(kKenshoTurfColor));
    EXPECT_EQ(r.grid.style(0, 8), CellStyle::bg(kKenshoWhite));
    for (int k = 0; k < kBakenTypes; ++k) {
        const int first = kKenshoTypeColumns + 3 * k;
        EXPECT_EQ(KenshoHeadings()[static_cast<std::size_t>(first + 2)], "回収額");
        EXPECT_FALSE(r.grid.style(1, first).bold);
        EXPECT_FALSE(r.grid.style(1, first + 1).bold);
        EXPECT_TRUE(r.grid.style(1, first + 2).bold);
    }
    EXPECT_EQ(r.grid.align(kKenshoDayColumn), CellAlign::Left);
    EXPECT_EQ(r.grid.align(5), CellAlign::Center);
    EXPECT_EQ(r.grid.align(39), CellAlign::Center);
}

TEST_F(KenshoFile, MissingUnreadableEmptyAndTruncatedFiles)
{
    EXPECT_FALSE(ReadDataBtnClick(file, {}).fileFound);

    std::filesystem::create_directory(file); // exists but cannot be read as a file
    const KenshoResult unreadable = ReadDataBtnClick(file, {});
    EXPECT_TRUE(unreadable.fileFound);
    EXPECT_NE(unreadable.error, "");
    std::filesystem::remove(file);

    // Nothing listed: one empty data row and an empty summary.
    write(Line{.distance = "0900"}.bytes());
    const KenshoResult none = ReadDataBtnClick(file, {});
    EXPECT_TRUE(none.rows.empty());
    ASSERT_EQ(none.grid.rowCount(), 1);
    for (const std::string& cell : none.grid.row(0))
        EXPECT_EQ(cell, "");
    EXPECT_EQ(none.summary.cell(0, 1), "");

    // Two whole records and a third cut inside its 単勝 block: the third is read as far as it goes.
    Line a, b, c;
    a.race = "01";
    b.race = "02";
    c.race = "03";
    a.type(BakenType::Tan, 1, 100, 200);
    c.type(BakenType::Tan, 1, 300, 0);
    std::string bytes = fileOf({a, b, c});
    bytes.resize(2 * 376 + 42 + 4 + 6);
    write(bytes);
    const KenshoResult cut = ReadDataBtnClick(file, {});
    ASSERT_EQ(cut.rows.size(), 3u);
    EXPECT_EQ(cut.rows[0].record.race, "03");
    EXPECT_EQ(cut.rows[0].record.stake[0], 30);
    EXPECT_EQ(cut.totals.played[0], 2);

    // A stray tail shorter than the race fields lists nothing more.
    write(fileOf({a}) + "2024");
    EXPECT_EQ(ReadDataBtnClick(file, {}).rows.size(), 1u);
}

// Two runs side by side: only the races both list, each run's own figures for them, and the difference of
// the rates as shown.
TEST_F(KenshoFile, ComparisonKeepsTheRacesBothRunsListAndShowsTheDifference)
{
    const std::filesystem::path previous = dir / "tmpData.prev.dat";
    EXPECT_FALSE(CompareBacktestRuns(file, previous, {}).fileFound) << "no run yet: nothing to compare";

    // Final odds: races 1, 2, 3. Five minutes before: races 2, 3, 4 (race 1 had no snapshot).
    auto race = [](const char* number, int before, long long payout) {
        Line l;
        l.race = number;
        l.oddsBefore = before;
        l.type(BakenType::Tan, 1, 1000, payout).type(BakenType::UR, 3, 300, payout > 0 ? 0 : 900);
        return l;
    };
    ASSERT_TRUE(writeFileAtomic(previous, fileOf({race("01", 0, 0), race("02", 0, 2000), race("03", 0, 1234)})));
    write(fileOf({race("02", 5, 2000), race("03", 5, 0), race("04", 5, 5000)}));

    const KenshoResult r = CompareBacktestRuns(file, previous, {});
    ASSERT_EQ(r.error, "");
    ASSERT_TRUE(r.compared);
    EXPECT_EQ(r.oddsLabel, "発走5分前");
    EXPECT_EQ(r.compared->oddsLabel, "確定ｵｯｽﾞ");
    ASSERT_EQ(r.rows.size(), 2u);
    ASSERT_EQ(r.compared->rows.size(), 2u);
    for (std::size_t i = 0; i < 2; ++i)
        EXPECT_EQ(r.rows[i].record.race, r.compared->rows[i].record.race) << "the same race at the same place";
    EXPECT_EQ(r.rows[0].record.race, "03") << "the shown file's order: its last record first";
    EXPECT_EQ(r.compared->onlyShown, 1);
    EXPECT_EQ(r.compared->onlyCompared, 1);
    EXPECT_EQ(r.totals.payout[0], 2000);
    EXPECT_EQ(r.compared->totals.payout[0], 3234);

    ASSERT_EQ(r.summary.rowCount(), kKenshoComparisonRows);
    EXPECT_EQ(r.summary.cell(2, 1), "  100.0");
    EXPECT_EQ(r.summary.cell(3, 0), "比較のデータ数");
    EXPECT_EQ(r.summary.cell(5, 1), "  161.7");
    EXPECT_EQ(r.summary.cell(6, 0), "回収率の差");
    EXPECT_EQ(r.summary.cell(6, 1), "  -61.7") << "100.0 - 161.7, as shown";
    EXPECT_EQ(r.summary.cell(6, 4), " +150.0") << "馬連: 150.0 against 0.0";
    EXPECT_EQ(r.summary.cell(6, 2), "") << "a type neither run played has no difference";
    EXPECT_EQ(KenshoComparisonText(r), "比較：今回 発走5分前 と前回 確定ｵｯｽﾞ、共通のレース 2（今回だけのレース "
                                       "1、前回だけのレース 1 は除きました）。");

    // The filters apply to both runs alike.
    EXPECT_EQ(CompareBacktestRuns(file, previous, only(KenshoList::Track, {1})).rows.size(), 0u);

    std::filesystem::remove(previous);
    const KenshoResult none = CompareBacktestRuns(file, previous, {});
    EXPECT_EQ(none.error, kNoComparedRun);
    EXPECT_FALSE(none.compared);
}

TEST(KenshoCsv, ByteOrderMarkCrLfQuotingAndBareNumbers)
{
    TextGrid g({"年", "ﾚｰｽ名", "投票額", "GR"}, 2);
    g.row(0) = {"2024", "A,\"B\"", "   1200", "G1 "};
    g.row(1) = {"2024", "two\nlines", "       ", "   "};
    EXPECT_EQ(KenshoCsv(g), "\xEF\xBB\xBF"
                            "年,ﾚｰｽ名,投票額,GR\r\n"
                            "2024,\"A,\"\"B\"\"\",1200,G1 \r\n"
                            "2024,\"two\nlines\",,\r\n");
}

TEST(KenshoChart, CumulativeRecoveryInDateOrder)
{
    Line late, early, second, unplayed;
    late.day = "13";
    late.type(BakenType::Tan, 1, 1000, 3000);
    early.day = "06";
    early.race = "02";
    early.type(BakenType::Tan, 1, 1000, 0);
    second.day = "06";
    second.race = "10";
    second.type(BakenType::Tan, 1, 1000, 1500);
    unplayed.day = "06";
    unplayed.race = "01";
    std::vector<KenshoRow> rows;
    for (const Line* l : {&late, &second, &early, &unplayed}) // listed order: newest first
        rows.push_back(KenshoRowOf(ParseBacktestRecord(l->bytes())));
    const auto curves = CumulativeRecovery(rows);
    ASSERT_EQ(curves[0].size(), 4u);
    EXPECT_TRUE(std::isnan(curves[0][0])); // race 1: nothing staked yet
    EXPECT_DOUBLE_EQ(curves[0][1], 0.0);   // race 2 lost
    EXPECT_DOUBLE_EQ(curves[0][2], 75.0);  // race 10: 1500 / 2000
    EXPECT_DOUBLE_EQ(curves[0][3], 150.0); // the next week: 4500 / 3000
    for (double v : curves[7])
        EXPECT_TRUE(std::isnan(v));
}

// The verify command of the real solvane-cli over a small written backtest file.
TEST(KenshoCli, VerifyPrintsTheSummaryAndWithListTheRows)
{
    test::TempDir dir;
    const std::string cli = std::string(SOLVANE_CLI_PATH) + " --home '" + dir.path().string() + "' verify";
    const auto missing = test::runShell(cli, dir / "err.txt");
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err.find("backtest"), std::string::npos) << missing.err;

    Line turf, dirt;
    turf.type(BakenType::Tan, 1, 1000, 2500);
    dirt.course = "24";
    dirt.race = "05";
    dirt.runners = "12";
    dirt.type(BakenType::Tan, 1, 1000, 0);
    ASSERT_TRUE(writeFileAtomic(dir / "tmpData.dat", fileOf({turf, dirt})));

    const auto all = test::runShell(cli);
    EXPECT_EQ(all.status, 0);
    const auto lines = splitLines(all.out);
    ASSERT_EQ(lines.size(), 4u) << all.out;
    EXPECT_EQ(lines[0], "\t単勝\t複勝\t枠連\t馬連\tﾜｲﾄﾞ\t馬単\t3連複\t3連単");
    EXPECT_EQ(lines[3], "回収率\t  125.0\t\t\t\t\t\t\t");

    const auto listed = test::runShell(cli + " --surface ダート --runners 12,16 --distance 1000-3000 --list");
    EXPECT_EQ(listed.status, 0);
    const auto rows = splitLines(listed.out);
    ASSERT_EQ(rows.size(), 7u) << listed.out;
    EXPECT_TRUE(rows[0].starts_with("年\t月\t日\t場所")) << rows[0];
    EXPECT_EQ(splitString(rows[1], '\t').at(6), " 5");
    EXPECT_EQ(rows[6], "件数：1");

    for (const char* bad : {"--track 東急", "--class G1", "--distance 900-2000", "--distance 2000-1800",
                            "--distance 1000", "--age", "--colour 芝"}) {
        const auto r = test::runShell(cli + " " + bad, dir / "err.txt");
        EXPECT_EQ(r.status, 2) << bad;
        EXPECT_NE(r.err, "") << bad;
    }
    const auto unknown = test::runShell(cli + " --track 東急", dir / "err.txt");
    EXPECT_NE(unknown.err.find("札幌"), std::string::npos) << unknown.err;

    const auto noPrevious = test::runShell(cli + " --compare", dir / "err.txt");
    EXPECT_EQ(noPrevious.status, 1);
    EXPECT_NE(noPrevious.err.find(kNoComparedRun), std::string::npos) << noPrevious.err;
    ASSERT_TRUE(writeFileAtomic(dir / "tmpData.prev.dat", fileOf({turf})));
    const auto compared = test::runShell(cli + " --compare", dir / "err.txt");
    EXPECT_EQ(compared.status, 0);
    const auto grid = splitLines(compared.out);
    ASSERT_EQ(grid.size(), 1u + kKenshoComparisonRows) << compared.out;
    EXPECT_EQ(grid[7], "回収率の差\t   +0.0\t\t\t\t\t\t\t");
    EXPECT_NE(compared.err.find("共通のレース 1"), std::string::npos) << compared.err;
}

} // namespace
