#include "jvdata/JVReadLoop.h"

#include "jvdata/MemoryJVLink.h"
#include "support/FakeDownloadWait.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>
#include <vector>

namespace solvane {
namespace {

// Runs the loop and writes down what reached the handlers, in order.
struct Recorder {
    std::vector<std::string> events;
    int pumps = 0;

    JVReadHandlers handlers()
    {
        return JVReadHandlers{
            [this](const std::string& record) { events.push_back(record); },
            [this] { events.push_back("switch"); },
            [this] { ++pumps; },
        };
    }
};

TEST(JVReadLoopTest, StillDownloadingAThousandTimesThenRecords)
{
    MemoryJVLink link;
    link.addResult(-3, 1000).addRecord("RA1").addRecord("RA2").addFileSwitch().addResult(0);
    JVCancelFlag cancel{false};
    Recorder recorder;
    test::FakeDownloadWait time;

    const JVReadResult result = JVReadLoop(link, kJVReadBufferImport, cancel, recorder.handlers(), time.wait());

    EXPECT_EQ(result.end, JVReadEnd::AllRead);
    EXPECT_EQ(result.code, 0);
    EXPECT_EQ(result.waits, 1000);
    EXPECT_EQ(result.records, 2);
    EXPECT_EQ(result.fileSwitches, 1);
    EXPECT_EQ(recorder.events, (std::vector<std::string>{"RA1\r\n", "RA2\r\n", "switch"}));
    // One JVRead per turn, events pumped on every turn, and a pause after each "still downloading"
    // instead of asking again at once.
    EXPECT_EQ(link.readCalls, 1004);
    EXPECT_EQ(recorder.pumps, 1004);
    EXPECT_EQ(time.pauses, 1000);
    EXPECT_EQ(link.lastBufferSize, 100000);
}

TEST(JVReadLoopTest, DownloadingWithoutEndGivesUpAtTheLimitWithAMessage)
{
    // Records between the answers start the wait afresh; only an unbroken run of them counts.
    MemoryJVLink link;
    link.addResult(-3, 50).addRecord("RA1").addResult(-2, 99).addRecord("RA2").addResult(-3, 100000);
    JVCancelFlag cancel{false};
    Recorder recorder;
    test::FakeDownloadWait time;
    const JVDownloadWait wait = time.wait(std::chrono::seconds(1)); // 100 pauses of 10 ms

    const JVReadResult result = JVReadLoop(link, kJVReadBufferImport, cancel, recorder.handlers(), wait);

    EXPECT_EQ(result.end, JVReadEnd::TimedOut);
    EXPECT_EQ(result.code, -3);
    EXPECT_EQ(recorder.events, (std::vector<std::string>{"RA1\r\n", "RA2\r\n"}));
    EXPECT_EQ(time.pauses, 50 + 99 + 100);
    EXPECT_EQ(JVDownloadTimeoutText(result, wait),
              "ファイルダウンロード中(-3)のまま1秒たっても読めないため、読み込みを中止しました。"
              "しばらくしてからやり直してください。");
}

TEST(JVReadLoopTest, MinusTwoIsTreatedLikeMinusThree)
{
    MemoryJVLink link;
    link.addResult(-2, 3).addResult(-3).addRecord("SE1");
    JVCancelFlag cancel{false};
    Recorder recorder;

    const JVReadResult result = JVReadLoop(link, kJVReadBufferRealTime, cancel, recorder.handlers());

    EXPECT_EQ(result.end, JVReadEnd::AllRead);
    EXPECT_EQ(result.waits, 4);
    EXPECT_EQ(recorder.events, (std::vector<std::string>{"SE1\r\n"}));
    EXPECT_EQ(link.lastBufferSize, 60000);
}

TEST(JVReadLoopTest, FileSwitchesReachTheirCallback)
{
    MemoryJVLink link;
    link.addRecord("A").addFileSwitch().addFileSwitch().addRecord("B").addFileSwitch();
    JVCancelFlag cancel{false};
    Recorder recorder;

    const JVReadResult result = JVReadLoop(link, kJVReadBufferImport, cancel, recorder.handlers());

    EXPECT_EQ(result.fileSwitches, 3);
    EXPECT_EQ(recorder.events, (std::vector<std::string>{"A\r\n", "switch", "switch", "B\r\n", "switch"}));
}

TEST(JVReadLoopTest, AnErrorBelowMinusThreeEndsTheLoopAndKeepsWhatWasHandled)
{
    for (const int code : {-4, -201, -203, -402, -403, -502, -503, -999}) {
        SCOPED_TRACE(code);
        MemoryJVLink link;
        link.addRecord("O1").addResult(code).addRecord("O2");
        JVCancelFlag cancel{false};
        Recorder recorder;

        const JVReadResult result = JVReadLoop(link, kJVReadBufferOdds, cancel, recorder.handlers());

        EXPECT_EQ(result.end, JVReadEnd::Error);
        EXPECT_EQ(result.code, code);
        EXPECT_EQ(recorder.events, (std::vector<std::string>{"O1\r\n"}));
        EXPECT_EQ(link.reads.size(), 1u); // O2 was never asked for
    }
}

TEST(JVReadLoopTest, CancelIsTestedAtTheTopOfEachTurn)
{
    MemoryJVLink link;
    link.addRecord("A").addRecord("B").addRecord("C");
    JVCancelFlag cancel{true};
    Recorder recorder;

    JVReadResult result = JVReadLoop(link, kJVReadBufferImport, cancel, recorder.handlers());
    EXPECT_EQ(result.end, JVReadEnd::Cancelled);
    EXPECT_EQ(link.readCalls, 0);
    EXPECT_EQ(recorder.pumps, 1); // events run before the flag is tested

    // Raised by the handler of A (as a cancel click inside the loop would): B is never read.
    cancel = false;
    JVReadHandlers handlers = recorder.handlers();
    handlers.onRecord = [&](const std::string& record) {
        recorder.events.push_back(record);
        cancel = true;
    };
    result = JVReadLoop(link, kJVReadBufferImport, cancel, handlers);
    EXPECT_EQ(result.end, JVReadEnd::Cancelled);
    EXPECT_EQ(result.records, 1);
    EXPECT_EQ(recorder.events, (std::vector<std::string>{"A\r\n"}));
    EXPECT_EQ(link.readCalls, 1);
}

TEST(JVReadLoopTest, ACancelRaisedWhilePumpingEventsStopsBeforeTheNextRead)
{
    MemoryJVLink link;
    link.addResult(-3, 10).addRecord("A");
    JVCancelFlag cancel{false};
    int turns = 0;
    JVReadHandlers handlers;
    handlers.pumpEvents = [&] {
        if (++turns == 4)
            cancel = true;
    };

    const JVReadResult result = JVReadLoop(link, kJVReadBufferImport, cancel, handlers);

    EXPECT_EQ(result.end, JVReadEnd::Cancelled);
    EXPECT_EQ(link.readCalls, 3);
}

TEST(JVReadLoopTest, TheLoopNeverClosesTheRequest)
{
    MemoryJVLink link;
    link.addRecord("A").addResult(-502);
    JVCancelFlag cancel{false};
    JVReadLoop(link, kJVReadBufferImport, cancel, {});
    JVReadLoop(link, kJVReadBufferImport, cancel, {});
    EXPECT_TRUE(link.calls.empty());
}

TEST(JVReadLoopTest, AHandlerExceptionLeavesTheLoop)
{
    MemoryJVLink link;
    link.addRecord("A").addRecord("B");
    JVCancelFlag cancel{false};
    JVReadHandlers handlers;
    handlers.onRecord = [](const std::string&) { throw std::runtime_error("disk full"); };
    EXPECT_THROW(JVReadLoop(link, kJVReadBufferImport, cancel, handlers), std::runtime_error);
    EXPECT_EQ(link.readCalls, 1);
}

TEST(JVReadLoopTest, AFlagRaisedOnAnotherThreadStopsTheLoop)
{
    // The loop keeps being told "still downloading" until the other thread raises the flag.
    MemoryJVLink link;
    JVCancelFlag cancel{false};
    std::atomic<int> turns{0};
    JVReadHandlers handlers;
    handlers.pumpEvents = [&] {
        link.addResult(-3);
        ++turns;
    };
    JVReadResult result;
    std::thread worker([&] { result = JVReadLoop(link, kJVReadBufferImport, cancel, handlers); });
    while (turns.load() < 100)
        std::this_thread::yield();
    cancel = true;
    worker.join();
    EXPECT_EQ(result.end, JVReadEnd::Cancelled);
    EXPECT_GE(result.waits, 99);
}

TEST(MemoryJVLinkTest, ScriptedResultsAndCalls)
{
    MemoryJVLink link;
    link.open.next = {-202};
    link.readCount = 3;
    link.downloadCount = 1;
    link.lastFileTimestamp = "20240106120000";
    link.close.otherwise = -1;

    int readCount = -9, downloadCount = -9;
    std::string timestamp = "x";
    EXPECT_EQ(link.JVInit("SID"), 0);
    EXPECT_EQ(link.JVOpen("RACEMING", "20240101000000", 1, readCount, downloadCount, timestamp), -202);
    EXPECT_EQ(readCount, 0);
    EXPECT_EQ(timestamp, "");
    EXPECT_FALSE(link.isOpen);
    EXPECT_EQ(link.JVOpen("RACEMING", "20240101000000", 3, readCount, downloadCount, timestamp), 0);
    EXPECT_TRUE(link.isOpen);
    EXPECT_EQ(readCount, 3);
    EXPECT_EQ(downloadCount, 1);
    EXPECT_EQ(timestamp, "20240106120000");
    link.JVCancel();
    EXPECT_EQ(link.JVClose(), -1);
    EXPECT_FALSE(link.isOpen);
    EXPECT_EQ(link.JVRTOpen("0B30", "2024010606010111"), 0);

    EXPECT_EQ(link.calls, (std::vector<std::string>{"JVInit(SID)", "JVOpen(RACEMING,20240101000000,1)",
                                                    "JVOpen(RACEMING,20240101000000,3)", "JVCancel", "JVClose",
                                                    "JVRTOpen(0B30,2024010606010111)"}));

    link.addRecord("RA\r\n", "a.jvd");
    std::string record, fileName;
    EXPECT_EQ(link.JVRead(record, 100, fileName), 4);
    EXPECT_EQ(record, "RA\r\n"); // CR LF not doubled
    EXPECT_EQ(fileName, "a.jvd");
    EXPECT_EQ(link.JVRead(record, 100, fileName), 0);
}

} // namespace
} // namespace solvane
