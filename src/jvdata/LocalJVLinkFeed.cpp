#include "jvdata/LocalJVLinkFeed.h"

#include "util/Files.h"
#include "util/Text.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <tuple>

namespace solvane {
namespace {

namespace fs = std::filesystem;

bool allDigits(std::string_view s)
{
    return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

int number(std::string_view digits)
{
    return static_cast<int>(toIntDef(digits, -1));
}

bool isRegularFile(const fs::path& path)
{
    std::error_code ec;
    return fs::is_regular_file(path, ec);
}

// The entries of dir, or none when it cannot be listed; never throws.
std::vector<fs::path> listFolder(const fs::path& dir)
{
    std::vector<fs::path> entries;
    std::error_code ec;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec))
        entries.push_back(it->path());
    return entries;
}

// The real-time dataspecs JV-Link knows, with the key forms each takes.
struct RealTimeSpec {
    std::string_view dataspec;
    bool perDay;  // YYYYMMDD
    bool perRace; // YYYYMMDDJJKKHHRR or YYYYMMDDJJRR
};

constexpr std::array kRealTimeSpecs = {
    RealTimeSpec{"0B11", true, true},  RealTimeSpec{"0B12", true, true},  RealTimeSpec{"0B13", true, true},
    RealTimeSpec{"0B14", true, false}, RealTimeSpec{"0B15", true, true},  RealTimeSpec{"0B17", true, true},
    RealTimeSpec{"0B20", false, true}, RealTimeSpec{"0B30", false, true}, RealTimeSpec{"0B31", false, true},
    RealTimeSpec{"0B32", false, true}, RealTimeSpec{"0B33", false, true}, RealTimeSpec{"0B34", false, true},
    RealTimeSpec{"0B35", false, true}, RealTimeSpec{"0B36", false, true}, RealTimeSpec{"0B41", false, true},
    RealTimeSpec{"0B42", false, true}, RealTimeSpec{"0B51", true, false},
};

constexpr std::array<std::string_view, 16> kStoredDataIds = {
    "RACE", "DIFF", "DIFN", "BLOD", "BLDN", "SNAP", "SNPN", "SLOP",
    "WOOD", "YSCH", "HOSE", "HOSN", "HOYU", "COMM", "MING", "TOKU",
};

// "hhmmss" of a snapshot file name "hhmmss.txt", or empty.
std::string snapshotTime(const std::string& name)
{
    if (name.size() != 10 || !equalsIgnoreCase(std::string_view(name).substr(6), ".txt"))
        return {};
    const std::string_view t = std::string_view(name).substr(0, 6);
    if (!allDigits(t) || number(t.substr(0, 2)) > 23 || number(t.substr(2, 2)) > 59 || number(t.substr(4, 2)) > 59)
        return {};
    return std::string(t);
}

} // namespace

bool isStoredDataId(std::string_view id)
{
    return std::find(kStoredDataIds.begin(), kStoredDataIds.end(), id) != kStoredDataIds.end();
}

std::string feedFileTimestamp(std::string_view fileName)
{
    if (fileName.size() < 16 || fileName[14] != '_' || !allDigits(fileName.substr(0, 14)))
        return {};
    return std::string(fileName.substr(0, 14));
}

std::vector<FeedFile> listFeedFiles(const fs::path& feed, const std::vector<std::string>& ids,
                                    std::string_view fromtime)
{
    struct Entry {
        FeedFile file;
        std::size_t idIndex;
    };
    std::vector<Entry> entries;
    for (std::size_t i = 0; i < ids.size(); ++i) {
        for (const fs::path& path : listFolder(findChildIgnoreCase(feed, ids[i]))) {
            std::string name = pathToUtf8(path.filename());
            std::string timestamp = feedFileTimestamp(name);
            if (timestamp.empty() || timestamp <= fromtime || !isRegularFile(path))
                continue;
            entries.push_back(Entry{FeedFile{path, std::move(name), std::move(timestamp), false}, i});
        }
    }
    std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
        return std::tie(a.file.timestamp, a.file.name, a.idIndex) < std::tie(b.file.timestamp, b.file.name, b.idIndex);
    });
    std::vector<FeedFile> files;
    files.reserve(entries.size());
    for (Entry& e : entries)
        files.push_back(std::move(e.file));
    return files;
}

std::set<std::string> readDownloadedList(const fs::path& feed)
{
    std::set<std::string> names;
    if (const std::optional<std::string> text = readFile(feed / ".downloaded")) {
        for (const std::string& line : splitLines(*text)) {
            const std::string_view name = trim(line);
            if (!name.empty())
                names.emplace(name);
        }
    }
    return names;
}

