// The local JV-Link component's real-time requests (snapshots chosen by the program's clock) and
// faults.ini.
#include "jvdata/LocalJVLink.h"

#include "LocalFeedSupport.h"
#include "jvdata/LocalJVLinkFaults.h"
#include "util/Files.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace solvane {
namespace {

using namespace std::chrono_literals;
using test::readTrace;

constexpr const char* kRace = "2024010606010111"; // 2024-01-06, track 06, meeting 1, day 1, race 11

class LocalJVLinkRealTimeTest : public ::testing::Test {
protected:
    test::TempDir dir;
    ManualClock clock{DateTime{2024, 1, 6, 10, 0, 0}};

    void write(const std::string& relative, const std::string& bytes)
    {
        test::writeFeedFile(dir.path(), relative, bytes);
    }

    std::unique_ptr<LocalJVLink> make(LocalJVLinkOptions options = {})
    {
        options.downloadTime = options.callsPerFile > 0 ? options.downloadTime : 0ms;
        auto link = std::make_unique<LocalJVLink>(dir.path(), clock, std::move(options));
        link->JVInit("SOLVANE");
        return link;
    }

    // JVRTOpen, then the whole request as a trace, then JVClose; or the failed open's code.
    std::string fetch(JVLink& link, const std::string& dataspec, const std::string& key)
    {
        const int result = link.JVRTOpen(dataspec, key);
        if (result != 0)
            return "open " + std::to_string(result);
        std::string trace = readTrace(link);
        link.JVClose();
        return trace;
    }

