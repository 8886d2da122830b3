// "timeseries DAY": the time-series viewer's snapshots nearest each race's fetch time stored in the
// day's odds files, as the window's "時系列オッズより取得(&T)" does it, then the day loaded again to
// show the odds were read.
#include "CliCommands.h"
#include "CliSupport.h"
#include "DayArgs.h"

#include "app/AppFolder.h"
#include "app/LoadSettings.h"
#include "app/SettingsKeys.h"
#include "raceday/DayLoader.h"
#include "raceday/TimeSeries.h"
#include "store/Store.h"
#include "util/Files.h"
#include "util/Text.h"

#include <memory>
#include <ostream>

namespace solvane::cli {

int timeSeriesCommand(CliContext& ctx, const std::vector<std::string>& args)
{
    if (!expectArgs(ctx, "timeseries", args, 1, 1))
        return kExitUsage;
    const auto dayKey = ParseDayArg(args[0]);
    if (!dayKey)
        return usageError(ctx, "開催日は 2024年01月06日 か 20240106 の形で指定してください：" + args[0]);
    const auto folder = TimeSeriesFolderFrom(ctx.settings, ctx.appFolder);
    if (!folder)
        return fail(ctx, std::string(kTimeSeriesFolderNotSet));

    const LoadOptions options = LoadOptionsFrom(ctx.settings, ctx.appFolder);
    auto day = std::make_unique<RaceDay>();
    const DayLoadResult load = DateComboChange(*day, *dayKey, options, ctx.clock);
    if (!load.loaded)
        return fail(ctx, std::string(kTimeSeriesNoDay));

    const TimeSeriesResult result = ImportTimeSeriesOdds(*day, *folder, StoreFolder(ctx.appFolder));
    if (!result.error.empty())
        return fail(ctx, result.error);
    ctx.out << TimeSeriesMessage(result) << '\n';

    // The reload, as the window does it: the odds reader reads what was stored.
    const DayLoadResult reload = DateComboChange(*day, *dayKey, options, ctx.clock);
    for (const std::string& line : reload.notes.skipped)
        ctx.err << line << '\n';
    if (!reload.loaded)
        return fail(ctx, reload.notes.error.empty() ? std::string(kNoDataMessage) : reload.notes.error);
    return kExitOk;
}

} // namespace solvane::cli
