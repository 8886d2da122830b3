// The automatic schedule of race day as functions of the clock: when each race's odds are due, the
// working windows of the timers, the next-race list and selection, the clock and countdown texts, and
// the one object that remembers what the timers did (ScheduleState).
//
// The window never decides anything itself: its one-second timer calls ScheduleState::tick with the
// current time and carries out what comes back (LiveDay.h runs the fetches). The CLI's simulated day
// calls the same tick with a ManualClock, so a whole race day replays without waiting.
#pragma once

#include "raceday/DayLoader.h"
#include "raceday/RaceDay.h"
#include "util/Clock.h"

#include <array>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace solvane {

// Timer intervals of the main window, in milliseconds.
inline constexpr int kTimer1Ms = 1000;        // odds-fetch schedule
inline constexpr int kTimer2Ms = 500;         // clock label
inline constexpr int kTimer3Ms = 1000;        // time left to post
inline constexpr int kTimer4FirstMs = 1000;   // mining and results, before the first day load
inline constexpr int kHenkoTimerMs = 300000;  // meeting changes
inline constexpr int kCurRaceTimerMs = 30000; // next-race selection
// Mining and results after a day load: [Time] AutoRdataGet minutes.
int Timer4IntervalMs(int autoRdataGet);

// The settings the timers read on each tick.
struct ScheduleSettings {
    bool overWriteOK = false; // [OzGet] OverWriteOK: fetch at the set times even after a manual fetch
    bool sound1 = true;       // [Play] Sound1: play the alert after an odds pass
    std::string ozAlarm;      // [InfoSettings] OzAlarm: the sound file (UTF-8 path)
};

// The loaded day is today: its day key is the clock's date.
bool IsToday(const RaceDay& day, const DateTime& now);
// 09:00-18:00 by "hhnn" text: 08:59:59 is outside, 18:00:59 inside, 18:01:00 outside.
bool InWorkingWindow(const DateTime& now);
// 08:30-17:00 by "hhnn" text, both ends included: the meeting-changes fetch.
bool InChangeWindow(const DateTime& now);

// OzFetched: one flag per race slot, set once that race's live odds were fetched. The flags belong to
// the day they were set on, so a flag of another day never holds back today's fetch, and coming back
// to a day finds its flags as they were. A flag is cleared again only when a post-time change gives
// its race a fetch time still to come (ScheduleState::onPostTimesMoved).
class OzFetchedFlags {
public:
    bool get(std::string_view dayKey, int slot) const;
    void set(std::string_view dayKey, int slot);
    void clear(std::string_view dayKey, int slot);
    std::array<bool, kRaceSlots> ofDay(std::string_view dayKey) const;

private:
    std::map<std::string, std::array<bool, kRaceSlots>, std::less<>> byDay_;
};

// The entry of a due race: the 16-character race key (RA positions 12-27) followed by the slot
// right-aligned in two characters (" 7"). Characters 9-10 are the track, 15-16 the race number.
std::string DueRaceEntry(const RaceDay& day, int slot);
int SlotOfEntry(std::string_view entry);

// The slots due at the second hhmmss (trimmed AutoOzTime or AutoTohyoTime1 equal to it), in slot
// order, leaving out races already fetched unless overWriteOK. Pure: sets no flag.
std::vector<int> DueRaces(const RaceDay& day, const std::array<bool, kRaceSlots>& fetched, std::string_view hhmmss,
                          bool overWriteOK);

// A fetch time of the slot (its race's date with AutoOzTime or AutoTohyoTime1) is later than now.
bool FetchTimeAhead(const RaceDay& day, int slot, const DateTime& now);

// NowTimeRaceList: "hh:mm " + track + race number + "R" of every listed slot, sorted as text (so in
// post-time order). UTF-8.
std::vector<std::string> NowTimeRaceList(const RaceDay& day);
// CurRaceTimer and NextRBtn: the line to select, the first whose time is not earlier than now's
// "hh:nn" (a race posting this minute is still next), else the last. Nothing for an empty list.
std::optional<int> NextRaceLine(const std::vector<std::string>& lines, const DateTime& now);
// NextRaceBtn ("直前ﾚｰｽ"): the slot posting soonest strictly after the current minute (smallest
// hhmm - hhnn read as numbers; the earlier slot on a tie). Nothing when the day is not today's by its
// first race record, or no race is still to come.
std::optional<int> NextRaceBtnSlot(const RaceDay& day, const DateTime& now);

