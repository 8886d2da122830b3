// The vote command of the real solvane-cli over a generated and imported day, voting to a fake plug-in
// that prints what it was started with (its output reaches the same pipe as the command's, so reading
// to the end waits for it without any timing).
#include "support/RunShell.h"
#include "support/TempDir.h"
#include "util/Files.h"
#include "util/Text.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <gtest/gtest.h>

using namespace solvane;
using test::Outcome;
using test::runShell;
namespace fs = std::filesystem;

namespace {

class VoteCli : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        dir_ = new test::TempDir;
        ASSERT_EQ(runShell(std::string(SOLVANE_FEEDGEN_PATH) + " --out '" + (*dir_ / "feed").string() +
                               "' --from 2024-01-06 --to 2024-01-06 --seed 5 --no-siblings --rt-days 0 >/dev/null",
                           *dir_ / "gen.err")
                      .status,
                  0);
        ASSERT_TRUE(writeFileAtomic(*dir_ / "feed" / "faults.ini", "[Download]\ntime=0\n"));
        ASSERT_EQ(runShell("env -u SOLVANE_HOME SOLVANE_FEED='" + (*dir_ / "feed").string() + "' " + SOLVANE_CLI_PATH +
                               " --home '" + (*dir_ / "home").string() + "' import --from 20240101000000 >/dev/null",
                           *dir_ / "import.err")
                      .status,
                  0);
    }
    static void TearDownTestSuite()
    {
        delete dir_;
        dir_ = nullptr;
    }
    void SetUp() override
    {
        fs::remove_all(plugin());
        fs::create_directories(plugin() / "kaime");
        const fs::path exe = plugin() / "KelvoTohyoPlugIn2.exe";
        ASSERT_TRUE(
            writeFileAtomic(exe, "#!/bin/sh\necho \"PLUGIN $#\"\nprintf 'ARG %s\\n' \"$@\"\necho \"CWD $(pwd)\"\n"));
        fs::permissions(exe, fs::perms::owner_all);
        ASSERT_EQ(run("settings set Dir KelvoTohyo2 '" + plugin().string() + "'").status, 0);
    }
    static fs::path plugin() { return *dir_ / "Kelvo plug"; }
    static fs::path betFile() { return plugin() / "kaime" / "240106.csv"; }
    static Outcome run(const std::string& arguments)
    {
        return runShell("env -u SOLVANE_HOME -u SOLVANE_FEED " + std::string(SOLVANE_CLI_PATH) + " --home '" +
                            (*dir_ / "home").string() + "' " + arguments,
                        *dir_ / "cli.err");
    }
    static Outcome vote(const std::string& arguments) { return run("vote 20240106 中山11R " + arguments); }
    static test::TempDir* dir_;
};

test::TempDir* VoteCli::dir_ = nullptr;

std::vector<std::string> linesOf(const std::string& text)
{
    std::vector<std::string> out;
    for (const std::string& line : splitLines(text))
        if (!line.empty())
            out.push_back(line);
    return out;
}

TEST_F(VoteCli, WritesTheTypesRowsAndPrintsThePath)
{
    const Outcome r = vote("馬単 --marks '◎=1 ○=2,3' --multi all --yes --no-launch");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("[中山11R:馬単]に投票します。実行してよろしいですか？"), std::string::npos) << r.err;
    const auto out = linesOf(r.out);
    ASSERT_FALSE(out.empty());
    EXPECT_EQ(out.back(), betFile().string());
    EXPECT_EQ(r.out.find("PLUGIN"), std::string::npos);
    // The printed tables are kaime's: eight sections.
    std::size_t sections = 0;
    for (const std::string& line : out)
        sections += line.starts_with("# ") ? 1 : 0;
    EXPECT_EQ(sections, 8u);
    const std::string bytes = readFile(betFile()).value_or("");
    const auto lines = splitString(bytes, '\n');
    ASSERT_EQ(lines.size(), 5u) << bytes; // four exactas with マルチ, and the empty rest after the last CR LF
    EXPECT_EQ(lines.back(), "");
    for (std::size_t i = 0; i + 1 < lines.size(); ++i) {
        EXPECT_TRUE(lines[i].starts_with("20240106,06,11,UMATAN,NORMAL,")) << lines[i];
        EXPECT_TRUE(lines[i].ends_with(",\r")) << lines[i];
    }
    EXPECT_NE(bytes.find(",01-02,\r\n"), std::string::npos);
    EXPECT_NE(bytes.find(",03-01,\r\n"), std::string::npos);
}

