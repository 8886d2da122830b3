#include "KaimeArgs.h"
#include "MarkArgs.h"
#include "StoredDay.h"

#include "CliSupport.h"
#include "DayArgs.h"

#include "app/KaimeSettings.h"
#include "app/LoadSettings.h"
#include "raceday/DayLoader.h"
#include "raceday/RaceRecords.h"
#include "util/Text.h"

#include <algorithm>
#include <ostream>

namespace solvane::cli {
namespace {

std::optional<long long> digits(const std::string& text, std::size_t maxDigits)
{
    if (text.empty() || text.size() > maxDigits || text.find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    return toIntDef(text, -1);
}

std::optional<MultiOptions> parseMulti(const std::string& text)
{
    MultiOptions m{false, false, false, false};
    if (text == "none")
        return m;
    for (const std::string& word : splitString(text, ',')) {
        const std::string w(trim(word));
        if (w == "all")
            m.multi = true;
        else if (w == "12")
            m.multi12 = true;
        else if (w == "23")
            m.multi23 = true;
        else if (w == "13")
            m.multi13 = true;
        else
            return std::nullopt;
    }
    return m;
}

// "◎=1,2 ○=3,4 ▲=5"; each mark at most once, horse numbers 1..runners. An error text, or empty.
} // namespace

bool KaimeArgs::has(const std::string& flag) const
{
    return std::find(flags.begin(), flags.end(), flag) != flags.end();
}

std::optional<KaimeArgs> ParseKaimeArgs(CliContext& ctx, const std::string& command,
                                        const std::vector<std::string>& args, const std::vector<std::string>& flags,
                                        std::size_t words, int& status)
{
    KaimeArgs a;
    status = kExitUsage;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& w = args[i];
        if (!w.starts_with("--")) {
            a.words.push_back(w);
            continue;
        }
        if (std::find(flags.begin(), flags.end(), w) != flags.end()) {
            a.flags.push_back(w);
            continue;
        }
        if (i + 1 >= args.size()) {
            printUsage(ctx, command);
            return std::nullopt;
        }
        const std::string& v = args[++i];
        if (w == "--marks") {
            a.marks = v;
        } else if (w == "--stake") {
            if (!(a.stake = digits(v, 8))) {
                usageError(ctx, "--stake は 8 桁までの金額（円）です：" + v);
                return std::nullopt;
            }
        } else if (w == "--haibun") {
            const auto mode = digits(v, 1);
            if (!mode || *mode > 3) {
                usageError(ctx, "--haibun は 0（均等）1（比例）2（均一）3（期配）のいずれかです：" + v);
                return std::nullopt;
            }
            a.haibun = static_cast<int>(*mode);
        } else if (w == "--multi") {
            if (!(a.multi = parseMulti(v))) {
                usageError(ctx, "--multi は all 12 23 13 をカンマで区切るか none です：" + v);
                return std::nullopt;
            }
        } else if (w == "--type") {
            if (!(a.type = BakenTypeOfName(v))) {
                usageError(ctx, "--type は 単勝 複勝 枠連 馬連 ワイド 馬単 ３連複 ３連単 のいずれかです：" + v);
                return std::nullopt;
            }
        } else {
            printUsage(ctx, command);
            return std::nullopt;
        }
    }
    if (a.words.size() != words) {
        printUsage(ctx, command);
        return std::nullopt;
    }
    status = kExitOk;
    return a;
}

int BuildKaimeRun(CliContext& ctx, const KaimeArgs& a, KaimeRun& run)
{
    run.day = std::make_unique<RaceDay>();
    int slot = 0;
    if (const int status = LoadStoredRace(ctx, a.words.at(0), a.words.at(1), *run.day, slot); status != kExitOk)
        return status;
    run.slot = slot;

    if (const std::string error =
            ParseMarks(a.marks, RunnerCount(run.day->RaRecs[static_cast<std::size_t>(slot)]), run.marks);
        !error.empty())
        return usageError(ctx, error);

    // The form's own defaults: the race's stake entry and the stored allocation mode and multi boxes.
    const long long amount = a.stake.value_or(StakeOf(*run.day, BakenType::Tan, slot));
    const int mode = a.haibun.value_or(static_cast<int>(HaibunModeFrom(ctx.settings)));
    const MultiOptions multi = a.multi.value_or(MultiOptionsFrom(ctx.settings));
    run.rates = std::make_unique<AppearanceRateCache>(ctx.appFolder);
    const KaimeContext kc = ContextOf(*run.day, slot, amount, static_cast<HaibunMode>(mode), &run.rates->counts());
    run.tables = KaimeMakeBtnClick(*run.day, slot, run.marks, multi, kc);
    return kExitOk;
}

void PrintKaimeTable(std::ostream& out, const KaimeTable& t)
{
    out << "# " << InfoOf(t.type).name << '\n';
    out << "買い点数\t" << t.labels.count << '\n';
    out << "投票金額\t" << t.labels.total << '\n';
    out << "予想回収率\t" << t.labels.rate << '\n';
    out << "回収金額\t" << t.labels.paid << '\n';
    out << toTsv(t.grid);
}

} // namespace solvane::cli
