// The import over the local JV-Link component and a small feed folder: a read fault part-way keeps
// what was read and gives no LastTime, so the next import from the same start delivers everything again
// and ends with the same store as an import that never failed.

#include "Records.h"
#include "jvdata/LocalJVLink.h"
#include "support/ImportStore.h"
#include "support/TempDir.h"
#include "util/Files.h"

#include <gtest/gtest.h>

#include <map>

namespace solvane {
namespace {

using test::Rec;
using test::TempDir;

void writeFeed(const fs::path& feed)
{
    fs::create_directories(feed / "RACE");
    std::string day1, day2;
    for (int race = 1; race <= 3; ++race) {
        day1 += Rec().d("20240106").r(race).str();
        day2 += Rec().d("20240107").r(race).str();
    }
    for (int horse = 1; horse <= 3; ++horse)
        day1 += Rec().t("SE").d("20240106").r(1).h(horse).str();
    writeFileAtomic(feed / "RACE" / "20240106180000_RA20240106", day1);
    writeFileAtomic(feed / "RACE" / "20240107180000_RA20240107", day2);
}

std::map<std::string, std::string> folderBytes(const fs::path& dir)
{
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::directory_iterator(dir))
        files[entry.path().filename().string()] = *readFile(entry.path());
    return files;
}

BulkImportResult importOnce(const fs::path& feed, const fs::path& data, const DateTime& start)
{
    ManualClock clock(*DateTime::parse("2024-02-01"));
    LocalJVLinkOptions linkOptions;
    linkOptions.downloadTime = std::chrono::milliseconds(0);
    LocalJVLink link(feed, clock, linkOptions);
    EXPECT_EQ(link.JVInit("TEST"), 0);
    BulkImportResult r = test::ImportInto(link, data, start);
    // The request is closed whatever happened: a new one opens.
    int readCount = 0, downloadCount = 0;
    std::string stamp;
    EXPECT_NE(link.JVOpen("RACEMING", "20240101000000", 1, readCount, downloadCount, stamp), -202);
    link.JVClose();
    return r;
}

TEST(LocalFeedImport, ReadFaultThenRetryEndsLikeACleanImport)
{
    TempDir dir;
    const DateTime start = *DateTime::parse("2024-01-05 00:00:00");

    writeFeed(dir / "clean-feed");
    fs::create_directories(dir / "clean");
    const auto clean = importOnce(dir / "clean-feed", dir / "clean", start);
    ASSERT_EQ(clean.end, BulkImportResult::End::Completed) << clean.message;
    EXPECT_EQ(clean.LastTime, "2024/01/07 18:00:00");

    writeFeed(dir / "feed");
    fs::create_directories(dir / "Data");
    writeFileAtomic(dir / "feed" / "faults.ini", "[JVRead]\r\nresult=-502\r\nafter=7\r\n");
    const auto failed = importOnce(dir / "feed", dir / "Data", start);
    EXPECT_EQ(failed.end, BulkImportResult::End::Error);
    EXPECT_NE(failed.message.find("JVReadエラー:"), std::string::npos) << failed.message;
    EXPECT_FALSE(failed.LastTime);
    EXPECT_EQ(failed.recordsStored, 7);
    EXPECT_EQ(folderBytes(dir / "Data").size(), 3u); // both days' races and the runners of the 6th

    fs::remove(dir / "feed" / "faults.ini");
    const auto retried = importOnce(dir / "feed", dir / "Data", start); // LastTime unchanged: same start
    ASSERT_EQ(retried.end, BulkImportResult::End::Completed) << retried.message;
    EXPECT_EQ(retried.LastTime, clean.LastTime);
    EXPECT_EQ(folderBytes(dir / "Data"), folderBytes(dir / "clean"));
}

} // namespace
} // namespace solvane
