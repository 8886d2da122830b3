// The backtest run: a selection rule replayed over every stored race day of a period. For each race
// with a result, the rule's marks are applied, the eight combination tables are built as the input form
// builds them, and the race's attributes, the per-type count, stake and payout and a few per-runner
// values go into one fixed-length line of the backtest file "tmpData.dat". Core only: the window runs
// this on a worker thread, the command line directly.
#pragma once

#include "kaime/BakenType.h"
#include "kaime/Haibun.h"
#include "kaime/KaimeBuild.h"
#include "raceday/DayLoader.h"
#include "raceday/RaceDay.h"
#include "util/Clock.h"
#include "verify/SelectionRule.h"

#include <array>
#include <atomic>
#include <cstddef>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace solvane {

// Each line is 374 characters (Shift-JIS bytes) and CR LF: a record of 376 bytes. A run at bet-time odds
// adds a field of its own at the end, "%2d" minutes before the post (kBtOddsBefore), so that its lines say
// which odds they were built with: 376 characters, records of 378 bytes. Readers take either.
inline constexpr std::size_t kBacktestLineLength = 374;
inline constexpr std::size_t kBacktestRecordLength = 376;
inline constexpr std::size_t kBtOddsBefore = 374;
inline constexpr std::size_t kBacktestBetTimeRecordLength = 378;
inline constexpr std::string_view kBacktestFileName = "tmpData.dat";
inline constexpr std::string_view kBacktestQuestion =
    "集計を始めます。PCのスペックによっては多くの時間がかかる場合がありますが開始してよろしいですか？";
inline constexpr std::string_view kNoBacktestData = "対象データがありませんでした。";

// Field offsets of a line.
inline constexpr std::size_t kBtTypeBlocks = 42; // + 19 k: "%4d" count, "%7d" stake, "%8d" payout
inline constexpr std::size_t kBtTypeBlockLength = 19;
inline constexpr std::size_t kBtRunnerBlocks = 194; // + 10 j: compi index, compi rank, win odds, popularity
inline constexpr std::size_t kBtRunnerBlockLength = 10;
// The largest values the fixed widths hold.
inline constexpr long long kBtMaxStake = 9'999'999;   // "%7d"
inline constexpr long long kBtMaxPayout = 99'999'999; // "%8d"
inline constexpr int kBtMaxCompiIndex = 99;           // "%2d"

// The backtest file of an application folder.
std::filesystem::path BacktestFile(const std::filesystem::path& appFolder);
// The backtest file of the run before, kept when a run writes a new one, so that the verification can set
// two runs side by side (final odds against bet-time odds, say); its summary file beside it.
inline constexpr std::string_view kPreviousBacktestFileName = "tmpData.prev.dat";
std::filesystem::path PreviousBacktestFile(const std::filesystem::path& appFolder);
// The summary of the run that wrote a backtest file, beside it ("tmpData.txt"): the file's number of
// lines, then the summary's text (Shift-JIS, CR LF), so that the verification window tells what the data
// lacks however long after the run it is opened.
std::filesystem::path BacktestSummaryFile(const std::filesystem::path& backtestFile);

// What the input form's labels of one bet type read as integers after a build (an empty or
// non-numeric text counts as 0): 買い点数, 投票金額, 回収金額.
struct TypeFigures {
    long long count = 0;
    long long stake = 0;
    long long payout = 0;
    friend bool operator==(const TypeFigures&, const TypeFigures&) = default;
};
using RaceFigures = std::array<TypeFigures, kBakenTypes>;
RaceFigures FiguresOf(const KaimeTables& tables);

// Whether the race has a result: its first win payout (HR 105–113) is positive.
bool HasBacktestResult(const RaceDay& day, int slot);

struct BacktestLine {
    std::string line;    // 374 bytes, no CR LF; empty on error
    std::string error;   // for a person (UTF-8): which race and which value does not fit
    int compiCapped = 0; // runners whose compi index did not fit "%2d" and were written as blanks
};
// The line of the race in slot from its RA, SE and O1 records, the derived values and the figures; with
// oddsBeforeMinutes above 0, followed by the bet-time field.
// A stake above kBtMaxStake or a payout above kBtMaxPayout is an error (the line would lengthen or
// lose digits); a compi index outside 0–99 is written as 4 blanks, as a runner without compi data.
BacktestLine MakeBacktestLine(const RaceDay& day, int slot, const RaceFigures& figures, int oddsBeforeMinutes = 0);
// The length of the records of a backtest file's bytes: kBacktestBetTimeRecordLength when its first line
// is of a run at bet-time odds, kBacktestRecordLength otherwise.
std::size_t BacktestRecordLengthOf(std::string_view bytes);

