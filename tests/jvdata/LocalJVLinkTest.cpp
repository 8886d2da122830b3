// The local JV-Link component on stored data: codes, call order, the download simulation and bad
// feeds. Real-time requests and faults.ini: LocalJVLinkRealTimeTest.cpp.
#include "jvdata/LocalJVLink.h"

#include "LocalFeedSupport.h"
#include "jvdata/JVReadLoop.h"
#include "util/Files.h"
#include "util/Text.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>

namespace solvane {
namespace {

using namespace std::chrono_literals;
using test::readTrace;

struct Opened {
    int result = 0;
    int readCount = -9;
    int downloadCount = -9;
    std::string lastFileTimestamp = "unset";
};

class LocalJVLinkTest : public ::testing::Test {
protected:
    test::TempDir dir;
    ManualClock clock{DateTime{2024, 1, 6, 10, 0, 0}};

    static LocalJVLinkOptions instant()
    {
        LocalJVLinkOptions options;
        options.downloadTime = 0ms;
        return options;
    }
    static LocalJVLinkOptions callsPerFile(int calls)
    {
        LocalJVLinkOptions options;
        options.callsPerFile = calls;
        return options;
    }

    void write(const std::string& relative, const std::string& bytes)
    {
        test::writeFeedFile(dir.path(), relative, bytes);
    }

    std::unique_ptr<LocalJVLink> make(LocalJVLinkOptions options = instant())
    {
        auto link = std::make_unique<LocalJVLink>(dir.path(), clock, std::move(options));
        EXPECT_EQ(link->JVInit("SOLVANE"), 0);
        return link;
    }

    static Opened open(JVLink& link, const std::string& dataspec = "RACEMING",
                       const std::string& fromtime = "20240101000000", int option = 1)
    {
        Opened o;
        o.result = link.JVOpen(dataspec, fromtime, option, o.readCount, o.downloadCount, o.lastFileTimestamp);
        return o;
    }

