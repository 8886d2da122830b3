// The export as the window calls it: progress after each day, a cancel that keeps the days written
// before it, and the loader's notes on a damaged store file passed on while the rest is written.
#include "export/SqlRead.h"
#include "export/SqliteExport.h"
#include "export/StoredDays.h"
#include "util/Text.h"

#include <gtest/gtest.h>

namespace solvane::test {
namespace {

class ExportCore : public ::testing::Test {
protected:
    // Three days run: Saturday, Sunday and the holiday Monday.
    static void SetUpTestSuite() { season_ = StoredDays(DateTime{2024, 1, 6}, DateTime{2024, 1, 8}, 9).release(); }
    static void TearDownTestSuite() { delete season_; }

    static SqliteExportOptions options(const std::string& name)
    {
        SqliteExportOptions o;
        o.file = season_->dir / name;
        o.load.appFolder = season_->home;
        return o;
    }

    static GeneratedSeason* season_;
};

GeneratedSeason* ExportCore::season_ = nullptr;

TEST_F(ExportCore, ACancelKeepsTheDaysWrittenBeforeIt)
{
    ASSERT_EQ(season_->error, "");
    ASSERT_TRUE(SqliteExportAvailable());
    std::vector<std::string> progress;
    SqliteExportOptions allOptions = options("all.db");
    allOptions.odds = true;
    const SqliteExportResult all = ExportToSqlite(allOptions, [&](const SqliteExportProgress& p) {
        progress.push_back(std::to_string(p.daysDone) + "/" + std::to_string(p.daysTotal) + " " + p.dayKey + " " +
                           std::to_string(p.counts.days));
    });
    ASSERT_EQ(all.outcome, SqliteExportOutcome::Written) << all.message;
    EXPECT_EQ(progress,
              (std::vector<std::string>{"1/3 2024年01月06日 1", "2/3 2024年01月07日 2", "3/3 2024年01月08日 3"}));

    // Cancelled while the Sunday is written (from the progress of the Saturday on, as a window's button
    // would be pressed): the Saturday stays whole, nothing of the Sunday is there.
    std::atomic<bool> cancel{false};
    SqliteExportOptions withOdds = options("cancelled.db");
    withOdds.odds = true;
    const SqliteExportResult cancelled = ExportToSqlite(
        withOdds, [&](const SqliteExportProgress&) { cancel = true; }, &cancel);
    EXPECT_EQ(cancelled.outcome, SqliteExportOutcome::Cancelled);
    EXPECT_EQ(cancelled.message, kSqliteCancelled);
    EXPECT_EQ(cancelled.counts.days, 1);
    EXPECT_GT(cancelled.counts.odds, 10000);
    SqlFile db(withOdds.file);
    EXPECT_EQ(db.rows("SELECT DISTINCT date FROM races"), (std::vector<SqlRow>{{"2024-01-06"}}));
    EXPECT_EQ(db.value("SELECT count(*) FROM odds"), std::to_string(cancelled.counts.odds));
    SqlFile first(season_->dir / "all.db");
    EXPECT_EQ(db.value("SELECT count(*) FROM runners"), std::to_string(cancelled.counts.runners));
    EXPECT_EQ(DayDump(first, "2024-01-06"), DayDump(db, "2024-01-06"));
    EXPECT_EQ(db.error(), "");
}

TEST_F(ExportCore, LinesTheLoaderSkipsAreToldAndTheRestIsWritten)
{
    // The Sunday's payout file with its first record cut short, as a hand edit or a torn copy leaves it.
    const auto hr = season_->home / "Data" / pathFromUtf8("2024年01月07日.jvHR");
    const std::string bytes = readFile(hr).value_or("");
    ASSERT_GT(bytes.size(), 1000u);
    ASSERT_TRUE(writeFileAtomic(hr, bytes.substr(0, 100) + bytes.substr(bytes.find('\n'))));
    const SqliteExportResult r = ExportToSqlite(options("cut.db"));
    ASSERT_TRUE(writeFileAtomic(hr, bytes));

    EXPECT_EQ(r.outcome, SqliteExportOutcome::Written) << r.message;
    EXPECT_EQ(r.counts.days, 3);
    ASSERT_EQ(r.notes.size(), 1u);
    EXPECT_NE(r.notes[0].find("2024年01月07日.jvHR"), std::string::npos) << r.notes[0];
    // That race has no payouts; every other race of the day has its own.
    SqlFile db(season_->dir / "cut.db");
    EXPECT_EQ(db.value("SELECT count(*) FROM races WHERE date = '2024-01-07' AND race_key NOT IN "
                       "(SELECT race_key FROM payouts)"),
              "1");
    EXPECT_EQ(db.value("SELECT count(*) FROM races WHERE date <> '2024-01-07' AND race_key NOT IN "
                       "(SELECT race_key FROM payouts)"),
              "0");
}

} // namespace
} // namespace solvane::test