// The race's figures as the form gives them: the rule's marks applied, the eight tables built with the
// race's win stake entry (RaceStakeList) and the given mode and multi boxes, the labels read.
// The form builds its tables twice per race (on the selection and again after the rule); the second
// build starts from the same marks and gives the same tables, so one build is made.
RaceFigures BacktestRace(const RaceDay& day, int slot, const SelectionRule& rule, HaibunMode mode,
                         const MultiOptions& multi);
// The same, building into tables kept by the caller (their rows are reused from race to race).
RaceFigures BacktestRace(KaimeTables& tables, const RaceDay& day, int slot, const SelectionRule& rule, HaibunMode mode,
                         const MultiOptions& multi);

// The day keys of the date list ("2024年01月06日", newest first) that lie in the period (texts
// yyyymmdd, both ends included), in the order the run takes them: the last item first.
std::vector<std::string> BacktestDays(const std::vector<std::string>& dateItems, std::string_view from,
                                      std::string_view to);

// The period the verification window offers for "年分": it ends on end's date and starts 365 days per
// year before (leap days are not counted, so a start can fall a day later than the calendar date).
inline constexpr int kBacktestMaxYears = 20;
struct BacktestPeriod {
    int years = 1; // brought into 1..kBacktestMaxYears
    DateTime from;
    DateTime to;
};
BacktestPeriod BacktestPeriodFromYears(const DateTime& end, int years);

struct BacktestOptions {
    std::string from; // yyyymmdd
    std::string to;   // yyyymmdd
    SelectionRule rule;
    HaibunMode mode = HaibunMode::Kinto;
    MultiOptions multi;
    LoadOptions load; // the day loads; appFolder also names the backtest file
    // Days loaded and built at the same time, each by its own worker with its own model; 0: up to two,
    // as the machine has cores. The file is the same for any number.
    int workers = 0;
    // 0: every race at its final odds. From 1 to kMaxOddsBefore: at the odds a bettor saw that many
    // minutes before the post, from the time-series snapshots in seriesFolders (TakeBetTimeOdds). A race
    // without a win odds snapshot early enough is left out (the rule reads win popularity and odds); a bet
    // type without its own odds snapshot is left out of that race. Payouts stay the real ones, and the
    // days are loaded without their own odds files (LoadOptions::finalOddsKinds).
    int oddsBeforeMinutes = 0;
    std::vector<std::filesystem::path> seriesFolders;
};
inline constexpr int kMaxOddsBefore = 60;

struct BacktestProgress {
    int daysDone = 0;
    int daysTotal = 0;
    long long races = 0; // races built so far
    double racesPerSecond = 0;
    std::string dayKey; // the day being loaded
};
using BacktestProgressFn = std::function<void(const BacktestProgress&)>;

enum class BacktestOutcome { Written, NoData, Cancelled, Failed };

struct BacktestResult {
    BacktestOutcome outcome = BacktestOutcome::NoData;
    int lines = 0;
    int days = 0;
    long long races = 0;
    // What the run left out, so that totals over a damaged store never quietly count fewer races: days
    // of the period whose race file could not be read, listed races without a result (no win payout,
    // as a damaged payout line leaves them), and lines of the day files skipped as damaged (a race whose
    // race line is damaged is not listed at all). The notes name each.
    int daysSkipped = 0;
    long long racesWithoutResult = 0;
    long long damagedLines = 0;
    // At bet-time odds: the races built at them, the races left out for want of a win odds snapshot, and
    // per bet type the races built without that type for want of its odds snapshot.
    int oddsBeforeMinutes = 0;
    long long betTimeRaces = 0;
    long long betTimeLeftOut = 0;
    std::array<long long, kBakenTypes> betTimeTypesLeftOut{};
    std::string message;            // for a person: kNoBacktestData (and why), the write or fit error, or empty
    std::vector<std::string> notes; // days that could not be read, compi indices written as blanks
    std::string lastDayKey;         // the day loaded last (the main window loads it afterwards)
};

// Runs the backtest over dateItems (the date list, newest first). The file and its summary are replaced
// (temporary file and rename, under the application folder's writer lock) only when at least one line
// was collected and the run was neither cancelled nor failed; otherwise the previous files stay as they
// were. cancel is polled between races.
BacktestResult RunBacktest(const std::vector<std::string>& dateItems, const BacktestOptions& options,
                           const Clock& clock, const BacktestProgressFn& progress = {},
                           const std::atomic<bool>* cancel = nullptr);

// What the run did, as the rule window shows it when the file is written: "12日  108レースを書き込みました。"
// and, when anything was left out, how much and why.
std::string BacktestSummary(const BacktestResult& result);

} // namespace solvane
