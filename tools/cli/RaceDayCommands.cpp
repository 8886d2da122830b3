// A stored race day as the window shows it: the race list, a race's odds and its results page.
#include "CliCommands.h"
#include "CliSupport.h"
#include "DayArgs.h"
#include "StoredDay.h"

#include "app/LoadSettings.h"
#include "jvdata/Combo.h"
#include "raceday/DayLoader.h"
#include "raceday/OddsPage.h"
#include "raceday/OddsReader.h"
#include "raceday/Payouts.h"
#include "raceday/RaceDay.h"
#include "raceday/RaceRecords.h"
#include "util/ShiftJis.h"
#include "util/Text.h"
#include "util/TextGrid.h"

#include <algorithm>
#include <memory>
#include <ostream>
#include <span>

namespace solvane::cli {
namespace {

// Only values above 0 are prices, ranks and ratios; the rest (no odds yet, a cancelled runner) show as the
// card shows them: blank.
std::string oddsText(double odds)
{
    return odds > 0 ? strprintf("%.1f", odds) : std::string();
}

std::string ratioText(double ratio)
{
    return ratio > 0 ? strprintf("%.2f", ratio) : std::string();
}

std::string rankText(int rank)
{
    return rank > 0 ? std::to_string(rank) : std::string();
}

// One of the six combination bet types: its odds and popularity arrays and how an ordinal is labelled.
struct ComboTable {
    std::span<const double> odds;
    std::span<const int> ninki;
    std::string (*labelOf)(int ordinal);
};

void printComboTable(std::ostream& out, const ComboTable& t)
{
    TextGrid grid({"組番", "オッズ", "人気"});
    for (std::size_t k = 1; k < t.odds.size(); ++k) {
        const int r = grid.addRow();
        grid.setCell(r, 0, t.labelOf(static_cast<int>(k)));
        grid.setCell(r, 1, oddsText(t.odds[k]));
        grid.setCell(r, 2, rankText(t.ninki[k]));
    }
    printTsv(out, grid);
}

} // namespace

int racesCommand(CliContext& ctx, const std::vector<std::string>& args)
{
    if (!expectArgs(ctx, "races", args, 1, 1))
        return kExitUsage;
    const auto dayKey = ParseDayArg(args[0]);
    if (!dayKey)
        return BadDayArg(ctx, args[0]);
    auto day = std::make_unique<RaceDay>();
    if (!LoadStoredDay(ctx, *dayKey, *day))
        return kExitFailure;

    TextGrid grid({"slot", "レース", "発走"});
    for (const RaceListItem& item : day->RaceList) {
        const int r = grid.addRow();
        grid.setCell(r, 0, std::to_string(item.slot));
        grid.setCell(r, 1, item.text);
        grid.setCell(r, 2, fromSjis(field(day->RaRecs[static_cast<std::size_t>(item.slot)], 874, 4)));
    }
    printTsv(ctx.out, grid);
    return kExitOk;
}

int oddsCommand(CliContext& ctx, const std::vector<std::string>& args)
{
    std::vector<std::string> words;
    std::string type = "単勝";
    bool list = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--type" && i + 1 < args.size())
            type = args[++i];
        else if (args[i] == "--list")
            list = true;
        else if (args[i].starts_with("--"))
            return printUsage(ctx, "odds");
        else
            words.push_back(args[i]);
    }
    if (words.size() != 2)
        return printUsage(ctx, "odds");
    // Half-width digits are accepted too, as people type them.
    if (type == "3連複" || type == "3連単")
        type = "３" + type.substr(1);
    static const std::vector<std::string> kTypes{"単勝", "複勝", "枠連", "馬連", "ワイド", "馬単", "３連複", "３連単"};
    if (std::find(kTypes.begin(), kTypes.end(), type) == kTypes.end())
        return usageError(ctx, "--type は 単勝 複勝 枠連 馬連 ワイド 馬単 ３連複 ３連単 のいずれかです：" + type);

    auto day = std::make_unique<RaceDay>();
    int slot = 0;
    if (const int status = LoadStoredRace(ctx, words[0], words[1], *day, slot); status != kExitOk)
        return status;
    EnsureTripleOdds(*day, slot);
    // Without --list: the window's odds page, matrices and all.
    if (!list) {
        printTsv(ctx.out, OddsPageGrid(*day, slot, *OddsTypeOfName(type)));
        return kExitOk;
    }
    const TOutData& r = day->RaceRecs[static_cast<std::size_t>(slot)];
    const int n = RunnerCount(day->RaRecs[static_cast<std::size_t>(slot)]);

    if (type == "単勝" || type == "複勝") {
        const bool win = type == "単勝";
        TextGrid grid(win ? std::vector<std::string>{"馬番", "オッズ", "人気", "断層"}
                          : std::vector<std::string>{"馬番", "下限", "上限", "人気", "断層"});
        for (int h = 1; h <= n; ++h) {
            const auto k = static_cast<std::size_t>(h);
            std::vector<std::string>& row = grid.row(grid.addRow());
            row[0] = std::to_string(h);
            if (win) {
                row[1] = oddsText(r.TanOz[k]);
                row[2] = rankText(r.TanNinki[k]);
                row[3] = ratioText(r.TanOzRatio[k]);
            } else {
                row[1] = oddsText(r.FukOzLow[k]);
                row[2] = oddsText(r.FukOzHigh[k]);
                row[3] = rankText(r.FukNinki[k]);
                row[4] = ratioText(r.FukOzRatio[k]);
            }
        }
        printTsv(ctx.out, grid);
        return kExitOk;
    }

    if (type == "枠連")
        printComboTable(ctx.out, {r.WROz, r.WRNinki, WRLabelOf});
    else if (type == "馬連")
        printComboTable(ctx.out, {r.UROz, r.URNinki, PairLabelOf});
    else if (type == "ワイド")
        printComboTable(ctx.out, {r.WDOz, r.WDNinki, PairLabelOf});
    else if (type == "馬単")
        printComboTable(ctx.out, {r.UTOz, r.UTNinki, UTLabelOf});
    else if (type == "３連複")
        printComboTable(ctx.out, {r.SRFOz, r.SRFNinki, SRFLabelOf});
    else
        printComboTable(ctx.out, {r.SRTOz, r.SRTNinki, SRTLabelOf});
    return kExitOk;
}

int resultsCommand(CliContext& ctx, const std::vector<std::string>& args)
{
    if (!expectArgs(ctx, "results", args, 2, 2))
        return kExitUsage;
    auto day = std::make_unique<RaceDay>();
    int slot = 0;
    if (const int status = LoadStoredRace(ctx, args[0], args[1], *day, slot); status != kExitOk)
        return status;
    ctx.out << toTsv(ResultsGrid(*day, slot));
    return kExitOk;
}

} // namespace solvane::cli
