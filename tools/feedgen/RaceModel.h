// One race drawn from its own seed: conditions, runners, the strength model (abilities to win
// chances), the finishing order sampled from those chances (Plackett-Luce), run times and the
// mining forecasts.
#pragma once

#include "feedgen/Model.h"

#include <cstdint>

namespace solvane::feedgen {

// Weather and going of one venue on one day, with at most one change during the day.
struct VenueWeather {
    int weather = 1, turf = 1, dirt = 1;
    int changeAt = -1; // minute of the day of the change, -1 when none
    int kind = 0;      // 2 weather changed, 3 going changed
    int weather2 = 1, turf2 = 1, dirt2 = 1;
};

VenueWeather DrawVenueWeather(const RaceDayPlan& day, const VenueDay& vd, std::uint64_t seed);

Race GenerateRace(const RaceDayPlan& day, const VenueDay& vd, int raceNo, const VenueWeather& weather,
                  std::uint64_t seed);

// The 16-character race key.
std::string RaceKey(const DateTime& date, const VenueDay& vd, int raceNo);

} // namespace solvane::feedgen
