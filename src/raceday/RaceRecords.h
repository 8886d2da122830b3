// Reading the day's race records (".jvRA") and runner records (".jvSEr" of each venue) into the model.
// Shared by the day loader and the payout reader, which both refresh them from the store.
#pragma once

#include "raceday/DayFiles.h"
#include "raceday/RaceDay.h"

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace solvane {

// The day's file of the given suffix (".jvRA", ".FI" …), found ignoring case; empty when missing.
std::filesystem::path FindDayFile(const RaceDay& day, FolderIndex& folder, std::string_view suffix);

// Reads the ".jvRA" records into RaRecs from slot 0 upwards, at most 36; slots past the last record
// keep what they held. Returns the number of records read, or -1 when there is no such file (or it
// could not be read; notes says so).
//
// keepLayout is for refreshing a loaded day: everything else of the day (odds, compi, marks, stakes)
// is kept by slot, so a slot that holds a race keeps it. Should the file now hold another race at that
// position (a race record inserted before it since the load), the slot is left as it was and a note
// says so, instead of putting one race's record beside another race's odds.
int ReadRaRecords(RaceDay& day, FolderIndex& folder, ReadNotes* notes, bool keepLayout = false);

// The runner files of one day, each read at most once. A runner file has one line per (race 1-12,
// horse 1-18) at line (race - 1) * 18 + (horse - 1).
class RunnerFiles {
public:
    RunnerFiles(std::string dayKey, FolderIndex& folder, ReadNotes* notes)
        : dayKey_(std::move(dayKey)), folder_(folder), notes_(notes)
    {
    }

    // Copies the runner records of slot's race (horses 1..n of the slot's RA record) into SeRecs[slot].
    // A runner whose line is missing or of the wrong length keeps what it held. False when the venue
    // has no runner file, so nothing was read.
    bool read(RaceDay& day, int slot);

private:
    struct File {
        bool exists = false;
        std::string bytes;
        std::vector<std::string_view> lines;
    };
    File& fileOf(std::string_view venueCode);

    std::string dayKey_;
    FolderIndex& folder_;
    ReadNotes* notes_;
    std::map<std::string, File> files_;
};

// Registered runners of an RA record (882-883), limited to 0..18.
int RunnerCount(std::string_view ra);
// Race number of a record (26-27), 0 when not a number.
int RaceNumber(std::string_view rec);
// The horse number of a runner's record (SE …), 0 when blank.
int HorseNumber(std::string_view rec);
// A race as the lists name it: the venue's name, the race number in two digits and "R" ("中山11R", UTF-8).
std::string RaceListText(std::string_view ra);
// True when the RA record's year (12-15) is neither blank nor "0000".
bool IsListedRace(std::string_view ra);

} // namespace solvane
