// The backtest and verify commands of the real solvane-cli over a generated and imported race day,
// checked against the kaime command run race by race with the marks the rule gives.
#include "verify/Backtest.h"

#include "support/RunShell.h"
#include "support/TempDir.h"
#include "util/Files.h"
#include "util/Text.h"

#include <array>
#include <gtest/gtest.h>
#include <map>

namespace solvane {
namespace {

using test::Outcome;
using test::runShell;

constexpr const char* kRule = "; ◎ compi 1st or 2nd, ○ one of the three favourites, ▲ compi 3rd to 5th\r\n"
                              "[◎]\r\nCompi=1,2\r\n[○]\r\nTanninki=1,2,3\r\n[▲]\r\nCompi=3,4,5\r\n";

class CliBacktest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        dir_ = new test::TempDir;
        const std::string feed = (*dir_ / "feed").string();
        ASSERT_EQ(runShell(std::string(SOLVANE_FEEDGEN_PATH) + " --out '" + feed +
                           "' --from 2024-01-06 --to 2024-01-06 --seed 5 --rt-days 0 >/dev/null")
                      .status,
                  0);
        ASSERT_TRUE(writeFileAtomic(*dir_ / "feed" / "faults.ini", "[Download]\ntime=0\n"));
        ASSERT_EQ(runShell("env -u SOLVANE_HOME SOLVANE_FEED='" + feed + "' " + SOLVANE_CLI_PATH + " --home '" +
                           home().string() + "' import --from 20240101000000 >/dev/null")
                      .status,
                  0);
        // The compi files stay in the generated compi-box folder, as the program finds them there.
        ASSERT_EQ(cli("settings set Dir harunire '" + feed + "/harunire'").status, 0);
        ASSERT_TRUE(writeFileAtomic(*dir_ / "rule.ini", kRule));
    }
    static void TearDownTestSuite()
    {
        delete dir_;
        dir_ = nullptr;
    }
    static std::filesystem::path home() { return *dir_ / "home"; }
    static Outcome cli(const std::string& arguments, const std::string& input = "</dev/null")
    {
        return runShell(std::string("env -u SOLVANE_HOME -u SOLVANE_FEED ") + SOLVANE_CLI_PATH + " --home '" +
                            home().string() + "' " + arguments + " " + input,
                        *dir_ / "err.txt");
    }
    static test::TempDir* dir_;
};

test::TempDir* CliBacktest::dir_ = nullptr;

// The TSV rows of a command's output, keyed by their first cell.
std::map<std::string, std::vector<std::string>> rowsOf(const std::string& out)
{
    std::map<std::string, std::vector<std::string>> rows;
    for (const std::string& line : splitLines(out)) {
        std::vector<std::string> cells = splitString(line, '\t');
        const std::string key = cells.empty() ? "" : cells[0];
        rows[key] = std::move(cells);
    }
    return rows;
}

std::string marksArg(const Marks& marks)
{
    std::string arg;
    for (const MarkKind kind : {MarkKind::Honmei, MarkKind::Taikou, MarkKind::Tanana}) {
        std::string horses;
        for (const int h : marks.horses(kind))
            horses += (horses.empty() ? "" : ",") + std::to_string(h);
        if (!horses.empty())
            arg += (arg.empty() ? "" : " ") + std::string(MarkHeading(kind)) + "=" + horses;
    }
    return arg;
}

