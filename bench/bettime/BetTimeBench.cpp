// A season's backtest at the odds of five minutes before each post against the same backtest at the final
// odds, in the same run, and reading the season's store files once as the baseline of both. The rule marks
// three horses in each group (◎ ○ ▲ each the win favourite to third favourite), so every bet type is built
// and every odds record of a race is taken from its snapshots.
//
// The season (2023, seed 2023, time-series snapshots for every run day) is generated and imported once into
// the cache folder (SOLVANE_BENCH_CACHE overrides it), its time-series folder kept there (bench::CachedSeason).
// Usage: solvane-bench-bettime [ROUNDS]
#include "BenchSupport.h"
#include "raceday/DayLoader.h"
#include "util/Files.h"
#include "verify/Backtest.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

using namespace solvane;
namespace fs = std::filesystem;
using bench::msSince;
using bench::Steady;

namespace {

constexpr int kYear = 2023;

} // namespace

int main(int argc, char** argv)
{
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    const fs::path cache = bench::CacheFolder(SOLVANE_BENCH_CACHE);
    if (!bench::CachedSeason(cache, kYear, kYear, true, true))
        return 1;
    const fs::path home = bench::CachedHome(cache);
    const std::vector<std::string> items = StoredDayList(home);

    BacktestOptions final;
    final.from = std::to_string(kYear) + "0101";
    final.to = std::to_string(kYear) + "1231";
    for (RuleGroup& g : final.rule.groups)
        for (int item = 0; item < 3; ++item)
            g.select(RuleCondition::Tanninki, item, true);
    final.load.appFolder = home;
    BacktestOptions betTime = final;
    betTime.oddsBeforeMinutes = 5;
    betTime.seriesFolders = {bench::CachedSeries(cache, kYear)};

    std::vector<fs::path> files;
    std::uintmax_t bytes = 0;
    for (const auto& e : fs::directory_iterator(home / "Data")) {
        files.push_back(e.path());
        bytes += e.file_size();
    }
    std::uintmax_t seriesBytes = 0;
    for (const auto& e : fs::recursive_directory_iterator(bench::CachedSeries(cache, kYear)))
        if (e.is_regular_file())
            seriesBytes += e.file_size();

    ManualClock clock(DateTime{2099, 1, 1});
    std::vector<double> read, atFinal, atBetTime;
    BacktestResult lastFinal, lastBetTime;
    for (int r = 0; r < rounds; ++r) {
        auto t0 = Steady::now();
        std::size_t total = 0;
        for (const fs::path& f : files)
            total += readFile(f).value_or("").size();
        read.push_back(msSince(t0));
        if (total != bytes)
            return 1;
        t0 = Steady::now();
        lastFinal = RunBacktest(items, final, clock);
        atFinal.push_back(msSince(t0));
        t0 = Steady::now();
        lastBetTime = RunBacktest(items, betTime, clock);
        atBetTime.push_back(msSince(t0));
        if (lastFinal.outcome != BacktestOutcome::Written || lastBetTime.outcome != BacktestOutcome::Written) {
            std::fprintf(stderr, "%s%s\n", lastFinal.message.c_str(), lastBetTime.message.c_str());
            return 1;
        }
    }
    const double mRead = bench::median(read), mFinal = bench::median(atFinal), mBet = bench::median(atBetTime);
    std::printf("season %d: %d days, %lld races; store %.1f MB, time series %.1f MB\n", kYear, lastFinal.days,
                lastFinal.races, static_cast<double>(bytes) / 1e6, static_cast<double>(seriesBytes) / 1e6);
    std::printf("read the store files:        %8.0f ms (median of %d)\n", mRead, rounds);
    std::printf("backtest at the final odds:  %8.0f ms  %5.2f x read\n", mFinal, mFinal / mRead);
    std::printf(
        "backtest 5 minutes before:   %8.0f ms  %5.2f x read, %5.2f x final (%lld races at bet time, %lld left out)\n",
        mBet, mBet / mRead, mBet / mFinal, lastBetTime.betTimeRaces, lastBetTime.betTimeLeftOut);
    return 0;
}
