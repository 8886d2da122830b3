// The backtest: the line of a race, the figures read from the tables, the period, and runs over a
// generated, imported season.
#include "verify/Backtest.h"
#include "verify/Kensho.h"

#include "raceday/TimeSeries.h"
#include "support/GeneratedSeason.h"
#include "util/Files.h"
#include "util/ShiftJis.h"
#include "util/Text.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <memory>

namespace solvane {
namespace {

std::size_t at(int i)
{
    return static_cast<std::size_t>(i);
}

void put(std::string& rec, std::size_t pos, std::string_view text)
{
    rec.replace(pos - 1, text.size(), text);
}

// Tokyo 11R with 12 runners; every field of the line a different text, so a field taken from the wrong
// position shows.
std::unique_ptr<RaceDay> HandDay()
{
    auto day = std::make_unique<RaceDay>();
    day->DayKey = "2024年01月06日";
    day->RaceList.push_back({0, "東京11R"});
    std::string& ra = day->RaRecs[0];
    put(ra, 12, "2024");
    put(ra, 16, "0106");
    put(ra, 20, "05");
    put(ra, 22, "01");
    put(ra, 24, "02");
    put(ra, 26, "11");
    put(ra, 605, toSjis("日経新"));
    put(ra, 615, "A");
    put(ra, 617, "13");
    put(ra, 619, "N04");
    put(ra, 622, "3");
    put(ra, 635, "703");
    put(ra, 698, "1600");
    put(ra, 706, "17");
    put(ra, 882, "12");
    put(ra, 889, "1");
    put(ra, 890, "2");
    TOutData& r = day->RaceRecs[0];
    for (int j = 0; j < 12; ++j) {
        put(day->SeRecs[0][at(j)], 29, strprintf("%02d", j + 1));
        put(day->O1Recs[0], 46 + 8 * at(j), strprintf("%04d", 15 + 10 * j));
        put(day->O1Recs[0], 50 + 8 * at(j), strprintf("%02d", 12 - j));
        r.CompiIndex[at(j + 1)] = 88 - 3 * j;
        r.CompiRank[at(j + 1)] = j + 1;
    }
    r.CompiRank[3] = 0; // no compi data
    r.CompiIndex[3] = 0;
    r.CompiIndex[5] = 100; // does not fit "%2d"
    return day;
}

RaceFigures SampleFigures()
{
    RaceFigures f;
    for (int k = 0; k < kBakenTypes; ++k)
        f[at(k)] = TypeFigures{k + 1, 100LL * (k + 1), 10LL * (k + 3)};
    f[7] = TypeFigures{4896, kBtMaxStake, kBtMaxPayout}; // the largest values that fit
    return f;
}

TEST(BacktestLineTest, FieldsAtTheirOffsets)
{
    const auto day = HandDay();
    const BacktestLine l = MakeBacktestLine(*day, 0, SampleFigures());
    ASSERT_EQ(l.error, "");
    ASSERT_EQ(l.line.size(), kBacktestLineLength);
    EXPECT_EQ(l.line.substr(0, 42), "2024010605010211" + toSjis("日経新") +
                                        "AN04133703160017"
                                        "1212");
    EXPECT_EQ(l.line.substr(kBtTypeBlocks, kBtTypeBlockLength), "   1    100      30");
    EXPECT_EQ(l.line.substr(kBtTypeBlocks + 6 * kBtTypeBlockLength, kBtTypeBlockLength), "   7    700      90");
    EXPECT_EQ(l.line.substr(kBtTypeBlocks + 7 * kBtTypeBlockLength, kBtTypeBlockLength), "4896999999999999999");
    auto runner = [&l](int h) { return l.line.substr(kBtRunnerBlocks + at(h - 1) * kBtRunnerBlockLength, 10); };
    EXPECT_EQ(runner(1), "88 1001512");
    EXPECT_EQ(runner(2), "85 2002511");
    EXPECT_EQ(runner(3), "    003510") << "no compi rank: 4 blanks, then odds and popularity";
    EXPECT_EQ(runner(5), "    005508") << "compi index 100 written as no compi data";
    EXPECT_EQ(runner(12), "5512012501");
    EXPECT_EQ(l.compiCapped, 1);
    for (int h = 13; h <= 18; ++h)
        EXPECT_EQ(runner(h), std::string(10, ' ')) << "horse " << h << " of a 12-runner race";
}

TEST(BacktestLineTest, BlankRecords)
{
    const auto day = HandDay();
    // A slot with nothing stored: blanks where the records are blank, zeros in the figures.
    const BacktestLine empty = MakeBacktestLine(*day, 5, RaceFigures{});
    ASSERT_EQ(empty.error, "");
    EXPECT_EQ(empty.line.substr(0, 42), std::string(42, ' '));
    EXPECT_EQ(empty.line.substr(kBtTypeBlocks, kBtTypeBlockLength), "   0      0       0");
    EXPECT_EQ(empty.line.substr(kBtRunnerBlocks), std::string(180, ' '));
}

TEST(BacktestLineTest, ValuesThatDoNotFitAreRefused)
{
    const auto day = HandDay();
    struct Case {
        int type;
        TypeFigures figures;
        std::string message;
    };
    const std::vector<Case> cases{
        {0, {1, kBtMaxStake + 1, 0}, "2024年01月06日 東京11R の単勝：投票金額 10,000,000円 が7桁に収まらない"},
        {3, {1, 100, kBtMaxPayout + 1}, "2024年01月06日 東京11R の馬連：回収金額 100,000,000円 が8桁に収まらない"},
        {7, {10000, 100, 0}, "2024年01月06日 東京11R の３連単：買い点数 10000 が4桁に収まらない"},
        {1, {1, -1, 0}, "2024年01月06日 東京11R の複勝：投票金額 -1円"},
    };
    for (const Case& c : cases) {
        RaceFigures f = SampleFigures();
        f[at(c.type)] = c.figures;
        const BacktestLine l = MakeBacktestLine(*day, 0, f);
        EXPECT_EQ(l.line, "");
        EXPECT_TRUE(l.error.starts_with(c.message)) << l.error;
    }
}

TEST(BacktestFiguresTest, LabelsReadAsIntegers)
{
    KaimeTables tables = EmptyKaimeTables();
    tables[0].labels.count = "  3";
    tables[0].labels.total = "  1200";
    tables[0].labels.paid = "    4500";
    tables[1].labels.count = "abc";
    tables[1].labels.total = "";
    tables[1].labels.paid = " 12x";
    const RaceFigures f = FiguresOf(tables);
    EXPECT_EQ(f[0], (TypeFigures{3, 1200, 4500}));
    EXPECT_EQ(f[1], TypeFigures{});
    EXPECT_EQ(f[7], TypeFigures{});
}

TEST(BacktestFiguresTest, ResultIsTheFirstWinPayout)
{
    auto day = std::make_unique<RaceDay>();
    EXPECT_FALSE(HasBacktestResult(*day, 0)) << "blank record";
    put(day->HrRecs[0], 105, "000000000");
    EXPECT_FALSE(HasBacktestResult(*day, 0));
    put(day->HrRecs[0], 105, "000000150");
    EXPECT_TRUE(HasBacktestResult(*day, 0));
    EXPECT_FALSE(HasBacktestResult(*day, 36));
}

TEST(BacktestDaysTest, PeriodBothEndsIncludedOldestFirst)
{
    const std::vector<std::string> items{"2024年01月21日", "2024年01月14日", "2024年01月07日", "2024年01月06日"};
    struct Case {
        const char* from;
        const char* to;
        std::vector<std::string> days;
    };
    const std::vector<Case> cases{
        {"20240101", "20241231", {"2024年01月06日", "2024年01月07日", "2024年01月14日", "2024年01月21日"}},
        {"20240107", "20240114", {"2024年01月07日", "2024年01月14日"}},
        {"20240106", "20240106", {"2024年01月06日"}},
        {"20240108", "20240113", {}},
        {"20240114", "20240107", {}}, // start after end
        {"20240122", "20240131", {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(BacktestDays(items, c.from, c.to), c.days) << c.from << "-" << c.to;
}

// ---- runs over a generated season ----

class BacktestRun : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        feedgen::FeedOptions fo;
        fo.from = DateTime{2024, 1, 6};
        fo.to = DateTime{2024, 1, 21};
        fo.seed = 11;
        fo.rtDays = 0;
        season_ = new test::GeneratedSeason(DateTime{2024, 2, 1, 12, 0, 0}, fo, DateTime{2023, 12, 25});
    }
    static void TearDownTestSuite()
    {
        delete season_;
        season_ = nullptr;
    }
    void SetUp() override
    {
        ASSERT_EQ(season_->error, "");
        items_ = StoredDayList(season_->home);
        ASSERT_GE(items_.size(), 4u);
        std::filesystem::remove(BacktestFile(season_->home));
        options_.from = "20240101";
        options_.to = "20241231";
        options_.load.appFolder = season_->home;
        options_.load.harunireFolder = season_->feed / "harunire";
        // ◎ the compi 1st, ○ the three favourites, ▲ compi 2nd to 5th.
        const RuleFileParse parsed = ParseRuleFile("[◎]\nCompi=1\n[○]\nTanninki=1,2,3\n[▲]\nCompi=2,3,4,5\n");
        ASSERT_TRUE(parsed.rule) << parsed.error;
        options_.rule = *parsed.rule;
    }
    // The lines of the backtest file, each checked to be a 376-byte record ending in CR LF.
    static std::vector<std::string> Records()
    {
        const std::string bytes = readFile(BacktestFile(season_->home)).value_or("");
        EXPECT_EQ(bytes.size() % kBacktestRecordLength, 0u);
        std::vector<std::string> lines;
        for (std::size_t o = 0; o + kBacktestRecordLength <= bytes.size(); o += kBacktestRecordLength) {
            EXPECT_EQ(bytes.substr(o + kBacktestLineLength, 2), "\r\n");
            lines.push_back(bytes.substr(o, kBacktestLineLength));
        }
        return lines;
    }
    BacktestResult Run(const BacktestProgressFn& progress = {}, const std::atomic<bool>* cancel = nullptr)
    {
        return RunBacktest(items_, options_, season_->clock, progress, cancel);
    }

    static test::GeneratedSeason* season_;
    std::vector<std::string> items_;
    BacktestOptions options_;
};

test::GeneratedSeason* BacktestRun::season_ = nullptr;

TEST_F(BacktestRun, OneRecordPerRaceWithResultAsAFreshBuildGivesIt)
{
    std::vector<BacktestProgress> reports;
    const BacktestResult r = Run([&reports](const BacktestProgress& p) { reports.push_back(p); });
    ASSERT_EQ(r.outcome, BacktestOutcome::Written) << r.message;
    EXPECT_EQ(r.days, static_cast<int>(items_.size()));
    EXPECT_EQ(r.lastDayKey, items_.front()) << "the newest day is loaded last";
    ASSERT_FALSE(reports.empty());
    EXPECT_EQ(reports.back().daysDone, reports.back().daysTotal);
    EXPECT_EQ(reports.back().races, r.races);
    const std::vector<std::string> lines = Records();
    ASSERT_EQ(lines.size(), static_cast<std::size_t>(r.lines));

    // Every race of every day, in date and race-list order; each line's figures those of the eight
    // tables built from scratch with the rule's marks (the run reuses one set of tables).
    std::size_t next = 0;
    long long picked = 0;
    RaceDay day;
    for (auto it = items_.rbegin(); it != items_.rend(); ++it) {
        ASSERT_TRUE(DateComboChange(day, *it, options_.load, season_->clock).loaded);
        for (const RaceListItem& item : day.RaceList) {
            if (!HasBacktestResult(day, item.slot))
                continue;
            ASSERT_LT(next, lines.size());
            const Marks marks = ApplyRule(day, item.slot, options_.rule).value_or(Marks{});
            picked += static_cast<long long>(marks.horses(MarkKind::Honmei).size());
            const KaimeTables fresh = KaimeMakeBtnClick(
                day, item.slot, marks, options_.multi,
                ContextOf(day, item.slot, StakeOf(day, BakenType::Tan, item.slot), options_.mode, nullptr));
            const BacktestLine expected = MakeBacktestLine(day, item.slot, FiguresOf(fresh));
            EXPECT_EQ(lines[next], expected.line) << *it << " " << item.text;
            ++next;
        }
    }
    EXPECT_EQ(next, lines.size());
    EXPECT_GT(picked, 0) << "the season has compi data, so the rule marks horses";

    // Days built one after the other give the same file as days built side by side.
    const std::string parallel = readFile(BacktestFile(season_->home)).value_or("");
    options_.workers = 1;
    ASSERT_EQ(Run().outcome, BacktestOutcome::Written);
    EXPECT_EQ(readFile(BacktestFile(season_->home)).value_or(""), parallel);
}

TEST_F(BacktestRun, PeriodEdgesAndAnEmptyPeriodKeepThePreviousFile)
{
    // items_ is newest first: the second-oldest day alone.
    const std::string& key = items_[items_.size() - 2];
    const std::string ymd = key.substr(0, 4) + key.substr(7, 2) + key.substr(12, 2);
    options_.from = ymd;
    options_.to = ymd;
    const BacktestResult one = Run();
    ASSERT_EQ(one.outcome, BacktestOutcome::Written) << one.message;
    EXPECT_EQ(one.days, 1);
    const std::vector<std::string> lines = Records();
    ASSERT_FALSE(lines.empty());
    for (const std::string& l : lines)
        EXPECT_EQ(l.substr(0, 8), ymd);
    const std::string before = readFile(BacktestFile(season_->home)).value_or("");

    for (const auto& [from, to] :
         std::vector<std::pair<std::string, std::string>>{{"20240120", "20240107"}, {"20240301", "20240331"}}) {
        options_.from = from;
        options_.to = to;
        const BacktestResult none = Run();
        EXPECT_EQ(none.outcome, BacktestOutcome::NoData);
        EXPECT_EQ(none.message, kNoBacktestData);
        EXPECT_EQ(none.lines, 0);
        EXPECT_EQ(readFile(BacktestFile(season_->home)).value_or(""), before);
    }
}

TEST_F(BacktestRun, CancelAndFailureKeepThePreviousFile)
{
    ASSERT_TRUE(writeFileAtomic(BacktestFile(season_->home), "previous"));
    std::atomic<bool> cancel{false};
    const BacktestResult c = Run([&cancel](const BacktestProgress& p) { cancel = p.daysDone >= 1; }, &cancel);
    EXPECT_EQ(c.outcome, BacktestOutcome::Cancelled);
    EXPECT_GT(c.races, 0) << "the first day ran";
    EXPECT_EQ(readFile(BacktestFile(season_->home)), "previous");

    // 均一 puts the whole stake on every combination: 99,999,999 yen on one win bet does not fit "%7d".
    options_.load.defaultStakes[0] = 99'999'999;
    options_.mode = HaibunMode::Kinitsu;
    options_.rule.groups[0] = RuleGroup{true, {}}; // ◎ on every runner
    const BacktestResult f = Run();
    EXPECT_EQ(f.outcome, BacktestOutcome::Failed);
    EXPECT_TRUE(f.message.starts_with(items_.back() + " ")) << f.message;
    EXPECT_NE(f.message.find("R の単勝：投票金額"), std::string::npos) << f.message;
    EXPECT_EQ(readFile(BacktestFile(season_->home)), "previous");
}

TEST_F(BacktestRun, ADayThatCannotBeReadIsNoted)
{
    // A date in the list whose files are gone: the run goes on and says so.
    const std::string missing = "2024年01月10日"; // a Wednesday: no races
    ASSERT_EQ(std::find(items_.begin(), items_.end(), missing), items_.end());
    std::vector<std::string> items = items_;
    items.insert(items.end() - 1, missing);
    const BacktestResult r = RunBacktest(items, options_, season_->clock);
    ASSERT_EQ(r.outcome, BacktestOutcome::Written) << r.message;
    EXPECT_EQ(r.days, static_cast<int>(items_.size()));
    ASSERT_FALSE(r.notes.empty());
    EXPECT_TRUE(r.notes.front().starts_with(missing + "：読み込めませんでした")) << r.notes.front();
}

// Damaged payout lines take their races' results away: the totals would quietly count fewer races. The
// run says how many races and lines it left out, and the verification reads that beside the file.
TEST_F(BacktestRun, WhatADamagedStoreLeavesOutIsCountedAndShown)
{
    test::TempDir copy;
    const std::filesystem::path home = copy / "home";
    std::filesystem::copy(season_->home, home, std::filesystem::copy_options::recursive);
    options_.load.appFolder = home;
    const BacktestResult clean = RunBacktest(items_, options_, season_->clock);
    ASSERT_EQ(clean.outcome, BacktestOutcome::Written) << clean.message;
    EXPECT_EQ(clean.daysSkipped + clean.racesWithoutResult + clean.damagedLines, 0);
    EXPECT_EQ(BacktestSummary(clean), strprintf("%d日  %dレースを書き込みました。", clean.days, clean.lines));

    // Three payout lines of the oldest day cut short, as a torn copy leaves them.
    const std::filesystem::path hr = StoreFolder(home) / pathFromUtf8(items_.back() + ".jvHR");
    std::vector<std::string> lines = splitLines(readFile(hr).value_or(""));
    ASSERT_GE(lines.size(), 5u);
    for (std::size_t i : {1u, 2u, 4u})
        lines[i].resize(300);
    ASSERT_TRUE(writeFileAtomic(hr, joinLinesCrlf(lines)));
    const BacktestResult r = RunBacktest(items_, options_, season_->clock);
    ASSERT_EQ(r.outcome, BacktestOutcome::Written) << r.message;
    EXPECT_EQ(r.lines, clean.lines - 3);
    EXPECT_EQ(r.racesWithoutResult, 3);
    EXPECT_EQ(r.damagedLines, 3);
    EXPECT_EQ(r.daysSkipped, 0);
    const std::string summary =
        strprintf("%d日  %dレースを書き込みました。読み飛ばし：結果（払戻）のないレース 3、壊れていて読めない行 3行",
                  r.days, r.lines);
    EXPECT_EQ(BacktestSummary(r), summary);
    EXPECT_EQ(std::count_if(r.notes.begin(), r.notes.end(),
                            [&](const std::string& n) { return n.find(".jvHR: ") != std::string::npos; }),
              3);

    // The verification of the file says the same, and only of the file it belongs to.
    EXPECT_EQ(ReadDataBtnClick(BacktestFile(home), KenshoFilter{}).runSummary, summary);
    ASSERT_TRUE(writeFileAtomic(BacktestFile(home), readFile(BacktestFile(home))->substr(376)));
    EXPECT_EQ(ReadDataBtnClick(BacktestFile(home), KenshoFilter{}).runSummary, "");
}

// A run day with the time-series viewer's snapshots beside its feed (the generator writes them for the
// days it gives real-time data), replayed at the odds of five minutes before each post.
class BetTimeBacktest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        feedgen::FeedOptions fo;
        fo.from = fo.to = DateTime{2024, 6, 1};
        fo.seed = 5;
        season_ = new test::GeneratedSeason(DateTime{2024, 6, 3, 12, 0, 0}, fo, DateTime{2024, 5, 25});
    }
    static void TearDownTestSuite()
    {
        delete season_;
        season_ = nullptr;
    }
    static test::GeneratedSeason* season_;
};

test::GeneratedSeason* BetTimeBacktest::season_ = nullptr;

// Every race is built at the snapshot a bettor saw: the file holds the lines that the race-by-race build
// gives on those snapshots, a win-popularity rule marks the snapshot's favourite where it differs from the
// final one, a race without a win snapshot is left out and a type without its snapshot is not played;
// all of it is counted and said.
TEST_F(BetTimeBacktest, EveryRaceIsBuiltAtTheSnapshotBeforeItsPostAndWhatLacksOneIsCounted)
{
    ASSERT_EQ(season_->error, "");
    const std::filesystem::path series = season_->feed / "jikeiretu";
    const std::string dayKey = "2024年06月01日";
    LoadOptions load{season_->home};
    RaceDay finalDay;
    ASSERT_TRUE(DateComboChange(finalDay, dayKey, load, season_->clock).loaded);
    ASSERT_GE(finalDay.RaceList.size(), 12u);
    // The first race has no win snapshots at all, the second no trifecta snapshots.
    const auto keyOf = [&](std::size_t i) {
        return std::string(field(finalDay.RaRecs[std::size_t(finalDay.RaceList[i].slot)], 20, 8));
    };
    for (auto [race, kind] : {std::pair{keyOf(0), ".jvO1"}, std::pair{keyOf(1), ".jvO6"}})
        ASSERT_TRUE(std::filesystem::remove(series / "20240601" / (race + kind)));
    // In the third race late money made the favourite: before, the market preferred the final second
    // favourite (every snapshot gives it popularity 1 and the final favourite 2).
    const std::size_t moved = 2;
    const TOutData& finalOut = finalDay.RaceRecs[std::size_t(finalDay.RaceList[moved].slot)];
    int favourite = 0, second = 0;
    for (int h = 1; h <= kMaxHorses; ++h) {
        favourite = finalOut.TanNinki[std::size_t(h)] == 1 ? h : favourite;
        second = finalOut.TanNinki[std::size_t(h)] == 2 ? h : second;
    }
    ASSERT_TRUE(favourite > 0 && second > 0);
    {
        const std::filesystem::path file = series / "20240601" / (keyOf(moved) + ".jvO1");
        std::vector<std::string> lines = splitLines(readFile(file).value_or(""));
        ASSERT_FALSE(lines.empty());
        for (std::string& line : lines) {
            for (int h = 1; h <= kMaxHorses; ++h) {
                const std::size_t at = std::size_t(46 + 8 * (h - 1) + 4 - 1); // popularity, 2 digits
                std::string rank = line.substr(at, 2);
                if (h == second)
                    rank = "01";
                else if (h == favourite)
                    rank = "02";
                else if (rank == "01" || rank == "02")
                    rank = "03";
                line.replace(at, 2, rank);
            }
        }
        ASSERT_TRUE(writeFileAtomic(file, joinLinesCrlf(lines)));
    }

    BacktestOptions options;
    options.from = options.to = "20240601";
    options.load = load;
    options.oddsBeforeMinutes = 5;
    options.seriesFolders = {series};
    const RuleFileParse parsed = ParseRuleFile("[◎]\nTanninki=1\n[○]\nTanninki=2,3\n");
    ASSERT_TRUE(parsed.rule) << parsed.error;
    options.rule = *parsed.rule;
    // First the same rule at the final odds: the bet-time run keeps that file for the comparison.
    BacktestOptions atFinal = options;
    atFinal.oddsBeforeMinutes = 0;
    ASSERT_EQ(RunBacktest(StoredDayList(season_->home), atFinal, season_->clock).outcome, BacktestOutcome::Written);
    const std::string finalRun = readFile(BacktestFile(season_->home)).value_or("");
    const BacktestResult r = RunBacktest(StoredDayList(season_->home), options, season_->clock);
    ASSERT_EQ(r.outcome, BacktestOutcome::Written) << r.message;
    EXPECT_EQ(readFile(PreviousBacktestFile(season_->home)), finalRun);

    // The same races built one by one, each on a day loaded afresh and given its snapshots.
    std::string expected;
    long long built = 0;
    int favouriteMoved = 0;
    for (const RaceListItem& item : finalDay.RaceList) {
        if (!HasBacktestResult(finalDay, item.slot))
            continue;
        RaceDay day;
        ASSERT_TRUE(DateComboChange(day, dayKey, load, season_->clock).loaded);
        const BetTimeOdds taken = TakeBetTimeOdds(day, item.slot, {series}, 5);
        EXPECT_EQ(taken.error, "");
        if (!taken.taken[0])
            continue;
        ++built;
        RaceFigures figures = BacktestRace(day, item.slot, options.rule, options.mode, options.multi);
        if (!taken.taken[5])
            figures[std::size_t(BakenType::SRT)] = TypeFigures{};
        expected += MakeBacktestLine(day, item.slot, figures, 5).line + "\r\n";

        const auto s = std::size_t(item.slot);
        const Marks atBetTime = *ApplyRule(day, item.slot, options.rule);
        const Marks atFinal = *ApplyRule(finalDay, item.slot, options.rule);
        if (atBetTime.horses(MarkKind::Honmei) != atFinal.horses(MarkKind::Honmei)) {
            ++favouriteMoved;
            for (int h : atBetTime.horses(MarkKind::Honmei))
                EXPECT_EQ(day.RaceRecs[s].TanNinki[std::size_t(h)], 1) << item.text;
        }
    }
    EXPECT_EQ(readFile(BacktestFile(season_->home)).value_or(""), expected);
    EXPECT_GE(favouriteMoved, 1);
    // Its lines say which odds they were built with, and the verification reads them like any other.
    ASSERT_EQ(BacktestRecordLengthOf(expected), kBacktestBetTimeRecordLength);
    EXPECT_EQ(expected.substr(kBtOddsBefore, 4), " 5\r\n");
    const KenshoResult read = ReadDataBtnClick(BacktestFile(season_->home), KenshoFilter{});
    ASSERT_EQ(static_cast<long long>(read.rows.size()), built);
    for (const KenshoRow& row : read.rows)
        EXPECT_EQ(row.record.oddsBefore, 5);
    // Side by side with the final-odds run: every race played at bet time, which the final run also played.
    const KenshoResult both = CompareBacktestRuns(BacktestFile(season_->home), PreviousBacktestFile(season_->home), {});
    ASSERT_TRUE(both.compared) << both.error;
    EXPECT_EQ(both.oddsLabel, "発走5分前");
    EXPECT_EQ(both.compared->oddsLabel, "確定ｵｯｽﾞ");
    EXPECT_EQ(static_cast<long long>(both.rows.size()), built);
    EXPECT_EQ(both.compared->onlyShown, 0);
    EXPECT_EQ(both.compared->onlyCompared, 1) << "the race without a snapshot";
    EXPECT_NE(both.compared->runSummary, "") << "the final run's summary was kept with its file";
    {
        RaceDay day;
        ASSERT_TRUE(DateComboChange(day, dayKey, load, season_->clock).loaded);
        const int slot = finalDay.RaceList[moved].slot;
        ASSERT_TRUE(TakeBetTimeOdds(day, slot, {series}, 5).taken[0]);
        EXPECT_EQ(ApplyRule(day, slot, options.rule)->horses(MarkKind::Honmei), std::vector<int>{second});
        EXPECT_EQ(ApplyRule(finalDay, slot, options.rule)->horses(MarkKind::Honmei), std::vector<int>{favourite});
    }
    EXPECT_EQ(r.betTimeRaces, built);
    EXPECT_EQ(r.betTimeLeftOut, 1);
    EXPECT_EQ(r.betTimeTypesLeftOut[std::size_t(BakenType::SRT)], 1);
    EXPECT_EQ(std::count(r.betTimeTypesLeftOut.begin(), r.betTimeTypesLeftOut.end(), 0), kBakenTypes - 1);
    EXPECT_NE(BacktestSummary(r).find(strprintf("発走5分前のオッズで %lldレースを集計しました。", built)),
              std::string::npos)
        << BacktestSummary(r);
    EXPECT_NE(BacktestSummary(r).find("３連単 1"), std::string::npos) << BacktestSummary(r);
}

// "年分": 365 days a year back from the end's date, leap days not counted; the years kept in range.
TEST(BacktestPeriodTest, YearsBackFromTheEndDate)
{
    struct Case {
        DateTime end;
        int years;
        int keptYears;
        DateTime from;
    };
    const Case cases[] = {
        {{2024, 6, 30, 18, 45, 10}, 1, 1, {2023, 7, 1}}, // over 2024-02-29: one day later than the calendar
        {{2023, 6, 30}, 1, 1, {2022, 6, 30}},
        {{2024, 1, 6}, 3, 3, {2021, 1, 6}},
        {{2024, 1, 6}, 0, 1, {2023, 1, 6}},
        {{2024, 1, 6}, -5, 1, {2023, 1, 6}},
        {{2024, 1, 6}, kBacktestMaxYears, kBacktestMaxYears, {2004, 1, 11}},
        {{2024, 1, 6}, 99, kBacktestMaxYears, {2004, 1, 11}},
    };
    for (const Case& c : cases) {
        const BacktestPeriod p = BacktestPeriodFromYears(c.end, c.years);
        const std::string label = c.end.ymdHms() + " " + std::to_string(c.years);
        EXPECT_EQ(p.years, c.keptYears) << label;
        EXPECT_EQ(p.from, c.from) << label;
        EXPECT_EQ(p.to, c.end.date()) << label;
    }
}

} // namespace
} // namespace solvane
