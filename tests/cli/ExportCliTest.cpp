// solvane-cli export on a long weekend the feed generator wrote and the import stored (two days run, the
// holiday Monday still to come): every value in the database is checked against what races, card,
// results and odds print for the same races; a day exported again replaces its rows and only them; a bad
// FILE is refused with a message and left as it was.
#include "export/SqlRead.h"
#include "support/RunShell.h"
#include "support/TempDir.h"
#include "support/Tsv.h"
#include "util/Files.h"
#include "util/Text.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <map>
#include <unistd.h>

using namespace solvane;
using test::cellsOf;
using test::Outcome;
using test::runShell;
using test::SqlFile;
using test::SqlRow;
using test::SqlValue;

namespace {

// A cell without its blanks, half- and full-width: the padding of the grid is not part of the value.
std::string bare(std::string_view cell)
{
    std::string out;
    for (std::size_t i = 0; i < cell.size(); ++i) {
        if (cell.substr(i, 3) == "\u3000") {
            i += 2;
            continue;
        }
        if (cell[i] != ' ')
            out += cell[i];
    }
    return out;
}

// What a grid cell says as a database value: an empty cell is NULL.
SqlValue cellValue(std::string_view cell)
{
    const std::string b = bare(cell);
    return b.empty() ? std::nullopt : SqlValue(b);
}

// A number cell of the odds and results pages, where 0 stands for "none".
SqlValue rankValue(std::string_view cell)
{
    const std::string b = bare(cell);
    return b.empty() || b == "0" ? std::nullopt : SqlValue(b);
}

// A number as the pages print odds and weights ("%.1f"); a text that is no number stays as it is.
SqlValue tenths(const SqlValue& v)
{
    if (!v)
        return v;
    char* end = nullptr;
    const double d = std::strtod(v->c_str(), &end);
    return end && *end == '\0' && end != v->c_str() ? SqlValue(strprintf("%.1f", d)) : v;
}

// A price of the odds pages; 0 for a cell that shows none (blank, or a negative code).
double price(const std::string& cell)
{
    char* end = nullptr;
    const double v = std::strtod(cell.c_str(), &end);
    return end != cell.c_str() && v > 0 ? v : 0;
}

std::string show(const SqlValue& v)
{
    return v ? *v : "NULL";
}

class ExportCli : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        dir_ = new test::TempDir;
        const std::string feed = (*dir_ / "feed").string();
        // Saturday and Sunday run; the holiday Monday has its cards only (no results, no odds).
        const Outcome gen = runShell(std::string(SOLVANE_FEEDGEN_PATH) + " --out '" + feed +
                                         "' --from 2024-01-06 --to 2024-01-08 --today 2024-01-08 --now 07:00 --seed 21"
                                         " --no-siblings --rt-days 0 >/dev/null",
                                     *dir_ / "gen.err");
        ASSERT_EQ(gen.status, 0) << gen.err;
        ASSERT_TRUE(writeFileAtomic(*dir_ / "feed" / "faults.ini", "[Download]\ntime=0\n"));
        const Outcome import = runShell("env -u SOLVANE_HOME SOLVANE_FEED='" + feed + "' " + SOLVANE_CLI_PATH +
                                            " --home '" + home() + "' import --from 20240101000000",
                                        *dir_ / "import.err");
        ASSERT_EQ(import.status, 0) << import.err;
        const Outcome full = cli("export --sqlite '" + (*dir_ / "full.db").string() + "' --odds");
        ASSERT_EQ(full.status, 0) << full.err;
        fullOut_ = new std::string(full.out);
        fullErr_ = new std::string(full.err);
    }
    static void TearDownTestSuite()
    {
        delete fullOut_;
        delete fullErr_;
        delete dir_;
    }

    static std::string home() { return (*dir_ / "home").string(); }
    static std::filesystem::path full() { return *dir_ / "full.db"; }
    static Outcome cli(const std::string& arguments)
    {
        return runShell(std::string("env -u SOLVANE_HOME -u SOLVANE_FEED ") + SOLVANE_CLI_PATH + " --home '" + home() +
                            "' --now '2024-01-20 12:00:00' " + arguments,
                        *dir_ / "cli.err");
    }
    static std::vector<std::string> days() { return splitLines(cli("days").out); }

    static test::TempDir* dir_;
    static std::string* fullOut_;
    static std::string* fullErr_;
};

