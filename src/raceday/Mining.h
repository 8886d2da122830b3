// The mining reader: time-type mining (".jvDM" and the runner records) and match-type mining (".jvTM")
// into DmFlag, DmTime, DmErrPlus, DmErrMinus, DmRank, TmScore and TmRank of every race.
//
// Ranks: DmRank 1 is the fastest forecast time, equal times go to the lower horse number first;
// TmRank 1 is the highest score, equal scores go to the higher horse number first.
#pragma once

#include "raceday/DayFiles.h"
#include "raceday/RaceDay.h"

namespace solvane {

void DMReadBtnClick(RaceDay& day, ReadNotes* notes = nullptr, FolderIndex* folder = nullptr);

} // namespace solvane
