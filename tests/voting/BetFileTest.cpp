// The plug-in bet file: lines of every bet type, 消 rows, the checks and their messages, one file per
// race day replaced by every vote, and a failed write that leaves the previous file whole.
#include "voting/BetFile.h"
#include "kaime/KaimeBuild.h"
#include "support/TempDir.h"
#include "util/Files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace solvane;
namespace fs = std::filesystem;

namespace {

// An RA record of 1 June 2024, track 05, race 11 (only the key positions matter here).
std::string raRecord(std::string_view monthDay = "0601", std::string_view race = "11")
{
    std::string ra(1272, ' ');
    ra.replace(0, 2, "RA");
    ra.replace(11, 4, "2024");
    ra.replace(15, 4, monthDay);
    ra.replace(19, 2, "05");
    ra.replace(25, 2, race);
    return ra;
}

struct Row {
    std::string del, label, odds, stake;
};

TextGrid tableOf(BakenType type, const std::vector<Row>& rows)
{
    TextGrid grid(KaimeHeadings(type), static_cast<int>(rows.size()));
    const int stake = TohyoStakeColumn(type);
    for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
        const Row& row = rows[static_cast<std::size_t>(r)];
        grid.setCell(r, 0, row.del);
        grid.setCell(r, 1, std::to_string(r + 1));
        grid.setCell(r, 2, row.label);
        grid.setCell(r, 3, row.odds);
        grid.setCell(r, stake, row.stake);
    }
    return grid;
}

const TohyoRaceKey kKey{"2024", "0601", "05", "11"};

TEST(BetFile, StakeColumnsAndCodesFollowTheTableOfEachType)
{
    struct Case {
        BakenType type;
        std::string_view code, label;
        int stake;
    };
    const Case cases[] = {
        {BakenType::Tan, "TAN", "単勝", 5},       {BakenType::Fuk, "FUKU", "複勝", 5},
        {BakenType::WR, "WAKU", "枠連", 6},       {BakenType::UR, "UMAFUKU", "馬連", 6},
        {BakenType::WD, "WIDE", "ワイド", 6},     {BakenType::UT, "UMATAN", "馬単", 6},
        {BakenType::SRF, "SANFUKU", "３連複", 6}, {BakenType::SRT, "SANTAN", "３連単", 6},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(TohyoCode(c.type), c.code);
        EXPECT_EQ(TohyoLabel(c.type), c.label);
        EXPECT_EQ(TohyoStakeColumn(c.type), c.stake);
        // The column is the table's own 購入額 column.
        EXPECT_EQ(KaimeHeadings(c.type).at(static_cast<std::size_t>(c.stake)), "購入額");
    }
}

TEST(BetFile, OneLinePerTypeWithItsCombinationForm)
{
    struct Case {
        BakenType type;
        std::string label, odds, stake, line;
    };
    const Case cases[] = {
        {BakenType::Tan, " 7", "   4.5", "300", "20240601,05,11,TAN,NORMAL,300,07,\r\n"},
        {BakenType::Fuk, "12", "   1.5", "  1200", "20240601,05,11,FUKU,NORMAL,1200,12,\r\n"},
        {BakenType::WR, " 3- 5", "   12.0", "100", "20240601,05,11,WAKU,NORMAL,100,3-5,\r\n"},
        {BakenType::WR, " 8- 8", "   50.0", "100", "20240601,05,11,WAKU,NORMAL,100,8-8,\r\n"},
        {BakenType::UR, " 3-11", "   22.0", "500", "20240601,05,11,UMAFUKU,NORMAL,500,03-11,\r\n"},
        {BakenType::WD, " 1- 2", "    3.1", "900", "20240601,05,11,WIDE,NORMAL,900,01-02,\r\n"},
        {BakenType::UT, " 3-11", "   40.2", "300", "20240601,05,11,UMATAN,NORMAL,300,03-11,\r\n"},
        {BakenType::UT, "11- 3", "   60.0", "200", "20240601,05,11,UMATAN,NORMAL,200,11-03,\r\n"},
        {BakenType::SRF, " 1- 5-12", "  120.5", "100", "20240601,05,11,SANFUKU,NORMAL,100,01-05-12,\r\n"},
        {BakenType::SRT, "12- 1- 5", " 2400.0", "12345678", "20240601,05,11,SANTAN,NORMAL,12345678,12-01-05,\r\n"},
    };
    for (const Case& c : cases) {
        const TextGrid grid = tableOf(c.type, {{"", c.label, c.odds, c.stake}});
        const BetLines lines = BuildBetLines(grid, c.type, kKey);
        EXPECT_EQ(lines.error, "") << c.label;
        ASSERT_EQ(lines.lines.size(), 1u) << c.label;
        EXPECT_EQ(lines.lines[0], c.line);
    }
}

