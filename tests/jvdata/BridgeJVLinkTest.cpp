// JV-Link through solvane-jvlink-bridge: the bridge serving the local component (--feed) must answer
// exactly as the local component does, and a bridge that dies, garbles its answers or hangs in JVOpen
// must be reported as a failed operation without any wrong record reaching the caller.
#include "jvdata/BridgeJVLink.h"
#include "jvdata/JVLinkBridgeProtocol.h"
#include "jvdata/JVReadLoop.h"
#include "jvdata/LocalJVLink.h"
#include "store/BulkImport.h"

#include "LocalFeedSupport.h"
#include "util/Files.h"
#include "util/ShiftJis.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

namespace solvane {
namespace {

using namespace std::chrono_literals;

class BridgeJVLinkTest : public ::testing::Test {
protected:
    test::TempDir dir;

    void SetUp() override { writeFeed(dir.path()); }

    static void writeFeed(const std::filesystem::path& feed)
    {
        // No simulated download time: answers do not depend on the clock.
        test::writeFeedFile(feed, "faults.ini", "[Download]\r\ntime=0\r\n");
        test::writeFeedFile(feed, "RACE/20231230120000_RAold.jvd", "RAold\r\n");
        test::writeFeedFile(feed, "RACE/20240106120000_RA0106.jvd", "RA1\r\n" + toSjis("RA東京ﾀﾞｰﾄ①～") + "\r\n");
        test::writeFeedFile(feed, "MING/20240106130000_TM0106.jvd", "TM1\r\n");
        // The longest record type: an O6 record of 83285 bytes.
        test::writeFeedFile(feed, "RACE/20240107120000_O60107.jvd", "O6" + std::string(83281, '7') + "\r\n");
    }

    BridgeJVLinkOptions options(std::vector<std::string> extra = {}) const { return optionsOn(dir.path(), extra); }

