// The race card of a stored race as the main window shows it after a selection: the three header
// lines, then the card grid, sorted by heading clicks and with marks put on horses.
#include "CliCommands.h"
#include "CliSupport.h"
#include "DayArgs.h"
#include "MarkArgs.h"
#include "StoredDay.h"

#include "app/LoadSettings.h"
#include "raceday/DayLoader.h"
#include "raceday/RaceCard.h"
#include "raceday/RaceDay.h"
#include "util/Text.h"
#include "util/TextGrid.h"

#include <memory>
#include <optional>
#include <ostream>

namespace solvane::cli {
namespace {

struct CardArgs {
    std::vector<std::string> words;
    std::vector<std::string> sorts; // one heading click each, in order
    Marks marks;
};

// The column a --sort names: a 0-based index, or a heading that only one sortable column carries.
std::optional<int> sortColumnOf(const std::string& text, std::string& error)
{
    const auto& headings = CardHeadings();
    const long long index = toIntDef(text, -1);
    if (index >= 0 && index < kCardColumns && trim(text).find_first_not_of("0123456789") == std::string_view::npos) {
        if (CardClickOf(-1, static_cast<int>(index)) == CardClick::Sort)
            return static_cast<int>(index);
        error = "その列では並べ替えできません：" + text;
        return std::nullopt;
    }
    std::vector<int> found;
    for (int c : CardSortColumns())
        if (headings[static_cast<std::size_t>(c)] == text)
            found.push_back(c);
    if (found.size() == 1)
        return found.front();
    if (found.empty()) {
        error = "並べ替えできる列の見出しではありません：" + text;
    } else {
        // "順" heads five columns; the index says which one.
        error = "見出し " + text + " の列は複数あります。列番号で指定してください：";
        for (std::size_t i = 0; i < found.size(); ++i)
            error += (i ? " " : "") + std::to_string(found[i]);
    }
    return std::nullopt;
}

} // namespace

int cardCommand(CliContext& ctx, const std::vector<std::string>& args)
{
    CardArgs parsed;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--sort") {
            if (i + 1 >= args.size())
                return printUsage(ctx, "card");
            parsed.sorts.push_back(args[++i]);
        } else if (args[i] == "--marks") {
            // The lists that follow, as separate words or as one quoted text.
            std::string text;
            while (i + 1 < args.size() && IsMarkWord(args[i + 1]))
                text += args[++i] + " ";
            if (text.empty())
                return printUsage(ctx, "card");
            if (const std::string error = ParseMarks(text, kMaxHorses, parsed.marks); !error.empty())
                return usageError(ctx, error);
        } else if (args[i].starts_with("--")) {
            return printUsage(ctx, "card");
        } else {
            parsed.words.push_back(args[i]);
        }
    }
    if (parsed.words.size() != 2)
        return printUsage(ctx, "card");

    std::vector<int> sortColumns;
    for (const std::string& s : parsed.sorts) {
        std::string error;
        const auto column = sortColumnOf(s, error);
        if (!column)
            return usageError(ctx, error);
        sortColumns.push_back(*column);
    }

    auto day = std::make_unique<RaceDay>();
    int slot = 0;
    if (const int status = LoadStoredRace(ctx, parsed.words[0], parsed.words[1], *day, slot); status != kExitOk)
        return status;
    if (!RaceHasRunners(*day, slot))
        return fail(ctx, NoRunnersMessage(*day, slot));

    RaceCardState card;
    card.select(*day, slot);
    card.setMarks(parsed.marks);
    for (int column : sortColumns)
        card.click(-1, column);

    const RaceHeader header = BuildRaceHeader(*day, slot);
    ctx.out << header.Label1 << '\n' << header.Label2 << '\n' << header.Label3 << '\n';
    ctx.out << toTsv(card.grid());
    return kExitOk;
}

} // namespace solvane::cli
