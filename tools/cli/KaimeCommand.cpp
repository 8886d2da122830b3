// kaime: the combination tables of the input form for a stored race, from marks given on the command
// line, printed as the form shows them.
#include "CliCommands.h"
#include "KaimeArgs.h"

namespace solvane::cli {
namespace {

constexpr const char* kUsage = "DAY RACE --marks \"◎=1,2 ○=3,4 ▲=5\" [--stake N] [--haibun 0-3] "
                               "[--multi all,12,23,13|none] [--type 単勝|複勝|枠連|馬連|ワイド|馬単|３連複|３連単]  "
                               "買い目表を作る";

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

const CliRegistration kaimeRegistration{"kaime", kUsage, kaimeCommand};

} // namespace
} // namespace solvane::cli
