// Odds taken from the time-series viewer's snapshots: when our own automatic fetch was missed, each
// race of the loaded day gets the snapshot announced nearest its automatic fetch time, stored in the
// day's odds files as if it had been fetched then.
//
// The viewer keeps, per race and odds kind, one file of JV-Data odds records, one snapshot a line:
// folder / yyyymmdd / (venue, meeting, day of meeting, race: 8 characters) + ".jvO1" .. ".jvO6".
#pragma once

#include "raceday/RaceDay.h"

#include <array>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace solvane {

class StoreFiles;

inline constexpr std::string_view kTimeSeriesFolderNotSet = "時系列ｵｯｽﾞﾌｫﾙﾀﾞ指定をしてください。";
inline constexpr std::string_view kTimeSeriesNoDay = "ｵｯｽﾞを読み込みたい当日の開催日ﾃﾞｰﾀを読み込んでください。";
inline constexpr std::string_view kTimeSeriesFolderCaption = "時系列ｵｯｽﾞﾃﾞｰﾀﾌｫﾙﾀﾞの指定";
// "1日分の全オッズを一括取得" without a loaded day.
inline constexpr std::string_view kAllOddsNoDay = "開催日ﾃﾞｰﾀを読み込んでください。";

// [Dir] jikeiretu counts as set only when it names a folder other than the application folder, which
// is its default (trailing separators and surrounding blanks do not count).
bool TimeSeriesFolderSet(std::string_view folderSetting, std::string_view appFolderText);

// The target of a race: hours and minutes of its AutoOzTime ("hhmmss") as minutes of the day; nothing
// when those four characters are not digits.
std::optional<int> TimeSeriesTarget(std::string_view autoOzTime);

// The snapshot to take among lines (stored lines, no CR LF): only lines announced on the race day
// (positions 16-19 equal 28-31) with a readable hour and minute (32-33, 34-35) count; the one nearest
// targetMinutes wins, the earlier line on a tie, and none lies 1000 minutes or more away. Index into
// lines.
std::optional<std::size_t> NearestSnapshot(const std::vector<std::string>& lines, int targetMinutes);

// The snapshot a bettor saw at limitMinutes (minutes of the race day): among the same lines as
// NearestSnapshot counts, the one announced last at or before limitMinutes; of several announced in that
// minute, the last in the file (the newest). None when every snapshot came later. Index into lines.
std::optional<std::size_t> SnapshotBefore(const std::vector<std::string>& lines, int limitMinutes);

// The snapshot file of a race for odds kind 1..6, found ignoring case; empty when it is not there.
std::filesystem::path SnapshotFile(const std::filesystem::path& seriesFolder, std::string_view ra, int kind);

// The in-place store step: every line with the race key (positions 12-27) of line is replaced by it,
// or line is appended when none was; nothing is re-sorted.
void ReplaceOrAppend(std::vector<std::string>& lines, const std::string& line);

struct TimeSeriesResult {
    int o1 = 0, o2 = 0; // races whose win/place/bracket and quinella odds were taken
    int stored = 0;     // snapshots stored, all kinds
    std::string error;  // a read or write error ended the import (UTF-8)
};

// The whole records of odds kind 1..6 of the race with raceKey (positions 12-27) among the lines of a
// snapshot file: a cut line or another race's record never counts as a snapshot.
std::vector<std::string> SnapshotLines(std::string_view fileBytes, int kind, std::string_view raceKey);

// What TakeBetTimeOdds did with a race.
struct BetTimeOdds {
    std::array<bool, 6> taken{}; // odds kinds O1..O6 replaced by a snapshot
    std::string error;           // a snapshot file that could not be read (UTF-8)
};

// A backtest at bet time: the slot's odds records O1..O6 replaced by the snapshots announced last at or
// before its post time (RA 874-877, "hhmm") less minutesBefore, and its odds and popularity decoded
// again from them. The snapshots of a race are those of its files in all the folders (the viewer's and
// our own). A kind without such a snapshot (no file, none early enough, no readable post time) keeps the
// record it had and is not taken. Only the loaded model changes; no file is written.
BetTimeOdds TakeBetTimeOdds(RaceDay& day, int slot, const std::vector<std::filesystem::path>& seriesFolders,
                            int minutesBefore);

// Our own fetches keep every odds record they store as a snapshot too, in the viewer's form, in this
// folder of the application folder: whoever runs the program on race days builds the history that
// bet-time backtests read, with or without the viewer.
inline constexpr std::string_view kOwnSnapshotFolderName = "TimeSeries";
std::filesystem::path OwnSnapshotFolder(const std::filesystem::path& appFolder);

// Keeps an odds record (O1..O6) as a snapshot of its race in folder: added to the race's file of its kind
// (created with its day's folder when missing), replacing a snapshot announced at the same minute, the
// lines in the order of their announcement. A record not announced on its race day (the eve's odds, the
// final and confirmed ones) or without a race key of digits is passed over. The caller holds the
// application folder's writer lock and commits files. False with the reason when the file cannot be read.
bool KeepSnapshot(StoreFiles& files, const std::filesystem::path& folder, std::string_view rec, std::string* error);

// T1Click's work for every race slot of day and odds kinds O1..O6: the nearest snapshot of each
// stored into the day's odds file in dataFolder, under the application folder's writer lock (the Data
// folder's parent), each file written once. The caller shows the counts and reloads the day.
TimeSeriesResult ImportTimeSeriesOdds(const RaceDay& day, const std::filesystem::path& seriesFolder,
                                      const std::filesystem::path& dataFolder);

// The counts for a person: O1 count + "ﾚｰｽ分の単複枠ｵｯｽﾞ" + line break + O2 count + "ﾚｰｽ分の馬連ｵｯｽﾞ" +
// "を取りこみました。"
std::string TimeSeriesMessage(const TimeSeriesResult& result);

} // namespace solvane
