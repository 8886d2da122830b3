#include "voting/BetFile.h"

#include "jvdata/CodeTables.h"
#include "jvdata/RecordFields.h"
#include "util/Files.h"
#include "util/ShellOpen.h"
#include "util/Text.h"

#include <array>
#include <cstdio>

namespace solvane {
namespace {

struct TohyoInfo {
    std::string_view code;
    std::string_view label;
    int stakeColumn;
};

constexpr std::array<TohyoInfo, kBakenTypes> kTohyo{{
    {"TAN", "単勝", 5},
    {"FUKU", "複勝", 5},
    {"WAKU", "枠連", 6},
    {"UMAFUKU", "馬連", 6},
    {"WIDE", "ワイド", 6},
    {"UMATAN", "馬単", 6},
    {"SANFUKU", "３連複", 6},
    {"SANTAN", "３連単", 6},
}};

const TohyoInfo& infoOf(BakenType type)
{
    return kTohyo.at(static_cast<std::size_t>(IndexOf(type)));
}

constexpr int kLabelColumn = 2;
constexpr int kOddsColumn = 3;
constexpr int kDeleteColumn = 0;
constexpr std::size_t kMaxStakeDigits = 8;

bool allDigits(std::string_view s)
{
    return !s.empty() && s.find_first_not_of("0123456789") == std::string_view::npos;
}

// The two-character number at a label position; a leading blank stands for a one-digit number.
std::optional<int> labelNumber(std::string_view label, std::size_t from)
{
    if (label.size() < from + 1)
        return std::nullopt;
    std::string_view two = label.substr(from - 1, 2);
    if (two.front() == ' ')
        two.remove_prefix(1);
    if (!allDigits(two))
        return std::nullopt;
    return static_cast<int>(toIntDef(two, 0));
}

std::string twoDigits(int n)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02d", n);
    return buf;
}

bool counted(const TextGrid& grid, int row, int stakeColumn)
{
    return !trim(grid.cell(row, kLabelColumn)).empty() && !trim(grid.cell(row, kOddsColumn)).empty() &&
           !trim(grid.cell(row, stakeColumn)).empty();
}

} // namespace

std::string_view TohyoCode(BakenType type)
{
    return infoOf(type).code;
}

std::string_view TohyoLabel(BakenType type)
{
    return infoOf(type).label;
}

int TohyoStakeColumn(BakenType type)
{
    return infoOf(type).stakeColumn;
}

std::optional<TohyoRaceKey> TohyoRaceKeyOf(std::string_view ra)
{
    TohyoRaceKey key{std::string(RaceYear(ra)), std::string(RaceMonthDay(ra)), std::string(VenueCode(ra)),
                     std::string(RaceNumberText(ra))};
    if (!allDigits(key.year) || !allDigits(key.monthDay) || !allDigits(key.track) || !allDigits(key.raceNo))
        return std::nullopt;
    return key;
}

std::string BetFileName(const TohyoRaceKey& key)
{
    return key.year.substr(2, 2) + key.monthDay + ".csv";
}

std::filesystem::path BetFilePath(const std::filesystem::path& pluginFolder, const TohyoRaceKey& key)
{
    return findChildIgnoreCase(findChildIgnoreCase(pluginFolder, kBetFolderName), BetFileName(key));
}

std::filesystem::path PluginExePath(const std::filesystem::path& pluginFolder)
{
    return findChildIgnoreCase(pluginFolder, kPluginExeName);
}

std::optional<std::string> TohyoCombination(BakenType type, std::string_view label)
{
    const int numbers = InfoOf(type).numbers;
    std::string out;
    for (int i = 0; i < numbers; ++i) {
        const auto n = labelNumber(label, static_cast<std::size_t>(1 + 3 * i));
        if (!n)
            return std::nullopt;
        if (i > 0)
            out += '-';
        // The plug-in takes brackets as plain numbers and horses as two digits.
        out += type == BakenType::WR ? std::to_string(*n) : twoDigits(*n);
    }
    return out;
}

int CountTohyoRows(const TextGrid& grid, BakenType type)
{
    const int stake = TohyoStakeColumn(type);
    if (grid.columnCount() <= stake)
        return 0;
    int n = 0;
    for (int r = 0; r < grid.rowCount(); ++r)
        n += counted(grid, r, stake) ? 1 : 0;
    return n;
}

