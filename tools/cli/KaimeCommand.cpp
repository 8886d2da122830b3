// kaime: the combination tables of the input form for a stored race, from marks given on the command
// line, printed as the form shows them.
#include "CliCommands.h"
#include "KaimeArgs.h"

namespace solvane::cli {

int kaimeCommand(CliContext& ctx, const std::vector<std::string>& args)
{
    int status = kExitOk;
    const auto a = ParseKaimeArgs(ctx, "kaime", args, {}, 2, status);
    if (!a)
        return status;
    KaimeRun run;
    if (const int built = BuildKaimeRun(ctx, *a, run); built != kExitOk)
        return built;
    for (const KaimeTable& t : run.tables) {
        if (!a->type || *a->type == t.type)
            PrintKaimeTable(ctx.out, t);
    }
    return kExitOk;
}

} // namespace solvane::cli
