#include "verify/SelectionRule.h"

#include "raceday/RaceRecords.h"
#include "util/ShiftJis.h"
#include "util/Text.h"

#include <algorithm>
#include <cstddef>

namespace solvane {
namespace {

std::size_t at(int i)
{
    return static_cast<std::size_t>(i);
}

std::vector<std::string> rankItems()
{
    std::vector<std::string> items;
    for (int k = 1; k <= kMaxHorses; ++k)
        items.push_back(strprintf("%2d位", k));
    return items;
}

struct ConditionInfo {
    std::string_view key;
    std::string_view caption;
    std::vector<std::string> items;
    bool rank;
};

const std::array<ConditionInfo, kRuleConditions>& conditions()
{
    static const std::array<ConditionInfo, kRuleConditions> table{{
        {"Compi", "コンピ", rankItems(), true},
        {"Tanninki", "単人気", rankItems(), true},
        {"DM", "DM順", rankItems(), true},
        {"TM", "ＴM順", rankItems(), true},
        {"FI", "ＦＩ印", {"Ｓ", "Ａ", "Ｂ", "穴", "注", "消"}, false},
        {"TFP", "TFP印", {"◎", "○", "▲", "△"}, false},
        {"TFV", "TFV印", {"◎", "○", "▲", "△"}, false},
        {"TFF", "TFF印", {"◎", "○", "▲", "△"}, false},
    }};
    return table;
}

const ConditionInfo& infoOf(RuleCondition c)
{
    return conditions()[at(static_cast<int>(c))];
}

// The mark items in Shift-JIS, as the forecast marks are kept in the model: converted once, not per
// runner and race.
const std::vector<std::string>& sjisItems(RuleCondition c)
{
    static const std::array<std::vector<std::string>, kRuleConditions> table = [] {
        std::array<std::vector<std::string>, kRuleConditions> t;
        for (int i = 0; i < kRuleConditions; ++i)
            for (const std::string& item : conditions()[at(i)].items)
                t[at(i)].push_back(toSjis(item));
        return t;
    }();
    return table[at(static_cast<int>(c))];
}

int rankOf(RuleCondition c, const TOutData& out, int horse)
{
    switch (c) {
    case RuleCondition::Compi:
        return out.CompiRank[at(horse)];
    case RuleCondition::Tanninki:
        return out.TanNinki[at(horse)];
    case RuleCondition::DM:
        return out.DmRank[at(horse)];
    case RuleCondition::TM:
        return out.TmRank[at(horse)];
    default:
        return 0;
    }
}

const std::string& markOf(RuleCondition c, const TOutData& out, int horse)
{
    switch (c) {
    case RuleCondition::FI:
        return out.FiMark[at(horse)];
    case RuleCondition::TFP:
        return out.TfMark[1][at(horse)];
    case RuleCondition::TFV:
        return out.TfMark[2][at(horse)];
    default:
        return out.TfMark[3][at(horse)];
    }
}

bool conditionHolds(const RuleGroup& group, RuleCondition c, const TOutData& out, int horse)
{
    if (infoOf(c).rank) {
        // Ranks of 0 or below (no value) never match; the lists end at 18.
        const int rank = rankOf(c, out, horse);
        return rank >= 1 && rank <= kMaxHorses && group.isSelected(c, rank - 1);
    }
    // A blank mark or "□" is no item of any list, so it never matches.
    const std::string_view mark = trim(markOf(c, out, horse));
    const std::vector<std::string>& items = sjisItems(c);
    for (std::size_t i = 0; i < items.size(); ++i)
        if (mark == items[i])
            return group.isSelected(c, static_cast<int>(i));
    return false;
}

constexpr std::array<std::string_view, kRuleGroups> kSections{"◎", "○", "▲"};

} // namespace

const std::vector<std::string>& RuleItems(RuleCondition condition)
{
    return infoOf(condition).items;
}

std::string_view RuleKey(RuleCondition condition)
{
    return infoOf(condition).key;
}

std::string_view RuleCaption(RuleCondition condition)
{
    return infoOf(condition).caption;
}

bool RuleGroup::isSelected(RuleCondition condition, int item) const
{
    return item >= 0 && item < 32 && (selected[at(static_cast<int>(condition))] >> item & 1U) != 0;
}

void RuleGroup::select(RuleCondition condition, int item, bool on)
{
    if (item < 0 || item >= static_cast<int>(RuleItems(condition).size()))
        return;
    std::uint32_t& bits = selected[at(static_cast<int>(condition))];
    if (on)
        bits |= 1U << item;
    else
        bits &= ~(1U << item);
}

bool RuleGroup::anySelected(RuleCondition condition) const
{
    return selected[at(static_cast<int>(condition))] != 0;
}

bool GroupPicks(const RuleGroup& group, const TOutData& out, int horse)
{
    if (horse < 1 || horse > kMaxHorses)
        return false;
    for (int i = 0; i < kRuleConditions; ++i) {
        const auto c = static_cast<RuleCondition>(i);
        if (!group.anySelected(c))
            continue;
        const bool holds = conditionHolds(group, c, out, horse);
        if (!group.andMode && holds)
            return true;
        if (group.andMode && !holds)
            return false;
    }
    // OR: nothing held (or nothing selected). AND: every selected condition held (or none selected).
    return group.andMode;
}

std::optional<Marks> ApplyRule(const RaceDay& day, int slot, const SelectionRule& rule)
{
    if (slot < 0 || slot >= kRaceSlots || at(slot) >= day.RaRecs.size() || at(slot) >= day.RaceRecs.size())
        return std::nullopt;
    const int n = RunnerCount(day.RaRecs[at(slot)]);
    if (n <= 0)
        return std::nullopt;
    const TOutData& out = day.RaceRecs[at(slot)];
    Marks marks;
    for (int g = 0; g < kRuleGroups; ++g)
        for (int h = 1; h <= n; ++h)
            if (GroupPicks(rule.groups[at(g)], out, h))
                marks.set(static_cast<MarkKind>(g), h, true);
    return marks;
}

// ---- rule file ----

namespace {

// An item's text in the file: the rank items without blanks and "位".
std::string fileItem(RuleCondition c, int item)
{
    const std::string& text = RuleItems(c)[at(item)];
    if (!infoOf(c).rank)
        return text;
    return std::to_string(item + 1);
}

std::optional<int> itemOfFileText(RuleCondition c, std::string_view text)
{
    if (infoOf(c).rank) {
        if (text.ends_with("位"))
            text.remove_suffix(std::string_view("位").size());
        text = trim(text);
        if (text.empty() || text.size() > 2 || text.find_first_not_of("0123456789") != std::string_view::npos)
            return std::nullopt;
        const long long rank = toIntDef(text, 0);
        if (rank < 1 || rank > kMaxHorses)
            return std::nullopt;
        return static_cast<int>(rank - 1);
    }
    const std::vector<std::string>& items = RuleItems(c);
    for (std::size_t i = 0; i < items.size(); ++i)
        if (items[i] == text)
            return static_cast<int>(i);
    return std::nullopt;
}

std::optional<RuleCondition> conditionOfKey(std::string_view key)
{
    for (int i = 0; i < kRuleConditions; ++i)
        if (equalsIgnoreCase(conditions()[at(i)].key, key))
            return static_cast<RuleCondition>(i);
    return std::nullopt;
}

std::string joinedKeys()
{
    std::string s = "Mode";
    for (const ConditionInfo& c : conditions())
        s += std::string("、") + std::string(c.key);
    return s;
}

std::string itemsOf(RuleCondition c)
{
    if (infoOf(c).rank)
        return "1〜18 の順位";
    std::string s;
    for (const std::string& item : RuleItems(c))
        s += (s.empty() ? "" : "、") + item;
    return s;
}

} // namespace

std::string FormatRuleFile(const SelectionRule& rule)
{
    // Appended piece by piece: "x" + std::string(...) trips a false -Wrestrict of GCC 12 at -O3.
    std::string text;
    for (int g = 0; g < kRuleGroups; ++g) {
        const RuleGroup& group = rule.groups[at(g)];
        if (g > 0)
            text += "\r\n";
        text.append("[").append(kSections[at(g)]).append("]\r\n");
        text.append("Mode=").append(group.andMode ? "AND" : "OR").append("\r\n");
        for (int i = 0; i < kRuleConditions; ++i) {
            const auto c = static_cast<RuleCondition>(i);
            if (!group.anySelected(c))
                continue;
            text.append(RuleKey(c)).append("=");
            bool first = true;
            for (int item = 0; item < static_cast<int>(RuleItems(c).size()); ++item) {
                if (!group.isSelected(c, item))
                    continue;
                if (!first)
                    text += ',';
                text += fileItem(c, item);
                first = false;
            }
            text += "\r\n";
        }
    }
    return text;
}

RuleFileParse ParseRuleFile(std::string_view text)
{
    if (text.starts_with("\xEF\xBB\xBF"))
        text.remove_prefix(3);
    SelectionRule rule;
    int group = -1;
    std::array<bool, kRuleGroups> seenSection{};
    std::array<std::array<bool, kRuleConditions + 1>, kRuleGroups> seenKey{};
    int lineNo = 0;
    auto error = [&lineNo](const std::string& what) {
        return RuleFileParse{std::nullopt, std::to_string(lineNo) + "行目：" + what};
    };
    for (const std::string& raw : splitLines(text)) {
        ++lineNo;
        const std::string_view line = trim(raw);
        if (line.empty() || line.starts_with(";") || line.starts_with("#"))
            continue;
        if (line.starts_with("[")) {
            if (!line.ends_with("]"))
                return error("セクション名が ] で閉じられていません：" + std::string(line));
            const std::string_view name = trim(line.substr(1, line.size() - 2));
            const auto it = std::find(kSections.begin(), kSections.end(), name);
            if (it == kSections.end())
                return error("不明なセクションです：" + std::string(line) + "（[◎] [○] [▲] のいずれかです）");
            group = static_cast<int>(it - kSections.begin());
            if (seenSection[at(group)])
                return error("セクション " + std::string(line) + " が2回あります");
            seenSection[at(group)] = true;
            continue;
        }
        const std::size_t eq = line.find('=');
        if (eq == std::string_view::npos)
            return error("「キー=値」の形ではありません：" + std::string(line));
        if (group < 0)
            return error("セクション [◎] [○] [▲] の前にキーがあります：" + std::string(line));
        const std::string_view key = trim(line.substr(0, eq));
        const std::string_view value = trim(line.substr(eq + 1));
        RuleGroup& g = rule.groups[at(group)];
        if (equalsIgnoreCase(key, "Mode")) {
            if (seenKey[at(group)][kRuleConditions])
                return error("Mode が2回あります");
            seenKey[at(group)][kRuleConditions] = true;
            if (equalsIgnoreCase(value, "OR"))
                g.andMode = false;
            else if (equalsIgnoreCase(value, "AND"))
                g.andMode = true;
            else
                return error("Mode は OR か AND です：" + std::string(value));
            continue;
        }
        const auto condition = conditionOfKey(key);
        if (!condition)
            return error("不明なキーです：" + std::string(key) + "（" + joinedKeys() + " のいずれかです）");
        const int ci = static_cast<int>(*condition);
        if (seenKey[at(group)][at(ci)])
            return error(std::string(key) + " が2回あります");
        seenKey[at(group)][at(ci)] = true;
        if (value.empty())
            continue;
        for (const std::string& word : splitString(value, ',')) {
            const std::string_view w = trim(word);
            const auto item = itemOfFileText(*condition, w);
            if (!item)
                return error(std::string(RuleKey(*condition)) + " の項目ではありません：「" + std::string(w) + "」（" +
                             itemsOf(*condition) + "）");
            g.select(*condition, *item, true);
        }
    }
    return RuleFileParse{rule, {}};
}

} // namespace solvane
