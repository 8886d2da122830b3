#include "feedgen/Calendar.h"

#include <algorithm>
#include <array>

namespace solvane::feedgen {

namespace {

constexpr std::array<VenueInfo, 10> kVenues = {{
    {1, "札幌", true},
    {2, "函館", true},
    {3, "福島", true},
    {4, "新潟", true},
    {5, "東京", false},
    {6, "中山", false},
    {7, "中京", false},
    {8, "京都", false},
    {9, "阪神", false},
    {10, "小倉", true},
}};

using enum Anchor;

// A meeting (kai): a venue races the weekends from one Sunday to another, each given as days from an
// anchor (the Saturday before the first Sunday belongs to it). JRA's year: Nakayama and Kyoto open in
// January with Chukyo; Tokyo, Kyoto and Kokura in February; Nakayama, Hanshin and Chukyo or Kokura in
// March; Nakayama, Hanshin and Fukushima in April; Tokyo, Kyoto and Niigata up to the Derby; Tokyo and
// Hanshin in June with Hakodate from mid-June; Fukushima, Chukyo and Hakodate in July; Niigata,
// Kokura and Sapporo in August; Nakayama and Hanshin in September; Tokyo and Kyoto in October and
// November with Niigata and Fukushima; Nakayama, Hanshin and Chukyo in December.
struct Meeting {
    int venue;
    Anchor from;
    int fromOffset;
    Anchor to;
    int toOffset;
    bool mondays; // races on the holiday Mondays within it
    bool yearEnd; // races on 28 December when that is not the Arima Kinen's weekend
};

constexpr Meeting kMeetings[] = {
    {6, Opening, 0, February, -28, true, false},
    {8, Opening, 0, February, -28, true, false},
    {7, FirstSunday, 7, February, -28, false, false},
    {5, February, -21, February, 0, false, false},
    {8, February, -21, February, 0, false, false},
    {10, February, -21, February, 0, false, false},
    {6, February, 7, Derby, -70, false, false},
    {9, February, 7, Derby, -70, false, false},
    {10, February, 7, Derby, -84, false, false},
    {7, Derby, -77, Derby, -63, false, false},
    {6, Derby, -63, Derby, -42, false, false},
    {9, Derby, -63, Derby, -42, false, false},
    {3, Derby, -49, Derby, -35, false, false},
    {5, Derby, -35, Derby, 0, false, false},
    {8, Derby, -35, Derby, 0, false, false},
    {4, Derby, -21, Derby, -7, false, false},
    {5, Derby, 7, Derby, 28, false, false},
    {9, Derby, 7, Derby, 28, false, false},
    {2, Derby, 21, Derby, 35, false, false},
    {3, Derby, 35, Sprinters, -70, false, false},
    {7, Derby, 35, Sprinters, -70, false, false},
    {2, Derby, 42, Sprinters, -70, false, false},
    {4, Sprinters, -63, Sprinters, -28, false, false},
    {10, Sprinters, -63, Sprinters, -28, false, false},
    {1, Sprinters, -63, Sprinters, -49, false, false},
    {1, Sprinters, -42, Sprinters, -28, false, false},
    {6, Sprinters, -21, Sprinters, 0, true, false},
    {9, Sprinters, -21, Sprinters, 0, true, false},
    {5, Sprinters, 7, JapanCup, -28, true, false},
    {8, Sprinters, 7, JapanCup, -28, true, false},
    {4, JapanCup, -42, JapanCup, -28, false, false},
    {5, JapanCup, -21, JapanCup, 0, false, false},
    {8, JapanCup, -21, JapanCup, 0, false, false},
    {3, JapanCup, -14, JapanCup, 0, false, false},
    {6, JapanCup, 7, JapanCup, 28, false, true},
    {9, JapanCup, 7, JapanCup, 28, false, true},
    {7, JapanCup, 7, JapanCup, 28, false, false},
};

long long Day(int year, int month, int day)
{
    return DateTime{year, month, day, 0, 0, 0}.toDays();
}

// 0 = Sunday ... 6 = Saturday; 1970-01-01 was a Thursday.
int WeekdayOf(long long day)
{
    return static_cast<int>(((day + 4) % 7 + 7) % 7);
}

long long SundayOnOrAfter(long long day)
{
    return day + (7 - WeekdayOf(day)) % 7;
}

int NthWeekdayOfMonth(int year, int month, int weekday, int n)
{
    DateTime first{year, month, 1, 0, 0, 0};
    int offset = (weekday - first.weekday() + 7) % 7;
    return 1 + offset + 7 * (n - 1);
}

// The Mondays JRA races on: Coming-of-Age Day, Respect-for-the-Aged Day and Sports Day.
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

int WeekdayCode(const DateTime& d)
{
    const int wd = d.weekday();
    if (wd == 6)
        return 1;
    if (wd == 0)
        return 2;
    if (IsRacedHolidayMonday(d))
        return 3;
    return 3 + wd; // Monday 4 .. Friday 8
}

// The venue-days of a day post in turn: the small venues first, the western main venue last.
int PostRank(int venue)
{
    static constexpr int kRank[11] = {0, 0, 0, 0, 0, 2, 2, 1, 3, 3, 0};
    return kRank[venue];
}

struct Year {
    int year = 0;
    long long anchors[7] = {};
    std::vector<RaceDayPlan> plans; // by date
};

Year BuildYear(int year)
{
    Year y;
    y.year = year;
    // The season opens on 5 January (the 6th when the 5th is a Friday) and closes on 28 December.
    long long opening = Day(year, 1, 5);
    if (WeekdayOf(opening) == 5)
        ++opening;
    const long long february = Day(year, 2, NthWeekdayOfMonth(year, 2, 0, 3));
    const long long derby = SundayOnOrAfter(Day(year, 5, 26));
    const long long sprinters = SundayOnOrAfter(Day(year, 9, 26));
    const long long japanCup = SundayOnOrAfter(Day(year, 11, 24));
    const long long arima = japanCup + 28;
    const long long dec28 = Day(year, 12, 28);
    // The Hopeful Stakes closes the year on the 28th; when the Arima Kinen itself is run on the 27th
    // or the 28th the Hopeful is run the day before it and there is no later day.
    const bool lateDay = arima <= dec28 - 2;
    const long long yearEnd = lateDay ? dec28 : arima - 1;
    long long* a = y.anchors;
    a[static_cast<int>(Opening)] = opening;
    a[static_cast<int>(FirstSunday)] = SundayOnOrAfter(opening);
    a[static_cast<int>(February)] = february;
    a[static_cast<int>(Derby)] = derby;
    a[static_cast<int>(Sprinters)] = sprinters;
    a[static_cast<int>(JapanCup)] = japanCup;
    a[static_cast<int>(YearEnd)] = yearEnd;

    struct Span {
        const Meeting* m;
        long long first, last;
        int kai = 0, nichi = 0;
    };
    std::vector<Span> spans;
    for (const Meeting& m : kMeetings) {
        const long long first = m.from == Opening ? opening : a[static_cast<int>(m.from)] + m.fromOffset - 1;
        spans.push_back({&m, first, a[static_cast<int>(m.to)] + m.toOffset});
    }
    std::stable_sort(spans.begin(), spans.end(), [](const Span& l, const Span& r) { return l.first < r.first; });
    std::array<int, 11> kai{};
    for (Span& s : spans)
        s.kai = ++kai[static_cast<std::size_t>(s.m->venue)];

    for (long long day = Day(year, 1, 1); day <= Day(year, 12, 31); ++day) {
        const DateTime d = DateTime{1970, 1, 1, 0, 0, 0}.addDays(day);
        const int wd = WeekdayOf(day);
        const bool monday = IsRacedHolidayMonday(d);
        RaceDayPlan plan;
        for (Span& s : spans) {
            bool raced = false;
            if (day >= s.first && day <= s.last)
                raced = wd == 6 || wd == 0 || (monday && s.m->mondays) || (day == opening && s.m->from == Opening);
            if (lateDay && day == dec28 && s.m->yearEnd)
                raced = true;
            if (!raced)
                continue;
            plan.venues.push_back(VenueDay{s.m->venue, s.kai, ++s.nichi, 0, {}});
        }
        if (plan.venues.empty())
            continue;
        std::sort(plan.venues.begin(), plan.venues.end(), [](const VenueDay& l, const VenueDay& r) {
            return PostRank(l.venue) != PostRank(r.venue) ? PostRank(l.venue) < PostRank(r.venue) : l.venue < r.venue;
        });
        for (std::size_t i = 0; i < plan.venues.size(); ++i)
            plan.venues[i].order = static_cast<int>(i);
        plan.date = d;
        plan.weekdayCode = WeekdayCode(d);
        plan.derby = derby;
        plan.sprinters = sprinters;
        y.plans.push_back(std::move(plan));
    }

    // The graded races, the flat G1 first so that a jump race sharing its day gives way.
    const auto races = GradedRaces();
    std::vector<std::size_t> order(races.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::stable_partition(order.begin(), order.end(), [&](std::size_t i) { return races[i].grade == 'A'; });
    for (std::size_t i : order) {
        const GradedRace& g = races[i];
        const long long day = a[static_cast<int>(g.anchor)] + g.offset;
        // A holiday Monday that is not raced that year gives its race to the Sunday; a day already
        // holding a race of that number moves it, as JRA does, a week on.
        const long long candidates[] = {day, WeekdayOf(day) == 1 ? day - 1 : day + 7, day + 7, day - 7};
        bool placed = false;
        for (long long c : candidates) {
            for (RaceDayPlan& p : y.plans) {
                if (p.date.toDays() != c)
                    continue;
                for (VenueDay& vd : p.venues) {
                    if (vd.venue != g.venue)
                        continue;
                    for (int raceNo : {g.raceNo, g.raceNo - 1}) {
                        auto& slot = vd.graded[static_cast<std::size_t>(raceNo)];
                        if (slot == 0) {
                            slot = static_cast<std::int16_t>(i + 1);
                            placed = true;
                            break;
                        }
                    }
                }
            }
            if (placed)
                break;
        }
    }
    return y;
}

} // namespace

const VenueInfo& Venue(int code)
{
    return kVenues[static_cast<std::size_t>((code >= 1 && code <= 10 ? code : 5) - 1)];
}

long long AnchorDay(int year, Anchor anchor)
{
    return BuildYear(year).anchors[static_cast<int>(anchor)];
}

std::vector<RaceDayPlan> BuildCalendar(const DateTime& from, const DateTime& to)
{
    std::vector<RaceDayPlan> out;
    const long long lo = from.toDays(), hi = to.toDays();
    for (int year = from.year; year <= to.year; ++year)
        for (auto& plan : BuildYear(year).plans) {
            const long long day = plan.date.toDays();
            if (day >= lo && day <= hi)
                out.push_back(std::move(plan));
        }
    return out;
}

RaceDayPlan ExtraDayPlan(const DateTime& day)
{
    Year y = BuildYear(day.year);
    const RaceDayPlan* near = nullptr;
    for (const auto& p : y.plans)
        if (p.date.toDays() <= day.toDays())
            near = &p;
    if (!near && !y.plans.empty())
        near = &y.plans.front();
    RaceDayPlan plan;
    plan.date = day.date();
    plan.weekdayCode = WeekdayCode(plan.date);
    plan.derby = y.anchors[static_cast<int>(Derby)];
    plan.sprinters = y.anchors[static_cast<int>(Sprinters)];
    if (near)
        for (VenueDay vd : near->venues) {
            vd.graded = {};
            vd.nichi = vd.nichi < 12 ? vd.nichi + 1 : vd.nichi;
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
