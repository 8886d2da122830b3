// vote: the combination tables of a race as kaime prints them, then one bet type handed to the voting
// plug-in: the day's bet file written into the plug-in's kaime folder and the plug-in started with the
// file's path, as the input form's "Kelvo2投票" does.
#include "CliCommands.h"
#include "CliSupport.h"
#include "KaimeArgs.h"

#include "app/SettingsKeys.h"
#include "util/Files.h"
#include "util/Text.h"
#include "voting/BetFile.h"

#include <ostream>

namespace solvane::cli {

int voteCommand(CliContext& ctx, const std::vector<std::string>& args)
{
    int status = kExitOk;
    const auto a = ParseKaimeArgs(ctx, "vote", args, {"--yes", "--no-launch"}, 3, status);
    if (!a)
        return status;
    const auto type = BakenTypeOfName(a->words[2]);
    if (!type)
        return usageError(ctx, "券種は 単勝 複勝 枠連 馬連 ワイド 馬単 ３連複 ３連単 のいずれかです：" + a->words[2]);
    KaimeRun run;
    if (const int built = BuildKaimeRun(ctx, *a, run); built != kExitOk)
        return built;
    for (const KaimeTable& t : run.tables)
        PrintKaimeTable(ctx.out, t);

    const RaceDay& day = *run.day;
    TohyoInput in;
    in.dayText = day.DayKey;
    for (const RaceListItem& item : day.RaceList) {
        if (item.slot == run.slot) {
            in.raceSelected = true;
            in.raceText = item.text;
        }
    }
    in.ra = day.RaRecs.at(static_cast<std::size_t>(run.slot));
    in.grid = &run.tables.at(static_cast<std::size_t>(IndexOf(*type))).grid;
    in.type = *type;
    in.pluginFolder = ctx.settings.get(keys::KelvoTohyo2);
    in.now = ctx.clock.now();
    TohyoPlan plan = PrepareTohyo(in);
    if (!plan.message.empty())
        return fail(ctx, plan.message);
    ctx.err << plan.question << '\n';
    if (!a->has("--yes"))
        return fail(ctx, "--yes がないので投票しませんでした。");
    std::string error;
    if (!WriteBetFile(plan, &error))
        return fail(ctx, error);
    ctx.out << pathToUtf8(plan.file) << '\n';
    if (a->has("--no-launch"))
        return kExitOk;
    SetPluginFolder(plan, ctx.settings.get(keys::KelvoTohyo2));
    if (!LaunchPlugin(plan))
        return fail(ctx, std::string(kTohyoLaunchErrorMessage));
    return kExitOk;
}

} // namespace solvane::cli
