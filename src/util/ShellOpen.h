// Starting another program or opening a document the way the system's shell does: the voting
// plug-in, the sibling compi-index program and the manual.
#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

namespace solvane {

// Opens file with the shell's "open" verb, passing parameters as the command line's parameter text
// exactly as given (not quoted) and folder as the working folder; does not wait. On Windows this is
// ShellExecuteW, whose result of 32 or less is a failure. Elsewhere an executable file is started
// directly with the parameter text as its one argument (empty text: no argument), and any other file is
// handed to xdg-open. False when it could not be started; *error (when given) then says why.
bool ShellOpen(const std::filesystem::path& file, std::string_view parameters, const std::filesystem::path& folder,
               std::string* error = nullptr);

// One argument as ShellOpen's parameter text. On Windows the text is a command line that the started
// program splits at blanks, so the argument is quoted as the C runtime reads it back: a path under
// "C:\Program Files" stays one argument. Elsewhere the text is that one argument already and comes back
// as it is.
std::string ShellArgument(std::string_view arg);

// ShellOpen as a value, so that a window's launches can be watched by its tests.
using ShellLauncher = std::function<bool(const std::filesystem::path& file, std::string_view parameters,
                                         const std::filesystem::path& folder, std::string* error)>;

} // namespace solvane
