#include "DayArgs.h"

#include "jvdata/CodeTables.h"
#include "jvdata/RecordFields.h"
#include "raceday/DayFiles.h"
#include "raceday/RaceRecords.h"
#include "store/Store.h"
#include "util/Clock.h"
#include "util/ShiftJis.h"
#include "util/Text.h"

#include <algorithm>

namespace solvane::cli {
namespace {

bool allDigits(std::string_view s)
{
    return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// A race number of one or two digits within a day's twelve races; 0 otherwise.
int raceNumberOf(std::string_view digits)
{
    if (!allDigits(digits) || digits.size() > 2)
        return 0;
    const auto n = static_cast<int>(toIntDef(digits, 0));
    return n >= 1 && n <= kSlotRaces ? n : 0;
}

bool isTrackCode(std::string_view code)
{
    return code.size() == 2 && trim(TrackName(code)) != "";
}

} // namespace

std::optional<std::string> ParseDayArg(std::string_view text)
{
    if (IsDayKey(text))
        return std::string(text);
    // DateTime::parse also takes times and other separators; only the eight digits are a day here.
    if (text.size() != 8 || !allDigits(text))
        return std::nullopt;
    const auto date = DateTime::parse(text);
    if (!date)
        return std::nullopt;
    return DayKeyOf(*date);
}

std::optional<RaceArg> ParseRaceArg(std::string_view text)
{
    if (allDigits(text)) {
        if (text.size() > 2)
            return std::nullopt;
        const auto slot = static_cast<int>(toIntDef(text, -1));
        if (slot < 0 || slot >= kRaceSlots)
            return std::nullopt;
        return RaceArg{slot, {}, 0};
    }

    // "06-11": the track code as the records carry it.
    if (const auto dash = text.find('-'); dash != std::string_view::npos) {
        const std::string_view code = text.substr(0, dash);
        const int raceNo = raceNumberOf(text.substr(dash + 1));
        if (!isTrackCode(code) || raceNo == 0)
            return std::nullopt;
        return RaceArg{-1, std::string(code), raceNo};
    }

    // "中山11R", also as the race list shows it ("中山 1R").
    if (!endsWith(text, "R") && !endsWith(text, "r"))
        return std::nullopt;
    std::string_view rest = text.substr(0, text.size() - 1);
    std::size_t digitsFrom = rest.size();
    while (digitsFrom > 0 && rest[digitsFrom - 1] >= '0' && rest[digitsFrom - 1] <= '9')
        --digitsFrom;
    const int raceNo = raceNumberOf(rest.substr(digitsFrom));
    const std::string name = toSjis(trim(rest.substr(0, digitsFrom)));
    const std::string_view code = TrackCode(name);
    if (raceNo == 0 || !isTrackCode(code))
        return std::nullopt;
    return RaceArg{-1, std::string(code), raceNo};
}

std::optional<int> FindRaceSlot(const RaceDay& day, const RaceArg& race)
{
    for (const RaceListItem& item : day.RaceList) {
        if (race.slot >= 0) {
            if (item.slot == race.slot)
                return item.slot;
            continue;
        }
        const std::string_view ra = day.RaRecs[static_cast<std::size_t>(item.slot)];
        if (VenueCode(ra) == race.trackCode && RaceNumber(ra) == race.raceNo)
            return item.slot;
    }
    return std::nullopt;
}

} // namespace solvane::cli
