#include "app/AppLogs.h"

#include "app/AppFolder.h"
#include "util/Files.h"
#include "util/ShiftJis.h"
#include "util/Text.h"

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

static bool saveLines(const std::filesystem::path& path, const std::vector<std::string>& lines, std::string* error)
{
    std::string why;
    if (writeFileAtomic(path, joinLinesCrlf(lines), &why))
        return true;
    if (error)
        *error = "ログファイルに書き込めません：" + why;
    return false;
}

bool AppendErrorLog(const std::filesystem::path& appFolder, const Clock& clock, std::string_view message,
                    std::string* error)
{
    const auto path = ErrorLogPath(appFolder);
    auto lines = loadLines(path, error);
    if (!lines)
        return false;
    lines->push_back(toSjis(ErrorLogLine(clock.now(), message)));
    return saveLines(path, *lines, error);
}

bool WriteErrorLogStartLines(const std::filesystem::path& appFolder, const DateTime& now, std::string* error)
{
    const auto path = ErrorLogPath(appFolder);
    auto lines = loadLines(path, error);
    if (!lines)
        return false;
    if (lines->size() > kErrorLogKeptLines)
        lines->erase(lines->begin(), lines->end() - static_cast<long>(kErrorLogKeptLines));
    lines->push_back(toSjis("ソフト起動：" + now.ymdHms()));
    lines->push_back(toSjis(FolderText(appFolder)));
    return saveLines(path, *lines, error);
}

std::filesystem::path DailyLog::PathFor(const std::filesystem::path& logFolder, const DateTime& day)
{
    return findChildIgnoreCase(logFolder, day.yyyymmdd() + ".log");
}

bool DailyLog::open(const std::filesystem::path& logFolder, const DateTime& now)
{
    path_ = PathFor(logFolder, now);
    lastError_.clear();
    auto lines = loadLines(path_, &lastError_);
    if (!lines)
        return false;
    lines_ = std::move(*lines);
    open_ = true;
    lines_.emplace_back(kRule);
    lines_.push_back(toSjis("■利用開始 " + now.ymdHms()));
    return save();
}

bool DailyLog::append(std::string_view line)
{
    if (!open_)
        return false;
    lines_.push_back(toSjis(line));
    return save();
}

bool DailyLog::close(const DateTime& now)
{
    if (!open_)
        return false;
    lines_.emplace_back("-----");
    lines_.push_back(toSjis("■利用終了 " + now.ymdHms()));
    lines_.emplace_back(kRule);
    lines_.emplace_back();
    open_ = false;
    return save();
}

bool DailyLog::save()
{
    lastError_.clear();
    return saveLines(path_, lines_, &lastError_);
}

} // namespace solvane
