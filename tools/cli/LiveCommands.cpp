// Race-day live work without windows: one fetch as its button does it, the day's automatic fetch
// times, and a whole race day replayed on a simulated clock through the same timer code the window
// runs.
#include "CliCommands.h"
#include "CliSupport.h"
#include "DayArgs.h"
#include "JVLinkSession.h"
#include "StoredDay.h"

#include "app/AppLogs.h"
#include "app/LoadSettings.h"
#include "app/SettingsKeys.h"
#include "jvdata/RecordFields.h"
#include "raceday/DayLoader.h"
#include "raceday/RaceDay.h"
#include "util/Files.h"
#include "util/ShiftJis.h"
#include "util/Text.h"
#include "util/TextGrid.h"
#include "voting/LiveDay.h"
#include "voting/RealTimeFetch.h"
#include "voting/Schedule.h"

#include <memory>
#include <optional>
#include <ostream>

namespace solvane::cli {
namespace {

FetchEnv fetchEnvOf(CliContext& ctx, const Clock& clock)
{
    FetchEnv env{clock};
    env.appendErrorLog = [&ctx, &clock](const std::string& line) {
        std::string why;
        if (!AppendErrorLog(ctx.appFolder, clock, line, &why))
            ctx.err << why << '\n';
    };
    env.notRefresh = ctx.settings.get(keys::NotRefresh);
    env.fetchTimes = FetchTimeSettingsFrom(ctx.settings);
    return env;
}

std::optional<DateTime> parseTimeOfDay(const DateTime& date, std::string_view text)
{
    if (text.size() != 8 || text[2] != ':' || text[5] != ':')
        return std::nullopt;
    const long long h = toIntDef(text.substr(0, 2), -1), m = toIntDef(text.substr(3, 2), -1),
                    s = toIntDef(text.substr(6, 2), -1);
    if (h < 0 || h > 23 || m < 0 || m > 59 || s < 0 || s > 59)
        return std::nullopt;
    return DateTime{date.year, date.month, date.day, static_cast<int>(h), static_cast<int>(m), static_cast<int>(s)};
}

} // namespace

int fetchCommand(CliContext& ctx, const std::vector<std::string>& args)
{
    if (!expectArgs(ctx, "fetch", args, 2, 3))
        return kExitUsage;
    const std::string& kind = args[0];
    if (kind != "odds" && kind != "results" && kind != "mining" && kind != "changes")
        return usageError(ctx, "取得の種類は odds results mining changes のいずれかです：" + kind);
    const auto dayKey = ParseDayArg(args[1]);
    if (!dayKey)
        return BadDayArg(ctx, args[1]);
    std::optional<RaceArg> race;
    if (args.size() == 3 && !(race = ParseRaceArg(args[2])))
        return BadRaceArg(ctx, args[2]);

    auto day = std::make_unique<RaceDay>();
    if (!LoadStoredDay(ctx, *dayKey, *day))
        return kExitFailure;
    if (race) {
        const auto slot = FindRaceSlot(*day, *race);
        if (!slot)
            return fail(ctx, *dayKey + " にそのレースはありません：" + args[2]);
        day->CurRace = *slot;
    }
    auto link = openJVLinkSession(ctx);
    if (!link)
        return kExitFailure;

    const FetchEnv env = fetchEnvOf(ctx, ctx.clock);
    FetchResult result;
    if (kind == "odds")
        result = SokuhoOddsBtnClick(*link, *day, env);
    else if (kind == "results")
        result = KekkaGetBtnClick(*link, *day, env);
    else if (kind == "mining")
        result = GetDMBtnClick(*link, *day, env);
    else
        result = GetKaisaiBtnClick(*link, *day, env);
    if (!result.ran)
        return fail(ctx, "取得するレースまたは開催日がありません。");
    // The label's texts as a person saw them; an error that stays on the label is said once.
    std::string said;
    for (const std::string& text : result.statusTexts) {
        if (!text.empty() && text != said)
            ctx.out << text << '\n';
        if (!text.empty())
            said = text;
    }
    if (result.noData)
        ctx.out << "新しいデータはありません。\n";
    for (const std::string& note : result.notes)
        ctx.err << note << '\n';
    if (result.beeps > 0)
        ctx.out << "ビープ×" << result.beeps << '\n';
    ctx.out << result.records << "件保存\n";
    return result.failed() ? kExitFailure : kExitOk;
}

int scheduleCommand(CliContext& ctx, const std::vector<std::string>& args)
{
    if (!expectArgs(ctx, "schedule", args, 1, 1))
        return kExitUsage;
    const auto dayKey = ParseDayArg(args[0]);
    if (!dayKey)
        return BadDayArg(ctx, args[0]);
    auto day = std::make_unique<RaceDay>();
    if (!LoadStoredDay(ctx, *dayKey, *day))
        return kExitFailure;
    // A fresh run: no race of the day was fetched yet.
    const ScheduleState state;
    const auto fetched = state.flags().ofDay(day->DayKey);
    TextGrid grid({"slot", "レース", "発走", "AutoOzTime", "AutoTohyoTime1", "OzFetched"});
    for (const RaceListItem& item : day->RaceList) {
        const auto s = static_cast<std::size_t>(item.slot);
        const int r = grid.addRow();
        grid.setCell(r, 0, std::to_string(item.slot));
        grid.setCell(r, 1, item.text);
        grid.setCell(r, 2, fromSjis(PostTime(day->RaRecs[s])));
        grid.setCell(r, 3, day->RaceRecs[s].AutoOzTime);
        grid.setCell(r, 4, day->RaceRecs[s].AutoTohyoTime1);
        grid.setCell(r, 5, fetched[s] ? "1" : "0");
    }
    printTsv(ctx.out, grid);
    return kExitOk;
}

int runDayCommand(CliContext& ctx, const std::vector<std::string>& args)
{
    std::vector<std::string> words;
    std::string fromText, toText;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--from" && i + 1 < args.size())
            fromText = args[++i];
        else if (args[i] == "--to" && i + 1 < args.size())
            toText = args[++i];
        else if (args[i].starts_with("--"))
            return printUsage(ctx, "run-day");
        else
            words.push_back(args[i]);
    }
    if (words.size() != 1 || fromText.empty() || toText.empty())
        return printUsage(ctx, "run-day");
    const auto dayKey = ParseDayArg(words[0]);
    if (!dayKey)
        return BadDayArg(ctx, words[0]);
    // The day key's digits are its date.
    std::string digits;
    for (const char c : *dayKey) {
        if (c >= '0' && c <= '9')
            digits += c;
    }
    const DateTime d = DateTime::parse(digits).value_or(DateTime{});
    const auto from = parseTimeOfDay(d, fromText), to = parseTimeOfDay(d, toText);
    if (!from || !to || *to < *from)
        return usageError(ctx, "--from と --to は hh:nn:ss の形で、--from が先です。");

