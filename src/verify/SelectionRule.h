// The selection rule of the backtest window "買い目設定": for each of the three mark groups (◎, ○, ▲)
// eight lists of selected items and an OR/AND switch, which pick runners by their compi rank, win
// popularity, mining ranks and printed marks. Applying the rule to a race gives the race's marks; the
// rule file keeps a rule as UTF-8 INI text for the command line and the window's "保存"/"読込".
#pragma once

#include "raceday/RaceCard.h"
#include "raceday/RaceDay.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace solvane {

// The eight conditions, in the order of the window's lists.
enum class RuleCondition : int { Compi = 0, Tanninki, DM, TM, FI, TFP, TFV, TFF };
inline constexpr int kRuleConditions = 8;
inline constexpr int kRuleGroups = 3; // ◎, ○, ▲

// The items of a condition's list (UTF-8): " 1位" … "18位" for the four ranks, "Ｓ" "Ａ" "Ｂ" "穴" "注" "消"
// for ＦＩ印, "◎" "○" "▲" "△" for the three triple-factor marks.
const std::vector<std::string>& RuleItems(RuleCondition condition);
// The rule file's key of a condition: "Compi", "Tanninki", "DM", "TM", "FI", "TFP", "TFV", "TFF".
std::string_view RuleKey(RuleCondition condition);
// The caption of a condition's list: "コンピ", "単人気", "DM順", "ＴM順", "ＦＩ印", "TFP印", "TFV印", "TFF印".
std::string_view RuleCaption(RuleCondition condition);

struct RuleGroup {
    bool andMode = false; // "AND条件"; "OR条件" otherwise
    // Bit i set: item i of the condition's list is selected.
    std::array<std::uint32_t, kRuleConditions> selected{};

    bool isSelected(RuleCondition condition, int item) const;
    void select(RuleCondition condition, int item, bool on);
    bool anySelected(RuleCondition condition) const;
    friend bool operator==(const RuleGroup&, const RuleGroup&) = default;
};

struct SelectionRule {
    std::array<RuleGroup, kRuleGroups> groups{}; // [0] ◎, [1] ○, [2] ▲
    friend bool operator==(const SelectionRule&, const SelectionRule&) = default;
};

// Whether the group picks horse h of a race with the derived values out: with OR, at least one
// condition holds; with AND, every condition whose list has a selection holds (a group without any
// selection picks every runner). A rank of 0 or below and a blank or "□" mark never match.
bool GroupPicks(const RuleGroup& group, const TOutData& out, int horse);

// The marks the rule gives the race in slot: for every horse 1 … n (n = registered runners, RA 882–883)
// and every group, the group's mark when the group picks it. Nothing when n is not positive (the race
// keeps whatever marks it had).
std::optional<Marks> ApplyRule(const RaceDay& day, int slot, const SelectionRule& rule);

// The rule file: UTF-8 text, sections "[◎]", "[○]", "[▲]", keys "Mode=OR|AND" and one key per
// condition whose list has a selection, holding the selected items' texts without blanks and "位",
// comma-separated ("Compi=1,2", "FI=Ｓ,Ａ", "TFP=◎,○").
std::string FormatRuleFile(const SelectionRule& rule);

struct RuleFileParse {
    std::optional<SelectionRule> rule;
    std::string error; // for a person, naming the line; empty when rule is set
};
// Accepts a UTF-8 byte-order mark, CR LF or LF, blank lines and lines starting with ";" or "#".
// Unknown sections, keys or items, and a rank outside 1–18 are errors.
RuleFileParse ParseRuleFile(std::string_view text);

} // namespace solvane
