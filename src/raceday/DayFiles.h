// How the race-day readers find and read the day's files: the day key, a case-insensitive view of a
// folder that lists it at most once, and record iteration over a stored file.
//
// Store files hold one record per line without the record's CR LF. The readers go by lines rather than
// by fixed byte counts, so one line of the wrong length (a cut record, a hand-edited file) costs only
// that line: it is skipped and noted, and every record after it is still read at its right place.
#pragma once

#include "util/Clock.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace solvane {

// What the readers could not use. Texts are UTF-8 and name the file.
struct ReadNotes {
    std::vector<std::string> skipped; // lines left out (wrong length), the rest of the file was read
    std::string error;                // a file that exists but could not be read; the reader stopped

    bool failed() const { return !error.empty(); }
    void add(const ReadNotes& other);
};

// "2024年01月06日" (UTF-8) of a date.
std::string DayKeyOf(const DateTime& date);
// True for a day key of that form and a real date; anything else (a path, a typo) names no day.
bool IsDayKey(std::string_view text);

// The entries of one folder, found by name ignoring ASCII case. A name that exists exactly costs one
// stat; the first miss lists the folder once and every later lookup uses that listing.
class FolderIndex {
public:
    explicit FolderIndex(std::filesystem::path dir) : dir_(std::move(dir)) {}

    const std::filesystem::path& dir() const { return dir_; }
    // The existing entry named name (UTF-8) ignoring case, or an empty path.
    std::filesystem::path find(std::string_view name);

private:
    std::filesystem::path dir_;
    // Lower-cased entry names; listed on the first miss of an exact name.
    std::shared_ptr<const std::unordered_map<std::string, std::filesystem::path>> listing_;
};

enum class FileRead { Missing, Read, Failed };

// Reads the whole file at path (an empty path means missing). On failure notes->error says why.
FileRead ReadDayFile(const std::filesystem::path& path, std::string& bytes, ReadNotes* notes);

// Calls f(line) for each line of bytes (CR LF or LF ends; the last line may lack one), in order.
// f returns false to stop.
template <class F> void ForEachLine(std::string_view bytes, F&& f)
{
    std::size_t pos = 0;
    while (pos < bytes.size()) {
        std::size_t end = bytes.find('\n', pos);
        const std::size_t next = end == std::string_view::npos ? bytes.size() : end + 1;
        if (end == std::string_view::npos)
            end = bytes.size();
        std::string_view line = bytes.substr(pos, end - pos);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        pos = next;
        if (!f(line))
            return;
    }
}

// Notes a line of the wrong length.
void NoteSkippedLine(ReadNotes* notes, std::string_view fileName, std::size_t lineNo, std::size_t length,
                     std::size_t expected);

// The record rule of a store file, applied one line at a time: empty lines are passed over, a line of
// any other length than the record's (without its CR LF) is skipped and noted under fileName, and at
// most maxRecords records are taken. Both the in-memory and the streaming reader use it.
class RecordLineFilter {
public:
    RecordLineFilter(std::size_t recordLength, std::size_t maxRecords, std::string_view fileName, ReadNotes* notes)
        : length_(recordLength - 2), maxRecords_(maxRecords), fileName_(fileName), notes_(notes)
    {
    }

    // Hands a record line to f; false once reading should stop (f said so, or enough were taken).
    template <class F> bool operator()(std::string_view line, F&& f)
    {
        ++lineNo_;
        if (line.empty())
            return true;
        if (line.size() != length_) {
            NoteSkippedLine(notes_, fileName_, lineNo_, line.size(), length_);
            return true;
        }
        if (taken_ >= maxRecords_)
            return false;
        ++taken_;
        return f(line);
    }

private:
    std::size_t length_, maxRecords_;
    std::string_view fileName_;
    ReadNotes* notes_;
    std::size_t taken_ = 0, lineNo_ = 0;
};

// Calls f(line) for each line of bytes that is exactly one stored record of recordLength (CR LF included
// in the length, so the line is two bytes shorter), by the rule of RecordLineFilter. f returns false to
// stop.
template <class F>
void ForEachRecord(std::string_view bytes, std::size_t recordLength, std::size_t maxRecords, std::string_view fileName,
                   ReadNotes* notes, F&& f)
{
    RecordLineFilter keep(recordLength, maxRecords, fileName, notes);
    ForEachLine(bytes, [&](std::string_view line) { return keep(line, f); });
}

// Reads the file at path line by line without holding it whole: f(line) gets each line (CR LF or LF
// removed) in order and returns false to stop. A large day file (the trifecta odds are about 3 MB) is
// then read through one small buffer instead of a fresh allocation of its size on every day load.
// Missing (or an empty path): FileRead::Missing and f is never called. On a read error notes->error
// says why and FileRead::Failed is returned; the lines before it were delivered.
FileRead StreamLines(const std::filesystem::path& path, ReadNotes* notes,
                     const std::function<bool(std::string_view)>& f);

// StreamLines with the record rule of ForEachRecord.
FileRead StreamRecords(const std::filesystem::path& path, std::size_t recordLength, std::size_t maxRecords,
                       std::string_view fileName, ReadNotes* notes, const std::function<bool(std::string_view)>& f);

// A stored line back to its record: the line followed by CR LF.
void AssignRecord(std::string& rec, std::string_view line);

// Small readers of record fields (1-based byte positions).
// Integer of the field; blanks around it allowed; fallback for anything else.
int FieldInt(std::string_view rec, std::size_t pos, std::size_t len, int fallback = 0);

} // namespace solvane
