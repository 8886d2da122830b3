// An export killed (SIGKILL) at random moments leaves the database holding whole days only, each equal
// to that day of an uninterrupted export, and the next run completes it.
#include "export/SqlRead.h"
#include "export/StoredDays.h"
#include "hardening/HardeningSupport.h"

#include <chrono>
#include <gtest/gtest.h>
#include <random>
#include <thread>

namespace solvane::test {
namespace {

using Steady = std::chrono::steady_clock;

// A day's rows in a few sums: a day cut short by a kill has fewer rows or other sums (cheaper to take
// after every kill than the whole rows).
std::string DaySums(SqlFile& db, const std::string& date)
{
    const std::string ofDay = " WHERE race_key IN (SELECT race_key FROM races WHERE date = ?1)";
    std::string text;
    for (const std::string& sql : std::vector<std::string>{
             "SELECT count(*), group_concat(race_key) FROM races WHERE date = ?1",
             "SELECT count(*), total(horse_no), total(placing), total(win_odds) FROM runners" + ofDay,
             "SELECT count(*), total(payout), total(popularity) FROM payouts" + ofDay,
             "SELECT count(*), total(odds), total(odds_high), total(popularity) FROM odds" + ofDay})
        for (const SqlRow& row : db.rows(sql, {date}))
            for (const SqlValue& v : row)
                text += (v ? *v : "NULL") + "|";
    return text;
}

// What is wrong with the file as a killed export left it, measured against the clean export's days
// (their sums, or with whole set their rows).
std::string problemsOf(const fs::path& file, const std::map<std::string, std::string>& clean, int& days,
                       bool whole = false)
{
    if (!fs::exists(file))
        return {};
    SqlFile db(file);
    days = 0;
    // Killed before its first commit: a database without tables, which the next run takes as new.
    if (db.value("SELECT count(*) FROM sqlite_master WHERE name = 'races'") == "0")
        return db.value("SELECT count(*) FROM sqlite_master") == "0" ? db.error() : "tables without races\n";
    std::string problems;
    if (const std::string check = db.value("PRAGMA integrity_check"); check != "ok")
        problems += "integrity check: " + check + "\n";
    for (const char* table : {"runners", "payouts", "odds"})
        if (db.value(std::string("SELECT count(*) FROM ") + table +
                     " WHERE race_key NOT IN (SELECT race_key FROM races)") != "0")
            problems += std::string(table) + ": rows of a race that is not there\n";
    for (const SqlRow& row : db.rows("SELECT DISTINCT date FROM races")) {
        ++days;
        const auto it = clean.find(*row[0]);
        if (it == clean.end() || (whole ? DayDump(db, *row[0]) : DaySums(db, *row[0])) != it->second)
            problems += *row[0] + ": not the whole day\n";
    }
    return problems + db.error();
}

class ExportKills : public ::testing::Test {
protected:
    // Five race days (two weekends and the holiday Monday), stored once for both tests.
    static void SetUpTestSuite() { season_ = StoredDays(DateTime{2024, 1, 6}, DateTime{2024, 1, 14}, 13).release(); }
    static void TearDownTestSuite() { delete season_; }

    // Exports cleanly, then kills exports into another file at random moments, checking the file after
    // every kill, and lets a last run finish it.
    static void killAndComplete(const std::string& name, bool odds)
    {
        ASSERT_EQ(season_->error, "");
        auto exportArgs = [&](const fs::path& file) {
            std::vector<std::string> args{SOLVANE_CLI_PATH, "--home",   season_->home.string(),
                                          "export",         "--sqlite", file.string()};
            if (odds)
                args.push_back("--odds");
            return args;
        };
        const fs::path cleanFile = season_->dir / (name + "-clean.db");
        const auto start = Steady::now();
        ASSERT_EQ(waitChild(spawnProgram(exportArgs(cleanFile), {})), 0);
        const auto cleanTime = Steady::now() - start;
        std::map<std::string, std::string> cleanSums, cleanRows;
        {
            SqlFile db(cleanFile);
            for (const SqlRow& row : db.rows("SELECT DISTINCT date FROM races")) {
                cleanSums[*row[0]] = DaySums(db, *row[0]);
                cleanRows[*row[0]] = DayDump(db, *row[0]);
            }
        }
        ASSERT_EQ(cleanRows.size(), 5u);

        const fs::path file = season_->dir / (name + ".db");
        std::mt19937 rng(20240114);
        // Kills spread over the time the clean export took.
        const long long clean = std::chrono::duration_cast<std::chrono::microseconds>(cleanTime).count();
        std::uniform_int_distribution<long long> delay(clean / 20, clean * 19 / 20);
        int killedMidway = 0, withSomeDays = 0;
        // A day without odds is written in a few milliseconds: more attempts may be needed before a kill
        // of a new file lands between its first and its last day.
        for (int attempt = 0; attempt < 40 && (killedMidway < 5 || withSomeDays < 1); ++attempt) {
            const long long wait = delay(rng);
            SCOPED_TRACE("attempt " + std::to_string(attempt) + ", kill after " + std::to_string(wait / 1000) + " ms");
            // Every other run starts on a new file, the others on what the killed runs left: there each day
            // is replaced, in its own transaction too.
            const bool fresh = attempt % 2 == 0;
            if (fresh)
                for (const char* suffix : {"", "-wal", "-shm", "-journal"})
                    fs::remove(file.string() + suffix);
            const pid_t pid = spawnProgram(exportArgs(file), {});
            ASSERT_GT(pid, 0);
            std::this_thread::sleep_for(std::chrono::microseconds(wait));
            ::kill(pid, SIGKILL);
            killedMidway += waitChild(pid) == -SIGKILL;
            int days = 0;
            EXPECT_EQ(problemsOf(file, cleanSums, days), "");
            withSomeDays += fresh && days > 0 && days < 5;
        }
        EXPECT_GE(killedMidway, 3) << "kills should land inside the export";
        EXPECT_GE(withSomeDays, 1) << "some kills of a new file should land between its first and last day";

        ASSERT_EQ(waitChild(spawnProgram(exportArgs(file), {})), 0);
        int days = 0;
        EXPECT_EQ(problemsOf(file, cleanRows, days, true), "");
        EXPECT_EQ(days, 5);
        EXPECT_FALSE(fs::exists(file.string() + "-wal")) << "a finished export leaves one file";
        EXPECT_FALSE(fs::exists(file.string() + "-journal")) << "a finished export leaves one file";
    }

    static GeneratedSeason* season_;
};

GeneratedSeason* ExportKills::season_ = nullptr;

// Large days, each written once under the rollback journal.
TEST_F(ExportKills, WithOddsTheFileHoldsWholeDaysAfterEveryKill)
{
    killAndComplete("odds", true);
}

// Small days committed through the write-ahead log.
TEST_F(ExportKills, WithoutOddsTheFileHoldsWholeDaysAfterEveryKill)
{
    killAndComplete("plain", false);
}

} // namespace
} // namespace solvane::test