    static BridgeJVLinkOptions optionsOn(const std::filesystem::path& feed, std::vector<std::string> extra = {})
    {
        BridgeJVLinkOptions o;
        o.program = SOLVANE_BRIDGE_PATH;
        o.arguments = {"--feed", pathToUtf8(feed)};
        o.arguments.insert(o.arguments.end(), extra.begin(), extra.end());
        return o;
    }
};

// One session as text: every result, count, time stamp and record, so two components compare whole.
using Session = std::function<std::string(JVLink&)>;

std::string opened(JVLink& link, const std::string& spec, const std::string& from, int option)
{
    int reads = -9, downloads = -9;
    std::string stamp = "unset";
    const int rc = link.JVOpen(spec, from, option, reads, downloads, stamp);
    return "open " + std::to_string(rc) + " " + std::to_string(reads) + " " + std::to_string(downloads) + " " + stamp;
}

TEST_F(BridgeJVLinkTest, AnswersAsTheLocalComponentDoes)
{
    const std::vector<std::pair<std::string, Session>> sessions = {
        {"read everything",
         [](JVLink& l) {
             return std::to_string(l.JVInit("SOLVANE")) + "|" + opened(l, "RACEMING", "20240101000000", 1) + "|" +
                    std::to_string(l.JVStatus()) + "|" + test::readTrace(l) + "|" + std::to_string(l.JVClose());
         }},
        {"nothing newer",
         [](JVLink& l) {
             return std::to_string(l.JVInit("SOLVANE")) + "|" + opened(l, "RACEMING", "20991231000000", 1) + "|" +
                    std::to_string(l.JVClose());
         }},
        {"call order errors",
         [](JVLink& l) {
             std::string record, name;
             return opened(l, "RACEMING", "20240101000000", 1) + "|" + std::to_string(l.JVRead(record, 100, name)) +
                    "|" + std::to_string(l.JVInit("SOLVANE")) + "|" + std::to_string(l.JVStatus()) + "|" +
                    opened(l, "RACEMING", "20240101000000", 1) + "|" + opened(l, "RACEMING", "20240101000000", 1) +
                    "|" + std::to_string(l.JVRTOpen("0B30", "2024010606010111")) + "|" + std::to_string(l.JVClose());
         }},
        {"bad arguments",
         [](JVLink& l) {
             return std::to_string(l.JVInit(" SOLVANE")) + "|" + std::to_string(l.JVInit("SOLVANE")) + "|" +
                    opened(l, "XXXX", "20240101000000", 1) + "|" + opened(l, "RACEMING", "2024", 1) + "|" +
                    opened(l, "RACEMING", "20240101000000", 7) + "|" + std::to_string(l.JVRTOpen("0B30", "12")) + "|" +
                    std::to_string(l.JVSetUIProperties());
         }},
        {"cancel while reading",
         [](JVLink& l) {
             l.JVInit("SOLVANE");
             std::string first = opened(l, "RACEMING", "20240101000000", 1);
             std::string record, name;
             first += "|" + std::to_string(l.JVRead(record, 100000, name)) + " " + name;
             l.JVCancel();
             return first + "|" + test::readTrace(l) + "|" + std::to_string(l.JVClose());
         }},
    };
    for (const auto& [what, session] : sessions) {
        SCOPED_TRACE(what);
        // Each on a feed of its own: the local component remembers what it has served in the folder.
        test::TempDir localFeed, bridgeFeed;
        writeFeed(localFeed.path());
        writeFeed(bridgeFeed.path());
        const SystemClock clock;
        LocalJVLink local(localFeed.path(), clock);
        const std::string expected = session(local);
        BridgeJVLink bridged(optionsOn(bridgeFeed.path()));
        EXPECT_EQ(session(bridged), expected);
        EXPECT_EQ(bridged.lastError(), "");
    }
}

TEST_F(BridgeJVLinkTest, RecordsArriveWholeAsShiftJisBytes)
{
    BridgeJVLink link(options());
    ASSERT_EQ(link.JVInit("SOLVANE"), 0);
    ASSERT_EQ(opened(link, "RACE", "20240101000000", 1).substr(0, 6), "open 0");
    std::vector<std::string> records;
    const JVCancelFlag cancel{false};
    const JVReadResult r = JVReadLoop(link, kJVReadBufferImport, cancel,
                                      {[&](const std::string& rec) { records.push_back(rec); }, {}, {}});
    EXPECT_EQ(r.end, JVReadEnd::AllRead);
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[1], toSjis("RA東京ﾀﾞｰﾄ①～") + "\r\n");
    EXPECT_EQ(records[2].size(), 83285u);
    // Even a caller asking for a small buffer gets the whole O6 record: the bridge never cuts one.
    EXPECT_EQ(link.JVClose(), 0);
    ASSERT_EQ(opened(link, "RACE", "20240107000000", 1).substr(0, 6), "open 0");
    std::string record, name;
    EXPECT_EQ(link.JVRead(record, 60000, name), 83285);
    EXPECT_EQ(record.size(), 83285u);
}

// Reads with the read loop and keeps what it hands over, as the import does.
struct Stored {
    JVReadResult result;
    std::vector<std::string> records;
};
Stored readAll(JVLink& link)
{
    Stored s;
    const JVCancelFlag cancel{false};
    s.result = JVReadLoop(link, kJVReadBufferImport, cancel,
                          {[&](const std::string& rec) { s.records.push_back(rec); }, {}, {}});
    return s;
}

TEST_F(BridgeJVLinkTest, ABrokenBridgeEndsTheReadWithAnErrorAndNothingWrongStored)
{
    // The bridge dies half-way through its second record, or sends a frame of impossible length.
    for (const char* fault : {"die-in-read=2", "garble-read=2"}) {
        SCOPED_TRACE(fault);
        BridgeJVLink link(options({"--fault", fault}));
        ASSERT_EQ(link.JVInit("SOLVANE"), 0);
        ASSERT_EQ(opened(link, "RACE", "20240101000000", 1).substr(0, 6), "open 0");
        const Stored s = readAll(link);
        EXPECT_EQ(s.result.end, JVReadEnd::Error);
        EXPECT_EQ(s.result.code, kBridgeFailure);
        EXPECT_EQ(s.records, std::vector<std::string>{"RA1\r\n"});
        EXPECT_NE(link.lastError().find("JVRead"), std::string::npos) << link.lastError();

        // The next operation runs on a new bridge, already initialised: the session goes on.
        EXPECT_EQ(link.JVClose(), 0);
        EXPECT_EQ(opened(link, "RACE", "20240106000000", 1).substr(0, 6), "open 0");
        std::string record, name;
        EXPECT_EQ(link.JVRead(record, 100000, name), 5);
        EXPECT_EQ(link.lastError(), "");
    }
}

TEST_F(BridgeJVLinkTest, AJVOpenThatDoesNotAnswerInTimeIsReported)
{
    BridgeJVLinkOptions o = options({"--fault", "slow-open=30000"});
    o.openTimeout = 300ms;
    BridgeJVLink link(o);
    ASSERT_EQ(link.JVInit("SOLVANE"), 0);
    int reads = 0, downloads = 0;
    std::string stamp;
    EXPECT_EQ(link.JVOpen("RACEMING", "20240101000000", 1, reads, downloads, stamp), kBridgeFailure);
    EXPECT_EQ(link.lastError(), "JV-Link中継プログラム：JVOpenが300ミリ秒以内に応答しません");
    // The hung bridge was stopped; a new one is initialised and holds no open request.
    EXPECT_EQ(link.JVStatus(), -203);
}

TEST_F(BridgeJVLinkTest, TheImportTellsWhyTheBridgeFailedAndStoresNothing)
{
    BridgeJVLinkOptions o = options({"--fault", "slow-open=30000"});
    o.openTimeout = 300ms;
    BridgeJVLink link(o);
    ASSERT_EQ(link.JVInit("SOLVANE"), 0);
    const std::filesystem::path data = dir.path() / "Data";
    std::filesystem::create_directories(data);
    BulkImportOptions io;
    io.dataFolder = data;
    io.start = DateTime{2024, 1, 1};
    JVCancelFlag cancel{false};
    BulkImport import(link, cancel, io);
    const BulkImportResult& r = import.run();
    EXPECT_EQ(r.end, BulkImportResult::End::Error);
    EXPECT_EQ(r.message, "JVOpenエラー:JV- Link 内部エラーが発生しました。(-401)"
                         "（JV-Link中継プログラム：JVOpenが300ミリ秒以内に応答しません）");
    EXPECT_TRUE(std::filesystem::is_empty(data));
}

TEST_F(BridgeJVLinkTest, AMissingBridgeProgramIsReported)
{
    BridgeJVLinkOptions o = options();
    o.program = dir.path() / "no-such-bridge";
    BridgeJVLink link(o);
    EXPECT_EQ(link.JVInit("SOLVANE"), kBridgeFailure);
    EXPECT_NE(link.lastError().find("no-such-bridge"), std::string::npos) << link.lastError();
}

// The bridge's side of the conversation, run in-process on byte strings.
struct Served {
    int exit = 0;
    std::vector<std::string> answers; // payloads
};
Served serve(JVLink& link, const std::string& input)
{
    std::size_t pos = 0;
    std::string output;
    Served s;
    s.exit = bridge::ServeBridge(
        link,
        [&](char* buffer, std::size_t n) {
            if (input.size() - pos < n)
                return false;
            input.copy(buffer, n, pos);
            pos += n;
            return true;
        },
        [&](const char* data, std::size_t n) {
            output.append(data, n);
            return true;
        });
    std::size_t at = 0;
    auto readOut = [&](char* buffer, std::size_t n) {
        if (output.size() - at < n)
            return false;
        output.copy(buffer, n, at);
        at += n;
        return true;
    };
    while (auto payload = bridge::ReadFrame(readOut, nullptr))
        s.answers.push_back(*payload);
    return s;
}

TEST_F(BridgeJVLinkTest, TheBridgeRefusesMalformedRequests)
{
    const SystemClock clock;
    LocalJVLink local(dir.path(), clock);
    const std::string init = bridge::PayloadWriter(bridge::kInit).bytes("SOLVANE").frame();
    const std::string status = bridge::PayloadWriter(bridge::kStatus).frame();

    // Well-formed requests, then the end of the input: answered in order, a clean exit.
    Served ok = serve(local, init + status);
    EXPECT_EQ(ok.exit, 0);
    ASSERT_EQ(ok.answers.size(), 2u);
    EXPECT_EQ(ok.answers[0], bridge::PayloadWriter(bridge::kInit).i32(0).payload());
    EXPECT_EQ(ok.answers[1], bridge::PayloadWriter(bridge::kStatus).i32(-203).payload());

    const std::vector<std::pair<std::string, std::string>> bad = {
        {"unknown op", bridge::PayloadWriter('Z').frame()},
        {"field missing", bridge::PayloadWriter(bridge::kOpen).bytes("RACE").frame()},
        {"bytes left over", bridge::PayloadWriter(bridge::kStatus).i32(1).frame()},
        {"string longer than the frame", std::string("\x06\x00\x00\x00"
                                                     "I\xff\xff\x00\x00"
                                                     "A",
                                                     10)},
        {"empty frame", std::string("\x00\x00\x00\x00", 4)},
        {"frame too long", std::string("\xff\xff\xff\x7f"
                                       "S",
                                       5)},
        {"frame cut short", std::string("\x09\x00\x00\x00"
                                        "I\x01",
                                        6)},
    };
    for (const auto& [what, frame] : bad) {
        SCOPED_TRACE(what);
        Served s = serve(local, init + frame + status);
        EXPECT_EQ(s.exit, 1);
        // The good request before is answered, the bad one gets 'E' and nothing after it is served.
        ASSERT_EQ(s.answers.size(), 2u);
        EXPECT_EQ(s.answers[1][0], bridge::kError);
    }
}

} // namespace
} // namespace solvane
