// The selection rule: which runners a group picks, the marks of a race, and the rule file.
#include "verify/SelectionRule.h"

#include "util/ShiftJis.h"
#include "util/Text.h"

#include <functional>
#include <gtest/gtest.h>
#include <memory>

namespace solvane {
namespace {

using C = RuleCondition;

// Horse 1: compi 1st, favourite, DM 3rd, TM 2nd, FI "Ｓ", TF ◎ ○ ▲.
// Horse 2: compi 1st, second favourite, FI "□", TF blank.
// Horse 3: no ranks at all (0), FI blank.
// Horse 4: compi 2nd, favourite, FI "Ａ", TF ○ ○ ○.
TOutData Runners()
{
    TOutData out;
    auto set = [&out](int h, int compi, int tan, int dm, int tm, std::string fi, std::array<std::string, 3> tf) {
        const auto i = static_cast<std::size_t>(h);
        out.CompiRank[i] = compi;
        out.TanNinki[i] = tan;
        out.DmRank[i] = dm;
        out.TmRank[i] = tm;
        out.FiMark[i] = toSjis(fi);
        for (std::size_t f = 0; f < 3; ++f)
            out.TfMark[f + 1][i] = toSjis(tf[f]);
    };
    set(1, 1, 1, 3, 2, "Ｓ", {"◎", "○", "▲"});
    set(2, 1, 2, 0, 0, "□", {"", "", ""});
    set(3, 0, 0, 0, 0, "", {"", "", ""});
    set(4, 2, 1, 0, -1, "Ａ", {"○", "○", "○"});
    return out;
}

RuleGroup Group(bool andMode, std::initializer_list<std::pair<C, int>> items)
{
    RuleGroup g;
    g.andMode = andMode;
    for (const auto& [c, item] : items)
        g.select(c, item, true);
    return g;
}

RuleGroup AllItems(bool andMode, C c)
{
    RuleGroup g;
    g.andMode = andMode;
    for (int i = 0; i < static_cast<int>(RuleItems(c).size()); ++i)
        g.select(c, i, true);
    return g;
}

TEST(SelectionRuleTest, ItemsKeysAndCaptions)
{
    EXPECT_EQ(RuleItems(C::Compi).size(), 18u);
    EXPECT_EQ(RuleItems(C::TM).front(), " 1位");
    EXPECT_EQ(RuleItems(C::DM).back(), "18位");
    EXPECT_EQ(RuleItems(C::FI), (std::vector<std::string>{"Ｓ", "Ａ", "Ｂ", "穴", "注", "消"}));
    EXPECT_EQ(RuleItems(C::TFF), (std::vector<std::string>{"◎", "○", "▲", "△"}));
    EXPECT_EQ(RuleKey(C::Tanninki), "Tanninki");
    EXPECT_EQ(RuleCaption(C::TM), "ＴM順");
}

TEST(SelectionRuleTest, GroupPicksByModeAndCondition)
{
    struct Case {
        const char* what;
        RuleGroup group;
        std::array<bool, 5> picks; // horses 1..5 (horse 5 has no values at all)
    };
    const std::vector<Case> cases{
        {"OR without any selection picks nobody", Group(false, {}), {false, false, false, false, false}},
        {"AND without any selection picks everyone", Group(true, {}), {true, true, true, true, true}},
        {"OR compi 1st", Group(false, {{C::Compi, 0}}), {true, true, false, false, false}},
        {"OR compi 1st or favourite",
         Group(false, {{C::Compi, 0}, {C::Tanninki, 0}}),
         {true, true, false, true, false}},
        {"AND compi 1st and favourite",
         Group(true, {{C::Compi, 0}, {C::Tanninki, 0}}),
         {true, false, false, false, false}},
        {"AND ignores lists without selection", Group(true, {{C::Tanninki, 0}}), {true, false, false, true, false}},
        {"several items of one list: any of them",
         Group(true, {{C::Compi, 0}, {C::Compi, 1}}),
         {true, true, false, true, false}},
        {"rank 0 or below never matches", AllItems(false, C::TM), {true, false, false, false, false}},
        {"rank 0 never matches under AND", AllItems(true, C::DM), {true, false, false, false, false}},
        {"FI: □ and blank never match", AllItems(false, C::FI), {true, false, false, true, false}},
        {"FI: only the selected mark", Group(false, {{C::FI, 1}}), {false, false, false, true, false}},
        {"TFV compares the second factor", Group(false, {{C::TFV, 1}}), {true, false, false, true, false}},
        {"TFP compares the first factor", Group(false, {{C::TFP, 1}}), {false, false, false, true, false}},
        {"TFF ▲", Group(false, {{C::TFF, 2}}), {true, false, false, false, false}},
        {"AND with FI and TFP", Group(true, {{C::FI, 0}, {C::TFP, 0}}), {true, false, false, false, false}},
    };
    const TOutData out = Runners();
    for (const Case& c : cases)
        for (int h = 1; h <= 5; ++h)
            EXPECT_EQ(GroupPicks(c.group, out, h), c.picks[static_cast<std::size_t>(h - 1)])
                << c.what << ", horse " << h;
    // No horse 0 or 19, whatever the group.
    EXPECT_FALSE(GroupPicks(Group(true, {}), out, 0));
    EXPECT_FALSE(GroupPicks(Group(true, {}), out, 19));
}

TEST(SelectionRuleTest, ApplyRuleMarksTheRegisteredRunners)
{
    auto day = std::make_unique<RaceDay>();
    day->RaRecs[3].replace(881, 2, "05");
    day->RaceRecs[3] = Runners();
    day->RaceRecs[3].CompiRank[6] = 1; // beyond the registered runners: never marked

    SelectionRule rule;
    rule.groups[0] = Group(true, {});               // ◎ on all five
    rule.groups[1] = Group(false, {});              // ○ on none
    rule.groups[2] = Group(false, {{C::Compi, 0}}); // ▲ on the compi 1st
    const auto marks = ApplyRule(*day, 3, rule);
    ASSERT_TRUE(marks);
    EXPECT_EQ(marks->horses(MarkKind::Honmei), (std::vector<int>{1, 2, 3, 4, 5}));
    EXPECT_TRUE(marks->horses(MarkKind::Taikou).empty());
    EXPECT_EQ(marks->horses(MarkKind::Tanana), (std::vector<int>{1, 2}));

    day->RaRecs[3].replace(881, 2, "  ");
    EXPECT_FALSE(ApplyRule(*day, 3, rule)) << "no runner count: nothing to apply";
    EXPECT_FALSE(ApplyRule(*day, 36, rule));
    EXPECT_FALSE(ApplyRule(*day, -1, rule));
}

SelectionRule SampleRule()
{
    SelectionRule rule;
    rule.groups[0] = Group(false, {{C::Compi, 0}, {C::Compi, 17}, {C::FI, 0}, {C::FI, 3}});
    rule.groups[1] = Group(true, {{C::Tanninki, 1}, {C::DM, 4}, {C::TM, 9}, {C::TFP, 0}, {C::TFV, 3}, {C::TFF, 2}});
    rule.groups[2] = Group(true, {});
    return rule;
}

TEST(SelectionRuleTest, RuleFileRoundTrip)
{
    const SelectionRule rule = SampleRule();
    const std::string text = FormatRuleFile(rule);
    EXPECT_EQ(text, "[◎]\r\nMode=OR\r\nCompi=1,18\r\nFI=Ｓ,穴\r\n"
                    "\r\n[○]\r\nMode=AND\r\nTanninki=2\r\nDM=5\r\nTM=10\r\nTFP=◎\r\nTFV=△\r\nTFF=▲\r\n"
                    "\r\n[▲]\r\nMode=AND\r\n");
    const RuleFileParse back = ParseRuleFile(text);
    ASSERT_TRUE(back.rule) << back.error;
    EXPECT_EQ(*back.rule, rule);
    EXPECT_EQ(ParseRuleFile(FormatRuleFile(SelectionRule{})).rule, SelectionRule{});

    // What people write by hand: a byte-order mark, LF, comments, blanks, "位", lower-case keys, a
    // missing section (OR without selection) and an empty list.
    const RuleFileParse hand = ParseRuleFile("\xEF\xBB\xBF; rule\n# comment\n\n[ ◎ ]\nmode = and\ncompi = 1位, 18 \n"
                                             "FI=Ｓ,穴\nTM=\n[○]\nTanninki=2\n");
    ASSERT_TRUE(hand.rule) << hand.error;
    SelectionRule expected;
    expected.groups[0] = Group(true, {{C::Compi, 0}, {C::Compi, 17}, {C::FI, 0}, {C::FI, 3}});
    expected.groups[1] = Group(false, {{C::Tanninki, 1}});
    EXPECT_EQ(*hand.rule, expected);
}

TEST(SelectionRuleTest, RuleFileErrorsNameTheLine)
{
    const std::vector<std::pair<std::string, std::string>> cases{
        {"[◎]\r\nMode=OR\r\n[◇]\r\n", "3行目：不明なセクション"},
        {"Compi=1\n", "1行目：セクション"},
        {"[◎]\nColour=1\n", "2行目：不明なキー"},
        {"[◎]\nCompi=1,19\n", "2行目：Compi の項目ではありません：「19」"},
        {"[○]\n\nTanninki=0\n", "3行目：Tanninki"},
        {"[▲]\nDM=x\n", "2行目：DM"},
        {"[◎]\nFI=S\n", "2行目：FI の項目ではありません：「S」"},
        {"[◎]\nTFP=◎,□\n", "2行目：TFP"},
        {"[◎]\nMode=XOR\n", "2行目：Mode は OR か AND"},
        {"[◎]\nCompi 1\n", "2行目：「キー=値」"},
        {"[◎]\n[○]\n[◎]\n", "3行目：セクション [◎] が2回"},
        {"[◎]\nCompi=1\ncompi=2\n", "3行目：compi が2回"},
        {"[◎\n", "1行目：セクション名が ]"},
    };
    for (const auto& [text, message] : cases) {
        const RuleFileParse p = ParseRuleFile(text);
        EXPECT_FALSE(p.rule) << text;
        EXPECT_TRUE(p.error.starts_with(message)) << text << " gave: " << p.error;
    }
}

} // namespace
} // namespace solvane
