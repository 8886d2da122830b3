// backtest: the selection rule of a rule file replayed over every stored race day of a period, as
// "ｼﾐｭﾚｰｼｮﾝ開始" does, writing the backtest file "tmpData.dat" of the application folder.
#include "CliCommands.h"
#include "CliSupport.h"

#include "app/KaimeSettings.h"
#include "app/LoadSettings.h"
#include "raceday/DayLoader.h"
#include "util/CommandLine.h"
#include "util/Files.h"
#include "util/Text.h"
#include "verify/Backtest.h"

#include <cstdio>
#include <filesystem>
#include <iostream>
#include <ostream>

namespace solvane::cli {
namespace {

bool validDate(const std::string& text)
{
    if (text.size() != 8 || text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    return isValidDate(static_cast<int>(toIntDef(text.substr(0, 4), 0)),
                       static_cast<int>(toIntDef(text.substr(4, 2), 0)),
                       static_cast<int>(toIntDef(text.substr(6, 2), 0)));
}

// The question of the window, answered on the terminal. Without a terminal nobody can answer, so the
// command refuses rather than waiting for input that never comes.
int confirm(CliContext& ctx)
{
    if (!IsTerminal(0))
        return usageError(ctx, "確認に答える端末がありません。確認なしで始めるには --yes を付けてください。");
    ctx.err << kBacktestQuestion << " [y/N] " << std::flush;
    std::string answer;
    if (!std::getline(std::cin, answer))
        answer.clear();
    const std::string a = asciiLower(trim(answer));
    if (a == "y" || a == "yes")
        return kExitOk;
    return fail(ctx, "集計を取りやめました。");
}

} // namespace

int backtestCommand(CliContext& ctx, const std::vector<std::string>& args)
{
    std::string from, to, ruleFile, oddsBefore;
    bool yes = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& w = args[i];
        if (w == "--yes") {
            yes = true;
            continue;
        }
        if ((w != "--from" && w != "--to" && w != "--rule" && w != "--odds-before") || i + 1 >= args.size())
            return printUsage(ctx, "backtest");
        const std::string& v = args[++i];
        (w == "--from" ? from : w == "--to" ? to : w == "--rule" ? ruleFile : oddsBefore) = v;
    }
    if (from.empty() || to.empty() || ruleFile.empty())
        return printUsage(ctx, "backtest");
    for (const std::string* d : {&from, &to})
        if (!validDate(*d))
            return usageError(ctx, "日付は 20240106 のように年月日の8桁で指定してください：" + *d);

    int minutesBefore = 0;
    std::vector<std::filesystem::path> seriesFolders;
    if (!oddsBefore.empty()) {
        minutesBefore = oddsBefore.find_first_not_of("0123456789") == std::string::npos && oddsBefore.size() <= 2
                            ? static_cast<int>(toIntDef(oddsBefore, 0))
                            : 0;
        if (minutesBefore < 1 || minutesBefore > kMaxOddsBefore)
            return usageError(ctx, "--odds-before は 1 から " + std::to_string(kMaxOddsBefore) +
                                       " までの分で指定してください：" + oddsBefore);
        seriesFolders = TimeSeriesFoldersFrom(ctx.settings, ctx.appFolder);
        if (seriesFolders.empty())
            return fail(ctx, std::string(kTimeSeriesFolderNotSet));
    }

    const auto text = readFile(pathFromUtf8(ruleFile));
    if (!text)
        return usageError(ctx, "買い目設定ファイルを読み込めません：" + ruleFile);
    const RuleFileParse parsed = ParseRuleFile(*text);
    if (!parsed.rule)
        return usageError(ctx, ruleFile + " " + parsed.error);

    if (!yes)
        if (const int answered = confirm(ctx); answered != kExitOk)
            return answered;

    BacktestOptions options;
    options.from = from;
    options.to = to;
    options.rule = *parsed.rule;
    options.mode = HaibunModeFrom(ctx.settings);
    options.multi = MultiOptionsFrom(ctx.settings);
    options.load = LoadOptionsFrom(ctx.settings, ctx.appFolder);
    options.oddsBeforeMinutes = minutesBefore;
    options.seriesFolders = std::move(seriesFolders);

    const std::vector<std::string> dateItems = StoredDayList(ctx.appFolder);
    const BacktestResult result = RunBacktest(dateItems, options, ctx.clock, [&ctx](const BacktestProgress& p) {
        if (p.daysDone == 0 || p.daysTotal == 0)
            return;
        ctx.err << "[" << p.daysDone << "/" << p.daysTotal << "] " << p.races << " レース  "
                << strprintf("%.0f", p.racesPerSecond) << " レース/秒\n";
    });
    for (const std::string& note : result.notes)
        ctx.err << note << '\n';
    switch (result.outcome) {
    case BacktestOutcome::Written:
        ctx.err << BacktestSummary(result) << '\n';
        ctx.out << result.lines << '\n';
        return kExitOk;
    case BacktestOutcome::NoData:
        return fail(ctx, result.message);
    case BacktestOutcome::Cancelled:
        return fail(ctx, "集計を中止しました。");
    case BacktestOutcome::Failed:
        break;
    }
    return fail(ctx, result.message);
}

} // namespace solvane::cli
