// Carrying out what the timers decided: the odds pass, the silent mining and results fetches, the
// change fetch and the next-race selection. The window's one-second timer and the CLI's simulated
// day both call RunDueActions with what ScheduleState::tick returned, and show what comes back.
#pragma once

#include "voting/RealTimeFetch.h"
#include "voting/Schedule.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace solvane {

// NowTimeRaceList refilled and the line to select ("直近R", also after a day load and after a change
// read that asks for it).
struct NextRaceSelection {
    std::vector<std::string> lines;
    std::optional<int> selected;
};
NextRaceSelection NextRBtnClick(const RaceDay& day, const DateTime& now);

// "速報ｵｯｽﾞ" as the window presses it: the fetch, and the race's OzFetched flag once its odds were
// read, so the schedule leaves it alone unless [OzGet] OverWriteOK.
FetchResult PressSokuhoOdds(ScheduleState& state, JVLink& link, RaceDay& day, const FetchEnv& env);

struct TickOutcome {
    // One line per thing done, for a person ("ｵｯｽﾞ取得 東京11R", "エラー：…"). UTF-8.
    std::vector<std::string> did;
    std::vector<FetchResult> fetches; // in the order they ran
    int beeps = 0;
    bool playSound = false; // start the alert sound (asynchronously)
    std::string soundFile;
    bool redisplay = false; // redisplay the selected race
    // NowTimeRaceList was refilled (a change read asked) or the next race moved.
    std::optional<NextRaceSelection> nextRace;
    std::string clockText;    // NowTimLabel; empty while the clock is stopped
    std::string restTimeText; // RestTimeLabel
    std::string status;       // DLlabel at the end: the last error, or empty
};

// Runs the due jobs in the order the timers would: odds pass, mining and results, changes. Sets and
// clears the running marks of state around each job. dailyLog gets the odds pass's lines. A change
// that moves a race's post time makes it due again at its new fetch time while that is still to come.
TickOutcome RunDueActions(ScheduleState& state, JVLink& link, RaceDay& day, const FetchEnv& env, const DueActions& due,
                          const std::function<void(const std::string&)>& dailyLog);

} // namespace solvane
