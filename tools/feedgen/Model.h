// The generated season in memory: race days, their venues and races, runners and results. Texts
// that end up in records are already Shift-JIS.
#pragma once

#include "util/Clock.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace solvane::feedgen {

inline constexpr int kMaxRunners = 18;

// Runners, races and combinations are numbered with ints from 1; the arrays holding them take the number
// as their index.
inline std::size_t U(int i)
{
    return static_cast<std::size_t>(i);
}

struct VenueDay {
    int venue = 0; // 1..10
    int kai = 0;
    int nichi = 0;
    int order = 0; // 0 posts first, then 1, 2 (staggered post times)
    // The graded races of the programme by race number: 1 + their index in GradedRaces(), 0 for none.
    std::array<std::int16_t, 13> graded{};
};

struct RaceDayPlan {
    DateTime date;
    int weekdayCode = 0; // 1 Saturday, 2 Sunday, 3 holiday Monday, 4 Monday .. 8 Friday
    std::vector<VenueDay> venues;
    long long derby = 0;     // the year's Derby Sunday (days since 1970): the season's turning point
    long long sprinters = 0; // the Sprinters Stakes Sunday: the end of the summer meetings
};

struct Runner {
    int number = 0;
    int bracket = 0;
    std::string name; // 36 bytes, full-width, padded with full-width spaces
    std::string pedigreeNo;
    int sex = 1; // 1 colt, 2 filly, 3 gelding
    int age = 3;
    int trainer = 0;
    int jockey = 0;
    int east = 1;    // 1 east, 2 west
    int futan = 550; // 0.1 kg
    int bodyWeight = 480;
    int weightDiff = 0;
    double ability = 0;    // log strength
    double winProb = 0;    // the race's true chance
    double marketProb = 0; // the public's view, which the final odds follow
    bool scratched = false;
    bool scratchedAfterSale = false;
    int placing = 0; // final placing, 0 when scratched
    bool deadHeat = false;
    int timeTenths = 0; // run time in 0.1 s
    int last3f = 0;     // 0.1 s
    int style = 1;      // 1 front .. 4 closer
    int dmTime = 0;     // mining forecast, 1/100 s
    int dmErr = 0;
    int dmRank = 0;
    int tmScore = 0; // 0..1000
    int compi = 0;   // sibling compi index
};

struct Race {
    DateTime date;
    int weekdayCode = 1;
    VenueDay vd;
    int raceNo = 1;
    std::string key; // yyyymmddJJKKHHRR

    int syubetu = 13; // race type code
    std::string kigo = "A01";
    int jyuryo = 4; // weight type
    int jyoken = 5; // condition code
    char grade = ' ';
    bool special = false;
    std::string name; // Shift-JIS, without padding; empty for ordinary races
    std::string abbr; // Shift-JIS, at most six characters: the short names of the record
    int distance = 1600;
    int track = 17;
    bool turf = true;
    bool jump = false;
    int postPlanned = 600; // minutes of the day
    int postActual = 600;
    int weather = 1;
    int turfGoing = 1;
    int dirtGoing = 1;
    int registered = 16;
    int starters = 16;
    std::array<Runner, kMaxRunners + 1> runners{}; // 1..registered
    std::array<int, kMaxRunners + 1> pos{};        // finishing position per horse, 0 = did not run
    std::vector<int> order;                        // horse numbers by finishing position
    bool deadHeat = false;
    std::uint64_t seed = 0;
    long long prize1 = 0; // 100 yen
    double poolScale = 1.0;
};

struct RaceDay {
    RaceDayPlan plan;
    std::vector<Race> races; // by venue code, then race number
    bool run = false;        // results confirmed (before today)
    bool live = false;       // today with post times following the clock
};

} // namespace solvane::feedgen
