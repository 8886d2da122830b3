// JRA's graded races (G1-G3 on the flat, J-G1-J-G3 over jumps) with their names, venues, courses,
// conditions and usual weekends. A weekend is fixed by a day of the year JRA's programme hangs on:
// the opening day, the third Sunday of February, the Derby, the Sprinters Stakes, the Japan Cup.
#pragma once

#include "feedgen/Courses.h"

#include <cstdint>
#include <span>
#include <string_view>

namespace solvane::feedgen {

enum class Anchor : std::uint8_t {
    Opening,     // the year's first race day (the Kinpai)
    FirstSunday, // the first Sunday from the opening day on
    February,    // the third Sunday of February (February Stakes)
    Derby,       // the Sunday from 26 May to 1 June
    Sprinters,   // the Sunday from 26 September to 2 October
    JapanCup,    // the last Sunday of November
    YearEnd,     // the Hopeful Stakes: 28 December, or the Saturday before the Arima Kinen when that is
                 // run on the 27th or 28th
};

struct GradedRace {
    std::string_view name; // UTF-8
    std::string_view abbr; // UTF-8, at most six characters; empty when the name is that short
    int venue;
    char grade; // A B C flat G1-G3, F G H jump J-G1-J-G3
    Surface surface;
    int distance;
    Anchor anchor;
    int offset; // days from the anchor
    int age;    // 2 or 3 for races of one age, 0 for older horses
    bool fillies;
    int weight; // weight type code: 1 handicap, 2 allowance, 3 age, 4 set weights
    int raceNo; // the race's number on the card
};

std::span<const GradedRace> GradedRaces();

} // namespace solvane::feedgen