test::TempDir* ExportCli::dir_ = nullptr;
std::string* ExportCli::fullOut_ = nullptr;
std::string* ExportCli::fullErr_ = nullptr;

TEST_F(ExportCli, ProgressAndTheLastLineCountTheRows)
{
    ASSERT_TRUE(fullOut_ && fullErr_) << "the weekend was not exported";
    EXPECT_EQ(*fullErr_, "1/3日 2024年01月06日\n2/3日 2024年01月07日\n3/3日 2024年01月08日\n");
    SqlFile db(full());
    const std::string summary = "レース " + db.value("SELECT count(*) FROM races") + "件、出走馬 " +
                                db.value("SELECT count(*) FROM runners") + "件、払戻 " +
                                db.value("SELECT count(*) FROM payouts") + "件、オッズ " +
                                db.value("SELECT count(*) FROM odds") + "件を書き出しました。\n";
    EXPECT_EQ(*fullOut_, summary);
    EXPECT_EQ(
        db.rows("SELECT key, value FROM meta ORDER BY key"),
        (std::vector<SqlRow>{{"program", "Solvane"}, {"program_version", SOLVANE_VERSION}, {"schema_version", "1"}}));
    EXPECT_EQ(db.value("PRAGMA journal_mode"), "delete") << "the file is left an ordinary one";
    EXPECT_EQ(db.error(), "");
}

