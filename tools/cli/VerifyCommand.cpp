// verify: the backtest file filtered by race attributes and totalled per bet type, as the window "検証"
// shows it: the summary grid, and with --list the listed races first.
#include "CliCommands.h"
#include "CliSupport.h"
#include "util/Text.h"
#include "verify/Backtest.h"
#include "verify/Kensho.h"

#include <optional>
#include <ostream>

namespace solvane::cli {
namespace {

constexpr const char* kNoBacktestFile = "検証ファイル（tmpData.dat）がありません。先に backtest を実行してください。";

struct ListOption {
    const char* option;
    KenshoList list;
};
constexpr ListOption kListOptions[] = {
    {"--track", KenshoList::Basho}, {"--surface", KenshoList::Track}, {"--age", KenshoList::Age},
    {"--class", KenshoList::Class}, {"--weight", KenshoList::Juryo},  {"--runners", KenshoList::Tosu},
};

// The index of a list item named as the window shows it; the runner counts also as a bare number
// ("5", "16") or without the leading blank ("5頭").
std::optional<int> itemIndex(KenshoList list, std::string_view name)
{
    const auto& items = KenshoItems(list);
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (items[i] == name)
            return static_cast<int>(i);
        if (list == KenshoList::Tosu &&
            (trim(items[i]) == trim(name) || trim(items[i]) == std::string(trim(name)) + "頭"))
            return static_cast<int>(i);
    }
    return std::nullopt;
}

std::string itemsText(KenshoList list)
{
    std::string text;
    for (const std::string& item : KenshoItems(list)) {
        if (!text.empty())
            text += ' ';
        text += std::string(trim(item));
    }
    return text;
}

// "low-high", each within its edit's range and low not above high; an error text otherwise.
std::string parseDistance(std::string_view text, KenshoFilter& filter)
{
    const std::string help = strprintf("--distance は 下限-上限（m）で指定してください。下限は %d〜%d、上限は %d〜%d、"
                                       "下限は上限以下です：",
                                       kKyoriLowMin, kKyoriLowMax, kKyoriHighMin, kKyoriHighMax) +
                             std::string(text);
    const std::size_t dash = text.find('-');
    if (dash == std::string_view::npos)
        return help;
    const long long low = toIntDef(text.substr(0, dash), -1);
    const long long high = toIntDef(text.substr(dash + 1), -1);
    if (low < kKyoriLowMin || low > kKyoriLowMax || high < kKyoriHighMin || high > kKyoriHighMax || low > high)
        return help;
    filter.distanceLow = static_cast<int>(low);
    filter.distanceHigh = static_cast<int>(high);
    return {};
}

} // namespace

int verifyCommand(CliContext& ctx, const std::vector<std::string>& args)
{
    KenshoFilter filter;
    bool list = false;
    bool compare = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& w = args[i];
        if (w == "--list" || w == "--compare") {
            (w == "--list" ? list : compare) = true;
            continue;
        }
        const ListOption* option = nullptr;
        for (const ListOption& o : kListOptions)
            if (w == o.option)
                option = &o;
        if ((!option && w != "--distance") || i + 1 >= args.size())
            return printUsage(ctx, "verify");
        const std::string& value = args[++i];
        if (!option) {
            if (const std::string error = parseDistance(value, filter); !error.empty())
                return usageError(ctx, error);
            continue;
        }
        for (const std::string& name : splitString(value, ',')) {
            const auto item = itemIndex(option->list, name);
            if (!item)
                return usageError(ctx, std::string(option->option) + "（" + std::string(KenshoCaption(option->list)) +
                                           "）に「" + name + "」はありません。選べるのは " + itemsText(option->list) +
                                           " です。");
            filter.select(option->list, *item, true);
        }
    }

    const KenshoResult result =
        compare ? CompareBacktestRuns(BacktestFile(ctx.appFolder), PreviousBacktestFile(ctx.appFolder), filter)
                : ReadDataBtnClick(BacktestFile(ctx.appFolder), filter);
    if (!result.fileFound)
        return fail(ctx, kNoBacktestFile);
    if (!result.error.empty())
        return fail(ctx, result.error);
    if (list)
        ctx.out << toTsv(result.grid);
    ctx.out << toTsv(result.summary);
    // What the run behind the file left out; beside the grids, which stay plain TSV.
    if (!result.runSummary.empty())
        ctx.err << result.runSummary << '\n';
    if (result.compared)
        ctx.err << KenshoComparisonText(result) << '\n';
    if (list)
        ctx.out << "件数：" << result.rows.size() << '\n';
    return kExitOk;
}

} // namespace solvane::cli
