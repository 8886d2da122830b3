// The bet file that the voting plug-in "Kelvo投票プラグイン２" reads: one comma-separated line per
// voted combination of one bet type of one race, in the plug-in's kaime folder, one file per race day.
// Everything the vote command decides before the plug-in is started lives here, so that the window and
// the command line give the same checks, messages and file.
#pragma once

#include "util/Clock.h"

#include "kaime/BakenType.h"
#include "util/ShellOpen.h"
#include "util/TextGrid.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace solvane {

// The messages of the vote command, as the user sees them.
inline constexpr std::string_view kTohyoNoDayMessage = "開催日ﾃﾞｰﾀを読み込んでください。";
inline constexpr std::string_view kTohyoNoRaceMessage = "レースデータを読み込んでください。";
inline constexpr std::string_view kTohyoNoKaimeMessage = "買い目が作成されていません。";
inline constexpr std::string_view kTohyoNoPluginMessage =
    "「Kelvo投票プラグイン２」が正常にインストールされていません。再インストールしてください。";
inline constexpr std::string_view kTohyoLaunchErrorMessage =
    "投票プラグイン２の呼び出しでエラーが発生しました。\r\n投票プラグイン２が正しくインストールされているか確認してくだ"
    "さい。";

inline constexpr std::string_view kPluginExeName = "KelvoTohyoPlugIn2.exe";
inline constexpr std::string_view kBetFolderName = "kaime";

// What the plug-in calls a bet type ("TAN" .. "SANTAN"), the type's name in messages ("単勝" ..
// "３連単") and the column of its table that holds the stake.
std::string_view TohyoCode(BakenType type);
std::string_view TohyoLabel(BakenType type);
int TohyoStakeColumn(BakenType type);

// The race key fields of an RA record, exactly as stored (zero-padded digits).
struct TohyoRaceKey {
    std::string year;     // positions 12-15
    std::string monthDay; // 16-19
    std::string track;    // 20-21
    std::string raceNo;   // 26-27
};
// Nothing when a field is not all digits (a blank record of a slot that holds no race).
std::optional<TohyoRaceKey> TohyoRaceKeyOf(std::string_view ra);

// yy + mmdd + ".csv": one name per race day.
std::string BetFileName(const TohyoRaceKey& key);
// The plug-in folder as stored + "kaime" + the day's name; the kaime folder is matched without regard
// to case, as Windows does.
std::filesystem::path BetFilePath(const std::filesystem::path& pluginFolder, const TohyoRaceKey& key);
std::filesystem::path PluginExePath(const std::filesystem::path& pluginFolder);

// The combination field of a label: "07" (win, place), "3-5" (bracket quinella), "03-11" (pairs),
// "01-05-12" (triples), numbers in the label's order. Nothing when a number position is not numeric.
std::optional<std::string> TohyoCombination(BakenType type, std::string_view label);

// Rows whose 買い目, オッズ and 購入額 are all non-empty after trimming; the 消 mark is not looked at.
int CountTohyoRows(const TextGrid& grid, BakenType type);

// The lines of the counted rows without a 消 mark, top to bottom, each ended by CR LF. On a label that
// is not numeric or a stake that is not up to 8 digits, error says which row and no line is returned.
struct BetLines {
    std::vector<std::string> lines;
    long long total = 0; // yen over the lines
    std::string error;
};
BetLines BuildBetLines(const TextGrid& grid, BakenType type, const TohyoRaceKey& key);

// Everything the vote command has to go on.
struct TohyoInput {
    std::string dayText;       // the main window's date box
    bool raceSelected = false; // the race list has a current line
    std::string raceText;      // that line ("東京 1R")
    std::string_view ra;       // the current race's RA record
    const TextGrid* grid = nullptr;
    BakenType type = BakenType::Tan;
    std::string pluginFolder;    // [Dir] KelvoTohyo2 as stored
    std::optional<DateTime> now; // when set, a race already run or of another day is warned of
};

// The checks in their order and the file to write. When message is not empty the command ends there
// with that message and nothing is written; otherwise question asks for confirmation: the race and bet
// type, then what the file buys ("2299点　合計 229,900円"), then a warning when the race has posted
// ("発走時刻を過ぎています。") or is on a later day ("本日のレースではありません。").
struct TohyoPlan {
    std::string message;
    std::string question;
    std::filesystem::path file;
    std::filesystem::path exe;
    std::filesystem::path pluginFolder;
    std::string bytes; // the whole file; empty when every counted row carries 消
    int lines = 0;
    long long total = 0; // yen
};
TohyoPlan PrepareTohyo(const TohyoInput& input);

// Points the plan's plug-in folder and program at pluginFolder ([Dir] KelvoTohyo2 as stored). The vote
// reads the setting again before the launch, as the folder dialog may have changed it while the question
// was open; the bet file stays where it was written.
void SetPluginFolder(TohyoPlan& plan, std::string_view pluginFolder);

// Replaces the day's bet file by write-to-temporary and rename, so a failed write leaves the previous
// file whole. The kaime folder belongs to the plug-in and is never created. On failure the message to
// show.
bool WriteBetFile(const TohyoPlan& plan, std::string* message);

// Starts the plug-in through the shell ("open"): the bet file's full path as its one parameter (quoted
// where the system's command line needs it, ShellArgument), the plug-in folder with a trailing separator
// as its working folder; does not wait. False when it could not be started; then the vote command shows
// kTohyoLaunchErrorMessage.
bool LaunchPlugin(const TohyoPlan& plan, std::string* error = nullptr, const ShellLauncher& open = ShellOpen);

} // namespace solvane
