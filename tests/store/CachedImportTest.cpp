// The import that holds day files in memory must leave exactly the bytes that storing each record by
// load-change-save leaves, whatever the mix of records, repeats, existing files and save points.
#include "store/BulkImport.h"

#include "Records.h"
#include "jvdata/MemoryJVLink.h"
#include "support/TempDir.h"
#include "util/Files.h"
#include "util/Text.h"

#include <gtest/gtest.h>

#include <map>
#include <random>

namespace solvane {
namespace {

using test::Rec;
using test::TempDir;

std::map<std::string, std::string> folderBytes(const fs::path& dir)
{
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::directory_iterator(dir))
        files[entry.path().filename().string()] = *readFile(entry.path());
    return files;
}

// Files already in the store before the import: an unsorted races file with two lines of one key,
// payouts with a blank first line, a damaged runner file and a mining file in mixed letter case.
void seedStore(const fs::path& data)
{
    fs::create_directories(data);
    const std::string ra1 = std::string(StoredLine(Rec().r(9).mark("old-b").str()));
    const std::string ra2 = std::string(StoredLine(Rec().r(3).str()));
    const std::string ra3 = std::string(StoredLine(Rec().r(9).mark("old-a").str()));
    writeFileAtomic(data / pathFromUtf8("2024年01月06日.jvRA"), ra1 + "\r\n" + ra2 + "\r\n" + ra3 + "\r\n");
    writeFileAtomic(data / pathFromUtf8("2024年01月06日.jvHR"),
                    "  \r\n" + std::string(StoredLine(Rec().t("HR").r(5).str())) + "\r\n");
    writeFileAtomic(data / pathFromUtf8("2024年01月07日中山.jvSEr"), "junk\r\n\r\n");
    writeFileAtomic(data / pathFromUtf8("2024年01月07日.jvTM"), "tm lower\r\nTM UPPER\r\n");
}

std::vector<MemoryJVLink::ReadStep> mixedFeed(unsigned seed, int count)
{
    std::mt19937 rng(seed);
    auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
    const char* types[] = {"RA", "SE", "HR", "WF", "TM", "O1", "O3", "O6", "DM", "ZZ"};
    const char* kinds[] = {"1", "2", "4", "7", "9", "0", "A"};
    const char* dates[] = {"20240106", "20240107", "20231231", "20240113"};
    const char* tracks[] = {"05", "06", "08"};
    const char* marks[] = {"", "x", "X", "y", "  "};
    std::vector<MemoryJVLink::ReadStep> steps;
    for (int i = 0; i < count; ++i) {
        if (pick(6) == 0) {
            steps.push_back({-1, {}, {}});
            continue;
        }
        Rec rec;
        rec.t(types[pick(10)]).k(kinds[pick(7)]).d(dates[pick(4)]).trk(tracks[pick(3)]);
        rec.r(pick(14)).h(pick(20)).n(pick(20)).mark(marks[pick(5)]);
        if (rec.type == "O6")
            rec.len(3000); // keep the test small; the length does not matter to the rules
        if (pick(20) == 0)
            rec.len(25); // too short for its key
        std::string text = rec.str();
        steps.push_back({static_cast<int>(text.size()), std::move(text), {}});
    }
    return steps;
}

TEST(CachedImport, SameBytesAsStoringEachRecord)
{
    for (unsigned seed : {1u, 2u, 3u}) {
        const auto feed = mixedFeed(seed, 400);
        std::map<std::string, std::string> reference;
        // Per record; held day files saved at file switches; saved after nearly every record.
        const struct {
            bool perRecord;
            std::size_t flushAt;
        } modes[] = {{true, 0}, {false, std::size_t{1} << 30}, {false, 1}};
        for (const auto& mode : modes) {
            TempDir dir;
            seedStore(dir / "Data");
            MemoryJVLink link;
            link.readCount = 10;
            link.lastFileTimestamp = "20240114000000";
            link.reads.assign(feed.begin(), feed.end());
            JVCancelFlag cancel{false};
            BulkImportOptions options;
            options.dataFolder = dir / "Data";
            options.start = *DateTime::parse("20240105000000");
            options.perRecord = mode.perRecord;
            options.flushAtBytes = mode.flushAt;
            BulkImport import(link, cancel, options);
            const auto& r = import.run();
            ASSERT_EQ(r.end, BulkImportResult::End::Completed) << r.message;
            auto files = folderBytes(dir / "Data");
            if (mode.perRecord) {
                reference = std::move(files);
                EXPECT_GT(reference.size(), 10u);
                continue;
            }
            ASSERT_EQ(files.size(), reference.size()) << "seed " << seed;
            for (const auto& [name, bytes] : reference)
                EXPECT_TRUE(files[name] == bytes) << name << " seed " << seed << " flushAt " << mode.flushAt;
        }
    }
}

TEST(CachedImport, HeldLinesAreSavedOverAChangeMadeMeanwhile)
{
    // A real-time fetch may write a day file while the import pumps events; saving must not lose it.
    TempDir dir;
    fs::create_directories(dir / "Data");
    DayFileCache cache(dir / "Data");
    const BulkStoreRules rules{20240105, true};
    cache.put(PlanBulkStore(Rec().t("O1").k("4").r(1).str(), rules));
    ASSERT_TRUE(KeyedFile(dir / "Data" / pathFromUtf8("2024年01月06日.jvO1"), Rec().t("O1").k("4").r(2).str()));
    ASSERT_TRUE(cache.flush());
    EXPECT_EQ(splitLines(*readFile(dir / "Data" / pathFromUtf8("2024年01月06日.jvO1"))).size(), 2u);
    EXPECT_TRUE(cache.empty());
}

} // namespace
} // namespace solvane