TEST_F(ExportCli, EveryRaceMatchesTheRaceListTheCardAndTheResults)
{
    SqlFile db(full());
    int races = 0, runners = 0, scratched = 0, unplaced = 0, payouts = 0;
    for (const std::string& day : days()) {
        SCOPED_TRACE(day);
        const std::string date = day.substr(0, 4) + "-" + day.substr(7, 2) + "-" + day.substr(12, 2);
        const auto list = cellsOf(cli("races " + day).out);
        const auto stored = db.rows("SELECT race_key, venue, race_no, post_time, name, grade, surface, distance, "
                                    "runners, weather, going, venue_code FROM races WHERE date = ?1 ORDER BY race_key",
                                    {date});
        ASSERT_EQ(stored.size() + 1, list.size());
        for (std::size_t i = 0; i < stored.size(); ++i) {
            const SqlRow& r = stored[i];
            const std::string slot = list[i + 1][0];
            SCOPED_TRACE("slot " + slot);
            ++races;
            // The race list: "中山 1R" and "0950".
            EXPECT_EQ(list[i + 1][1], *r[1] + strprintf("%2d", std::stoi(*r[2])) + "R");
            EXPECT_EQ(*r[3], list[i + 1][2].substr(0, 2) + ":" + list[i + 1][2].substr(2));
            EXPECT_EQ(r[0]->substr(0, 8), day.substr(0, 4) + day.substr(7, 2) + day.substr(12, 2));
            EXPECT_EQ(r[0]->substr(8, 2), *r[11]);

            // The card's header lines, then its grid.
            const Outcome card = cli("card " + day + " " + slot);
            ASSERT_EQ(card.status, 0) << card.err;
            const auto lines = splitLines(card.out);
            ASSERT_GE(lines.size(), 4u);
            EXPECT_EQ(cellValue(lines[1]), r[4] ? SqlValue(bare(*r[4])) : std::nullopt) << lines[1];
            EXPECT_TRUE(startsWith(lines[2], strprintf("%2d頭 %4dﾒｰﾄﾙ ", std::stoi(*r[8]), std::stoi(*r[7]))))
                << lines[2];
            EXPECT_EQ(lines[2].find(show(r[5])) != std::string::npos, r[5].has_value()) << lines[2];
            ASSERT_TRUE(r[6]) << "every generated race has a surface";
            // Weather and going are announced on the day: the holiday's cards have none yet.
            EXPECT_EQ(r[9].has_value(), date != "2024-01-08");
            if (r[9]) {
                EXPECT_NE(lines[0].find(*r[9] + "\u3000"), std::string::npos) << lines[0];
            }
            if (r[10]) {
                EXPECT_NE(lines[0].find((*r[6] == "ダート" ? "ダ:" : "芝:") + *r[10]), std::string::npos) << lines[0];
            }
            const std::string courseWord = *r[6] == "ダート" ? "ﾀﾞｰﾄ" : *r[6] == "障害" ? "障害" : "芝";
            EXPECT_NE(lines[2].find(courseWord), std::string::npos) << lines[2];

            const auto horses = db.rows("SELECT horse_no, bracket, horse_name, sex_age, jockey, weight, trainer, "
                                        "placing, win_popularity, win_odds FROM runners WHERE race_key = ?1 "
                                        "ORDER BY horse_no",
                                        {*r[0]});
            std::vector<std::vector<std::string>> grid;
            for (std::size_t l = 3; l < lines.size(); ++l)
                grid.push_back(splitString(lines[l], '\t'));
            ASSERT_EQ(horses.size() + 1, grid.size());
            for (std::size_t h = 0; h < horses.size(); ++h) {
                const auto& cells = grid[h + 1];
                const SqlRow& u = horses[h];
                SCOPED_TRACE("horse " + cells[1]);
                ++runners;
                const SqlRow fromCard{cellValue(cells[1]), cellValue(cells[0]),  cellValue(cells[2]),
                                      cellValue(cells[3]), cellValue(cells[4]),  tenths(cellValue(cells[5])),
                                      cellValue(cells[6]), cellValue(cells[28]), cellValue(cells[29]),
                                      cellValue(cells[30])};
                const SqlRow fromDb{u[0], u[1], u[2], u[3], u[4], tenths(u[5]), u[6], u[7], u[8], tenths(u[9])};
                EXPECT_EQ(fromDb, fromCard);
                scratched += u[7] == std::nullopt && u[9] == std::nullopt && date != "2024-01-08";
                unplaced += u[7] == std::nullopt;
            }

            // The results page: every row naming a horse or combination, in its order.
            const auto page = cellsOf(cli("results " + day + " " + slot).out);
            std::vector<SqlRow> shown;
            const std::map<std::string, std::string> names{
                {"ﾜｲﾄﾞ", "ワイド"}, {"三連複", "３連複"}, {"三連単", "３連単"}};
            for (std::size_t p = 1; p < page.size(); ++p) {
                if (bare(page[p][1]).empty())
                    continue;
                const auto renamed = names.find(page[p][0]);
                shown.push_back({renamed == names.end() ? page[p][0] : renamed->second, bare(page[p][1]),
                                 bare(page[p][3]), rankValue(page[p][2])});
            }
            const auto paid = db.rows(
                "SELECT bet_type, combination, payout, popularity FROM payouts WHERE race_key = ?1 ORDER BY rowid",
                {*r[0]});
            EXPECT_EQ(paid, shown);
            payouts += static_cast<int>(paid.size());
        }
    }
    EXPECT_EQ(db.error(), "");
    EXPECT_EQ(races, std::stoi(db.value("SELECT count(*) FROM races")));
    EXPECT_EQ(runners, std::stoi(db.value("SELECT count(*) FROM runners")));
    EXPECT_EQ(payouts, std::stoi(db.value("SELECT count(*) FROM payouts")));
    // The weekend shows the cases where NULL stands for "the store has nothing": a scratched runner
    // on a day run, and the holiday's runners before their race.
    EXPECT_GT(scratched, 0);
    EXPECT_GT(unplaced, 100);
}

