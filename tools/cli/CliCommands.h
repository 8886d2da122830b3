// The command table of solvane-cli. Each command lives in its own file and registers itself with a
// file-scope CliRegistration, so adding a command means adding a file to tools/cli/CMakeLists.txt.
#pragma once

#include "app/SettingsFile.h"
#include "util/Clock.h"

#include <filesystem>
#include <functional>
#include <iosfwd>
#include <string>
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
using CliHandler = std::function<int(CliContext&, const std::vector<std::string>& args)>;

struct CliCommand {
    std::string name;
    std::string usage; // one line: the arguments and what the command does
    CliHandler handler;
};

void registerCommand(std::string name, std::string usage, CliHandler handler);
const CliCommand* findCommand(const std::string& name);
// Every command, sorted by name.
std::vector<const CliCommand*> allCommands();

struct CliRegistration {
    CliRegistration(std::string name, std::string usage, CliHandler handler)
    {
        registerCommand(std::move(name), std::move(usage), std::move(handler));
    }
};

} // namespace solvane::cli