    void writeSnapshots()
    {
        const std::string folder = std::string("RT/0B30/") + kRace + "/";
        write(folder + "093000.txt", "O1 0930\r\nO2 0930\r\n");
        write(folder + "101500.txt", "O1 1015\r\n");
        write(folder + "120000.TXT", "O1 1200\r\n");
        write(folder + "250000.txt", "bad time\r\n");
        write(folder + "notes.txt", "not a snapshot\r\n");
        write(folder + "0930.txt", "short name\r\n");
    }
};

TEST_F(LocalJVLinkRealTimeTest, TheNewestSnapshotUpToTheClock)
{
    writeSnapshots();
    auto link = make();
    clock.set(DateTime{2024, 1, 6, 9, 29, 59});
    EXPECT_EQ(fetch(*link, "0B30", kRace), "open -1");
    clock.set(DateTime{2024, 1, 6, 9, 30, 0});
    EXPECT_EQ(fetch(*link, "0B30", kRace), "O1 0930|O2 0930|-1|0");
    clock.set(DateTime{2024, 1, 6, 10, 14, 59});
    EXPECT_EQ(fetch(*link, "0B30", kRace), "O1 0930|O2 0930|-1|0");
    clock.set(DateTime{2024, 1, 6, 10, 15, 0});
    EXPECT_EQ(fetch(*link, "0B30", kRace), "O1 1015|-1|0");
    clock.set(DateTime{2024, 1, 6, 23, 0, 0});
    EXPECT_EQ(fetch(*link, "0B30", kRace), "O1 1200|-1|0");
}

TEST_F(LocalJVLinkRealTimeTest, ThePastHasEverySnapshotAndTheFutureNone)
{
    writeSnapshots();
    auto link = make();
    clock.set(DateTime{2024, 1, 7, 0, 0, 0});
    EXPECT_EQ(fetch(*link, "0B30", kRace), "O1 1200|-1|0");
    clock.set(DateTime{2024, 1, 5, 23, 59, 59});
    EXPECT_EQ(fetch(*link, "0B30", kRace), "open -1");
}

TEST_F(LocalJVLinkRealTimeTest, TheKeyFileIsAlwaysAvailable)
{
    writeSnapshots();
    write(std::string("RT/0B30/") + kRace + ".txt", "O1 always\r\n");
    auto link = make();
    clock.set(DateTime{2024, 1, 6, 9, 0, 0});
    EXPECT_EQ(fetch(*link, "0B30", kRace), "O1 always|-1|0");
    clock.set(DateTime{2024, 1, 1, 9, 0, 0}); // a future day for the key
    EXPECT_EQ(fetch(*link, "0B30", kRace), "O1 always|-1|0");
    clock.set(DateTime{2024, 1, 6, 9, 45, 0}); // a timed snapshot that is there wins
    EXPECT_EQ(fetch(*link, "0B30", kRace), "O1 0930|O2 0930|-1|0");
}

TEST_F(LocalJVLinkRealTimeTest, DayKeysAndTheFileName)
{
    write("RT/0B12/20240106/090000.txt", "RA\r\nSE\r\nHR\r\n");
    write("RT/0B14/20240106.txt", "WE\r\nTC\r\n");
    write("RT/0B13/20240106/100000.txt", "DM\r\n");
    write("RT/0B17/20240106/100001.txt", "TM\r\n");
    auto link = make();
    EXPECT_EQ(fetch(*link, "0B12", "20240106"), "RA|SE|HR|-1|0");
    EXPECT_EQ(fetch(*link, "0B14", "20240106"), "WE|TC|-1|0");
    EXPECT_EQ(fetch(*link, "0B13", "20240106"), "DM|-1|0");
    EXPECT_EQ(fetch(*link, "0B17", "20240106"), "open -1"); // announced a second after now
    EXPECT_EQ(fetch(*link, "0B12", "20240107"), "open -1");

    ASSERT_EQ(link->JVRTOpen("0B12", "20240106"), 0);
    std::string record, fileName;
    EXPECT_EQ(link->JVRead(record, 60000, fileName), 4);
    EXPECT_EQ(record, "RA\r\n");
    EXPECT_EQ(fileName, "090000.txt");
    EXPECT_EQ(link->JVStatus(), 0); // nothing to download in real time
    link->JVClose();
    EXPECT_FALSE(std::filesystem::exists(dir / ".downloaded"));
}

TEST_F(LocalJVLinkRealTimeTest, DataspecAndKeyCodes)
{
    auto link = make();
    struct Case {
        const char* dataspec;
        const char* key;
        int expected;
    };
    const Case cases[] = {
        {"0B99", "20240106", -111},
        {"RACE", "20240106", -111},
        {"", "20240106", -111},
        {"0b30", kRace, -111},
        {"0B30", "20240106", -114},
        {"0B30", "202401060601011", -114},
        {"0B30", "20240106060101111", -114},
        {"0B30", "20240106060101AB", -114},
        {"0B30", "2024130606010111", -114},
        {"0B30", "2024023006010111", -114},
        {"0B12", "2024010", -114},
        {"0B12", "2024-1-6", -114},
        {"0B14", kRace, -114},
        {"0B12", "", -114},
        {"0B30", kRace, -1},
        {"0B30", "202401060611", -1},
        {"0B12", kRace, -1},
        {"0B13", "20240106", -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.dataspec) + " " + c.key);
        EXPECT_EQ(link->JVRTOpen(c.dataspec, c.key), c.expected);
        EXPECT_EQ(link->JVClose(), 0);
    }
}

TEST_F(LocalJVLinkRealTimeTest, OneRequestAtATime)
{
    writeSnapshots();
    test::writeFeedFile(dir.path(), "RACE/20240106120000_a.jvd", "RA\r\n");
    auto link = make();
    ASSERT_EQ(link->JVRTOpen("0B30", kRace), 0);
    EXPECT_EQ(link->JVRTOpen("0B30", kRace), -202);
    int readCount = 0, downloadCount = 0;
    std::string last;
    EXPECT_EQ(link->JVOpen("RACE", "20240101000000", 1, readCount, downloadCount, last), -202);
    link->JVCancel();
    std::string record, fileName;
    EXPECT_EQ(link->JVRead(record, 100000, fileName), -203);
    EXPECT_EQ(link->JVClose(), 0);
    EXPECT_EQ(link->JVOpen("RACE", "20240101000000", 1, readCount, downloadCount, last), 0);
    EXPECT_EQ(link->JVRTOpen("0B30", kRace), -202);
}