    // Two RACE files and one MING file of the week, one RACE file of the week before.
    void writeWeek()
    {
        write("RACE/20231230120000_RAold.jvd", "RAold\r\n");
        write("RACE/20240106120000_RA0106.jvd", "RA1\r\nRA2\r\n");
        write("MING/20240106130000_TM0106.jvd", "TM1\r\n");
        write("RACE/20240107120000_RA0107.jvd", "RA3\r\n");
    }
};

TEST_F(LocalJVLinkTest, OpenReadSwitchAndEnd)
{
    writeWeek();
    auto link = make();
    const Opened o = open(*link, "RACEMING", "20240101000000", 1);
    EXPECT_EQ(o.result, 0);
    EXPECT_EQ(o.readCount, 3);
    EXPECT_EQ(o.downloadCount, 3);
    EXPECT_EQ(o.lastFileTimestamp, "20240107120000");
    // Time-stamp order across the ids; -1 after each file, the last one too; then 0.
    EXPECT_EQ(readTrace(*link), "RA1|RA2|-1|TM1|-1|RA3|-1|0");
    EXPECT_EQ(link->JVClose(), 0);
}

TEST_F(LocalJVLinkTest, JVReadGivesTheLengthAndTheFileName)
{
    writeWeek();
    auto link = make();
    ASSERT_EQ(open(*link, "RACE", "20240106115959").result, 0);
    std::string record = "stale", fileName;
    EXPECT_EQ(link->JVRead(record, 100000, fileName), 5);
    EXPECT_EQ(record, "RA1\r\n");
    EXPECT_EQ(fileName, "20240106120000_RA0106.jvd");
    link->JVRead(record, 100000, fileName);
    EXPECT_EQ(link->JVRead(record, 100000, fileName), -1);
    EXPECT_EQ(record, "");
    EXPECT_EQ(fileName, "20240106120000_RA0106.jvd");
}

TEST_F(LocalJVLinkTest, OnlyTheNamedIdsAndOnlyFilesLaterThanFromtime)
{
    writeWeek();
    auto link = make();
    Opened o = open(*link, "MING", "20240101000000");
    EXPECT_EQ(o.readCount, 1);
    EXPECT_EQ(o.lastFileTimestamp, "20240106130000");
    EXPECT_EQ(readTrace(*link), "TM1|-1|0");
    link->JVClose();

    // A file stamped exactly fromtime is not newer than it.
    o = open(*link, "RACE", "20240106120000");
    EXPECT_EQ(o.readCount, 1);
    EXPECT_EQ(readTrace(*link), "RA3|-1|0");
    link->JVClose();
}

TEST_F(LocalJVLinkTest, EqualTimeStampsAreServedByName)
{
    write("RACE/20240106120000_b.jvd", "B\r\n");
    write("MING/20240106120000_a.jvd", "A\r\n");
    write("RACE/20240106120000_c.jvd", "C\r\n");
    auto link = make();
    ASSERT_EQ(open(*link, "RACEMING").result, 0);
    EXPECT_EQ(readTrace(*link), "A|-1|B|-1|C|-1|0");
}

TEST_F(LocalJVLinkTest, NothingNewerGivesMinusOneAndLeavesNothingOpen)
{
    writeWeek();
    auto link = make();
    const Opened o = open(*link, "RACEMING", "20240107120000");
    EXPECT_EQ(o.result, -1);
    EXPECT_EQ(o.readCount, 0);
    EXPECT_EQ(o.downloadCount, 0);
    EXPECT_EQ(o.lastFileTimestamp, "");
    EXPECT_EQ(link->JVClose(), 0); // the program closes after every open; harmless here
    EXPECT_EQ(open(*link, "RACEMING").result, 0);
}

TEST_F(LocalJVLinkTest, AKnownIdWithoutAFolderServesNothing)
{
    writeWeek();
    auto link = make();
    EXPECT_EQ(open(*link, "DIFF").result, -1);
    EXPECT_EQ(open(*link, "TOKUBLOD").result, -1);
    EXPECT_EQ(open(*link, "DIFFRACE").readCount, 2);
}

TEST_F(LocalJVLinkTest, ParameterCodes)
{
    writeWeek();
    auto link = make();
    struct Case {
        const char* dataspec;
        const char* fromtime;
        int option;
        int expected;
    };
    const Case cases[] = {
        {"", "20240101000000", 1, -111},        {"RAC", "20240101000000", 1, -111},
        {"RACEMIN", "20240101000000", 1, -111}, {"RACEXXXX", "20240101000000", 1, -111},
        {"race", "20240101000000", 1, -111},    {"0B30", "20240101000000", 1, -111},
        {"RACE", "2024010100000", 1, -112},     {"RACE", "202401010000000", 1, -112},
        {"RACE", "2024010100000a", 1, -112},    {"RACE", "", 1, -112},
        {"RACE", "20240101000000", 0, -115},    {"RACE", "20240101000000", 5, -115},
        {"RACE", "20240101000000", -1, -115},   {"RACEMING", "20240101000000", 3, 0},
        {"RACEMING", "20240101000000", 4, 0},   {"RACEMING", "20240101000000", 2, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.dataspec) + " " + c.fromtime + " " + std::to_string(c.option));
        const Opened o = open(*link, c.dataspec, c.fromtime, c.option);
        EXPECT_EQ(o.result, c.expected);
        if (o.result != 0) {
            EXPECT_EQ(o.readCount, 0);
            EXPECT_EQ(o.lastFileTimestamp, "");
        }
        link->JVClose();
    }
}

TEST_F(LocalJVLinkTest, JVInitChecksTheSoftwareIdentifier)
{
    LocalJVLink link(dir.path(), clock, instant());
    EXPECT_EQ(link.JVInit(""), -101);
    EXPECT_EQ(link.JVInit(" SOLVANE"), -103);
    EXPECT_EQ(link.JVInit(std::string(64, 'S')), -102);
    EXPECT_EQ(link.JVInit(std::string(63, 'S')), 0);
    EXPECT_EQ(link.JVSetUIProperties(), 0);
}

TEST_F(LocalJVLinkTest, WithoutJVInitEveryCallIsRefused)
{
    writeWeek();
    LocalJVLink link(dir.path(), clock, instant());
    EXPECT_EQ(open(link).result, -201);
    EXPECT_EQ(link.JVRTOpen("0B12", "20240106"), -201);
    EXPECT_EQ(link.JVStatus(), -201);
    std::string record, fileName;
    EXPECT_EQ(link.JVRead(record, 100000, fileName), -201);
    // A failed JVInit leaves the component uninitialised too.
    EXPECT_EQ(link.JVInit(""), -101);
    EXPECT_EQ(open(link).result, -201);
}

TEST_F(LocalJVLinkTest, ASecondOpenIsRefusedUntilJVClose)
{
    writeWeek();
    auto link = make();
    ASSERT_EQ(open(*link).result, 0);
    const Opened second = open(*link, "MING");
    EXPECT_EQ(second.result, -202);
    EXPECT_EQ(second.readCount, 0);
    EXPECT_EQ(link->JVRTOpen("0B12", "20240106"), -202);
    // The refused opens did not disturb the open request.
    EXPECT_EQ(readTrace(*link), "RA1|RA2|-1|TM1|-1|RA3|-1|0");
    EXPECT_EQ(open(*link).result, -202); // still open after reading everything
    EXPECT_EQ(link->JVClose(), 0);
    EXPECT_EQ(open(*link).result, 0);
}

TEST_F(LocalJVLinkTest, ReadAndStatusWithNothingOpen)
{
    writeWeek();
    auto link = make();
    std::string record = "x", fileName = "y";
    EXPECT_EQ(link->JVRead(record, 100000, fileName), -203);
    EXPECT_EQ(record, "");
    EXPECT_EQ(fileName, "");
    EXPECT_EQ(link->JVStatus(), -203);
    ASSERT_EQ(open(*link).result, 0);
    link->JVClose();
    EXPECT_EQ(link->JVRead(record, 100000, fileName), -203);
    EXPECT_EQ(link->JVClose(), 0); // a second close is harmless
}

TEST_F(LocalJVLinkTest, DownloadGivesMinusThreeUntilTheFileIsThere)
{
    writeWeek();
    auto link = make(callsPerFile(3));
    const Opened o = open(*link);
    EXPECT_EQ(o.downloadCount, 3);
    std::string record, fileName;
    // Every call is a third of a file: two waits, then the first file's records.
    EXPECT_EQ(link->JVRead(record, 100000, fileName), -3);
    EXPECT_EQ(fileName, "20240106120000_RA0106.jvd");
    EXPECT_EQ(link->JVRead(record, 100000, fileName), -3);
    EXPECT_EQ(link->JVRead(record, 100000, fileName), 5);
    EXPECT_EQ(record, "RA1\r\n");
    // The download goes on while the first file is read, so the second is there when its turn comes.
    EXPECT_EQ(readTrace(*link), "RA2|-1|TM1|-1|-3|RA3|-1|0");
}

TEST_F(LocalJVLinkTest, AReadLoopWaitsForTheDownloadWithoutSleeping)
{
    writeWeek();
    auto link = make(callsPerFile(1000));
    ASSERT_EQ(open(*link).result, 0);
    JVCancelFlag cancel{false};
    std::vector<std::string> records;
    // The loop pauses between "still downloading" answers; this download goes on per call, not per
    // second, so the pauses need not take any time here.
    JVDownloadWait wait;
    int pauses = 0;
    wait.sleep = [&](std::chrono::milliseconds) { ++pauses; };
    const JVReadResult result = JVReadLoop(*link, kJVReadBufferImport, cancel,
                                           {[&](const std::string& r) { records.push_back(r); }, {}, {}}, wait);
    EXPECT_EQ(result.end, JVReadEnd::AllRead);
    EXPECT_EQ(result.fileSwitches, 3);
    EXPECT_GT(result.waits, 2900);
    EXPECT_EQ(pauses, result.waits);
    EXPECT_EQ(records, (std::vector<std::string>{"RA1\r\n", "RA2\r\n", "TM1\r\n", "RA3\r\n"}));
}

TEST_F(LocalJVLinkTest, StatusAdvancesPerCall)
{
    writeWeek();
    auto link = make(callsPerFile(1));
    ASSERT_EQ(open(*link).downloadCount, 3);
    EXPECT_EQ(link->JVStatus(), 1);
    EXPECT_EQ(link->JVStatus(), 2);
    EXPECT_EQ(link->JVStatus(), 3);
    EXPECT_EQ(link->JVStatus(), 3);
    EXPECT_EQ(readTrace(*link), "RA1|RA2|-1|TM1|-1|RA3|-1|0");
}

TEST_F(LocalJVLinkTest, StatusAdvancesWithTheSteadyClock)
{
    writeWeek();
    std::chrono::steady_clock::time_point now{};
    LocalJVLinkOptions options;
    options.downloadTime = 900ms;
    options.steadyNow = [&] { return now; };
    auto link = make(options);
    ASSERT_EQ(open(*link).downloadCount, 3);
    std::string record, fileName;
    EXPECT_EQ(link->JVStatus(), 0);
    EXPECT_EQ(link->JVRead(record, 100000, fileName), -3);
    now += 299ms;
    EXPECT_EQ(link->JVStatus(), 0);
    now += 1ms;
    EXPECT_EQ(link->JVStatus(), 1);
    EXPECT_GT(link->JVRead(record, 100000, fileName), 0);
    now += 599ms;
    EXPECT_EQ(link->JVStatus(), 2);
    now += 1ms;
    EXPECT_EQ(link->JVStatus(), 3);
    now += 1h;
    EXPECT_EQ(link->JVStatus(), 3);
}

TEST_F(LocalJVLinkTest, FilesServedBeforeAreNotDownloadedAgain)
{
    writeWeek();
    auto link = make(callsPerFile(1000000));
    ASSERT_EQ(open(*link).downloadCount, 3);
    link->JVClose();
    EXPECT_FALSE(std::filesystem::exists(dir / ".downloaded")); // nothing was served

    link = make(instant());
    ASSERT_EQ(open(*link, "RACE", "20240106000000").downloadCount, 2);
    EXPECT_EQ(readTrace(*link), "RA1|RA2|-1|RA3|-1|0");
    link->JVClose();
    EXPECT_EQ(readFile(dir / ".downloaded").value_or(""), "20240106120000_RA0106.jvd\r\n20240107120000_RA0107.jvd\r\n");

    // Served files are there at once however slow the download; the MING file still waits.
    link = make(callsPerFile(1000000));
    const Opened o = open(*link, "RACEMING", "20240101000000");
    EXPECT_EQ(o.readCount, 3);
    EXPECT_EQ(o.downloadCount, 1);
    EXPECT_EQ(link->JVStatus(), 0);
    EXPECT_EQ(readTrace(*link, 100000, true, 20), "RA1|RA2|-1|-3");
}

TEST_F(LocalJVLinkTest, AHandWrittenDownloadedListCounts)
{
    writeWeek();
    write(".downloaded", "20240106120000_RA0106.jvd\n  20240106130000_TM0106.jvd  \n\n");
    auto link = make(callsPerFile(1000000));
    EXPECT_EQ(open(*link, "RACEMING", "20240106000000").downloadCount, 1);
    EXPECT_EQ(readTrace(*link, 100000, true, 10), "RA1|RA2|-1|TM1|-1|-3");
}

TEST_F(LocalJVLinkTest, CancelThenCloseThenReopen)
{
    writeWeek();
    auto link = make(callsPerFile(2));
    ASSERT_EQ(open(*link).downloadCount, 3);
    EXPECT_EQ(link->JVStatus(), 0);
    EXPECT_EQ(link->JVStatus(), 1);
    link->JVCancel();
    // The download stops where it was; the request can no longer be read but stays open.
    EXPECT_EQ(link->JVStatus(), 1);
    EXPECT_EQ(link->JVStatus(), 1);
    std::string record, fileName;
    EXPECT_EQ(link->JVRead(record, 100000, fileName), -203);
    EXPECT_EQ(open(*link).result, -202);
    link->JVCancel(); // twice is harmless
    EXPECT_EQ(link->JVClose(), 0);
    const Opened again = open(*link);
    EXPECT_EQ(again.result, 0);
    EXPECT_EQ(again.downloadCount, 3);
}

TEST_F(LocalJVLinkTest, CancelWhileReading)
{
    writeWeek();
    auto link = make();
    ASSERT_EQ(open(*link).result, 0);
    std::string record, fileName;
    EXPECT_GT(link->JVRead(record, 100000, fileName), 0);
    link->JVCancel();
    EXPECT_EQ(link->JVRead(record, 100000, fileName), -203);
    EXPECT_EQ(link->JVClose(), 0);
    // The file begun before the cancel counts as served.
    EXPECT_EQ(readFile(dir / ".downloaded").value_or(""), "20240106120000_RA0106.jvd\r\n");
}

TEST_F(LocalJVLinkTest, NamesThatDoNotMatchAreSkipped)
{
    write("RACE/20240106120000_good.jvd", "G\r\n");
    write("RACE/readme.txt", "X\r\n");
    write("RACE/2024010612000_short.jvd", "X\r\n");
    write("RACE/20240106120000.jvd", "X\r\n");
    write("RACE/20240106120000_", "X\r\n");
    write("RACE/2024010612000a_bad.jvd", "X\r\n");
    write("RACE/20240106120000-dash.jvd", "X\r\n");
    write("RACE/20240106130000_folder/20240106130000_inner.jvd", "X\r\n");
    write("20240106120000_atroot.jvd", "X\r\n");
    auto link = make();
    const Opened o = open(*link, "RACE");
    EXPECT_EQ(o.readCount, 1);
    EXPECT_EQ(o.lastFileTimestamp, "20240106120000");
    EXPECT_EQ(readTrace(*link), "G|-1|0");
}

TEST_F(LocalJVLinkTest, LineEndsAreMadeCrLfAndEmptyLinesSkipped)
{
    write("RACE/20240106120000_a.jvd", "");                   // empty file: just its -1
    write("RACE/20240106120001_b.jvd", "L1\nL2\r\n\r\n\nL3"); // LF only, blank lines, no end
    write("RACE/20240106120002_c.jvd", "\x83\x5C\x95\x5C"
                                       "A\r\r\n"); // Shift-JIS bytes kept; CR CR LF
    auto link = make();
    ASSERT_EQ(open(*link, "RACE").readCount, 3);
    EXPECT_EQ(readTrace(*link), "-1|L1|L2|L3|-1|\x83\x5C\x95\x5C"
                                "A\r|-1|0");
}

TEST_F(LocalJVLinkTest, ARecordLongerThanTheBufferIsADamagedFile)
{
    const std::string huge(300000, 'O');
    write("RACE/20240106120000_a.jvd", "R1\r\n" + huge + "\r\nR2\r\n" + std::string(98, 'X') + "\r\n");
    auto link = make();
    ASSERT_EQ(open(*link, "RACE").result, 0);
    // -403, and reading can go on after it; a record of exactly the buffer size passes.
    EXPECT_EQ(readTrace(*link, 100, false), "R1|-403|R2|" + std::string(98, 'X') + "|-1|0");
}

TEST_F(LocalJVLinkTest, AFileGoneBeforeItsTurnIsNotFound)
{
    write("RACE/20240106120000_a.jvd", "A\r\n");
    write("RACE/20240106120001_b.jvd", "B\r\n");
    write("RACE/20240106120002_c.jvd", "C\r\n");
    auto link = make();
    ASSERT_EQ(open(*link, "RACE").readCount, 3);
    std::filesystem::remove(dir / "RACE/20240106120001_b.jvd");
    EXPECT_EQ(readTrace(*link, 100000, false), "A|-1|-503|-1|C|-1|0");
}

TEST_F(LocalJVLinkTest, AMissingFeedFolderServesNothing)
{
    LocalJVLink link(dir / "nowhere", clock, instant());
    EXPECT_EQ(link.JVInit("SOLVANE"), 0);
    EXPECT_EQ(open(link).result, -1);
    EXPECT_EQ(link.JVRTOpen("0B30", "2024010606010101"), -1);
}

TEST_F(LocalJVLinkTest, FolderNamesIgnoreCase)
{
    write("race/20240106120000_a.jvd", "A\r\n");
    auto link = make();
    ASSERT_EQ(open(*link, "RACE").readCount, 1);
    EXPECT_EQ(readTrace(*link), "A|-1|0");
}

} // namespace
} // namespace solvane
