#include "app/AppShell.h"
#include "app/FakeJVLink.h"
#include "app/SiblingFolders.h"
#include "app/WorkFolders.h"
#include "support/LockedElsewhere.h"
#include "support/TempDir.h"
#include "util/Files.h"
#include "util/ShiftJis.h"
#include "util/Text.h"

#include <chrono>
#include <gtest/gtest.h>
#include <map>

using namespace solvane;
namespace fs = std::filesystem;

namespace {

class FakeRegistry : public SiblingRegistry {
public:
    std::map<std::string, std::string, std::less<>> paths;
    std::string InstallPath(std::string_view name) const override
    {
        auto it = paths.find(name);
        return it == paths.end() ? std::string() : it->second;
    }
};

std::vector<std::string> linesOf(const fs::path& p)
{
    std::vector<std::string> out;
    for (const auto& l : splitLines(readFile(p).value_or("")))
        out.push_back(fromSjis(l));
    return out;
}

class AppShellTest : public ::testing::Test {
protected:
    AppShell makeShell(std::vector<std::string> args = {}, fs::path folder = {})
    {
        return AppShell(AppShellOptions{folder.empty() ? dir.path() : folder, &clock, &registry, {}, std::move(args)});
    }

    test::TempDir dir;
    ManualClock clock{DateTime{2024, 6, 1, 9, 30, 0}};
    FakeRegistry registry;
};

} // namespace

TEST_F(AppShellTest, FirstRunMakesFoldersLogsAndShowsDefaults)
{
    auto shell = makeShell();
    ASSERT_TRUE(shell.start()) << shell.startError();
    EXPECT_TRUE(shell.warnings().empty());
    for (auto name : kWorkFolders)
        EXPECT_TRUE(fs::is_directory(dir / std::string(name))) << name;
    EXPECT_EQ(linesOf(dir / "ErrorLog.txt"),
              (std::vector<std::string>{"ソフト起動：2024/06/01 09:30:00", dir.path().string()}));
    EXPECT_EQ(linesOf(dir / "Log" / "20240601.log"),
              (std::vector<std::string>{"============================", "■利用開始 2024/06/01 09:30:00"}));
    EXPECT_EQ(shell.savedGeometry(), (WindowGeometry{10, 10, 1100, 750}));
    EXPECT_TRUE(shell.sound1());
    EXPECT_FALSE(shell.overWriteOK());
    EXPECT_FALSE(shell.commandLineMode());
    EXPECT_FALSE(shell.terminateRequested());
    EXPECT_FALSE(shell.developerMode());
    EXPECT_FALSE(shell.masterMode());
    EXPECT_FALSE(shell.manualPath());
}

TEST_F(AppShellTest, ExistingFoldersAndMarkersAreFoundInAnyCase)
{
    fs::create_directory(dir / "DATA");
    fs::create_directory(dir / "log");
    ASSERT_TRUE(writeFileAtomic(dir / "master.KEY", ""));
    ASSERT_TRUE(writeFileAtomic(dir / "OnlyTheDeveloperAvailableFunction.key", ""));
    ASSERT_TRUE(writeFileAtomic(dir / "solvane.PDF", "%PDF"));
    auto shell = makeShell();
    ASSERT_TRUE(shell.start());
#ifndef _WIN32 // where names differing in case are different files
    EXPECT_FALSE(fs::exists(dir / "Data"));
    EXPECT_FALSE(fs::exists(dir / "Log"));
#endif
    EXPECT_TRUE(fs::exists(dir / "log" / "20240601.log"));
    EXPECT_TRUE(shell.masterMode());
    EXPECT_TRUE(shell.developerMode());
    EXPECT_EQ(shell.manualPath(), dir / "solvane.PDF");
}

TEST_F(AppShellTest, AFolderThatCannotBeMadeEndsStartUpWithAMessage)
{
    ASSERT_TRUE(writeFileAtomic(dir / "plain-file", "x"));
    const fs::path blocked = dir / "plain-file" / "app";
    auto shell = makeShell({}, blocked);
    EXPECT_FALSE(shell.start());
    EXPECT_TRUE(startsWith(shell.startError(), "作業フォルダを作成できません：" + blocked.string()))
        << shell.startError();

    // A file where a working folder belongs is reported the same way.
    ASSERT_TRUE(writeFileAtomic(dir / "kaime", "not a folder"));
    auto shell2 = makeShell();
    EXPECT_FALSE(shell2.start());
    EXPECT_NE(shell2.startError().find((dir / "kaime").string()), std::string::npos);
    EXPECT_FALSE(fs::exists(dir / "ErrorLog.txt")) << "start-up stops at the failed step";
}