// NowTimLabel: "hh:nn:ss".
std::string ClockText(const DateTime& now);
// RestTimeLabel for the race of ra: "発走までの残り時間：hh:nn:ss" before its post, "発走済み" from it on;
// empty when no race is selected (raceSelected false) or the record names no post moment.
std::string RestTimeText(std::string_view ra, bool raceSelected, const DateTime& now);

// Timer4: the results fetch runs once "hhnn" is past the first race's post time minus
// (AutoRdataGet + 30) minutes.
bool ResultsFetchDue(const RaceDay& day, const DateTime& now, int autoRdataGet);

// What the timers want done at one moment. Empty fields: nothing to do.
struct DueActions {
    // Timer1: the odds pass over these entries (DueRaceEntry), then the alert when playSound.
    std::vector<std::string> oddsEntries;
    bool playSound = false;
    std::string soundFile;
    // Timer4: mining (silent), then results (silent) when resultsDue.
    bool mining = false;
    bool results = false;
    // HenkoTimer: the meeting-changes fetch (silent).
    bool changes = false;
    // CurRaceTimer: select this NowTimeRaceList line.
    std::optional<int> nextRaceLine;
    bool nextRaceTimer = false;
    // Timer2 (empty while the clock is stopped) and Timer3.
    std::string clockText;
    std::string restTimeText;

    bool any() const { return !oddsEntries.empty() || mining || changes || nextRaceTimer; }
};

// The state the timers keep between ticks. Owned by the main window (or the simulated day).
class ScheduleState {
public:
    // A race-day load: restarts the timers as the load says (Timer4 at the day's interval, the
    // today-only timers when runTodayTimers). The odds flags of other days are kept for those days.
    void onDayLoaded(const RaceDay& day, const DayLoadResult& load, int autoRdataGet, const DateTime& now);

    // One tick of the one-second timer. Decides, by the timers' intervals since the last load, which
    // jobs are due, and for the odds schedule sets the OzFetched flags of the due races. raceSelected:
    // the race list has a selection (for the countdown).
    DueActions tick(const RaceDay& day, const DateTime& now, const ScheduleSettings& settings,
                    bool raceSelected = true);

    // The manual "速報ｵｯｽﾞ" fetched this race's odds.
    void markFetched(const RaceDay& day, int slot) { flags_.set(day.DayKey, slot); }
    // A change read moved the post times of these slots (ChangeReadResult::movedSlots), and with them
    // their fetch times. Odds fetched before the move are from too long before the new post, so a race
    // whose new fetch time is still ahead of now is due again: its flag of the day is cleared, whoever
    // set it. A race whose new times have passed keeps its flag.
    void onPostTimesMoved(const RaceDay& day, std::span<const int> slots, const DateTime& now);
    const OzFetchedFlags& flags() const { return flags_; }
    OzFetchedFlags& flags() { return flags_; }

    // Running marks: a job whose previous run is still going (it lets events run, so ticks arrive
    // inside it) is not started again. The caller sets them around the work.
    bool oddsPassRunning = false;
    bool resultsJobRunning = false;
    bool changesJobRunning = false;

    bool todayTimersRunning() const { return todayTimers_; }
    bool clockRunning() const { return clockRunning_; }
    int timer4IntervalMs() const { return timer4Ms_; }

private:
    // True when a timer due at next fires at now; next moves on by whole intervals.
    static bool fires(long long& next, long long intervalMs, long long nowMs);

    OzFetchedFlags flags_;
    bool todayTimers_ = false;
    bool clockRunning_ = true;
    int timer4Ms_ = kTimer4FirstMs;
    int autoRdataGet_ = 10; // in force at the last load
    bool started_ = false;
    long long timer4Next_ = 0, henkoNext_ = 0, curRaceNext_ = 0; // milliseconds since 1970
};

} // namespace solvane
