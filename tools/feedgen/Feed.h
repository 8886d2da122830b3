// Writing a feed folder: the stored files (RACE, MING), the real-time snapshots (RT) and the files
// of the sibling programs, one race day at a time.
#pragma once

#include "feedgen/Stats.h"
#include "util/Clock.h"

#include <cstdint>
#include <filesystem>
#include <limits>
#include <string>

namespace solvane::feedgen {

// FeedOptions::seriesDays for every run day.
inline constexpr int kSeriesEveryDay = std::numeric_limits<int>::max();

struct FeedOptions {
    std::filesystem::path out;
    DateTime from, to;
    std::uint64_t seed = 1;
    DateTime now;           // the program's "now": days before its date are run
    bool liveToday = false; // today's races follow the clock
    int rtDays = 7;         // real-time snapshots for the days this close before today, and later days
    bool siblings = true;   // compi, paste and time-series files
    // Time-series files (30, 10, 5 and 2 minutes before each post and the final odds) for the run days
    // this close before today that get no real-time data, for backtests at the odds of bet time; 0 none.
    int seriesDays = 0;
};

bool GenerateFeed(const FeedOptions& options, FeedStats* stats, std::string* error);

} // namespace solvane::feedgen