TEST_F(VoteCli, StartsThePluginWithThePathAsOneArgument)
{
#ifdef _WIN32
    GTEST_SKIP() << "the plug-in here is a shell script; PlatformLaunch starts a Windows one through the shell";
#endif
    const Outcome r = vote("単勝 --marks '◎=1,2' --yes");
    ASSERT_EQ(r.status, 0) << r.err;
    // The plug-in is not waited for, so its lines may come before, among or after the command's own.
    const auto out = linesOf(r.out);
    EXPECT_EQ(std::count(out.begin(), out.end(), "PLUGIN 1"), 1) << r.out;
    EXPECT_EQ(std::count(out.begin(), out.end(), "ARG " + betFile().string()), 1) << r.out;
    const auto cwd = std::find_if(out.begin(), out.end(), [](const std::string& l) { return l.starts_with("CWD "); });
    ASSERT_NE(cwd, out.end()) << r.out;
    EXPECT_EQ(fs::canonical(cwd->substr(4)), fs::canonical(plugin()));
}

TEST_F(VoteCli, RefusalsWriteNothing)
{
    ASSERT_TRUE(writeFileAtomic(betFile(), "earlier\r\n"));
    struct Case {
        std::string arguments;
        int status;
        std::string says;
    };
    const Case cases[] = {
        {"馬単 --marks '◎=1 ○=2'", 1, "--yes がないので投票しませんでした。"},
        {"馬単 --marks '◎=1 ○=2'", 1,
         "[中山11R:馬単]に投票します。実行してよろしいですか？\n2点　合計 3,000円\n発走時刻を過ぎています。"},
        {"馬単 --marks '◎=1' --yes", 1, "買い目が作成されていません。"},
        {"複勝 --marks '○=2' --yes", 1, "買い目が作成されていません。"},
        {"単複 --marks '◎=1' --yes", 2, "券種は"},
        {"馬単 --marks '◎=1 ○=2' --yes --bad", 2, "使い方"},
    };
    for (const Case& c : cases) {
        const Outcome r = vote(c.arguments);
        EXPECT_EQ(r.status, c.status) << c.arguments;
        EXPECT_NE(r.err.find(c.says), std::string::npos) << c.arguments << ": " << r.err;
    }
    EXPECT_EQ(readFile(betFile()), std::optional<std::string>("earlier\r\n"));
    ASSERT_EQ(run("settings set Dir KelvoTohyo2 '  '").status, 0);
    const Outcome blank = vote("単勝 --marks '◎=1' --yes");
    EXPECT_EQ(blank.status, 1);
    EXPECT_NE(
        blank.err.find("「Kelvo投票プラグイン２」が正常にインストールされていません。再インストールしてください。"),
        std::string::npos);
    EXPECT_EQ(readFile(betFile()), std::optional<std::string>("earlier\r\n"));
}

TEST_F(VoteCli, AMissingPluginIsToldAfterTheFileIsWritten)
{
    fs::remove(plugin() / "KelvoTohyoPlugIn2.exe");
    const Outcome r = vote("単勝 --marks '◎=3' --yes");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("投票プラグイン２の呼び出しでエラーが発生しました。"), std::string::npos) << r.err;
    EXPECT_TRUE(readFile(betFile()).value_or("").starts_with("20240106,06,11,TAN,NORMAL,"));
}

} // namespace