bool addToDownloadedList(const fs::path& feed, const std::set<std::string>& names)
{
    std::set<std::string> all = readDownloadedList(feed);
    const std::size_t before = all.size();
    all.insert(names.begin(), names.end());
    if (all.size() == before && isRegularFile(feed / ".downloaded"))
        return true;
    return writeFileAtomic(feed / ".downloaded", joinLinesCrlf(std::vector<std::string>(all.begin(), all.end())));
}

int checkRealTimeRequest(std::string_view dataspec, std::string_view key)
{
    const auto spec = std::find_if(kRealTimeSpecs.begin(), kRealTimeSpecs.end(),
                                   [&](const RealTimeSpec& s) { return s.dataspec == dataspec; });
    if (spec == kRealTimeSpecs.end())
        return -111;
    const bool lengthFits =
        (spec->perDay && key.size() == 8) || (spec->perRace && (key.size() == 16 || key.size() == 12));
    if (!lengthFits || !allDigits(key) ||
        !isValidDate(number(key.substr(0, 4)), number(key.substr(4, 2)), number(key.substr(6, 2))))
        return -114;
    return 0;
}

std::optional<fs::path> findSnapshot(const fs::path& feed, std::string_view dataspec, std::string_view key,
                                     const DateTime& now)
{
    const fs::path specDir = findChildIgnoreCase(findChildIgnoreCase(feed, "RT"), dataspec);
    // Snapshots of a key's folder were announced on the key's date: a past day has them all,
    // today those up to now, a later day none yet.
    const std::string date(key.substr(0, 8));
    const std::string today = now.yyyymmdd();
    std::optional<std::string> latest;
    if (date < today)
        latest = "235959";
    else if (date == today)
        latest = now.hhnnss();

    std::optional<fs::path> best;
    std::string bestTime;
    if (latest) {
        for (const fs::path& path : listFolder(specDir / std::string(key))) {
            const std::string time = snapshotTime(pathToUtf8(path.filename()));
            if (time.empty() || time > *latest || (best && time <= bestTime) || !isRegularFile(path))
                continue;
            best = path;
            bestTime = time;
        }
    }
    if (best)
        return best;
    const fs::path whole = findChildIgnoreCase(specDir, std::string(key) + ".txt");
    if (isRegularFile(whole))
        return whole;
    return std::nullopt;
}

bool RecordReader::open(const fs::path& path)
{
    close();
    file_ = openForReading(path);
    if (!file_)
        return false;
    // A folder opens on some systems; reading it fails at once, which next() reports.
    buffer_.resize(64 * 1024);
    return true;
}

void RecordReader::close()
{
    if (file_)
        std::fclose(file_);
    file_ = nullptr;
    pos_ = end_ = 0;
    failed_ = false;
}

bool RecordReader::refill()
{
    if (!file_ || failed_)
        return false;
    pos_ = 0;
    end_ = std::fread(buffer_.data(), 1, buffer_.size(), file_);
    if (end_ == 0) {
        failed_ = std::ferror(file_) != 0;
        return false;
    }
    return true;
}

RecordReader::Next RecordReader::next(std::string& record, std::size_t limit)
{
    for (;;) {
        record.clear();
        std::size_t length = 0; // bytes of the line before its LF
        char last = 0;
        bool sawLf = false;
        while (!sawLf) {
            if (pos_ == end_ && !refill())
                break;
            const char* start = buffer_.data() + pos_;
            const void* lf = std::memchr(start, '\n', end_ - pos_);
            const std::size_t n = lf ? static_cast<std::size_t>(static_cast<const char*>(lf) - start) : end_ - pos_;
            if (n > 0) {
                // Keep one byte more than the limit at most: enough to know that a line is too long.
                const std::size_t room = record.size() <= limit ? limit + 1 - record.size() : 0;
                record.append(start, std::min(n, room));
                last = start[n - 1];
                length += n;
            }
            pos_ += n;
            if (lf) {
                ++pos_;
                sawLf = true;
            }
        }
        if (failed_)
            return Next::Error;
        if (!sawLf && length == 0)
            return Next::End;
        const std::size_t content = length > 0 && last == '\r' ? length - 1 : length;
        if (content == 0)
            continue;
        if (content + 2 > limit) {
            record.clear();
            return Next::TooLong;
        }
        record.resize(content);
        record += "\r\n";
        return Next::Record;
    }
}

} // namespace solvane