TEST_F(ExportCli, OddsMatchTheOddsTablesOfEveryBetType)
{
    SqlFile db(full());
    // The first race of each day run, and one with a scratched runner (its combinations are not sold).
    std::vector<std::pair<std::string, std::string>> races{{"20240106", "0"}, {"20240107", "0"}};
    const std::string scratchedKey = db.value(
        "SELECT race_key FROM runners JOIN races USING (race_key) WHERE win_odds IS NULL AND date < '2024-01-08'");
    ASSERT_FALSE(scratchedKey.empty());
    races.push_back({scratchedKey.substr(0, 8), scratchedKey.substr(8, 2) + "-" + scratchedKey.substr(14, 2)});
    for (const auto& [day, race] : races) {
        SCOPED_TRACE(day + " " + race);
        const std::string key =
            db.value("SELECT race_key FROM races WHERE substr(race_key, 1, 8) = ?1 ORDER BY race_key", {day});
        const std::string raceKey = race == "0" ? key : scratchedKey;
        for (const char* type : {"単勝", "複勝", "枠連", "馬連", "ワイド", "馬単", "３連複", "３連単"}) {
            SCOPED_TRACE(type);
            const Outcome run = cli("odds " + day + " " + race + " --list --type " + type);
            ASSERT_EQ(run.status, 0) << run.err;
            const auto table = cellsOf(run.out);
            const bool place = std::string(type) == "複勝";
            std::vector<SqlRow> shown;
            for (std::size_t k = 1; k < table.size(); ++k) {
                if (price(table[k][1]) <= 0)
                    continue; // not sold, cancelled or without odds: left out
                const SqlValue high = place && price(table[k][2]) > 0 ? SqlValue(table[k][2]) : std::nullopt;
                shown.push_back({bare(table[k][0]), table[k][1], high, rankValue(table[k][place ? 3 : 2])});
            }
            const auto stored = db.rows("SELECT combination, odds, odds_high, popularity FROM odds "
                                        "WHERE race_key = ?1 AND bet_type = ?2 ORDER BY rowid",
                                        {raceKey, type});
            std::vector<SqlRow> got;
            for (const SqlRow& o : stored) {
                got.push_back({o[0], tenths(o[1]), place ? tenths(o[2]) : std::nullopt, o[3]});
                // The odds pages show the lower end of a wide range; the upper end is never below it.
                if (std::string(type) == "ワイド") {
                    EXPECT_GE(price(show(o[2])), price(*o[1]));
                }
            }
            EXPECT_EQ(got, shown);
            if (std::string(type) == "３連単") {
                EXPECT_GT(got.size(), 100u);
            }
        }
    }
    EXPECT_EQ(db.value("SELECT count(*) FROM odds JOIN races USING (race_key) WHERE date = '2024-01-08'"), "0");
    EXPECT_EQ(db.error(), "");
}

TEST_F(ExportCli, ADayExportedAgainReplacesItsRowsAndKeepsTheRest)
{
    const std::filesystem::path file = *dir_ / "again.db";
    const std::string sqlite = "export --sqlite '" + file.string() + "'";
    ASSERT_EQ(cli(sqlite + " --to 20240106 --odds").status, 0);
    ASSERT_EQ(cli(sqlite + " --from 2024年01月07日 --odds").status, 0);
    SqlFile full(ExportCli::full());
    {
        SqlFile db(file);
        for (const char* date : {"2024-01-06", "2024-01-07", "2024-01-08"})
            EXPECT_EQ(test::DayDump(db, date), test::DayDump(full, date)) << date << ": the two periods make the whole";
        // A stray row of each day, then the Saturday exported again without odds.
        ASSERT_TRUE(db.exec("INSERT INTO runners (race_key, horse_no) VALUES ('2024010606010101', 99), "
                            "('2024010706010101', 99); INSERT INTO odds (race_key, bet_type) VALUES "
                            "('2024010606010101', 'x'); CREATE VIEW favourites AS SELECT * FROM runners "
                            "WHERE win_popularity = 1"))
            << db.error();
    }
    const Outcome again = cli(sqlite + " --from 20240106 --to 20240106");
    ASSERT_EQ(again.status, 0) << again.err;
    EXPECT_EQ(again.err, "1/1日 2024年01月06日\n");
    SqlFile db(file);
    EXPECT_EQ(db.value("SELECT count(*) FROM runners WHERE horse_no = 99"), "1");
    EXPECT_EQ(db.value("SELECT race_key FROM runners WHERE horse_no = 99"), "2024010706010101");
    // Without --odds the odds table is not touched: the stray odds row stays with the day's odds.
    EXPECT_EQ(db.value("SELECT count(*) FROM odds WHERE bet_type = 'x'"), "1");
    EXPECT_EQ(db.value("SELECT count(*) FROM favourites"),
              full.value("SELECT count(*) FROM runners WHERE win_popularity = 1"));
    ASSERT_TRUE(db.exec("DELETE FROM runners WHERE horse_no = 99; DELETE FROM odds WHERE bet_type = 'x'"));
    for (const char* date : {"2024-01-06", "2024-01-07", "2024-01-08"})
        EXPECT_EQ(test::DayDump(db, date), test::DayDump(full, date)) << date;
    EXPECT_EQ(db.error(), "");
}