TEST(BetFile, DeletedRowsAndRowsWithoutOddsOrStakeAreNotWritten)
{
    const TextGrid grid = tableOf(BakenType::UR, {{"", " 1- 2", "   10.0", "300"},
                                                  {"消", " 1- 3", "   20.0", "200"},
                                                  {"", " 1- 4", "", "300"}, // odds not loaded
                                                  {"", " 1- 5", "   30.0", ""},
                                                  {" 消 ", " 1- 6", "   40.0", "100"},
                                                  {"", " 1- 7", "   50.0", "100"}});
    EXPECT_EQ(CountTohyoRows(grid, BakenType::UR), 4); // 消 is not looked at when counting
    const BetLines lines = BuildBetLines(grid, BakenType::UR, kKey);
    EXPECT_EQ(lines.lines, (std::vector<std::string>{"20240601,05,11,UMAFUKU,NORMAL,300,01-02,\r\n",
                                                     "20240601,05,11,UMAFUKU,NORMAL,100,01-07,\r\n"}));
}

TEST(BetFile, BadLabelsAndStakesStopBeforeAnyLine)
{
    struct Case {
        BakenType type;
        std::string label, stake, says;
    };
    const Case cases[] = {
        {BakenType::UR, " 1-ab", "300", "買い目「 1-ab」の番号が数字ではありません。"},
        {BakenType::SRT, " 1- 2", "300", "買い目「 1- 2」の番号が数字ではありません。"}, // too short for a triple
        {BakenType::Tan, "x7", "300", "買い目「x7」の番号が数字ではありません。"},
        {BakenType::Tan, " 7", "123456789", "購入額「123456789」は8桁までの数字ではありません。"},
        {BakenType::UT, " 1- 2", "3,000", "購入額「3,000」は8桁までの数字ではありません。"},
    };
    for (const Case& c : cases) {
        // A good row first: it must not be written either.
        const std::string good = InfoOf(c.type).numbers == 1   ? " 1"
                                 : InfoOf(c.type).numbers == 2 ? " 1- 3"
                                                               : " 1- 3- 4";
        const TextGrid grid = tableOf(c.type, {{"", good, "   9.9", "100"}, {"", c.label, "   5.0", c.stake}});
        const BetLines lines = BuildBetLines(grid, c.type, kKey);
        EXPECT_TRUE(lines.lines.empty()) << c.label;
        EXPECT_NE(lines.error.find(c.says), std::string::npos) << lines.error;
        EXPECT_NE(lines.error.find("投票ファイルは書き込んでいません。"), std::string::npos);
    }
}

TEST(BetFile, RaceKeyAndNames)
{
    const auto key = TohyoRaceKeyOf(raRecord());
    ASSERT_TRUE(key);
    EXPECT_EQ(key->year, "2024");
    EXPECT_EQ(key->monthDay, "0601");
    EXPECT_EQ(key->track, "05");
    EXPECT_EQ(key->raceNo, "11");
    EXPECT_EQ(BetFileName(*key), "240601.csv");
    EXPECT_FALSE(TohyoRaceKeyOf(std::string(1272, ' ')));
    EXPECT_FALSE(TohyoRaceKeyOf(""));
    EXPECT_EQ(BetFilePath("/p", *key), fs::path("/p") / "kaime" / "240601.csv");
    EXPECT_EQ(PluginExePath("/p"), fs::path("/p") / "KelvoTohyoPlugIn2.exe");
}

struct Plugin {
    test::TempDir dir;
    fs::path folder = dir / "Kelvo";
    std::string ra = raRecord();
    TextGrid grid = tableOf(BakenType::UT, {{"", " 5- 7", "   12.0", "1800"}, {"", " 7- 5", "   30.0", "700"}});
    Plugin() { fs::create_directories(folder / "kaime"); }
    TohyoInput input(BakenType type = BakenType::UT)
    {
        TohyoInput in;
        in.dayText = "2024年06月01日";
        in.raceSelected = true;
        in.raceText = "東京11R";
        in.ra = ra;
        in.grid = &grid;
        in.type = type;
        in.pluginFolder = folder.string();
        return in;
    }
};

