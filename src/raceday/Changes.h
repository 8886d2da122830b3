// The change reader: the day's meeting changes kept in the CHG folder turned into the loaded day.
// Post-time changes of the ".TC" file are written into the day's ".jvRA" file (when it does not hold them
// yet, under the application folder's writer lock) and the loaded races, and the automatic fetch times of
// those races are recomputed. Weather and going come from the ".WE"
// announcements: each race gets the latest announcement of each kind made up to its post (whatever the
// order of the lines), so a race already run keeps the conditions it ran in.
#pragma once

#include "raceday/DayFiles.h"
#include "raceday/RaceDay.h"

#include <string_view>
#include <vector>

namespace solvane {

// [Time] AutoOzGet (minutes), AutoOzGetSec and AutoTohyoInterval (seconds).
struct FetchTimeSettings {
    int autoOzGet = 10;
    int autoOzGetSec = 0;
    int autoTohyoInterval = 5;
};

// AutoOzTime := post time ("hhmm") + "00" minus the fetch lead; AutoTohyoTime1 := that plus the
// interval, both "hhmmss". A post time that is no time of day (blank, "0000", garbled) or that the
// lead would put before midnight gives empty times.
void SetAutoFetchTimes(TOutData& race, std::string_view postTime, const FetchTimeSettings& settings);

struct ChangeReadResult {
    // The post-time step ran (the ".TC" and ".jvRA" files exist): the next-race display should be
    // refreshed (NextRBtnClick).
    bool pressNextRace = false;
    // Slots whose post time this read changed (their fetch times were recomputed), in the order changed.
    // A change read again finds the time already in place and lists nothing.
    std::vector<int> movedSlots;
    ReadNotes notes;
};

ChangeReadResult KaisaiReadBtnClick(RaceDay& day, const FetchTimeSettings& settings);

} // namespace solvane
