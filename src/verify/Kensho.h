// Verification of the backtest file: its races filtered by race attributes, listed newest-in-file
// first with their per-type results, and totalled per bet type into races played, hit rate and
// recovery rate. Core only; the window "検証" shows what ReadDataBtnClick returns.
#pragma once

#include "kaime/BakenType.h"
#include "util/TextGrid.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace solvane {

// The six filter lists, in the window's order.
enum class KenshoList : int { Basho = 0, Track, Age, Class, Juryo, Tosu };
inline constexpr int kKenshoLists = 6;

// The items of a list (UTF-8): "札幌" … "小倉"; "芝" "ダート" "障害"; "２歳" "３歳" "３歳上" "４歳上";
// "新馬" … "G１"; "ハンデ" "別定" "馬齢" "定量"; " 5頭" … "18頭".
const std::vector<std::string>& KenshoItems(KenshoList list);
// The label of a list: "競馬場", "トラック", "種別", "クラス", "重量", "頭数".
std::string_view KenshoCaption(KenshoList list);

inline constexpr int kKyoriLowMin = 1000, kKyoriLowMax = 3000, kKyoriHighMin = 1000, kKyoriHighMax = 5000;
inline constexpr int kKyoriStep = 100;

struct KenshoFilter {
    // Bit i set: item i of the list is selected. A list without a selection lets every record pass.
    std::array<std::uint32_t, kKenshoLists> selected{};
    int distanceLow = 1000;
    int distanceHigh = 5000;

    bool isSelected(KenshoList list, int item) const;
    void select(KenshoList list, int item, bool on);
};

// One record of the backtest file, its fields as stored (Shift-JIS for the race name).
struct BacktestRecord {
    std::string year, month, day, track, meeting, dayOfMeeting, race;
    std::string raceName; // three full-width characters, Shift-JIS
    std::string grade, symbol, raceType, weightType, condition, distance, course, runners;
    std::string turfGoing, dirtGoing;
    std::array<long long, kBakenTypes> count{}, stake{}, payout{}; // fields that do not parse count as 0
    int oddsBefore = 0; // minutes before the post of a run at bet-time odds; 0 at the final odds

    // The integer of a field; 0 when it does not parse.
    static long long number(std::string_view field);
};
// The fields of a 376-byte record, or of a 378-byte one of a run at bet-time odds (a shorter record is read
// as far as it goes, the rest blank).
BacktestRecord ParseBacktestRecord(std::string_view record);

// Whether the record passes every list filter and the distance edits.
bool KenshoListed(const BacktestRecord& record, const KenshoFilter& filter);

struct KenshoTotals {
    std::array<long long, kBakenTypes> played{}, hit{}, stake{}, payout{};
    // Adds a listed record: per type with a count above 0.
    void add(const BacktestRecord& record);
};

// The 40 headings of the result grid, and the summary grid's row and column headings.
const std::vector<std::string>& KenshoHeadings();
inline constexpr int kKenshoColumns = 40;
// Columns of the result grid: the day (left-aligned), the race name (last of the tool-tip group), "TR",
// and the first of the three columns ("点" "投票額" "回収額") of bet type k at kKenshoTypeColumns + 3 k.
inline constexpr int kKenshoDayColumn = 2;
inline constexpr int kKenshoNameColumn = 7;
inline constexpr int kKenshoTrColumn = 13;
inline constexpr int kKenshoTypeColumns = 16;
// The summary grid: headings "" "単勝" … "3連単"; its rows "データ数" "的中率" "回収率" in column 0.
const std::vector<std::string>& KenshoSummaryHeadings();
const std::vector<std::string>& KenshoSummaryRowHeadings();

// One listed race of the result grid: its cells (UTF-8) and the date key yyyymmdd for the chart.
struct KenshoRow {
    std::vector<std::string> cells; // kKenshoColumns
    std::string dateKey;
    BacktestRecord record;
};
KenshoRow KenshoRowOf(const BacktestRecord& record);

// The run a shown run is compared with, cut to the races both list.
struct KenshoCompared {
    std::string oddsLabel;
    std::vector<KenshoRow> rows; // the same races as the shown run's rows, in the same order
    KenshoTotals totals;
    std::string runSummary;
    long long onlyShown = 0;    // listed races of the shown run that the compared run lacks
    long long onlyCompared = 0; // and the other way round
};

