// The store as SQL: the stored race days of a period written into a SQLite database file for pandas,
// R, DuckDB or a spreadsheet. The store's record files stay the source of truth; the database is an
// export that can be rebuilt at any time. Core only: the window runs this on a worker thread, the
// command line directly.
//
// Each day is one transaction that first deletes the day's rows and then writes them again, so a day
// exported again replaces its rows, the rest of the file is kept, and a killed export leaves the file
// holding whole days only. The tables are described in docs/sql-export.md.
#pragma once

#include "raceday/DayLoader.h"

#include <atomic>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace solvane {

// The version of the tables written into the meta table; a file with a higher one is refused.
inline constexpr int kSqlSchemaVersion = 1;

struct SqliteExportOptions {
    std::filesystem::path file; // the database; created when missing
    std::string from;           // yyyymmdd, both ends included; empty: no limit
    std::string to;
    bool odds = false; // the final odds of every bet type too (tens of millions of rows a year)
    LoadOptions load;  // the day loads; appFolder names the store
};

struct SqliteExportCounts {
    int days = 0;
    long long races = 0;
    long long runners = 0;
    long long payouts = 0;
    long long odds = 0;
};

struct SqliteExportProgress {
    int daysDone = 0; // days written so far
    int daysTotal = 0;
    std::string dayKey; // the day just written ("2024年01月06日")
    SqliteExportCounts counts;
};
using SqliteExportProgressFn = std::function<void(const SqliteExportProgress&)>;

enum class SqliteExportOutcome { Written, NoData, Cancelled, Failed };

struct SqliteExportResult {
    SqliteExportOutcome outcome = SqliteExportOutcome::NoData;
    SqliteExportCounts counts;      // the rows of the days written (whole days only)
    std::string message;            // for a person: why nothing or not everything was written
    std::vector<std::string> notes; // lines the loader skipped, days that could not be read
};

// Writes the stored days of the period into options.file. The file is checked before anything is
// written: a folder, a place that cannot be written, a file that is not a SQLite database or one with
// tables of another program gives Failed with a message and leaves it as it was. A period without
// stored days gives NoData. progress is called after each day's commit; cancel is polled between races,
// and a cancelled day is rolled back (the days before it stay).
SqliteExportResult ExportToSqlite(const SqliteExportOptions& options, const SqliteExportProgressFn& progress = {},
                                  const std::atomic<bool>* cancel = nullptr);

// False in a build made without the SQLite library, where ExportToSqlite only says so.
bool SqliteExportAvailable();

// The texts of the outcomes, shared by the window and the command line.
inline constexpr std::string_view kSqliteNoDays = "期間に保存された開催日がありません。";
inline constexpr std::string_view kSqliteCancelled = "書き出しを中止しました。";

// "レース 3684件、出走馬 52210件、払戻 148301件、オッズ 0件を書き出しました。"
std::string SqliteExportSummary(const SqliteExportCounts& counts);

// "2024年01月06日" to "20240106": the digits of a day key, the prefix of every race key of the day.
std::string DayDigits(std::string_view dayKey);

// The stored days of the period (yyyymmdd, both ends included, empty: no limit), oldest first.
std::vector<std::string> ExportDays(const std::filesystem::path& appFolder, std::string_view from, std::string_view to);

} // namespace solvane
