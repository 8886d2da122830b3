// The kaime command of the real solvane-cli over a generated and imported weekend.
#include "kaime/KaimeBuild.h"
#include "support/RunShell.h"
#include "support/TempDir.h"
#include "util/Files.h"
#include "util/Text.h"

#include <array>
#include <cstdio>
#include <gtest/gtest.h>
#include <map>

using namespace solvane;
using test::Outcome;
using test::runShell;

namespace {

// One printed type: its four labels and its rows (headings first).
struct Section {
    std::map<std::string, std::string> labels;
    std::vector<std::vector<std::string>> rows;
};

std::vector<std::pair<std::string, Section>> sectionsOf(const std::string& out)
{
    std::vector<std::pair<std::string, Section>> sections;
    for (const std::string& line : splitLines(out)) {
        if (line.starts_with("# ")) {
            sections.push_back({line.substr(2), {}});
            continue;
        }
        if (sections.empty())
            break;
        Section& s = sections.back().second;
        std::vector<std::string> cells = splitString(line, '\t');
        if (s.labels.size() < 4 && cells.size() == 2)
            s.labels[cells[0]] = cells[1];
        else
            s.rows.push_back(std::move(cells));
    }
    return sections;
}

class CliKaime : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        dir_ = new test::TempDir;
        const std::string feed = (*dir_ / "feed").string();
        ASSERT_EQ(runShell(std::string(SOLVANE_FEEDGEN_PATH) + " --out '" + feed +
                           "' --from 2024-01-06 --to 2024-01-06 --seed 5 --no-siblings --rt-days 0 >/dev/null")
                      .status,
                  0);
        ASSERT_TRUE(writeFileAtomic(*dir_ / "feed" / "faults.ini", "[Download]\ntime=0\n"));
        ASSERT_EQ(runShell("env -u SOLVANE_HOME SOLVANE_FEED='" + feed + "' " + SOLVANE_CLI_PATH + " --home '" +
                           (*dir_ / "home").string() + "' import --from 20240101000000 >/dev/null")
                      .status,
                  0);
    }
    static void TearDownTestSuite()
    {
        delete dir_;
        dir_ = nullptr;
    }
    static Outcome kaime(const std::string& arguments)
    {
        return runShell(std::string("env -u SOLVANE_HOME -u SOLVANE_FEED ") + SOLVANE_CLI_PATH + " --home '" +
                        (*dir_ / "home").string() + "' kaime 20240106 中山11R " + arguments);
    }
    static test::TempDir* dir_;
};

test::TempDir* CliKaime::dir_ = nullptr;

TEST_F(CliKaime, EveryTypeInOrderWithConsistentLabels)
{
    const Outcome run = kaime("--marks '◎=1,2 ○=3,4 ▲=5,6' --stake 3000 --haibun 0 --multi all");
    ASSERT_EQ(run.status, 0);
    const auto sections = sectionsOf(run.out);
    ASSERT_EQ(sections.size(), 8u);
    for (std::size_t i = 0; i < sections.size(); ++i) {
        const BakenType type = kAllBakenTypes[i];
        const auto& [name, s] = sections[i];
        EXPECT_EQ(name, InfoOf(type).name);
        ASSERT_EQ(s.labels.size(), 4u) << name;
        ASSERT_GE(s.rows.size(), 2u) << name;
        EXPECT_EQ(s.rows[0], KaimeHeadings(type)) << name;
        const KaimeLayout l = LayoutOf(type);
        long long stakes = 0, paid = 0, counted = 0;
        for (std::size_t r = 1; r < s.rows.size(); ++r) {
            ASSERT_EQ(s.rows[r].size(), static_cast<std::size_t>(l.columns)) << name;
            const long long stake = toIntDef(s.rows[r][static_cast<std::size_t>(l.stake)], 0);
            stakes += stake;
            counted += stake > 0 ? 1 : 0;
            paid += toIntDef(s.rows[r][static_cast<std::size_t>(l.resultPayout + 1)], 0);
        }
        EXPECT_EQ(toIntDef(s.labels.at("投票金額"), 0), stakes) << name;
        EXPECT_EQ(toIntDef(s.labels.at("買い点数"), 0), counted) << name;
        EXPECT_EQ(toIntDef(s.labels.at("回収金額"), 0), paid) << name;
    }
    // ◎ 1,2 with ○ 3,4 and ▲ 5,6 under マルチ: 2 × 2 × 2 triples, six orders each.
    EXPECT_LE(sections[7].second.rows.size(), 49u);
    EXPECT_EQ(sections[3].second.rows.size(), 5u) << "four quinellas";
}

TEST_F(CliKaime, OneTypeAndTheMultiBoxes)
{
    const Outcome run = kaime("--marks '◎=1 ○=2 ▲=3' --type ３連単 --multi 23");
    ASSERT_EQ(run.status, 0);
    const auto sections = sectionsOf(run.out);
    ASSERT_EQ(sections.size(), 1u);
    EXPECT_EQ(sections[0].first, "３連単");
    std::vector<std::string> labels;
    for (std::size_t r = 1; r < sections[0].second.rows.size(); ++r)
        labels.push_back(sections[0].second.rows[r][2]);
    // Either combination may lie outside the odds window; what is listed is among these, in order.
    const std::vector<std::string> both{" 1- 2- 3", " 1- 3- 2"};
    EXPECT_TRUE(labels == both || labels == std::vector<std::string>{both[0]} ||
                labels == std::vector<std::string>{both[1]})
        << run.out;

    // The settings' default ticks マルチ: the exacta lists both orders.
    const auto exacta = sectionsOf(kaime("--marks '◎=1 ○=2' --type 馬単").out);
    ASSERT_EQ(exacta.size(), 1u);
    EXPECT_EQ(exacta[0].second.rows.size(), 3u) << "heading and two orders";
}

TEST_F(CliKaime, EmptyTableIsHeadingAndOneEmptyRow)
{
    const Outcome run = kaime("--marks '◎=4' --type 馬連");
    ASSERT_EQ(run.status, 0);
    const std::string heading =
        "消\tNo.\t買い目\tオッズ\t人気\t連人気\t購入額\t回収額\t回収率\t出現率1\t出現率2\t結果配当\t結"
        "果回収\t結果人気\n";
    EXPECT_EQ(run.out,
              "# 馬連\n買い点数\t\n投票金額\t\n予想回収率\t\n回収金額\t\n" + heading + std::string(13, '\t') + "\n");
}

TEST_F(CliKaime, WrongWordsAreUsageErrors)
{
    for (const char* args : {"--marks '◎=99'", "--marks '★=1'", "--marks '◎=1' --haibun 4", "--marks '◎=1' --multi 34",
                             "--marks '◎=1' --type 三連"}) {
        EXPECT_EQ(kaime(args).status, 2) << args;
    }
}

} // namespace
