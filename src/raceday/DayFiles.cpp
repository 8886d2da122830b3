#include "raceday/DayFiles.h"

#include "util/Files.h"
#include "util/Text.h"

#include <algorithm>
#include <fstream>
#include <memory>
#include <mutex>
#include <system_error>
#include <unordered_map>

namespace solvane {

void ReadNotes::add(const ReadNotes& other)
{
    skipped.insert(skipped.end(), other.skipped.begin(), other.skipped.end());
    if (error.empty())
        error = other.error;
}

std::string DayKeyOf(const DateTime& date)
{
    return strprintf("%04d年%02d月%02d日", date.year, date.month, date.day);
}

bool IsDayKey(std::string_view text)
{
    // yyyy 年 mm 月 dd 日: four digits, then two digits twice, each followed by its three-byte kanji.
    if (text.size() != 17 || text.substr(4, 3) != "年" || text.substr(9, 3) != "月" || text.substr(14, 3) != "日")
        return false;
    const std::string_view digits[] = {text.substr(0, 4), text.substr(7, 2), text.substr(12, 2)};
    for (std::string_view d : digits) {
        for (char c : d) {
            if (c < '0' || c > '9')
                return false;
        }
    }
    return isValidDate(static_cast<int>(toIntDef(digits[0], 0)), static_cast<int>(toIntDef(digits[1], 0)),
                       static_cast<int>(toIntDef(digits[2], 0)));
}

namespace {

// The lower-cased listing of a folder, kept for the process while the folder's modification time
// stays the same (adding, removing or renaming an entry changes it). A store folder holds over a
// thousand files a season, and every day load that misses a file (a day without mining data) would
// otherwise list it again: a backtest loads hundreds of days in a row.
using Listing = std::unordered_map<std::string, std::filesystem::path>;

std::shared_ptr<const Listing> listFolder(const std::filesystem::path& dir)
{
    struct Cached {
        std::filesystem::file_time_type stamp;
        std::shared_ptr<const Listing> listing;
    };
    static std::mutex mutex;
    static std::unordered_map<std::string, Cached> cache;

    std::error_code ec;
    const auto stamp = std::filesystem::last_write_time(dir, ec);
    const std::string key = pathToUtf8(dir);
    if (!ec) {
        const std::lock_guard lock(mutex);
        if (const auto it = cache.find(key); it != cache.end() && it->second.stamp == stamp)
            return it->second.listing;
    }
    auto listing = std::make_shared<Listing>();
    std::error_code listError;
    for (std::filesystem::directory_iterator it(dir, listError), end; !listError && it != end; it.increment(listError))
        listing->emplace(asciiLower(pathToUtf8(it->path().filename())), it->path());
    if (!ec && !listError) {
        // A folder changed while it was listed gets another stamp: the next look lists it again.
        std::error_code after;
        if (std::filesystem::last_write_time(dir, after) == stamp && !after) {
            const std::lock_guard lock(mutex);
            cache[key] = Cached{stamp, listing};
        }
    }
    return listing;
}

} // namespace

std::filesystem::path FolderIndex::find(std::string_view name)
{
    // No folder (no day loaded yet) must not turn into the working directory.
    if (dir_.empty())
        return {};
    std::error_code ec;
    std::filesystem::path exact = dir_ / pathFromUtf8(name);
    if (std::filesystem::exists(exact, ec))
        return exact;
    if (!listing_)
        listing_ = listFolder(dir_);
    auto it = listing_->find(asciiLower(name));
    if (it == listing_->end())
        return {};
    // The listing may be older than the file system: the entry must still be there.
    if (!std::filesystem::exists(it->second, ec))
        return {};
    return it->second;
}

FileRead ReadDayFile(const std::filesystem::path& path, std::string& bytes, ReadNotes* notes)
{
    bytes.clear();
    std::error_code ec;
    if (path.empty() || !std::filesystem::is_regular_file(path, ec))
        return FileRead::Missing;
    std::optional<std::string> content = readFile(path);
    if (!content) {
        if (notes && notes->error.empty())
            notes->error = pathToUtf8(path.filename()) + " を読み込めませんでした。";
        return FileRead::Failed;
    }
    bytes = std::move(*content);
    return FileRead::Read;
}

FileRead StreamLines(const std::filesystem::path& path, ReadNotes* notes,
                     const std::function<bool(std::string_view)>& f)
{
    std::error_code ec;
    if (path.empty() || !std::filesystem::is_regular_file(path, ec))
        return FileRead::Missing;
    std::ifstream in(path, std::ios::binary);
    auto fail = [&] {
        if (notes && notes->error.empty())
            notes->error = pathToUtf8(path.filename()) + " を読み込めませんでした。";
        return FileRead::Failed;
    };
    if (!in)
        return fail();
    char chunk[65536];
    std::string pending; // the start of a line that runs past the chunk
    auto deliver = [&](std::string_view line) {
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        return f(line);
    };
    while (true) {
        in.read(chunk, sizeof chunk);
        const auto got = static_cast<std::size_t>(in.gcount());
        if (got == 0)
            break;
        std::string_view rest(chunk, got);
        while (!rest.empty()) {
            const std::size_t nl = rest.find('\n');
            if (nl == std::string_view::npos) {
                pending.append(rest);
                break;
            }
            bool more;
            if (pending.empty()) {
                more = deliver(rest.substr(0, nl));
            } else {
                pending.append(rest.substr(0, nl));
                more = deliver(pending);
                pending.clear();
            }
            if (!more)
                return FileRead::Read;
            rest.remove_prefix(nl + 1);
        }
        if (in.eof())
            break;
    }
    if (in.bad())
        return fail();
    if (!pending.empty())
        deliver(pending);
    return FileRead::Read;
}

FileRead StreamRecords(const std::filesystem::path& path, std::size_t recordLength, std::size_t maxRecords,
                       std::string_view fileName, ReadNotes* notes, const std::function<bool(std::string_view)>& f)
{
    RecordLineFilter keep(recordLength, maxRecords, fileName, notes);
    return StreamLines(path, notes, [&](std::string_view line) { return keep(line, f); });
}

void NoteSkippedLine(ReadNotes* notes, std::string_view fileName, std::size_t lineNo, std::size_t length,
                     std::size_t expected)
{
    if (!notes)
        return;
    std::string text = strprintf("%.*s: %zu行目は%zuバイトで、%zuバイトのレコードではないため読み飛ばしました。",
                                 static_cast<int>(fileName.size()), fileName.data(), lineNo, length, expected);
    // A file read twice in one load (the payout reader refreshes the race records) is noted once.
    if (std::find(notes->skipped.begin(), notes->skipped.end(), text) == notes->skipped.end())
        notes->skipped.push_back(std::move(text));
}

void AssignRecord(std::string& rec, std::string_view line)
{
    rec.assign(line);
    rec.append("\r\n");
}

int FieldInt(std::string_view rec, std::size_t pos, std::size_t len, int fallback)
{
    return static_cast<int>(toIntDef(field(rec, pos, len), fallback));
}

} // namespace solvane
