// Two processes on one application folder, as a person runs them: two odds fetches, two settings loops,
// an import beside settings writes, each round after round. Every process reads, changes and rewrites
// whole files, so without the folder's writer lock each would lose the other's changes and both would
// say they succeeded. Also: a writer killed while it holds the lock never blocks the next; a writer that
// finds the lock held says it waits and, when the lock does not come, gives up changing nothing; and a
// re-import from an earlier start after the day's results leaves the results standing.
#include "hardening/HardeningSupport.h"

#include "support/GeneratedSeason.h"
#include "support/LockedElsewhere.h"
#include "support/RunShell.h"
#include "support/TempDir.h"
#include "util/FolderLock.h"

#include <chrono>
#include <gtest/gtest.h>
#include <mutex>
#include <random>
#include <thread>

namespace solvane::test {
namespace {

constexpr const char* kDayArg = "20240106";

class TwoProcesses : public ::testing::Test {
protected:
    // A live race day of 24 races (two venues), generated as seen at 09:30 and imported then.
    static void SetUpTestSuite()
    {
        dir_ = new TempDir;
        season_ = new LiveRaceDay;
        ASSERT_EQ(season_->error, "");
    }
    static void TearDownTestSuite()
    {
        delete season_;
        delete dir_;
        season_ = nullptr;
        dir_ = nullptr;
    }
    static fs::path feed() { return season_->feed; }
    fs::path home() const { return *dir_ / "home"; }
    void SetUp() override
    {
        copyFolder(season_->home, home());
        std::error_code ec;
        fs::remove(feed() / ".downloaded", ec); // every import is served the whole feed again
    }

    static std::vector<std::string> cli(const fs::path& home, const std::vector<std::string>& args)
    {
        std::vector<std::string> argv{SOLVANE_CLI_PATH, "--home", home.string()};
        argv.insert(argv.end(), args.begin(), args.end());
        return argv;
    }
    static std::vector<std::string> env(int lockWait = 60)
    {
        return {"SOLVANE_FEED=" + feed().string(), "SOLVANE_LOCK_WAIT=" + std::to_string(lockWait)};
    }
    static int run(const fs::path& home, const std::vector<std::string>& args)
    {
        const pid_t pid = spawnProgram(cli(home, args), env());
        return pid < 0 ? -1000 : waitChild(pid);
    }
    // Runs each list of command lines one after the other, the lists side by side; the statuses.
    std::vector<int> sideBySide(const std::vector<std::vector<std::vector<std::string>>>& loops)
    {
        std::vector<int> statuses;
        std::mutex mutex;
        std::vector<std::thread> threads;
        for (const auto& loop : loops)
            threads.emplace_back([&, loop] {
                for (const auto& args : loop) {
                    const int status = run(home(), args);
                    const std::lock_guard lock(mutex);
                    statuses.push_back(status);
                }
            });
        for (std::thread& t : threads)
            t.join();
        return statuses;
    }
    std::string day(const std::string& suffix) const
    {
        return fromSjis(readFile(home() / "Data" / pathFromUtf8(std::string("2024年01月06日") + suffix)).value_or(""));
    }
    std::string setting(const std::string& section, const std::string& key) const
    {
        return runShell("env -u SOLVANE_HOME " + std::string(SOLVANE_CLI_PATH) + " --home '" + home().string() +
                        "' settings get " + section + " " + key)
            .out;
    }

