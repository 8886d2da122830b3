// The racing calendar as JRA runs it: which days are raced, at which venues, with which meeting
// (kai) and day (nichi) counters, which graded races each venue-day holds, and when each race is run.
#pragma once

#include "feedgen/GradedRaces.h"
#include "feedgen/Model.h"

#include <string_view>
#include <vector>

namespace solvane::feedgen {

struct VenueInfo {
    int code;
    std::string_view name; // UTF-8, two characters
    bool local;            // the summer and small venues: smaller fields, fewer open races
};

const VenueInfo& Venue(int code); // code 1..10

// The day (days since 1970) an anchor of the year's programme falls on.
long long AnchorDay(int year, Anchor anchor);

// Race days from..to inclusive. Counters run from the start of each year, so a day gets the same
// kai and nichi whatever range it is generated in.
std::vector<RaceDayPlan> BuildCalendar(const DateTime& from, const DateTime& to);

// A plan for a day outside the calendar (the live demo day): the venues and meetings of the last
// race day before it, without graded races.
RaceDayPlan ExtraDayPlan(const DateTime& day);

// Planned post time of a race, minutes of the day.
int PlannedPostTime(const VenueDay& vd, int raceNo);

} // namespace solvane::feedgen