TEST_F(ExportCli, BadFilesAndWordsAreRefusedAndNothingChanges)
{
    const test::TempDir places;
    std::filesystem::create_directories(places / "folder");
    ASSERT_TRUE(writeFileAtomic(places / "notes.txt", "馬券メモ\n"));
    {
        SqlFile other(places / "other.db");
        ASSERT_TRUE(other.exec("CREATE TABLE horses(name TEXT); INSERT INTO horses VALUES ('ニシノ')"));
        SqlFile newer(places / "newer.db");
        ASSERT_TRUE(newer.exec("CREATE TABLE meta(key TEXT PRIMARY KEY, value TEXT); INSERT INTO meta VALUES "
                               "('program', 'Solvane'), ('schema_version', '2')"));
    }
    struct Case {
        std::string arguments;
        int status;
        std::string message; // part of the error output
    };
    const std::string at = places.path().string() + "/";
    std::vector<Case> cases{
        {"--sqlite '" + at + "folder'", 1, "書き出し先はフォルダです"},
        {"--sqlite '" + at + "missing/x.db'", 1,
         "書き出し先に書き込めません：" + at + "missing/x.db（フォルダがありません）"},
        {"--sqlite '" + at + "notes.txt/x.db'", 1, "フォルダがありません"},
        {"--sqlite '" + at + "notes.txt'", 1, "書き出し先はSQLiteのデータベースではありません：" + at + "notes.txt"},
        {"--sqlite '" + at + "other.db' --odds", 1, "書き出し先は別のプログラムのデータベースです（表 horses）"},
        {"--sqlite '" + at + "newer.db'", 1, "この版より新しい形式"},
        {"--sqlite '" + at + "new.db' --from 20240106 --to 20240105", 2, "--from の日付が --to の日付より後です。"},
        {"--sqlite '" + at + "new.db' --from 2024-01-06", 2, "日付は 20240106 のように"},
        {"--sqlite '" + at + "new.db' --from 20230101 --to 20231231", 1, "期間に保存された開催日がありません。"},
        {"--from 20240106", 2, "使い方: solvane-cli export"},
        {"--sqlite", 2, "使い方: solvane-cli export"},
    };
    if (::geteuid() != 0) {
        // Root writes anywhere, so a read-only file only stops another user.
        std::filesystem::copy_file(full(), places / "readonly.db");
        std::filesystem::permissions(places / "readonly.db", std::filesystem::perms::owner_read);
        cases.push_back({"--sqlite '" + at + "readonly.db'", 1, "書き出し先に書き込めません"});
    }
    auto snapshot = [&] {
        std::map<std::string, std::string> files;
        for (const auto& e : std::filesystem::recursive_directory_iterator(places.path()))
            files[e.path().string()] = e.is_regular_file() ? readFile(e.path()).value_or("?") : "folder";
        return files;
    };
    const auto before = snapshot();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments);
        const Outcome run = cli("export " + c.arguments);
        EXPECT_EQ(run.status, c.status);
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
        EXPECT_EQ(run.out, "");
        EXPECT_TRUE(snapshot() == before) << "a file was changed, added or removed";
    }
}

} // namespace
