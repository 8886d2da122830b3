// The two text logs of the program: "ErrorLog.txt" in the application folder, where unattended
// fetches record their failures, and the daily operation log in the Log folder, one file per day,
// holding a block per run. Both are Shift-JIS with CR LF and rewritten whole on each change, from the file
// as it is then and under the lock file kLogLockName of the log's folder, so that the window program and
// solvane-cli logging at the same time keep each other's lines.
#pragma once

#include "util/Clock.h"

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace solvane {

inline constexpr std::string_view kErrorLogName = "ErrorLog.txt";
inline constexpr std::size_t kErrorLogKeptLines = 300;
inline constexpr std::string_view kLogLockName = "solvane-log.lock";

std::filesystem::path ErrorLogPath(const std::filesystem::path& appFolder);

// The error-log line for a failure: "【エラー】" + "hh:nn:ss" + "：" + message (UTF-8).
std::string ErrorLogLine(const DateTime& now, std::string_view message);

// Adds one failure line to "ErrorLog.txt". False (and *error) when the file cannot be written.
bool AppendErrorLog(const std::filesystem::path& appFolder, const Clock& clock, std::string_view message,
                    std::string* error = nullptr);

// Start-up entry: cuts the log to its last 300 lines, then adds "ソフト起動：" + "yyyy/mm/dd hh:nn:ss" and
// the application folder on a line of its own. Creates the file on the first run.
bool WriteErrorLogStartLines(const std::filesystem::path& appFolder, const DateTime& now, std::string* error = nullptr);

// The day's operation log. Each change adds this run's new lines to the file as it is then (another run
// may log to the same day); its file is that of the day the run started, even when the run goes past
// midnight.
class DailyLog {
public:
    static constexpr std::string_view kRule = "============================";

    // The log file of a day in the given Log folder: yyyymmdd + ".log".
    static std::filesystem::path PathFor(const std::filesystem::path& logFolder, const DateTime& day);

    // Loads the day's file when it exists and adds the opening block ("=" rule, "■利用開始 " + time).
    bool open(const std::filesystem::path& logFolder, const DateTime& now);
    // Adds one entry line (UTF-8) and saves.
    bool append(std::string_view line);
    // Adds the closing block ("-----", "■利用終了 " + time, "=" rule, an empty line) and saves.
    bool close(const DateTime& now);

    bool isOpen() const { return open_; }
    const std::filesystem::path& path() const { return path_; }
    // The file's lines as this run last wrote them (Shift-JIS).
    const std::vector<std::string>& lines() const { return lines_; }
    const std::string& lastError() const { return lastError_; }

private:
    bool save();

    std::filesystem::path path_;
    std::vector<std::string> lines_;
    std::vector<std::string> pending_; // added, not yet written
    bool open_ = false;
    std::string lastError_;
};

} // namespace solvane
