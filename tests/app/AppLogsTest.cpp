#include "app/AppLogs.h"
#include "support/TempDir.h"
#include "util/Files.h"
#include "util/ShiftJis.h"
#include "util/Text.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace solvane;
namespace fs = std::filesystem;

namespace {

std::vector<std::string> linesOf(const fs::path& p)
{
    std::vector<std::string> out;
    for (const auto& l : splitLines(readFile(p).value_or("")))
        out.push_back(fromSjis(l));
    return out;
}

const DateTime kMorning{2024, 6, 1, 9, 5, 7};

} // namespace

TEST(ErrorLog, StartUpCutsToTheLast300LinesThenAddsTwo)
{
    test::TempDir dir;
    std::vector<std::string> old;
    for (int i = 1; i <= 350; ++i)
        old.push_back(strprintf("line %d", i));
    ASSERT_TRUE(writeFileAtomic(dir / "ErrorLog.txt", joinLinesCrlf(old)));

    ASSERT_TRUE(WriteErrorLogStartLines(dir.path(), kMorning));
    const auto lines = linesOf(dir / "ErrorLog.txt");
    ASSERT_EQ(lines.size(), 302u);
    EXPECT_EQ(lines.front(), "line 51");
    EXPECT_EQ(lines[299], "line 350");
    EXPECT_EQ(lines[300], "ソフト起動：2024/06/01 09:05:07");
    EXPECT_EQ(lines[301], dir.path().string());
    EXPECT_TRUE(endsWith(readFile(dir / "ErrorLog.txt").value(), "\r\n"));
}

TEST(ErrorLog, AppendAddsOneTimedLineAndFindsTheFileInAnyCase)
{
    test::TempDir dir;
    ASSERT_TRUE(writeFileAtomic(dir / "errorlog.TXT", toSjis("前の行\r\n")));
    ManualClock clock(kMorning);
    ASSERT_TRUE(AppendErrorLog(dir.path(), clock, "東京11R:JVRTOpenエラー(-201)"));
    EXPECT_EQ(linesOf(dir / "errorlog.TXT"),
              (std::vector<std::string>{"前の行", "【エラー】09:05:07：東京11R:JVRTOpenエラー(-201)"}));
#ifndef _WIN32 // where names differing in case are different files
    EXPECT_FALSE(fs::exists(dir / "ErrorLog.txt"));
#endif
}

TEST(ErrorLog, AnUnreadableLogIsNotReplaced)
{
    test::TempDir dir;
    fs::create_directory(dir / "ErrorLog.txt");
    ManualClock clock(kMorning);
    std::string error;
    EXPECT_FALSE(AppendErrorLog(dir.path(), clock, "x", &error));
    EXPECT_FALSE(error.empty());
    EXPECT_TRUE(fs::is_directory(dir / "ErrorLog.txt"));
}

TEST(DailyLog, TwoRunsOfADayAppendTwoBlocksAndAFileStaysWithItsDay)
{
    test::TempDir dir;
    const std::vector<std::string> firstBlock = {
        "============================",  "■利用開始 2024/06/01 09:05:07", "-----",
        "■利用終了 2024/06/01 12:00:00", "============================",  ""};
    {
        DailyLog log;
        ASSERT_TRUE(log.open(dir.path(), kMorning));
        EXPECT_EQ(log.path(), dir / "20240601.log");
        EXPECT_EQ(linesOf(log.path()), (std::vector<std::string>(firstBlock.begin(), firstBlock.begin() + 2)));
        ASSERT_TRUE(log.close({2024, 6, 1, 12, 0, 0}));
        EXPECT_EQ(linesOf(log.path()), firstBlock);
    }
    // The second run starts in the evening and ends after midnight: its closing block goes into the
    // file of the day it started.
    DailyLog log;
    ASSERT_TRUE(log.open(dir.path(), {2024, 6, 1, 23, 50, 0}));
    ASSERT_TRUE(log.append("東京11R ｵｯｽﾞ取得"));
    ASSERT_TRUE(log.close({2024, 6, 2, 0, 10, 0}));
    auto expected = firstBlock;
    for (const char* l : {"============================", "■利用開始 2024/06/01 23:50:00", "東京11R ｵｯｽﾞ取得", "-----",
                          "■利用終了 2024/06/02 00:10:00", "============================", ""})
        expected.emplace_back(l);
    EXPECT_EQ(linesOf(dir / "20240601.log"), expected);
    EXPECT_FALSE(fs::exists(dir / "20240602.log"));
    EXPECT_FALSE(log.append("after close")) << "a closed log takes no more entries";
}

// The window program and solvane-cli may log the same day at once: each adds its lines to the file as it
// is, so neither run's lines are lost to the other's rewrite.
TEST(DailyLog, TwoRunsAtOnceKeepEachOthersLines)
{
    test::TempDir dir;
    DailyLog window, cli;
    ASSERT_TRUE(window.open(dir.path(), kMorning));
    ASSERT_TRUE(cli.open(dir.path(), {2024, 6, 1, 9, 6, 0}));
    ASSERT_TRUE(window.append("中山1R ｵｯｽﾞ取得"));
    ASSERT_TRUE(cli.append("中京1R ｵｯｽﾞ取得"));
    ASSERT_TRUE(window.close({2024, 6, 1, 12, 0, 0}));
    const std::vector<std::string> lines = linesOf(dir / "20240601.log");
    for (const char* line : {"■利用開始 2024/06/01 09:05:07", "■利用開始 2024/06/01 09:06:00", "中山1R ｵｯｽﾞ取得",
                             "中京1R ｵｯｽﾞ取得", "■利用終了 2024/06/01 12:00:00"})
        EXPECT_EQ(std::count(lines.begin(), lines.end(), std::string(line)), 1) << line;
    EXPECT_EQ(cli.lines().size() + 4, lines.size()) << "the window's closing block came after the CLI's last write";
}
