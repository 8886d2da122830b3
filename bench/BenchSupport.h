// What the benchmarks share: round times in milliseconds and their median, and the generated seasons
// the long benchmarks keep in a cache folder from one run to the next.
#pragma once

#include "feedgen/Feed.h"
#include "jvdata/LocalJVLink.h"
#include "support/ImportStore.h"
#include "util/Files.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace solvane::bench {

using Steady = std::chrono::steady_clock;

inline double msSince(Steady::time_point t0)
{
    return std::chrono::duration<double, std::milli>(Steady::now() - t0).count();
}

inline double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// The folder the environment variable SOLVANE_BENCH_CACHE names, else builtIn (the bench's folder below
// the build tree).
inline std::filesystem::path CacheFolder(const char* builtIn)
{
    const char* env = std::getenv("SOLVANE_BENCH_CACHE");
    return env && *env ? std::filesystem::path(env) : std::filesystem::path(builtIn);
}

// The application folder of the cached seasons.
inline std::filesystem::path CachedHome(const std::filesystem::path& cache)
{
    return cache / "home";
}

// The season `year` of the seed, every race run with its final odds and no real-time snapshots (and the
// compi files of the sibling programs with siblings), generated and imported the way the import window
// does it into CachedHome(cache), unless cache/season-<year>.done says it is there. The feed is removed
// after the import; the compi files go into the Data folder, where the day loader looks when no
// compi-box folder is set. With series (and siblings), the time-series snapshots of every day are kept in
// CachedSeries(cache, year). A year not marked done has its store files removed first, so that an
// interrupted run leaves nothing half imported. False, with a message, on a failure.
//
// The marks know nothing of the generator: after a change to it, delete the cache folder.
inline std::filesystem::path CachedSeries(const std::filesystem::path& cache, int year)
{
    return cache / ("jikeiretu-" + std::to_string(year));
}

inline bool CachedSeason(const std::filesystem::path& cache, int year, std::uint64_t seed, bool siblings,
                         bool series = false)
{
    namespace fs = std::filesystem;
    const std::string y = std::to_string(year);
    const fs::path done = cache / ("season-" + y + ".done");
    if (fs::exists(done))
        return true;
    std::fprintf(stderr, "generating and importing %d ...\n", year);
    const fs::path data = CachedHome(cache) / "Data";
    fs::create_directories(data);
    const std::string prefix = y + "年"; // store and compi file names start with the day key
    for (const auto& e : fs::directory_iterator(data))
        if (pathToUtf8(e.path().filename()).starts_with(prefix))
            fs::remove(e.path());

    feedgen::FeedOptions feed;
    feed.out = cache / ("feed-" + y);
    fs::remove_all(feed.out);
    feed.from = DateTime{year, 1, 1};
    feed.to = DateTime{year, 12, 31};
    feed.seed = seed;
    feed.now = DateTime{2099, 1, 1};
    feed.rtDays = 0;
    feed.siblings = siblings;
    feed.seriesDays = series ? feedgen::kSeriesEveryDay : 0;
    std::string error;
    if (!feedgen::GenerateFeed(feed, nullptr, &error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return false;
    }
    writeFileAtomic(feed.out / "faults.ini", "[Download]\r\ntime=0\r\n");
    ManualClock clock(DateTime{2099, 1, 1});
    LocalJVLink link(feed.out, clock);
    link.JVInit("BENCH");
    if (const BulkImportResult r = test::ImportInto(link, data, DateTime{year, 1, 1}); r.error) {
        std::fprintf(stderr, "import: %s\n", r.message.c_str());
        return false;
    }
    if (siblings)
        for (const auto& e : fs::recursive_directory_iterator(feed.out / "harunire"))
            if (e.is_regular_file() && e.path().extension() == ".comp")
                fs::rename(e.path(), data / e.path().filename());
    if (series && siblings) {
        fs::remove_all(CachedSeries(cache, year));
        fs::rename(feed.out / "jikeiretu", CachedSeries(cache, year));
    }
    fs::remove_all(feed.out);
    writeFileAtomic(done, "");
    return true;
}

} // namespace solvane::bench
