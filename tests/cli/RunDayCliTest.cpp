// A whole generated race day replayed by the real solvane-cli on a simulated clock: every race's odds
// at its set second, results and mining arriving, the store, the daily log and the error log written
// as on a real day; then the same day with injected JV-Link faults, reported and logged.
#include "support/RunShell.h"
#include "support/TempDir.h"
#include "util/Files.h"
#include "util/ShiftJis.h"
#include "util/Text.h"

#include <array>
#include <cstdio>
#include <gtest/gtest.h>
#include <map>

using namespace solvane;
using test::Outcome;
using test::runShell;

namespace {

std::size_t countLines(const std::vector<std::string>& lines, std::string_view part)
{
    std::size_t n = 0;
    for (const std::string& line : lines)
        n += line.find(part) != std::string::npos;
    return n;
}

class RunDay : public ::testing::Test {
protected:
    // A live day generated as seen at 09:30, imported at 09:30.
    static void SetUpTestSuite()
    {
        dir_ = new test::TempDir;
        const Outcome gen = runShell(std::string(SOLVANE_FEEDGEN_PATH) + " --out '" + feed() +
                                         "' --from 2024-01-06 --to 2024-01-06 --live-today --today 2024-01-06"
                                         " --now 09:30 --no-siblings >/dev/null",
                                     *dir_ / "gen.err");
        ASSERT_EQ(gen.status, 0) << gen.err;
        setFaults("");
        const Outcome import = cli("--now '2024-01-06 09:30:00' import --from 20240101000000");
        ASSERT_EQ(import.status, 0) << import.err;
    }
    static void TearDownTestSuite()
    {
        delete dir_;
        dir_ = nullptr;
    }
    static std::string feed() { return (*dir_ / "feed").string(); }
    static std::filesystem::path home() { return *dir_ / "home"; }
    static void setFaults(const std::string& more)
    {
        ASSERT_TRUE(writeFileAtomic(*dir_ / "feed" / "faults.ini", "[Download]\ntime=0\n" + more));
    }
    static Outcome cli(const std::string& arguments)
    {
        return runShell("env -u SOLVANE_HOME SOLVANE_FEED='" + feed() + "' " + SOLVANE_CLI_PATH + " --home '" +
                            home().string() + "' " + arguments,
                        *dir_ / "cli.err");
    }
    static std::vector<std::string> errorLogLines()
    {
        return splitLines(fromSjis(readFile(home() / "ErrorLog.txt").value_or("")));
    }

