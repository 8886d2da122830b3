// The ◎ ○ ▲ marks of a command line ("◎=1,2 ○=3 ▲=4"), read the same way by every command.
#pragma once

#include "raceday/RaceCard.h"

#include <string>

namespace solvane::cli {

// True when word is one mark list such as "◎=1,2" (or several of them separated by blanks).
bool IsMarkWord(const std::string& word);

// Puts the marks of text (mark lists separated by blanks) on the horses 1..maxHorse. Returns an empty
// text, or what is wrong in the program's words; marks already set stay.
std::string ParseMarks(const std::string& text, int maxHorse, Marks& marks);

} // namespace solvane::cli