TEST(BetFile, ChecksInTheirOrderWithTheirMessages)
{
    Plugin p;
    const TextGrid headingsOnly(KaimeHeadings(BakenType::UT));
    const TextGrid emptyRow = EmptyKaimeTable(BakenType::UT).grid;
    struct Case {
        std::string name;
        std::function<void(TohyoInput&)> change;
        std::string_view message;
    };
    const Case cases[] = {
        {"no day", [](TohyoInput& in) { in.dayText = "  "; }, kTohyoNoDayMessage},
        {"day checked before race", [](TohyoInput& in) { in.dayText = "", in.raceSelected = false; },
         kTohyoNoDayMessage},
        {"no race", [](TohyoInput& in) { in.raceSelected = false; }, kTohyoNoRaceMessage},
        {"blank record", [](TohyoInput& in) { in.ra = ""; }, kTohyoNoRaceMessage},
        {"headings only", [&](TohyoInput& in) { in.grid = &headingsOnly; }, kTohyoNoKaimeMessage},
        {"one empty row", [&](TohyoInput& in) { in.grid = &emptyRow; }, kTohyoNoKaimeMessage},
        {"no plug-in", [](TohyoInput& in) { in.pluginFolder = ""; }, kTohyoNoPluginMessage},
        {"blank plug-in", [](TohyoInput& in) { in.pluginFolder = "   "; }, kTohyoNoPluginMessage},
    };
    for (const Case& c : cases) {
        TohyoInput in = p.input();
        c.change(in);
        EXPECT_EQ(PrepareTohyo(in).message, c.message) << c.name;
    }
    EXPECT_EQ(kTohyoNoPluginMessage,
              "「Kelvo投票プラグイン２」が正常にインストールされていません。再インストールしてください。");
    EXPECT_EQ(kTohyoLaunchErrorMessage, "投票プラグイン２の呼び出しでエラーが発生しました。\r\n"
                                        "投票プラグイン２が正しくインストールされているか確認してください。");

    const TohyoPlan plan = PrepareTohyo(p.input());
    EXPECT_EQ(plan.message, "");
    EXPECT_EQ(plan.question, "[東京11R:馬単]に投票します。実行してよろしいですか？\n2点　合計 2,500円");
    EXPECT_EQ(plan.total, 2500);
    EXPECT_EQ(plan.file, p.folder / "kaime" / "240601.csv");
    EXPECT_EQ(plan.exe, p.folder / "KelvoTohyoPlugIn2.exe");
    EXPECT_EQ(plan.bytes, "20240601,05,11,UMATAN,NORMAL,1800,05-07,\r\n20240601,05,11,UMATAN,NORMAL,700,07-05,\r\n");
    p.grid = tableOf(BakenType::SRF, {{"", " 1- 2- 3", "   10.0", "100"}});
    EXPECT_EQ(PrepareTohyo(p.input(BakenType::SRF)).question,
              "[東京11R:３連複]に投票します。実行してよろしいですか？\n1点　合計 100円");
}

// The question says what the file buys, and warns of a race already run or not run today.
TEST(BetFile, QuestionCountsTheVoteAndWarnsOfALateRace)
{
    Plugin p;
    p.ra.replace(873, 4, "1540"); // posts 15:40 on 2024-06-01
    p.grid = tableOf(
        BakenType::UT,
        {{"", " 5- 7", "   12.0", "1800"}, {"消", " 7- 5", "   30.0", "700"}, {"", " 5- 8", "   80.0", "227600"}});
    const std::string head = "[東京11R:馬単]に投票します。実行してよろしいですか？\n2点　合計 229,400円";
    struct Case {
        std::optional<DateTime> now;
        std::string warning;
    };
    const Case cases[] = {
        {std::nullopt, ""},
        {DateTime{2024, 6, 1, 15, 39, 59}, ""},
        {DateTime{2024, 6, 1, 15, 40, 0}, "\n発走時刻を過ぎています。"},
        {DateTime{2024, 6, 5, 9, 0, 0}, "\n発走時刻を過ぎています。"},
        {DateTime{2024, 5, 31, 18, 0, 0}, "\n本日のレースではありません。"},
    };
    for (const Case& c : cases) {
        TohyoInput in = p.input();
        in.now = c.now;
        EXPECT_EQ(PrepareTohyo(in).question, head + c.warning) << (c.now ? c.now->ymdHms() : "no clock");
    }
}

