// Runs the real solvane-cli on a weekend the feed generator wrote and the import stored, and reads the
// stored days back through the race list, odds and results commands.
#include "support/RunShell.h"
#include "support/TempDir.h"
#include "support/Tsv.h"
#include "util/Files.h"
#include "util/Text.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <gtest/gtest.h>

#include <map>

using namespace solvane;
using test::cellsOf;
using test::Outcome;
using test::runShell;

namespace {

class CliRaceDay : public ::testing::Test {
protected:
    // One generated and imported weekend for every test: the import is what is slow.
    static void SetUpTestSuite()
    {
        dir_ = new test::TempDir;
        const std::string feed = (*dir_ / "feed").string();
        const Outcome gen =
            runShell(std::string(SOLVANE_FEEDGEN_PATH) + " --out '" + feed +
                         "' --from 2024-01-06 --to 2024-01-07 --seed 3 --no-siblings --rt-days 0 >/dev/null",
                     *dir_ / "gen.err");
        ASSERT_EQ(gen.status, 0) << gen.err;
        // No simulated download wait.
        ASSERT_TRUE(writeFileAtomic(*dir_ / "feed" / "faults.ini", "[Download]\ntime=0\n"));
        const Outcome import = runShell("env -u SOLVANE_HOME SOLVANE_FEED='" + feed + "' " + SOLVANE_CLI_PATH +
                                            " --home '" + (*dir_ / "home").string() + "' import --from 20240101000000",
                                        *dir_ / "import.err");
        ASSERT_EQ(import.status, 0) << import.err;
    }
    static void TearDownTestSuite()
    {
        delete dir_;
        dir_ = nullptr;
    }

    static Outcome cli(const std::string& arguments)
    {
        return runShell(std::string("env -u SOLVANE_HOME -u SOLVANE_FEED ") + SOLVANE_CLI_PATH + " --home '" +
                            (*dir_ / "home").string() + "' " + arguments,
                        *dir_ / "cli.err");
    }

