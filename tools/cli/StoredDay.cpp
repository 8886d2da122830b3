#include "StoredDay.h"

#include "CliSupport.h"

#include "app/LoadSettings.h"

#include <ostream>

namespace solvane::cli {

int BadDayArg(CliContext& ctx, const std::string& text)
{
    return usageError(ctx, "開催日は 2024年01月06日 か 20240106 の形で指定してください：" + text);
}

int BadRaceArg(CliContext& ctx, const std::string& text)
{
    return usageError(ctx, "レースはスロット番号（0〜35）、中山11R、06-11 のいずれかの形で指定してください：" + text);
}

std::optional<DayLoadResult> LoadStoredDay(CliContext& ctx, const std::string& dayKey, RaceDay& day)
{
    DayLoadResult result = DateComboChange(day, dayKey, LoadOptionsFrom(ctx.settings, ctx.appFolder), ctx.clock);
    for (const std::string& line : result.notes.skipped)
        ctx.err << line << '\n';
    if (!result.message.empty() || !result.loaded) {
        fail(ctx, !result.message.empty()      ? result.message
                  : result.notes.error.empty() ? std::string(kNoDataMessage)
                                               : result.notes.error);
        return std::nullopt;
    }
    if (result.selectFirstRace)
        SelectRace(day, 0);
    return result;
}

int LoadStoredRace(CliContext& ctx, const std::string& dayText, const std::string& raceText, RaceDay& day, int& slot)
{
    const auto dayKey = ParseDayArg(dayText);
    if (!dayKey)
        return BadDayArg(ctx, dayText);
    const auto race = ParseRaceArg(raceText);
    if (!race)
        return BadRaceArg(ctx, raceText);
    if (!LoadStoredDay(ctx, *dayKey, day))
        return kExitFailure;
    const auto found = FindRaceSlot(day, *race);
    if (!found)
        return fail(ctx, *dayKey + " にそのレースはありません：" + raceText);
    slot = *found;
    day.CurRace = slot;
    return kExitOk;
}

} // namespace solvane::cli
