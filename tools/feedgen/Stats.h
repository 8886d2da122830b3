// Figures of a generated season, printed by --stats beside JRA's own and held by the tests.
#pragma once

#include "util/Clock.h"

#include <array>
#include <cstdint>
#include <map>
#include <string>

namespace solvane::feedgen {

struct FeedStats {
    long long days = 0, venueDays = 0, races = 0, flatRaces = 0, jumpRaces = 0, runRaces = 0, files = 0, bytes = 0;
    long long scratched = 0, scratchedAfterSale = 0, runners = 0, deadHeats = 0, rtSnapshots = 0;
    std::array<long long, 4> deadHeatsAt{};       // by the place shared, 1..3
    std::array<long long, 19> winnerPopularity{}; // flat races run: popularity of the winner
    std::array<long long, 19> fieldSizes{};
    std::map<int, long long> distances;                // flat races
    std::array<long long, 5> turfGoing{}, dirtGoing{}; // per race run on that surface
    long long turfRaces = 0, dirtRaces = 0;
    std::array<long long, 8> grades{}; // G1, G2, G3, J-G1, J-G2, J-G3, listed, others
    long long maidensMorning = 0;      // races 1-3 for maidens or newcomers (flat) or over jumps
    // Flat special races: final win odds (in 0.1) summed by the runner's popularity 1-6, and the count.
    std::array<double, 7> specialOdds{};
    std::array<long long, 7> specialRunners{};
    // Per bet type (win, place, bracket quinella, quinella, wide, exacta, trio, trifecta): the votes
    // sold and the votes paid back before the cut to 10 yen, both in 100 yen.
    std::array<double, 8> sold{}, paid{};
};

// The figures of the season from..to of the seed without writing a file: the calendar and every
// race, its market and its result, as the feed would hold them.
FeedStats SeasonFigures(const DateTime& from, const DateTime& to, std::uint64_t seed);

// JRA's figures the generated ones are compared with.
struct RealFigures {
    static constexpr double winnerPopularity[7] = {0, 31.6, 19.0, 12.9, 9.6, 7.0, 5.5}; // percent, ranks 1-6
    static constexpr double takeOut[8] = {20.0, 20.0, 22.5, 22.5, 22.5, 25.0, 25.0, 27.5};
    static constexpr int venueDays = 288, races = 3456, g1 = 24, jumpG1 = 2, g2 = 38;
    static constexpr int deadHeatsAt[4] = {0, 4, 6, 2};
    static constexpr double scratchedPerRace = 0.050;
    static constexpr double specialOdds[7] = {0, 2.9, 4.7, 6.5, 9.0, 12.3, 16.4}; // mean final win odds
};

std::string FormatStats(const FeedStats& s, double seconds);

} // namespace solvane::feedgen