TEST(BetFile, EveryRowDeletedGivesAnEmptyFile)
{
    Plugin p;
    p.grid.setCell(0, 0, "消");
    p.grid.setCell(1, 0, "消");
    const TohyoPlan plan = PrepareTohyo(p.input());
    ASSERT_EQ(plan.message, "");
    EXPECT_EQ(plan.lines, 0);
    std::string error;
    ASSERT_TRUE(WriteBetFile(plan, &error)) << error;
    EXPECT_EQ(readFile(plan.file), std::optional<std::string>(""));
}

TEST(BetFile, EveryVoteOfTheDayReplacesTheFile)
{
    Plugin p;
    ASSERT_TRUE(WriteBetFile(PrepareTohyo(p.input()), nullptr));
    // Another race of the same day, another type: only its lines remain.
    p.ra = raRecord("0601", "03");
    p.grid = tableOf(BakenType::Tan, {{"", " 4", "   3.0", "1000"}});
    const TohyoPlan second = PrepareTohyo(p.input(BakenType::Tan));
    ASSERT_TRUE(WriteBetFile(second, nullptr));
    EXPECT_EQ(readFile(p.folder / "kaime" / "240601.csv"),
              std::optional<std::string>("20240601,05,03,TAN,NORMAL,1000,04,\r\n"));
    // Another day: a file of its own.
    p.ra = raRecord("0602", "01");
    ASSERT_TRUE(WriteBetFile(PrepareTohyo(p.input(BakenType::Tan)), nullptr));
    EXPECT_TRUE(fs::exists(p.folder / "kaime" / "240602.csv"));
    EXPECT_EQ(readFile(p.folder / "kaime" / "240601.csv"),
              std::optional<std::string>("20240601,05,03,TAN,NORMAL,1000,04,\r\n"));
}

TEST(BetFile, MissingBetFolderIsAnErrorAndNotCreated)
{
    Plugin p;
    fs::remove_all(p.folder / "kaime");
    std::string error;
    EXPECT_FALSE(WriteBetFile(PrepareTohyo(p.input()), &error));
    EXPECT_NE(error.find("投票ファイルを作成できません"), std::string::npos);
    EXPECT_FALSE(fs::exists(p.folder / "kaime"));
}

TEST(BetFile, FailedWriteLeavesTheOldFileWhole)
{
#ifdef _WIN32
    GTEST_SKIP() << "a Windows folder's read-only attribute does not stop files being created in it";
#else
    if (::geteuid() == 0)
        GTEST_SKIP() << "root writes into read-only folders";
#endif
    Plugin p;
    const fs::path file = p.folder / "kaime" / "240601.csv";
    ASSERT_TRUE(writeFileAtomic(file, "old vote\r\n"));
    fs::permissions(p.folder / "kaime", fs::perms::owner_read | fs::perms::owner_exec);
    std::string error;
    EXPECT_FALSE(WriteBetFile(PrepareTohyo(p.input()), &error));
    fs::permissions(p.folder / "kaime", fs::perms::owner_all);
    EXPECT_NE(error.find("投票ファイルを作成できません"), std::string::npos);
    EXPECT_EQ(readFile(file), std::optional<std::string>("old vote\r\n"));
    EXPECT_EQ(std::distance(fs::directory_iterator(p.folder / "kaime"), fs::directory_iterator()), 1);
}

// Works as root too: the rename onto a folder of the file's name fails after the temporary was written.
TEST(BetFile, FailedRenameLeavesNoTemporaryBehind)
{
    Plugin p;
    const fs::path file = p.folder / "kaime" / "240601.csv";
    fs::create_directories(file / "inside");
    std::string error;
    EXPECT_FALSE(WriteBetFile(PrepareTohyo(p.input()), &error));
    EXPECT_NE(error.find("投票ファイルを作成できません"), std::string::npos);
    EXPECT_TRUE(fs::is_directory(file / "inside"));
    EXPECT_EQ(std::distance(fs::directory_iterator(p.folder / "kaime"), fs::directory_iterator()), 1);
}

TEST(BetFile, KaimeFolderIsFoundWhateverItsCase)
{
    Plugin p;
    fs::rename(p.folder / "kaime", p.folder / "Kaime");
    bool renamed = false;
    for (const auto& e : fs::directory_iterator(p.folder))
        renamed = renamed || e.path().filename() == "Kaime";
    if (!renamed)
        GTEST_SKIP() << "this file system keeps the old case on a rename that changes only case (Wine)";
    const TohyoPlan plan = PrepareTohyo(p.input());
    EXPECT_EQ(plan.file, p.folder / "Kaime" / "240601.csv");
    EXPECT_TRUE(WriteBetFile(plan, nullptr));
}

} // namespace