    static test::TempDir* dir_;
};

test::TempDir* RunDay::dir_ = nullptr;

TEST_F(RunDay, AWholeDayFetchesEveryRaceAtItsTime)
{
    // The fetch times the day's races have, by race.
    const Outcome schedule = cli("--now '2024-01-06 09:30:00' schedule 20240106");
    ASSERT_EQ(schedule.status, 0) << schedule.err;
    std::map<std::string, std::string> dueAt; // "中山 1R" -> "09:40:00"
    std::string lastPost;
    for (const std::string& line : splitLines(schedule.out)) {
        const auto cells = splitString(line, '\t');
        ASSERT_EQ(cells.size(), 6u) << line;
        if (cells[0] == "slot")
            continue;
        EXPECT_EQ(cells[5], "0");
        const std::string& t = cells[3];
        dueAt[cells[1]] = t.substr(0, 2) + ":" + t.substr(2, 2) + ":" + t.substr(4, 2);
        lastPost = std::max(lastPost, cells[2]);
    }
    ASSERT_EQ(dueAt.size(), 24u);

    const std::string to = lastPost.substr(0, 2) + ":" + lastPost.substr(2, 2) + ":00";
    const Outcome run = cli("run-day 20240106 --from 09:30:00 --to " + to);
    EXPECT_EQ(run.status, 0) << run.err;
    const std::vector<std::string> lines = splitLines(run.out);
    EXPECT_EQ(countLines(lines, "エラー"), 0u) << run.out;

    for (const auto& [race, at] : dueAt)
        EXPECT_EQ(countLines(lines, at + "\tｵｯｽﾞ取得 " + race), 1u) << race << " at " << at;
    EXPECT_EQ(countLines(lines, "ｵｯｽﾞ取得"), 24u) << "each race once: the second time is only a second chance";
    EXPECT_GT(countLines(lines, "\t結果情報"), countLines(lines, "結果情報（データなし）"));
    EXPECT_GT(countLines(lines, "\tﾏｲﾆﾝｸﾞ"), 0u);
    EXPECT_GT(countLines(lines, "\t変更情報"), 0u);

    // The store has every race's live odds and the day's payouts.
    const auto data = home() / "Data";
    const auto o1 = splitLines(readFile(data / pathFromUtf8("2024年01月06日.jvO1")).value_or(""));
    EXPECT_EQ(o1.size(), 24u);
    const auto hr = splitLines(readFile(data / pathFromUtf8("2024年01月06日.jvHR")).value_or(""));
    EXPECT_GE(hr.size(), 20u) << "results arrived through the afternoon";
    const auto daily = splitLines(fromSjis(readFile(home() / "Log" / "20240106.log").value_or("")));
    EXPECT_EQ(countLines(daily, "■オッズ取得 "), 24u);
    EXPECT_EQ(countLines(daily, "■利用終了"), 1u);
    EXPECT_EQ(countLines(errorLogLines(), "【エラー】"), 0u);
}

TEST_F(RunDay, FaultsAreReportedAndLoggedAndThePassGoesOn)
{
    setFaults("[JVRTOpen:0B30]\nresult=-202\n[JVRead:0B12]\nresult=-502\nafter=3\n[JVClose:0B14]\nresult=-1\n");
    const std::size_t before = countLines(errorLogLines(), "【エラー】");
    const Outcome run = cli("run-day 20240106 --from 10:09:50 --to 10:20:01");
    setFaults("");
    EXPECT_EQ(run.status, 1);
    const std::vector<std::string> lines = splitLines(run.out);
    // Results of the first races are there by 10:19:50, when the results fetch runs.
    // Both races were tried at their time although the first was refused.
    EXPECT_EQ(countLines(lines, "10:10:00\tｵｯｽﾞ取得 中山 2R"), 1u) << run.out;
    EXPECT_EQ(countLines(lines, "10:20:00\tｵｯｽﾞ取得 京都 2R"), 1u) << run.out;
    EXPECT_EQ(countLines(lines, "中山 2R:前回のJVOpen/JVRTOpen/JVMVOpen に対してJVClose が呼ばれていません"), 1u);
    EXPECT_EQ(countLines(lines, "エラー：ダウンロードに失敗しました。(通信エラーやディスクエラー)(-502)"), 1u);
    EXPECT_EQ(countLines(lines, "エラー：(-1)"), 2u) << "the change fetch's close, at 10:14:50 and 10:19:50";
    const std::vector<std::string> log = errorLogLines();
    EXPECT_EQ(countLines(log, "【エラー】") - before, countLines(lines, "エラー："));
    EXPECT_EQ(countLines(log, "【エラー】10:10:00：中山 2R:"), 1u);
}

TEST_F(RunDay, OneFetchAsItsButtonDoesIt)
{
    const Outcome odds = cli("--now '2024-01-06 10:15:00' fetch odds 20240106 中山2R");
    EXPECT_EQ(odds.status, 0) << odds.err;
    EXPECT_EQ(splitLines(odds.out), (std::vector<std::string>{"中山 2オッズ取得中", "6件保存"}));

    setFaults("[JVRTOpen:0B30]\nresult=-202\n");
    const std::size_t before = countLines(errorLogLines(), "【エラー】");
    const Outcome refused = cli("--now '2024-01-06 10:15:00' fetch odds 20240106 06-02");
    setFaults("");
    EXPECT_EQ(refused.status, 1);
    const std::string text = "中山 2R:ｵｯｽﾞ取得エラー：前回のJVOpen/JVRTOpen/JVMVOpen に対してJVClose "
                             "が呼ばれていません。（オープン中）(-202)";
    EXPECT_EQ(splitLines(refused.out), (std::vector<std::string>{"中山 2オッズ取得中", text, "ビープ×1", "0件保存"}));
    const auto log = errorLogLines();
    EXPECT_EQ(countLines(log, "【エラー】"), before + 1);
    // --now starts a clock that runs, so only the line's form and message are fixed.
    EXPECT_TRUE(log.back().starts_with("【エラー】10:15:")) << log.back();
    EXPECT_TRUE(log.back().ends_with("：" + text)) << log.back();

    const Outcome bad = cli("fetch weather 20240106");
    EXPECT_EQ(bad.status, 2);
}

} // namespace