    static TempDir* dir_;
    static GeneratedSeason* season_;
};

TempDir* TwoProcesses::dir_ = nullptr;
GeneratedSeason* TwoProcesses::season_ = nullptr;

TEST_F(TwoProcesses, TwoOddsFetchesOnDifferentRacesLoseNoRace)
{
    for (int round = 0; round < 4; ++round) {
        SCOPED_TRACE(round);
        SetUp();
        std::vector<std::vector<std::string>> first, second;
        for (int slot = 0; slot < 24; ++slot)
            (slot % 2 ? second : first)
                .push_back({"--now", "2024-01-06 17:00:00", "fetch", "odds", kDayArg, std::to_string(slot)});
        for (const int status : sideBySide({first, second}))
            EXPECT_EQ(status, 0);
        for (int type = 1; type <= 6; ++type)
            EXPECT_EQ(splitLines(day(".jvO" + std::to_string(type))).size(), 24u) << "O" << type;
    }
}

TEST_F(TwoProcesses, TwoSettingsLoopsLoseNoKey)
{
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        SetUp();
        std::vector<std::vector<std::string>> first, second;
        for (int i = 0; i < 30; ++i) {
            first.push_back({"settings", "set", "First", "k" + std::to_string(i), std::to_string(i)});
            second.push_back({"settings", "set", "Second", "k" + std::to_string(i), std::to_string(i)});
        }
        for (const int status : sideBySide({first, second}))
            EXPECT_EQ(status, 0);
        for (int i = 0; i < 30; ++i)
            for (const char* section : {"First", "Second"})
                EXPECT_EQ(setting(section, "k" + std::to_string(i)), std::to_string(i) + "\n") << section << i;
    }
}

TEST_F(TwoProcesses, AnImportBesideSettingsWritesLosesNeither)
{
    const std::vector<std::string> import{"--now",  "2024-01-06 09:30:00", "import",
                                          "--from", "20240101000000",      "--setup"};
    ASSERT_EQ(run(home(), import), 0);
    const std::string lastTime = setting("JvDataGet", "LastTime"); // what an import alone leaves
    ASSERT_EQ(lastTime.size(), 20u) << lastTime;
    for (int round = 0; round < 8; ++round) {
        SCOPED_TRACE(round);
        SetUp();
        fs::remove_all(home() / "Data");
        fs::remove(home() / "solvane.ini");
        std::vector<std::vector<std::string>> writes;
        for (int i = 0; i < 12; ++i)
            writes.push_back({"settings", "set", "Mine", "k" + std::to_string(i), "v"});
        for (const int status : sideBySide({{import}, writes}))
            EXPECT_EQ(status, 0);
        EXPECT_EQ(setting("JvDataGet", "LastTime"), lastTime);
        for (int i = 0; i < 12; ++i)
            EXPECT_EQ(setting("Mine", "k" + std::to_string(i)), "v\n") << i;
    }
}

TEST_F(TwoProcesses, AWriterKilledAtAnyMomentNeverBlocksTheNext)
{
    std::mt19937 rng(7);
    for (int round = 0; round < 6; ++round) {
        SCOPED_TRACE(round);
        SetUp();
        fs::remove_all(home() / "Data");
        const pid_t pid = spawnProgram(
            cli(home(), {"--now", "2024-01-06 09:30:00", "import", "--from", "20240101000000", "--setup"}), env());
        ASSERT_GT(pid, 0);
        std::this_thread::sleep_for(std::chrono::milliseconds(std::uniform_int_distribution<int>(0, 60)(rng)));
        ::kill(pid, SIGKILL);
        waitChild(pid);
        // A lock the killed import still held would make the next writer say that it waits (and, after
        // its one-second limit, fail): it finds the lock free at once.
        const Outcome next = runShell("env -u SOLVANE_HOME SOLVANE_LOCK_WAIT=1 " + std::string(SOLVANE_CLI_PATH) +
                                          " --home '" + home().string() + "' settings set After kill 1",
                                      *dir_ / "err.txt");
        EXPECT_EQ(next.status, 0);
        EXPECT_EQ(next.err, "");
    }
}

TEST_F(TwoProcesses, AWriterSaysItWaitsAndWithoutTheLockChangesNothing)
{
    const std::string before = readFile(home() / "solvane.ini").value_or("");
    const std::string cmd = "env -u SOLVANE_HOME SOLVANE_LOCK_WAIT=1 " + std::string(SOLVANE_CLI_PATH) + " --home '" +
                            home().string() + "' settings set Mine k v";
    {
        LockedElsewhere other(home() / std::string(kWriterLockName));
        ASSERT_TRUE(other.held());
        const Outcome refused = runShell(cmd, *dir_ / "err.txt");
        EXPECT_EQ(refused.status, 1);
        EXPECT_EQ(refused.err, std::string(kLockWaitMessage) +
                                   "\n他の処理がデータを更新しているため、変更できませんでした（1秒待ちました）。"
                                   "しばらくしてからやり直してください。\n");
        EXPECT_EQ(readFile(home() / "solvane.ini").value_or(""), before);
    }
    // Let go while the writer waits (once it has said so): it goes on.
    auto other = std::make_unique<LockedElsewhere>(home() / std::string(kWriterLockName));
    const fs::path waitErr = *dir_ / "wait-err.txt";
    fs::remove(waitErr);
    std::thread releaser([&] {
        const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (readFile(waitErr).value_or("").find(kLockWaitMessage) == std::string::npos &&
               std::chrono::steady_clock::now() < giveUp)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        other->release();
    });
    const Outcome waited = runShell("env -u SOLVANE_HOME " + std::string(SOLVANE_CLI_PATH) + " --home '" +
                                        home().string() + "' settings set Mine k v",
                                    waitErr);
    releaser.join();
    EXPECT_EQ(waited.status, 0);
    EXPECT_EQ(waited.err, std::string(kLockWaitMessage) + "\n");
    EXPECT_EQ(setting("Mine", "k"), "v\n");
}

// The day's results fetched, then an import from an earlier start delivers the day's race card again
// (runners of data kind 2, made the day before): the finishing order stays.
TEST_F(TwoProcesses, AnEarlierReimportAfterTheResultsKeepsThem)
{
    const auto finishing = [&] {
        const Outcome card =
            runShell("env -u SOLVANE_HOME SOLVANE_FEED='" + feed().string() + "' " + SOLVANE_CLI_PATH + " --home '" +
                     home().string() + "' --now '2024-01-06 17:00:00' card " + kDayArg + " 0");
        std::vector<std::string> placed;
        for (const std::string& line : splitLines(card.out)) {
            const std::vector<std::string> cells = splitString(line, '\t');
            if (cells.size() > 3)
                placed.push_back(cells[cells.size() - 3]);
        }
        return placed;
    };
    EXPECT_EQ(run(home(), {"--now", "2024-01-06 17:00:00", "fetch", "results", kDayArg, "0"}), 0);
    const std::vector<std::string> afterResults = finishing();
    ASSERT_GT(afterResults.size(), 10u);
    EXPECT_EQ(afterResults[0], "着");
    EXPECT_NE(std::count(afterResults.begin(), afterResults.end(), " 1"), 0) << "the race has a winner";

    std::error_code ec;
    fs::remove(feed() / ".downloaded", ec); // served again: the day's card from the day before
    EXPECT_EQ(run(home(), {"--now", "2024-01-06 17:00:00", "import", "--from", "20231220000000"}), 0);
    EXPECT_EQ(finishing(), afterResults);
}

} // namespace
} // namespace solvane::test
