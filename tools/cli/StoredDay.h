// Loading a stored race day for a command, as the window's date list does, with the command line's
// own messages: DAY and RACE parsed, the day loaded with the program's settings and the context's
// clock, lines the loader skipped told on stderr, and a failure told and turned into an exit status.
#pragma once

#include "CliCommands.h"
#include "DayArgs.h"

#include "raceday/DayLoader.h"
#include "raceday/RaceDay.h"

#include <optional>
#include <string>

namespace solvane::cli {

// The usage errors of a DAY or RACE word that does not parse (kExitUsage).
int BadDayArg(CliContext& ctx, const std::string& text);
int BadRaceArg(CliContext& ctx, const std::string& text);

// Loads the day named dayKey into day, then selects the first race as the window does. Nothing, after
// the failure was told, when the day is not in the model.
std::optional<DayLoadResult> LoadStoredDay(CliContext& ctx, const std::string& dayKey, RaceDay& day);

// Parses DAY and RACE, loads the day and finds the race. kExitOk with slot set (and CurRace on it), or
// the status the failure was told with.
int LoadStoredRace(CliContext& ctx, const std::string& dayText, const std::string& raceText, RaceDay& day, int& slot);

} // namespace solvane::cli
