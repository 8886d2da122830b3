// Fields that every race-keyed JV-Data record (RA, SE, HR, the odds records O1-O6 …) holds at the same
// place, named once so that no reader writes their byte positions again. The texts are the record's own
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
// The race's date yyyymmdd, bytes 12-19.
inline std::string_view RaceDate(std::string_view rec)
{
    return field(rec, 12, 8);
}
// The race key: date, venue, meeting, day of the meeting and race number, bytes 12-27.
inline std::string_view RaceKey(std::string_view rec)
{
    return field(rec, 12, 16);
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
// The post time hhmm of an RA record, bytes 874-877.
inline std::string_view PostTime(std::string_view ra)
{
    return field(ra, 874, 4);
}

} // namespace solvane
