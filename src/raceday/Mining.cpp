#include "raceday/Mining.h"

#include "jvdata/RecordFields.h"
#include "util/NumberText.h"
#include "util/Text.h"

#include <algorithm>
#include <string>
#include <vector>

namespace solvane {

namespace {

// The slot whose RA record has the same date (12-19), venue (20-21) and race number (26-27); meeting
// and day of meeting are not compared. -1 when none.
int slotOfMining(const RaceDay& day, std::string_view rec)
{
    for (int s = 0; s < kRaceSlots; ++s) {
        const std::string_view ra = day.RaRecs[static_cast<std::size_t>(s)];
        if (RaceDate(ra) == RaceDate(rec) && VenueCode(ra) == VenueCode(rec) &&
            RaceNumberText(ra) == RaceNumberText(rec))
            return s;
    }
    return -1;
}

// Reads a mining file's records into buffers by slot. False when the file could not be read.
bool readMiningFile(const RaceDay& day, FolderIndex& folder, std::string_view suffix, std::size_t length,
                    std::vector<std::string>& buffers, ReadNotes* notes)
{
    std::string bytes;
    const std::string name = day.DayKey + std::string(suffix);
    const FileRead read = ReadDayFile(folder.find(name), bytes, notes);
    if (read != FileRead::Read)
        return read != FileRead::Failed;
    ForEachRecord(bytes, length, static_cast<std::size_t>(-1), name, notes, [&](std::string_view line) {
        const int s = slotOfMining(day, line);
        if (s >= 0)
            AssignRecord(buffers[static_cast<std::size_t>(s)], line);
        return true;
    });
    return true;
}

int intOrZero(std::string_view rec, std::size_t pos, std::size_t len)
{
    return FieldInt(rec, pos, len, 0);
}

// The ranking text of a runner, "%5d%2zu": value, then horse number; ranks follow its text order.
std::string rankText(int value, std::size_t horse)
{
    std::string text;
    AppendInt(text, value, 5);
    AppendInt(text, static_cast<long long>(horse), 2);
    return text;
}

} // namespace

void DMReadBtnClick(RaceDay& day, ReadNotes* notes, FolderIndex* folder)
{
    FolderIndex own(day.DataDir);
    FolderIndex& dir = folder ? *folder : own;

    std::vector<std::string> dm(kRaceSlots, std::string(kDmLength, ' '));
    std::vector<std::string> tm(kRaceSlots, std::string(kTmLength, ' '));

    if (!readMiningFile(day, dir, ".jvDM", kDmLength, dm, notes))
        return;
    for (std::size_t s = 0; s < kRaceSlots; ++s) {
        const std::string_view kind = DataKind(dm[s]);
        if (kind == "3" || kind == "7")
            day.RaceRecs[s].DmFlag = 1;
    }

    std::vector<std::string> list;
    for (std::size_t s = 0; s < kRaceSlots; ++s) {
        TOutData& r = day.RaceRecs[s];
        for (std::size_t j = 1; j <= kMaxHorses; ++j) {
            const std::size_t step = 15 * (j - 1);
            r.DmTime[j] = intOrZero(dm[s], 34 + step, 5);
            r.DmErrPlus[j] = intOrZero(dm[s], 39 + step, 4);
            r.DmErrMinus[j] = intOrZero(dm[s], 43 + step, 4);
            r.DmRank[j] = 0;
        }
        list.clear();
        for (std::size_t j = 1; j <= kMaxHorses; ++j) {
            const std::string_view se = day.SeRecs[s][j - 1];
            const std::string_view kind = field(se, 537, 1);
            if (kind == "3" || kind == "7")
                r.DmFlag = 1;
            const int t = intOrZero(se, 538, 5);
            if (t > 0 && t < 99999) {
                r.DmTime[j] = t;
                r.DmErrPlus[j] = intOrZero(se, 543, 4);
                r.DmErrMinus[j] = intOrZero(se, 547, 4);
            }
            if (r.DmTime[j] > 0)
                list.push_back(rankText(r.DmTime[j], j));
        }
        std::sort(list.begin(), list.end());
        for (std::size_t k = 0; k < list.size(); ++k)
            r.DmRank[static_cast<std::size_t>(intOrZero(list[k], 6, 2))] = static_cast<int>(k) + 1;
    }

    if (!readMiningFile(day, dir, ".jvTM", kTmLength, tm, notes))
        return;
    for (std::size_t s = 0; s < kRaceSlots; ++s) {
        TOutData& r = day.RaceRecs[s];
        list.clear();
        for (std::size_t j = 1; j <= kMaxHorses; ++j) {
            r.TmScore[j] = 0;
            r.TmRank[j] = 0;
            const int v = FieldInt(tm[s], 34 + 6 * (j - 1), 4, -1);
            if (v >= 0 && v <= 1000)
                r.TmScore[j] = v;
            if (r.TmScore[j] > 0)
                list.push_back(rankText(r.TmScore[j], j));
        }
        std::sort(list.begin(), list.end());
        const std::size_t count = list.size();
        for (std::size_t p = 0; p < count; ++p)
            r.TmRank[static_cast<std::size_t>(intOrZero(list[p], 6, 2))] = static_cast<int>(count - p);
    }
}

} // namespace solvane
