#include "app/AppLogs.h"

#include "app/AppFolder.h"
#include "util/Files.h"
#include "util/FolderLock.h"
#include "util/ShiftJis.h"
#include "util/Text.h"

#include <chrono>

namespace solvane {

std::filesystem::path ErrorLogPath(const std::filesystem::path& appFolder)
{
    return findChildIgnoreCase(appFolder, kErrorLogName);
}

std::string ErrorLogLine(const DateTime& now, std::string_view message)
{
    return "【エラー】" + now.hh_nn_ss() + "：" + std::string(message);
}

// The lines of a log; an absent file is an empty log. A file that exists but cannot be read gives
// nothing, so that it is not replaced by a log that lost its history.
static std::optional<std::vector<std::string>> loadLines(const std::filesystem::path& path, std::string* error)
{
    std::error_code ec;
    if (!std::filesystem::exists(path, ec))
        return std::vector<std::string>{};
    if (auto bytes = readFile(path))
        return splitLines(*bytes);
    if (error)
        *error = "ログファイルを読み込めません：" + pathToUtf8(path);
    return std::nullopt;
}

// Adds lines to the log at path, to the file as it is at that moment, under the lock of the log's folder:
// the window program and solvane-cli both log, and a log rewritten from what one of them read earlier
// would lose the other's lines. With keep, the file is first cut to its last keep lines. The file's lines
// as written come back in written.
static bool addLines(const std::filesystem::path& path, const std::vector<std::string>& add, std::string* error,
                     std::size_t keep = 0, std::vector<std::string>* written = nullptr)
{
    LockWait wait;
    wait.limit = std::chrono::milliseconds(10000); // held for one small rewrite at a time
    const FolderLock lock = FolderLock::acquire(path.parent_path() / std::string(kLogLockName), wait);
    if (!lock) {
        if (error)
            *error = "ログファイルに書き込めません：" + lock.error();
        return false;
    }
    auto lines = loadLines(path, error);
    if (!lines)
        return false;
    if (keep > 0 && lines->size() > keep)
        lines->erase(lines->begin(), lines->end() - static_cast<long>(keep));
    lines->insert(lines->end(), add.begin(), add.end());
    std::string why;
    if (!writeFileAtomic(path, joinLinesCrlf(*lines), &why)) {
        if (error)
            *error = "ログファイルに書き込めません：" + why;
        return false;
    }
    if (written)
        *written = std::move(*lines);
    return true;
}

bool AppendErrorLog(const std::filesystem::path& appFolder, const Clock& clock, std::string_view message,
                    std::string* error)
{
    return addLines(ErrorLogPath(appFolder), {toSjis(ErrorLogLine(clock.now(), message))}, error);
}

bool WriteErrorLogStartLines(const std::filesystem::path& appFolder, const DateTime& now, std::string* error)
{
    return addLines(ErrorLogPath(appFolder), {toSjis("ソフト起動：" + now.ymdHms()), toSjis(FolderText(appFolder))},
                    error, kErrorLogKeptLines);
}

std::filesystem::path DailyLog::PathFor(const std::filesystem::path& logFolder, const DateTime& day)
{
    return findChildIgnoreCase(logFolder, day.yyyymmdd() + ".log");
}

bool DailyLog::open(const std::filesystem::path& logFolder, const DateTime& now)
{
    path_ = PathFor(logFolder, now);
    lastError_.clear();
    lines_.clear();
    pending_ = {std::string(kRule), toSjis("■利用開始 " + now.ymdHms())};
    open_ = save();
    return open_;
}

bool DailyLog::append(std::string_view line)
{
    if (!open_)
        return false;
    pending_.push_back(toSjis(line));
    return save();
}

bool DailyLog::close(const DateTime& now)
{
    if (!open_)
        return false;
    pending_.insert(pending_.end(), {"-----", toSjis("■利用終了 " + now.ymdHms()), std::string(kRule), ""});
    open_ = false;
    return save();
}

bool DailyLog::save()
{
    lastError_.clear();
    // Lines that could not be written stay pending and go with the next save.
    if (!addLines(path_, pending_, &lastError_, 0, &lines_))
        return false;
    pending_.clear();
    return true;
}

} // namespace solvane
