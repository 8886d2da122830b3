// The command line of the combination commands (kaime, vote): the day, the race, the marks and the
// form's settings, and the tables built from them as the input form builds them.
#pragma once

#include "CliCommands.h"

#include "kaime/AppearanceRates.h"
#include "kaime/KaimeBuild.h"
#include "raceday/RaceCard.h"
#include "raceday/RaceDay.h"

#include <iosfwd>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace solvane::cli {

struct KaimeArgs {
    std::vector<std::string> words; // the words that are no option, in order
    std::string marks;
    std::optional<long long> stake;
    std::optional<int> haibun;
    std::optional<MultiOptions> multi;
    std::optional<BakenType> type;
    std::vector<std::string> flags; // the value-less options given
    bool has(const std::string& flag) const;
};

// Reads the options of a combination command. flags are the options without a value that the command
// takes; words is the number of other words it wants. On a wrong line the usage or the fault is told
// and status is the exit status.
std::optional<KaimeArgs> ParseKaimeArgs(CliContext& ctx, const std::string& command,
                                        const std::vector<std::string>& args, const std::vector<std::string>& flags,
                                        std::size_t words, int& status);

// The day loaded, the race found and its tables built with the form's defaults for what the command
// line leaves out.
struct KaimeRun {
    std::unique_ptr<RaceDay> day;
    int slot = 0;
    Marks marks;
    std::unique_ptr<AppearanceRateCache> rates;
    KaimeTables tables;
};

// words[0] is the day and words[1] the race. Returns kExitOk, or the status the failure was told with.
int BuildKaimeRun(CliContext& ctx, const KaimeArgs& args, KaimeRun& run);

void PrintKaimeTable(std::ostream& out, const KaimeTable& table);

} // namespace solvane::cli
