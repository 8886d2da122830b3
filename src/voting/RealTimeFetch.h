// The race-day fetches: live odds ("速報ｵｯｽﾞ"), results ("結果情報"), mining ("ﾏｲﾆﾝｸﾞ") and meeting
// changes ("変更情報"). Each opens a real-time request, stores what it reads, closes the request and
// refreshes the loaded day from the store. A request's records are stored together once they are read,
// each file written once, under the application folder's writer lock (the Data folder's parent), so that
// another process storing into the same day files at the same time loses nothing; while the lock is busy
// DLlabel says so. Nothing here touches a window: what the status label showed, what went to the error
// log, the beeps and what to refresh come back in a FetchResult.
#pragma once

#include "jvdata/JVLink.h"
#include "jvdata/JVReadLoop.h"
#include "raceday/Changes.h"
#include "raceday/RaceDay.h"
#include "util/Clock.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace solvane {

// What a fetch needs besides the session and the day. The callbacks may be empty.
struct FetchEnv {
    const Clock& clock;
    // Lets pending window events run (the window's timers and clicks may come in here).
    std::function<void()> pumpEvents;
    // DLlabel: each text as it is shown ("" clears it). UTF-8.
    std::function<void(const std::string&)> showStatus;
    // ErrorLog.txt: the window and the CLI pass AppendErrorLog. UTF-8.
    std::function<void(const std::string&)> appendErrorLog;
    // [Disp] NotRefresh: a manual odds fetch leaves the shown race as it is.
    bool notRefresh = false;
    // [Time] settings, for the post-time changes of the change reader.
    FetchTimeSettings fetchTimes;
    // JVRead answering "still downloading": the pause between asks and when to give up.
    JVDownloadWait downloadWait;
};

struct FetchResult {
    bool ran = false;                     // false: no day or race chosen (or a blank key); nothing was done
    std::vector<std::string> statusTexts; // every text DLlabel showed, in order ("" = cleared)
    std::string status;                   // DLlabel when the fetch ended: its last error, or empty
    std::vector<std::string> errorLog;    // lines given to the error log
    int beeps = 0;
    bool oddsFetched = false;       // odds read to the end: set OzFetched of the race
    bool redisplay = false;         // redisplay the selected race
    bool pressNextRace = false;     // the change reader asks for NextRBtn
    std::vector<int> movedSlots;    // races whose post time the change reader moved
    bool noData = false;            // an open answered -1: nothing there yet for the key (no error)
    long long records = 0;          // records that went into a file (not those refused or passed over)
    std::vector<std::string> notes; // lines the readers skipped (UTF-8)

    bool beep() const { return beeps > 0; }
    bool failed() const { return !status.empty(); }
};

// RaceKey: RA positions 12-27 of the selected race; DateKey: 12-19 of slot 0.
std::string RaceKeyOf(const RaceDay& day);
std::string DateKeyOf(const RaceDay& day);
// A race is chosen: a day is loaded and CurRace is one of its listed races.
bool RaceChosen(const RaceDay& day);

// SokuhoOddsBtnClick: "0B30" for the selected race, odds into ".jvO1" .. ".jvO6", then OzReadBtn for
// that race and (unless notRefresh) a redisplay.
FetchResult SokuhoOddsBtnClick(JVLink& link, RaceDay& day, const FetchEnv& env);
// KekkaGetBtnClick: "0B12" for the day, race and runner records and payouts, then HrReadBtn.
// silent: SilentResults (the automatic results fetch): no beeps.
FetchResult KekkaGetBtnClick(JVLink& link, RaceDay& day, const FetchEnv& env, bool silent = false);
// GetDMBtnClick: "0B13" then "0B17" for the day, the two mining kinds, then DMReadBtn.
// silent: SilentMining.
FetchResult GetDMBtnClick(JVLink& link, RaceDay& day, const FetchEnv& env, bool silent = false);
// GetKaisaiBtnClick: "0B14" for the day, weather, going and post-time changes into the CHG folder,
// then KaisaiReadBtn. silent: pressed by HenkoTimer (no beeps).
FetchResult GetKaisaiBtnClick(JVLink& link, RaceDay& day, const FetchEnv& env, bool silent = false);

// One race of the automatic odds pass: the odds read loop and close step for the race key of entry
// (see DueRaceEntry), with the pass's own busy and error texts. dailyLog gets the pass's two lines when
// the odds were read. The odds of the entry's slot are reloaded afterwards.
FetchResult FetchPassOdds(JVLink& link, RaceDay& day, const FetchEnv& env, std::string_view entry,
                          const std::function<void(const std::string&)>& dailyLog);

// The store rules of the change files, one record each (with its CR LF). False with a message when
// the file could not be read or written.
bool StoreWeRecord(const std::filesystem::path& chgDir, std::string_view rec, std::string* error = nullptr);
bool StoreTcRecord(const std::filesystem::path& chgDir, std::string_view rec, std::string* error = nullptr);

} // namespace solvane
