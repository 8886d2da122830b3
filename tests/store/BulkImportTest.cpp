#include "store/BulkImport.h"

#include "Records.h"
#include "jvdata/JVMessage.h"
#include "jvdata/MemoryJVLink.h"
#include "support/FakeDownloadWait.h"
#include "support/LockedElsewhere.h"
#include "support/TempDir.h"
#include "util/Files.h"
#include "util/Text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <map>

namespace solvane {
namespace {

using test::Rec;
using test::TempDir;
using End = BulkImportResult::End;

// An import over a MemoryJVLink into a fresh Data folder, with every callback noted.
struct Fixture {
    TempDir dir;
    fs::path data = dir / "Data";
    MemoryJVLink link;
    JVCancelFlag cancel{false};
    BulkImportOptions options;
    std::vector<std::string> labels, dataLabels, notices;
    std::function<void()> onPump;

    Fixture()
    {
        fs::create_directories(data);
        options.dataFolder = data;
        options.start = *DateTime::parse("2024/01/05 09:30:00");
        link.readCount = 2;
        link.lastFileTimestamp = "20240107123456";
    }

    BulkImportCallbacks callbacks()
    {
        BulkImportCallbacks c;
        c.progressLabel = [this](const std::string& s) { labels.push_back(s); };
        c.dataLabel = [this](const std::string& s) { dataLabels.push_back(s); };
        c.notice = [this](const std::string& s) { notices.push_back(s); };
        c.pumpEvents = [this] {
            if (onPump)
                onPump();
        };
        return c;
    }

    BulkImportResult run()
    {
        BulkImport import(link, cancel, options, callbacks());
        current = &import;
        BulkImportResult r = import.run();
        current = nullptr;
        return r;
    }

    bool has(const char* utf8Name) const { return fs::exists(data / pathFromUtf8(utf8Name)); }
    std::size_t lineCount(const char* utf8Name) const
    {
        auto bytes = readFile(data / pathFromUtf8(utf8Name));
        return bytes ? splitLines(*bytes).size() : 0;
    }

