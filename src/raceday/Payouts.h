// Payouts and results: the day's payout records (".jvHR") into HrRecs, placings taken from the place
// payouts, the per-race payout table HrTable and the results page "結果" as a grid.
#pragma once

#include "raceday/DayFiles.h"
#include "raceday/RaceDay.h"
#include "util/TextGrid.h"

#include <array>
#include <string_view>

namespace solvane {

// Refreshes the day's race and runner records from the store, reads every race's payout record into
// HrRecs (by race key 12-27; records of races not in the day are dropped, a later record of a race
// replaces an earlier one), gives runners without a stored placing the placing their payouts prove
// (in memory only) and rebuilds HrTable. Without a ".jvHR" file HrRecs keep what they held.
void HrReadBtnClick(RaceDay& day, ReadNotes* notes = nullptr, FolderIndex* folder = nullptr);

// The placings a payout record proves, by horse number (index 0 unused, 0 = not placed by it): the
// win horses are 1着, the exacta's second horses 2着, the trifecta's third horses 3着; a dead heat gives
// several entries, and each of their horses gets the place. Place payouts are listed by horse number,
// not by finishing order, so they prove no placing.
using RacePlacings = std::array<int, kMaxHorses + 1>;
RacePlacings PlacingsOf(std::string_view hr);

// Rebuilds HrTable of all 36 slots from HrRecs.
void CalcBtnClick(RaceDay& day);

// The payout table of one HR record.
HrRaceTable PayoutTableOf(std::string_view hr);

// The results page of a race: columns "券種", "結果", "人気", "配当", one row per entry of the eight
// sections (3, 5, 3, 3, 7, 6, 3, 6 rows; 36 in all). The first column names the section on every row
// of it; an entry without a horse or combination shows three empty cells.
TextGrid ResultsGrid(const RaceDay& day, int slot);

// The payout panel beside the card: one row for each paid entry of the eight bet types, the type's
// caption on its first row only, the combination, the payout with thousands separators and "円", and
// the popularity. Headings only while the race has no payouts.
TextGrid PayoutPanelGrid(const RaceDay& day, int slot);

} // namespace solvane
