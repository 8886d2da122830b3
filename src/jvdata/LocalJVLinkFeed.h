// The layout of a feed folder as the local JV-Link component reads it (docs/feed-folder.md):
// stored data in <feed>/<SPEC>/<yyyymmddhhnnss>_<name>, the list of files already served in
// <feed>/.downloaded, real-time snapshots in <feed>/RT/<dataspec>/<key>/<hhmmss>.txt or
// <feed>/RT/<dataspec>/<key>.txt, and a reader that cuts a file into records.
#pragma once

#include "util/Clock.h"

#include <cstdio>
#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace solvane {

// True for the 4-character ids of JV-Link's accumulated data (RACE, MING, DIFF, ...).
bool isStoredDataId(std::string_view id);

// The 14-digit time stamp of a stored file name "yyyymmddhhnnss_<name>"; empty when the name does
// not have that form.
std::string feedFileTimestamp(std::string_view fileName);

struct FeedFile {
    std::filesystem::path path;
    std::string name;      // the file name, as JVRead reports it
    std::string timestamp; // its 14 digits
    bool downloaded = false;
};

// Every file of the ids' folders whose time stamp is later than fromtime, in serve order: time
// stamp, then file name, then the order of the ids. Missing folders and other names are skipped.
std::vector<FeedFile> listFeedFiles(const std::filesystem::path& feed, const std::vector<std::string>& ids,
                                    std::string_view fromtime);

// <feed>/.downloaded: names of the files served before, one per line.
std::set<std::string> readDownloadedList(const std::filesystem::path& feed);
// Adds names to the list, rewriting it atomically; false when it cannot be written.
bool addToDownloadedList(const std::filesystem::path& feed, const std::set<std::string>& names);

// 0 when JVRTOpen(dataspec, key) is well-formed; -111 for a dataspec the component does not serve;
// -114 for a key of the wrong length, with a non-digit or with an impossible date.
int checkRealTimeRequest(std::string_view dataspec, std::string_view key);

// The snapshot JVRTOpen(dataspec, key) serves at time now: the newest <key>/<hhmmss>.txt that is
// available (every one for a key of a past date, those up to now's time for today, none for a
// later date), else <key>.txt, else nothing.
std::optional<std::filesystem::path> findSnapshot(const std::filesystem::path& feed, std::string_view dataspec,
                                                  std::string_view key, const DateTime& now);

// Cuts a file into records. A record is a line: the bytes up to LF, given back ending with CR LF
// whether the line ended with CR LF, with LF alone or (the last line) with nothing. Empty lines
// are skipped. Memory stays bounded by the limit whatever the line lengths.
class RecordReader {
public:
    enum class Next { Record, TooLong, End, Error };

    RecordReader() = default;
    ~RecordReader() { close(); }
    RecordReader(const RecordReader&) = delete;
    RecordReader& operator=(const RecordReader&) = delete;

    bool open(const std::filesystem::path& path);
    void close();
    bool isOpen() const { return file_ != nullptr; }

    // The next record into record. A record longer than limit bytes (its CR LF counted) is passed
    // over whole and answered TooLong.
    Next next(std::string& record, std::size_t limit);

private:
    bool refill();

    std::FILE* file_ = nullptr;
    std::vector<char> buffer_;
    std::size_t pos_ = 0;
    std::size_t end_ = 0;
    bool failed_ = false;
};

} // namespace solvane
