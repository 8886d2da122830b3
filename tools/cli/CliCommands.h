// The commands of solvane-cli: one table (CliCommands.cpp) of name, usage line and handler, in the
// order `solvane-cli --help` lists them. Adding a command means writing its handler in a file of
// this folder, declaring it below and giving it a row in the table.
#pragma once

#include "app/SettingsFile.h"
#include "util/Clock.h"

#include <filesystem>
#include <iosfwd>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace solvane::cli {

// Exit statuses of every command.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1; // the command ended with a failure message
inline constexpr int kExitUsage = 2;   // the command line was wrong

// What a command works with: the same application folder, settings file and clock as the program.
struct CliContext {
    std::filesystem::path appFolder;
    const Clock& clock;
    SettingsFile& settings;
    std::ostream& out; // UTF-8
    std::ostream& err; // UTF-8
};

// args are the words after the command name.
using CliHandler = int (*)(CliContext&, const std::vector<std::string>& args);

struct CliCommand {
    std::string_view name;
    std::string_view usage; // one line: the arguments and what the command does
    CliHandler handler;
};

// Every command, in the order the help lists them.
std::span<const CliCommand> allCommands();
const CliCommand* findCommand(std::string_view name);

// The handlers, by the file that holds them.
int backtestCommand(CliContext& ctx, const std::vector<std::string>& args);   // BacktestCommand.cpp
int cardCommand(CliContext& ctx, const std::vector<std::string>& args);       // CardCommand.cpp
int exportCommand(CliContext& ctx, const std::vector<std::string>& args);     // ExportCommand.cpp
int forecastCommand(CliContext& ctx, const std::vector<std::string>& args);   // ForecastCommand.cpp
int importCommand(CliContext& ctx, const std::vector<std::string>& args);     // ImportCommands.cpp
int daysCommand(CliContext& ctx, const std::vector<std::string>& args);       // ImportCommands.cpp
int kaimeCommand(CliContext& ctx, const std::vector<std::string>& args);      // KaimeCommand.cpp
int fetchCommand(CliContext& ctx, const std::vector<std::string>& args);      // LiveCommands.cpp
int scheduleCommand(CliContext& ctx, const std::vector<std::string>& args);   // LiveCommands.cpp
int runDayCommand(CliContext& ctx, const std::vector<std::string>& args);     // LiveCommands.cpp
int racesCommand(CliContext& ctx, const std::vector<std::string>& args);      // RaceDayCommands.cpp
int oddsCommand(CliContext& ctx, const std::vector<std::string>& args);       // RaceDayCommands.cpp
int resultsCommand(CliContext& ctx, const std::vector<std::string>& args);    // RaceDayCommands.cpp
int pathsCommand(CliContext& ctx, const std::vector<std::string>& args);      // ShellCommands.cpp
int settingsCommand(CliContext& ctx, const std::vector<std::string>& args);   // ShellCommands.cpp
int timeSeriesCommand(CliContext& ctx, const std::vector<std::string>& args); // TimeSeriesCommand.cpp
int verifyCommand(CliContext& ctx, const std::vector<std::string>& args);     // VerifyCommand.cpp
int voteCommand(CliContext& ctx, const std::vector<std::string>& args);       // VoteCommand.cpp

} // namespace solvane::cli