// faults.ini -------------------------------------------------------------------------------------

struct FaultCase {
    const char* name;
    const char* ini;
    // Runs the calls and says what they answered.
    std::function<std::string(LocalJVLink&)> run;
    const char* expected;
};

int openRace(JVLink& link, const char* dataspec = "RACEMING")
{
    int readCount = 0, downloadCount = 0;
    std::string last;
    return link.JVOpen(dataspec, "20240101000000", 1, readCount, downloadCount, last);
}

// What a run of calls answered, separated by blanks. Built with << so that the calls run from left
// to right (the operands of + are not sequenced).
struct Said {
    std::string text;
    Said& operator<<(const std::string& answer)
    {
        text += (text.empty() ? "" : " ") + answer;
        return *this;
    }
    Said& operator<<(int code) { return *this << std::to_string(code); }
};

TEST_F(LocalJVLinkRealTimeTest, EveryKindOfFault)
{
    write("RACE/20240106120000_a.jvd", "RA1\r\nRA2\r\nRA3\r\n");
    write("MING/20240106120001_b.jvd", "TM1\r\n");
    writeSnapshots();
    write("RT/0B12/20240106.txt", "HR\r\n");

    const std::vector<FaultCase> cases = {
        {"init", "[JVInit]\nresult=-103\n",
         [](LocalJVLink& l) { return (Said{} << l.JVInit("SOLVANE") << openRace(l)).text; }, "-103 -201"},
        {"settings", "[JVSetUIProperties]\nresult=-100\n",
         [](LocalJVLink& l) { return (Said{} << l.JVSetUIProperties()).text; }, "-100"},
        {"open", "[JVOpen]\nresult=-504\n",
         [](LocalJVLink& l) { return (Said{} << openRace(l) << l.JVClose() << l.JVRTOpen("0B30", kRace)).text; },
         "-504 0 0"},
        {"open for one dataspec", "[JVOpen:MING]\nresult=-116\n",
         [](LocalJVLink& l) { return (Said{} << openRace(l, "MING") << openRace(l, "RACE")).text; }, "-116 0"},
        {"real-time open for one dataspec", "[JVRTOpen:0B30]\nresult=-202\n",
         [](LocalJVLink& l) { return (Said{} << l.JVRTOpen("0B30", kRace) << l.JVRTOpen("0B12", "20240106")).text; },
         "-202 0"},
        {"real-time open with one dataspec exempt", "[JVRTOpen]\nresult=-504\n[JVRTOpen:0B12]\nresult=0\n",
         [](LocalJVLink& l) { return (Said{} << l.JVRTOpen("0B30", kRace) << l.JVRTOpen("0B12", "20240106")).text; },
         "-504 0"},
        {"status", "[JVStatus]\nresult=-502\n",
         [](LocalJVLink& l) { return (Said{} << openRace(l) << l.JVStatus() << readTrace(l)).text; },
         "0 -502 RA1|RA2|RA3|-1|TM1|-1|0"},
        {"status after two files", "[JVStatus]\nresult=-502\nafter=2\n[Download]\ncalls=1\n",
         [](LocalJVLink& l) { return (Said{} << openRace(l) << l.JVStatus() << l.JVStatus()).text; }, "0 1 -502"},
        {"read after two records", "[JVRead]\nresult=-502\nafter=2\n",
         [](LocalJVLink& l) { return (Said{} << openRace(l) << readTrace(l)).text; }, "0 RA1|RA2|-502"},
        {"read at once, real time too", "[JVRead]\nresult=-503\n",
         [](LocalJVLink& l) { return (Said{} << l.JVRTOpen("0B12", "20240106") << readTrace(l)).text; }, "0 -503"},
        {"read for one real-time dataspec", "[JVRead:0B30]\nresult=-402\nafter=1\n",
         [](LocalJVLink& l) {
             return (Said{} << l.JVRTOpen("0B12", "20240106") << readTrace(l) << l.JVClose()
                            << l.JVRTOpen("0B30", kRace) << readTrace(l))
                 .text;
         },
         "0 HR|-1|0 0 0 O1 0930|-402"},
        {"close, and the next open still works", "[JVClose]\nresult=-1\n",
         [](LocalJVLink& l) { return (Said{} << openRace(l) << l.JVClose() << openRace(l)).text; }, "0 -1 0"},
        {"names ignore case, comments, blanks and a BOM",
         "\xEF\xBB\xBF; a comment\n# another\n[ jvopen ]\n RESULT = -504 \n",
         [](LocalJVLink& l) { return (Said{} << openRace(l)).text; }, "-504"},
        {"a value that is not a number is no fault", "[JVOpen]\nresult=soon\n[JVRead]\nresult=\n",
         [](LocalJVLink& l) { return (Said{} << openRace(l) << readTrace(l)).text; }, "0 RA1|RA2|RA3|-1|TM1|-1|0"},
        {"download pace set by the feed", "[Download]\ncalls=1\n",
         [](LocalJVLink& l) { return (Said{} << openRace(l) << l.JVStatus() << l.JVStatus()).text; }, "0 1 2"},
    };
    for (const FaultCase& c : cases) {
        SCOPED_TRACE(c.name);
        write("faults.ini", c.ini);
        std::filesystem::remove(dir / ".downloaded"); // every case starts with nothing downloaded
        LocalJVLinkOptions options;
        options.downloadTime = 0ms;
        LocalJVLink link(dir.path(), clock, options);
        if (!std::string_view(c.ini).starts_with("[JVInit]")) {
            ASSERT_EQ(link.JVInit("SOLVANE"), 0);
        }
        EXPECT_EQ(c.run(link), c.expected);
    }
}

