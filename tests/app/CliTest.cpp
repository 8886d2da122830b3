// Runs the real solvane-cli and checks its output and exit status.
#include "support/TempDir.h"
#include "util/Files.h"
#include "util/ShiftJis.h"

#include <array>
#include <cstdio>
#include <gtest/gtest.h>
#ifdef _WIN32
#include "support/RunShell.h" // popen and the exit status off POSIX
#else
#include <sys/wait.h>
#endif

using namespace solvane;

namespace {

struct CliRun {
    int status;
    std::string out;
};

CliRun runCli(const std::string& arguments)
{
    const std::string command =
        std::string("env -u SOLVANE_HOME -u SOLVANE_FEED ") + SOLVANE_CLI_PATH + " " + arguments + " 2>/dev/null";
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe)
        return {-1, {}};
    std::string out;
    std::array<char, 4096> buffer;
    std::size_t n;
    while ((n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0)
        out.append(buffer.data(), n);
    const int raw = ::pclose(pipe);
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, out};
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
    EXPECT_EQ(paths.out, "AppFolder\t" + dir.path().string() + "\nSettings\t" + (dir / "solvane.ini").string() +
                             "\nFeed\t" + (dir / "feed").string() + "\n");
}

TEST(Cli, FailedWriteEndsWithStatusOne)
{
    test::TempDir dir;
    ASSERT_TRUE(writeFileAtomic(dir / "file", "x"));
    EXPECT_EQ(runCli("--home '" + (dir / "file").string() + "' settings set locate top 5").status, 1);
}
