// Loading a race day from the store into the model, the batch load over every stored day, and the list
// of stored days.
//
// The loader does not touch windows or timers: it returns what the main window should show and which
// timers should run, and reports progress through a callback.
#pragma once

#include "raceday/Changes.h"
#include "raceday/DayFiles.h"
#include "raceday/RaceDay.h"
#include "util/Clock.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace solvane {

// The settings a day load reads, as plain values (the application fills them from its settings file).
struct LoadOptions {
    std::filesystem::path appFolder;      // Data, CHG and STAT live under it
    std::filesystem::path harunireFolder; // [Dir] harunire: its "DATA" folder is searched for compi files first
    FetchTimeSettings fetchTimes;         // [Time] AutoOzGet, AutoOzGetSec, AutoTohyoInterval
    int autoRdataGet = 10;                // [Time] AutoRdataGet, minutes
    // [KaimeSet] DefaultAmountTan .. DefaultAmountSRT, in that order.
    std::array<int, kRaceStakeLists> defaultStakes{3000, 3000, 3000, 3000, 3000, 3000, 3000, 3000};
    // The day's odds files read: ".jvO1" up to ".jvO<finalOddsKinds>"; the odds of the others stay absent.
    // A backtest at bet-time odds reads none (each race takes its snapshots), nor does the SQL export
    // without odds: the odds files, the trio and trifecta above all, are most of a day's bytes.
    int finalOddsKinds = 6;
    // A load among many (a batch of days, a backtest, an export): a day without data is no message.
    bool quiet = false;
};

struct LoadProgress {
    std::string text;   // "レースデータを読み込んでいます。"
    std::string dayKey; // the day being loaded
    int position = 0;   // 0..maximum
    int maximum = 35;
    bool finished = false; // the progress window closes
};
using ProgressFn = std::function<void(const LoadProgress&)>;

inline constexpr std::string_view kNoDataMessage = "データ作成が未完了のようです。";
inline constexpr std::uint32_t kResultsRecordedColor = 0x00FFFF;   // cyan
inline constexpr std::uint32_t kResultsUnrecordedColor = 0xFFFF00; // yellow

struct DayLoadResult {
    bool loaded = false; // the ".jvRA" file was there and read to the end
    // For a person: kNoDataMessage after a beep, unless the load is quiet. Empty otherwise.
    std::string message;
    // The chosen date is today: RestTimeLabel shows. After a successful load KaisaiReadBtnClick has run.
    bool isToday = false;
    // HenkoTimer, Timer2 and CurRaceTimer run when true; every load stops them first.
    bool runTodayTimers = false;
    int timer4IntervalMs = 0; // automatic results fetch interval
    // SeiRecLabel: "成績記録済" on cyan or "成績未記録" on yellow.
    std::string resultsLabel;
    std::uint32_t resultsLabelColor = 0;
    bool pressNextRace = false;   // NextRBtnClick: the race list was rebuilt (or the change reader asked)
    bool selectFirstRace = false; // select race list item 0 and run DatListClick
    ReadNotes notes;              // lines skipped; notes.error when a store file could not be read
};

// Loads the day named dayKey ("2024年01月06日", UTF-8) into day. Everything of the previous day is
// replaced; per-race stakes are reseeded from the default stakes.
DayLoadResult DateComboChange(RaceDay& day, std::string_view dayKey, const LoadOptions& options, const Clock& clock,
                              const ProgressFn& progress = {});

// Batch load: quietly, loads every day of dateItems (the date list, newest first) from the
// oldest to the newest, except days with a file day + ".stat1" in the STAT folder of the application
// folder. afterEach runs after each load. Returns the number of days loaded.
using BatchStepFn = std::function<void(const std::string& dayKey, const DayLoadResult&)>;
int DirectReadBtnClick(RaceDay& day, const std::vector<std::string>& dateItems, const LoadOptions& options,
                       const Clock& clock, const BatchStepFn& afterEach = {});

// The stored days (day keys, UTF-8), newest first: the date list of the main window, `solvane-cli days`
// and every run over a period.
std::vector<std::string> StoredDayList(const std::filesystem::path& appFolder);

// Race selection bookkeeping: PrevRace := CurRace; CurRace := the slot of race list item itemIndex.
// False (nothing changed) when there is no such item.
bool SelectRace(RaceDay& day, int itemIndex);

} // namespace solvane
