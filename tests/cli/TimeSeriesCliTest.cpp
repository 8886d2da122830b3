// "solvane-cli timeseries DAY" on a generated, imported day with the time-series folder the feed
// generator writes: the folder rule, the counts, the stored odds and a day that is not there.
#include "support/RunShell.h"
#include "support/TempDir.h"
#include "util/Files.h"
#include "util/ShiftJis.h"
#include "util/Text.h"

#include <array>
#include <cstdio>
#include <gtest/gtest.h>

using namespace solvane;
using test::Outcome;
using test::runShell;

namespace {

class TimeSeriesCli : public ::testing::Test {
protected:
    // A Saturday that was run, imported the Monday after; the feed has its time-series folder.
    static void SetUpTestSuite()
    {
        dir_ = new test::TempDir;
        const Outcome gen =
            runShell(std::string(SOLVANE_FEEDGEN_PATH) + " --out '" + feed() +
                         "' --from 2024-01-06 --to 2024-01-06 --today 2024-01-08 --now 09:00 >/dev/null",
                     *dir_ / "gen.err");
        ASSERT_EQ(gen.status, 0) << gen.err;
        ASSERT_TRUE(writeFileAtomic(*dir_ / "feed" / "faults.ini", "[Download]\ntime=0\n"));
        const Outcome import = cli("import --from 20240101000000");
        ASSERT_EQ(import.status, 0) << import.err;
    }
    static void TearDownTestSuite()
    {
        delete dir_;
        dir_ = nullptr;
    }
    static std::string feed() { return (*dir_ / "feed").string(); }
    static std::filesystem::path home() { return *dir_ / "home"; }
    static Outcome cli(const std::string& arguments)
    {
        return runShell("env -u SOLVANE_HOME SOLVANE_FEED='" + feed() + "' " + SOLVANE_CLI_PATH + " --home '" +
                            home().string() + "' --now '2024-01-08 09:00:00' " + arguments,
                        *dir_ / "cli.err");
    }
    static std::vector<std::string> o1Lines()
    {
        return splitLines(readFile(home() / "Data" / pathFromUtf8("2024年01月06日.jvO1")).value_or(""));
    }

    static test::TempDir* dir_;
};

test::TempDir* TimeSeriesCli::dir_ = nullptr;

TEST_F(TimeSeriesCli, TheFolderMustBeSetThenEveryRaceIsTakenAndCounted)
{
    const std::vector<std::string> before = o1Lines();
    ASSERT_EQ(before.size(), 24u);

    // Unset, or set to the application folder (its default): nothing is done.
    for (const std::string& value : {std::string(), home().string()}) {
        SCOPED_TRACE(value);
        ASSERT_EQ(cli("settings set Dir jikeiretu '" + value + "'").status, 0);
        const Outcome r = cli("timeseries 20240106");
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.err, "時系列ｵｯｽﾞﾌｫﾙﾀﾞ指定をしてください。\n");
        EXPECT_EQ(o1Lines(), before);
    }

    ASSERT_EQ(cli("settings set Dir jikeiretu '" + feed() + "/jikeiretu'").status, 0);
    const Outcome r = cli("timeseries 20240106");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "24ﾚｰｽ分の単複枠ｵｯｽﾞ\n24ﾚｰｽ分の馬連ｵｯｽﾞを取りこみました。\n");
    const std::vector<std::string> after = o1Lines();
    ASSERT_EQ(after.size(), before.size());
    for (std::size_t i = 0; i < after.size(); ++i) {
        SCOPED_TRACE(i);
        // Each race keeps its place in the file; its final odds (announced "00000000") gave way to a
        // snapshot announced on the race day.
        EXPECT_EQ(field(after[i], 12, 16), field(before[i], 12, 16));
        EXPECT_EQ(field(before[i], 28, 8), "00000000");
        EXPECT_EQ(field(after[i], 28, 4), "0106");
    }

    const Outcome missing = cli("timeseries 20240107");
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.err, "ｵｯｽﾞを読み込みたい当日の開催日ﾃﾞｰﾀを読み込んでください。\n");
}

} // namespace