TEST_F(AppShellTest, ASecondWindowProgramOnTheFolderSaysSoAndEnds)
{
    {
        test::LockedElsewhere first(dir / std::string(kWindowLockName)); // a window program running
        ASSERT_TRUE(first.held());
        auto second = makeShell();
        EXPECT_FALSE(second.start());
        EXPECT_TRUE(second.alreadyRunning());
        EXPECT_EQ(second.startError(), std::string(kAlreadyRunning) + dir.path().string());
        EXPECT_FALSE(fs::exists(dir / "ErrorLog.txt")) << "it ends before it writes anything";
    }
    // The first one ended, however it ended: the next one starts and holds the folder in turn.
    auto shell = makeShell();
    ASSERT_TRUE(shell.start()) << shell.startError();
    EXPECT_FALSE(shell.alreadyRunning());
    EXPECT_FALSE(test::LockedElsewhere(dir / std::string(kWindowLockName)).held());
}

TEST_F(AppShellTest, StartSweepsDeadWritersTemporariesAndSaysWhichSettingsAreOutOfRange)
{
    fs::create_directories(dir / "Data");
    const auto old = fs::file_time_type::clock::now() - std::chrono::hours(1);
    const fs::path dead[] = {dir / "solvane.ini.tmp0a1b2c3d", dir / "Data" / "x.jvO6.tmp12345678"};
    for (const fs::path& p : dead) {
        ASSERT_TRUE(writeFileAtomic(p, "half a file"));
        fs::last_write_time(p, old);
    }
    const fs::path busy = dir / "Data" / "y.jvRA.tmpabcdef01"; // a writer that takes no lock, at work
    ASSERT_TRUE(writeFileAtomic(busy, "being written"));
    ASSERT_TRUE(writeFileAtomic(dir / "solvane.ini", toSjis("[Time]\r\nAutoOzGet=600\r\nAutoRdataGet=30\r\n")));

    auto shell = makeShell();
    ASSERT_TRUE(shell.start()) << shell.startError();
    for (const fs::path& p : dead)
        EXPECT_FALSE(fs::exists(p)) << p;
    EXPECT_TRUE(fs::exists(busy));
    EXPECT_EQ(shell.warnings(),
              std::vector<std::string>{"設定 [Time] AutoOzGet=600 は範囲（1～59）の外なので、59 として使います。"});
    EXPECT_EQ(shell.settings().get(keys::AutoOzGet), 59);
}

TEST_F(AppShellTest, CommandLineModeReadsTheListFileAndSkipsNormalSteps)
{
    ASSERT_TRUE(writeFileAtomic(dir / "list.txt", "0520240601051101\r\n0520240601051102\r\n"));
    ASSERT_TRUE(writeFileAtomic(dir / "empty.txt", ""));
    struct Case {
        const char* arg;
        bool terminate;
        std::size_t lines;
    };
    for (const Case& c : {Case{"list.txt", true, 2}, Case{"empty.txt", false, 0}, Case{"missing.txt", false, 0}}) {
        auto shell = makeShell({c.arg});
        ASSERT_TRUE(shell.start());
        EXPECT_TRUE(shell.commandLineMode());
        EXPECT_EQ(shell.terminateRequested(), c.terminate) << c.arg;
        EXPECT_EQ(shell.workList().size(), c.lines) << c.arg;
        EXPECT_FALSE(fs::exists(dir / "ErrorLog.txt")) << "no start-up lines in command-line mode";
        EXPECT_TRUE(shell.dailyLog().isOpen());
    }
    auto absolute = makeShell({(dir / "list.txt").string()});
    ASSERT_TRUE(absolute.start());
    EXPECT_TRUE(absolute.terminateRequested());
}

