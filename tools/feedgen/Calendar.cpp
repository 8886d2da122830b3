#include "feedgen/Calendar.h"

#include <array>

namespace solvane::feedgen {

namespace {

constexpr std::array<VenueInfo, 10> kVenues = {{
    {1, "札幌", false, true},
    {2, "函館", false, true},
    {3, "福島", false, true},
    {4, "新潟", true, true},
    {5, "東京", true, false},
    {6, "中山", false, false},
    {7, "中京", true, false},
    {8, "京都", false, false},
    {9, "阪神", false, false},
    {10, "小倉", false, true},
}};

// Venues of each month: the eastern main venue, the western main venue, the third venue.
constexpr int kMonthVenues[12][3] = {
    {6, 8, 7}, {5, 8, 10}, {6, 9, 7}, {6, 9, 3}, {5, 8, 4}, {5, 9, 2},
    {3, 7, 2}, {4, 10, 1}, {6, 9, 1}, {5, 8, 4}, {5, 8, 3}, {6, 9, 7},
};

int NthWeekdayOfMonth(int year, int month, int weekday, int n)
{
    DateTime first{year, month, 1, 0, 0, 0};
    int offset = (weekday - first.weekday() + 7) % 7;
    return 1 + offset + 7 * (n - 1);
}

bool IsRacedHolidayMonday(const DateTime& d)
{
    if (d.weekday() != 1)
        return false;
    if (d.month == 1)
        return d.day == NthWeekdayOfMonth(d.year, 1, 1, 2);
    if (d.month == 9)
        return d.day == NthWeekdayOfMonth(d.year, 9, 1, 3);
    if (d.month == 10)
        return d.day == NthWeekdayOfMonth(d.year, 10, 1, 2);
    return false;
}

bool IsRaceDay(const DateTime& d, int* weekdayCode)
{
    if ((d.month == 12 && d.day > 28) || (d.month == 1 && d.day < 5))
        return false;
    const int wd = d.weekday();
    if (wd == 6) {
        *weekdayCode = 1;
        return true;
    }
    if (wd == 0) {
        *weekdayCode = 2;
        return true;
    }
    if (IsRacedHolidayMonday(d)) {
        *weekdayCode = 3;
        return true;
    }
    return false;
}

// The third venue rests on some weekends of the winter months.
bool ThirdVenueRuns(const DateTime& d, int weekdayCode)
{
    if (weekdayCode == 3)
        return false;
    if (d.month == 1 && d.day < 14)
        return false;
    if (d.month == 12 && d.day > 21)
        return false;
    return true;
}

std::vector<RaceDayPlan> YearPlans(int year)
{
    std::vector<RaceDayPlan> plans;
    std::array<int, 11> kai{}, nichi{}, lastMonth{};
    for (DateTime d{year, 1, 1, 0, 0, 0}; d.year == year; d = d.addDays(1)) {
        int code = 0;
        if (!IsRaceDay(d, &code))
            continue;
        RaceDayPlan plan;
        plan.date = d;
        plan.weekdayCode = code;
        const int count = ThirdVenueRuns(d, code) ? 3 : 2;
        for (int i = 0; i < count; ++i) {
            const int v = kMonthVenues[d.month - 1][i];
            // A venue that did not race last month opens a new meeting; a meeting lasts eight days.
            if (kai[v] == 0 || lastMonth[v] < d.month - 1 || nichi[v] >= 8) {
                ++kai[v];
                nichi[v] = 0;
            }
            ++nichi[v];
            lastMonth[v] = d.month;
            // The third venue posts first, the western venue last.
            const int order = i == 2 ? 0 : (i == 0 ? 1 : 2);
            plan.venues.push_back(VenueDay{v, kai[v], nichi[v], count == 3 ? order : i});
        }
        plans.push_back(std::move(plan));
    }
    return plans;
}

} // namespace

const VenueInfo& Venue(int code)
{
    return kVenues[static_cast<std::size_t>((code >= 1 && code <= 10 ? code : 5) - 1)];
}

std::vector<RaceDayPlan> BuildCalendar(const DateTime& from, const DateTime& to)
{
    std::vector<RaceDayPlan> out;
    const long long lo = from.toDays(), hi = to.toDays();
    for (int year = from.year; year <= to.year; ++year)
        for (auto& plan : YearPlans(year)) {
            const long long day = plan.date.toDays();
            if (day >= lo && day <= hi)
                out.push_back(std::move(plan));
        }
    return out;
}

RaceDayPlan ExtraDayPlan(const DateTime& day)
{
    RaceDayPlan plan;
    plan.date = day.date();
    plan.weekdayCode = day.weekday() == 6 ? 1 : (day.weekday() == 0 ? 2 : 3);
    // Reuse the meeting of the nearest calendar weekend so the counters look familiar.
    auto plans = YearPlans(day.year);
    const RaceDayPlan* near = nullptr;
    for (const auto& p : plans)
        if (p.date.toDays() <= day.toDays())
            near = &p;
    if (!near && !plans.empty())
        near = &plans.front();
    const int m = day.month - 1;
    for (int i = 0; i < 3; ++i) {
        VenueDay vd{kMonthVenues[m][i], 1, 1, i == 2 ? 0 : (i == 0 ? 1 : 2)};
        if (near)
            for (const auto& v : near->venues)
                if (v.venue == vd.venue) {
                    vd.kai = v.kai;
                    vd.nichi = v.nichi < 12 ? v.nichi + 1 : v.nichi;
                }
        plan.venues.push_back(vd);
    }
    return plan;
}

int PlannedPostTime(const VenueDay& vd, int raceNo)
{
    // 09:50, every thirty minutes with a lunch break after the fourth race, the main race about
    // 15:30 and the last race by 16:30; venues are ten minutes apart.
    static constexpr int kBase[13] = {0,
                                      9 * 60 + 50,
                                      10 * 60 + 20,
                                      10 * 60 + 50,
                                      11 * 60 + 20,
                                      12 * 60 + 15,
                                      12 * 60 + 45,
                                      13 * 60 + 15,
                                      13 * 60 + 45,
                                      14 * 60 + 20,
                                      14 * 60 + 55,
                                      15 * 60 + 35,
                                      16 * 60 + 10};
    const int r = raceNo < 1 ? 1 : (raceNo > 12 ? 12 : raceNo);
    return kBase[r] + 10 * vd.order + (r == 1 ? 0 : (vd.order == 0 ? -5 : 0));
}

} // namespace solvane::feedgen
