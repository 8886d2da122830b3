// Forecast marks from a saved paste text, with the forecast window's checks, question and messages.
#include "CliCommands.h"
#include "CliSupport.h"

#include "raceday/Forecast.h"
#include "util/CommandLine.h"
#include "util/Files.h"
#include "util/Text.h"

#include <iostream>
#include <ostream>

namespace solvane::cli {
namespace {

bool isYes(std::string_view answer)
{
    const std::string a = asciiLower(trim(answer));
    return a == "y" || a == "yes" || a == "はい";
}

} // namespace

int forecastCommand(CliContext& ctx, const std::vector<std::string>& args)
{
    if (!expectArgs(ctx, "forecast", args, 2, 3))
        return kExitUsage;
    ForecastKind kind;
    if (args[0] == "fi")
        kind = ForecastKind::FI;
    else if (args[0] == "tf")
        kind = ForecastKind::TF;
    else
        return printUsage(ctx, "forecast");
    bool yes = false;
    if (args.size() == 3) {
        if (args[2] != "--yes")
            return printUsage(ctx, "forecast");
        yes = true;
    }
    const ForecastFile file = ReadForecastFile(pathFromUtf8(args[1]));
    if (!file.bytes)
        return fail(ctx, file.error);
    const std::string& bytes = *file.bytes;

    // The question goes where a person sees it. Unattended runs without --yes must not hang on a
    // prompt nobody answers: they print the question and stop.
    bool unanswered = false;
    const ForecastOutcome outcome =
        ImportForecast(kind, ForecastTextToSjis(bytes), ctx.appFolder, [&](const std::string& question) {
            if (yes) {
                ctx.out << question << " はい\n";
                return true;
            }
            if (!IsTerminal(0)) {
                ctx.out << question << '\n';
                unanswered = true;
                return false;
            }
            ctx.out << question << " (y/n) " << std::flush;
            std::string answer;
            std::getline(std::cin, answer);
            return isYes(answer);
        });

    using Status = ForecastOutcome::Status;
    switch (outcome.status) {
    case Status::Saved:
        ctx.out << outcome.message << '\n';
        return kExitOk;
    case Status::Nothing:
        return fail(ctx, "貼り付けテキストが短すぎます（" + std::to_string(kForecastMinLines) +
                             "行以上必要です）。何も取り込みませんでした。");
    case Status::Declined:
        return fail(ctx, unanswered ? "取り込むには --yes を付けてください。" : "取り込みを取りやめました。");
    case Status::Rejected:
    case Status::Failed:
        break;
    }
    return fail(ctx, outcome.message);
}

} // namespace solvane::cli
