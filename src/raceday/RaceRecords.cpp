#include "raceday/RaceRecords.h"

#include "jvdata/CodeTables.h"
#include "jvdata/RecordFields.h"
#include "util/ShiftJis.h"
#include "util/Text.h"

#include <algorithm>

namespace solvane {

std::filesystem::path FindDayFile(const RaceDay& day, FolderIndex& folder, std::string_view suffix)
{
    return folder.find(day.DayKey + std::string(suffix));
}

int RunnerCount(std::string_view ra)
{
    return std::clamp(static_cast<int>(toIntDef(RunnerCountText(ra), 0)), 0, kMaxHorses);
}

int RaceNumber(std::string_view rec)
{
    return FieldInt(rec, 26, 2);
}

int HorseNumber(std::string_view rec)
{
    return FieldInt(rec, 29, 2);
}

std::string RaceListText(std::string_view ra)
{
    return fromSjis(TrackName(VenueCode(ra))) + PadNumber(RaceNumberText(ra)) + "R";
}

bool IsListedRace(std::string_view ra)
{
    const std::string_view year = RaceYear(ra);
    return !trim(year).empty() && year != "0000";
}

int ReadRaRecords(RaceDay& day, FolderIndex& folder, ReadNotes* notes, bool keepLayout)
{
    std::string bytes;
    const std::string name = day.DayKey + ".jvRA";
    if (ReadDayFile(folder.find(name), bytes, notes) != FileRead::Read)
        return -1;
    int s = 0;
    bool moved = false;
    ForEachRecord(bytes, kRaLength, kRaceSlots, name, notes, [&](std::string_view line) {
        std::string& rec = day.RaRecs[static_cast<std::size_t>(s++)];
        if (keepLayout && RaceKey(rec) != RaceKey(line)) {
            // Once one race has moved, a blank slot after it would only get a copy of a race
            // that already has its own slot.
            moved = moved || IsListedRace(rec);
            if (moved)
                return true;
        }
        AssignRecord(rec, line);
        return true;
    });
    if (moved && notes) {
        notes->skipped.push_back(
            name + ": レースの並びが読み込み時と変わったため、並びの変わったレースは読み直しませんでした。"
                   "日付を選び直すと反映されます。");
    }
    return s;
}

RunnerFiles::File& RunnerFiles::fileOf(std::string_view venueCode)
{
    auto [it, added] = files_.try_emplace(std::string(venueCode));
    File& file = it->second;
    if (added) {
        const std::string name = dayKey_ + fromSjis(TrackName(venueCode)) + ".jvSEr";
        file.exists = ReadDayFile(folder_.find(name), file.bytes, notes_) == FileRead::Read;
        ForEachLine(file.bytes, [&](std::string_view line) {
            file.lines.push_back(line);
            return true;
        });
        for (std::size_t i = 0; i < file.lines.size(); ++i) {
            if (!file.lines[i].empty() && file.lines[i].size() != kSeLength - 2)
                NoteSkippedLine(notes_, name, i + 1, file.lines[i].size(), kSeLength - 2);
        }
    }
    return file;
}

bool RunnerFiles::read(RaceDay& day, int slot)
{
    const auto s = static_cast<std::size_t>(slot);
    const std::string_view ra = day.RaRecs[s];
    File& file = fileOf(VenueCode(ra));
    if (!file.exists)
        return false;
    const int race = RaceNumber(ra);
    if (race < 1 || race > 12) // a runner file has lines for races 1-12 only
        return true;
    const int n = RunnerCount(ra);
    for (int j = 0; j < n; ++j) {
        const auto line = static_cast<std::size_t>((race - 1) * kMaxHorses + j);
        if (line < file.lines.size() && file.lines[line].size() == kSeLength - 2)
            AssignRecord(day.SeRecs[s][static_cast<std::size_t>(j)], file.lines[line]);
    }
    return true;
}

} // namespace solvane
