#include "util/CommandLine.h"

#include "util/ShiftJis.h"

#include <cstdlib>

#ifdef _WIN32
#include <cstdio>
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <shellapi.h> // after windows.h, which it needs
#else
#include <unistd.h>
#endif

namespace solvane {

#ifdef _WIN32

std::vector<std::string> ProgramArguments(int argc, char** argv)
{
    int count = 0;
    LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!wide)
        return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
    std::vector<std::string> args;
    for (int i = 1; i < count; ++i)
        args.push_back(wideToUtf8(wide[i]));
    LocalFree(wide);
    return args;
}

std::optional<std::string> EnvironmentValue(const char* name)
{
    const wchar_t* value = _wgetenv(utf8ToWide(name).c_str());
    if (!value)
        return std::nullopt;
    return wideToUtf8(value);
}

void UseUtf8Output()
{
    SetConsoleOutputCP(CP_UTF8);
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
}

bool IsTerminal(int stream)
{
    const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(stream));
    DWORD mode = 0;
    return handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode) != 0;
}

void AppendWindowsArgument(std::wstring& line, std::wstring_view arg)
{
    if (!arg.empty() && arg.find_first_of(L" \t\"") == std::wstring_view::npos) {
        line += arg;
        return;
    }
    line += L'"';
    std::size_t backslashes = 0;
    for (const wchar_t c : arg) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        // Backslashes before a quote are doubled and the quote escaped; elsewhere they stand as they are.
        line.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        line += c;
    }
    line.append(backslashes * 2, L'\\'); // before the closing quote
    line += L'"';
}

#else

std::vector<std::string> ProgramArguments(int argc, char** argv)
{
    return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
}

std::optional<std::string> EnvironmentValue(const char* name)
{
    const char* value = std::getenv(name);
    if (!value)
        return std::nullopt;
    return std::string(value);
}

void UseUtf8Output() {}

bool IsTerminal(int stream)
{
    return ::isatty(stream) != 0;
}

#endif

} // namespace solvane