    static test::TempDir* dir_;
};

test::TempDir* CliRaceDay::dir_ = nullptr;

TEST_F(CliRaceDay, DaysAndRaceList)
{
    EXPECT_EQ(cli("days").out, "2024年01月07日\n2024年01月06日\n");

    const Outcome races = cli("races 20240106");
    ASSERT_EQ(races.status, 0) << races.err;
    EXPECT_EQ(cli("races 2024年01月06日").out, races.out);
    const auto rows = cellsOf(races.out);
    ASSERT_FALSE(rows.empty());
    EXPECT_EQ(rows[0], (std::vector<std::string>{"slot", "レース", "発走"}));
    EXPECT_GE(rows.size(), 25u);
    EXPECT_LE(rows.size(), 37u);
    for (std::size_t i = 1; i < rows.size(); ++i) {
        ASSERT_EQ(rows[i].size(), 3u) << i;
        EXPECT_EQ(toIntDef(rows[i][0], -1), static_cast<long long>(i - 1)) << "slots follow the race list";
        EXPECT_TRUE(endsWith(rows[i][1], "R")) << rows[i][1];
        EXPECT_EQ(rows[i][2].size(), 4u) << rows[i][2];
        EXPECT_GE(toIntDef(rows[i][2], -1), 900) << rows[i][2];
    }
    EXPECT_EQ(rows[1][1], "中山 1R");
}

TEST_F(CliRaceDay, WinOddsRankEveryPricedHorse)
{
    const Outcome win = cli("odds 20240106 中山1R --list");
    ASSERT_EQ(win.status, 0) << win.err;
    // The three ways of naming a race reach the same one.
    EXPECT_EQ(cli("odds 20240106 06-01 --type 単勝 --list").out, win.out);
    EXPECT_EQ(cli("odds 20240106 0 --list").out, win.out);

    const auto rows = cellsOf(win.out);
    ASSERT_GE(rows.size(), 6u);
    EXPECT_EQ(rows[0], (std::vector<std::string>{"馬番", "オッズ", "人気", "断層"}));
    std::vector<long long> ranks;
    for (std::size_t h = 1; h < rows.size(); ++h) {
        ASSERT_EQ(rows[h].size(), 4u);
        EXPECT_EQ(rows[h][0], std::to_string(h));
        const double odds = rows[h][1].empty() ? 0 : std::stod(rows[h][1]);
        const long long rank = toIntDef(rows[h][2], -1);
        // A priced horse has a rank; a cancelled one (-1.0) has none.
        EXPECT_EQ(odds > 0, rank > 0) << rows[h][1] << " " << rows[h][2];
        if (rank > 0)
            ranks.push_back(rank);
    }
    ASSERT_FALSE(ranks.empty());
    std::sort(ranks.begin(), ranks.end());
    EXPECT_EQ(ranks.front(), 1);
    EXPECT_LE(ranks.back(), static_cast<long long>(ranks.size()));
}

TEST_F(CliRaceDay, EveryBetTypeListsAllItsRows)
{
    const auto runners = static_cast<int>(cellsOf(cli("odds 20240106 中山1R --list").out).size()) - 1;
    struct Case {
        const char* type;
        int rows;
        std::vector<std::string> headings;
        const char* firstLabel; // nullptr where the first column is the horse number
    };
    const std::vector<std::string> combo{"組番", "オッズ", "人気"};
    const Case cases[] = {
        {"複勝", runners, {"馬番", "下限", "上限", "人気", "断層"}, nullptr},
        {"枠連", 36, combo, " 1- 1"},
        {"馬連", 153, combo, " 1- 2"},
        {"ワイド", 153, combo, " 1- 2"},
        {"馬単", 306, combo, " 1- 2"},
        {"３連複", 816, combo, " 1- 2- 3"},
        {"３連単", 4896, combo, " 1- 2- 3"},
    };
    for (const Case& c : cases) {
        const Outcome run = cli(std::string("odds 20240106 中山1R --list --type ") + c.type);
        ASSERT_EQ(run.status, 0) << c.type << run.err;
        const auto rows = cellsOf(run.out);
        ASSERT_EQ(static_cast<int>(rows.size()), c.rows + 1) << c.type;
        EXPECT_EQ(rows[0], c.headings) << c.type;
        EXPECT_EQ(rows[1][0], c.firstLabel ? std::string(c.firstLabel) : "1") << c.type;
        for (const auto& row : rows)
            ASSERT_EQ(row.size(), c.headings.size()) << c.type;
    }
}

// Without --list the command prints the window's odds page: the 馬連 matrix has a row and a column for
// every runner, and its cells are the listed odds of the pair.
TEST_F(CliRaceDay, OddsPrintTheOddsPageGrid)
{
    const auto listed = cellsOf(cli("odds 20240106 中山1R --list --type 馬連").out);
    std::map<std::string, std::string> oddsOf;
    for (std::size_t k = 1; k < listed.size(); ++k)
        oddsOf[listed[k][0]] = listed[k][1];
    const auto matrix = cellsOf(cli("odds 20240106 中山1R --type 馬連").out);
    const auto runners = cellsOf(cli("odds 20240106 中山1R --list").out).size() - 1;
    ASSERT_EQ(matrix.size(), runners + 1);
    ASSERT_GE(matrix[0].size(), runners + 2);
    EXPECT_EQ(matrix[0][0], "馬番");
    const std::size_t first = matrix[0].size() - runners; // the horse columns follow 馬番 and 馬名
    int compared = 0;
    for (std::size_t a = 1; a <= runners; ++a)
        for (std::size_t b = 1; b <= runners; ++b) {
            if (a == b)
                continue;
            const std::string label = strprintf("%2zu-%2zu", std::min(a, b), std::max(a, b));
            EXPECT_EQ(trim(matrix[a][first + b - 1]), oddsOf[label]) << label;
            ++compared;
        }
    EXPECT_GT(compared, 0);
}

// A race whose odds are not stored (before the sale, or an import without final odds): every odds, rank
// and ratio cell is blank, as on the card, never the program's inner marks for "absent" (-2.0, 0).
TEST_F(CliRaceDay, ARaceWithoutOddsShowsBlanks)
{
    test::TempDir copy;
    const std::filesystem::path home = copy / "home";
    std::filesystem::copy(*dir_ / "home", home, std::filesystem::copy_options::recursive);
    for (int type = 1; type <= 6; ++type)
        std::filesystem::remove(home / "Data" / pathFromUtf8("2024年01月07日.jvO" + std::to_string(type)));
    for (const char* type : {"単勝", "複勝", "枠連", "馬連", "ワイド", "馬単", "３連複", "３連単"}) {
        const Outcome run = runShell(std::string("env -u SOLVANE_HOME -u SOLVANE_FEED ") + SOLVANE_CLI_PATH +
                                         " --home '" + home.string() + "' odds 20240107 0 --list --type " + type,
                                     *dir_ / "cli.err");
        ASSERT_EQ(run.status, 0) << type << run.err;
        const auto rows = cellsOf(run.out);
        ASSERT_GT(rows.size(), 1u) << type;
        for (std::size_t r = 1; r < rows.size(); ++r)
            for (std::size_t c = 1; c < rows[r].size(); ++c)
                ASSERT_EQ(rows[r][c], "") << type << " row " << r << " column " << rows[0][c];
    }
}

TEST_F(CliRaceDay, ResultsPage)
{
    const Outcome results = cli("results 20240106 中山11R");
    ASSERT_EQ(results.status, 0) << results.err;
    EXPECT_EQ(cli("results 20240106 06-11").out, results.out);
    const auto rows = cellsOf(results.out);
    ASSERT_EQ(rows.size(), 37u);
    EXPECT_EQ(rows[0], (std::vector<std::string>{"券種", "結果", "人気", "配当"}));
    EXPECT_EQ(rows[1][0], "単勝");
    EXPECT_EQ(rows[36][0], "三連単");
}

TEST_F(CliRaceDay, CardShowsHeaderLinesAndTheGridWithMarksOnHorses)
{
    const Outcome plain = cli("card 20240106 中山1R");
    ASSERT_EQ(plain.status, 0) << plain.err;
    const auto lines = splitLines(plain.out);
    ASSERT_GT(lines.size(), 4u);
    const auto heading = splitString(lines[3], '\t');
    EXPECT_EQ(heading.size(), 31u);
    EXPECT_EQ(heading[1], "馬");
    const auto mark = std::find(heading.begin(), heading.end(), "◎") - heading.begin();
    ASSERT_LT(mark, 31);

    // Marks given as one quoted list or as separate words land on the same horse, whatever the sort.
    const Outcome quoted = cli("card 20240106 中山1R --marks '◎=2 ○=3'");
    const Outcome words = cli("card 20240106 中山1R --sort 12 --sort 12 --marks ◎=2 ○=3");
    ASSERT_EQ(quoted.status, 0) << quoted.err;
    ASSERT_EQ(words.status, 0) << words.err;
    for (const Outcome* run : {&quoted, &words}) {
        const auto rows = splitLines(run->out);
        int marked = 0;
        for (std::size_t r = 4; r < rows.size(); ++r) {
            const auto cells = splitString(rows[r], '\t');
            if (!trim(cells[static_cast<std::size_t>(mark)]).empty()) {
                ++marked;
                EXPECT_EQ(trim(cells[1]), "2");
            }
        }
        EXPECT_EQ(marked, 1);
    }
    EXPECT_EQ(splitLines(words.out).size(), lines.size());
}

TEST_F(CliRaceDay, MissingDaysAndBadWords)
{
    struct Case {
        const char* arguments;
        int status;
        const char* message; // part of the error output
    };
    const Case cases[] = {
        {"races 20240108", 1, "データ作成が未完了のようです。"},
        {"odds 2024年01月08日 中山1R", 1, "データ作成が未完了のようです。"},
        {"odds 20240106 35", 1, "ありません"},
        {"results 20240106 東京1R", 1, "ありません"},
        {"races 2024/01/06", 2, "開催日"},
        {"results 20241306 中山1R", 2, "開催日"},
        {"odds 20240106 中山", 2, "レース"},
        {"results 20240106 中山13R", 2, "レース"},
        {"results 20240106 99-01", 2, "レース"},
        {"odds 20240106 36", 2, "レース"},
        {"odds 20240106 0 --type 四連単", 2, "--type"},
        {"results 20240106", 2, "使い方"},
    };
    for (const Case& c : cases) {
        const Outcome run = cli(c.arguments);
        EXPECT_EQ(run.status, c.status) << c.arguments;
        EXPECT_EQ(run.out, "") << c.arguments;
        EXPECT_NE(run.err.find(c.message), std::string::npos) << c.arguments << ": " << run.err;
    }
}

} // namespace
