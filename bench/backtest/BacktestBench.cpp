// The backtest run over 1, 2, 5 and 10 generated seasons (with the workers the run picks, and with one) with a rule
// that marks three horses in each group (◎ ○ ▲ each the compi 1st to 3rd), against reading every store file of the same
// days once into memory, in the same run.
//
// The seasons (2014 to 2023, one feed per year, final odds and compi files included) are generated and
// imported once into SOLVANE_BENCH_CACHE (or the folder named by that environment variable); each
// year's feed is removed after its import and its compi files are kept in the Data folder, where the
// day loader finds them. Usage: solvane-bench-backtest [Google Benchmark options]
#include "feedgen/Feed.h"
#include "jvdata/LocalJVLink.h"
#include "raceday/DayLoader.h"
#include "store/BulkImport.h"
#include "store/Store.h"
#include "util/Files.h"
#include "verify/Backtest.h"

#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

using namespace solvane;
namespace fs = std::filesystem;

namespace {

constexpr int kFirstYear = 2014;
constexpr int kYears = 10;

fs::path CacheFolder()
{
    const char* env = std::getenv("SOLVANE_BENCH_CACHE");
    return env && *env ? fs::path(env) : fs::path(SOLVANE_BENCH_CACHE);
}

fs::path Home()
{
    return CacheFolder() / "home";
}

// Generates and imports the seasons not in the cache yet. False (with a message) on a failure.
bool PrepareSeasons()
{
    const fs::path home = Home();
    fs::create_directories(home / "Data");
    for (int y = kFirstYear; y < kFirstYear + kYears; ++y) {
        const fs::path done = CacheFolder() / ("season-" + std::to_string(y) + ".done");
        if (fs::exists(done))
            continue;
        std::fprintf(stderr, "generating and importing %d ...\n", y);
        feedgen::FeedOptions feed;
        feed.out = CacheFolder() / ("feed-" + std::to_string(y));
        fs::remove_all(feed.out);
        feed.from = DateTime{y, 1, 1};
        feed.to = DateTime{y, 12, 31};
        feed.seed = static_cast<std::uint64_t>(y);
        feed.now = DateTime{2099, 1, 1};
        feed.rtDays = 0;
        feed.siblings = true;
        std::string error;
        if (!feedgen::GenerateFeed(feed, nullptr, &error)) {
            std::fprintf(stderr, "%s\n", error.c_str());
            return false;
        }
        writeFileAtomic(feed.out / "faults.ini", "[Download]\r\ntime=0\r\n");
        ManualClock clock(DateTime{2099, 1, 1});
        LocalJVLink link(feed.out, clock);
        link.JVInit("BENCH");
        JVCancelFlag cancel{false};
        BulkImportOptions options;
        options.dataFolder = home / "Data";
        options.start = DateTime{y, 1, 1};
        options.setupData = true;
        BulkImport(link, cancel, options).run();
        // The compi files go where the loader looks when no compi-box folder is set.
        for (const auto& e : fs::recursive_directory_iterator(feed.out / "harunire"))
            if (e.is_regular_file() && e.path().extension() == ".comp")
                fs::rename(e.path(), home / "Data" / e.path().filename());
        fs::remove_all(feed.out);
        writeFileAtomic(done, "");
    }
    return true;
}

std::string PeriodEnd(int years)
{
    return std::to_string(kFirstYear + years - 1) + "1231";
}

// The store files of the first `years` seasons (names start with the day key "yyyy年…").
std::vector<fs::path> StoreFiles(int years)
{
    std::vector<fs::path> files;
    for (const auto& e : fs::directory_iterator(Home() / "Data")) {
        const std::string name = e.path().filename().string();
        const int year = std::atoi(name.substr(0, 4).c_str());
        if (year >= kFirstYear && year < kFirstYear + years)
            files.push_back(e.path());
    }
    return files;
}

BacktestOptions Options(int years)
{
    BacktestOptions o;
    o.from = std::to_string(kFirstYear) + "0101";
    o.to = PeriodEnd(years);
    for (RuleGroup& g : o.rule.groups)
        for (int item = 0; item < 3; ++item)
            g.select(RuleCondition::Compi, item, true);
    o.load.appFolder = Home();
    return o;
}

void BM_ReadStoreFiles(benchmark::State& state)
{
    const std::vector<fs::path> files = StoreFiles(static_cast<int>(state.range(0)));
    std::size_t bytes = 0;
    for (auto _ : state) {
        bytes = 0;
        for (const fs::path& f : files)
            bytes += readFile(f).value_or(std::string()).size();
        benchmark::DoNotOptimize(bytes);
    }
    state.counters["files"] = static_cast<double>(files.size());
    state.counters["MB"] = static_cast<double>(bytes) / 1e6;
    state.counters["MB/s"] = benchmark::Counter(static_cast<double>(bytes) / 1e6, benchmark::Counter::kIsRate);
}

void BM_Backtest(benchmark::State& state)
{
    const int years = static_cast<int>(state.range(0));
    const std::vector<std::string> items = MakeDataListBtnClick(Home());
    BacktestOptions options = Options(years);
    options.workers = static_cast<int>(state.range(1)); // 0: as many as the run takes by itself
    ManualClock clock(DateTime{2099, 1, 1});
    BacktestResult result;
    for (auto _ : state) {
        result = RunBacktest(items, options, clock);
        if (result.outcome != BacktestOutcome::Written) {
            state.SkipWithError(("backtest: " + result.message).c_str());
            return;
        }
    }
    state.counters["workers"] = options.workers;
    state.counters["days"] = result.days;
    state.counters["races"] = static_cast<double>(result.races);
    state.counters["races/s"] = benchmark::Counter(static_cast<double>(result.races), benchmark::Counter::kIsRate);
}

} // namespace

BENCHMARK(BM_ReadStoreFiles)
    ->Arg(1)
    ->Arg(2)
    ->Arg(5)
    ->Arg(10)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime()
    ->Iterations(1)
    ->Repetitions(3);
BENCHMARK(BM_Backtest)
    ->Args({1, 1})
    ->Args({1, 0})
    ->Args({2, 0})
    ->Args({5, 0})
    ->Args({10, 1})
    ->Args({10, 0})
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime()
    ->Iterations(1)
    ->Repetitions(3);

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (!PrepareSeasons())
        return 1;
    // Warm the page cache once, so that neither side pays for the first read from disk (left out with
    // SOLVANE_BENCH_NO_WARMUP set, for a profile of the backtest alone).
    if (!std::getenv("SOLVANE_BENCH_NO_WARMUP")) {
        std::size_t bytes = 0;
        for (const fs::path& f : StoreFiles(kYears))
            bytes += readFile(f).value_or(std::string()).size();
        std::fprintf(stderr, "store: %.1f MB\n", static_cast<double>(bytes) / 1e6);
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
