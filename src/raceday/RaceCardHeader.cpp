// The three header lines above the race card, the venue and race labels, the odds time and the
// colour of the panel behind them.
#include "jvdata/CodeTables.h"
#include "jvdata/RecordFields.h"
#include "raceday/RaceCard.h"
#include "util/ShiftJis.h"
#include "util/Text.h"

namespace solvane {
namespace {

std::string u(std::string_view sjis)
{
    return fromSjis(sjis);
}

int intField(std::string_view rec, std::size_t pos, std::size_t len)
{
    return static_cast<int>(toIntDef(field(rec, pos, len), 0));
}

std::string weatherLine(std::string_view weather, std::string_view turf, std::string_view dirt)
{
    return u(WeatherLabel(weather)) + "\u3000" + u(GoingLabel(turf, 1)) + "\u3000" + u(GoingLabel(dirt, 2));
}

// The going as the change reports left it in the derived record; before any report arrived, as the
// race record announced it. A line of nothing but wide spaces counts as empty, so that a race without
// reports still shows its announced going.
std::string weatherOf(std::string_view ra, const TOutData& r)
{
    const std::string reported = weatherLine(r.Tenko, r.ShibaBaba, r.DirtBaba);
    if (!trim(StripWideSpaces(toSjis(reported))).empty())
        return reported;
    return weatherLine(field(ra, 888, 1), field(ra, 889, 1), field(ra, 890, 1));
}

} // namespace

RaceHeader BuildRaceHeader(const RaceDay& day, int slot)
{
    RaceHeader h;
    if (slot < 0 || static_cast<std::size_t>(slot) >= day.RaRecs.size() ||
        static_cast<std::size_t>(slot) >= day.RaceRecs.size())
        return h;
    const std::string& ra = day.RaRecs[static_cast<std::size_t>(slot)];
    const TOutData& r = day.RaceRecs[static_cast<std::size_t>(slot)];

    h.Label1 = u(RaceYear(ra)) + "年" + u(RaceMonth(ra)) + "月" + u(RaceDayOfMonth(ra)) + "日(" +
               u(WeekdayLabel(field(ra, 28, 1))) + ")" + u(TrackName(VenueCode(ra))) + u(field(ra, 22, 2)) + "回" +
               u(field(ra, 24, 2)) + "日" + u(RaceNumberText(ra)) + "R   " + u(field(ra, 874, 2)) + "." +
               u(field(ra, 876, 2)) + "発走  " + weatherOf(ra, r);
    h.Label2 = u(trim(StripWideSpaces(field(ra, 33, 60))));
    h.Label3 = strprintf("%2d", intField(ra, 882, 2)) + "頭 " + strprintf("%4d", intField(ra, 698, 4)) + "ﾒｰﾄﾙ " +
               u(CourseLabel(field(ra, 706, 2))) + " " + u(GradeLabel(field(ra, 615, 1), 1)) + " " +
               u(WeightTypeLabel(field(ra, 622, 1))) + " " + u(RaceClassLabel(field(ra, 617, 2), field(ra, 635, 3)));
    h.BashoLabel = u(TrackName(VenueCode(ra)));
    h.RaceLabel = u(trim(PadNumber(RaceNumberText(ra))));

    // No odds record yet: an empty label rather than a lone ":". Only the odds of a sale in progress carry
    // their announcement time; the closing odds carry "00000000", which would read as announced at 00:00,
    // so they are called what the program calls them everywhere, 確定 (the store keeps no data kind that
    // could tell the last odds of the sale from the confirmed ones).
    if (static_cast<std::size_t>(slot) < day.O1Recs.size()) {
        const std::string& o1 = day.O1Recs[static_cast<std::size_t>(slot)];
        const std::string_view hh = field(o1, 32, 2), mm = field(o1, 34, 2);
        if (AnnouncedAt(o1) == "00000000")
            h.OzGetTimeLabel = "確定";
        else if (!trim(hh).empty() || !trim(mm).empty())
            h.OzGetTimeLabel = u(hh) + ":" + u(mm);
    }

    const int track = intField(ra, 706, 2);
    h.panelColour = (track >= 10 && track <= 22) ? kTurfPanelColour : kOtherPanelColour;
    return h;
}

} // namespace solvane
