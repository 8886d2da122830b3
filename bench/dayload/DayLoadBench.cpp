// Loading a full race day (36 races, all six odds files) into the model, against reading the same
// files once in the same run. Usage: solvane-bench-dayload [ROUNDS]
#include "feedgen/Feed.h"
#include "jvdata/LocalJVLink.h"
#include "raceday/DayLoader.h"
#include "raceday/OddsReader.h"
#include "raceday/RaceDay.h"
#include "store/BulkImport.h"
#include "store/Store.h"
#include "util/Files.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <unistd.h>

using namespace solvane;
namespace fs = std::filesystem;
using Clock_ = std::chrono::steady_clock;

static double msSince(Clock_::time_point t0)
{
    return std::chrono::duration<double, std::milli>(Clock_::now() - t0).count();
}

int main(int argc, char** argv)
{
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 50;
    const fs::path work = fs::temp_directory_path() / ("solvane-bench-dayload." + std::to_string(::getpid()));
    fs::create_directories(work / "home" / "Data");

    // Two months give days of three venues; the busiest day is the one measured.
    feedgen::FeedOptions feed;
    feed.out = work / "feed";
    feed.from = DateTime{2023, 4, 1};
    feed.to = DateTime{2023, 5, 31};
    feed.now = DateTime{2099, 1, 1};
    feed.rtDays = 0;
    feed.siblings = false;
    std::string error;
    if (!feedgen::GenerateFeed(feed, nullptr, &error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    writeFileAtomic(feed.out / "faults.ini", "[Download]\r\ntime=0\r\n");
    ManualClock clock(DateTime{2099, 1, 1});
    LocalJVLink link(feed.out, clock);
    link.JVInit("BENCH");
    JVCancelFlag cancel{false};
    BulkImportOptions options;
    options.dataFolder = work / "home" / "Data";
    options.start = DateTime{2023, 1, 1};
    options.setupData = true;
    BulkImport(link, cancel, options).run();

    LoadOptions load;
    load.appFolder = work / "home";
    auto day = std::make_unique<RaceDay>();
    std::string busiest;
    std::size_t races = 0;
    for (const std::string& key : MakeDataListBtnClick(load.appFolder)) {
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
    for (const auto& e : fs::directory_iterator(options.dataFolder))
        if (e.path().filename().string().rfind(stem, 0) == 0) {
            files.push_back(e.path());
            bytes += e.file_size();
        }

    double loadBest = 1e9, readBest = 1e9, loadSum = 0, readSum = 0, allBest = 1e9, allSum = 0;
    for (int i = 0; i < rounds; ++i) {
        auto t0 = Clock_::now();
        std::size_t total = 0;
        for (const auto& f : files)
            total += readFile(f).value_or("").size();
        const double r = msSince(t0);
        if (total != bytes)
            return 1;
        t0 = Clock_::now();
        DateComboChange(*day, busiest, load, clock);
        const double l = msSince(t0);
        // What showing every race of the day costs on top: each race's trio and trifecta block decoded.
        t0 = Clock_::now();
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
    fs::remove_all(work);
    return 0;
}
