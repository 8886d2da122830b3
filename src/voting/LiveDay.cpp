#include "voting/LiveDay.h"

#include "jvdata/CodeTables.h"
#include "util/ShiftJis.h"
#include "util/Text.h"

namespace solvane {

namespace {

// Clears a running mark however the job ends.
class Running {
public:
    explicit Running(bool& mark) : mark_(mark) { mark_ = true; }
    ~Running() { mark_ = false; }
    Running(const Running&) = delete;
    Running& operator=(const Running&) = delete;

private:
    bool& mark_;
};

void take(TickOutcome& out, const std::string& what, FetchResult result)
{
    if (!result.ran)
        return;
    out.did.push_back(result.noData ? what + "（データなし）" : what);
    for (const std::string& line : result.errorLog)
        out.did.push_back("エラー：" + line);
    // An error the log does not hold (none at present) still reaches the person.
    if (result.errorLog.empty() && !result.status.empty())
        out.did.push_back("エラー：" + result.status);
    out.beeps += result.beeps;
    out.status = result.status;
    out.fetches.push_back(std::move(result));
}

std::string entryLabel(std::string_view entry)
{
    return fromSjis(TrackName(field(entry, 9, 2))) + PadNumber(field(entry, 15, 2)) + "R";
}

} // namespace

NextRaceSelection NextRBtnClick(const RaceDay& day, const DateTime& now)
{
    NextRaceSelection s;
    s.lines = NowTimeRaceList(day);
    s.selected = NextRaceLine(s.lines, now);
    return s;
}

FetchResult PressSokuhoOdds(ScheduleState& state, JVLink& link, RaceDay& day, const FetchEnv& env)
{
    const int slot = day.CurRace;
    FetchResult result = SokuhoOddsBtnClick(link, day, env);
    if (result.oddsFetched)
        state.markFetched(day, slot);
    return result;
}

TickOutcome RunDueActions(ScheduleState& state, JVLink& link, RaceDay& day, const FetchEnv& env, const DueActions& due,
                          const std::function<void(const std::string&)>& dailyLog)
{
    TickOutcome out;
    out.clockText = due.clockText;
    out.restTimeText = due.restTimeText;

    if (!due.oddsEntries.empty()) {
        {
            Running running(state.oddsPassRunning);
            for (const std::string& entry : due.oddsEntries)
                take(out, "ｵｯｽﾞ取得 " + entryLabel(entry), FetchPassOdds(link, day, env, entry, dailyLog));
        }
        // The shown race gets its new odds.
        out.redisplay = true;
        if (due.playSound) {
            out.playSound = true;
            out.soundFile = due.soundFile;
            out.did.push_back(due.soundFile.empty() ? "アラート音" : "アラート音 " + due.soundFile);
        }
    }

    if (due.mining) {
        Running running(state.resultsJobRunning);
        take(out, "ﾏｲﾆﾝｸﾞ", GetDMBtnClick(link, day, env, true));
        if (due.results)
            take(out, "結果情報", KekkaGetBtnClick(link, day, env, true));
    }

    bool pressNextRace = false;
    if (due.changes) {
        Running running(state.changesJobRunning);
        FetchResult changes = GetKaisaiBtnClick(link, day, env, true);
        pressNextRace = changes.pressNextRace;
        state.onPostTimesMoved(day, changes.movedSlots, env.clock.now());
        take(out, "変更情報", std::move(changes));
    }

    if (pressNextRace || due.nextRaceTimer) {
        NextRaceSelection next = NextRBtnClick(day, env.clock.now());
        // The timer selects in the list it has; a change read refills the list first.
        if (!pressNextRace)
            next.selected = due.nextRaceLine;
        // The timer's reselection every 30 seconds is not news; a refill after a change is.
        if (pressNextRace && next.selected)
            out.did.push_back("直近R " + next.lines[static_cast<std::size_t>(*next.selected)]);
        out.nextRace = std::move(next);
    }
    return out;
}

} // namespace solvane
