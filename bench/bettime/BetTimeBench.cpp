// A season's backtest at the odds of five minutes before each post against the same backtest at the final
// odds, in the same run, and reading the season's store files once as the baseline of both. The rule marks
// three horses in each group (◎ ○ ▲ each the win favourite to third favourite), so every bet type is built
// and every odds record of a race is taken from its snapshots.
//
// The season (2023, seed 2023, time-series snapshots for every run day) is generated and imported once into
// the cache folder (SOLVANE_BENCH_CACHE overrides it); its time-series folder is kept there.
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

// Generates and imports the season unless the cache says it is there. False with a message on a failure.
bool PrepareSeason(const fs::path& cache)
{
    const fs::path done = cache / "season.done";
    if (fs::exists(done))
        return true;
    std::fprintf(stderr, "generating and importing %d with its time series ...\n", kYear);
    fs::remove_all(cache);
    feedgen::FeedOptions feed;
    feed.out = cache / "feed";
    feed.from = DateTime{kYear, 1, 1};
    feed.to = DateTime{kYear, 12, 31};
    feed.seed = kYear;
    feed.now = DateTime{2099, 1, 1};
    feed.rtDays = 0;
    feed.seriesDays = feedgen::kSeriesEveryDay;
    std::string error;
    if (!feedgen::GenerateFeed(feed, nullptr, &error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return false;
    }
    writeFileAtomic(feed.out / "faults.ini", "[Download]\r\ntime=0\r\n");
    ManualClock clock(DateTime{2099, 1, 1});
    LocalJVLink link(feed.out, clock);
    link.JVInit("BENCH");
    const fs::path data = bench::CachedHome(cache) / "Data";
    fs::create_directories(data);
    if (const BulkImportResult r = test::ImportInto(link, data, DateTime{kYear, 1, 1}); r.error) {
        std::fprintf(stderr, "import: %s\n", r.message.c_str());
        return false;
    }
    // Only the time series stays of the feed.
    fs::rename(feed.out / "jikeiretu", cache / "jikeiretu");
    fs::remove_all(feed.out);
    writeFileAtomic(done, "");
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    const fs::path cache = bench::CacheFolder(SOLVANE_BENCH_CACHE);
    if (!PrepareSeason(cache))
        return 1;
    const fs::path home = bench::CachedHome(cache);
    const std::vector<std::string> items = MakeDataListBtnClick(home);

    BacktestOptions final;
    final.from = std::to_string(kYear) + "0101";
    final.to = std::to_string(kYear) + "1231";
    for (RuleGroup& g : final.rule.groups)
        for (int item = 0; item < 3; ++item)
            g.select(RuleCondition::Tanninki, item, true);
    final.load.appFolder = home;
    BacktestOptions betTime = final;
    betTime.oddsBeforeMinutes = 5;
    betTime.seriesFolders = {cache / "jikeiretu"};

    std::vector<fs::path> files;
    std::uintmax_t bytes = 0;
    for (const auto& e : fs::directory_iterator(home / "Data")) {
        files.push_back(e.path());
        bytes += e.file_size();
    }
    std::uintmax_t seriesBytes = 0;
    for (const auto& e : fs::recursive_directory_iterator(cache / "jikeiretu"))
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
    std::printf("backtest 5 minutes before:   %8.0f ms  %5.2f x read, %5.2f x final (%lld races at bet time, %lld left out)\n",
                mBet, mBet / mRead, mBet / mFinal, lastBetTime.betTimeRaces, lastBetTime.betTimeLeftOut);
    return 0;
}