TEST_F(AppShellTest, SiblingFoldersFillOnlyBlankKeys)
{
    registry.paths = {{"ハルニレ", "C:\\Harunire"}, {"Kelvo投票プラグイン２", " C:\\Kelvo "}, {"Fenrow", "C:\\Fenrow"}};
    struct Case {
        const char* harunire; // stored before start-up, nullptr for none
        const char* kelvo;
        const char* fenrow;
        const char* expHarunire;
        const char* expKelvo;
        const char* expFenrow;
    };
    const std::string fenrowData =
        std::string("C:\\Fenrow") + static_cast<char>(fs::path::preferred_separator) + "Data";
    const Case cases[] = {
        {nullptr, nullptr, nullptr, "C:\\Harunire", "C:\\Kelvo", fenrowData.c_str()},
        {"   ", "", "\"\"", "C:\\Harunire", "C:\\Kelvo", fenrowData.c_str()},
        {"D:\\Mine", "E:\\Vote", "F:\\Odds", "D:\\Mine", "E:\\Vote", "F:\\Odds"},
    };
    for (const Case& c : cases) {
        fs::remove(dir / "solvane.ini");
        SettingsFile s(dir / "solvane.ini");
        if (c.harunire) {
            ASSERT_TRUE(s.set(keys::Harunire, c.harunire));
        }
        if (c.kelvo) {
            ASSERT_TRUE(s.set(keys::KelvoTohyo2, c.kelvo));
        }
        if (c.fenrow) {
            ASSERT_TRUE(s.set(keys::Jikeiretu, c.fenrow));
        }
        ASSERT_TRUE(FillSiblingFolders(s, registry));
        EXPECT_EQ(s.rawValue("Dir", "harunire"), c.expHarunire);
        EXPECT_EQ(s.rawValue("Dir", "KelvoTohyo2"), c.expKelvo);
        EXPECT_EQ(s.rawValue("Dir", "jikeiretu"), c.expFenrow);
    }

    // Nothing recorded: nothing is written, the keys keep reading as their defaults.
    registry.paths.clear();
    fs::remove(dir / "solvane.ini");
    SettingsFile s(dir / "solvane.ini", {dir.path(), {}});
    ASSERT_TRUE(FillSiblingFolders(s, registry));
    EXPECT_FALSE(fs::exists(dir / "solvane.ini"));
    EXPECT_EQ(s.get(keys::Harunire), dir.path().string());
}

TEST_F(AppShellTest, ShownOpensTheSessionAndReportsJVInitFailure)
{
    auto shell = makeShell();
    ASSERT_TRUE(shell.start());
    test::FakeJVLink ok;
    EXPECT_EQ(shell.shown(ok), "");
    EXPECT_EQ(shell.versionText(), "Version.1.06");
    ASSERT_EQ(ok.sids.size(), 1u);
    EXPECT_EQ(ok.sids[0].size(), 47u);

    test::FakeJVLink failing(-101);
    const std::string message = shell.shown(failing);
    EXPECT_TRUE(startsWith(message, "JVInitエラー：")) << message;
    EXPECT_TRUE(endsWith(message, "(-101)")) << message;
}

TEST_F(AppShellTest, ShutdownWritesGeometryAndClosesTheDailyLog)
{
    ASSERT_TRUE(writeFileAtomic(dir / "solvane.ini", "[Play]\r\nSound1=0\r\n"));
    {
        auto shell = makeShell();
        ASSERT_TRUE(shell.start());
        EXPECT_FALSE(shell.sound1());
        ASSERT_TRUE(shell.setOverWriteOK(true));
        clock.set({2024, 6, 2, 0, 15, 0});
        ASSERT_TRUE(shell.shutdown({20, 30, 900, 600}));
    }
    SettingsFile s(dir / "solvane.ini");
    EXPECT_EQ(s.get(keys::LocateTop), 20);
    EXPECT_EQ(s.get(keys::LocateLeft), 30);
    EXPECT_EQ(s.get(keys::LocateWidth), 900);
    EXPECT_EQ(s.get(keys::LocateHeight), 600);
    EXPECT_TRUE(s.get(keys::OverWriteOK));
    EXPECT_FALSE(s.get(keys::Sound1));
    const auto log = linesOf(dir / "Log" / "20240601.log");
    ASSERT_EQ(log.size(), 6u);
    EXPECT_EQ(log[3], "■利用終了 2024/06/02 00:15:00");

    // A geometry too small to use is not restored.
    ASSERT_TRUE(s.set(keys::LocateWidth, 0));
    ASSERT_TRUE(s.set(keys::LocateHeight, -5));
    auto shell = makeShell();
    EXPECT_EQ(shell.savedGeometry(), (WindowGeometry{20, 30, 1100, 750}));
}
