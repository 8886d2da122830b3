// Helpers shared by the commands of solvane-cli.
#pragma once

#include "CliCommands.h"
#include "util/TextGrid.h"

#include <iosfwd>
#include <string>
#include <vector>

namespace solvane::cli {

// A grid as tab-separated lines: the headings first, then one line per row. Tabs and line breaks
// inside a cell become blanks so that every row stays one line.
void printTsv(std::ostream& out, const TextGrid& grid);
void printTsv(std::ostream& out, const std::vector<std::vector<std::string>>& rows);

// Writes the message to err and returns the status to end the command with.
int fail(CliContext& ctx, const std::string& message);       // kExitFailure
int usageError(CliContext& ctx, const std::string& message); // kExitUsage

// Prints the command's usage line to err and returns kExitUsage.
int printUsage(CliContext& ctx, const std::string& command);

// Checks the number of arguments; on a mismatch prints the command's usage and returns false.
bool expectArgs(CliContext& ctx, const std::string& command, const std::vector<std::string>& args, std::size_t min,
                std::size_t max);

} // namespace solvane::cli