TEST_F(CliBacktest, VerifyTotalsEqualTheKaimeTablesRaceByRace)
{
    const Outcome run =
        cli("backtest --from 20240106 --to 20240106 --rule '" + (*dir_ / "rule.ini").string() + "' --yes");
    ASSERT_EQ(run.status, 0) << run.err;
    const long long lines = toIntDef(trim(run.out), -1);
    const auto bytes = readFile(home() / "tmpData.dat");
    ASSERT_TRUE(bytes);
    EXPECT_EQ(static_cast<long long>(bytes->size()), lines * static_cast<long long>(kBacktestRecordLength));

    const Outcome verify = cli("verify");
    ASSERT_EQ(verify.status, 0) << verify.err;
    auto grid = rowsOf(verify.out);
    ASSERT_EQ(grid[""].size(), 9u) << verify.out;
    EXPECT_EQ(grid[""][1], "単勝");

    // Every race of the day with a result, through the kaime command with the rule's marks.
    const RuleFileParse rule = ParseRuleFile(kRule);
    ASSERT_TRUE(rule.rule) << rule.error;
    LoadOptions load;
    load.appFolder = home();
    load.harunireFolder = *dir_ / "feed" / "harunire";
    RaceDay day;
    ManualClock clock(DateTime{2024, 2, 1});
    ASSERT_TRUE(DateComboChange(day, "2024年01月06日", load, clock).loaded);
    std::array<long long, kBakenTypes> played{}, hit{}, stake{}, payout{};
    long long races = 0, marked = 0;
    for (const RaceListItem& item : day.RaceList) {
        if (!HasBacktestResult(day, item.slot))
            continue;
        ++races;
        const Marks marks = ApplyRule(day, item.slot, *rule.rule).value_or(Marks{});
        marked += marks.empty() ? 0 : 1;
        const Outcome kaime = cli("kaime 20240106 " + std::to_string(item.slot) + " --marks '" + marksArg(marks) + "'");
        ASSERT_EQ(kaime.status, 0) << item.text << ": " << kaime.err;
        int type = -1;
        for (const std::string& line : splitLines(kaime.out)) {
            if (line.starts_with("# ")) {
                ++type;
                continue;
            }
            const std::vector<std::string> cells = splitString(line, '\t');
            if (type < 0 || cells.size() != 2)
                continue;
            const auto k = static_cast<std::size_t>(type);
            const long long v = toIntDef(cells[1], 0);
            if (cells[0] == "買い点数" && v > 0)
                ++played[k];
            else if (cells[0] == "投票金額")
                stake[k] += v;
            else if (cells[0] == "回収金額")
                payout[k] += v, hit[k] += v > 0 ? 1 : 0;
        }
        ASSERT_EQ(type, kBakenTypes - 1) << item.text;
    }
    EXPECT_EQ(races, lines);
    EXPECT_GT(marked, races / 2) << "the rule marks horses in most races";
    for (std::size_t k = 0; k < kBakenTypes; ++k) {
        const std::string name = grid[""][k + 1];
        if (played[k] == 0) {
            EXPECT_EQ(trim(grid["データ数"][k + 1]), "") << name;
            continue;
        }
        EXPECT_EQ(trim(grid["データ数"][k + 1]), std::to_string(played[k])) << name;
        EXPECT_EQ(trim(grid["的中率"][k + 1]), trim(strprintf("%7.1f", 100.0 * hit[k] / played[k]))) << name;
        EXPECT_EQ(trim(grid["回収率"][k + 1]),
                  trim(strprintf("%7.1f", 100.0 * static_cast<double>(payout[k]) / static_cast<double>(stake[k]))))
            << name;
    }
}

TEST_F(CliBacktest, RefusalsLeaveThePreviousFile)
{
    const std::string rule = "--rule '" + (*dir_ / "rule.ini").string() + "'";
    ASSERT_TRUE(writeFileAtomic(*dir_ / "bad.ini", "[◎]\nCompi=1\nTanninki=19\n"));
    ASSERT_TRUE(writeFileAtomic(home() / "tmpData.dat", "previous"));
    struct Case {
        std::string args;
        int status;
        std::string message;
    };
    const std::vector<Case> cases{
        {"--from 20240101 --to 20241231 " + rule, 2, "--yes"}, // nobody at a terminal to answer
        {"--from 20240230 --to 20241231 --yes " + rule, 2, "8桁で指定してください：20240230"},
        {"--from 20240101 --yes " + rule, 2, "使い方"},
        {"--from 20240101 --to 20241231 --yes --rule '" + (*dir_ / "none.ini").string() + "'", 2, "読み込めません"},
        {"--from 20240101 --to 20241231 --yes --rule '" + (*dir_ / "bad.ini").string() + "'", 2,
         "3行目：Tanninki の項目ではありません"},
        {"--from 20240301 --to 20240331 --yes " + rule, 1, "対象データがありませんでした。"},
        {"--from 20240107 --to 20240106 --yes " + rule, 1, "対象データがありませんでした。"},
        {"--from 20240101 --to 20241231 --yes --odds-before 0 " + rule, 2, "1 から 60 までの分で指定してください：0"},
        {"--from 20240101 --to 20241231 --yes --odds-before 61 " + rule, 2, "までの分で指定してください：61"},
        {"--from 20240101 --to 20241231 --yes --odds-before 5分 " + rule, 2, "までの分で指定してください：5分"},
        {"--from 20240101 --to 20241231 --yes --odds-before 5 " + rule, 1, "時系列ｵｯｽﾞﾌｫﾙﾀﾞ指定をしてください。"},
    };
    for (const Case& c : cases) {
        const Outcome run = cli("backtest " + c.args);
        EXPECT_EQ(run.status, c.status) << c.args << "\n" << run.err;
        EXPECT_NE(run.err.find(c.message), std::string::npos) << c.args << "\n" << run.err;
        EXPECT_EQ(readFile(home() / "tmpData.dat"), "previous") << c.args;
    }
}

} // namespace
} // namespace solvane
