#include "raceday/TimeSeries.h"

#include "jvdata/RecordFields.h"
#include "raceday/DayFiles.h"
#include "raceday/OddsReader.h"
#include "raceday/RaceRecords.h"
#include "store/Store.h"
#include "util/Files.h"
#include "util/FolderLock.h"
#include "util/Text.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>

namespace solvane {

namespace fs = std::filesystem;

namespace {

bool digits(std::string_view s)
{
    return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::string_view withoutTrailingSeparators(std::string_view s)
{
    s = trim(s);
    while (s.size() > 1 && (s.back() == '/' || s.back() == '\\'))
        s.remove_suffix(1);
    return s;
}

// Where a record's race lies in a time-series folder: the day folder (the date) and the stem of its files
// (venue, meeting, day and race number). Only digits name them; anything else could lead outside the folder.
struct SnapshotName {
    std::string_view date, race;
};
std::optional<SnapshotName> snapshotNameOf(std::string_view rec)
{
    const SnapshotName name{RaceDate(rec), RaceKeyInDay(rec)};
    if (name.date.size() != 8 || name.race.size() != 8 || !digits(name.date) || !digits(name.race))
        return std::nullopt;
    return name;
}

constexpr StoreKind kOddsKinds[6] = {StoreKind::O1, StoreKind::O2, StoreKind::O3,
                                     StoreKind::O4, StoreKind::O5, StoreKind::O6};

} // namespace

bool TimeSeriesFolderSet(std::string_view folderSetting, std::string_view appFolderText)
{
    const std::string_view folder = withoutTrailingSeparators(folderSetting);
    return !folder.empty() && folder != withoutTrailingSeparators(appFolderText);
}

std::optional<int> TimeSeriesTarget(std::string_view autoOzTime)
{
    const std::string_view hh = field(autoOzTime, 1, 2), mm = field(autoOzTime, 3, 2);
    if (hh.size() != 2 || mm.size() != 2 || !digits(hh) || !digits(mm))
        return std::nullopt;
    return static_cast<int>(toIntDef(hh, 0) * 60 + toIntDef(mm, 0));
}

namespace {

// The minute of the day a snapshot line was announced; nothing for a line announced on another day (the
// eve's early odds) or without a time to go by.
std::optional<int> announcedMinute(std::string_view line)
{
    const std::string_view day = field(line, 16, 4), announced = field(line, 28, 4);
    const std::string_view hh = field(line, 32, 2), mm = field(line, 34, 2);
    if (day.size() != 4 || day != announced || hh.size() != 2 || mm.size() != 2 || !digits(hh) || !digits(mm))
        return std::nullopt;
    return static_cast<int>(toIntDef(hh, 0) * 60 + toIntDef(mm, 0));
}

} // namespace

std::optional<std::size_t> NearestSnapshot(const std::vector<std::string>& lines, int targetMinutes)
{
    std::optional<std::size_t> best;
    int bestDistance = 1000;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const auto at = announcedMinute(lines[i]);
        if (!at)
            continue;
        const int distance = std::abs(targetMinutes - *at);
        if (distance < bestDistance) {
            best = i;
            bestDistance = distance;
        }
    }
    return best;
}

namespace {

// Of snapshots announced at minutes (in their order), the last announced at or before limit; of several
// announced in that minute, the later one, the newer.
template <class MinuteOf, class Range>
std::optional<std::size_t> latestAtOrBefore(const Range& snapshots, int limit, MinuteOf minuteOf)
{
    std::optional<std::size_t> best;
    int bestAt = -1;
    for (std::size_t i = 0; i < snapshots.size(); ++i) {
        const std::optional<int> at = minuteOf(snapshots[i]);
        if (at && *at <= limit && *at >= bestAt) {
            best = i;
            bestAt = *at;
        }
    }
    return best;
}

} // namespace

std::optional<std::size_t> SnapshotBefore(const std::vector<std::string>& lines, int limitMinutes)
{
    return latestAtOrBefore(lines, limitMinutes, [](const std::string& line) { return announcedMinute(line); });
}

std::vector<std::string> SnapshotLines(std::string_view fileBytes, int kind, std::string_view raceKey)
{
    std::vector<std::string> lines;
    if (kind < 1 || kind > 6)
        return lines;
    const StoreKindInfo& info = storeKindInfo(kOddsKinds[kind - 1]);
    for (std::string& line : splitLines(fileBytes)) {
        if (line.size() == static_cast<std::size_t>(info.recordLength) - 2 && RecordType(line) == info.type &&
            RaceKey(line) == raceKey)
            lines.push_back(std::move(line));
    }
    return lines;
}

namespace {

// One snapshot of a race: when it was announced, and its line or where it lies in its file.
struct SnapshotEntry {
    int minute = 0;
    std::size_t file = 0;     // index into the files read
    std::int64_t offset = -1; // of the record in its file; -1: line holds it
    std::string line;
};

// The snapshots of the race in one open snapshot file, added to entries in file order. Season-long
// backtests read every race's six files, and a trifecta snapshot is 83 KB: a large file of whole records
// of its kind (each its published length with CR LF) is read only by the heads of its records, and the
// record taken later in full with its CR LF; any other file is read whole and its whole records of the
// race taken (SnapshotLines). Each read is one call of the system. False when it cannot be read.
bool readSnapshotEntries(const FileReader& f, std::size_t fileIndex, int kind, std::string_view raceKey,
                         std::vector<SnapshotEntry>& entries)
{
    const StoreKindInfo& info = storeKindInfo(kOddsKinds[kind - 1]);
    const auto length = static_cast<std::int64_t>(info.recordLength);
    const std::int64_t size = f.size();
    constexpr std::int64_t kReadWhole = 64 * 1024;
    if (size > kReadWhole && size % length == 0) {
        // Each read takes the end of the record before (its CR LF) and the head of the next; the last
        // record's own CR LF is checked when it is taken.
        std::vector<SnapshotEntry> found;
        bool whole = true;
        char buf[38];
        for (std::int64_t at = 0; whole && at < size; at += length) {
            const std::int64_t from = at == 0 ? 0 : at - 2;
            const auto n = static_cast<std::size_t>(at - from) + 36;
            whole = f.readAt(from, buf, n) && (at == 0 || (buf[0] == '\r' && buf[1] == '\n'));
            const std::string_view head(buf + (at - from), 36);
            if (whole && RecordType(head) == info.type && RaceKey(head) == raceKey)
                if (const auto minute = announcedMinute(head))
                    found.push_back({*minute, fileIndex, at, {}});
        }
        if (whole) {
            entries.insert(entries.end(), found.begin(), found.end());
            return true;
        }
    }
    std::string bytes(static_cast<std::size_t>(std::max<std::int64_t>(size, 0)), '\0');
    if (size < 0 || !f.readAt(0, bytes.data(), bytes.size()))
        return false;
    for (std::string& line : SnapshotLines(bytes, kind, raceKey))
        if (const auto minute = announcedMinute(line))
            entries.push_back({*minute, fileIndex, -1, std::move(line)});
    return true;
}

// The day's folder of a race in a time-series folder: the name as the viewer writes it, or else the same
// name in another case; empty when there is none. Looked up once for the race's six files.
fs::path snapshotDayFolder(const fs::path& folder, std::string_view date)
{
    std::error_code ec;
    fs::path day = folder / std::string(date);
    if (fs::is_directory(day, ec))
        return day;
    day = findChildIgnoreCase(folder, date);
    return !day.empty() && fs::is_directory(day, ec) ? day : fs::path();
}

// The snapshot file of a race's odds kind in its day folder: the exact name in one open, or else the same
// name in another case.
std::unique_ptr<FileReader> openSnapshotFile(const fs::path& dayFolder, std::string_view race, int kind, fs::path& path)
{
    const std::string name = std::string(race) + ".jvO" + std::to_string(kind);
    path = dayFolder / name;
    auto f = std::make_unique<FileReader>(path);
    if (!*f) {
        path = findChildIgnoreCase(dayFolder, name);
        if (path.empty())
            return nullptr;
        f = std::make_unique<FileReader>(path);
    }
    return *f ? std::move(f) : nullptr;
}

} // namespace

BetTimeOdds TakeBetTimeOdds(RaceDay& day, int slot, const std::vector<fs::path>& seriesFolders, int minutesBefore)
{
    BetTimeOdds out;
    if (slot < 0 || slot >= kRaceSlots)
        return out;
    const std::string& ra = day.RaRecs[static_cast<std::size_t>(slot)];
    const std::string_view post = PostTime(ra);
    const std::optional<SnapshotName> name = snapshotNameOf(ra);
    if (post.size() != 4 || !digits(post) || !name)
        return out;
    const std::string_view date = name->date, race = name->race;
    const int limit =
        static_cast<int>(toIntDef(post.substr(0, 2), 0) * 60 + toIntDef(post.substr(2), 0)) - minutesBefore;
    const std::string_view raceKey = RaceKey(ra);
    std::vector<fs::path> dayFolders;
    for (const fs::path& folder : seriesFolders)
        if (fs::path dayFolder = snapshotDayFolder(folder, date); !dayFolder.empty())
            dayFolders.push_back(std::move(dayFolder));
    for (int k = 1; k <= 6; ++k) {
        std::vector<std::unique_ptr<FileReader>> files;
        std::vector<fs::path> paths;
        std::vector<SnapshotEntry> entries;
        for (const fs::path& dayFolder : dayFolders) {
            fs::path path;
            std::unique_ptr<FileReader> f = openSnapshotFile(dayFolder, race, k, path);
            if (!f)
                continue;
            if (!readSnapshotEntries(*f, files.size(), k, raceKey, entries)) {
                out.error = "時系列オッズを読めません：" + pathToUtf8(path);
                continue;
            }
            files.push_back(std::move(f));
            paths.push_back(std::move(path));
        }
        const auto chosen =
            latestAtOrBefore(entries, limit, [](const SnapshotEntry& e) { return std::optional<int>(e.minute); });
        if (!chosen)
            continue;
        SnapshotEntry& best = entries[*chosen];
        if (best.offset >= 0) {
            // The record with its CR LF: a record cut short at the end of its file is not taken.
            const auto length = static_cast<std::size_t>(storeKindInfo(kOddsKinds[k - 1]).recordLength);
            best.line.assign(length, '\0');
            if (!files[best.file]->readAt(best.offset, best.line.data(), length) || !best.line.ends_with("\r\n")) {
                out.error = "時系列オッズを読めません：" + pathToUtf8(paths[best.file]);
                continue;
            }
            best.line.resize(length - 2);
        }
        AssignRecord(day.OzRecs(k)[static_cast<std::size_t>(slot)], best.line);
        out.taken[static_cast<std::size_t>(k - 1)] = true;
    }
    if (std::any_of(out.taken.begin(), out.taken.end(), [](bool t) { return t; }))
        DecodeRaceOdds(day, slot, true); // the trio and trifecta blocks decoded only when read, as a load leaves them
    return out;
}

fs::path OwnSnapshotFolder(const fs::path& appFolder)
{
    return appFolder / std::string(kOwnSnapshotFolderName);
}

bool KeepSnapshot(StoreFiles& files, const fs::path& folder, std::string_view rec, std::string* error)
{
    const std::string line(StoredLine(rec));
    const std::string_view type = RecordType(line);
    const auto kind = storeKindOfType(type);
    const std::optional<SnapshotName> name = snapshotNameOf(line);
    if (!kind || *kind < StoreKind::O1 || *kind > StoreKind::O6 || !name || !announcedMinute(line))
        return true;
    const fs::path dayFolder = folder / std::string(name->date);
    std::error_code ec;
    fs::create_directories(dayFolder, ec);
    const fs::path path = dayFolder / (std::string(name->race) + ".jvO" + std::string(type.substr(1)));
    bool existed = false;
    std::vector<std::string>* lines = files.lines(path, existed, error);
    if (!lines)
        return false;
    // Announced "mmddhhmm" at 28-35: the same minute is the same announcement, fetched again.
    const std::string_view at = AnnouncedAt(line);
    const auto same =
        std::find_if(lines->begin(), lines->end(), [&](const std::string& l) { return AnnouncedAt(l) == at; });
    if (same != lines->end())
        *same = line;
    else
        lines->insert(std::upper_bound(
                          lines->begin(), lines->end(), line,
                          [](const std::string& a, const std::string& b) { return AnnouncedAt(a) < AnnouncedAt(b); }),
                      line);
    files.copied(path);
    return true;
}

fs::path SnapshotFile(const fs::path& seriesFolder, std::string_view ra, int kind)
{
    const std::optional<SnapshotName> name = snapshotNameOf(ra);
    if (kind < 1 || kind > 6 || !name)
        return {};
    const fs::path dayFolder = findChildIgnoreCase(seriesFolder, name->date);
    const fs::path file = findChildIgnoreCase(dayFolder, std::string(name->race) + ".jvO" + std::to_string(kind));
    std::error_code ec;
    return fs::is_regular_file(file, ec) ? file : fs::path();
}

void ReplaceOrAppend(std::vector<std::string>& lines, const std::string& line)
{
    const std::string_view key = RaceKey(line);
    bool replaced = false;
    for (std::string& existing : lines) {
        if (RaceKey(existing) == key) {
            existing = line;
            replaced = true;
        }
    }
    if (!replaced)
        lines.push_back(line);
}

TimeSeriesResult ImportTimeSeriesOdds(const RaceDay& day, const fs::path& seriesFolder, const fs::path& dataFolder)
{
    TimeSeriesResult result;
    // The odds files are read, changed and written back: one change of the store, whoever runs it.
    const FolderLock lock = LockForWriting(AppFolderOfStore(dataFolder));
    if (!lock) {
        result.error = lock.error();
        return result;
    }
    // Every race changes the same six files: they are kept in memory and written once, at the end, with
    // what was taken before an error.
    StoreFiles files;
    const auto done = [&] {
        const StoreFiles::Committed committed = files.commit();
        if (result.error.empty() && !committed.errors.empty())
            result.error = committed.errors.front();
        return result;
    };
    for (int s = 0; s < kRaceSlots; ++s) {
        const std::string& ra = day.RaRecs[static_cast<std::size_t>(s)];
        if (!IsListedRace(ra))
            continue;
        const auto target = TimeSeriesTarget(day.RaceRecs[static_cast<std::size_t>(s)].AutoOzTime);
        if (!target)
            continue;
        const std::string_view raceKey = RaceKey(ra);
        for (int k = 1; k <= 6; ++k) {
            const fs::path file = SnapshotFile(seriesFolder, ra, k);
            if (file.empty())
                continue;
            const auto bytes = readFile(file);
            if (!bytes) {
                result.error = "時系列オッズを読めません：" + pathToUtf8(file);
                return done();
            }
            // Only whole records of this kind and race may go into the day's file: a cut line or another
            // race's record would spoil what the odds reader finds there.
            const std::vector<std::string> lines = SnapshotLines(*bytes, k, raceKey);
            const auto best = NearestSnapshot(lines, *target);
            if (!best)
                continue;
            const fs::path oddsFile = StoreFilePath(dataFolder, kOddsKinds[k - 1], lines[*best]);
            bool existed = false;
            std::vector<std::string>* stored = files.lines(oddsFile, existed, &result.error);
            if (!stored)
                return done();
            ReplaceOrAppend(*stored, lines[*best]);
            files.changed(oddsFile);
            ++result.stored;
            result.o1 += k == 1;
            result.o2 += k == 2;
        }
    }
    return done();
}

std::string TimeSeriesMessage(const TimeSeriesResult& result)
{
    return std::to_string(result.o1) + "ﾚｰｽ分の単複枠ｵｯｽﾞ" + "\n" + std::to_string(result.o2) + "ﾚｰｽ分の馬連ｵｯｽﾞ" +
           "を取りこみました。";
}

} // namespace solvane
