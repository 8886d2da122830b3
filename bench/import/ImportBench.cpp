// Times the bulk import of a generated feed into an empty store, beside copying the stored bytes with
// cp, and the per-record load-change-save import of a smaller feed beside the held-day-files import of
// the same feed (whose files must come out identical).
//
// solvane-bench-import --feed YEAR_FEED --sample SAMPLE_FEED --work DIR
#include "jvdata/LocalJVLink.h"
#include "store/BulkImport.h"
#include "util/Clock.h"
#include "util/Files.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

using namespace solvane;

namespace {

struct Run {
    BulkImportResult result;
    double seconds = 0;
};

double secondsSince(std::chrono::steady_clock::time_point t0)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

Run importFeed(const fs::path& feed, const fs::path& data, bool perRecord)
{
    fs::remove_all(data);
    fs::create_directories(data);
    // Everything in the feed counts as already downloaded after the first run; serve it again.
    fs::remove(feed / ".downloaded");
    ManualClock clock(*DateTime::parse("2100-01-01"));
    LocalJVLinkOptions options;
    options.downloadTime = std::chrono::milliseconds(0);
    LocalJVLink link(feed, clock, options);
    link.JVInit("SOLVANE-BENCH");
    JVCancelFlag cancel{false};
    BulkImportOptions io;
    io.dataFolder = data;
    io.start = *DateTime::parse("1990-01-01");
    io.setupData = true;
    io.KakuteiOzGet = true;
    io.perRecord = perRecord;
    BulkImport import(link, cancel, io);
    const auto t0 = std::chrono::steady_clock::now();
    Run run;
    run.result = import.run();
    run.seconds = secondsSince(t0);
    return run;
}

// Reads every record of the feed and drops it: what the component alone costs.
Run readOnly(const fs::path& feed)
{
    fs::remove(feed / ".downloaded");
    ManualClock clock(*DateTime::parse("2100-01-01"));
    LocalJVLinkOptions options;
    options.downloadTime = std::chrono::milliseconds(0);
    LocalJVLink link(feed, clock, options);
    link.JVInit("SOLVANE-BENCH");
    int readCount = 0, downloadCount = 0;
    std::string stamp;
    Run run;
    const auto t0 = std::chrono::steady_clock::now();
    link.JVOpen("RACEMING", "19900101000000", 3, readCount, downloadCount, stamp);
    while (link.JVStatus() < downloadCount) {
    }
    JVCancelFlag cancel{false};
    JVReadHandlers handlers;
    handlers.onRecord = [&](const std::string& rec) {
        ++run.result.recordsRead;
        run.result.bytesStored += static_cast<long long>(rec.size());
    };
    JVReadLoop(link, kJVReadBufferImport, cancel, handlers);
    link.JVClose();
    run.seconds = secondsSince(t0);
    return run;
}

double copyWithCp(const fs::path& from, const fs::path& to)
{
    fs::remove_all(to);
    const auto t0 = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        execlp("cp", "cp", "-r", from.c_str(), to.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    const double s = secondsSince(t0);
    return (WIFEXITED(status) && WEXITSTATUS(status) == 0) ? s : -1;
}

std::map<std::string, std::string> folderBytes(const fs::path& dir)
{
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::directory_iterator(dir))
        files[entry.path().filename().string()] = readFile(entry.path()).value_or("");
    return files;
}

void report(const char* what, const Run& run)
{
    const auto& r = run.result;
    std::printf("%-28s %9lld records read %9lld stored %8.1f MB stored %6zu files  %7.2f s  %9.0f records/s  "
                "%7.1f MB/s  (%s)\n",
                what, r.recordsRead, r.recordsStored, static_cast<double>(r.bytesStored) / 1e6, r.filesWritten,
                run.seconds, static_cast<double>(r.recordsStored) / run.seconds,
                static_cast<double>(r.bytesStored) / 1e6 / run.seconds, r.message.c_str());
}

} // namespace

int main(int argc, char** argv)
{
    fs::path feed, sample, work;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (!std::strcmp(argv[i], "--feed"))
            feed = argv[i + 1];
        else if (!std::strcmp(argv[i], "--sample"))
            sample = argv[i + 1];
        else if (!std::strcmp(argv[i], "--work"))
            work = argv[i + 1];
    }
    if (feed.empty() || sample.empty() || work.empty()) {
        std::fputs("usage: solvane-bench-import --feed YEAR_FEED --sample SAMPLE_FEED --work DIR\n", stderr);
        return 2;
    }
    fs::create_directories(work);

    const Run read = readOnly(feed);
    std::printf("%-28s %9lld records read %8.1f MB read  %7.2f s  %7.1f MB/s\n", "reading the feed only",
                read.result.recordsRead, static_cast<double>(read.result.bytesStored) / 1e6, read.seconds,
                static_cast<double>(read.result.bytesStored) / 1e6 / read.seconds);
    const Run year = importFeed(feed, work / "Data", false);
    report("import, day files held", year);
    const double cp = copyWithCp(work / "Data", work / "Data-cp");
    std::printf("%-28s %7.2f s  %7.1f MB/s  import/cp = %.2f\n", "cp -r of the stored files", cp,
                static_cast<double>(year.result.bytesStored) / 1e6 / cp, year.seconds / cp);

    const Run held = importFeed(sample, work / "Sample-held", false);
    report("sample, day files held", held);
    const Run literal = importFeed(sample, work / "Sample-per-record", true);
    report("sample, per record", literal);
    const bool same = folderBytes(work / "Sample-held") == folderBytes(work / "Sample-per-record");
    std::printf("per record / held = %.1f; files identical: %s\n", literal.seconds / held.seconds, same ? "yes" : "NO");
    fs::remove_all(work / "Data-cp");
    return same && !year.result.error && !held.result.error && !literal.result.error ? 0 : 1;
}
