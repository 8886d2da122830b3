// Runs the real solvane-cli and checks its output and exit status.
#include "app/AppFolder.h"
#include "support/RunShell.h"
#include "support/TempDir.h"
#include "util/Files.h"
#include "util/ShiftJis.h"

#include <gtest/gtest.h>

using namespace solvane;

namespace {

using CliRun = test::Outcome;

CliRun runCli(const std::string& arguments)
{
    return test::runShell(std::string("env -u SOLVANE_HOME -u SOLVANE_FEED ") + SOLVANE_CLI_PATH + " " + arguments);
}

} // namespace

TEST(Cli, VersionHelpAndUsageErrors)
{
    EXPECT_EQ(runCli("--version").out, "solvane-cli Version.1.06\n");
    const CliRun help = runCli("--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("settings"), std::string::npos);
    for (const char* bad : {"", "nosuchcommand", "--bogus paths", "--now 2024-13-01 paths", "--home", "settings",
                            "settings get Dir", "settings set locate top notanumber"})
        EXPECT_EQ(runCli(bad).status, 2) << bad;
}

TEST(Cli, SettingsAndPathsShareTheProgramsFile)
{
    test::TempDir dir;
    const std::string home = "--home '" + dir.path().string() + "' ";
    EXPECT_EQ(runCli(home + "settings get locate width").out, "1100\n");
    EXPECT_EQ(runCli(home + "settings get Dir harunire").out, dir.path().string() + "\n");

    const CliRun set = runCli(home + "settings set Dir KelvoTohyo2 'C:\\Kelvo 投票'");
    EXPECT_EQ(set.status, 0);
    EXPECT_EQ(readFile(dir / "solvane.ini").value(), toSjis("[Dir]\r\nKelvoTohyo2=C:\\Kelvo 投票\r\n"));
    EXPECT_EQ(runCli(home + "settings get DIR kelvotohyo2").out, "C:\\Kelvo 投票\n");

    const CliRun paths = runCli(home + "paths");
    EXPECT_EQ(paths.status, 0);
    EXPECT_EQ(paths.out, "AppFolder\t" + dir.path().string() + "\nSettings\t" + SettingsFilePath(dir.path()).string() +
                             "\nFeed\t" + (dir / "feed").string() + "\n");
}

TEST(Cli, FailedWriteEndsWithStatusOne)
{
    test::TempDir dir;
    ASSERT_TRUE(writeFileAtomic(dir / "file", "x"));
    EXPECT_EQ(runCli("--home '" + (dir / "file").string() + "' settings set locate top 5").status, 1);
}

TEST(Cli, SettingsOutsideTheirRangesAreRefusedAndSaid)
{
    test::TempDir dir;
    const std::string cli = std::string("env -u SOLVANE_HOME -u SOLVANE_FEED ") + SOLVANE_CLI_PATH + " --home '" +
                            dir.path().string() + "' ";
    for (const char* value : {"-5", "0", "600"}) {
        const CliRun set = test::runShell(cli + "settings set Time AutoOzGet " + value, dir / "err.txt");
        EXPECT_EQ(set.status, 2) << value;
        EXPECT_EQ(set.err, std::string("[Time] AutoOzGet は 1～59 の範囲で指定してください：") + value + "\n");
        EXPECT_FALSE(std::filesystem::exists(dir / "solvane.ini")) << "nothing written";
    }
    EXPECT_EQ(runCli("--home '" + dir.path().string() + "' settings set Time AutoOzGet 59").status, 0);

    // A hand-edited value: the value the program uses, and what it says of the file's.
    ASSERT_TRUE(writeFileAtomic(dir / "solvane.ini", "[Time]\r\nAutoOzGet=600\r\n"));
    const CliRun get = test::runShell(cli + "settings get Time AutoOzGet", dir / "err.txt");
    EXPECT_EQ(get.status, 0);
    EXPECT_EQ(get.out, "59\n");
    EXPECT_EQ(get.err, "設定 [Time] AutoOzGet=600 は範囲（1～59）の外なので、59 として使います。\n");
}