    BulkImport* current = nullptr;
};

TEST(BulkImport, NormalEndStoresEverythingAndGivesTheNewLastTime)
{
    Fixture f;
    f.link.addRecord(Rec().r(1)).addRecord(Rec().t("SE").r(1).h(2)).addFileSwitch();
    f.link.addRecord(Rec().t("HR").r(1)).addRecord(Rec().t("DM")).addFileSwitch();
    const auto r = f.run();

    EXPECT_EQ(r.end, End::Completed);
    EXPECT_FALSE(r.error);
    EXPECT_EQ(r.LastTime, "2024/01/07 12:34:56");
    EXPECT_EQ(r.label, "データ作成が完了しました。");
    EXPECT_EQ(r.message, "データ作成が完了しました。");
    EXPECT_EQ(r.recordsRead, 4);
    EXPECT_EQ(r.recordsStored, 3);
    EXPECT_EQ(f.labels, (std::vector<std::string>{"ReadCount:2, DownloadCount:0", "データ読込み中．．．(0/2)",
                                                  "データ読込み中．．．(1/2)", "データ読込み中．．．(2/2)",
                                                  "データ読込み完了(2/2)", "データ作成が完了しました。"}));
    EXPECT_EQ(f.dataLabels, (std::vector<std::string>{"開催:2024年01月06日中山01R",
                                                      "馬毎:中山01R/②テストホース" + std::string(24, ' '), "",
                                                      "払戻:2024年01月06日中山01R", ""}));
    EXPECT_EQ(f.link.calls, (std::vector<std::string>{"JVOpen(RACEMING,20240105093000,1)", "JVClose"}));
    EXPECT_EQ(f.link.lastBufferSize, 100000);
    EXPECT_EQ(f.lineCount("2024年01月06日.jvRA"), 1u);
    EXPECT_EQ(f.lineCount("2024年01月06日中山.jvSEr"), 216u);
    EXPECT_EQ(f.lineCount("2024年01月06日.jvHR"), 1u);
}

TEST(BulkImport, OptionFollowsTheDataChoice)
{
    Fixture f;
    f.options.setupData = true;
    f.run();
    EXPECT_EQ(f.link.calls.front(), "JVOpen(RACEMING,20240105093000,3)");
}

TEST(BulkImport, LastTimeOnlyFromAUsableStamp)
{
    struct Case {
        const char* stamp;
        std::optional<std::string> lastTime;
    } cases[] = {{"20240107123456", "2024/01/07 12:34:56"}, {" 20240107123456 ", "2024/01/07 12:34:56"},
                 {"00000000000000", std::nullopt},          {"", std::nullopt},
                 {"              ", std::nullopt},          {"20241332000000", std::nullopt}};
    for (const auto& c : cases) {
        Fixture f;
        f.link.lastFileTimestamp = c.stamp;
        f.link.addRecord(Rec());
        const auto r = f.run();
        EXPECT_EQ(r.end, End::Completed) << c.stamp;
        EXPECT_EQ(r.LastTime, c.lastTime) << c.stamp;
    }
}

TEST(BulkImport, NothingNewOrOpenErrorClosesAndStoresNothing)
{
    struct Case {
        int open;
        int readCount;
        End end;
        std::string message;
    } cases[] = {
        {-1, 5, End::NothingNew, "最新のデータがありません。"},
        {0, 0, End::NothingNew, "最新のデータがありません。"},
        {-504, 5, End::Error, "JVOpenエラー:" + JVFailure("JVOpen", -504, "")},
        {-202, 5, End::Error, "JVOpenエラー:" + JVMessage("JVOpen", -202)},
    };
    for (const auto& c : cases) {
        Fixture f;
        f.link.open.next = {c.open};
        f.link.readCount = c.readCount;
        f.link.addRecord(Rec());
        const auto r = f.run();
        EXPECT_EQ(r.end, c.end) << c.open;
        EXPECT_EQ(r.error, c.end == End::Error);
        EXPECT_EQ(r.message, c.message);
        EXPECT_FALSE(r.LastTime);
        EXPECT_EQ(f.link.calls.back(), "JVClose");
        EXPECT_EQ(f.link.readCalls, 0);
        EXPECT_TRUE(fs::is_empty(f.data));
    }
}

TEST(BulkImport, DownloadIsPolledStepByStepThenRead)
{
    Fixture f;
    f.link.downloadCount = 2;
    f.link.status.next = {0, 1, 2};
    f.link.addRecord(Rec());
    BulkImport import(f.link, f.cancel, f.options, f.callbacks());
    EXPECT_EQ(import.start(), BulkImport::State::Downloading);
    EXPECT_EQ(f.labels.back(), "ダウンロード中・・・");
    EXPECT_EQ(import.pollStatus(), BulkImport::State::Downloading);
    EXPECT_EQ(f.labels.back(), "ダウンロード中．．．(0/2)");
    EXPECT_EQ(import.pollStatus(), BulkImport::State::Downloading);
    EXPECT_EQ(import.pollStatus(), BulkImport::State::Reading);
    EXPECT_EQ(f.labels.back(), "ダウンロード中．．．(2/2)");
    EXPECT_EQ(f.link.readCalls, 0);
    EXPECT_EQ(import.read(), BulkImport::State::Finished);
    EXPECT_EQ(import.result().end, End::Completed);
    EXPECT_TRUE(f.has("2024年01月06日.jvRA"));
}

TEST(BulkImport, StatusErrorEndsTheImportAndCloses)
{
    Fixture f;
    f.link.downloadCount = 3;
    f.link.status.next = {1, -502};
    const auto r = f.run();
    EXPECT_EQ(r.end, End::Error);
    EXPECT_EQ(r.message, "JVStatusエラー:" + JVFailure("JVStatus", -502, ""));
    EXPECT_EQ(f.link.calls.back(), "JVClose");
    EXPECT_FALSE(f.link.isOpen);
}

TEST(BulkImport, CancelWhileDownloadingClosesTheRequest)
{
    Fixture f;
    f.link.downloadCount = 3;
    f.link.status.otherwise = 1;
    int polls = 0;
    f.onPump = [&] {
        if (++polls == 3)
            f.current->cancel();
    };
    const auto r = f.run();
    EXPECT_EQ(r.end, End::Cancelled);
    EXPECT_FALSE(r.error);
    EXPECT_EQ(r.label, "JVCancel:キャンセルされました");
    EXPECT_EQ(r.message, "JVCancel:キャンセルされました");
    EXPECT_TRUE(f.cancel);
    EXPECT_EQ(f.link.calls, (std::vector<std::string>{"JVOpen(RACEMING,20240105093000,1)", "JVCancel", "JVClose"}));
    EXPECT_FALSE(f.link.isOpen); // the next open is not refused with -202
}

TEST(BulkImport, CancelFlagRaisedElsewhereWhileDownloadingAlsoCloses)
{
    Fixture f;
    f.link.downloadCount = 3;
    f.onPump = [&] { f.cancel = true; };
    const auto r = f.run();
    EXPECT_EQ(r.end, End::Cancelled);
    EXPECT_FALSE(f.link.isOpen);
}

TEST(BulkImport, CancelWhileReadingKeepsWhatWasRead)
{
    for (bool perRecord : {false, true}) {
        Fixture f;
        f.options.perRecord = perRecord;
        f.link.addRecord(Rec().r(1)).addRecord(Rec().r(2)).addFileSwitch().addRecord(Rec().r(3));
        f.link.addRecord(Rec().r(4));
        f.onPump = [&] {
            if (f.link.readCalls == 4) // after the third record
                f.current->cancel();
        };
        const auto r = f.run();
        EXPECT_EQ(r.end, End::Cancelled);
        EXPECT_FALSE(r.LastTime);
        EXPECT_EQ(r.recordsRead, 3);
        EXPECT_EQ(f.lineCount("2024年01月06日.jvRA"), 3u) << perRecord;
        EXPECT_EQ(f.link.calls.back(), "JVClose");
        EXPECT_EQ(f.labels.back(), "JVCancel:キャンセルされました");
    }
}

TEST(BulkImport, ReadErrorKeepsWhatWasReadAndGivesNoLastTime)
{
    Fixture f;
    f.link.addRecord(Rec().r(1)).addFileSwitch().addRecord(Rec().r(2)).addResult(-502).addRecord(Rec().r(3));
    const auto r = f.run();
    EXPECT_EQ(r.end, End::Error);
    EXPECT_TRUE(r.error);
    EXPECT_EQ(r.message, "JVReadエラー:" + JVFailure("JVRead", -502, ""));
    EXPECT_FALSE(r.LastTime);
    EXPECT_EQ(f.lineCount("2024年01月06日.jvRA"), 2u);
    EXPECT_EQ(f.link.calls.back(), "JVClose");
}

TEST(BulkImport, CloseErrorIsReportedAfterTheData)
{
    Fixture f;
    f.link.close.next = {-1};
    f.link.addRecord(Rec());
    const auto r = f.run();
    EXPECT_EQ(r.end, End::Error);
    EXPECT_EQ(r.message, "JVCloseエラー:" + JVMessage("JVClose", -1));
    EXPECT_EQ(r.label, "データ作成が完了しました。");
    EXPECT_TRUE(r.LastTime); // the data did reach its end
}

TEST(BulkImport, FailedWriteEndsTheImportWithTheReason)
{
    for (bool perRecord : {false, true}) {
        Fixture f;
        f.options.perRecord = perRecord;
        f.options.saveAtBytes = 0; // held files are saved at every file switch
        fs::remove_all(f.data);
        f.link.addRecord(Rec().r(1)).addRecord(Rec().r(2)).addFileSwitch().addRecord(Rec().r(3)).addFileSwitch();
        const auto r = f.run();
        EXPECT_EQ(r.end, End::Error) << perRecord;
        EXPECT_TRUE(r.error);
        EXPECT_NE(r.message.find("データファイルを保存できません"), std::string::npos) << r.message;
#ifndef _WIN32 // the system's own words differ by system and language
        EXPECT_NE(r.message.find("No such file or directory"), std::string::npos) << r.message;
#endif
        EXPECT_FALSE(r.LastTime);
        // Per record the import stops at the first record; with day files held, at the first save.
        EXPECT_EQ(r.recordsRead, perRecord ? 1 : 2);
        EXPECT_EQ(f.link.calls.back(), "JVClose");
        EXPECT_FALSE(f.link.reads.empty());
    }
}

TEST(BulkImport, FailedWriteLeavesTheOldFileAndSavesTheOtherDays)
{
    Fixture f;
    // A folder where the 6 January races file should be: that file cannot be written, the 7th can.
    fs::create_directories(f.data / pathFromUtf8("2024年01月06日.jvRA"));
    f.link.addRecord(Rec().d("20240106")).addRecord(Rec().d("20240107")).addFileSwitch();
    const auto r = f.run();
    EXPECT_EQ(r.end, End::Error);
    EXPECT_TRUE(fs::is_directory(f.data / pathFromUtf8("2024年01月06日.jvRA")));
    EXPECT_EQ(f.lineCount("2024年01月07日.jvRA"), 1u);
}

TEST(BulkImport, RecordsTheStoreCannotTakeAreSkippedWithANotice)
{
    Fixture f;
    f.link.addRecord(Rec().len(12)).addRecord(Rec().t("TM").d("../../x1")).addRecord(Rec());
    const auto r = f.run();
    EXPECT_EQ(r.end, End::Completed);
    EXPECT_EQ(r.recordsRejected, 2);
    EXPECT_EQ(f.notices.size(), 2u);
    EXPECT_EQ(f.lineCount("2024年01月06日.jvRA"), 1u);
    EXPECT_FALSE(fs::exists(f.dir / "x1"));
}

TEST(BulkImport, AReadThatStaysDownloadingPausesBetweenAsksAndGivesUp)
{
    Fixture f;
    f.link.addRecord(Rec().r(1)).addResult(-3, 1000000);
    test::FakeDownloadWait time;
    f.options.downloadWait = time.wait(std::chrono::seconds(2));
    const auto r = f.run();
    EXPECT_EQ(r.end, End::Error);
    EXPECT_EQ(r.message,
              "JVReadエラー:ファイルダウンロード中(-3)のまま2秒たっても読めないため、読み込みを中止しました。"
              "しばらくしてからやり直してください。");
    EXPECT_EQ(time.pauses, 200) << "10 ms between asks, not a busy loop";
    EXPECT_FALSE(r.LastTime);
    EXPECT_EQ(f.lineCount("2024年01月06日.jvRA"), 1u) << "what was read is kept";
    EXPECT_EQ(f.link.calls.back(), "JVClose");
}

// Another process holds the application folder's writer lock (the Data folder's parent) for longer than
// a save waits: the import says it waited, gives up without saving anything of the batch and gives no
// LastTime; once the lock is free the same import goes through.
TEST(BulkImport, ASaveWaitsForTheWriterLockAndWithoutItChangesNothing)
{
    for (bool perRecord : {false, true}) {
        SCOPED_TRACE(perRecord);
        Fixture f;
        f.options.perRecord = perRecord;
        test::LockedElsewhere other(f.dir / std::string(kWriterLockName));
        ASSERT_TRUE(other.held());
        int pumps = 0;
        f.onPump = [&] { ++pumps; };
        f.link.addRecord(Rec().r(1)).addRecord(Rec().r(2)).addFileSwitch();
        const auto r = [&] {
            const test::ShortLockWait shortWait(std::chrono::milliseconds(200));
            return f.run();
        }();

        EXPECT_EQ(r.end, End::Error);
        EXPECT_TRUE(r.message.starts_with("他の処理がデータを更新しているため、変更できませんでした")) << r.message;
        EXPECT_FALSE(r.LastTime);
        EXPECT_NE(std::find(f.labels.begin(), f.labels.end(), std::string(kLockWaitMessage)), f.labels.end());
        EXPECT_GT(pumps, 2) << "the window's events run while it waits";
        EXPECT_TRUE(fs::is_empty(f.data));

        other.release();
        f.link = MemoryJVLink();
        f.link.readCount = 1;
        f.link.lastFileTimestamp = "20240107123456";
        f.link.addRecord(Rec().r(1)).addRecord(Rec().r(2)).addFileSwitch();
        const auto again = f.run();
        EXPECT_EQ(again.end, End::Completed) << again.message;
        EXPECT_EQ(f.lineCount("2024年01月06日.jvRA"), 2u);
    }
}

TEST(BulkImport, CancelRequestFromAnEarlierImportIsCleared)
{
    Fixture f;
    f.cancel = true;
    f.link.addRecord(Rec());
    const auto r = f.run();
    EXPECT_EQ(r.end, End::Completed);
}

} // namespace
} // namespace solvane
