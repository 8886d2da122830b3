// The SQLite export of a generated season, without and with the final odds, against reading the same
// store files in the same run. Each round reads every store file of the season once (the baseline),
// loads every day into the model (what the export cannot do without), exports the season into a new
// file without odds and with odds, and exports it once more into the file that already holds it (a
// run after each import: every day's rows replaced).
//
// The season (2023, final odds included) is generated and imported once into SOLVANE_BENCH_CACHE (or
// the folder that environment variable names). Usage: solvane-bench-export [ROUNDS]
#include "BenchSupport.h"
#include "export/SqliteExport.h"
#include "raceday/DayLoader.h"
#include "util/Files.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

using namespace solvane;
namespace fs = std::filesystem;
using bench::Steady;

namespace {

struct Timing {
    std::string what;
    std::vector<double> seconds;
    std::string figures;
    double best() const { return *std::min_element(seconds.begin(), seconds.end()); }
    double mean() const
    {
        double sum = 0;
        for (double s : seconds)
            sum += s;
        return sum / static_cast<double>(seconds.size());
    }
};

double timed(const std::function<void()>& f)
{
    const auto t0 = Steady::now();
    f();
    return std::chrono::duration<double>(Steady::now() - t0).count();
}

std::string fileSize(const fs::path& file)
{
    std::error_code ec;
    return std::to_string(fs::file_size(file, ec) / 1000000) + " MB";
}

} // namespace

int main(int argc, char** argv)
{
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    const fs::path cache = bench::CacheFolder(SOLVANE_BENCH_CACHE);
    if (!bench::CachedSeason(cache, 2023, 2023, false))
        return 1;
    std::vector<fs::path> files;
    for (const auto& e : fs::directory_iterator(bench::CachedHome(cache) / "Data"))
        files.push_back(e.path());
    const fs::path out = cache / "season.sqlite";
    LoadOptions load;
    load.appFolder = bench::CachedHome(cache);

    Timing read{"read the season's store files", {}, {}};
    Timing loadAll{"load every day into the model", {}, {}};
    Timing plain{"export, no odds, new file", {}, {}};
    Timing again{"export, no odds, into the same file", {}, {}};
    Timing odds{"export with --odds, new file", {}, {}};
    bool ok = true;
    auto exportInto = [&](bool withOdds, Timing& t) {
        SqliteExportOptions options;
        options.file = out;
        options.odds = withOdds;
        options.load = load;
        SqliteExportResult result;
        t.seconds.push_back(timed([&] { result = ExportToSqlite(options); }));
        if (result.outcome != SqliteExportOutcome::Written) {
            std::fprintf(stderr, "export: %s\n", result.message.c_str());
            ok = false;
        }
        t.figures = std::to_string(result.counts.days) + " days, " + std::to_string(result.counts.races) + " races, " +
                    std::to_string(result.counts.runners + result.counts.payouts + result.counts.odds) + " rows, " +
                    fileSize(out);
    };
    for (int round = 0; round < rounds && ok; ++round) {
        // The page cache warmed first in every round (the odds export of the round before wrote more than
        // the machine caches), so that no side pays for reading from disk.
        for (const fs::path& f : files)
            readFile(f);
        std::size_t bytes = 0;
        read.seconds.push_back(timed([&] {
            for (const fs::path& f : files)
                bytes += readFile(f).value_or(std::string()).size();
        }));
        read.figures = std::to_string(files.size()) + " files, " + std::to_string(bytes / 1000000) + " MB";

        auto day = std::make_unique<RaceDay>();
        const ManualClock clock(DateTime{2099, 1, 1});
        const std::vector<std::string> days = StoredDayList(load.appFolder);
        loadAll.seconds.push_back(timed([&] {
            for (const std::string& key : days)
                DateComboChange(*day, key, load, clock);
        }));
        loadAll.figures = std::to_string(days.size()) + " days";

        fs::remove(out);
        exportInto(false, plain);
        exportInto(false, again);
        fs::remove(out);
        exportInto(true, odds);
        fs::remove(out);
    }
    if (!ok)
        return 1;

    std::printf("| What | Best | Mean | Best / read | Figures |\n|---|---|---|---|---|\n");
    for (const Timing* t : {&read, &loadAll, &plain, &again, &odds})
        std::printf("| %s | %.2f s | %.2f s | %.1f | %s |\n", t->what.c_str(), t->best(), t->mean(),
                    t->best() / read.best(), t->figures.c_str());
    return 0;
}
