// Loading a full race day (36 races, all six odds files) into the model, against reading the same
// files once in the same run. Usage: solvane-bench-dayload [ROUNDS]
#include "BenchSupport.h"
#include "feedgen/Feed.h"
#include "raceday/DayLoader.h"
#include "raceday/OddsReader.h"
#include "raceday/RaceDay.h"
#include "store/Store.h"
#include "support/GeneratedSeason.h"
#include "util/Files.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>

using namespace solvane;
namespace fs = std::filesystem;
using bench::msSince;
using bench::Steady;

int main(int argc, char** argv)
{
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 50;

    // Two months give days of three venues; the busiest day is the one measured.
    feedgen::FeedOptions feed;
    feed.from = DateTime{2023, 4, 1};
    feed.to = DateTime{2023, 5, 31};
    feed.rtDays = 0;
    feed.siblings = false;
    test::GeneratedSeason season(DateTime{2099, 1, 1}, feed, DateTime{2023, 1, 1});
    if (!season.error.empty()) {
        std::fprintf(stderr, "%s\n", season.error.c_str());
        return 1;
    }
    const ManualClock& clock = season.clock;
    const fs::path dataFolder = StoreFolder(season.home);

    LoadOptions load;
    load.appFolder = season.home;
    auto day = std::make_unique<RaceDay>();
    std::string busiest;
    std::size_t races = 0;
    for (const std::string& key : StoredDayList(load.appFolder)) {
        DateComboChange(*day, key, load, clock);
        if (day->RaceList.size() > races) {
            races = day->RaceList.size();
            busiest = key;
        }
    }

    // The day's files: every store file whose name starts with the day key.
    const std::string& stem = busiest; // store file names are UTF-8 on disk
    std::vector<fs::path> files;
    std::uintmax_t bytes = 0;
    for (const auto& e : fs::directory_iterator(dataFolder))
        if (e.path().filename().string().rfind(stem, 0) == 0) {
            files.push_back(e.path());
            bytes += e.file_size();
        }

    double loadBest = 1e9, readBest = 1e9, loadSum = 0, readSum = 0, allBest = 1e9, allSum = 0;
    for (int i = 0; i < rounds; ++i) {
        auto t0 = Steady::now();
        std::size_t total = 0;
        for (const auto& f : files)
            total += readFile(f).value_or("").size();
        const double r = msSince(t0);
        if (total != bytes)
            return 1;
        t0 = Steady::now();
        DateComboChange(*day, busiest, load, clock);
        const double l = msSince(t0);
        // What showing every race of the day costs on top: each race's trio and trifecta block decoded.
        t0 = Steady::now();
        for (int s = 0; s < kRaceSlots; ++s)
            EnsureTripleOdds(*day, s);
        const double a = l + msSince(t0);
        allBest = std::min(allBest, a);
        allSum += a;
        readBest = std::min(readBest, r);
        loadBest = std::min(loadBest, l);
        readSum += r;
        loadSum += l;
    }
    std::printf("day %s: %zu races, %zu files, %.1f MB\n", busiest.c_str(), races, files.size(), bytes / 1e6);
    std::printf("read the files once: best %.2f ms, mean %.2f ms\n", readBest, readSum / rounds);
    std::printf("load the day:        best %.2f ms, mean %.2f ms\n", loadBest, loadSum / rounds);
    std::printf("load, then every race's trio and trifecta decoded: best %.2f ms, mean %.2f ms\n", allBest,
                allSum / rounds);
    std::printf("load / read: best %.2f, mean %.2f (%d rounds)\n", loadBest / readBest, loadSum / readSum, rounds);
    std::printf("load with every race decoded / read: best %.2f, mean %.2f\n", allBest / readBest, allSum / readSum);
    return 0;
}
