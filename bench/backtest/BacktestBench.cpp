// The backtest run over 1, 2, 5 and 10 generated seasons (with the workers the run picks, and with one) with a rule
// that marks three horses in each group (◎ ○ ▲ each the compi 1st to 3rd), against reading every store file of the same
// days once into memory, in the same run.
//
// The seasons (2014 to 2023, one feed per year, final odds and compi files included) are generated and
// imported once into SOLVANE_BENCH_CACHE (or the folder named by that environment variable); each
// year's feed is removed after its import and its compi files are kept in the Data folder, where the
// day loader finds them. Usage: solvane-bench-backtest [Google Benchmark options]
#include "BenchSupport.h"
#include "raceday/DayLoader.h"
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

fs::path Home()
{
    return bench::CachedHome(bench::CacheFolder(SOLVANE_BENCH_CACHE));
}

// Generates and imports the seasons not in the cache yet. False (with a message) on a failure.
bool PrepareSeasons()
{
    for (int y = kFirstYear; y < kFirstYear + kYears; ++y)
        if (!bench::CachedSeason(bench::CacheFolder(SOLVANE_BENCH_CACHE), y, static_cast<std::uint64_t>(y), true))
            return false;
    return true;
}

std::string PeriodEnd(int years)
{
    return std::to_string(kFirstYear + years - 1) + "1231";
}

// The store files of the first `years` seasons (names start with the day key "yyyy年…").
std::vector<fs::path> SeasonFiles(int years)
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
    const std::vector<fs::path> files = SeasonFiles(static_cast<int>(state.range(0)));
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
    const std::vector<std::string> items = StoredDayList(Home());
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
        for (const fs::path& f : SeasonFiles(kYears))
            bytes += readFile(f).value_or(std::string()).size();
        std::fprintf(stderr, "store: %.1f MB\n", static_cast<double>(bytes) / 1e6);
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
