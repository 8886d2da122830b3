// The fields that the readers share, named once so that no reader writes their byte positions again:
// those every race-keyed JV-Data record (RA, SE, HR, the odds records O1-O6 …) holds at the same place,
// then a few of the runner (SE) and race (RA) records. The texts are the record's own
// bytes (Shift-JIS, blank-padded); short records give what is there.
#pragma once

#include "util/Text.h"

#include <string_view>

namespace solvane {

// The record type ("RA", "O6" …), bytes 1-2.
inline std::string_view RecordType(std::string_view rec)
{
    return field(rec, 1, 2);
}
// The data kind, byte 3: "0" a deleted record, "9" a cancelled race, other codes the stage of the data.
inline std::string_view DataKind(std::string_view rec)
{
    return field(rec, 3, 1);
}
// The race's date yyyymmdd, bytes 12-19.
inline std::string_view RaceDate(std::string_view rec)
{
    return field(rec, 12, 8);
}
// The parts of that date: year (12-15), month (16-17), day of the month (18-19), and month and day (16-19).
inline std::string_view RaceYear(std::string_view rec)
{
    return field(rec, 12, 4);
}
inline std::string_view RaceMonth(std::string_view rec)
{
    return field(rec, 16, 2);
}
inline std::string_view RaceDayOfMonth(std::string_view rec)
{
    return field(rec, 18, 2);
}
inline std::string_view RaceMonthDay(std::string_view rec)
{
    return field(rec, 16, 4);
}
// The race key: date, venue, meeting, day of the meeting and race number, bytes 12-27.
inline std::string_view RaceKey(std::string_view rec)
{
    return field(rec, 12, 16);
}
// The race within its day: venue, meeting, day of the meeting and race number, bytes 20-27.
inline std::string_view RaceKeyInDay(std::string_view rec)
{
    return field(rec, 20, 8);
}
// The venue code, bytes 20-21, the code TrackName takes.
inline std::string_view VenueCode(std::string_view rec)
{
    return field(rec, 20, 2);
}
// The race number as two digits, bytes 26-27 (RaceNumber reads it as a number).
inline std::string_view RaceNumberText(std::string_view rec)
{
    return field(rec, 26, 2);
}
// When an odds or change record was announced, "mmddhhmm" at bytes 28-35.
inline std::string_view AnnouncedAt(std::string_view rec)
{
    return field(rec, 28, 8);
}
// The horse number of a runner's record (SE and the other per-horse records), bytes 29-30.
inline std::string_view HorseNumberText(std::string_view rec)
{
    return field(rec, 29, 2);
}
// A runner's (SE) horse name, bytes 41-76, blank-padded.
inline std::string_view HorseName(std::string_view se)
{
    return field(se, 41, 36);
}
// A runner's (SE) age, bytes 83-84.
inline std::string_view HorseAgeText(std::string_view se)
{
    return field(se, 83, 2);
}
// A runner's (SE) placing, bytes 335-336: "00" or blank before the result.
inline std::string_view PlacingText(std::string_view se)
{
    return field(se, 335, 2);
}
// The registered runners of an RA record, bytes 882-883 (RunnerCount reads it as a number).
inline std::string_view RunnerCountText(std::string_view ra)
{
    return field(ra, 882, 2);
}
// The post time hhmm of an RA record, bytes 874-877.
inline std::string_view PostTime(std::string_view ra)
{
    return field(ra, 874, 4);
}

} // namespace solvane
