// The command line, the environment and the console of the command-line programs, in UTF-8 on every
// system. Windows hands a narrow main() its arguments and getenv() its values in the system's code
// page, where a Japanese folder name (or "ダート") does not arrive whole; these read the wide forms.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace solvane {

// The arguments after the program's name, UTF-8.
std::vector<std::string> ProgramArguments(int argc, char** argv);

// A variable of the environment, UTF-8; nothing when it is not set.
std::optional<std::string> EnvironmentValue(const char* name);

// Standard output and error carry the same bytes on every system, UTF-8 text with LF line ends: on
// Windows the console is told to show UTF-8 and the C runtime's LF to CR LF translation is turned
// off. Nothing to do elsewhere.
void UseUtf8Output();

// True when the standard stream (0 input, 2 error) is a person's terminal. On Windows that is a
// console: the NUL device counts as a character device for isatty, so it is not asked.
bool IsTerminal(int stream);

#ifdef _WIN32
// Appends one argument to a CreateProcessW command line, quoted so that the C runtime's parser (and
// CommandLineToArgvW) give it back whole.
void AppendWindowsArgument(std::wstring& line, std::wstring_view arg);
#endif

} // namespace solvane
