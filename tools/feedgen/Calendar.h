// The racing calendar: which days are raced, at which venues, with which meeting (kai) and day
// (nichi) counters, and when each race is run.
#pragma once

#include "feedgen/Model.h"

#include <cstdint>
#include <string_view>
#include <vector>

namespace solvane::feedgen {

struct VenueInfo {
    int code;
    std::string_view name; // UTF-8, two characters
    bool leftHanded;
    bool local; // summer and small venues: smaller fields
};

const VenueInfo& Venue(int code); // code 1..10

// Race days from..to inclusive. Counters run from the start of each year, so a day gets the same
// kai and nichi whatever range it is generated in.
std::vector<RaceDayPlan> BuildCalendar(const DateTime& from, const DateTime& to);

// A plan for a day outside the normal calendar (the live demo day).
RaceDayPlan ExtraDayPlan(const DateTime& day);

// Planned post time of a race, minutes of the day.
int PlannedPostTime(const VenueDay& vd, int raceNo);

} // namespace solvane::feedgen
