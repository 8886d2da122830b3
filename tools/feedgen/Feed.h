// Writing a feed folder: the stored files (RACE, MING), the real-time snapshots (RT) and the files
// of the sibling programs, one race day at a time.
#pragma once

#include "util/Clock.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <map>
#include <string>

namespace solvane::feedgen {

struct FeedOptions {
    std::filesystem::path out;
    DateTime from, to;
    std::uint64_t seed = 1;
    DateTime now;           // the program's "now": days before its date are run
    bool liveToday = false; // today's races follow the clock
    int rtDays = 7;         // real-time snapshots for the days this close before today, and later days
    bool siblings = true;   // compi, paste and time-series files
};

// Figures of the generated season, for --stats and the tests.
struct FeedStats {
    long long days = 0, races = 0, flatRaces = 0, jumpRaces = 0, runRaces = 0, files = 0, bytes = 0;
    long long scratched = 0, deadHeats = 0, rtSnapshots = 0;
    std::array<long long, 19> winnerPopularity{}; // flat races run: popularity of the winner
    std::array<long long, 19> fieldSizes{};
    std::map<int, long long> distances;                // flat races
    std::array<long long, 5> turfGoing{}, dirtGoing{}; // per race run on that surface
    long long turfRaces = 0, dirtRaces = 0;
    double sumWinOverround = 0;        // Σ 1/odds of the win pool, summed over run races
    double sumSrtOverround = 0;        // the same for the trifecta pool
    std::array<long long, 5> grades{}; // G1, G2, G3, listed, others
};

bool GenerateFeed(const FeedOptions& options, FeedStats* stats, std::string* error);

std::string FormatStats(const FeedStats& s, double seconds);

} // namespace solvane::feedgen