TEST_F(LocalJVLinkRealTimeTest, FaultsAreReadAtEachOpen)
{
    write("RACE/20240106120000_a.jvd", "RA1\r\n");
    auto link = make();
    write("faults.ini", "[JVOpen]\nresult=-504\n");
    EXPECT_EQ(openRace(*link), -504);
    write("faults.ini", "[JVRead]\nresult=-502\n");
    // Faults in force are those read at the open: changing the file later does not matter.
    EXPECT_EQ(openRace(*link), 0);
    std::filesystem::remove(dir / "faults.ini");
    EXPECT_EQ(readTrace(*link), "-502");
    EXPECT_EQ(link->JVClose(), 0);
    EXPECT_EQ(openRace(*link), 0);
    EXPECT_EQ(readTrace(*link), "RA1|-1|0");
}

TEST(FeedFaultsTest, ParseAndFind)
{
    const FeedFaults faults = FeedFaults::parse("[JVRead]\nresult=-502\nafter=-5\n[JVOpen:RACEMING]\nresult=-1\n"
                                                "[Download]\ntime=250\n[broken\nresult=-9\nstray line\n");
    ASSERT_TRUE(faults.find("JVRead", "RACE").has_value());
    EXPECT_EQ(faults.find("JVRead", "RACE")->result, -502);
    EXPECT_EQ(faults.find("JVRead", "RACE")->after, 0);
    EXPECT_EQ(faults.find("JVOpen", "RACEMING")->result, -1);
    EXPECT_FALSE(faults.find("JVOpen", "RACE").has_value());
    EXPECT_FALSE(faults.find("JVClose", "").has_value());
    EXPECT_EQ(faults.value("download", "TIME"), 250);
    EXPECT_FALSE(faults.value("broken", "result").has_value());
    EXPECT_FALSE(FeedFaults::load("/nonexistent/faults.ini").find("JVRead", "").has_value());
}

} // namespace
} // namespace solvane