    // Everything of the run, the component included, sees the simulated clock.
    ManualClock clock(*from);
    CliContext live{ctx.appFolder, clock, ctx.settings, ctx.out, ctx.err};
    auto day = std::make_unique<RaceDay>();
    const auto loaded = LoadStoredDay(live, *dayKey, *day);
    if (!loaded)
        return kExitFailure;
    auto link = openJVLinkSession(live);
    if (!link)
        return kExitFailure;

    const std::filesystem::path logFolder = findChildIgnoreCase(ctx.appFolder, "Log");
    std::error_code ec;
    std::filesystem::create_directories(logFolder, ec);
    DailyLog dailyLog;
    if (!dailyLog.open(logFolder, clock.now()))
        ctx.err << dailyLog.lastError() << '\n';
    const auto appendDaily = [&](const std::string& line) {
        if (!dailyLog.append(line))
            ctx.err << dailyLog.lastError() << '\n';
    };

    const FetchEnv env = fetchEnvOf(live, clock);
    ScheduleSettings settings;
    settings.overWriteOK = ctx.settings.get(keys::OverWriteOK);
    settings.sound1 = ctx.settings.get(keys::Sound1);
    settings.ozAlarm = ctx.settings.get(keys::OzAlarm);

    const auto say = [&](const std::string& what) { ctx.out << clock.now().hh_nn_ss() << '\t' << what << '\n'; };
    say("読込 " + day->DayKey);
    ScheduleState state;
    state.onDayLoaded(*day, *loaded, LoadOptionsFrom(ctx.settings, ctx.appFolder).autoRdataGet, clock.now());
    std::string shownNext;
    const auto showNext = [&](const NextRaceSelection& next) {
        if (!next.selected)
            return;
        const std::string& line = next.lines[static_cast<std::size_t>(*next.selected)];
        if (line != shownNext)
            say("直近R " + line);
        shownNext = line;
    };
    showNext(NextRBtnClick(*day, clock.now()));

    int errors = 0;
    for (DateTime t = *from; t <= *to; t = t.addSeconds(1)) {
        clock.set(t);
        const DueActions due = state.tick(*day, t, settings);
        if (!due.any())
            continue;
        TickOutcome outcome = RunDueActions(state, *link, *day, env, due, appendDaily);
        for (const std::string& what : outcome.did) {
            if (what.starts_with("直近R "))
                continue;
            if (what.starts_with("エラー："))
                ++errors;
            say(what);
        }
        if (outcome.nextRace)
            showNext(*outcome.nextRace);
    }
    if (!dailyLog.close(clock.now()))
        ctx.err << dailyLog.lastError() << '\n';
    return errors > 0 ? kExitFailure : kExitOk;
}

} // namespace solvane::cli
