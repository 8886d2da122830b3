// The day and race words of the race-day commands, read before anything is loaded so that a typo is
// told apart from a day or race the store does not have.
#pragma once

#include "raceday/RaceDay.h"

#include <optional>
#include <string>
#include <string_view>

namespace solvane::cli {

// "2024年01月06日" or "20240106" (a real date) to the day key "2024年01月06日"; nothing otherwise.
std::optional<std::string> ParseDayArg(std::string_view text);

// A race as named on the command line: either a slot of the day (0 .. kRaceSlots - 1, as the race list
// carries it) or a track code with a race number ("中山11R" and "06-11" both give "06" and 11).
struct RaceArg {
    int slot = -1; // -1 when the race is named by track and number
    std::string trackCode;
    int raceNo = 0;
};

// Nothing for a text that names no race in any of the three forms.
std::optional<RaceArg> ParseRaceArg(std::string_view text);

// The slot of the named race among the races listed for the loaded day; nothing when the day has no
// such race.
std::optional<int> FindRaceSlot(const RaceDay& day, const RaceArg& race);

} // namespace solvane::cli