struct KenshoResult {
    bool fileFound = false;      // false: the window keeps both grids as they were
    std::vector<KenshoRow> rows; // in the order listed: the last record of the file first
    KenshoTotals totals;
    TextGrid grid; // result grid: the 40 headings, one data row per listed race (one empty row when none),
                   // styles and alignment set
    TextGrid summary; // summary grid: headings "" "単勝" … "3連単", rows "データ数" "的中率" "回収率", styles set
    std::string error; // the file exists but could not be read (for a person); empty otherwise. With an
                       // error nothing else is filled: the window keeps its grids and shows the message.
    // The summary of the run that wrote the file (BacktestSummary: what it wrote and what it left out),
    // when its summary file is there and belongs to it; empty otherwise.
    std::string runSummary;
    std::string oddsLabel;                  // the odds the run played at (OddsLabel), read off the file's first record
    std::optional<KenshoCompared> compared; // set by CompareBacktestRuns
};

// "検証": reads the backtest file, filters and totals it. A missing file gives fileFound false.
KenshoResult ReadDataBtnClick(const std::filesystem::path& file, const KenshoFilter& filter);

// "検証" with "前回の実行と比較": both files read with the same filters and cut to the races both list.
// The result is the shown file's over those races (rows, totals, result grid), with `compared` set and the
// summary grid of KenshoComparisonSummary. A missing compared file is the error kNoComparedRun.
KenshoResult CompareBacktestRuns(const std::filesystem::path& file, const std::filesystem::path& comparedFile,
                                 const KenshoFilter& filter);
inline constexpr std::string_view kNoComparedRun =
    "比較する前回の検証データがありません。バックテストをもう一度実行すると、今の検証データが比較用に残ります。";

// One line on a comparison for the window and the CLI: the two runs' odds, the races they share and the
// races left out because only one run lists them.
std::string KenshoComparisonText(const KenshoResult& result);

// The odds a backtest run played at: "確定ｵｯｽﾞ", or "発走N分前" for a run at bet-time odds.
std::string OddsLabel(int oddsBefore);

// The summary grid of the totals: "データ数" "%4d", "的中率" and "回収率" "%7.1f"; a type without played
// races stays empty; a type played with a stake sum of 0 shows "－" as its recovery rate.
TextGrid KenshoSummary(const KenshoTotals& totals);

// The summary grid of two runs: the shown run's three rows, then "比較のデータ数" "比較の的中率"
// "比較の回収率" of the compared run, then "回収率の差" (shown − compared, of the rates as shown, "%+7.1f";
// empty where either has no rate).
TextGrid KenshoComparisonSummary(const KenshoTotals& shown, const KenshoTotals& compared);
inline constexpr int kKenshoComparisonRows = 7;

// The cumulative recovery rate (payout sum / stake sum x 100) of each bet type after each listed race,
// taken in date order (oldest first: by date key, track and race number; ties keep the listed order).
// Entry i of a curve is the rate after the i-th race in that order; NaN while the type's stake sum is
// still 0. Only races with a count above 0 add to a type, as in the totals.
std::array<std::vector<double>, kBakenTypes> CumulativeRecovery(const std::vector<KenshoRow>& rows);

// The result grid as CSV: UTF-8 with a byte-order mark, CR LF lines, fields quoted where needed
// (comma, quote, CR or LF; quotes doubled). Number cells lose their padding blanks ("   12" → "12",
// a blank zero → empty) so that spreadsheets read them as numbers; other cells stay as shown.
std::string KenshoCsv(const TextGrid& grid);

// Colours of the result and summary grids.
inline constexpr std::uint32_t kKenshoHeadingColor = 0xC0C0C0; // grey
inline constexpr std::uint32_t kKenshoInfoColor = 0xFFFFE1;    // tool-tip background
inline constexpr std::uint32_t kKenshoTurfColor = 0x00FF00;    // "芝"
inline constexpr std::uint32_t kKenshoDirtColor = 0xF0E68C;    // "ダ", sand
inline constexpr std::uint32_t kKenshoWhite = 0xFFFFFF;

} // namespace solvane