BetLines BuildBetLines(const TextGrid& grid, BakenType type, const TohyoRaceKey& key)
{
    BetLines out;
    const int stakeColumn = TohyoStakeColumn(type);
    if (grid.columnCount() <= stakeColumn)
        return out;
    const std::string head =
        key.year + key.monthDay + "," + key.track + "," + key.raceNo + "," + std::string(TohyoCode(type)) + ",NORMAL,";
    for (int r = 0; r < grid.rowCount(); ++r) {
        if (!counted(grid, r, stakeColumn) || trim(grid.cell(r, kDeleteColumn)) == "消")
            continue;
        const std::string& label = grid.cell(r, kLabelColumn);
        const auto combination = TohyoCombination(type, label);
        if (!combination) {
            out.lines.clear();
            out.error = "買い目「" + label + "」の番号が数字ではありません。投票ファイルは書き込んでいません。";
            return out;
        }
        const std::string stake(trim(grid.cell(r, stakeColumn)));
        // The plug-in takes at most 8 digits of yen; anything else would be voted as something the user
        // never saw.
        if (!allDigits(stake) || stake.size() > kMaxStakeDigits) {
            out.lines.clear();
            out.error = "買い目「" + label + "」の購入額「" + stake +
                        "」は8桁までの数字ではありません。投票ファイルは書き込んでいません。";
            return out;
        }
        out.lines.push_back(head + stake + "," + *combination + ",\r\n");
        out.total += toIntDef(stake, 0);
    }
    return out;
}

TohyoPlan PrepareTohyo(const TohyoInput& input)
{
    TohyoPlan plan;
    if (trim(input.dayText).empty()) {
        plan.message = kTohyoNoDayMessage;
        return plan;
    }
    const auto key = TohyoRaceKeyOf(input.ra);
    if (!input.raceSelected || !key) {
        plan.message = kTohyoNoRaceMessage;
        return plan;
    }
    if (!input.grid || CountTohyoRows(*input.grid, input.type) == 0) {
        plan.message = kTohyoNoKaimeMessage;
        return plan;
    }
    if (trim(input.pluginFolder).empty()) {
        plan.message = kTohyoNoPluginMessage;
        return plan;
    }
    BetLines lines = BuildBetLines(*input.grid, input.type, *key);
    if (!lines.error.empty()) {
        plan.message = lines.error;
        return plan;
    }
    SetPluginFolder(plan, input.pluginFolder);
    plan.file = BetFilePath(plan.pluginFolder, *key);
    plan.lines = static_cast<int>(lines.lines.size());
    for (const std::string& line : lines.lines)
        plan.bytes += line;
    plan.total = lines.total;
    plan.question = "[" + input.raceText + ":" + std::string(TohyoLabel(input.type)) +
                    "]に投票します。実行してよろしいですか？\n" + std::to_string(plan.lines) + "点　合計 " +
                    GroupedYen(plan.total) + "円";
    if (input.now) {
        // The post of the race: its day from the key, the time from the race record (hhmm).
        const auto post = DateTime::parse(key->year + key->monthDay);
        const long long hhmm = toIntDef(PostTime(input.ra), 0);
        if (post && post->date() > input.now->date())
            plan.question += "\n本日のレースではありません。";
        else if (post && post->addSeconds(hhmm / 100 * 3600 + hhmm % 100 * 60) <= *input.now)
            plan.question += "\n発走時刻を過ぎています。";
    }
    return plan;
}

void SetPluginFolder(TohyoPlan& plan, std::string_view pluginFolder)
{
    plan.pluginFolder = pathFromUtf8(pluginFolder);
    plan.exe = PluginExePath(plan.pluginFolder);
}

bool WriteBetFile(const TohyoPlan& plan, std::string* message)
{
    std::error_code ec;
    // Creating the folder would hide a plug-in that is not installed where the setting points.
    if (!std::filesystem::is_directory(plan.file.parent_path(), ec)) {
        if (message)
            *message = "投票ファイルを作成できません（フォルダがありません）：" + pathToUtf8(plan.file);
        return false;
    }
    std::string error;
    if (!writeFileAtomic(plan.file, plan.bytes, &error)) {
        if (message)
            *message = "投票ファイルを作成できません：" + pathToUtf8(plan.file) + "（" + error + "）";
        return false;
    }
    return true;
}

bool LaunchPlugin(const TohyoPlan& plan, std::string* error, const ShellLauncher& open)
{
    std::string folder = pathToUtf8(plan.pluginFolder);
    if (!folder.empty() && folder.back() != '/' && folder.back() != '\\')
        folder += static_cast<char>(std::filesystem::path::preferred_separator);
    return open(plan.exe, ShellArgument(pathToUtf8(plan.file)), pathFromUtf8(folder), error);
}

} // namespace solvane
