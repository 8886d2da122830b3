#include "voting/Schedule.h"

#include "jvdata/CodeTables.h"
#include "jvdata/RecordFields.h"
#include "raceday/DayFiles.h"
#include "raceday/RaceRecords.h"
#include "util/ShiftJis.h"
#include "util/Text.h"

#include <algorithm>

namespace solvane {

namespace {

bool allDigits(std::string_view s)
{
    return std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

} // namespace

int Timer4IntervalMs(int autoRdataGet)
{
    return autoRdataGet * 60000;
}

bool IsToday(const RaceDay& day, const DateTime& now)
{
    return !day.DayKey.empty() && day.DayKey == DayKeyOf(now);
}

bool InWorkingWindow(const DateTime& now)
{
    const std::string t = now.hhnn();
    return t >= "0900" && t <= "1800";
}

bool InChangeWindow(const DateTime& now)
{
    const std::string t = now.hhnn();
    return t >= "0830" && t <= "1700";
}

bool OzFetchedFlags::get(std::string_view dayKey, int slot) const
{
    const auto it = byDay_.find(dayKey);
    return it != byDay_.end() && slot >= 0 && slot < kRaceSlots && it->second[static_cast<std::size_t>(slot)];
}

void OzFetchedFlags::set(std::string_view dayKey, int slot)
{
    if (dayKey.empty() || slot < 0 || slot >= kRaceSlots)
        return;
    auto it = byDay_.find(dayKey);
    if (it == byDay_.end())
        it = byDay_.emplace(std::string(dayKey), std::array<bool, kRaceSlots>{}).first;
    it->second[static_cast<std::size_t>(slot)] = true;
}

void OzFetchedFlags::clear(std::string_view dayKey, int slot)
{
    const auto it = byDay_.find(dayKey);
    if (it != byDay_.end() && slot >= 0 && slot < kRaceSlots)
        it->second[static_cast<std::size_t>(slot)] = false;
}

std::array<bool, kRaceSlots> OzFetchedFlags::ofDay(std::string_view dayKey) const
{
    const auto it = byDay_.find(dayKey);
    return it == byDay_.end() ? std::array<bool, kRaceSlots>{} : it->second;
}

std::string DueRaceEntry(const RaceDay& day, int slot)
{
    return std::string(field(day.RaRecs[static_cast<std::size_t>(slot)], 12, 16)) + strprintf("%2d", slot);
}

int SlotOfEntry(std::string_view entry)
{
    return static_cast<int>(toIntDef(field(entry, 17, 2), -1));
}

std::vector<int> DueRaces(const RaceDay& day, const std::array<bool, kRaceSlots>& fetched, std::string_view hhmmss,
                          bool overWriteOK)
{
    std::vector<int> due;
    for (int s = 0; s < kRaceSlots; ++s) {
        const TOutData& r = day.RaceRecs[static_cast<std::size_t>(s)];
        const bool atTime = hhmmss == trim(r.AutoOzTime) || hhmmss == trim(r.AutoTohyoTime1);
        if (atTime && !hhmmss.empty() && (!fetched[static_cast<std::size_t>(s)] || overWriteOK))
            due.push_back(s);
    }
    return due;
}

bool FetchTimeAhead(const RaceDay& day, int slot, const DateTime& now)
{
    if (slot < 0 || slot >= kRaceSlots)
        return false;
    const auto s = static_cast<std::size_t>(slot);
    const std::string date(RaceDate(day.RaRecs[s]));
    for (const std::string* time : {&day.RaceRecs[s].AutoOzTime, &day.RaceRecs[s].AutoTohyoTime1}) {
        const auto at = DateTime::parse(date + std::string(trim(*time)));
        if (at && at->toSeconds() > now.toSeconds())
            return true;
    }
    return false;
}

std::vector<std::string> NowTimeRaceList(const RaceDay& day)
{
    std::vector<std::string> lines;
    for (int s = 0; s < kRaceSlots; ++s) {
        const std::string_view ra = day.RaRecs[static_cast<std::size_t>(s)];
        if (!IsListedRace(ra))
            continue;
        const std::string_view post = PostTime(ra);
        lines.push_back(std::string(field(post, 1, 2)) + ":" + std::string(field(post, 3, 2)) + " " + RaceListText(ra));
    }
    // The list box sorted its lines as the system's (Shift-JIS) text; on equal times that decides which
    // venue comes first, so the order is taken from the Shift-JIS bytes, not from UTF-8.
    std::stable_sort(lines.begin(), lines.end(),
                     [](const std::string& a, const std::string& b) { return toSjis(a) < toSjis(b); });
    return lines;
}

std::optional<int> NextRaceLine(const std::vector<std::string>& lines, const DateTime& now)
{
    if (lines.empty())
        return std::nullopt;
    const std::string hm = now.hh_nn_ss().substr(0, 5);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (!(std::string_view(lines[i]).substr(0, 5) < hm))
            return static_cast<int>(i);
    }
    return static_cast<int>(lines.size()) - 1;
}

std::optional<int> NextRaceBtnSlot(const RaceDay& day, const DateTime& now)
{
    if (day.DayKey.empty() || day.RaceList.empty() || RaceDate(day.RaRecs[0]) != now.yyyymmdd())
        return std::nullopt;
    const std::string hhnn = now.hhnn();
    const long long nowNum = toIntDef(hhnn, 0);
    std::optional<int> best;
    long long bestD = 0;
    for (const RaceListItem& item : day.RaceList) {
        const std::string_view post = PostTime(day.RaRecs[static_cast<std::size_t>(item.slot)]);
        if (!(post > std::string_view(hhnn)))
            continue;
        const long long d = toIntDef(post, 0) - nowNum;
        if (!best || d < bestD) {
            best = item.slot;
            bestD = d;
        }
    }
    return best;
}

std::string ClockText(const DateTime& now)
{
    return now.hh_nn_ss();
}

std::string RestTimeText(std::string_view ra, bool raceSelected, const DateTime& now)
{
    if (!raceSelected)
        return {};
    const std::string_view date = RaceDate(ra), post = PostTime(ra);
    if (date.size() != 8 || post.size() != 4 || !allDigits(date) || !allDigits(post))
        return {};
    const auto start = DateTime::parse(std::string(date) + std::string(post) + "00");
    if (!start)
        return {};
    const long long left = start->toSeconds() - now.toSeconds();
    if (left <= 0)
        return "発走済み";
    return "発走までの残り時間：" + strprintf("%02lld:%02lld:%02lld", left / 3600, left / 60 % 60, left % 60);
}

bool ResultsFetchDue(const RaceDay& day, const DateTime& now, int autoRdataGet)
{
    const std::string from = AddMinutes(PostTime(day.RaRecs[0]), -(autoRdataGet + 30));
    return now.hhnn() > from;
}

void ScheduleState::onDayLoaded(const RaceDay& /*day*/, const DayLoadResult& load, int autoRdataGet,
                                const DateTime& now)
{
    const long long nowMs = now.toSeconds() * 1000;
    started_ = true;
    // A load stops the clock and the today-only timers and starts them again only for today.
    todayTimers_ = load.runTodayTimers;
    clockRunning_ = load.runTodayTimers;
    timer4Ms_ = std::max(1000, Timer4IntervalMs(autoRdataGet));
    timer4Next_ = nowMs + timer4Ms_;
    henkoNext_ = nowMs + kHenkoTimerMs;
    curRaceNext_ = nowMs + kCurRaceTimerMs;
    autoRdataGet_ = autoRdataGet;
}

void ScheduleState::onPostTimesMoved(const RaceDay& day, std::span<const int> slots, const DateTime& now)
{
    for (const int s : slots) {
        if (FetchTimeAhead(day, s, now))
            flags_.clear(day.DayKey, s);
    }
}

bool ScheduleState::fires(long long& next, long long intervalMs, long long nowMs)
{
    if (nowMs < next)
        return false;
    // A timer that fell behind (a long fetch) fires once, as a window timer would, and keeps its pace.
    while (next <= nowMs)
        next += intervalMs;
    return true;
}

DueActions ScheduleState::tick(const RaceDay& day, const DateTime& now, const ScheduleSettings& settings,
                               bool raceSelected)
{
    DueActions due;
    const long long nowMs = now.toSeconds() * 1000;
    if (!started_) {
        started_ = true;
        timer4Next_ = nowMs + timer4Ms_;
    }
    const bool today = IsToday(day, now);

    // Timer1: odds at each race's set second.
    if (today && InWorkingWindow(now) && !oddsPassRunning) {
        for (const int s : DueRaces(day, flags_.ofDay(day.DayKey), now.hhnnss(), settings.overWriteOK)) {
            flags_.set(day.DayKey, s);
            due.oddsEntries.push_back(DueRaceEntry(day, s));
        }
        if (!due.oddsEntries.empty() && settings.sound1) {
            due.playSound = true;
            due.soundFile = settings.ozAlarm;
        }
    }

    // Timer4: mining, and results once the first race is near.
    if (fires(timer4Next_, timer4Ms_, nowMs) && today && InWorkingWindow(now) && !resultsJobRunning) {
        due.mining = true;
        due.results = ResultsFetchDue(day, now, autoRdataGet_);
    }

    if (todayTimers_) {
        if (fires(henkoNext_, kHenkoTimerMs, nowMs) && InChangeWindow(now) && !changesJobRunning)
            due.changes = true;
        if (fires(curRaceNext_, kCurRaceTimerMs, nowMs)) {
            due.nextRaceTimer = true;
            due.nextRaceLine = NextRaceLine(NowTimeRaceList(day), now);
        }
    }

    if (clockRunning_)
        due.clockText = ClockText(now);
    const bool selected = raceSelected && !day.RaceList.empty() && day.CurRace >= 0 && day.CurRace < kRaceSlots;
    due.restTimeText = RestTimeText(selected ? std::string_view(day.RaRecs[static_cast<std::size_t>(day.CurRace)]) : "",
                                    selected, now);
    return due;
}

} // namespace solvane
